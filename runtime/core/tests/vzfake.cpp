/*
 * vzfake.cpp - the fake transport and manager of the core's tests.
 */
#include "vzfake.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "dtblmg.h"
#include "dvcmg.h"
#include "dvtmg.h"
#include "dvtopn.h"
#include "magmg.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

const char szPrefix[] = "FAKE:";
const size_t cchPrefix = 5;

std::mutex mtxBusy;
MAGFAKE *pmagfakeLive;
ABSSHM *pshmBusy;
FAKEBUSY *pfakebusy;

void PutLe32(uint8_t *pb, uint32_t dw)
{
    for (int ib = 0; ib < 4; ib++)
        pb[ib] = (uint8_t)(dw >> (8 * ib));
}

} // namespace

std::atomic<int> DVTFAKE::cFirstOpener{0};
std::atomic<int> DVTFAKE::cLive{0};
uint32_t DVTFAKE::rgprpPorts[15] = {0x00000003, 0x80000005, 0x00000007};
int DVTFAKE::cprpPorts = 3;

FAKEBUSY *PfakebusyMap()
{
    std::lock_guard<std::mutex> lock(mtxBusy);
    if (pfakebusy)
        return pfakebusy;
    pshmBusy = pabsfact->InstABSSHM();
    void *pv = nullptr;
    if (pshmBusy && pshmBusy->Init() && pshmBusy->Create("/tmp/vztest-fakebusy", &pv, sizeof(FAKEBUSY)))
        pfakebusy = static_cast<FAKEBUSY *>(pv);
    return pfakebusy;
}

void FakebusyUnmap()
{
    std::lock_guard<std::mutex> lock(mtxBusy);
    if (pshmBusy) {
        pshmBusy->Term();
        pabsfact->RlsABSSHM(pshmBusy);
    }
    pshmBusy = nullptr;
    pfakebusy = nullptr;
}

DVTFAKE::DVTFAKE()
{
    dtp = dtpFake;
}

int DVTFAKE::FXInit() { cLive++; return 1; }
void DVTFAKE::XTerm() { cLive--; }

int DVTFAKE::FXConnect(int fFirstOpener)
{
    if (fFirstOpener)
        cFirstOpener++;
    return strcmp(szDvcPath, "fail-connect") != 0;
}

void DVTFAKE::XDisconnect()
{
}

int DVTFAKE::IDevice()
{
    int idev = 15;
    if (sscanf(szDvcPath, "dev%d", &idev) != 1 || idev < 0 || idev > 15)
        idev = 15;
    return idev;
}

bool DVTFAKE::FCancelled()
{
    return PsemTransCancel()->Wait(0);
}

/* Run one command at the device; fills the status packet, returns its length. */
int DVTFAKE::FRun(uint8_t *rgbSts, const uint8_t *rgbCmd)
{
    int n = rgbCmd[0];
    uint8_t apt = n >= 1 ? rgbCmd[1] : 0;
    uint8_t cmd = n >= 2 ? rgbCmd[2] : 0;
    const uint8_t *pbArg = rgbCmd + 4;
    int carg = n >= 3 ? n - 3 : 0;
    uint8_t bArg0 = carg > 0 ? pbArg[0] : 0;

    if (cmd == 2 && n == 4) {
        int cprp = (bArg0 >= 1 ? bArg0 - 1 : 0) / 4;
        if (cprp > 15)
            cprp = 15;
        rgbSts[1] = 0;
        rgbSts[2] = (uint8_t)cprpPorts;
        for (int iprp = 0; iprp < cprp; iprp++)
            PutLe32(rgbSts + 3 + 4 * iprp, rgprpPorts[iprp]);
        rgbSts[0] = (uint8_t)(2 + 4 * cprp);
        return rgbSts[0] + 1;
    }
    if (apt != aptLoop) {
        rgbSts[0] = 1;
        rgbSts[1] = 50;
        return 2;
    }
    switch (cmd) {
    case cmdEcho:
        rgbSts[0] = (uint8_t)(1 + carg);
        rgbSts[1] = 0;
        memcpy(rgbSts + 2, pbArg, carg);
        return carg + 2;
    case cmdXfer:
        sumRcvd = 0;
        rgbSts[0] = 1;
        rgbSts[1] = 0;
        return 2;
    case cmdXferDone:
        rgbSts[0] = 10;
        rgbSts[1] = 0xC0;
        PutLe32(rgbSts + 2, cbDataOut);
        PutLe32(rgbSts + 6, cbDataIn);
        rgbSts[10] = (uint8_t)sumRcvd;
        return 11;
    case cmdFail:
        rgbSts[0] = 1;
        rgbSts[1] = bArg0;
        return 2;
    case cmdHang:
        while (!FCancelled())
            pabsutil->SleepMs(1);
        fCancelSent = 1;
        rgbSts[0] = 1;
        rgbSts[1] = ercTransferCancelled;
        return 2;
    case cmdSlow:
        for (int tms = 0; tms < bArg0; tms++) {
            if (FCancelled()) {
                fCancelSent = 1;
                rgbSts[0] = 1;
                rgbSts[1] = ercTransferCancelled;
                return 2;
            }
            pabsutil->SleepMs(1);
        }
        rgbSts[0] = 2;
        rgbSts[1] = 0;
        rgbSts[2] = carg > 1 ? pbArg[1] : 0;
        return 3;
    case cmdRaw:
        memcpy(rgbSts, pbArg, carg);
        return carg;
    default:
        rgbSts[0] = 1;
        rgbSts[1] = 50;
        return 2;
    }
}

