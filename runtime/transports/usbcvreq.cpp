/*
 * usbcvreq.cpp - the vendor requests of the maker's USB firmware: the
 * write-key handshake, the old-firmware path, E2PROM and RAM access, the
 * getters and the legacy parameter block at the end of the E2PROM.
 */
#include <stdlib.h>
#include <string.h>

#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint16_t keySubstSend = 0x5A3C;
const uint16_t keySubstE2prom = 0x4B2D;
const uint16_t keySubstEram = 0x3C1E;
const uint8_t bReqKey = 0xE8;
const uint16_t fwverOld1 = 0x0201, fwverOld2 = 0x0202;
const uint16_t addrParams = 0x3FA0;
const uint16_t cbParams = 96;
const uint16_t addrCpucs = 0xE600, addrRevid = 0xE60A;

bool FOldFirmware(uint16_t fwver) { return fwver == fwverOld1 || fwver == fwverOld2; }
} // namespace

uint16_t UsbVidMaker()
{
    const char *sz = getenv("YORL_USB_VID");
    if (sz == nullptr || *sz == '\0')
        return 0xFFF0;
    return (uint16_t)strtoul(sz, nullptr, 16);
}

uint16_t USBC::KeyNew(uint16_t keySubst)
{
    uint16_t key = (uint16_t)pabsutil->GetTickMs();
    return key ? key : keySubst;
}

int USBC::FVendReq(ABSUSB *pusb, bool fIn, uint8_t bReq, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                   void *pb, uint32_t *pcb)
{
    uint32_t cb = 0;
    int f = pusb->VendorRequest(fIn, bReq, wValue, wIndex, wLength, pb, &cb, tmsVendReq);
    if (pcb)
        *pcb = cb > wLength ? wLength : cb;
    return f;
}

namespace {
int FSendKey(USBC *pusbc, ABSUSB *pusb, uint16_t key, uint32_t *pcb)
{
    uint8_t rgb[2] = {(uint8_t)key, (uint8_t)(key >> 8)};
    return pusbc->FVendReq(pusb, false, bReqKey, 0, 0, 2, rgb, pcb);
}
} // namespace

int USBC::FSendVendReq(ABSUSB *pusb, uint8_t bReq, const void *pb, uint16_t cb)
{
    uint16_t key = KeyNew(keySubstSend);
    uint32_t cbDone = 0;
    if (!FSendKey(this, pusb, key, &cbDone) || cbDone != 2) {
        uint16_t fwver = 0;
        if (FGetExact(pusb, 0xE6, &fwver, 2, nullptr) && FOldFirmware(fwver))
            return FSendVendReq21(pusb, bReq, pb, cb);
    } else if (FVendReq(pusb, false, bReq, 0, key, cb, const_cast<void *>(pb), &cbDone) && cbDone == cb &&
               FSendKey(this, pusb, 0, &cbDone) && cbDone == 2) {
        return 1;
    }
    FSendKey(this, pusb, 0, &cbDone);
    return FRecordErc(ercControlTransferFailed, "USBC:FSendVendReq"), 0;
}

int USBC::FSendVendReq(ABSUSB *pusb, uint8_t bReq, uint16_t wValue, const void *pb, uint16_t cb)
{
    uint16_t key = KeyNew(keySubstSend);
    uint32_t cbDone = 0;
    if (FSendKey(this, pusb, key, &cbDone) && cbDone == 2 &&
        FVendReq(pusb, false, bReq, wValue, key, cb, const_cast<void *>(pb), &cbDone) && cbDone == cb &&
        FSendKey(this, pusb, 0, &cbDone) && cbDone == 2)
        return 1;
    FSendKey(this, pusb, 0, &cbDone);
    return FRecordErc(ercControlTransferFailed, "USBC:FSendVendReq"), 0;
}

