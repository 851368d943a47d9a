/*
 * usbc.cpp - USBC: start and end, the manager lock, opening and closing
 * handles, live enumeration, connection strings and the capability switch.
 */
#include <stdio.h>
#include <string.h>

#include <new>

#include "dtblmg.h"
#include "dvcmg.h"
#include "dvtmg.h"
#include "dvtopn.h"
#include "dvtp1.h"
#include "enmappend.h"
#include "magmg.h"
#include "magmtx.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

USBC usbc;    /* constant-initialised (constexpr constructor) */

namespace {
const char szConnFormat[] = "#tpt_%04x#ptc_%04x#";

/* Forms of a device name, tried in this order. */
enum FORM { formNone, formConn, formMAC, formSN, formUsrName };
} // namespace

USBC::~USBC() {}

int USBC::FInit()
{
    /* A second start must not lose the first start's mutex. */
    USBC::Term();
    memset(&catHex, 0, sizeof(catHex));
    memset(&catIic, 0, sizeof(catIic));
    memset(&catImg, 0, sizeof(catImg));
    szFwDir[0] = '\0';
    pmtxCat = PmtxMagNew(false, {"USBC::FInit() pmtxCat", "USBC::FInit() pmtxCat", "USBC::FInit() pmtxCat"});
    if (pmtxCat == nullptr)
        return 0;
    pmtxUsbc = PmtxMagNew(true, {"USBC::FInit() pmtxUsbc = pabsfact->InstABSMTX", "USBC::FInit() pmtxUsbc->Init failed",
                                 "USBC::FInit() pmtxUsbc->Create failed"});
    if (pmtxUsbc == nullptr) {
        USBC::Term();
        return 0;
    }
    const char *szFail = nullptr;
    if (!pabsutil->FGetFirmwareDir(szFwDir, sizeof(szFwDir) - 1)) {
        pmtxUsbc->Unlock();
        szFail = "USBC::FInit() failed to get firmware image path";
    } else if (!pmtxUsbc->Unlock())
        szFail = "USBC::FInit() pmtxUsbc->Unlock() failed";
    if (szFail == nullptr)
        return 1;
    FRecordErc(ercInternalError, szFail);
    FMagMtxRelease(&pmtxUsbc);
    USBC::Term();
    return 0;
}

void USBC::Term()
{
    FMagMtxRelease(&pmtxCat);
    if (!FMagMtxRelease(&pmtxUsbc))
        FRecordErc(ercInternalError, "USBC::Term pmtxUsbc");
}

CATLOCK::CATLOCK(USBC *pusbc) : pmtx(pusbc->pmtxCat), fLocked(false)
{
    fLocked = pmtx != nullptr && pmtx->Lock(tmsLockTimeout);
}

CATLOCK::~CATLOCK()
{
    if (fLocked)
        pmtx->Unlock();
}

int USBC::FUsbcLock()
{
    return FMagLock(pmtxUsbc, "USBC::FUsbcLock");
}

int USBC::FUsbcUnLock()
{
    return FMagUnlock(pmtxUsbc, "USBC::FUsbcUnLock");
}

/* ---- connection strings ---- */

