/*
 * ftdicinfo.cpp - FTDIC's information codes: answered from the interface
 * list (or a probe of an unlisted device); settings written to the device's
 * EEPROM user area (and program data for the serial), then to every listed
 * interface of the device, all of them claimed meanwhile.
 */
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "dvtopn.h"
#include "ftdic.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

int FRecordOp(int erc, const char *szOp, const char *szDetail, const char *szArg = nullptr)
{
    char szMsg[192], szDetailFull[128];
    snprintf(szDetailFull, sizeof(szDetailFull), szDetail, szArg ? szArg : "");
    snprintf(szMsg, sizeof(szMsg), "FTDIC::%s %s", szOp, szDetailFull);
    FRecordErc(erc, szMsg);
    return 0;
}

/* Common start: the serial of the request's text. */
bool FSerialOfConn(FTDIC &ftdic, const char *szConnect, const char *szOp, char *szPath, char *szSN)
{
    if (!ftdic.FSzDvcPathFromSzConn(szPath, szConnect, 261))
        return FRecordOp(ercInternalError, szOp, "FSzDvcPathFromSzConn() failed"), false;
    if (!ftdic.FSzSNFromSzDvcPath(szSN, szPath, 16))
        return FRecordOp(ercInternalError, szOp, "FSzSNFromSzDvcPath() failed"), false;
    return true;
}

/* Copies text into a fixed field of the user area: at most cchField - 1 characters, terminated. */
void PutUaText(uint8_t *pbUa, int ib, int cchField, const char *sz)
{
    memset(pbUa + ib, 0, size_t(cchField));
    size_t cch = strlen(sz);
    memcpy(pbUa + ib, sz, cch < size_t(cchField - 1) ? cch : size_t(cchField - 1));
}

} // namespace

int FTDIC::FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet)
{
    if (szConnect == nullptr || (pInfoGet == nullptr && dinfo != 0))
        return FRecordErc(ercInvalidParameter, "FTDIC::FGetInfo NULL szConnect or pInfoGet"), 0;
    char szPath[261], szSN[16];
    if (!FSerialOfConn(*this, szConnect, "FGetInfo", szPath, szSN))
        return 0;
    if (!FLock())
        return FRecordErc(ercInternalError, "FTDIC::FGetInfo FLock() failed"), 0;
    int32_t res = ftdimgr_lock(-1);
    if (res != ftdmgrOk && res != ftdmgrAbandoned) {
        FRecordErc(ercInternalError, "FTDIC::FGetInfo ftdimgr_lock() failed");
        FUnlock();
        return 0;
    }
    FTINTF *rg = nullptr;
    uint32_t c = 0;
    FTINTF ftintf;
    int fOk = 0;
    if (ftdimgr_get_interface_list(&rg, &c) != ftdmgrOk) {
        ftdimgr_unlock();
        FRecordErc(ercInternalError, "FTDIC::FGetInfo ftdimgr_get_interface_list() failed");
    } else if (const FTINTF *pftintf = PftintfOfSerial(rg, c, szSN)) {
        ftintf = *pftintf;
        ftdimgr_unlock();
        fOk = 1;
    } else {
        FTPROBE probe;
        fOk = FProbe(szSN, "FGetInfo", false, &probe);
        ftintf = probe.ftintf;
        ftdimgr_unlock();
    }
    if (fOk) {
        switch (dinfo) {
        case dinfoUsrName: SzCopy((char *)pInfoGet, ftintf.szUsrName, 17); break;
        case dinfoProdName: SzCopy((char *)pInfoGet, ftintf.szProdName, 29); break;
        case dinfoPDID: memcpy(pInfoGet, &ftintf.pdid, 4); break;
        case dinfoSN: snprintf((char *)pInfoGet, 16, "SN:%.12s", szPath); break;
        case dinfoDcap: {
            uint32_t dcap = DcapUsable(ftintf.dcapPub, ftintf.dcapPriv);
            memcpy(pInfoGet, &dcap, 4);
            break;
        }
        case dinfoConn: memcpy(pInfoGet, szConnect, strlen(szConnect) + 1); break;
        case dinfoProdId: {
            uint16_t prodid = uint16_t(ftintf.pdid >> 20);
            memcpy(pInfoGet, &prodid, 2);
            break;
        }
        case dinfoOpenCount: {
            int32_t cOpen = vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpUsbFtdi, szPath) : 0;
            memcpy(pInfoGet, &cOpen, 4);
            break;
        }
        case dinfoFWVER: {
            uint16_t fwver = 0;
            fOk = FFwverFromFwidAndDcap(ftintf.pdid, ftintf.dcapPub, ftintf.dcapPriv, &fwver);
            if (fOk)
                memcpy(pInfoGet, &fwver, 2);
            break;
        }
        case dinfoDcapDev: {
            uint32_t rgdcap[2] = { ftintf.dcapPub, ftintf.dcapPriv };
            memcpy(pInfoGet, rgdcap, 8);
            break;
        }
        default:
            fOk = (FRecordErc(ercNotSupported, "FTDIC::FGetInfo unsupported device attribute"), 0);
        }
    }
    ftdimgr_free_interface_list(&rg);
    if (!FUnlock())
        fOk = (FRecordErc(ercInternalError, "FTDIC::FGetInfo FUnlock() failed"), 0);
    return fOk;
}

