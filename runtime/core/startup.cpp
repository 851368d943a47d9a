/*
 * startup.cpp - DllInit and DllTerm: the runtime's start-up at load and its
 * shut-down at unload, in their fixed orders.
 *
 * Start-up never makes the load fail. A failed step records 3080 with the
 * step's message, undoes what was done and records 3090; the library then
 * stays loaded but not started, and only the functions marked "always" in
 * voziri.h do their work.
 */
#include <string.h>

#include "dtblmg.h"
#include "dvt.h"
#include "dvtbl.h"
#include "dvtmg.h"
#include "dvtopn.h"
#include "enmmg.h"
#include "magmg.h"
#include "netset.h"
#include "vzcore.h"
#include "yorl.h"
#ifdef KOR_NET_IN_CORE
#include "netc.h"
#endif
#ifdef KOR_USB_IN_CORE
#include "usbc.h"
#endif
#ifdef KOR_FTDI_IN_CORE
#include "ftdevcmg.h"
#include "ftdic.h"
#include "ftdmgr.h"
#endif

namespace {

const char szOneTimeInitMutex[] = "/tmp/korvanel-orrin2-mtx-otinit";

struct SHMSEG {
    ABSSHM **ppshm;
    void **ppv;
    const char *szName;
    uint32_t cb;
    const char *szFail;
};

/* The three segments, in their fixed order. */
void GetSegments(SHMSEG rgseg[3])
{
    rgseg[0] = {&vzproc.pshmDvtbl, &vzproc.pdvtbl, "/tmp/korvanel-orrin2-shm-dvtbl", cbShmDvtbl,
                "VOZIRI DllInit failed to create shared memory segment DVTBL"};
    rgseg[1] = {&vzproc.pshmDvtopn, reinterpret_cast<void **>(&vzproc.pdvtopn), "/tmp/korvanel-orrin2-shm-dvtopn",
                cbShmDvtopn, "VOZIRI DllInit failed to create shared memory segment DVTOPN"};
    rgseg[2] = {&vzproc.pshmFtdevcmg, &vzproc.pftdevcmg, "/tmp/korvanel-orrin2-shm-ftdevcmg", cbShmFtdevcmg,
                "VOZIRI DllInit failed to create shared memory segment FTDEVCMG"};
}

struct PROCMTX {
    ABSMTX **ppmtx;
    const char *szFail;
};

void GetProcessMutexes(PROCMTX rgmtx[3])
{
    rgmtx[0] = {&vzproc.pmtxEnum, "VOZIRI DllInit failed to create mutex pmtxEnum"};
    rgmtx[1] = {&vzproc.pmtxEnumStop, "VOZIRI DllInit failed to create mutex pmtxEnumStop"};
    rgmtx[2] = {&vzproc.pmtxTimer, "VOZIRI DllInit failed to create mutex pmtxTimer"};
}

/* Steps 5 to 10: obtain and set up the operating-system objects. */
const char *SzInitObjects()
{
    SHMSEG rgseg[3];
    PROCMTX rgmtx[3];
    GetSegments(rgseg);
    GetProcessMutexes(rgmtx);

    for (SHMSEG &seg : rgseg)
        *seg.ppshm = pabsfact->InstABSSHM();
    for (SHMSEG &seg : rgseg) {
        if (*seg.ppshm == nullptr)
            return "VOZIRI DllInit failed to obtain shared memory object";
    }
    for (PROCMTX &mtx : rgmtx)
        *mtx.ppmtx = pabsfact->InstABSMTX();
    for (PROCMTX &mtx : rgmtx) {
        if (*mtx.ppmtx == nullptr)
            return "VOZIRI DllInit failed to obtain mutex object";
    }
    vzproc.pnmtxOneTimeInit = pabsfact->InstABSNMTX();
    if (vzproc.pnmtxOneTimeInit == nullptr)
        return "VOZIRI DllInit failed to obtain named mutex object";

    for (SHMSEG &seg : rgseg) {
        if (!(*seg.ppshm)->Init() || !(*seg.ppshm)->Create(seg.szName, seg.ppv, seg.cb)) {
            *seg.ppv = nullptr;
            return seg.szFail;
        }
    }
    for (PROCMTX &mtx : rgmtx) {
        if (!(*mtx.ppmtx)->Init() || !(*mtx.ppmtx)->Create(false))
            return mtx.szFail;
    }
    if (!vzproc.pnmtxOneTimeInit->Init())
        return "VOZIRI DllInit failed to init mutex pnmtxOneTimeInit";
    return nullptr;
}

/* The FTDI interface list, when the FTDI transport is built in. */
bool FFtdmgrInit()
{
#ifdef KOR_FTDI_IN_CORE
    return ftdmgr.FInit() != 0;
#else
    return true;
#endif
}

/* Step 11: the tables and registries. */
const char *SzInitTables()
{
    if (!PdvtblShared()->FInit())
        return "VOZIRI DllInit failed to init DVTBL";
    if (!dvtmg.FInit() || !magmg.FInit() || !dtblmg.FInit() || !enmmg.FInit() || !FFtdmgrInit())
        return "VOZIRI DllInit failed to init DVTMG, MAGMG, DTBLMG, ENNMG, FTDMGR";
    if (!vzproc.pdvtopn->FInit())
        return "VOZIRI DllInit failed to init DVTOPN";
#ifdef KOR_FTDI_IN_CORE
    if (!static_cast<FTDEVCMG *>(vzproc.pftdevcmg)->FInit())
        return "VOZIRI DllInit failed to init FTDEVCMG";
#endif
    return nullptr;
}

/* Steps 12 and 13: the one-time-initialisation mutex. */
const char *SzInitOneTime()
{
    if (vzproc.pnmtxOneTimeInit->Create(szOneTimeInitMutex, true)) {
        /* This process is the only one with the runtime loaded. */
#ifdef KOR_FTDI_IN_CORE
        if (!ftdmgr.FClearShm()) {
            vzproc.pnmtxOneTimeInit->Unlock();
            return "VOZIRI DllInit failed to init FTDMGR shm";
        }
#endif
        vzproc.pnmtxOneTimeInit->Unlock();
        return nullptr;
    }
    if (pabsutil->GetLastErc() == ercAbsTimeout)
        return nullptr;
    return "VOZIRI DllInit failed to create mutex pnmtxOneTimeInit";
}

/* Steps 14 to 16: USBC (1, 1), FTDIC (1, 2), NETC (2, 1). */
const char *SzInitManagers()
{
#ifdef KOR_USB_IN_CORE
    if (!usbc.FInit())
        return "VOZIRI DllInit failed to init USBC";
    if (!magmg.FAddMag(tptUsb, ptcUsbc, &usbc))
        return "VOZIRI DllInit failed to add USBC to MAGMG";
#endif
#ifdef KOR_FTDI_IN_CORE
    /* Without the D2XX library there is no FTDI manager; the others work on. */
    int ercSave = TvxGetLastError();
    if (ftdic.FInit()) {
        if (!magmg.FAddMag(tptUsb, ptcFtdic, &ftdic))
            return "VOZIRI DllInit failed to add FTDIC to MAGMG";
    } else {
        TvxSetLastErrorNoLog(ercSave);
    }
#endif
#ifdef KOR_NET_IN_CORE
    if (!netc.FInit())
        return "VOZIRI DllInit failed to init NETC";
    if (!magmg.FAddMag(tptNet, ptcNetc, &netc))
        return "VOZIRI DllInit failed to add NETC to MAGMG";
#endif
    return nullptr;
}

void TermManagers()
{
#ifdef KOR_USB_IN_CORE
    UsbcStop();
#endif
#ifdef KOR_NET_IN_CORE
    NetcStop();
#endif
#ifdef KOR_FTDI_IN_CORE
    FtdicStop();
    ftdmgr.Term();
    if (vzproc.pftdevcmg)
        static_cast<FTDEVCMG *>(vzproc.pftdevcmg)->Term();
#endif
}

/* Every component's Term acts only on what its FInit created. */
void TermTables()
{
    if (PdvtblShared())
        PdvtblShared()->Term();
    dvtmg.Term();
    magmg.Term();
    dtblmg.Term();
    enmmg.Term();
    if (vzproc.pdvtopn)
        vzproc.pdvtopn->Term();
    TermManagers();
}

/* Shut-down's order: the tables after the managers, the shared ones last. */
void TermAtUnload()
{
    dvtmg.Term();
    magmg.Term();
    dtblmg.Term();
    enmmg.Term();
    TermManagers();
    if (PdvtblShared())
        PdvtblShared()->Term();
    if (vzproc.pdvtopn)
        vzproc.pdvtopn->Term();
}

void ReleaseObjects()
{
    SHMSEG rgseg[3];
    PROCMTX rgmtx[3];
    GetSegments(rgseg);
    GetProcessMutexes(rgmtx);
    for (SHMSEG &seg : rgseg) {
        if (*seg.ppshm) {
            (*seg.ppshm)->Term();
            pabsfact->RlsABSSHM(*seg.ppshm);
            *seg.ppshm = nullptr;
        }
        *seg.ppv = nullptr;
    }
    for (PROCMTX &mtx : rgmtx) {
        if (*mtx.ppmtx) {
            (*mtx.ppmtx)->Term();
            pabsfact->RlsABSMTX(*mtx.ppmtx);
            *mtx.ppmtx = nullptr;
        }
    }
    if (vzproc.pnmtxOneTimeInit) {
        vzproc.pnmtxOneTimeInit->Term();
        pabsfact->RlsABSNMTX(vzproc.pnmtxOneTimeInit);
        vzproc.pnmtxOneTimeInit = nullptr;
    }
}

} // namespace

