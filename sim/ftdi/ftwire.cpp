// ftwire.cpp - answers the D2XX host library's requests (ftdiwire.h).

#include "ftwire.h"
#include "ftchip.h"
#include "../server/net.h"
#include "../wire/ftdiwire.h"

#include <algorithm>
#include <chrono>

namespace sim {

using namespace ftdiwire;

namespace {

class ANSWER {
public:
    void U8(uint8_t b) { rgb.push_back(b); }
    void U16(uint16_t w) { uint8_t rg[2]; PutU16(rg, w); rgb.insert(rgb.end(), rg, rg + 2); }
    void U32(uint32_t dw) { uint8_t rg[4]; PutU32(rg, dw); rgb.insert(rgb.end(), rg, rg + 4); }
    void Text(const std::string &sz) { U16(uint16_t(sz.size())); rgb.insert(rgb.end(), sz.begin(), sz.end()); }
    std::vector<uint8_t> rgb;
};

class IN {
public:
    IN(const std::vector<uint8_t> &rgbIn) : rgb(rgbIn) {}
    uint8_t U8() { return FHave(1) ? rgb[ib++] : 0; }
    uint16_t U16() { uint16_t w = FHave(2) ? GetU16(&rgb[ib]) : 0; ib += fOk ? 2 : 0; return w; }
    uint32_t U32() { uint32_t dw = FHave(4) ? GetU32(&rgb[ib]) : 0; ib += fOk ? 4 : 0; return dw; }
    std::string Text()
    {
        uint16_t cch = U16();
        if (!FHave(cch))
            return "";
        std::string sz(rgb.begin() + long(ib), rgb.begin() + long(ib + cch));
        ib += cch;
        return sz;
    }
    bool FOk() const { return fOk; }
    const uint8_t *PbRest(size_t &cb) const { cb = rgb.size() - ib; return rgb.data() + ib; }

private:
    bool FHave(size_t cb) { if (ib + cb > rgb.size()) fOk = false; return fOk; }
    const std::vector<uint8_t> &rgb;
    size_t ib = 0;
    bool fOk = true;
};

} // namespace

// One connection of the FTDI wire: one D2XX handle. Listed in
// BUS::mpftsession (under the bus lock) while it is served, so a report of
// its owner's end reaches it.
class FTSESSION {
public:
    FTSESSION(BUS &busIn, int sockIn, int idIn) : bus(busIn), sock(sockIn), id(idIn) {}
    // Runs one request under the bus lock; the answer's type and payload.
    uint8_t TypeRun(uint8_t type, const std::vector<uint8_t> &rgbIn, ANSWER &ans);
    void CloseL();

private:
    uint32_t StsHandleL();
    void ListL(ANSWER &ans);
    uint32_t StsFindL(IN &in, DEVICE **ppdev, FTCHAN **ppchan);
    uint32_t StsOpenL(IN &in);
    uint8_t TypeHolderL(IN &in, ANSWER &ans);
    uint32_t StsOwnerEndedL(const uint8_t *pbOwner);
    uint8_t TypeEeL(uint8_t type, IN &in, ANSWER &ans);