int DVTFAKE::FCmdPhase(const uint8_t *rgbCmd, TFPRPLY *prply)
{
    uint8_t rgbSts[cbStsPktMax + 4] = {};
    int cbSts = FRun(rgbSts, rgbCmd);
    return FProcessSts(rgbSts, (uint32_t)cbSts, prply);
}

/* Both directions at once, in chunks; a cancel sends the abort and ends it short. */
void DVTFAKE::DataPhase()
{
    const uint32_t cbChunk = 64;
    uint8_t seed = tfp.rgbCmd[0] >= 4 ? tfp.rgbCmd[4] : 0;
    uint32_t cbOut = 0, cbIn = 0, cchunk = 0;
    while (cbOut < tfp.cbSnd || cbIn < tfp.cbRcv) {
        if (FCancelled()) {
            fCancelSent = 1;
            break;
        }
        for (uint32_t ib = 0; ib < cbChunk && cbOut < tfp.cbSnd; ib++)
            sumRcvd += tfp.pbSnd[cbOut++];
        for (uint32_t ib = 0; ib < cbChunk && cbIn < tfp.cbRcv; ib++, cbIn++)
            tfp.pbRcv[cbIn] = (uint8_t)(seed + cbIn);
        SetCbData(cbOut, cbIn);
        if (++cchunk % 1024 == 0)
            pabsutil->SleepMs(1);   /* about 64 KB per millisecond and direction */
    }
    bool fOutShort = cbOut < tfp.cbSnd, fInShort = cbIn < tfp.cbRcv;
    if (fOutShort && fInShort)
        ercTrans = ercDataSndLessRcvLess;
    else if (fOutShort)
        ercTrans = ercDataSndLess;
    else if (fInShort)
        ercTrans = ercDataRcvLess;
}

int DVTFAKE::FXTrans()
{
    int idev = IDevice();
    FAKEBUSY *pbusy = PfakebusyMap();
    if (pbusy) {
        if (__atomic_fetch_add(&pbusy->rgcInside[idev], 1, __ATOMIC_SEQ_CST) != 0)
            __atomic_fetch_add(&pbusy->rgcOverlap[idev], 1, __ATOMIC_SEQ_CST);
        __atomic_fetch_add(&pbusy->rgcTrans[idev], 1, __ATOMIC_SEQ_CST);
    }
    int fOk = 1;
    if (tfp.rgbCmd[0] != 0)
        fOk = FCmdPhase(tfp.rgbCmd, &tfp.rplyCmd);
    if (fOk && (tfp.cbSnd != 0 || tfp.cbRcv != 0))
        DataPhase();
    if (fOk && tfp.rgbCmdDone[0] != 0)
        fOk = FCmdPhase(tfp.rgbCmdDone, &tfp.rplyCmdDone);
    if (pbusy)
        __atomic_fetch_sub(&pbusy->rgcInside[idev], 1, __ATOMIC_SEQ_CST);
    return fOk && ercTrans == 0;
}

