/*
 * simhost.cpp - the simulator backend: one host-side device object speaks
 * the simulated bus protocol (usbwire.h) over its own loopback connection.
 *
 * Transfers complete asynchronously on the wire; whoever waits reads the
 * frames and files every completion under its endpoint, so one thread at a
 * time drives the object and no reader thread is needed.
 *
 * Each connection tells the simulator which process it belongs to. A claim
 * refused because a connection of an ended process still holds it (some
 * systems keep a killed process's connections open for a while) makes the
 * host tell the simulator that process ended, and claim again: a real
 * device is free the moment its process dies.
 */
#include "sock.h"
#include "usbhost.h"
#include "usbwire.h"

#include <string.h>

#include <new>

using namespace usbwire;

namespace {

ERC ErcFromSts(uint32_t sts)
{
    switch (sts) {
    case stsOk: return 0;
    case stsStall: return ercAbsPipeError;
    case stsNoDevice: return ercAbsUsbDeviceGone;
    case stsBusy: return ercAbsClaimFailed;
    case stsTimeout: return ercAbsIoTimeout;
    case stsCancelled: return ercAbsIoCancelled;
    case stsNotOpen: return ercAbsNotInit;
    case stsNotClaimed: return ercAbsClaimFailed;
    default: return ercAbsFailed;
    }
}

/* A received frame: its payload stays in the receive buffer, valid until
 * the next frame is read. */
struct FRAME {
    uint8_t type;
    uint32_t tag;
    const uint8_t *pb;             /* payload */
    size_t cb;
};

/* Bytes received and not yet taken: [ibStart, ibEnd) of pb. Growing it
 * keeps the bytes; nothing is zero-filled. */
class RXBUF {
public:
    RXBUF() = default;
    RXBUF(const RXBUF &) = delete;
    RXBUF &operator=(const RXBUF &) = delete;
    ~RXBUF() { delete[] pb; }

    const uint8_t *PbData() const { return pb + ibStart; }
    size_t CbData() const { return ibEnd - ibStart; }
    void Take(size_t cb)
    {
        ibStart += cb;
        if (ibStart == ibEnd)
            ibStart = ibEnd = 0;
    }
    /* Room for at least cbMore bytes after the data; NULL when out of memory. */
    uint8_t *PbRoom(size_t cbMore)
    {
        size_t cbData = CbData();
        if (ibEnd + cbMore > cbCap) {
            if (cbData + cbMore <= cbCap) {
                memmove(pb, pb + ibStart, cbData);
            } else {
                size_t cbNew = cbCap * 2 > cbData + cbMore ? cbCap * 2 : cbData + cbMore;
                uint8_t *pbNew = new (std::nothrow) uint8_t[cbNew];
                if (pbNew == NULL)
                    return NULL;
                if (cbData)
                    memcpy(pbNew, pb + ibStart, cbData);
                delete[] pb;
                pb = pbNew;
                cbCap = cbNew;
            }
            ibStart = 0;
            ibEnd = cbData;
        }
        return pb + ibEnd;
    }
    void Added(size_t cb) { ibEnd += cb; }

private:
    uint8_t *pb = NULL;
    size_t ibStart = 0, ibEnd = 0, cbCap = 0;
};

struct XFER {
    bool fPending;                 /* started, not yet collected */
    bool fDone;                    /* its completion arrived */
    uint8_t *pb;
    uint32_t cbReq;
    uint32_t tag;
    ERC erc;
    uint32_t cb;
};

class SIMHOST : public YBUSBHOST {
public:
    explicit SIMHOST(const std::string &szAddr) : szAddr(szAddr) { memset(rgxfer, 0, sizeof(rgxfer)); }
    ~SIMHOST() override { YsockClose(sock); }