    BUS &bus;
    const int sock;
    const int id;
    DEVICE *pdev = nullptr;
    FTCHAN *pchan = nullptr;
    unsigned epoch = 0;
    bool fGone = false;             // closed because its owner ended
    uint8_t rgbOwner[cbOwner] = {}; // kind 0: not told
};

void FTSESSION::CloseL()
{
    if (pchan && pdev->pftchip->epoch == epoch && pchan->idConnOpen == id)
        pchan->idConnOpen = 0;
    pdev = nullptr;
    pchan = nullptr;
}

// ftOk when the handle is open on a chip that is still there.
uint32_t FTSESSION::StsHandleL()
{
    if (fGone)
        return ftIoError;
    if (!pchan)
        return ftInvalidHandle;
    if (!pdev->FPresent() || pdev->pftchip->epoch != epoch)
        return ftIoError;
    return ftOk;
}

void FTSESSION::ListL(ANSWER &ans)
{
    ANSWER body;
    uint32_t cchan = 0;
    for (auto &pdevAll : bus.rgpdev) {
        if (!pdevAll->pftchip || !pdevAll->FPresent())
            continue;
        for (auto &pchanAll : pdevAll->pftchip->rgpchan) {
            cchan++;
            FTCHIP &chip = *pdevAll->pftchip;
            body.U32((pchanAll->idConnOpen ? 1u : 0u) | 2u);
            body.U32(chip.cfg.ftt);
            body.U32(uint32_t(chip.vid) << 16 | chip.pid);
            body.U32(pchanAll->Locid());
            body.Text(pchanAll->SzName());
            body.Text(pchanAll->SzDescription());
        }
    }
    ans.U32(ftOk);
    ans.U32(cchan);
    ans.rgb.insert(ans.rgb.end(), body.rgb.begin(), body.rgb.end());
}

// The channel named as fmsgOpen and fmsgHolder name it.
uint32_t FTSESSION::StsFindL(IN &in, DEVICE **ppdev, FTCHAN **ppchan)
{
    uint8_t by = in.U8();
    uint32_t locid = by == openByLocation ? in.U32() : 0;
    std::string sz = by == openByLocation ? "" : in.Text();
    if (!in.FOk())
        return ftInvalidParameter;
    for (auto &pdevAll : bus.rgpdev) {
        if (!pdevAll->pftchip || !pdevAll->FPresent())
            continue;
        for (auto &pchanAll : pdevAll->pftchip->rgpchan) {
            bool fMatch = by == openBySerial        ? pchanAll->SzName() == sz && !sz.empty()
                          : by == openByDescription ? pchanAll->SzDescription() == sz
                                                    : pchanAll->Locid() == locid;
            if (fMatch) {
                *ppdev = pdevAll.get();
                *ppchan = pchanAll.get();
                return ftOk;
            }
        }
    }
    return ftDeviceNotFound;
}

uint32_t FTSESSION::StsOpenL(IN &in)
{
    CloseL();
    DEVICE *pdevFound = nullptr;
    FTCHAN *pchanFound = nullptr;
    uint32_t sts = StsFindL(in, &pdevFound, &pchanFound);
    if (sts != ftOk)
        return sts;
    if (pchanFound->idConnOpen != 0)
        return ftDeviceNotOpened;
    pchanFound->idConnOpen = id;
    pdev = pdevFound;
    pchan = pchanFound;
    epoch = pdev->pftchip->epoch;
    return ftOk;
}

uint8_t FTSESSION::TypeHolderL(IN &in, ANSWER &ans)
{
    DEVICE *pdevFound = nullptr;
    FTCHAN *pchanFound = nullptr;
    uint32_t sts = StsFindL(in, &pdevFound, &pchanFound);
    ans.U32(sts);
    auto it = sts == ftOk ? bus.mpftsession.find(pchanFound->idConnOpen) : bus.mpftsession.end();
    if (it != bus.mpftsession.end())
        ans.rgb.insert(ans.rgb.end(), it->second->rgbOwner, it->second->rgbOwner + cbOwner);
    else
        ans.rgb.insert(ans.rgb.end(), cbOwner, 0);
    return fmsgHolderR;
}

// Every other connection of owner pbOwner gives its channel back and is
// shut; its reader ends and it goes as any other.
uint32_t FTSESSION::StsOwnerEndedL(const uint8_t *pbOwner)
{
    if (pbOwner[0] == ownerwire::ownerNone)
        return ftOk;
    for (auto &idsession : bus.mpftsession) {
        FTSESSION &session = *idsession.second;
        if (&session == this || !std::equal(pbOwner, pbOwner + cbOwner, session.rgbOwner))
            continue;
        session.CloseL();
        session.fGone = true;
        ShutdownSock(session.sock);
    }
    return ftOk;
}

uint8_t FTSESSION::TypeEeL(uint8_t type, IN &in, ANSWER &ans)
{
    FTCHIP &chip = *pdev->pftchip;
    if (type == fmsgEeErase) {
        chip.rgwEe.assign(FTCHIP::cwEeprom, 0xFFFF);
        ans.U32(ftOk);
        return fmsgResult;
    }
    uint16_t iw = in.U16(), cw = in.U16();
    if (!in.FOk()) {
        ans.U32(ftInvalidParameter);
        return fmsgResult;
    }
    if (type == fmsgEeRead) {
        ans.U32(ftOk);
        ans.U16(cw);
        for (unsigned i = 0; i < cw; i++)
            ans.U16(iw + i < FTCHIP::cwEeprom ? chip.rgwEe[iw + i] : 0xFFFF);
        return fmsgEeR;
    }
    std::vector<uint16_t> rgw;
    for (unsigned i = 0; i < cw; i++)
        rgw.push_back(in.U16());
    if (!in.FOk())
        ans.U32(ftInvalidParameter);
    else if (size_t(iw) + cw > FTCHIP::cwEeprom)
        ans.U32(ftEepromWriteFailed);
    else {
        std::copy(rgw.begin(), rgw.end(), chip.rgwEe.begin() + iw);
        ans.U32(ftOk);
    }
    return fmsgResult;
}

uint8_t FTSESSION::TypeRun(uint8_t type, const std::vector<uint8_t> &rgbIn, ANSWER &ans)
{
    std::lock_guard<std::mutex> lock(bus.mtx);
    IN in(rgbIn);
    switch (type) {
    case fmsgList: ListL(ans); return fmsgListR;
    case fmsgOpen: ans.U32(StsOpenL(in)); return fmsgResult;
    case fmsgClose: CloseL(); ans.U32(ftOk); return fmsgResult;
    case fmsgPing: ans.U32(ftOk); return fmsgResult;
    case fmsgHolder: return TypeHolderL(in, ans);
    case fmsgOwner:
    case fmsgOwnerEnded: {
        size_t cb;
        const uint8_t *pbOwner = in.PbRest(cb);
        if (cb != cbOwner)
            ans.U32(ftInvalidParameter);
        else if (type == fmsgOwner) {
            std::copy(pbOwner, pbOwner + cbOwner, rgbOwner);
            ans.U32(ftOk);
        } else
            ans.U32(StsOwnerEndedL(pbOwner));
        return fmsgResult;
    }
    default: break;
    }
    uint32_t sts = StsHandleL();
    if (sts != ftOk) {
        ans.U32(sts);
        if (type == fmsgWrite || type == fmsgQueue || type == fmsgGetPins)
            ans.U32(0);
        else if (type == fmsgRead)
            ans.U32(0);
        return type == fmsgWrite || type == fmsgQueue || type == fmsgGetPins ? fmsgCountR
               : type == fmsgRead                                           ? fmsgReadR
                                                                            : fmsgResult;
    }
    FTCHIP &chip = *pdev->pftchip;
    switch (type) {
    case fmsgInfo:
        ans.U32(ftOk);
        ans.U32(chip.cfg.ftt);
        ans.U32(uint32_t(chip.vid) << 16 | chip.pid);
        ans.U32(pchan->Locid());
        ans.Text(pchan->SzName());
        ans.Text(pchan->SzDescription());
        return fmsgInfoR;
    case fmsgWrite: {
        size_t cb;
        const uint8_t *pb = in.PbRest(cb);
        if (chip.faults.cWriteFail > 0) {
            chip.faults.cWriteFail--;
            ans.U32(ftIoError);
            ans.U32(0);
            return fmsgCountR;
        }
        bool fUnplug = false;
        if (chip.faults.cbUnplugAfter >= 0 && int64_t(cb) >= chip.faults.cbUnplugAfter) {
            cb = size_t(chip.faults.cbUnplugAfter);
            chip.faults.cbUnplugAfter = -1;
            fUnplug = true;
        } else if (chip.faults.cbUnplugAfter >= 0)
            chip.faults.cbUnplugAfter -= int64_t(cb);
        pchan->Write(pb, cb);
        if (fUnplug) {
            bus.UnplugL(*pdev);
            ans.U32(ftIoError);
        } else
            ans.U32(ftOk);
        ans.U32(uint32_t(cb));
        return fmsgCountR;
    }
    case fmsgRead: {
        uint32_t cbMax = in.U32();
        std::vector<uint8_t> rgb(std::min<uint32_t>(cbMax, 0x1000000));
        size_t cb = pchan->CbRead(rgb.data(), rgb.size());
        ans.U32(ftOk);
        ans.U32(uint32_t(cb));
        ans.rgb.insert(ans.rgb.end(), rgb.begin(), rgb.begin() + long(cb));
        return fmsgReadR;
    }
    case fmsgQueue:
        ans.U32(ftOk);
        ans.U32(uint32_t(pchan->CbReadable()));
        return fmsgCountR;
    case fmsgGetPins:
        ans.U32(ftOk);
        ans.U32(pchan->bitmode == 0x02 ? pchan->mpsse.BLow() : 0xFF);
        return fmsgCountR;
    case fmsgBitMode: {
        uint8_t mask = in.U8(), mode = in.U8();
        ans.U32(in.FOk() ? pchan->SetBitMode(mask, mode) : ftInvalidParameter);
        return fmsgResult;
    }
    case fmsgPurge: pchan->Purge(in.U32()); ans.U32(ftOk); return fmsgResult;
    case fmsgReset: pchan->Purge(3); ans.U32(ftOk); return fmsgResult;
    case fmsgParam: {
        uint8_t which = in.U8();
        uint32_t a = in.U32(), b = in.U32();
        uint32_t stsParam = in.FOk() ? ftOk : ftInvalidParameter;
        if (which == paramLatency && (a < 2 || a > 255))
            stsParam = ftInvalidParameter;
        else if (which == paramLatency)
            pchan->latency = uint8_t(a);
        else if (which == paramTimeouts) {
            pchan->tmsReadTimeout = a;
            pchan->tmsWriteTimeout = b;
        } else if (which == paramUsb) {
            pchan->cbUsbIn = a;
            pchan->cbUsbOut = b;
        } else if (which == paramChars)
            pchan->chars = a | b << 16;
        else if (which == paramFlow)
            pchan->flow = a;
        ans.U32(stsParam);
        return fmsgResult;
    }
    case fmsgEeRead:
    case fmsgEeWrite:
    case fmsgEeErase:
        return TypeEeL(type, in, ans);
    case fmsgCycle:
        chip.PowerOn();
        bus.cvPresence.notify_all();
        pdev = nullptr;
        pchan = nullptr;
        ans.U32(ftOk);
        return fmsgResult;
    default:
        ans.U32(ftInvalidParameter);
        return fmsgResult;
    }
}

namespace {

std::vector<uint8_t> RgbFtFrame(uint8_t type, uint32_t tag, const std::vector<uint8_t> &rgbPayload)
{
    std::vector<uint8_t> rgb(cbFrameHeader);
    PutU32(&rgb[0], uint32_t(1 + 4 + rgbPayload.size()));
    rgb[4] = type;
    PutU32(&rgb[5], tag);
    rgb.insert(rgb.end(), rgbPayload.begin(), rgbPayload.end());
    return rgb;
}

} // namespace

void ServeFtdiWire(BUS &bus, int sock, int id)
{
    FTSESSION session(bus, sock, id);
    {
        std::lock_guard<std::mutex> lock(bus.mtx);
        bus.mpftsession[id] = &session;
    }
    std::vector<uint8_t> rgbPayload;
    for (;;) {
        uint8_t rgbHeader[cbFrameHeader];
        if (!FRecvAll(sock, rgbHeader, sizeof(rgbHeader)))
            break;
        uint32_t cb = GetU32(rgbHeader);
        if (cb < 5 || cb > cbFtWireMax)
            break;
        rgbPayload.resize(cb - 5);
        if (!rgbPayload.empty() && !FRecvAll(sock, rgbPayload.data(), rgbPayload.size()))
            break;
        ANSWER ans;
        uint8_t typeAns = session.TypeRun(rgbHeader[4], rgbPayload, ans);
        std::vector<uint8_t> rgbFrame = RgbFtFrame(typeAns, GetU32(rgbHeader + 5), ans.rgb);
        if (!FSendAll(sock, rgbFrame.data(), rgbFrame.size()))
            break;
    }
    std::lock_guard<std::mutex> lock(bus.mtx);
    session.CloseL();
    bus.mpftsession.erase(id);
}

} // namespace sim
