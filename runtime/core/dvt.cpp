/*
 * dvt.cpp - DVT lifecycle: objects, the two threads, connect and disconnect.
 *
 * Thread protocol (all semaphores start at 0):
 *
 *   transaction thread                       time-out thread
 *   ------------------                       ---------------
 *   release psemTransRdy  (ready; also the   release psemTimerRdy
 *     completion of the previous one)        wait psemTimer
 *   wait psemTimerRdy (1000 ms)  <---------
 *   wait psemTrans  <-- FDoTrans, Term
 *   drain psemTransCancel
 *   release psemTimer  ------------------->  wait psemTimerResume (tmsTimeout)
 *   release psemTransRdy (taken) --> FDoTrans  on time-out: release psemTransCancel,
 *   lock device mutex, FXTrans, unlock           wait psemTimerResume without limit
 *   release psemTimerResume  -------------->
 *
 * The device-mutex wait is sliced so that Disconnect and Term can make the
 * thread give up a device another handle keeps busy; Term joins both threads
 * before anything they use is released.
 */
#include <string.h>

#include "dvt.h"
#include "dvtopn.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

const uint32_t tmsDevLockSlice = 100;

void ReleaseSem(ABSSEM **ppsem)
{
    if (*ppsem) {
        (*ppsem)->Term();
        pabsfact->RlsABSSEM(*ppsem);
        *ppsem = nullptr;
    }
}

void ReleaseMtx(ABSMTX **ppmtx)
{
    if (*ppmtx) {
        (*ppmtx)->Term();
        pabsfact->RlsABSMTX(*ppmtx);
        *ppmtx = nullptr;
    }
}

void ReleaseThd(ABSTHD **ppthd)
{
    if (*ppthd) {
        (*ppthd)->Term();
        pabsfact->RlsABSTHD(*ppthd);
        *ppthd = nullptr;
    }
}

} // namespace

DVT::DVT()
    : fIdle(1), fTerminate(0), pthdTimeout(nullptr), pthdTrans(nullptr), pmtxDvt(nullptr), pmtxCs(nullptr),
      psemTrans(nullptr), psemTransRdy(nullptr), psemTransCancel(nullptr), psemTransTerm(nullptr),
      psemTimer(nullptr), psemTimerResume(nullptr), psemTimerRdy(nullptr), psemTimerTerm(nullptr),
      fCancelSent(0), fCtrlSecure(0), fDataSecure(0), idvto(-1), aptActive(aptNone), prtActive(prtNone),
      dwDscn(0), tmsTimeout(tmsTransTimeoutDefault), dtp(0), cbDataOut(0), cbDataIn(0), ercTrans(0), fAbandon(0),
      fThdTimeout(0), fThdTrans(0), dcapActive(0), clockDcap(0), cprpReply(0)
{
    memset(&tfp, 0, sizeof(tfp));
    szConn[0] = '\0';
    szDvcPath[0] = '\0';
    memset(rgprpReply, 0, sizeof(rgprpReply));
}

DVT::~DVT()
{
}

int DVT::FInit()
{
    ABSSEM **rgppsem[] = {&psemTrans, &psemTransRdy, &psemTransCancel, &psemTransTerm,
                          &psemTimer, &psemTimerResume, &psemTimerRdy, &psemTimerTerm};
    const char *szFail = nullptr;
    int erc = ercInternalError;

    pmtxDvt = pabsfact->InstABSMTX();
    pmtxCs = pabsfact->InstABSMTX();
    if (pmtxDvt == nullptr || pmtxCs == nullptr) {
        erc = ercInsufficientResources;
        szFail = "DVT::FInit InstABSMTX";
    }
    for (ABSSEM **ppsem : rgppsem) {
        if (szFail == nullptr && (*ppsem = pabsfact->InstABSSEM()) == nullptr) {
            erc = ercInsufficientResources;
            szFail = "DVT::FInit InstABSSEM";
        }
    }
    if (szFail == nullptr && (!pmtxDvt->Init() || !pmtxCs->Init()))
        szFail = "DVT::FInit ABSMTX::Init failed";
    for (ABSSEM **ppsem : rgppsem) {
        if (szFail == nullptr && !(*ppsem)->Init())
            szFail = "DVT::FInit ABSSEM::Init failed";
    }
    if (szFail == nullptr && (!pmtxDvt->Create(false) || !pmtxCs->Create(false)))
        szFail = "DVT::FInit ABSMTX::Create failed";
    for (ABSSEM **ppsem : rgppsem) {
        if (szFail == nullptr && !(*ppsem)->Create(0, 0))
            szFail = "DVT::FInit ABSSEM::Create failed";
    }
    if (szFail == nullptr) {
        pthdTimeout = pabsfact->InstABSTHD();
        pthdTrans = pabsfact->InstABSTHD();
        if (pthdTimeout == nullptr || pthdTrans == nullptr) {
            erc = ercInsufficientResources;
            szFail = "DVT::FInit InstABSTHD";
        } else if (!pthdTimeout->Init() || !pthdTrans->Init()) {
            szFail = "DVT::FInit ABSTHD::Init";
        }
        if (szFail) {
            ReleaseThd(&pthdTimeout);
            ReleaseThd(&pthdTrans);
        }
    }
    if (szFail == nullptr) {
        if (!pthdTimeout->Create(DoTimeoutThreadEntry, this, 0)) {
            ReleaseThd(&pthdTimeout);
            szFail = "DVT::FInit ABSTHD::Create";
        } else {
            fThdTimeout = 1;
            if (!pthdTrans->Create(DoTransThreadEntry, this, 0)) {
                ReleaseThd(&pthdTrans);
                szFail = "DVT::FInit ABSTHD::Create";
            } else {
                fThdTrans = 1;
            }
        }
    }
    if (szFail == nullptr && !psemTransRdy->Wait(tmsSysTimeout))
        szFail = "DVT::FInit failed to wait on transfer thread to start";
    if (szFail) {
        FRecordErc(erc, szFail);
        Term();
        return 0;
    }
    if (!FXInit()) {
        Term();
        return 0;
    }
    return 1;
}