int FTDIC::FSetInfo(const char *szConnect, uint32_t dinfo, void *pInfoSet)
{
    static const char szOp[] = "FSetInfo";
    if (szConnect == nullptr || pInfoSet == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FSetInfo NULL szConnect or pInfoSet"), 0;
    char szPath[261], szSN[16];
    if (!FSerialOfConn(*this, szConnect, szOp, szPath, szSN))
        return 0;
    if (!FLock())
        return FRecordErc(ercInternalError, "FTDIC::FSetInfo FLock() failed"), 0;
    int32_t res = ftdimgr_lock(-1);
    if (res != ftdmgrOk && res != ftdmgrAbandoned) {
        FRecordErc(ercInternalError, "FTDIC::FSetInfo ftdimgr_lock() failed");
        FUnlock();
        return 0;
    }
    FTINTF *rg = nullptr;
    uint32_t c = 0;
    FTINTF ftintf;
    memset(&ftintf, 0, sizeof(ftintf));
    std::vector<std::string> rgszName;
    std::vector<std::string> rgszClaimed;
    FT_HANDLE h = nullptr;
    int fOk = 0;
    uint8_t rgbUa[cbFtua] = {};
    if (ftdimgr_get_interface_list(&rg, &c) != ftdmgrOk) {
        FRecordErc(ercInternalError, "FTDIC::FSetInfo ftdimgr_get_interface_list() failed");
        goto LDone;
    }
    for (uint32_t i = 0; i < c; i++) {
        if (strncmp(rg[i].szName, szSN, cchFtdiSerial) != 0)
            continue;
        if (rgszName.size() == 4) {
            FRecordErc(ercInternalError, "FTDIC::FSetInfo found more than 4 interfaces corresponding to device");
            goto LDone;
        }
        if (rgszName.empty())
            ftintf = rg[i];
        rgszName.push_back(std::string(rg[i].szName, strnlen(rg[i].szName, sizeof(rg[i].szName))));
    }
    if (rgszName.empty()) {
        FTPROBE probe;
        if (!FProbe(szSN, szOp, true, &probe))
            goto LDone;
        ftintf = probe.ftintf;
        h = probe.h;
        rgszName = probe.rgszAdded;
    }
    for (const std::string &szName : rgszName) {
        res = ftdimgr_lock_interface(szName.c_str(), nullptr);
        if (res != ftdmgrOk && res != ftdmgrAbandoned) {
            FRecordOp(ercDeviceInUse, szOp, "failed to lock interface %s", szName.c_str());
            goto LDone;
        }
        rgszClaimed.push_back(szName);
    }
    if (h == nullptr) {
        if (ftd2xx.OpenEx((void *)rgszName[0].c_str(), FT_OPEN_BY_SERIAL_NUMBER, &h) != 0) {
            h = nullptr;
            FRecordOp(ercDeviceNotConnected, szOp, "failed to open handle to interface %s", rgszName[0].c_str());
            goto LDone;
        }
    }
    {
        uint32_t cbUa = 0, cbRead = 0;
        if (ftd2xx.EE_UASize(h, &cbUa) != 0 || cbUa < cbFtua) {
            FRecordErc(ercInternalError, "FTDIC::FSetInfo EEPROM UA size");
            goto LDone;
        }
        if (ftd2xx.EE_UARead(h, rgbUa, cbFtua, &cbRead) != 0 || cbRead != cbFtua) {
            FRecordErc(ercInternalError, "FTDIC::FSetInfo EEPROM UA read");
            goto LDone;
        }
    }
    switch (dinfo) {
    case dinfoUsrName:
        if (!FCheckSzUsrName((const char *)pInfoSet)) {
            FRecordErc(ercInvalidParameter, "FTDIC::FSetInfo invalid username");
            goto LDone;
        }
        PutUaText(rgbUa, ibFtuaUsrName, 17, (const char *)pInfoSet);
        SzCopy(ftintf.szUsrName, (const char *)pInfoSet, sizeof(ftintf.szUsrName));
        break;
    case dinfoProdName:
        if (!FCheckSzProdName((const char *)pInfoSet)) {
            FRecordErc(ercInvalidParameter, "FTDIC::FSetInfo invalid product name");
            goto LDone;
        }
        PutUaText(rgbUa, ibFtuaProdName, 29, (const char *)pInfoSet);
        SzCopy(ftintf.szProdName, (const char *)pInfoSet, sizeof(ftintf.szProdName));
        break;
    case dinfoPDID:
        /* A product id of 0 would take the device off every list: refused before anything is written. */
        if (*(const uint32_t *)pInfoSet == 0) {
            FRecordErc(ercInvalidParameter, "FTDIC::FSetInfo invalid pdid");
            goto LDone;
        }
        memcpy(rgbUa + ibFtuaPdid, pInfoSet, 4);
        memcpy(&ftintf.pdid, pInfoSet, 4);
        break;
    case dinfoSN: {
        if (!FCheckSzSN((const char *)pInfoSet)) {
            FRecordErc(ercInvalidParameter, "FTDIC::FSetInfo invalid serial number");
            goto LDone;
        }
        char szMfr[64] = "", szMfrId[64] = "", szDesc[64] = "", szSerial[64] = "";
        FT_PROGRAM_DATA pd;
        memset(&pd, 0, sizeof(pd));
        pd.Signature2 = 0xFFFFFFFF;
        pd.Version = 5;
        pd.Manufacturer = szMfr;
        pd.ManufacturerId = szMfrId;
        pd.Description = szDesc;
        pd.SerialNumber = szSerial;
        if (ftd2xx.EE_Read(h, &pd) != 0) {
            FRecordErc(ercInternalError, "FTDIC::FSetInfo EERead failed");
            goto LDone;
        }
        SzCopy(szSerial, (const char *)pInfoSet + 3, 13);
        if (ftd2xx.EE_Program(h, &pd) != 0) {
            FRecordErc(ercConnectionFailed, "FTDIC::FSetInfo EEProgram failed");
            goto LDone;
        }
        break;
    }
    default:
        FRecordErc(ercNotSupported, "FTDIC::FSetInfo unsupported device attribute");
        goto LDone;
    }
    if (ftd2xx.EE_UAWrite(h, rgbUa, cbFtua) != 0) {
        FRecordErc(ercConnectionFailed, "FTDIC::FSetInfo EEUAWrite failed");
        goto LDone;
    }
    ftd2xx.Close(h);
    h = nullptr;
    fOk = 1;
    for (const std::string &szName : rgszName) {
        FTINTF ftintfName = ftintf;
        SzCopy(ftintfName.szName, szName.c_str(), sizeof(ftintfName.szName));
        for (uint32_t i = 0; i < c; i++)
            if (strncmp(rg[i].szName, szName.c_str(), sizeof(rg[i].szName)) == 0)
                ftintfName.fsIntf = rg[i].fsIntf;   /* each record keeps its own mode flag */
        if (ftdimgr_modify_interface(szName.c_str(), &ftintfName) != ftdmgrOk) {
            fOk = FRecordOp(ercInternalError, szOp, "failed to modify interface %s", szName.c_str());
            break;
        }
    }
LDone:
    if (h != nullptr)
        ftd2xx.Close(h);
    for (const std::string &szName : rgszClaimed)
        if (ftdimgr_unlock_interface(szName.c_str()) != ftdmgrOk && fOk)
            FRecordOp(ercInternalError, szOp, "failed to unlock interface %s", szName.c_str());
    ftdimgr_unlock();
    ftdimgr_free_interface_list(&rg);
    if (!FUnlock())
        fOk = (FRecordErc(ercInternalError, "FTDIC::FSetInfo FUnlock() failed"), 0);
    return fOk;
}