int USBC::FCheckSzConn(const char *szConnect)
{
    if (szConnect == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FCheckSzConn"), 0;
    unsigned tpt, ptc;
    return sscanf(szConnect, szConnFormat, &tpt, &ptc) == 2 && tpt == tptUsb && ptc == ptcUsbc;
}

int USBC::FCheckSzConnTbl(const char *szConn)
{
    return FCheckSzSN(szConn);
}

int USBC::FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn)
{
    if (szConn == nullptr || szDvcPath == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FSzConnFromSzDvcPath"), 0;
    if (cchConn < (int)strlen(szDvcPath) + 20)
        return FRecordErc(ercInvalidParameter, "USBC::FSzConnFromSzDvcPath cchConn"), 0;
    snprintf(szConn, (size_t)cchConn, "#tpt_%04x#ptc_%04x#%s", (unsigned)tptUsb, (unsigned)ptcUsbc, szDvcPath);
    return 1;
}

int USBC::FSzDvcPathFromSzConn(char *szPath, const char *szConn, int cchPath)
{
    if (szPath == nullptr || szConn == nullptr || cchPath < (int)strlen(szConn) + 1)
        return 0;
    unsigned tpt, ptc;
    int ichPath = -1;
    static const char szWhite[] = " \t\r\n\v\f";
    if (sscanf(szConn, "#tpt_%04x#ptc_%04x#%n", &tpt, &ptc, &ichPath) == 2 && ichPath > 0)
        ichPath += (int)strspn(szConn + ichPath, szWhite);
    else
        ichPath = -1;
    if (ichPath > 0 && szConn[ichPath] != '\0') {
        /* the path is one word: white space before it is skipped, and it
         * ends at the first white space after it */
        size_t cch = strcspn(szConn + ichPath, szWhite);
        memcpy(szPath, szConn + ichPath, cch);
        szPath[cch] = '\0';
    } else {
        strcpy(szPath, szConn);
    }
    return 1;
}

/* ---- temporary connections ---- */

ABSUSB *USBC::PusbOpen(const char *szPath, const char *szFn, int ercConnect)
{
    char szMsg[128];
    ABSUSB *pusb = pabsfact->InstABSUSB();
    if (pusb == nullptr) {
        snprintf(szMsg, sizeof(szMsg), "%s InstABSUSB failed", szFn);
        FRecordErc(ercInternalError, szMsg);
        return nullptr;
    }
    if (!pusb->Init()) {
        snprintf(szMsg, sizeof(szMsg), "%s ABSUSB::Init failed", szFn);
        FRecordErc(ercInternalError, szMsg);
        pabsfact->RlsABSUSB(pusb);
        return nullptr;
    }
    if (szPath != nullptr && !pusb->Connect(szPath)) {
        snprintf(szMsg, sizeof(szMsg), "%s ABSUSB::Connect failed", szFn);
        FRecordErc(ercConnect, szMsg);
        pusb->Term();
        pabsfact->RlsABSUSB(pusb);
        return nullptr;
    }
    return pusb;
}

/* Disconnect, Term and release; *pfOk (when not NULL) takes the outcome:
 * a failed Disconnect fails the operation, Term and release are recorded. */
void USBC::UsbClose(ABSUSB *pusb, const char *szFn, int *pfOk)
{
    char szMsg[128];
    if (pusb == nullptr)
        return;
    if (pfOk == nullptr || !*pfOk) {
        pusb->Disconnect();
        pusb->Term();
        pabsfact->RlsABSUSB(pusb);
        return;
    }
    if (!pusb->Disconnect()) {
        snprintf(szMsg, sizeof(szMsg), "%s ABSUSB::Disconnect failed", szFn);
        FRecordErc(ercInternalError, szMsg);
        *pfOk = 0;
    }
    if (!pusb->Term()) {
        snprintf(szMsg, sizeof(szMsg), "%s ABSUSB::Term failed", szFn);
        FRecordErc(ercInternalError, szMsg);
    }
    if (!pabsfact->RlsABSUSB(pusb)) {
        snprintf(szMsg, sizeof(szMsg), "%s ABSFACT::RlsABSUSB failed", szFn);
        FRecordErc(ercInternalError, szMsg);
    }
}

/* ---- open and close ---- */

namespace {
/* Table pass of an open: an entry naming the device's serial text as its
 * connection string and the request as its name (or, for a serial-number
 * request, as its connection string). */
bool FTblMatch(const DTBLMG *pdtblmg, const char *szSN, const char *szConnect, bool fSN)
{
    DVC dvc;
    for (int i = 0; i < pdtblmg->CdvcMac() && pdtblmg->FGetDvc(i, &dvc); i++) {
        if (strncmp(dvc.szConn, szSN, sizeof(dvc.szConn)) != 0)
            continue;
        if (fSN ? strncmp(dvc.szConn, szConnect, sizeof(dvc.szConn)) == 0
                : strncmp(dvc.szName, szConnect, sizeof(dvc.szName)) == 0)
            return true;
    }
    return false;
}
} // namespace

HIF USBC::HifOpenEx(const char *szConnect, int fTbl, int fDisc)
{
    static const char szFn[] = "USBC::HifOpenEx";
    if (szConnect == nullptr || !FUsbcLock())
        return hifNil;
    HIF hif = hifNil;
    DVTP1 *pdvt = nullptr;
    char szPath[cchUsbPathMax + 2] = "";
    ABSUSB *pusb = PusbOpen(nullptr, szFn, ercInternalError);
    FORM form = formNone;
    if (FCheckSzConn(szConnect))
        form = formConn;
    else if (FCheckSzMAC(szConnect))
        form = formMAC;
    else if (FCheckSzSN(szConnect))
        form = formSN;
    else if (FCheckSzUsrName(szConnect))
        form = formUsrName;
    bool fConnected = false;
    DTBLMG *pdtblmg = nullptr;
    if (pusb == nullptr || form == formNone)
        goto LDone;
    if (form == formConn) {
        if (!FSzDvcPathFromSzConn(szPath, szConnect, 261)) {
            FRecordErc(ercInternalError, "USBC::HifOpenEx FSzDvcPathFromSzConn");
            goto LDone;
        }
        if (!pusb->Connect(szPath)) {
            FRecordErc(ercInvalidParameter, "USBC::HifOpenEx connection failed");
            goto LDone;
        }
        fConnected = true;
    } else {
        uint32_t cdvc = 0;
        if (!pusb->Enumerate(&cdvc)) {
            FRecordErc(ercInternalError, "USBC::HifOpenEx ABSUSB::Enumerate failed");
            goto LDone;
        }
        if (fTbl) {
            pdtblmg = new (std::nothrow) DTBLMG();
            if (pdtblmg == nullptr) {
                FRecordErc(ercInsufficientResources, "USBC::HifOpenEx failed to allocate memory for DTBLMG");
                goto LDone;
            }
            if (!pdtblmg->FInit()) {
                FRecordErc(ercInternalError, "USBC::HifOpenEx pdtblmg->FInit failed");
                goto LDone;
            }
            if (!pdtblmg->FEnumTbl(dtpUsbFirmware)) {
                FRecordErc(ercInternalError, "USBC::HifOpenEx pdtblmg->FEnumTbl failed");
                goto LDone;
            }
        }
        for (uint32_t idvc = 0; idvc < cdvc && !fConnected; idvc++) {
            if (!pusb->GetSzDevPathByIdx(idvc, szPath, cchUsbPathMax)) {
                FRecordErc(ercInternalError, "USBC::HifOpenEx ABSUSB::GetSzDevPathByIdx failed");
                goto LDone;
            }
            if (!pusb->Connect(szPath))
                continue;
            int errSave = TvxGetLastError();
            char szSN[16] = "";
            bool fMatch = false;
            if ((fTbl || form == formSN) && !FGetSN(pusb, szSN)) {
                TvxSetLastErrorNoLog(errSave);
                pusb->Disconnect();
                continue;
            }
            if (pdtblmg != nullptr && form != formMAC)
                fMatch = FTblMatch(pdtblmg, szSN, szConnect, form == formSN);
            if (fDisc && !fMatch) {
                if (form == formSN) {
                    fMatch = strcmp(szSN, szConnect) == 0;
                } else if (form == formMAC) {
                    char szMAC[22];
                    fMatch = FGetMAC(pusb, szMAC) && FCmpSzMAC(szMAC, szConnect);
                } else {
                    char szUsr[17];
                    fMatch = FGetText(pusb, 0xE2, szUsr, 16, nullptr) && strcmp(szUsr, szConnect) == 0;
                }
            }
            TvxSetLastErrorNoLog(errSave);
            if (fMatch) {
                fConnected = true;
            } else if (!pusb->Disconnect() && !fDisc) {
                FRecordErc(ercInternalError, "USBC::HifOpenEx ABSUSB::Disconnect failed");
                goto LDone;
            }
        }
        if (!fConnected)
            goto LDone;
    }
    if (!FDevValidate(pusb, szPath, 0)) {
        FRecordErc(ercInternalError, "USBC::HifOpenEx FDevValidate failed");
        goto LDone;
    }
    if (!pusb->GetSzDevPath(szPath, cchUsbPathMax)) {
        FRecordErc(ercInternalError, "USBC::HifOpenEx GetSzDevPath failed");
        goto LDone;
    }
    if (!pusb->Disconnect()) {
        FRecordErc(ercInternalError, "USBC::HifOpenEx ABSUSB::Disconnect failed");
        goto LDone;
    }
    pdvt = new (std::nothrow) DVTP1();
    if (pdvt == nullptr) {
        FRecordErc(ercInsufficientResources, "USBC::HifOpenEx new DVTP1()");
        goto LDone;
    }
    if (!pdvt->FInit()) {
        FRecordErc(ercInternalError, "USBC::HifOpenEx DVT::FInit failed");
        pdvt->Term();
        delete pdvt;
        pdvt = nullptr;
        goto LDone;
    }
    if (!pdvt->FConnect(szPath, szPath)) {
        FRecordErc(ercInternalError, "USBC::HifOpenEx DVT::FConnect failed");
        pdvt->Term();
        delete pdvt;
        pdvt = nullptr;
        goto LDone;
    }
    hif = dvtmg.HifAdd(pdvt);
    if (hif == hifNil) {
        pdvt->Disconnect();
        pdvt->Term();
        delete pdvt;
        pdvt = nullptr;
    }
LDone:
    if (pusb) {
        pusb->Disconnect();
        pusb->Term();
        pabsfact->RlsABSUSB(pusb);
    }
    if (pdtblmg) {
        pdtblmg->Term();
        delete pdtblmg;
    }
    FUsbcUnLock();
    return hif;
}

int USBC::FClose(HIF hif)
{
    if (!FUsbcLock())
        return FRecordErc(ercInternalError, "USBC::FClose FUsbcLock failed"), 0;
    int fOk = 1;
    DVT *pdvt = dvtmg.PdvtRemHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "USBC::FClose if(pdvt == NULL)");
        fOk = 0;
    } else {
        uint8_t apt = pdvt->AptActive();
        int32_t prt = pdvt->PrtActive();
        if (apt != aptNone || prt != prtNone)
            pdvt->FDisableApt(apt >= 2 && apt < 34 ? 1u << (apt - 2) : 0, apt, prt);
        pdvt->Disconnect();
        pdvt->Term();
        delete pdvt;
    }
    if (pmtxUsbc == nullptr || !pmtxUsbc->Unlock()) {
        FRecordErc(ercInternalError, "Unlock failed in USBC::FClose");
        fOk = 0;
    }
    return fOk;
}