namespace {
/* Chunks of at most 62 bytes followed by the vendor id; wValue from addr
 * when fAddr (advancing by each chunk). */
int FSendOld(USBC *pusbc, ABSUSB *pusb, uint8_t bReq, bool fAddr, uint16_t addr, const void *pv, uint32_t cb,
             const char *szFail)
{
    const uint8_t *pb = (const uint8_t *)pv;
    uint16_t vid = UsbVidMaker();
    while (cb > 0) {
        uint32_t cbChunk = cb > 62 ? 62 : cb;
        uint8_t rgb[64];
        memcpy(rgb, pb, cbChunk);
        rgb[cbChunk] = (uint8_t)vid;
        rgb[cbChunk + 1] = (uint8_t)(vid >> 8);
        uint32_t cbDone = 0;
        if (!pusbc->FVendReq(pusb, false, bReq, fAddr ? addr : 0, 0, (uint16_t)(cbChunk + 2), rgb, &cbDone) ||
            cbDone != cbChunk + 2)
            return FRecordErc(ercControlTransferFailed, szFail), 0;
        pb += cbChunk;
        cb -= cbChunk;
        addr = (uint16_t)(addr + cbChunk);
    }
    return 1;
}
} // namespace

/*
 * Old firmware cannot take a request without data: every request of this
 * path carries the vendor id. A data-less command (renumerate, begin an
 * update, an empty account name) therefore reaches nothing and must not be
 * reported as done.
 */
int USBC::FSendVendReq21(ABSUSB *pusb, uint8_t bReq, const void *pb, uint32_t cb)
{
    if (cb == 0)
        return FRecordErc(ercControlTransferFailed, "USBC:FSendVendReq21"), 0;
    return FSendOld(this, pusb, bReq, false, 0, pb, cb, "USBC:FSendVendReq21");
}

int USBC::FE2PROMRead(ABSUSB *pusb, uint16_t addr, void *pb, uint16_t cb)
{
    uint32_t cbDone = 0;
    if (FVendReq(pusb, true, 0xA2, addr, 0, cb, pb, &cbDone) && cbDone == cb)
        return 1;
    return FRecordErc(ercControlTransferFailed, "USBC:FE2PROMRead"), 0;
}

int USBC::FE2PROMWrite(ABSUSB *pusb, uint16_t addr, const void *pv, uint16_t cb)
{
    const uint8_t *pb = (const uint8_t *)pv;
    uint16_t key = KeyNew(keySubstE2prom);
    uint32_t cbDone = 0;
    if (!FSendKey(this, pusb, key, &cbDone)) {
        uint16_t fwver = 0;
        if (FGetExact(pusb, 0xE6, &fwver, 2, nullptr) && FOldFirmware(fwver))
            return FSendOld(this, pusb, 0xA2, true, addr, pb, cb, "USBC:FE2PROMWrite21");
    } else {
        uint16_t cbFirst = (uint16_t)(64 - addr % 64);
        if (cbFirst > cb)
            cbFirst = cb;
        bool fOk = true;
        if (cbFirst > 0)
            fOk = FVendReq(pusb, false, 0xA2, addr, key, cbFirst, const_cast<uint8_t *>(pb), &cbDone) &&
                  cbDone == cbFirst;
        uint16_t cbRest = (uint16_t)(cb - cbFirst);
        if (fOk && cbRest > 0)
            fOk = FVendReq(pusb, false, 0xA2, (uint16_t)(addr + cbFirst), key, cbRest,
                           const_cast<uint8_t *>(pb + cbFirst), &cbDone) &&
                  cbDone == cbRest;
        if (fOk && FSendKey(this, pusb, 0, &cbDone) && cbDone == 2)
            return 1;
    }
    FSendKey(this, pusb, 0, &cbDone);
    return FRecordErc(ercControlTransferFailed, "USBC:FE2PROMWrite"), 0;
}

int USBC::FERAMRead(ABSUSB *pusb, uint16_t addr, void *pb, uint16_t cb)
{
    uint32_t cbDone = 0;
    if (FVendReq(pusb, true, 0xA3, addr, 0, cb, pb, &cbDone) && cbDone == cb)
        return 1;
    return FRecordErc(ercControlTransferFailed, "USBC:FERAMRead"), 0;
}

int USBC::FERAMWrite(ABSUSB *pusb, uint16_t addr, const void *pb, uint16_t cb)
{
    uint16_t key = KeyNew(keySubstEram);
    uint32_t cbDone = 0;
    if (!FSendKey(this, pusb, key, &cbDone) || cbDone != 2) {
        uint16_t fwver = 0;
        if (FGetExact(pusb, 0xE6, &fwver, 2, nullptr) && FOldFirmware(fwver))
            return FSendOld(this, pusb, 0xA3, true, addr, pb, cb, "USBC:FERAMWrite21");
    } else if (FVendReq(pusb, false, 0xA3, addr, key, cb, const_cast<void *>(pb), &cbDone) && cbDone == cb &&
               FSendKey(this, pusb, 0, &cbDone) && cbDone == 2) {
        return 1;
    }
    FSendKey(this, pusb, 0, &cbDone);
    return FRecordErc(ercControlTransferFailed, "USBC:FERAMWrite"), 0;
}