int MAGFAKE::FCheckSzConn(const char *szConnect)
{
    return szConnect != nullptr && strncmp(szConnect, szPrefix, cchPrefix) == 0;
}

HIF MAGFAKE::HifOpenEx(const char *szConnect, int fTbl, int fDisc)
{
    cOpenCalls++;
    szLastOpenEx = szConnect ? szConnect : "";
    fTblLast = fTbl;
    fDiscLast = fDisc;
    if (!FCheckSzConn(szConnect))
        return hifNil;
    const char *szPath = szConnect + cchPrefix;
    DVTFAKE *pdvt = new DVTFAKE;
    if (!pdvt->FInit()) {
        delete pdvt;
        return hifNil;
    }
    if (!pdvt->FConnect(szPath, szPath)) {
        pdvt->Term();
        delete pdvt;
        return hifNil;
    }
    HIF hif = dvtmg.HifAdd(pdvt);
    if (hif == hifNil) {
        pdvt->Disconnect();
        pdvt->Term();
        delete pdvt;
    }
    return hif;
}

int MAGFAKE::FClose(HIF hif)
{
    DVT *pdvt = dvtmg.PdvtRemHif(hif);
    if (pdvt == nullptr) {
        TvxSetLastErrorLog(ercInvalidHif, "MAGFAKE::FClose");
        return 0;
    }
    pdvt->FDisableActiveApt();
    pdvt->Disconnect();
    pdvt->Term();
    delete pdvt;
    return 1;
}

int MAGFAKE::FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB)
{
    cEnable++;
    uint32_t dcap = dcapA | dcapB;
    if ((dcap & (dcapPub | dcapPriv)) == dcap)
        return 1;
    TvxSetLastErrorLog(ercNotSupported, "MAGFAKE::FEnable");
    return 0;
}

int MAGFAKE::FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet)
{
    if (dinfo != dinfoDcapDev || pInfoGet == nullptr)
        return 0;
    uint32_t rgdcap[2] = {dcapPub, dcapPriv};
    memcpy(pInfoGet, rgdcap, sizeof(rgdcap));
    return 1;
}

int MAGFAKE::FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn)
{
    return snprintf(szConn, cchConn, "%s%s", szPrefix, szDvcPath) < cchConn;
}

namespace {

int FAppendLocked(DVCMG *pdvcmg, const DVCNODE *pnode)
{
    if (!vzproc.pmtxEnum->Lock(tmsLockTimeout))
        return 0;
    int f = pdvcmg->FAddNode(pnode);
    vzproc.pmtxEnum->Unlock();
    return f;
}

/* Whether some node of the list carries serial szSN. */
int FListHasSN(const DVCMG *pdvcmg, const char *szSN, bool fLock)
{
    if (fLock && !vzproc.pmtxEnum->Lock(tmsLockTimeout))
        return 0;
    int f = 0;
    DVCNODE node;
    for (int i = 0; !f && pdvcmg->FGetNode(i, &node); i++)
        f = strncmp(node.edvc.szSN, szSN, sizeof(node.edvc.szSN)) == 0;
    if (fLock)
        vzproc.pmtxEnum->Unlock();
    return f;
}

} // namespace