/* Make both threads leave their loops and wait for their ends. */
void DVT::StopThreads()
{
    if (!fThdTimeout && !fThdTrans)
        return;
    if (FEnterCs()) {
        fTerminate = 1;
        FLeaveCs();
    } else {
        fTerminate = 1;
    }
    fAbandon = 1;
    if (fThdTrans) {
        psemTransCancel->Release(1);
        psemTrans->Release(1);
        psemTransTerm->Wait(tmsSysTimeout);
    } else {
        /* Only the time-out thread runs: it waits for psemTimer. */
        psemTimer->Release(1);
    }
    /* Under the Windows loader lock a thread's end cannot be waited for; the
     * release of psemTransTerm above is then the transaction thread's last act,
     * after the time-out thread's. */
    if (vzproc.fLoaderLock && fThdTrans)
        return;
    if (fThdTrans)
        pthdTrans->WaitExit();
    if (fThdTimeout)
        pthdTimeout->WaitExit();
}

void DVT::Term()
{
    int fBoth = fThdTimeout && fThdTrans;
    StopThreads();
    if (fBoth)
        XTerm();
    fThdTimeout = 0;
    fThdTrans = 0;
    ReleaseThd(&pthdTimeout);
    ReleaseThd(&pthdTrans);
    ReleaseMtx(&pmtxDvt);
    ReleaseMtx(&pmtxCs);
    ABSSEM **rgppsem[] = {&psemTrans, &psemTransRdy, &psemTransCancel, &psemTransTerm,
                          &psemTimer, &psemTimerResume, &psemTimerRdy, &psemTimerTerm};
    for (ABSSEM **ppsem : rgppsem)
        ReleaseSem(ppsem);
}

int DVT::FConnect(const char *szConnIn, const char *szDvcPathIn)
{
    szConn[0] = '\0';
    szDvcPath[0] = '\0';
    DVTOPN *pdvtopn = vzproc.pdvtopn;
    if (pdvtopn == nullptr || szConnIn == nullptr || szDvcPathIn == nullptr) {
        FRecordErc(ercInternalError, "DVT::FConnect pdvtopn->FAddDev");
        return 0;
    }
    int fFirstOpener = pdvtopn->IdvtoFindDev(dtp, szDvcPathIn) == -1;
    if (!pdvtopn->FAddDev(dtp, szDvcPathIn)) {
        FRecordErc(ercInternalError, "DVT::FConnect pdvtopn->FAddDev");
        return 0;
    }
    int idvtoNew = pdvtopn->IdvtoFindDev(dtp, szDvcPathIn);
    ABSNMTX *pnmtx = pdvtopn->PnmtxFromIdvto(idvtoNew);
    if (pnmtx == nullptr) {
        FRecordErc(ercInternalError, "DVT::FConnect pdvtopn->PnmtxFromIdvto");
        pdvtopn->FRemDev(dtp, szDvcPathIn);
        return 0;
    }
    int fDevAbandoned = 0;
    if (!pdvtopn->FLockDev(idvtoNew, tmsInfinite, &fDevAbandoned)) {
        FRecordErc(ercInternalError, "DVT::FConnect pnmtxDev lock failed");
        pdvtopn->FRemDev(dtp, szDvcPathIn);
        return 0;
    }
    SzCopy(szConn, szConnIn, sizeof(szConn));
    SzCopy(szDvcPath, szDvcPathIn, sizeof(szDvcPath));
    /* A process that ended inside its work with the device left it wherever
     * it was: this one starts it afresh, as its first opener would. */
    int fConnected = FXConnect(fFirstOpener || fDevAbandoned);
    pnmtx->Unlock();
    if (fConnected) {
        idvto = idvtoNew;
        return 1;
    }
    pdvtopn->FRemDev(dtp, szDvcPathIn);
    szConn[0] = '\0';
    szDvcPath[0] = '\0';
    return 0;
}