    ERC ErcEnum(std::vector<YBUSBDVC> *prgdvc) override;
    ERC ErcOpen(const std::string &szPath) override;
    ERC ErcClose() override;
    ERC ErcClaim() override;
    ERC ErcRelease() override { return ErcSimple(msgRelease, NULL, 0); }
    ERC ErcControl(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength, void *pb,
                   uint32_t *pcb, uint32_t tms) override;
    ERC ErcSubmit(uint8_t endp, void *pb, uint32_t cb) override;
    ERC ErcWait(const uint8_t *rgendp, uint32_t cendp, uint32_t tms, uint8_t *pendpDone) override;
    ERC ErcResult(uint8_t endp, uint32_t *pcb) override;
    ERC ErcCancel(uint8_t endp) override;
    ERC ErcResetEp(uint8_t endp) override;

private:
    ERC ErcEnsureConn();
    void Lost();
    /* A frame whose payload is pbArgs then pbData (sent without joining them). */
    ERC ErcSend(uint8_t type, uint32_t tag, const uint8_t *pbArgs, size_t cbArgs, const uint8_t *pbData = NULL,
                size_t cbData = 0);
    ERC ErcRecvFrame(uint32_t tms, FRAME *pframe);
    void File(const FRAME &frame);
    /* Sends a request and waits for its answer (completions are filed). */
    ERC ErcRequest(uint8_t type, const uint8_t *pb, size_t cb, uint32_t tms, FRAME *panswer);
    ERC ErcSimple(uint8_t type, const uint8_t *pb, size_t cb);
    ERC ErcEpRequest(uint8_t type, uint8_t endp);
    bool FClaimerEnded();