int USBC::FRAMWrite(ABSUSB *pusb, uint16_t addr, const void *pb, uint16_t cb)
{
    uint32_t cbDone = 0;
    if (FVendReq(pusb, false, 0xA0, addr, 0, cb, const_cast<void *>(pb), &cbDone) && cbDone == cb)
        return 1;
    return FRecordErc(ercControlTransferFailed, "USBC:FRAMWrite"), 0;
}

int USBC::FSetFX2CpuReset(ABSUSB *pusb, int fHold)
{
    uint8_t b = fHold ? 1 : 0;
    return FRAMWrite(pusb, addrCpucs, &b, 1);
}

uint8_t USBC::GetFX2RevClass(ABSUSB *pusb)
{
    uint8_t rev = 0;
    uint32_t cbDone = 0;
    if (!FVendReq(pusb, true, 0xA3, addrRevid, 0, 1, &rev, &cbDone) || cbDone != 1)
        return 3;
    if (rev == 0 || rev == 2 || rev == 4)
        return 1;
    return rev == 1 ? 2 : 0;
}

/* A text of up to cchMax bytes; it ends after the bytes received. */
int USBC::FGetText(ABSUSB *pusb, uint8_t bReq, char *sz, uint16_t cchMax, const char *szFail)
{
    uint32_t cb = 0;
    memset(sz, 0, cchMax + 1u);
    if (FVendReq(pusb, true, bReq, 0, 0, cchMax, sz, &cb)) {
        sz[cb] = '\0';
        return 1;
    }
    sz[0] = '\0';
    if (szFail)
        FRecordErc(ercControlTransferFailed, szFail);
    return 0;
}

/* Exactly cb bytes; szFail NULL records nothing. */
int USBC::FGetExact(ABSUSB *pusb, uint8_t bReq, void *pb, uint16_t cb, const char *szFail)
{
    uint32_t cbDone = 0;
    if (FVendReq(pusb, true, bReq, 0, 0, cb, pb, &cbDone) && cbDone == cb)
        return 1;
    if (szFail)
        FRecordErc(ercControlTransferFailed, szFail);
    return 0;
}

int USBC::FGetSN(ABSUSB *pusb, char *szSN)
{
    char rgch[12];
    memcpy(szSN, "SN:", 4);
    if (!FGetExact(pusb, 0xE4, rgch, 12, "USBC:FGetSN"))
        return 0;
    memcpy(szSN + 3, rgch, 12);
    szSN[15] = '\0';
    return 1;
}

int USBC::FGetMAC(ABSUSB *pusb, char *szMAC)
{
    char rgch[17];
    memcpy(szMAC, "MAC:", 5);
    if (!FGetExact(pusb, 0xED, rgch, 17, "USBC:FGetMAC"))
        return 0;
    memcpy(szMAC + 4, rgch, 17);
    szMAC[21] = '\0';
    return 1;
}

int USBC::FGetPDID(ABSUSB *pusb, uint32_t *ppdid)
{
    uint8_t rgb[4];
    *ppdid = 0;
    if (!FGetExact(pusb, 0xE9, rgb, 4, "USBC:FGetPDID"))
        return 0;
    *ppdid = (uint32_t)rgb[0] | (uint32_t)rgb[1] << 8 | (uint32_t)rgb[2] << 16 | (uint32_t)rgb[3] << 24;
    return 1;
}

int USBC::FGetFWVER(ABSUSB *pusb, uint16_t *pfwver)
{
    uint8_t rgb[2];
    *pfwver = 0;
    if (!FGetExact(pusb, 0xE6, rgb, 2, "USBC:FGetFWVER"))
        return 0;
    *pfwver = (uint16_t)(rgb[0] | rgb[1] << 8);
    return 1;
}