/* ---- enumeration ---- */

namespace {
bool FFilterPasses(uint32_t dinfoFilter, const void *pInfoSet, const EDVC &edvc, uint32_t dcapAvail)
{
    switch (dinfoFilter) {
    case 0: return true;
    case dinfoUsrName: return strcmp(edvc.szUsrName, (const char *)pInfoSet) == 0;
    case dinfoProdName: return strcmp(edvc.szProdName, (const char *)pInfoSet) == 0;
    case dinfoPDID: return edvc.pdid == *(const uint32_t *)pInfoSet;
    case dinfoSN: return MAG::FCmpSzSN(edvc.szSN, (const char *)pInfoSet) != 0;
    case dinfoMAC: return MAG::FCmpSzMAC(edvc.szMAC, (const char *)pInfoSet) != 0;
    case dinfoDcap: return (dcapAvail & *(const uint32_t *)pInfoSet) == *(const uint32_t *)pInfoSet;
    case dinfoConn: return strcmp(edvc.dvc.szConn, (const char *)pInfoSet) == 0;
    case dinfoProdId: return (uint16_t)(edvc.pdid >> 20) == *(const uint16_t *)pInfoSet;
    default: return false;
    }
}

/* A live record takes the name of the first table entry of its serial number. */
void MatchTblEntry(DVCMG *pdvcmgTbl, EDVC *pedvc)
{
    if (pedvc->szSN[0] == '\0')
        return;
    DVCNODE nodeTbl;
    for (int i = 0; pdvcmgTbl->FGetNode(i, &nodeTbl); i++) {
        if (strncmp(nodeTbl.edvc.dvc.szConn, pedvc->szSN, sizeof(pedvc->szSN)) == 0) {
            SzCopy(pedvc->dvc.szName, nodeTbl.edvc.dvc.szName, sizeof(pedvc->dvc.szName));
            pedvc->fsEdvc |= fsedvcTable;
            return;
        }
    }
}
} // namespace