int MAGFAKE::FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg)
{
    cEnumCalls++;
    cEnumInside++;
    if (pInfoSet == nullptr && dinfoFilter != 0) {
        TvxSetLastErrorLog(ercInvalidParameter, "MAGFAKE::FEnum");
        cEnumInside--;
        return 0;
    }
    DVCMG dvcmgTbl;
    dvcmgTbl.FInit();
    DVCNODE node;
    if (fTbl) {
        DTBLMG dtbl;
        if (dtbl.FInit() && dtbl.FEnumTbl(dtpFake)) {
            for (int i = 0; i < dtbl.CdvcMac(); i++) {
                memset(&node, 0, sizeof(node));
                dtbl.FGetDvc(i, &node.edvc.dvc);
                const DVC &dvc = node.edvc.dvc;
                if (dinfoFilter > 1 || (dinfoFilter == 1 && strcmp(dvc.szName, (const char *)pInfoSet) != 0))
                    continue;
                if (dvcmgTbl.FFindDvc(dvc.dtp & 0xFFFF, dvc.szName))
                    continue;
                node.edvc.fsEdvc = fsedvcTable;
                SzCopy(node.edvc.szSN, dvc.szConn, sizeof(node.edvc.szSN));
                dvcmgTbl.FAddNode(&node);
            }
        }
        dtbl.Term();
    }
    if (fDisc) {
        for (uint32_t tms = 0; tms < tmsDisc; tms += 5) {
            if (MAG::FIsEnumStopped()) {
                fDiscStopped++;
                break;
            }
            pabsutil->SleepMs(5);
        }
        for (const std::string &szPath : vszLive) {
            if (dinfoFilter != 0)
                break;    /* the fake knows no filter codes */
            memset(&node, 0, sizeof(node));
            EDVC &edvc = node.edvc;
            snprintf(edvc.dvc.szConn, sizeof(edvc.dvc.szConn), "%s%s", szPrefix, szPath.c_str());
            snprintf(edvc.dvc.szName, sizeof(edvc.dvc.szName), "usr-%s", szPath.c_str());
            edvc.dvc.dtp = dtpFake;
            SzCopy(edvc.szSN, edvc.dvc.szConn, sizeof(edvc.szSN));
            edvc.pdid = 0x1234;
            edvc.fsEdvc = fsedvcLive | fsedvcPdid;
            edvc.cOpen = vzproc.pdvtopn->CdvtoFindDev(dtpFake, szPath.c_str());
            DVCNODE nodeTbl;
            for (int i = 0; dvcmgTbl.FGetNode(i, &nodeTbl); i++) {
                if (strcmp(nodeTbl.edvc.dvc.szConn, edvc.szSN) == 0) {
                    SzCopy(edvc.dvc.szName, nodeTbl.edvc.dvc.szName, sizeof(edvc.dvc.szName));
                    edvc.fsEdvc |= fsedvcTable;
                    break;
                }
            }
            FAppendLocked(pdvcmg, &node);
        }
    }
    DVCNODE nodeTbl;
    for (int i = 0; dvcmgTbl.FGetNode(i, &nodeTbl); i++) {
        if (!FListHasSN(pdvcmg, nodeTbl.edvc.dvc.szConn, true))
            FAppendLocked(pdvcmg, &nodeTbl);
    }
    dvcmgTbl.Term();
    cEnumInside--;
    return 1;
}

MAGFAKE *PmagfakeStart(const char *szNamespaceTag)
{
    if (getenv("YORL_NAMESPACE") == nullptr || szNamespaceTag != nullptr) {
        char szNs[96];
        snprintf(szNs, sizeof(szNs), "vzt-%s-%u", szNamespaceTag ? szNamespaceTag : "core",
                 pabsutil ? pabsutil->GetIdProcess() : 0u);
#if defined(_WIN32)
        _putenv_s("YORL_NAMESPACE", szNs);
#else
        setenv("YORL_NAMESPACE", szNs, 1);
#endif
    }
    DllInit();
    if (!FVzStarted())
        return nullptr;
    MAGFAKE *pmag = new MAGFAKE;
    magmg.FAddMag(tptFake, ptcFake, pmag);
    pmagfakeLive = pmag;
    return pmag;
}

void VzTestStop()
{
    DllTerm();
    FakebusyUnmap();
    delete pmagfakeLive;
    pmagfakeLive = nullptr;
}

void SetCmd(TFP *ptfp, uint8_t apt, uint8_t cmd, std::initializer_list<uint8_t> args)
{
    uint8_t *pb = ptfp->rgbCmd;
    pb[0] = (uint8_t)(3 + args.size());
    pb[1] = apt;
    pb[2] = cmd;
    pb[3] = 0;
    int ib = 4;
    for (uint8_t b : args)
        pb[ib++] = b;
}
