/*
 * ftdic.cpp - FTDIC: start and end, the manager lock, opening and closing
 * handles, enumeration, connection strings and the capability check.
 */
#include <stdio.h>
#include <string.h>

#include <new>

#include "dtblmg.h"
#include "dvcmg.h"
#include "dvtmg.h"
#include "dvtopn.h"
#include "dvtp2.h"
#include "enmappend.h"
#include "ftdic.h"
#include "magmg.h"
#include "magmtx.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

FTDIC ftdic;

namespace {

const char szConnFormat[] = "#tpt_%04x#ptc_%04x#";

/* The maker's product ids registered with the driver at start-up. */
const uint16_t rgpidMaker[] = { 0x7000, 0x7001, 0x7003, 0x7002, 0x7004 };

enum FORM { formNone, formConn, formSN, formUsrName };

/* A copy of the interface list taken under the list lock. */
struct LISTCOPY {
    FTINTF *rg = nullptr;
    uint32_t c = 0;
    ~LISTCOPY() { ftdimgr_free_interface_list(&rg); }
    bool FTake()
    {
        int32_t res = ftdimgr_lock(-1);
        if (res != ftdmgrOk && res != ftdmgrAbandoned)
            return false;
        bool fOk = ftdimgr_get_interface_list(&rg, &c) == ftdmgrOk;
        ftdimgr_unlock();
        return fOk;
    }
};

} // namespace

uint32_t DcapUsable(uint32_t dcapPub, uint32_t dcapPriv)
{
    return (TvxTstFsadm(fsadmDcapPub) ? dcapPub : 0) | (TvxTstFsadm(fsadmDcapPriv) ? dcapPriv : 0);
}

const FTINTF *PftintfOfSerial(const FTINTF *rg, uint32_t c, const char *szSN)
{
    for (uint32_t i = 0; i < c; i++)
        if (strncmp(rg[i].szName, szSN, cchFtdiSerial) == 0)
            return &rg[i];
    return nullptr;
}

FTDIC::~FTDIC() {}

int FTDIC::FInit()
{
    FTDIC::Term();
    pmtxFtdic = PmtxMagNew(true, {"FTDIC::FInit InstABSMTX() failed", "FTDIC::FInit pmtxFtdic->Init() failed",
                                  "FTDIC::FInit pmtxFtdic->Create() failed"});
    if (pmtxFtdic == nullptr)
        return 0;
    const char *szFail = nullptr;
    char szMsg[96];
    if (!pabsutil->FGetFirmwareDir(szFwDir, sizeof(szFwDir) - 1))
        szFail = "FTDIC::FInit() failed to get path to dir containing firmware DLLs";
    tickScan = 0;
    fScanned = false;
    cfwdll = 0;
    cdevLast = 0;
    tickRefresh = 0;
    fRefreshed = false;
    if (szFail == nullptr && !ftd2xx.FInit())
        szFail = "FTDIC::FInit ftd2xx library initialization failed";
    for (size_t ipid = 0; szFail == nullptr && ipid < sizeof(rgpidMaker) / sizeof(rgpidMaker[0]); ipid++) {
        if (ftd2xx.SetVIDPID(UsbVidMaker(), rgpidMaker[ipid]) != 0) {
            snprintf(szMsg, sizeof(szMsg), "FTDIC::FInit ftd2xx.SetVIDPID(0x%04X, 0x%04X) failed", UsbVidMaker(),
                     rgpidMaker[ipid]);
            szFail = szMsg;
        }
    }
    if (!pmtxFtdic->Unlock() && szFail == nullptr)
        szFail = "FTDIC::FInit pmtxFtdic->Unlock() failed";
    if (szFail == nullptr)
        return 1;
    FRecordErc(ercInternalError, szFail);
    ftd2xx.Term();
    FMagMtxRelease(&pmtxFtdic);
    return 0;
}

void FTDIC::Term()
{
    if (pmtxFtdic == nullptr)
        return;
    ftd2xx.Term();
    FMagMtxRelease(&pmtxFtdic);
}

int FTDIC::FLock()
{
    return FMagLock(pmtxFtdic, "FTDIC::FLock");
}

int FTDIC::FUnlock()
{
    return FMagUnlock(pmtxFtdic, "FTDIC::FUnlock");
}