/*
 * Live part of FEnum: each attached device that passes the filter is
 * appended to the enumeration list as soon as its record is complete, so
 * readers see devices arrive one by one and a failure later in the scan
 * keeps what was found before it.
 */
int USBC::FEnumLive(uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmgTbl, DVCMG *pdvcmg)
{
    static const char szFn[] = "USBC::FEnum";
    ABSUSB *pusb = PusbOpen(nullptr, szFn, ercInternalError);
    if (pusb == nullptr)
        return 0;
    uint32_t cdvc = 0;
    if (!pusb->Enumerate(&cdvc)) {
        FRecordErc(ercInternalError, "USBC::FEnum ABSUSB::Enumerate failed");
        UsbClose(pusb, szFn, nullptr);
        return 0;
    }
    int fOk = 1;
    DVCNODE node;
    for (uint32_t idvc = 0; idvc < cdvc && fOk; idvc++) {
        char szPath[cchUsbPathMax];
        if (!pusb->GetSzDevPathByIdx(idvc, szPath, sizeof(szPath)) || !pusb->Connect(szPath))
            continue;
        int errSave = TvxGetLastError();
        memset(&node, 0, sizeof(node));
        EDVC &edvc = node.edvc;
        if (!FDevIdentify(pusb, &edvc.pdid, nullptr)) {
            pusb->Disconnect();
            TvxSetLastErrorNoLog(errSave);
            continue;
        }
        FGetText(pusb, 0xE2, edvc.szUsrName, 16, nullptr);
        char szSN[16], szMAC[22];
        if (FGetSN(pusb, szSN))
            memcpy(edvc.szSN, szSN, sizeof(szSN));
        FGetText(pusb, 0xE1, edvc.szProdName, 28, nullptr);
        if (FGetMAC(pusb, szMAC))
            memcpy(edvc.szMAC, szMAC, sizeof(szMAC));
        TvxSetLastErrorNoLog(errSave);
        if (!FSzConnFromSzDvcPath(edvc.dvc.szConn, szPath, cchConnMax)) {
            pusb->Disconnect();
            FRecordErc(ercInternalError, "USBC::FEnum FSzConnFromSzDvcPath failed");
            fOk = 0;
            break;
        }
        uint32_t dcap = 0;
        bool fDcap = FGetDcapAvail(pusb, &dcap) != 0;
        TvxSetLastErrorNoLog(errSave);
        if (!FFilterPasses(dinfoFilter, pInfoSet, edvc, dcap)) {
            pusb->Disconnect();
            continue;
        }
        memcpy(edvc.dvc.szName, edvc.szUsrName, sizeof(edvc.szUsrName));
        edvc.dvc.dtp = dtpUsbFirmware;
        edvc.dcap = fDcap ? dcap : 0;
        edvc.cOpen = vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpUsbFirmware, szPath) : 0;
        edvc.fsEdvc = (uint16_t)(fsedvcLive | fsedvcPdid | (fDcap ? fsedvcDcap : 0));
        if (!FSzDvcPathFromSzConn(node.szDvcPath, edvc.dvc.szConn, sizeof(node.szDvcPath)))
            node.szDvcPath[0] = '\0';
        MatchTblEntry(pdvcmgTbl, &edvc);
        fOk = FEnmAppend(pdvcmg, &node, "USBC::FEnum pmtxEnum->Lock() failed", "USBC::FEnum pmtxEnum->Unlock() failed",
                         "USBC::FEnum DVCMG::FAddNode failed");
        if (!pusb->Disconnect()) {
            FRecordErc(ercInternalError, "USBC::FEnum ABSUSB::Disconnect() failed");
            fOk = 0;
        }
    }
    int fClose = 1;
    UsbClose(pusb, szFn, &fClose);
    return fOk;
}

