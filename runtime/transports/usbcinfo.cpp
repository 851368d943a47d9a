/*
 * usbcinfo.cpp - the device-information codes of USB devices: FGetInfo and
 * FSetInfo, each over a temporary connection to the device (the open count
 * and the firmware catalogues need none).
 */
#include <stdio.h>
#include <string.h>

#include <vector>

#include "dvtopn.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
void CopyCatalog(const FWCAT &cat, void *pInfoGet)
{
    uint32_t c = (uint32_t)cat.cfwimg;
    memcpy(pInfoGet, &c, 4);
    memcpy((uint8_t *)pInfoGet + 4, cat.rgfwimg, sizeof(FWIMG) * c);
}
} // namespace

int USBC::FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet)
{
    static const char szFn[] = "USBC::FGetInfo";
    if (!FUsbcLock())
        return 0;
    int fOk = 0;
    char szPath[cchConnMax];
    if (szConnect == nullptr || !FSzDvcPathFromSzConn(szPath, szConnect, sizeof(szPath))) {
        FRecordErc(ercInternalError, "USBC::FGetInfo FSzDvcPathFromSzConn failed");
    } else if (pInfoGet == nullptr && dinfo != dinfoFX2Loader) {
        FRecordErc(ercInvalidParameter, "USBC::FGetInfo NULL pInfoGet");
    } else if (dinfo == dinfoOpenCount) {
        int32_t c = vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpUsbFirmware, szPath) : 0;
        memcpy(pInfoGet, &c, 4);
        fOk = 1;
    } else if (dinfo == dinfoHexCatalog || dinfo == dinfoIicCatalog || dinfo == dinfoImgCatalog) {
        CATLOCK lock(this);
        if (!lock.FLocked())
            memset(pInfoGet, 0, 4);   /* no image listed */
        else if (dinfo == dinfoHexCatalog)
            EnumFirmwareHex(), CopyCatalog(catHex, pInfoGet);
        else if (dinfo == dinfoIicCatalog)
            EnumFirmwareIic(), CopyCatalog(catIic, pInfoGet);
        else
            EnumFirmwareImg(), CopyCatalog(catImg, pInfoGet);
        fOk = 1;
    } else if (ABSUSB *pusb = PusbOpen(szPath, szFn, ercInternalError)) {
        fOk = FGetInfoDev(pusb, szConnect, dinfo, pInfoGet);
        UsbClose(pusb, szFn, &fOk);
    }
    FUsbcUnLock();
    return fOk;
}