int FTDIC::FCheckSzConn(const char *szConnect)
{
    if (szConnect == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FCheckSzConn"), 0;
    unsigned tpt = 0, ptc = 0;
    return sscanf(szConnect, szConnFormat, &tpt, &ptc) == 2 && tpt == tptUsb && ptc == ptcFtdic;
}

int FTDIC::FCheckSzConnTbl(const char *szConn)
{
    return FCheckSzSN(szConn);
}

int FTDIC::FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn)
{
    if (szConn == nullptr || szDvcPath == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FSzConnFromSzDvcPath"), 0;
    if (cchConn < int(strlen(szDvcPath)) + 20)
        return FRecordErc(ercInvalidParameter, "FTDIC::FSzConnFromSzDvcPath cchConn"), 0;
    snprintf(szConn, size_t(cchConn), "#tpt_%04x#ptc_%04x#%s", unsigned(tptUsb), unsigned(ptcFtdic), szDvcPath);
    return 1;
}

int FTDIC::FSzDvcPathFromSzConn(char *szPath, const char *szConn, int cchPath)
{
    if (szPath == nullptr || szConn == nullptr || cchPath < int(strlen(szConn)) + 1)
        return FRecordErc(ercInvalidParameter, "FTDIC::FSzDvcPathFromSzConn"), 0;
    unsigned tpt = 0, ptc = 0;
    int cchPrefix = 0;
    if (sscanf(szConn, "#tpt_%04x#ptc_%04x#%n", &tpt, &ptc, &cchPrefix) == 2 && cchPrefix > 0 &&
        szConn[cchPrefix] != '\0') {
        size_t cch = strcspn(szConn + cchPrefix, " \t\r\n");
        memcpy(szPath, szConn + cchPrefix, cch);
        szPath[cch] = '\0';
    } else {
        memcpy(szPath, szConn, strlen(szConn) + 1);
    }
    return 1;
}

int FTDIC::FSzSNFromSzDvcPath(char *szSN, const char *szPath, int cchSN)
{
    if (szSN == nullptr || szPath == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FSzSNFromSzDvcPath"), 0;
    if (cchSN < 16 || cchSN < int(strlen(szPath)) + 1)
        return FRecordErc(ercInvalidParameter, "FTDIC::FSzSNFromSzDvcPath cchSN"), 0;
    memcpy(szSN, szPath, strlen(szPath) + 1);
    return 1;
}

/* ---- open and close ---- */

namespace {

/* Table pass of an open: an entry "SN:" + the record's serial whose name is
 * the text (user name) or whose connection string is the text (serial). */
bool FTblMatch(const DTBLMG *pdtblmg, const FTINTF &ftintf, const char *szConnect, bool fSN)
{
    char szSN[16];
    snprintf(szSN, sizeof(szSN), "SN:%.12s", ftintf.szName);
    DVC dvc;
    for (int i = 0; i < pdtblmg->CdvcMac(); i++) {
        if (!pdtblmg->FGetDvc(i, &dvc))
            continue;
        if (strncmp(dvc.szConn, szSN, 15) != 0 || dvc.szConn[15] != '\0')
            continue;
        if (fSN ? strcmp(dvc.szConn, szConnect) == 0 : strncmp(dvc.szName, szConnect, sizeof(dvc.szName)) == 0)
            return true;
    }
    return false;
}

DTBLMG *PdtblmgLoad(const char *szFn)
{
    char szMsg[128];
    DTBLMG *pdtblmg = new (std::nothrow) DTBLMG();
    if (pdtblmg == nullptr) {
        snprintf(szMsg, sizeof(szMsg), "%s failed to allocate memory for DTBLMG", szFn);
        FRecordErc(ercInsufficientResources, szMsg);
        return nullptr;
    }
    if (!pdtblmg->FInit() || !pdtblmg->FEnumTbl(dtpUsbFtdi)) {
        snprintf(szMsg, sizeof(szMsg), "%s pdtblmg->FEnumTbl failed", szFn);
        FRecordErc(ercInternalError, szMsg);
        pdtblmg->Term();
        delete pdtblmg;
        return nullptr;
    }
    return pdtblmg;
}

} // namespace

HIF FTDIC::HifOpenEx(const char *szConnect, int fTbl, int fDisc)
{
    if (szConnect == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::HifOpenEx szConnect = NULL"), hifNil;
    FORM form = FCheckSzConn(szConnect) ? formConn : FCheckSzSN(szConnect) ? formSN
                                                   : FCheckSzUsrName(szConnect) ? formUsrName : formNone;
    if (form == formNone)
        return hifNil;
    if (!FLock())
        return FRecordErc(ercInternalError, "FTDIC::HifOpenEx Flock() failed"), hifNil;
    HIF hif = hifNil;
    LISTCOPY list;
    DTBLMG *pdtblmg = nullptr;
    const FTINTF *pftintf = nullptr;
    char szPath[261] = "";
    DVTP2 *pdvt = nullptr;
    const FWDLL *pfwdll = nullptr;
    if (!FEnumAndUpdateCache()) {
        FRecordErc(ercInternalError, "FTDIC::HifOpenEx FEnumAndUpdateCache() failed");
        goto LDone;
    }
    if (!list.FTake()) {
        FRecordErc(ercInternalError, "FTDIC::HifOpenEx ftdimgr_lock failed");
        goto LDone;
    }
    if (form == formConn) {
        char szSN[16];
        if (!FSzDvcPathFromSzConn(szPath, szConnect, sizeof(szPath))) {
            FRecordErc(ercInternalError, "FTDIC::HifOpenEx FSzDvcPathFromSzConn() failed");
            goto LDone;
        }
        if (!FSzSNFromSzDvcPath(szSN, szPath, sizeof(szSN))) {
            FRecordErc(ercInternalError, "FTDIC::HifOpenEx FSzSNFromSzDvcPath() failed");
            goto LDone;
        }
        pftintf = PftintfOfSerial(list.rg, list.c, szSN);
        if (pftintf == nullptr) {
            FRecordErc(ercInvalidParameter, "FTDIC::HifOpenEx connection failed");
            goto LDone;
        }
    } else {
        if (fTbl && (pdtblmg = PdtblmgLoad("FTDIC::HifOpenEx")) == nullptr)
            goto LDone;
        for (uint32_t i = 0; i < list.c && pftintf == nullptr; i++) {
            const FTINTF &ftintf = list.rg[i];
            bool fMatch = pdtblmg != nullptr && FTblMatch(pdtblmg, ftintf, szConnect, form == formSN);
            if (!fMatch && fDisc)
                fMatch = form == formSN ? strncmp(ftintf.szName, szConnect + 3, cchFtdiSerial) == 0
                                        : strncmp(ftintf.szUsrName, szConnect, sizeof(ftintf.szUsrName)) == 0;
            if (fMatch)
                pftintf = &ftintf;
        }
        if (pftintf == nullptr)
            goto LDone;
    }
    snprintf(szPath, sizeof(szPath), "%.12s", pftintf->szName);
    if (!FEnumFirmwareDll()) {
        FRecordErc(ercInternalError, "FTDIC::HifOpenEx FEnumFirmwareDll() failed");
        goto LDone;
    }
    pfwdll = PfwdllFind(pftintf->pdid, pftintf->dcapPub, pftintf->dcapPriv);
    if (pfwdll == nullptr) {
        FRecordErc(ercCorruptInstallation, "FTDIC::HifOpenEx failed to find suitable firmware DLL for device");
        goto LDone;
    }
    pdvt = new (std::nothrow) DVTP2(pfwdll->szPath);
    if (pdvt == nullptr) {
        FRecordErc(ercInsufficientResources, "FTDIC::HifOpenEx new DVTP2()");
        goto LDone;
    }
    if (!pdvt->FInit()) {
        FRecordErc(ercInternalError, "FTDIC::HifOpenEx DVT::FInit() failed");
        pdvt->Term();
        delete pdvt;
        goto LDone;
    }
    if (!pdvt->FConnect(szPath, szPath)) {
        FRecordErc(ercInternalError, "FTDIC::HifOpenEx DVT::FConnect() failed");
        pdvt->Term();
        delete pdvt;
        goto LDone;
    }
    hif = dvtmg.HifAdd(pdvt);
    if (hif == hifNil) {
        pdvt->Disconnect();
        pdvt->Term();
        delete pdvt;
    }
LDone:
    if (pdtblmg != nullptr) {
        pdtblmg->Term();
        delete pdtblmg;
    }
    FUnlock();
    return hif;
}

int FTDIC::FClose(HIF hif)
{
    if (!FLock())
        return FRecordErc(ercInternalError, "FTDIC::FClose FLock() failed"), 0;
    DVT *pdvt = dvtmg.PdvtRemHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "FTDIC::FClose pdvt = NULL");
        FUnlock();
        return 0;
    }
    uint8_t apt = pdvt->AptActive();
    int32_t prt = pdvt->PrtActive();
    if (apt != aptNone || prt != prtNone)
        pdvt->FDisableApt(apt >= 2 && apt < 34 ? 1u << (apt - 2) : 0, apt, prt);
    pdvt->Disconnect();
    pdvt->Term();
    delete pdvt;
    if (!FUnlock())
        return FRecordErc(ercInternalError, "FTDIC::FClose FUnlock() failed"), 0;
    return 1;
}

/* ---- enumeration ---- */

namespace {

bool FFilterPasses(uint32_t dinfoFilter, const void *pInfoSet, const FTINTF &ftintf, const char *szSN,
                   const char *szConn)
{
    switch (dinfoFilter) {
    case 0: return true;
    case dinfoUsrName: return strcmp(ftintf.szUsrName, (const char *)pInfoSet) == 0;
    case dinfoProdName: return strcmp(ftintf.szProdName, (const char *)pInfoSet) == 0;
    case dinfoPDID: return ftintf.pdid == *(const uint32_t *)pInfoSet;
    case dinfoSN: return MAG::FCmpSzSN((const char *)pInfoSet, szSN) != 0;
    case dinfoDcap: {
        uint32_t dcap = *(const uint32_t *)pInfoSet;
        return (DcapUsable(ftintf.dcapPub, ftintf.dcapPriv) & dcap) == dcap;
    }
    case dinfoConn: return strcmp(szConn, (const char *)pInfoSet) == 0;
    case dinfoProdId: return uint16_t(ftintf.pdid >> 20) == *(const uint16_t *)pInfoSet;
    default: return false;
    }
}

} // namespace

int FTDIC::FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg)
{
    if (pInfoSet == nullptr && dinfoFilter != 0)
        return FRecordErc(ercInvalidParameter, "FTDIC::FEnum"), 0;
    if (pdvcmg == nullptr)
        return FRecordErc(ercInternalError, "FTDIC::FEnum pdvcmg"), 0;
    DVCMG *pdvcmgTbl = new (std::nothrow) DVCMG();
    if (pdvcmgTbl == nullptr)
        return FRecordErc(ercInsufficientResources, "FTDIC::FEnum failed to allocate memory for DVCMG"), 0;
    int fOk = pdvcmgTbl->FInit();
    if (!fOk)
        FRecordErc(ercInternalError, "FTDIC::FEnum pdvcmgTbl->FInit() failed");
    DVCNODE node, nodeTbl;
    if (fOk && fTbl) {
        DTBLMG *pdtblmg = PdtblmgLoad("FTDIC::FEnum");
        fOk = pdtblmg != nullptr;
        for (int i = 0; fOk && i < pdtblmg->CdvcMac(); i++) {
            memset(&node, 0, sizeof(node));
            if (!pdtblmg->FGetDvc(i, &node.edvc.dvc))
                continue;
            if (dinfoFilter == dinfoName) {
                if (strncmp(node.edvc.dvc.szName, (const char *)pInfoSet, sizeof(node.edvc.dvc.szName)) != 0)
                    continue;
            } else if (dinfoFilter != 0) {
                continue;
            }
            SzCopy(node.edvc.szSN, node.edvc.dvc.szConn, sizeof(node.edvc.szSN));
            node.edvc.fsEdvc = fsedvcTable;
            if (!pdvcmgTbl->FAddNode(&node))
                fOk = (FRecordErc(ercInsufficientResources, "FTDIC::FEnum failed to allocate memory for DVCMG"), 0);
        }
        if (pdtblmg != nullptr) {
            pdtblmg->Term();
            delete pdtblmg;
        }
    }
    LISTCOPY list;
    if (fOk && fDisc) {
        if (!FEnumAndUpdateCache())
            fOk = (FRecordErc(ercInternalError, "FTDIC::FEnum FEnumAndUpdateCache() failed"), 0);
        else if (!list.FTake())
            fOk = (FRecordErc(ercInternalError, "FTDIC::FEnum ftdimgr_get_interface_list() failed"), 0);
    }
    for (uint32_t i = 0; fOk && i < list.c; i++) {
        const FTINTF &ftintf = list.rg[i];
        if (PftintfOfSerial(list.rg, i, ftintf.szName) != nullptr)
            continue;       /* another interface of a chip already taken */
        char szSerial[16], szSN[16], szConn[cchConnMax];
        snprintf(szSerial, sizeof(szSerial), "%.12s", ftintf.szName);
        snprintf(szSN, sizeof(szSN), "SN:%.12s", szSerial);
        if (!FSzConnFromSzDvcPath(szConn, szSerial, sizeof(szConn)))
            break;
        if (!FFilterPasses(dinfoFilter, pInfoSet, ftintf, szSN, szConn))
            continue;
        memset(&node, 0, sizeof(node));
        EDVC &edvc = node.edvc;
        edvc.fsEdvc = fsedvcLive | fsedvcPdid | fsedvcDcap;
        SzCopy(edvc.dvc.szName, ftintf.szUsrName, sizeof(edvc.dvc.szName));
        SzCopy(edvc.dvc.szConn, szConn, sizeof(edvc.dvc.szConn));
        edvc.dvc.dtp = dtpUsbFtdi;
        SzCopy(edvc.szUsrName, ftintf.szUsrName, sizeof(edvc.szUsrName));
        SzCopy(edvc.szProdName, ftintf.szProdName, sizeof(edvc.szProdName));
        SzCopy(edvc.szSN, szSN, sizeof(edvc.szSN));
        edvc.pdid = ftintf.pdid;
        edvc.dcap = DcapUsable(ftintf.dcapPub, ftintf.dcapPriv);
        edvc.cOpen = vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpUsbFtdi, szSerial) : 0;
        for (int inode = 0; pdvcmgTbl->FGetNode(inode, &nodeTbl); inode++) {
            if (strncmp(nodeTbl.edvc.dvc.szConn, szSN, sizeof(szSN)) == 0) {
                SzCopy(edvc.dvc.szName, nodeTbl.edvc.dvc.szName, sizeof(edvc.dvc.szName));
                edvc.fsEdvc |= fsedvcTable;
                break;
            }
        }
        fOk = FEnmAppend(pdvcmg, &node, "FTDIC::FEnum pmtxEnum->Lock() table add failed",
                         "FTDIC::FEnum pmtxEnum->Unlock() table add failed", "FTDIC::FEnum DVCMG::FAddNode failed");
    }
    for (int inode = 0; fOk && pdvcmgTbl->FGetNode(inode, &nodeTbl); inode++) {
        if (!FEnmHasSN(pdvcmg, nodeTbl.edvc.dvc.szConn))
            fOk = FEnmAppend(pdvcmg, &nodeTbl, "FTDIC::FEnum pmtxEnum->Lock() table add failed 2",
                             "FTDIC::FEnum pmtxEnum->Unlock() table add failed 3", "FTDIC::FEnum DVCMG::FAddNode failed");
    }
    pdvcmgTbl->Term();
    delete pdvcmgTbl;
    return fOk;
}

