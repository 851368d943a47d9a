// wireserver.cpp - reads the host's wire requests and hands them to the bus.

#include "wireserver.h"
#include "net.h"
#include "../wire/usbwire.h"

#include <algorithm>

namespace sim {

using namespace usbwire;

namespace {

// Payload reader with bounds checks: a short payload reads as zeros and
// marks the request bad.
class READER {
public:
    READER(const std::vector<uint8_t> &rgbIn) : rgb(rgbIn) {}
    uint8_t U8() { return FHave(1) ? rgb[ib++] : 0; }
    uint16_t U16() { uint16_t w = FHave(2) ? GetU16(&rgb[ib]) : 0; ib += fOk ? 2 : 0; return w; }
    uint32_t U32() { uint32_t dw = FHave(4) ? GetU32(&rgb[ib]) : 0; ib += fOk ? 4 : 0; return dw; }
    const uint8_t *Pb(size_t cb) { const uint8_t *pb = FHave(cb) ? rgb.data() + ib : nullptr; ib += fOk ? cb : 0; return pb; }
    bool FOk() const { return fOk; }

private:
    bool FHave(size_t cb) { if (ib + cb > rgb.size()) fOk = false; return fOk; }
    const std::vector<uint8_t> &rgb;
    size_t ib = 0;
    bool fOk = true;
};

void HandleControl(BUS &bus, CONN &conn, uint32_t tag, READER &rdr)
{
    uint8_t bm = rdr.U8(), req = rdr.U8();
    uint16_t wValue = rdr.U16(), wIndex = rdr.U16(), wLength = rdr.U16();
    rdr.U32();      // time-out: the simulated device answers at once
    const uint8_t *pbOut = (bm & 0x80) || wLength == 0 ? nullptr : rdr.Pb(wLength);
    std::vector<uint8_t> rgbIn;
    uint32_t sts = rdr.FOk() ? bus.Control(&conn, bm, req, wValue, wIndex, pbOut, wLength, rgbIn) : stsBadRequest;
    std::vector<uint8_t> rgb(6);
    PutU32(&rgb[0], sts);
    // An OUT request the device accepted took all its data bytes.
    bool fOut = !(bm & 0x80);
    PutU16(&rgb[4], uint16_t(fOut ? (sts == stsOk ? wLength : 0) : rgbIn.size()));
    rgb.insert(rgb.end(), rgbIn.begin(), rgbIn.end());
    conn.Send(RgbFrame(msgControlR, tag, rgb));
}

void HandleRequest(BUS &bus, CONN &conn, uint8_t type, uint32_t tag, const std::vector<uint8_t> &rgbPayload)
{
    READER rdr(rgbPayload);
    switch (type) {
    case msgEnum:
        conn.Send(RgbFrame(msgEnumR, tag, bus.RgbEnum()));
        break;
    case msgOpen: {
        uint16_t cch = rdr.U16();
        const uint8_t *pch = rdr.Pb(cch);
        conn.Send(RgbResult(tag, rdr.FOk() ? bus.Open(&conn, std::string(pch, pch + cch)) : stsBadRequest));
        break;
    }
    case msgClose: conn.Send(RgbResult(tag, bus.Close(&conn))); break;
    case msgClaim: conn.Send(RgbResult(tag, bus.Claim(&conn))); break;
    case msgRelease: conn.Send(RgbResult(tag, bus.Release(&conn))); break;
    case msgControl: HandleControl(bus, conn, tag, rdr); break;
    case msgSubmit: {
        uint8_t ep = rdr.U8();
        uint32_t cb = rdr.U32(), tms = rdr.U32();
        const uint8_t *pb = FEpIn(ep) || cb == 0 ? nullptr : rdr.Pb(cb);
        if (!rdr.FOk() || cb > 0x2000000)
            ep = 0xFF;      // answered as a bad request
        bus.Submit(&conn, tag, ep, pb, cb, tms);
        break;
    }
    case msgCancel:
    case msgResetEp: {
        uint8_t ep = rdr.U8();
        conn.Send(RgbResult(tag, rdr.FOk() ? bus.Cancel(&conn, ep) : stsBadRequest));
        break;
    }
    case msgPing: conn.Send(RgbResult(tag, stsOk)); break;
    case msgOwner:
    case msgOwnerEnded: {
        const uint8_t *pbOwner = rdr.Pb(cbOwner);
        uint32_t sts = stsBadRequest;
        if (rdr.FOk() && type == msgOwner) {
            bus.SetOwner(&conn, pbOwner);
            sts = stsOk;
        } else if (rdr.FOk()) {
            sts = bus.OwnerEnded(&conn, pbOwner);
        }
        conn.Send(RgbResult(tag, sts));
        break;
    }
    case msgClaimer: {
        std::vector<uint8_t> rgb(4 + cbOwner);
        PutU32(&rgb[0], bus.Claimer(&conn, &rgb[4]));
        conn.Send(RgbFrame(msgClaimerR, tag, rgb));
        break;
    }
    default: conn.Send(RgbResult(tag, stsBadRequest)); break;
    }
}

// Reads cb payload bytes in steps, so the buffer grows with the bytes that
// came rather than with what the header announced: a header alone costs no
// more than one step.
bool FRecvGrowing(int sock, std::vector<uint8_t> &rgb, size_t cb)
{
    const size_t cbStep = 64 * 1024;
    rgb.clear();
    while (rgb.size() < cb) {
        size_t ib = rgb.size();
        size_t cbNow = std::min(cbStep, cb - ib);
        rgb.resize(ib + cbNow);
        if (!FRecvAll(sock, rgb.data() + ib, cbNow))
            return false;
    }
    return true;
}

} // namespace

void ServeWire(BUS &bus, int sock, int id)
{
    CONN conn(sock, id);
    bus.AddConn(&conn);
    for (;;) {
        uint8_t rgbHeader[cbFrameHeader];
        if (!FRecvAll(sock, rgbHeader, sizeof(rgbHeader)))
            break;
        uint32_t cb = GetU32(rgbHeader);
        if (cb < 5 || cb > cbWireMax)
            break;
        std::vector<uint8_t> rgbPayload;
        if (!FRecvGrowing(sock, rgbPayload, cb - 5))
            break;
        HandleRequest(bus, conn, rgbHeader[4], GetU32(rgbHeader + 5), rgbPayload);
    }
    bus.RemoveConn(&conn);
    conn.StopWriter();
}

} // namespace sim