int USBC::FGetInfoDev(ABSUSB *pusb, const char *szConnect, uint32_t dinfo, void *pv)
{
    char *sz = (char *)pv;
    switch (dinfo) {
    case dinfoUsrName: return FGetText(pusb, 0xE2, sz, 16, "USBC:FGetUsrName");
    case dinfoProdName: return FGetText(pusb, 0xE1, sz, 28, "USBC:FGetProdName");
    case dinfoOldVersionName: return FGetText(pusb, 0xE0, sz, 64, "USBC:FGetOldVersionName");
    case dinfoPDID:
    case dinfoProdId: {
        uint32_t pdid = 0;
        int f = FDevIdentify(pusb, &pdid, nullptr);
        if (dinfo == dinfoPDID)
            memcpy(pv, &pdid, 4);
        else {
            uint16_t w = (uint16_t)(pdid >> 20);
            memcpy(pv, &w, 2);
        }
        if (!f)
            FRecordErc(ercNotSupported, "USBC::FDevIdentify");
        return f;
    }
    case dinfoSN: return FGetSN(pusb, sz);
    case dinfoMAC: return FGetMAC(pusb, sz);
    case dinfoIP: {
        std::vector<uint8_t> rgb(1569);
        sz[0] = '\0';
        if (!FGetExact(pusb, 0xEF, rgb.data(), 1569, "USBC:FGetIPV4Status"))
            return 0;
        snprintf(sz, 16, "%u.%u.%u.%u", rgb[1], rgb[2], rgb[3], rgb[4]);
        return 1;
    }
    case dinfoDcap: {
        uint32_t dcap = 0;
        int f = FGetDcapAvail(pusb, &dcap);
        memcpy(pv, &dcap, 4);
        return f;
    }
    case dinfoConn: strcpy(sz, szConnect); return 1;
    case dinfoFWVER: return FGetFWVER(pusb, (uint16_t *)pv);
    case dinfoIPV4Config: return FGetExact(pusb, 0xEE, pv, 1561, "USBC:FGetIPV4Config");
    case dinfoIPV4Status: return FGetExact(pusb, 0xEF, pv, 1569, "USBC:FGetIPV4Status");
    case dinfoUsbSpeed: return FGetExact(pusb, 0xDD, pv, 6, "USBC:FGetUsbSpeed");
    case dinfoUsbVbusCurrent: return FGetExact(pusb, 0xD9, pv, 5, "USBC:FGetUsbVbusCurrent");
    case dinfoDcapCur: {
        uint32_t dcap = 0;
        int f = FGetDcapCur(pusb, &dcap);
        memcpy(pv, &dcap, 4);
        return f;
    }
    case dinfoFWVERRom: return FGetFWVERRom(pusb, (uint16_t *)pv);
    case dinfoDcapDev: {
        uint32_t rgdcap[2];
        int f = FGetDcapDev(pusb, &rgdcap[0], &rgdcap[1]);
        memcpy(pv, rgdcap, 8);
        return f;
    }
    case dinfoUsbBootProdName:
    case dinfoUsbProdName: {
        bool fBoot = dinfo == dinfoUsbBootProdName;
        memset(sz, 0, 65);
        if (FGetExact(pusb, fBoot ? 0xDE : 0xDF, sz, 64,
                      fBoot ? "USBC::FGetUsbBootProdName" : "USBC::FGetUsbProdName"))
            return 1;
        sz[0] = '\0';      /* a short answer leaves no part of a name */
        return 0;
    }
    case dinfoUsbVID: return FGetExact(pusb, 0xDB, pv, 2, "USBC:FGetUsbVID");
    case dinfoUsbPID: return FGetExact(pusb, 0xDC, pv, 2, "USBC:FGetUsbPID");
    case dinfoE2PROMFile: return FE2PROMReadFile(pusb, sz);
    case dinfoFirmwareMemParam: return FGetExact(pusb, 0xB1, pv, 16, "USBC::FGetFirmwareMemParam");
    case dinfoUpdateStatus: return FGetExact(pusb, 0xBA, pv, 4, "USBC::FGetUpdateStatus");
    case dinfoReadEepromData: {
        FWUPDREQ *preq = (FWUPDREQ *)pv;
        return FFwUpdateStep(pusb, true, 0xB8, preq->wValue, preq->pb, preq->cb, "USBC::FReadEepromData");
    }
    case dinfoReadFX3Eeprom: return FReadFX3Mem(pusb, (FX3XFER *)pv, true);
    case dinfoReadFX3SpiFlash: return FReadFX3Mem(pusb, (FX3XFER *)pv, false);
    case dinfoFX3SpiFlash: return FIsFX3SpiFlashReady(pusb, (int *)pv);
    case dinfoFX2RevClass: *(uint8_t *)pv = GetFX2RevClass(pusb); return 1;
    default: return FRecordErc(ercNotSupported, "USBC::FGetInfo unsupported device attribute"), 0;
    }
}

int USBC::FSetInfo(const char *szConnect, uint32_t dinfo, void *pInfoSet)
{
    static const char szFn[] = "USBC::FSetInfo";
    if (!FUsbcLock())
        return 0;
    int fOk = 0;
    char szPath[cchConnMax];
    bool fNoValue = dinfo == 1100 || dinfo == 1111 || dinfo == dinfoFX2Loader || dinfo == dinfoReNumerate ||
                    dinfo == dinfoReset;
    if (szConnect == nullptr || !FSzDvcPathFromSzConn(szPath, szConnect, sizeof(szPath))) {
        FRecordErc(ercInternalError, "USBC::FSetInfo FSzDvcPathFromSzConn failed");
    } else if (pInfoSet == nullptr && !fNoValue) {
        FRecordErc(ercInvalidParameter, "USBC::FSetInfo NULL pInfoSet");
    } else if (ABSUSB *pusb = PusbOpen(szPath, szFn, ercInternalError)) {
        fOk = FSetInfoDev(pusb, dinfo, pInfoSet);
        UsbClose(pusb, szFn, &fOk);
    }
    FUsbcUnLock();
    return fOk;
}