/* ---- capability check ---- */

int FTDIC::FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB)
{
    if (szConn == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FEnable szConn"), 0;
    char szSN[16];
    if (!FSzSNFromSzDvcPath(szSN, szConn, sizeof(szSN)))
        return FRecordErc(ercInternalError, "FTDIC::FEnable FSzSNFromSzDvcPath() failed"), 0;
    if (!FLock())
        return 0;
    int fOk = 0;
    uint32_t dcapPub = 0, dcapPriv = 0;
    int32_t res = ftdimgr_lock(-1);
    if (res != ftdmgrOk && res != ftdmgrAbandoned) {
        FRecordErc(ercInternalError, "FTDIC::FEnable ftdimgr_lock() failed");
    } else {
        FTINTF *rg = nullptr;
        uint32_t c = 0;
        if (ftdimgr_get_interface_list(&rg, &c) != ftdmgrOk) {
            FRecordErc(ercInternalError, "FTDIC::FEnable ftdimgr_get_interface_list() failed");
        } else if (const FTINTF *pftintf = PftintfOfSerial(rg, c, szSN)) {
            dcapPub = pftintf->dcapPub;
            dcapPriv = pftintf->dcapPriv;
            fOk = 1;
        } else {
            FTPROBE probe;
            fOk = FProbe(szSN, "FEnable", false, &probe);
            dcapPub = probe.ftintf.dcapPub;
            dcapPriv = probe.ftintf.dcapPriv;
        }
        ftdimgr_unlock();
        ftdimgr_free_interface_list(&rg);
    }
    uint32_t dcap = dcapA | dcapB;
    if (fOk && (DcapUsable(dcapPub, dcapPriv) & dcap) != dcap)
        fOk = (FRecordErc(ercNotSupported, "FTDIC::FEnable capability not supported"), 0);
    if (!FUnlock())
        fOk = 0;
    return fOk;
}

int FTDIC::FDisable(const char *szConn, uint32_t, uint32_t)
{
    if (szConn == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FDisable szConn"), 0;
    return 1;
}

int FTDIC::FAcctMgmt(int, const char *, const char *, const char *, int *, void *, int, int *, int *)
{
    return 0;
}

/* ---- start-up ---- */

int FFtdicStart()
{
    return magmg.FStartMag(tptUsb, ptcFtdic, &ftdic);
}

void FtdicStop()
{
    ftdic.Term();
}
