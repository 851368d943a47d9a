/*
 * usbcident.cpp - identifying a device (its pdid, also for old firmware),
 * validating its firmware against requested capabilities (loading an FX2
 * or FX3 image where needed), and finding it again after renumeration.
 */
#include <stdio.h>
#include <string.h>

#include <new>
#include <vector>

#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint32_t tmsRenumMax = 5000;

uint32_t PdidFromShort(uint32_t pdid)
{
    if ((pdid & 0x0FFFFF00u) != 0)
        return pdid;
    switch (pdid & 0xFF) {
    case 1: return 0x30100101;
    case 2: return 0x30200102;
    case 3: return 0x30100203;
    case 4: return 0x30200204;
    case 5: return 0x00100005;
    case 6: return 0x00500106;
    default: return pdid;
    }
}

bool FCovers(uint32_t dcapPub, uint32_t dcapPriv, uint32_t dcap)
{
    return (TvxTstFsadm(fsadmDcapPub) && (dcapPub & dcap) == dcap) ||
           (TvxTstFsadm(fsadmDcapPriv) && (dcapPriv & dcap) == dcap);
}

uint32_t DcapGated(uint32_t dcapPub, uint32_t dcapPriv)
{
    return (TvxTstFsadm(fsadmDcapPub) ? dcapPub : 0) | (TvxTstFsadm(fsadmDcapPriv) ? dcapPriv : 0);
}
} // namespace

int USBC::FGetDcapDev(ABSUSB *pusb, uint32_t *pdcapPub, uint32_t *pdcapPriv)
{
    uint8_t rgb[8];
    *pdcapPub = *pdcapPriv = 0;
    if (!FGetExact(pusb, 0xE7, rgb, 8, "USBC:FGetDCAPCur"))
        return 0;
    *pdcapPub = (uint32_t)rgb[0] | (uint32_t)rgb[1] << 8 | (uint32_t)rgb[2] << 16 | (uint32_t)rgb[3] << 24;
    *pdcapPriv = (uint32_t)rgb[4] | (uint32_t)rgb[5] << 8 | (uint32_t)rgb[6] << 16 | (uint32_t)rgb[7] << 24;
    return 1;
}

int USBC::FGetDcapCur(ABSUSB *pusb, uint32_t *pdcap)
{
    uint32_t dcapPub, dcapPriv;
    *pdcap = 0;
    if (!FGetDcapDev(pusb, &dcapPub, &dcapPriv))
        return 0;
    *pdcap = DcapGated(dcapPub, dcapPriv);
    return 1;
}

int USBC::FGetDcapFromCatalog(uint8_t fwid, uint32_t *pdcap)
{
    CATLOCK lock(this);
    if (!lock.FLocked())
        return 0;
    const FWCAT *pcat;
    bool fFx2 = fwid >= 1 && fwid <= 25;
    if (fFx2) {
        EnumFirmwareHex();
        pcat = &catHex;
    } else if (fwid >= 128 && fwid <= 159) {
        EnumFirmwareImg();
        pcat = &catImg;
    } else {
        return 0;
    }
    uint32_t dcap = 0;
    bool fAny = false;
    for (int32_t i = 0; i < pcat->cfwimg; i++) {
        const FWIMG &img = pcat->rgfwimg[i];
        if (img.fwid != fwid || (fFx2 && (img.fwver >> 8) < 3))
            continue;
        dcap |= DcapGated(img.dcapPub, img.dcapPriv);
        fAny = true;
    }
    *pdcap = dcap;
    return fAny;
}

int USBC::FGetDcapAvail(ABSUSB *pusb, uint32_t *pdcap)
{
    uint32_t pdid = 0;
    *pdcap = 0;
    if (FDevIdentify(pusb, &pdid, nullptr)) {
        uint8_t fwid = (uint8_t)pdid;
        if (((fwid >= 1 && fwid <= 25) || (fwid >= 128 && fwid <= 159)) && FGetDcapFromCatalog(fwid, pdcap))
            return 1;
    }
    return FGetDcapCur(pusb, pdcap);
}