void DllInit()
{
    memset(&vzproc, 0, sizeof(vzproc));
    TvxSetLastErrorNoLog(0);
    TvxClrFsadm(0xFFFFFFFFu);
    TvxSetFsadm(fsadmDcapPub);
    netset.Reset();

    LogSettingsFromEnv();

    if (pabsutil == nullptr || pabsfact == nullptr) {
        FRecordErc(ercYorlInitFailed, "YORL library initialization failed");
        return;
    }

    const char *szFail = SzInitObjects();
    bool fTablesTouched = false;
    if (szFail == nullptr) {
        fTablesTouched = true;
        szFail = SzInitTables();
    }
    if (szFail == nullptr)
        szFail = SzInitOneTime();
    if (szFail == nullptr)
        szFail = SzInitManagers();
    if (szFail) {
        FRecordErc(ercInternalError, szFail);
        if (fTablesTouched)
            TermTables();
        ReleaseObjects();
        FRecordErc(ercVoziriInitFailed, "VOZIRI library initialization failed");
        return;
    }
    vzproc.fStarted = 1;
}

void DllTerm()
{
    if (!vzproc.fStarted)
        return;
    /* A running asynchronous enumeration calls the managers: it ends first. */
    enmmg.StopForUnload();
    /* Every handle goes: none of them waits for another's transaction. */
    for (HIF hif = 1; hif <= chifMax; hif++) {
        if (DVT *pdvt = dvtmg.PdvtFromHif(hif))
            pdvt->AbandonTrans();
    }
    for (HIF hif = 1; hif <= chifMax; hif++) {
        if (dvtmg.PdvtFromHif(hif))
            TvxClose(hif);
    }
    TermAtUnload();
    ReleaseObjects();
    vzproc.fStarted = 0;
}