int USBC::FSetInfoDev(ABSUSB *pusb, uint32_t dinfo, void *pv)
{
    const char *sz = (const char *)pv;
    uint8_t rgb[64];
    memset(rgb, 0, sizeof(rgb));
    switch (dinfo) {
    case dinfoUsrName:
        if (!FCheckSzUsrName(sz))
            return FRecordErc(ercInvalidParameter, "USBC::FSetUsrName"), 0;
        memcpy(rgb, sz, strlen(sz));
        return FSendVendReq(pusb, 0xE3, rgb, 16);
    case dinfoProdName:
        if (strlen(sz) >= 29)
            return FRecordErc(ercInvalidParameter, "USBC::FSetProdName"), 0;
        memcpy(rgb, sz, strlen(sz));
        return FSendVendReq(pusb, 0xE1, rgb, 28) || FSetE2PROMField(pusb, 0x3FA0, 0xABCD, rgb, 28);
    case dinfoPDID:
        memcpy(rgb, pv, 4);
        return FSendVendReq(pusb, 0xE9, rgb, 4) || FSetE2PROMField(pusb, 0x3FF0, 0xABCD, rgb, 4);
    case dinfoSN:
        if (!FCheckSzSN(sz))
            return FRecordErc(ercInvalidParameter, "USBC::FSetSN"), 0;
        return FSendVendReq(pusb, 0xE5, sz + 3, 12);
    case dinfoIPV4Config: return FSendVendReq(pusb, 0xEE, 0, pv, 1561);
    case dinfoFWVERRom:
        memcpy(rgb, pv, 2);
        return FSendVendReq(pusb, 0xEB, rgb, 2) || FSetE2PROMField(pusb, 0x3FF8, 0xABCD, rgb, 2);
    case dinfoUsbBootProdName:
    case dinfoUsbProdName: {
        bool fBoot = dinfo == dinfoUsbBootProdName;
        if (strlen(sz) > 64)
            return FRecordErc(ercInvalidParameter, fBoot ? "USBC::FSetUsbBootProdName" : "USBC::FSetUsbProdName"), 0;
        memcpy(rgb, sz, strlen(sz));
        if (FSendVendReq(pusb, fBoot ? 0xDE : 0xDF, rgb, 64))
            return 1;
        return FRecordErc(ercControlTransferFailed, fBoot ? "USBC::FSetUsbBootProdName failed to set USB product name"
                                                          : "USBC::FSetUsbProdName failed to set USB product name"),
               0;
    }
    case dinfoUsbVID:
    case dinfoUsbPID: {
        bool fVid = dinfo == dinfoUsbVID;
        memcpy(rgb, pv, 2);
        if (FSendVendReq(pusb, fVid ? 0xDB : 0xDC, rgb, 2))
            return 1;
        return FRecordErc(ercControlTransferFailed, fVid ? "USBC::FSetUsbVID failed to set USB Vendor ID"
                                                         : "USBC::FSetUsbPID failed to set USB Product ID"),
               0;
    }
    case dinfoBeginFirmwareUpdate: return FSendVendReq(pusb, 0xB0, nullptr, 0);
    case dinfoHighAddress: return FFwUpdateStep(pusb, false, 0xB2, *(const uint16_t *)pv, nullptr, 0, "USBC::FSetHighAddress");
    case dinfoLoadPageBuffer:
    case dinfoEraseFlashPage:
    case dinfoWritePageBuffer:
    case dinfoVerifyPageBuffer: {
        static const char *const rgszFail[] = {"USBC::FLoadPageBuffer", "USBC::FEraseFlashPage", nullptr,
                                               "USBC::FWritePageBuffer", "USBC::FVerifyPageBuffer"};
        const FWUPDREQ *preq = (const FWUPDREQ *)pv;
        return FFwUpdateStep(pusb, false, (uint8_t)(0xB3 + (dinfo - dinfoLoadPageBuffer)), preq->wValue, nullptr, 0,
                             rgszFail[dinfo - dinfoLoadPageBuffer]);
    }
    case dinfoFillPageBuffer:
    case dinfoWriteEepromData: {
        const FWUPDREQ *preq = (const FWUPDREQ *)pv;
        bool fFill = dinfo == dinfoFillPageBuffer;
        return FFwUpdateStep(pusb, false, fFill ? 0xB5 : 0xB9, preq->wValue, preq->pb, preq->cb,
                             fFill ? "USBC::FFillPageBuffer" : "USBC::FWriteEepromData");
    }
    case dinfoEndFirmwareUpdate: return FFwUpdateStep(pusb, false, 0xBB, 0, nullptr, 0, "USBC::FEndFirmwareUpdate");
    case dinfoFX2HexFile: return FDownloadFX2HexFile(pusb, sz);
    case dinfoE2PROMFile: return FE2PROMWriteFile(pusb, sz);
    case dinfoFX2Loader: return FLoadFX2Loader(pusb);
    case dinfoWriteFX3Eeprom: return FWriteFX3Mem(pusb, (FX3XFER *)pv, true);
    case dinfoFX3SpiFlash: return FWriteFX3Mem(pusb, (FX3XFER *)pv, false);
    case dinfoEraseFX3SpiFlashBlock: return FEraseFX3SpiFlashBlock(pusb, (const uint16_t *)pv);
    case dinfoReNumerate: return FSendReNumerate(pusb);
    case dinfoReset: return FDevReset(pusb);
    default: return FRecordErc(ercNotSupported, "USBC::FSetInfo unsupported device attribute"), 0;
    }
}

/* One request of the firmware-update protocol; all data bytes must move. */
int USBC::FFwUpdateStep(ABSUSB *pusb, bool fIn, uint8_t bReq, uint16_t wValue, uint8_t *pb, uint16_t cb,
                        const char *szFail)
{
    uint32_t cbDone = 0;
    if (cb > 0 && pb == nullptr)
        return FRecordErc(ercInvalidParameter, szFail), 0;
    if (FVendReq(pusb, fIn, bReq, wValue, 0, cb, pb, &cbDone) && cbDone == cb)
        return 1;
    return FRecordErc(ercControlTransferFailed, szFail), 0;
}