int USBC::FDevIdentify(ABSUSB *pusb, uint32_t *ppdid, int *pfRenum)
{
    int fRenum = 1;
    uint32_t pdid = 0;
    uint8_t rgb[4];
    char szProd[29];
    if (FGetExact(pusb, 0xE9, rgb, 4, nullptr) &&
        (pdid = (uint32_t)rgb[0] | (uint32_t)rgb[1] << 8 | (uint32_t)rgb[2] << 16 | (uint32_t)rgb[3] << 24) != 0) {
        pdid = PdidFromShort(pdid);
        fRenum = 0;
    } else if (FGetText(pusb, 0xE1, szProd, 28, nullptr)) {
        bool fKorv = strcmp(szProd, "KorvanelUsb2") == 0, fOnb = strcmp(szProd, "VOnbUsb1 V2.0") == 0;
        bool fCab = strcmp(szProd, "VCabUsb1 V2.0") == 0 || strcmp(szProd, "VCabUsb1 V0.0") == 0;
        bool fMod = strcmp(szProd, "VModUsb1 V2.0") == 0 || strcmp(szProd, "VModUsb1 V0.0") == 0;
        if (fOnb || strcmp(szProd, "VCabUsb1 V2.0") == 0 || strcmp(szProd, "VModUsb1 V2.0") == 0)
            fRenum = 0;
        pdid = 0;
        if (!FReadE2PROMParams(pusb, &pdid, nullptr, nullptr, nullptr, nullptr) || pdid == 0) {
            pdid = 0;
            if (fKorv || fOnb) {
                uint32_t dcap = 0;
                FGetDcapCur(pusb, &dcap);
                pdid = (dcap & 0x10) ? 0x00500106 : 0x00100005;
            } else if (fCab || fMod) {
                uint8_t cls = GetFX2RevClass(pusb);
                if (cls == 2)
                    pdid = fCab ? 0x30100203 : 0x30200204;
                else if (cls == 1)
                    pdid = fCab ? 0x30100101 : 0x30200102;
            }
        }
    }
    if (ppdid)
        *ppdid = pdid;
    if (pfRenum)
        *pfRenum = fRenum;
    return pdid != 0;
}

int USBC::FDevValidate(ABSUSB *pusb, const char *szDvcPath, uint32_t dcap)
{
    uint32_t pdid = 0;
    int fRenum = 1;
    if (!FDevIdentify(pusb, &pdid, &fRenum))
        return FRecordErc(ercNotSupported, "USBC::FDevValidate FDevIdentify"), 0;
    uint8_t fwid = (uint8_t)pdid;
    if (fwid >= 32 && fwid <= 63) {
        uint32_t dcapCur = 0;
        if (!FGetDcapCur(pusb, &dcapCur))
            return 0;
        if ((dcapCur & dcap) == dcap)
            return 1;
        return FRecordErc(ercNotSupported, "USBC::FDevValidate capability not supported"), 0;
    }
    if (fwid >= 1 && fwid <= 25)
        return FDevFX2Validate(pusb, szDvcPath, dcap, fwid, fRenum);
    if (fwid >= 128 && fwid <= 159)
        return FDevFX3Validate(pusb, dcap, fwid, 1);
    return FRecordErc(ercNotSupported, "USBC::FDevValidate fwid range not supported"), 0;
}