/* Waits for the outstanding transaction to end before the device goes away. */
void DVT::Disconnect()
{
    int fIdleNow = FIdleUnderCs(1);
    if (!fIdleNow && fThdTrans) {
        fAbandon = 1;
        if (!psemTransCancel->Release(1))
            FRecordErc(ercInternalError, "DVT::Disconnect  psemTransCancel->Release");
        if (!psemTransRdy->Wait(tmsSysTimeout)) {
            FRecordErc(ercInternalError, "DVT::Disconnect()  psemTransRdy->Wait");
            psemTransRdy->Wait(tmsInfinite);
        }
        SetIdleUnderCs(1);
        fAbandon = 0;
    }
    DVTOPN *pdvtopn = vzproc.pdvtopn;
    ABSNMTX *pnmtx = pdvtopn ? pdvtopn->PnmtxFromIdvto(idvto) : nullptr;
    int fDevAbandoned = 0;
    if (pnmtx == nullptr) {
        FRecordErc(ercInternalError, "DVT::Disconnect pdvtopn->PnmtxFromIdvto");
    } else if (!pdvtopn->FLockDev(idvto, tmsInfinite, &fDevAbandoned)) {
        FRecordErc(ercInternalError, "DVT::Disconnect pnmtxDev->Lock failed");
    } else {
        /* Another process ended inside its work with the device: the
         * handles that stay on it must not meet that half-finished work. */
        if (fDevAbandoned)
            FResetDev();
        XDisconnect();
        pnmtx->Unlock();
    }
    /* The open was counted when idvto was set: give it back in every case. */
    if (idvto >= 0 && !pdvtopn->FRemDev(dtp, szDvcPath))
        FRecordErc(ercInternalError, "DVT::Disconnect pdvtopn->FRemDev");
    idvto = -1;
    szConn[0] = '\0';
    szDvcPath[0] = '\0';
}

void DVT::AbandonTrans()
{
    fAbandon = 1;
    if (psemTransCancel)
        psemTransCancel->Release(1);
}

uint32_t DVT::DoTransThreadEntry(void *pv)
{
    static_cast<DVT *>(pv)->DoTransThread();
    return 0;
}

uint32_t DVT::DoTimeoutThreadEntry(void *pv)
{
    static_cast<DVT *>(pv)->DoTimeoutThread();
    return 0;
}

/* Lock the device mutex in slices; gives up only when the handle is going
 * away. *pfDevAbandoned: its last owner ended holding it. */
int DVT::FLockDevSliced(int *pfDevAbandoned)
{
    DVTOPN *pdvtopn = vzproc.pdvtopn;
    if (pdvtopn == nullptr)
        return 0;
    for (;;) {
        if (pdvtopn->FLockDev(idvto, tmsDevLockSlice, pfDevAbandoned))
            return 1;
        if (pabsutil->GetLastErc() != ercAbsTimeout || fAbandon)
            return 0;
    }
}

/*
 * The device mutex's last owner ended while it held it, which a process
 * does only inside its work with the device (a transaction's phases, a
 * connect or a disconnect): the device may be anywhere in a phase. Connects
 * again as the device's first opener, whose transaction reset puts it back
 * at the start. Holding the device mutex.
 */
int DVT::FResetDev()
{
    XDisconnect();
    return FXConnect(1);
}

void DVT::RunTrans()
{
    int fDevAbandoned = 0;
    if (FLockDevSliced(&fDevAbandoned)) {
        if (!fDevAbandoned || FResetDev())
            FXTrans();
        else
            ercTrans = ercConnectionFailed;
        vzproc.pdvtopn->PnmtxFromIdvto(idvto)->Unlock();
        return;
    }
    if (fAbandon) {
        /* The handle is closing: the transaction never reached the device. */
        ercTrans = ercTransferCancelled;
        return;
    }
    /* Never report success for a transaction the transport did not run. */
    ercTrans = ercInternalError;
    FRecordErc(ercInternalError, "DVT::DoTransThread() pnmtxDev = NULL or lock failed");
}