namespace {
/* Table part of FEnum: the device table's USB entries kept by the filter. */
int FLoadTblNodes(uint32_t dinfoFilter, const void *pInfoSet, DVCMG *pdvcmgTbl)
{
    DTBLMG *pdtblmg = new (std::nothrow) DTBLMG();
    if (pdtblmg == nullptr)
        return FRecordErc(ercInsufficientResources, "USBC::FEnum failed to allocate memory for DTBLMG"), 0;
    int fOk = 0;
    if (!pdtblmg->FInit())
        FRecordErc(ercInternalError, "USBC::FEnum pdtblmg->FInit failed");
    else if (!pdtblmg->FEnumTbl(dtpUsbFirmware))
        FRecordErc(ercInternalError, "USBC::FEnum pdtblmg->FEnumTbl failed");
    else
        fOk = 1;
    DVCNODE node;
    for (int i = 0; fOk && i < pdtblmg->CdvcMac(); i++) {
        memset(&node, 0, sizeof(node));
        if (!pdtblmg->FGetDvc(i, &node.edvc.dvc))
            break;
        const DVC &dvc = node.edvc.dvc;
        if (dinfoFilter == dinfoName) {
            if (strncmp(dvc.szName, (const char *)pInfoSet, sizeof(dvc.szName)) != 0)
                continue;
        } else if (dinfoFilter != 0) {
            break;
        }
        if (pdvcmgTbl->FFindDvc(tptUsb, dvc.szName))
            continue;
        SzCopy(node.edvc.szSN, dvc.szConn, sizeof(node.edvc.szSN));
        node.edvc.fsEdvc = fsedvcTable;
        if (!pdvcmgTbl->FAddNode(&node)) {
            FRecordErc(ercInsufficientResources, "USBC::FEnum failed to allocate memory for DVCMG");
            fOk = 0;
        }
    }
    pdtblmg->Term();
    delete pdtblmg;
    return fOk;
}
} // namespace