    std::string szAddr;
    YSOCK sock = ysockNil;
    bool fLost = false;
    uint32_t tagNext = 1;
    RXBUF rx;
    size_t cbFrameTaken = 0;       /* bytes of the frame handed out last */
    XFER rgxfer[cepMax];
};

const uint32_t tmsAnswer = 30000;       /* the simulator answers at once */

ERC SIMHOST::ErcEnsureConn()
{
    if (fLost)
        return ercAbsUsbDeviceGone;
    if (sock != ysockNil)
        return 0;
    ERC erc = ErcYsockConnect(szAddr, &sock);
    if (erc != 0) {
        sock = ysockNil;
        return erc;
    }
    uint8_t rgb[cbPreamble];
    memcpy(rgb, kusbMagic, 4);
    PutU16(rgb + 4, kusbVersion);
    PutU16(rgb + 6, 0);
    if (ErcYsockSend(sock, rgb, sizeof(rgb)) != 0) {
        Lost();
        return ercAbsUsbDeviceGone;
    }
    /* Who this connection belongs to; the answer is not waited for (an
     * answer to no request is passed over). */
    uint8_t rgbOwner[cbOwner];
    OwnerRecordSelf(rgbOwner);
    if (rgbOwner[0] != ownerNone)
        return ErcSend(msgOwner, tagNext++, rgbOwner, sizeof(rgbOwner));
    return 0;
}

/* The simulator went away: every transfer ends with "device gone". */
void SIMHOST::Lost()
{
    fLost = true;
    for (XFER &xfer : rgxfer) {
        if (xfer.fPending && !xfer.fDone) {
            xfer.fDone = true;
            xfer.erc = ercAbsUsbDeviceGone;
        }
    }
}

ERC SIMHOST::ErcSend(uint8_t type, uint32_t tag, const uint8_t *pbArgs, size_t cbArgs, const uint8_t *pbData,
                     size_t cbData)
{
    ERC erc = ErcEnsureConn();
    if (erc != 0)
        return erc;
    uint8_t rgbHead[64];
    std::vector<uint8_t> rgbHeadBig;
    uint8_t *pbHead = rgbHead;
    if (cbFrameHeader + cbArgs > sizeof(rgbHead)) {
        rgbHeadBig.resize(cbFrameHeader + cbArgs);
        pbHead = rgbHeadBig.data();
    }
    PutU32(pbHead, (uint32_t)(1 + 4 + cbArgs + cbData));
    pbHead[4] = type;
    PutU32(pbHead + 5, tag);
    if (cbArgs)
        memcpy(pbHead + cbFrameHeader, pbArgs, cbArgs);
    if (ErcYsockSend2(sock, pbHead, cbFrameHeader + cbArgs, pbData, cbData) != 0) {
        Lost();
        return ercAbsUsbDeviceGone;
    }
    return 0;
}

ERC SIMHOST::ErcRecvFrame(uint32_t tms, FRAME *pframe)
{
    uint64_t tickEnd = YbTickMs() + (tms == tmsInfinite ? 0 : tms);
    /* the frame handed out last leaves the buffer now */
    rx.Take(cbFrameTaken);
    cbFrameTaken = 0;
    for (;;) {
        size_t cbWant = 65536;
        if (rx.CbData() >= 4) {
            const uint8_t *pb = rx.PbData();
            uint32_t cb = GetU32(pb);
            if (cb < 5 || cb > cbWireMax) {
                Lost();
                return ercAbsUsbDeviceGone;
            }
            if (rx.CbData() >= 4 + (size_t)cb) {
                pframe->type = pb[4];
                pframe->tag = GetU32(pb + 5);
                pframe->pb = pb + cbFrameHeader;
                pframe->cb = 4 + (size_t)cb - cbFrameHeader;
                cbFrameTaken = 4 + (size_t)cb;
                return 0;
            }
            if (4 + (size_t)cb - rx.CbData() > cbWant)
                cbWant = 4 + (size_t)cb - rx.CbData();
        }
        if (fLost || sock == ysockNil)
            return ercAbsUsbDeviceGone;
        uint32_t tmsLeft = tmsInfinite;
        if (tms != tmsInfinite) {
            uint64_t tick = YbTickMs();
            tmsLeft = tick >= tickEnd ? 0 : (uint32_t)(tickEnd - tick);
        }
        uint8_t *pbRoom = rx.PbRoom(cbWant);
        if (pbRoom == NULL) {
            Lost();
            return ercAbsUsbDeviceGone;
        }
        size_t cbGot = 0;
        ERC erc = ErcYsockRecv(sock, pbRoom, cbWant, tmsLeft, &cbGot);
        if (erc == ercAbsTimeout)
            return erc;
        if (erc != 0) {
            Lost();
            return ercAbsUsbDeviceGone;
        }
        rx.Added(cbGot);
    }
}

/* A completion: the bytes go to the transfer's buffer, never beyond it. */
void SIMHOST::File(const FRAME &frame)
{
    if (frame.type != msgComplete || frame.cb < 9)
        return;
    uint8_t endp = frame.pb[0];
    if (endp >= cepMax)
        return;
    XFER &xfer = rgxfer[endp];
    if (!xfer.fPending || xfer.fDone || xfer.tag != frame.tag)
        return;
    uint32_t cb = GetU32(frame.pb + 5);
    if (cb > xfer.cbReq)
        cb = xfer.cbReq;
    if (FEpIn(endp)) {
        size_t cbData = frame.cb - 9;
        if (cb > cbData)
            cb = (uint32_t)cbData;
        if (cb)
            memcpy(xfer.pb, frame.pb + 9, cb);
    }
    xfer.cb = cb;
    xfer.erc = ErcFromSts(GetU32(frame.pb + 1));
    xfer.fDone = true;
}

ERC SIMHOST::ErcRequest(uint8_t type, const uint8_t *pb, size_t cb, uint32_t tms, FRAME *panswer)
{
    uint32_t tag = tagNext++;
    ERC erc = ErcSend(type, tag, pb, cb);
    if (erc != 0)
        return erc;
    for (;;) {
        erc = ErcRecvFrame(tms, panswer);
        if (erc == ercAbsTimeout)
            return ercAbsIoTimeout;
        if (erc != 0)
            return erc;
        if (panswer->type == msgComplete) {
            File(*panswer);
            continue;
        }
        if (panswer->tag == tag)
            return 0;
    }
}

ERC SIMHOST::ErcSimple(uint8_t type, const uint8_t *pb, size_t cb)
{
    FRAME frame;
    ERC erc = ErcRequest(type, pb, cb, tmsAnswer, &frame);
    if (erc != 0)
        return erc;
    if (frame.type != msgResult || frame.cb < 4)
        return ercAbsFailed;
    return ErcFromSts(GetU32(frame.pb));
}

ERC SIMHOST::ErcClaim()
{
    ERC erc = ErcSimple(msgClaim, NULL, 0);
    if (erc == ercAbsClaimFailed && FClaimerEnded())
        erc = ErcSimple(msgClaim, NULL, 0);
    return erc;
}

/* The interface's claim is held by a connection of a process of this
 * system that has ended: the simulator is told, and closes its connections. */
bool SIMHOST::FClaimerEnded()
{
    FRAME frame;
    if (ErcRequest(msgClaimer, NULL, 0, tmsAnswer, &frame) != 0 || frame.type != msgClaimerR ||
        frame.cb < 4 + cbOwner || GetU32(frame.pb) != stsOk)
        return false;
    /* a copy: the frame lies in the receive buffer the next request reuses */
    uint8_t pbOwner[cbOwner];
    memcpy(pbOwner, frame.pb + 4, cbOwner);
    if (!FOwnerRecordEnded(pbOwner))
        return false;
    return ErcSimple(msgOwnerEnded, pbOwner, cbOwner) == 0;
}

ERC SIMHOST::ErcEnum(std::vector<YBUSBDVC> *prgdvc)
{
    prgdvc->clear();
    FRAME frame;
    ERC erc = ErcRequest(msgEnum, NULL, 0, tmsAnswer, &frame);
    if (erc != 0)
        return erc;
    const std::vector<uint8_t> rgb(frame.pb, frame.pb + frame.cb);
    if (frame.type != msgEnumR || rgb.size() < 8)
        return ercAbsFailed;
    if ((erc = ErcFromSts(GetU32(rgb.data()))) != 0)
        return erc;
    uint32_t cdvc = GetU32(rgb.data() + 4);
    size_t ib = 8;
    for (uint32_t idvc = 0; idvc < cdvc; idvc++) {
        YBUSBDVC dvc;
        if (ib + 2 > rgb.size())
            return ercAbsFailed;
        size_t cch = GetU16(&rgb[ib]);
        ib += 2;
        if (ib + cch + 6 > rgb.size())
            return ercAbsFailed;
        dvc.szPath.assign((const char *)&rgb[ib], cch);
        ib += cch;
        dvc.idVendor = GetU16(&rgb[ib]);
        dvc.idProduct = GetU16(&rgb[ib + 2]);
        cch = GetU16(&rgb[ib + 4]);
        ib += 6;
        if (ib + cch > rgb.size())
            return ercAbsFailed;
        dvc.szSerial.assign((const char *)&rgb[ib], cch);
        ib += cch;
        prgdvc->push_back(dvc);
    }
    return 0;
}

ERC SIMHOST::ErcOpen(const std::string &szPath)
{
    if (szPath.size() > 0xFFFF)
        return ercAbsInvalidParameter;
    std::vector<uint8_t> rgb(2 + szPath.size());
    PutU16(rgb.data(), (uint16_t)szPath.size());
    memcpy(rgb.data() + 2, szPath.data(), szPath.size());
    return ErcSimple(msgOpen, rgb.data(), rgb.size());
}

ERC SIMHOST::ErcClose()
{
    ERC erc = ErcSimple(msgClose, NULL, 0);
    for (XFER &xfer : rgxfer)
        xfer.fPending = false;
    return erc;
}

ERC SIMHOST::ErcControl(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength, void *pb,
                        uint32_t *pcb, uint32_t tms)
{
    *pcb = 0;
    std::vector<uint8_t> rgb(12 + (fIn ? 0 : wLength));
    rgb[0] = fIn ? bmVendorIn : bmVendorOut;
    rgb[1] = bRequest;
    PutU16(&rgb[2], wValue);
    PutU16(&rgb[4], wIndex);
    PutU16(&rgb[6], wLength);
    PutU32(&rgb[8], tms == tmsInfinite ? 0 : tms);
    if (!fIn && wLength)
        memcpy(&rgb[12], pb, wLength);
    FRAME frame;
    ERC erc = ErcRequest(msgControl, rgb.data(), rgb.size(),
                         tms == tmsInfinite || tms == 0 ? tmsInfinite : tms + tmsAnswer, &frame);
    if (erc != 0)
        return erc;
    if (frame.type != msgControlR || frame.cb < 6)
        return ercAbsFailed;
    uint32_t cb = GetU16(frame.pb + 4);
    uint32_t sts = GetU32(frame.pb);
    /* A control write's data stage goes through whole or the request fails. */
    if (!fIn && sts == stsOk)
        cb = wLength;
    if (cb > wLength)
        cb = wLength;
    if (fIn) {
        if (cb > frame.cb - 6)
            cb = (uint32_t)(frame.cb - 6);
        if (cb)
            memcpy(pb, frame.pb + 6, cb);
    }
    *pcb = cb;
    return ErcFromSts(sts);
}

ERC SIMHOST::ErcSubmit(uint8_t endp, void *pb, uint32_t cb)
{
    XFER &xfer = rgxfer[endp];
    if (xfer.fPending && !xfer.fDone)
        return ercAbsInvalidParameter;
    uint8_t rgbArgs[9];
    rgbArgs[0] = endp;
    PutU32(&rgbArgs[1], cb);
    PutU32(&rgbArgs[5], 0);
    uint32_t tag = tagNext++;
    xfer = XFER{true, false, (uint8_t *)pb, cb, tag, 0, 0};
    /* the bytes of a transfer out go from the caller's buffer */
    ERC erc = ErcSend(msgSubmit, tag, rgbArgs, sizeof(rgbArgs), (const uint8_t *)pb, FEpIn(endp) ? 0 : cb);
    if (erc != 0)
        xfer.fPending = false;
    return erc;
}

ERC SIMHOST::ErcWait(const uint8_t *rgendp, uint32_t cendp, uint32_t tms, uint8_t *pendpDone)
{
    uint64_t tickEnd = YbTickMs() + (tms == tmsInfinite ? 0 : tms);
    for (;;) {
        ERC ercDone = ErcYbusbFindDone(rgxfer, rgendp, cendp, pendpDone);
        if (ercDone != ercAbsTimeout)
            return ercDone;
        uint32_t tmsLeft = tmsInfinite;
        if (tms != tmsInfinite) {
            uint64_t tick = YbTickMs();
            tmsLeft = tick >= tickEnd ? 0 : (uint32_t)(tickEnd - tick);
        }
        FRAME frame;
        ERC erc = ErcRecvFrame(tmsLeft, &frame);
        if (erc == ercAbsTimeout)
            return erc;
        if (erc != 0)
            continue;      /* lost: every pending transfer is done now */
        File(frame);
    }
}

ERC SIMHOST::ErcResult(uint8_t endp, uint32_t *pcb)
{
    XFER &xfer = rgxfer[endp];
    *pcb = 0;
    ERC ercCollect = ErcYbusbCollect(xfer);
    if (ercCollect != 0)
        return ercCollect;
    *pcb = xfer.cb;
    return xfer.erc;
}

ERC SIMHOST::ErcEpRequest(uint8_t type, uint8_t endp)
{
    return ErcSimple(type, &endp, 1);
}

/* The completion (cancelled, with the bytes moved) arrives before the answer. */
ERC SIMHOST::ErcCancel(uint8_t endp)
{
    if (!rgxfer[endp].fPending || rgxfer[endp].fDone)
        return 0;
    ERC erc = ErcEpRequest(msgCancel, endp);
    if (erc == ercAbsUsbDeviceGone && fLost)
        return 0;
    return erc;
}

ERC SIMHOST::ErcResetEp(uint8_t endp)
{
    ERC erc = ErcEpRequest(msgResetEp, endp);
    rgxfer[endp].fPending = false;
    return erc;
}

} // namespace

YBUSBHOST *PybusbhostSimNew(const std::string &szAddr)
{
    return new (std::nothrow) SIMHOST(szAddr);
}