int USBC::FDevFX2Validate(ABSUSB *pusb, const char *szDvcPath, uint32_t dcap, uint8_t fwid, int fRenum)
{
    if (fRenum && szDvcPath == nullptr)
        return FRecordErc(ercInternalError, "USBC::FDevFX2Validate requires renum but device path not provided"), 0;
    uint16_t fwver = 0;
    if (!FGetExact(pusb, 0xE6, &fwver, 2, nullptr))
        fwver = 0;
    if ((fwver >> 8) == 3) {
        uint32_t dcapPub, dcapPriv;
        if (!FGetDcapDev(pusb, &dcapPub, &dcapPriv))
            return 0;
        if ((dcapPub || dcapPriv) && FCovers(dcapPub, dcapPriv, dcap))
            return 1;
    }
    /* The chosen entry is copied: an enumeration may refresh the catalogue meanwhile. */
    FWIMG imgChosen;
    const FWIMG *pimg = nullptr;
    {
        CATLOCK lock(this);
        if (lock.FLocked())
            EnumFirmwareHex();
        for (int32_t i = 0; lock.FLocked() && i < catHex.cfwimg && pimg == nullptr; i++) {
            const FWIMG &img = catHex.rgfwimg[i];
            if (img.fwid == fwid && (img.fwver >> 8) == 3 && FCovers(img.dcapPub, img.dcapPriv, dcap))
                pimg = &(imgChosen = img);
        }
    }
    if (pimg == nullptr)
        return FRecordErc(ercNotSupported, "USBC::FDevFX2Validate not image found"), 0;
    FX2IMG *pfx2 = new (std::nothrow) FX2IMG;
    if (pfx2 == nullptr)
        return FRecordErc(ercInsufficientResources, "USBC::FDevFX2Validate image read failed"), 0;
    if (FReadHexFile(pimg->szPath, pfx2) == 0) {
        delete pfx2;
        return FRecordErc(ercConfigFileError, "USBC::FDevFX2Validate image read failed"), 0;
    }
    int fOk = FWriteFX2FirmwareImg2RAM(pusb, pfx2);
    delete pfx2;
    if (!fOk || (fRenum && !FDevReNumerate(pusb)))
        return 0;
    uint32_t dcapCur = 0;
    if (!FGetDcapCur(pusb, &dcapCur))
        return 0;
    if ((dcapCur & dcap) == dcap)
        return 1;
    return FRecordErc(ercConfigFileError, "USBC::FDevValidate probably the firmware image file was renamed"), 0;
}

int USBC::FDevFX3Validate(ABSUSB *pusb, uint32_t dcap, uint8_t fwid, int fReconnect)
{
    uint32_t dcapPub, dcapPriv;
    uint8_t section = 0;
    if (!FGetDcapDev(pusb, &dcapPub, &dcapPriv) || !FGetExact(pusb, 0xD0, &section, 1, "USBC:FGetFwImgSection"))
        return 0;
    if (section != 1 && section != 2)
        return 0;
    if ((dcapPub || dcapPriv) && FCovers(dcapPub, dcapPriv, dcap))
        return 1;
    char szSN[16] = "";
    if (fReconnect && !FGetSN(pusb, szSN))
        return FRecordErc(ercInternalError, "USBC::FDevFX3Validate failed to get serial number"), 0;
    FWIMG imgChosen;
    const FWIMG *pimg = nullptr;
    {
        CATLOCK lock(this);
        if (lock.FLocked())
            EnumFirmwareImg();
        if (section != 2)
            return FRecordErc(ercInternalError, "USBC::FDevFX3Validate device is executing from APP section of RAM"), 0;
        for (int32_t i = 0; lock.FLocked() && i < catImg.cfwimg && pimg == nullptr; i++) {
            const FWIMG &img = catImg.rgfwimg[i];
            if (img.fwid == fwid && (img.dcapPub || img.dcapPriv) && FCovers(img.dcapPub, img.dcapPriv, dcap))
                pimg = &(imgChosen = img);
        }
    }
    if (pimg == nullptr)
        return FRecordErc(ercNotSupported, "USBC::FDevFX3Validate not image found"), 0;
    if (!FWriteFX3FirmwareImg2RAM(pusb, pimg->szPath))
        return FRecordErc(ercNotSupported, "USBC::FDevFX3Validate failed to download application firwmare image"), 0;
    pabsutil->SleepMs(20);
    if (fReconnect && !FDevReconnect(pusb, szSN))
        return FRecordErc(ercControlTransferFailed, "USBC::FDevFX3Validate failed to reconnect to device 2"), 0;
    return 1;
}