/*
 * A device table that cannot be read (another process holds its lock past
 * the wait, a broken file) is recorded and makes the result FALSE, but the
 * attached devices are still listed, under their own names: a failed table
 * must not hide the boards that are there.
 */
int USBC::FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg)
{
    if (dinfoFilter != 0 && pInfoSet == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FEnum NULL pInfoSet and not dinfoNone"), 0;
    if (pdvcmg == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FEnum NULL list"), 0;
    DVCMG *pdvcmgTbl = new (std::nothrow) DVCMG();
    if (pdvcmgTbl == nullptr)
        return FRecordErc(ercInsufficientResources, "USBC::FEnum failed to allocate memory for DVCMG"), 0;
    if (!pdvcmgTbl->FInit()) {
        FRecordErc(ercInternalError, "USBC::FEnum pdvcmgTbl->FInit failed");
        delete pdvcmgTbl;
        return 0;
    }
    int fTblOk = !fTbl || FLoadTblNodes(dinfoFilter, pInfoSet, pdvcmgTbl);
    int fOk = !fDisc || FEnumLive(dinfoFilter, pInfoSet, pdvcmgTbl, pdvcmg);
    /* Table entries whose device is not listed live come from the table alone. */
    DVCNODE nodeTbl;
    for (int i = 0; fOk && pdvcmgTbl->FGetNode(i, &nodeTbl); i++) {
        if (!FEnmHasSN(pdvcmg, nodeTbl.edvc.dvc.szConn))
            fOk = FEnmAppend(pdvcmg, &nodeTbl, "USBC::FEnum pmtxEnum->Lock() table add failed 2",
                             "USBC::FEnum pmtxEnum->Unlock() table add failed 3", "USBC::FEnum DVCMG::FAddNode failed");
    }
    pdvcmgTbl->Term();
    delete pdvcmgTbl;
    return fOk && fTblOk;
}

/* ---- capability switch ---- */

int USBC::FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB)
{
    static const char szFn[] = "USBC::FEnable";
    if (szConn == nullptr || !FUsbcLock())
        return 0;
    int fOk = 0;
    ABSUSB *pusb = PusbOpen(szConn, szFn, ercInternalError);
    if (pusb) {
        fOk = FDevValidate(pusb, nullptr, dcapA | dcapB);
        UsbClose(pusb, szFn, &fOk);
    }
    FUsbcUnLock();
    return fOk;
}

int USBC::FDisable(const char *szConn, uint32_t dcapA, uint32_t dcapB)
{
    static const char szFn[] = "USBC::FDisable";
    if (szConn == nullptr || !FUsbcLock())
        return 0;
    int fOk = 0;
    ABSUSB *pusb = PusbOpen(szConn, szFn, ercInternalError);
    if (pusb) {
        fOk = FDevValidate(pusb, nullptr, dcapA & ~dcapB);
        if (!fOk)
            FRecordErc(ercInternalError, "USBC::FDisable FDevValidate failed");
        UsbClose(pusb, szFn, &fOk);
    }
    FUsbcUnLock();
    return fOk;
}

/* ---- start-up ---- */

int FUsbcStart()
{
    return magmg.FStartMag(tptUsb, ptcUsbc, &usbc);
}

void UsbcStop()
{
    usbc.Term();
}