int USBC::FGetFWVERRom(ABSUSB *pusb, uint16_t *pfwver)
{
    uint8_t rgb[2];
    *pfwver = 0;
    if (FGetExact(pusb, 0xEB, rgb, 2, "USBC:FGetFWVERRom")) {
        *pfwver = (uint16_t)(rgb[0] | rgb[1] << 8);
        return 1;
    }
    return FReadE2PROMParams(pusb, nullptr, nullptr, nullptr, nullptr, pfwver);
}

namespace {
/* A field is valid when its tag matches and tag, data and check sum to 0. */
bool FParamField(const uint8_t *pbBlock, uint16_t addr, uint16_t tag, uint16_t cb, void *pvOut)
{
    const uint8_t *pb = pbBlock + (addr - addrParams);
    uint8_t sum = 0;
    for (uint16_t ib = 0; ib < cb + 3u; ib++)
        sum = (uint8_t)(sum + pb[ib]);
    bool fValid = (uint16_t)(pb[0] | pb[1] << 8) == tag && sum == 0;
    if (fValid)
        memcpy(pvOut, pb + 2, cb);
    else
        memset(pvOut, 0, cb);
    return fValid;
}
} // namespace

int USBC::FReadE2PROMParams(ABSUSB *pusb, uint32_t *ppdid, char *szSN, char *szUsrName, char *szProdName,
                            uint16_t *pfwverRom)
{
    uint8_t rgb[cbParams];
    if (!FE2PROMRead(pusb, addrParams, rgb, cbParams))
        return 0;
    int fOk = 1;
    if (ppdid) {
        uint8_t rgbPdid[4];
        fOk &= FParamField(rgb, 0x3FF0, 0xABCD, 4, rgbPdid);
        *ppdid = (uint32_t)rgbPdid[0] | (uint32_t)rgbPdid[1] << 8 | (uint32_t)rgbPdid[2] << 16 |
                 (uint32_t)rgbPdid[3] << 24;
    }
    if (szSN) {
        memcpy(szSN, "SN:", 3);
        fOk &= FParamField(rgb, 0x3FE0, 0x5678, 12, szSN + 3);
        szSN[15] = '\0';
    }
    if (szUsrName) {
        fOk &= FParamField(rgb, 0x3FC0, 0xABCD, 16, szUsrName);
        szUsrName[16] = '\0';
    }
    if (szProdName) {
        fOk &= FParamField(rgb, 0x3FA0, 0xABCD, 28, szProdName);
        szProdName[28] = '\0';
    }
    if (pfwverRom) {
        uint8_t rgbVer[2];
        fOk &= FParamField(rgb, 0x3FF8, 0xABCD, 2, rgbVer);
        *pfwverRom = (uint16_t)(rgbVer[0] | rgbVer[1] << 8);
    }
    return fOk;
}

int USBC::FSetE2PROMField(ABSUSB *pusb, uint16_t addr, uint16_t tag, const void *pb, uint16_t cb)
{
    uint8_t rgb[40];
    if (cb > sizeof(rgb) - 3)
        return 0;
    rgb[0] = (uint8_t)tag;
    rgb[1] = (uint8_t)(tag >> 8);
    memcpy(rgb + 2, pb, cb);
    uint8_t sum = 0;
    for (uint16_t ib = 0; ib < cb + 2u; ib++)
        sum = (uint8_t)(sum + rgb[ib]);
    rgb[cb + 2] = (uint8_t)(0u - sum);
    return FE2PROMWrite(pusb, addr, rgb, (uint16_t)(cb + 3));
}

/*
 * The device leaves the bus as it takes 0xEA, so taking the key back can
 * fail without anything having gone wrong: the request itself decides.
 */
int USBC::FSendReNumerate(ABSUSB *pusb)
{
    uint16_t key = KeyNew(keySubstSend);
    uint32_t cbDone = 0;
    if (!FSendKey(this, pusb, key, &cbDone) || cbDone != 2) {
        uint16_t fwver = 0;
        if (FGetExact(pusb, 0xE6, &fwver, 2, nullptr) && FOldFirmware(fwver))
            return FSendVendReq21(pusb, 0xEA, nullptr, 0);      /* cannot be sent there */
    } else if (FVendReq(pusb, false, 0xEA, 0, key, 0, nullptr, &cbDone)) {
        FSendKey(this, pusb, 0, &cbDone);
        return 1;
    }
    FSendKey(this, pusb, 0, &cbDone);
    return FRecordErc(ercControlTransferFailed, "USBC:FSendVendReq"), 0;
}