void DVT::DoTransThread()
{
    for (;;) {
        /*
         * Ready (and the previous transaction complete) first, then wait for
         * the time-out thread to be back at the top of its loop: the client
         * does not wait for that thread, the next transaction does.
         */
        if (!psemTransRdy->Release(1))
            FRecordErc(ercInternalError, "DVT::DoTransThread() psemTransRdy->Release(1) failed");
        if (!psemTimerRdy->Wait(tmsSysTimeout))
            FRecordErc(ercInternalError, "DVT::DoTransThread() psemTimerRdy->Wait(tmsSysTimeout) failed");
        if (!psemTrans->Wait(tmsInfinite))
            FRecordErc(ercInternalError, "DVT::DoTransThread() psemTrans->Wait(tmsInfinite) failed");
        while (psemTransCancel->Wait(0)) {
        }
        if (!psemTimer->Release(1))
            FRecordErc(ercInternalError, "DVT::DoTransThread() psemTimer->Release(1) failed");
        if (fTerminate)
            break;
        ercTrans = 0;
        fCancelSent = 0;
        SetCbData(0, 0);
        if (!psemTransRdy->Release(1))
            FRecordErc(ercInternalError, "DVT::DoTransThread() psemTransRdy->Release(1) failed");
        RunTrans();
        if (!psemTimerResume->Release(1))
            FRecordErc(ercInternalError, "DVT::DoTransThread() psemTimerResume->Release(1) failed");
    }
    if (!psemTimerTerm->Wait(tmsSysTimeout))
        FRecordErc(ercInternalError, "DVT::DoTransThread() psemTimerTerm->Wait(tmsSysTimeout) failed");
    if (!psemTransTerm->Release(1))
        FRecordErc(ercInternalError, "DVT::DoTransThread() psemTransTerm->Release(1) failed");
}

void DVT::DoTimeoutThread()
{
    for (;;) {
        if (!psemTimerRdy->Release(1))
            FRecordErc(ercInternalError, "DVT::DoTimeoutThread() psemTimerRdy->Release(1) failed");
        if (!psemTimer->Wait(tmsInfinite))
            FRecordErc(ercInternalError, "DVT::DoTimeoutThread() psemTimer->Wait() failed");
        if (fTerminate)
            break;
        if (psemTimerResume->Wait(tmsTimeout))
            continue;
        if (!psemTransCancel->Release(1))
            FRecordErc(ercInternalError, "DVT::DoTimeoutThread() psemTransCancel->Release(1) failed");
        if (!psemTimerResume->Wait(tmsInfinite))
            FRecordErc(ercInternalError, "DVT::DoTimeoutThread() psemTimerResume->Wait(tmsInfinite) failed");
    }
    if (!psemTimerTerm->Release(1))
        FRecordErc(ercInternalError, "DVT::DoTimeoutThread() psemTimerTerm->Release(1) failed");
}

int DVT::FLockDvt()
{
    if (pmtxDvt == nullptr || !pmtxDvt->Lock(tmsLockTimeout)) {
        FRecordErc(ercApiLockTimeout, "DVT::FLockDvt");
        return 0;
    }
    return 1;
}

int DVT::FUnlockDvt()
{
    if (pmtxDvt == nullptr || !pmtxDvt->Unlock()) {
        FRecordErc(ercInternalError, "DVT::FUnlockDvt");
        return 0;
    }
    return 1;
}

int DVT::FEnterCs()
{
    if (pmtxCs == nullptr || !pmtxCs->Lock(tmsInfinite)) {
        FRecordErc(ercInternalError, "DVT::FEnterCs");
        return 0;
    }
    return 1;
}

int DVT::FLeaveCs()
{
    if (pmtxCs == nullptr || !pmtxCs->Unlock()) {
        FRecordErc(ercInternalError, "DVT::FLeaveCs");
        return 0;
    }
    return 1;
}

/* fIdle as the transaction thread last left it; fIfNoCs when the critical
 * section cannot be entered (the failure is recorded). */
int DVT::FIdleUnderCs(int fIfNoCs)
{
    if (!FEnterCs())
        return fIfNoCs;
    int f = fIdle;
    FLeaveCs();
    return f;
}

void DVT::SetIdleUnderCs(int fIdleNew)
{
    if (FEnterCs()) {
        fIdle = fIdleNew;
        FLeaveCs();
    }
}

void DVT::SetCbData(uint32_t cbOut, uint32_t cbIn)
{
    if (FEnterCs()) {
        cbDataOut = cbOut;
        cbDataIn = cbIn;
        FLeaveCs();
    }
}

ABSSEM *DVT::PsemTransCancel()
{
    return psemTransCancel;
}