namespace {
struct RECONNECT {
    const char *szDisconnect;
    const char *szEnumerate;
    const char *szPathByIdx;
    const char *szDisconnect2;
    const char *szTimeout;
    bool fPdid;
};

/* Searches the bus for the device with serial szSN until it is found or
 * 5000 ms have passed; leaves pusb connected to it. */
int FFindAgain(USBC *pusbc, ABSUSB *pusb, const char *szSN, const RECONNECT &rc)
{
    if (!pusb->Disconnect())
        FRecordErc(ercInternalError, rc.szDisconnect);
    uint32_t tickStart = pabsutil->GetTickMs();
    do {
        uint32_t cdvc = 0;
        if (!pusb->Enumerate(&cdvc))
            return FRecordErc(ercInternalError, rc.szEnumerate), 0;
        for (uint32_t idvc = 0; idvc < cdvc; idvc++) {
            char szPath[cchUsbPathMax];
            if (!pusb->GetSzDevPathByIdx(idvc, szPath, sizeof(szPath)))
                return FRecordErc(ercInternalError, rc.szPathByIdx), 0;
            if (!pusb->Connect(szPath))
                continue;
            uint32_t pdid = 0;
            char szSNDev[16];
            int errSave = TvxGetLastError();
            bool fMatch = (!rc.fPdid || pusbc->FGetPDID(pusb, &pdid)) && pusbc->FGetSN(pusb, szSNDev) &&
                          strcmp(szSNDev, szSN) == 0;
            TvxSetLastErrorNoLog(errSave);
            if (fMatch)
                return 1;
            if (!pusb->Disconnect())
                FRecordErc(ercInternalError, rc.szDisconnect2);
        }
    } while ((uint32_t)(pabsutil->GetTickMs() - tickStart) < tmsRenumMax);
    return FRecordErc(ercConnectionFailed, rc.szTimeout), 0;
}
} // namespace

int USBC::FDevReNumerate(ABSUSB *pusb)
{
    char szSN[16];
    if (!FGetSN(pusb, szSN))
        return 0;
    FSendReNumerate(pusb);
    static const RECONNECT rc = {"USBC::FDevReNumerate Disconnect failed", "USBC::FDevValidate Enumerate failed",
                                 "USBC::FDevValidate GetSzDevPathByIdx failed",
                                 "USBC::FDevReNumerate Disconnect failed 2", "USBC::FDevValidate renumeration", true};
    return FFindAgain(this, pusb, szSN, rc);
}

int USBC::FDevReconnect(ABSUSB *pusb, const char *szSN)
{
    if (pusb == nullptr || szSN == nullptr)
        return FRecordErc(ercInternalError, "USBC::FDevReconnect NULL specified for one or more parameter"), 0;
    static const RECONNECT rc = {"USBC::FDevReconnect Disconnect failed", "USBC::FDevReconnect Enumerate failed",
                                 "USBC::FDevReconnect GetSzDevPathByIdx failed",
                                 "USBC::FDevReconnect Disconnect failed 2",
                                 "USBC::FDevValidate timed out while reconnecting to device", false};
    return FFindAgain(this, pusb, szSN, rc);
}

int USBC::FDevReset(ABSUSB *pusb)
{
    uint8_t rgbKey[2] = {0x52, 0x6C};
    uint8_t rgbZero[2] = {0, 0};
    uint32_t cb = 0;
    if (!FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbKey, &cb))
        FRecordErc(ercControlTransferFailed, "USBC:FDevReset failed to set write key");
    else if (cb < 2)
        FRecordErc(ercControlTransferFailed, "USBC:FDevReset failed to set write key 2");
    else if (FVendReq(pusb, false, 0xDA, 0, 0, 0, nullptr, &cb))
        return 1;
    else
        FRecordErc(ercControlTransferFailed, nullptr);
    FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbZero, &cb);
    return 0;
}

/*
 * An FX2 boot image (.IIC) fit for the entry: at least 5 and fewer than
 * 16384 bytes, starting with C2, the maker's vendor id (low byte first),
 * the entry's firmware id and a zero byte.
 */
int USBC::FCheckBootFirmware(const FWIMG *pimg)
{
    if (pimg == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FCheckBootFirmware"), 0;
    FILE *pf = fopen(pimg->szPath, "rb");
    if (pf == nullptr)
        return FRecordErc(ercConfigFileError, "USBC::FCheckBootFirmware if(pf == NULL)"), 0;
    std::vector<uint8_t> rgb(cbE2prom);
    size_t cb = fread(rgb.data(), 1, rgb.size(), pf);
    uint16_t vid = UsbVidMaker();
    int fOk = 1;
    if (cb < 5 || cb >= cbE2prom || rgb[0] != 0xC2 || rgb[1] != (uint8_t)vid || rgb[2] != (uint8_t)(vid >> 8) ||
        rgb[3] != pimg->fwid || rgb[4] != 0) {
        FRecordErc(ercConfigFileError, "USBC::FCheckBootFirmware content");
        fOk = 0;
    }
    if (fclose(pf) != 0) {
        FRecordErc(ercConfigFileError, "USBC::FCheckBootFirmware if(fclose(pf))");
        fOk = 0;
    }
    return fOk;
}
