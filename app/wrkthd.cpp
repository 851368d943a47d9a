// WRKTHD: hand-over, the thread's loop, scan-chain requests, abort, and the
// status handlers' way to the windows.

#include "wrkthd.h"

#include <stdlib.h>
#include <string.h>

#include "app.h"
#include "dvclst.h"
#include "vwapp.h"

BOOL FTakeMutex(HANDLE hmtx, DWORD tms)
{
    DWORD dw = WaitForSingleObject(hmtx, tms);
    return dw == WAIT_OBJECT_0 || dw == WAIT_ABANDONED;
}

WRKTHD::WRKTHD()
    : rq(), erc(0), hthd(nullptr), hmtxTrans(nullptr), hmtxCallback(nullptr), hevtWake(nullptr), hif(0), scstat(),
      fStop(0), fRunning(0), fPending(0)
{
}

WRKTHD::~WRKTHD()
{
    Term();
    if (hevtWake)
        CloseHandle(hevtWake);
    if (hmtxTrans)
        CloseHandle(hmtxTrans);
    if (hmtxCallback)
        CloseHandle(hmtxCallback);
    free(rq.pbStream);
}

BOOL WRKTHD::FInit()
{
    rq = RQT();
    rq.iscdvc = -1;
    hmtxTrans = CreateMutexA(nullptr, FALSE, "mtrans");
    hmtxCallback = CreateMutexA(nullptr, FALSE, "mCallback");
    hevtWake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (hmtxTrans == nullptr || hmtxCallback == nullptr || hevtWake == nullptr)
        return FALSE;
    hthd = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return hthd != nullptr;
}

// Stop the thread and wait for it. While waiting, messages that other
// threads send to this thread's windows are still handled, so a thread that
// is just sending a completion cannot block the wait. A thread that does not
// end in time (an operation of a device that does not answer) is left to end
// with the process; the object then stays allocated (see FStopped).
void WRKTHD::Term()
{
    if (hthd == nullptr)
        return;
    InterlockedExchange(&fStop, 1);
    SetEvent(hevtWake);
    DWORD tmsStart = GetTickCount();
    for (;;) {
        DWORD tmsWaited = GetTickCount() - tmsStart;
        if (tmsWaited >= tmsWorkerStopWait)
            return;
        DWORD dw = MsgWaitForMultipleObjects(1, &hthd, FALSE, tmsWorkerStopWait - tmsWaited, QS_SENDMESSAGE);
        if (dw == WAIT_OBJECT_0)
            break;
        if (dw != WAIT_OBJECT_0 + 1)
            return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(hthd);
    hthd = nullptr;
}

void WRKTHD::SetRunning(uint8_t f)
{
    if (FTakeMutex(hmtxCallback, tmsMutexWait)) {
        fRunning = f;
        ReleaseMutex(hmtxCallback);
    }
}

BOOL WRKTHD::FBusy()
{
    if (!FTakeMutex(hmtxCallback, tmsMutexWait))
        return TRUE;
    BOOL f = fRunning;
    ReleaseMutex(hmtxCallback);
    return f;
}

// Requester side, on the window thread: claim the worker, write the record,
// hand it over and wait until the worker has taken it. While an operation is
// pending or runs the request waits up to tmsBusy for its end (handling
// what the worker sends this thread meanwhile, so the running operation can
// finish), and is refused after that.
BOOL WRKTHD::FHandOver(const RQT &rqtNew, DWORD tmsBusy)
{
    DWORD tmsStart = GetTickCount();
    for (;;) {
        if (hthd == nullptr || !FTakeMutex(hmtxCallback, tmsMutexWait))
            return FALSE;
        if (!fRunning)
            break;
        ReleaseMutex(hmtxCallback);
        if (GetTickCount() - tmsStart >= tmsBusy)
            return FALSE;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    fRunning = 1;
    ReleaseMutex(hmtxCallback);
    if (!FTakeMutex(hmtxTrans, tmsMutexWait)) {
        SetRunning(0);
        return FALSE;
    }
    rq = rqtNew;
    fPending = 1;
    ReleaseMutex(hmtxTrans);
    for (;;) {
        if (!FTakeMutex(hmtxTrans, tmsMutexWait))
            return TRUE;
        BOOL fTaken = !fPending;
        ReleaseMutex(hmtxTrans);
        if (fTaken)
            return TRUE;
        Sleep(1);
    }
}

BOOL WRKTHD::FProgram(HWND hwndTarget, int iscdvc)
{
    RQT r = RQT();
    r.rqt = rqtProgram;
    r.iscdvc = iscdvc;
    r.hwndTarget = hwndTarget;
    return FHandOver(r);
}

BOOL WRKTHD::FErase(HWND hwndTarget, int iscdvc)
{
    RQT r = RQT();
    r.rqt = rqtErase;
    r.iscdvc = iscdvc;
    r.hwndTarget = hwndTarget;
    return FHandOver(r);
}

BOOL WRKTHD::FInitChain(HWND hwndTarget)
{
    RQT r = RQT();
    r.rqt = rqtInitChain;
    r.iscdvc = -1;
    r.hwndTarget = hwndTarget;
    return FHandOver(r);
}

BOOL WRKTHD::FGetId(HWND hwndTarget, int iscdvc)
{
    return FLoopId(hwndTarget, iscdvc, 1);
}

BOOL WRKTHD::FLoopId(HWND hwndTarget, int iscdvc, int cLoop)
{
    RQT r = RQT();
    r.rqt = rqtGetId;
    r.iscdvc = iscdvc;
    r.cLoop = cLoop;
    r.hwndTarget = hwndTarget;
    return FHandOver(r);
}

BOOL WRKTHD::FReadRegs(HWND hwndPage, const uint8_t *rgbReg, int cb)
{
    if (cb < 0 || cb > cregXferMax)
        return FALSE;
    RQT r = RQT();
    r.rqt = rqtReadRegs;
    r.hwndTarget = hwndPage;
    r.cb = cb;
    memcpy(r.rgbReg, rgbReg, static_cast<size_t>(cb));
    return FHandOver(r, tmsRegisterBusy);
}

BOOL WRKTHD::FWriteRegs(HWND hwndPage, const uint8_t *rgbReg, const uint8_t *rgbData, int cb)
{
    if (cb < 0 || cb > cregXferMax)
        return FALSE;
    RQT r = RQT();
    r.rqt = rqtWriteRegs;
    r.hwndTarget = hwndPage;
    r.cb = cb;
    memcpy(r.rgbReg, rgbReg, static_cast<size_t>(cb));
    memcpy(r.rgbData, rgbData, static_cast<size_t>(cb));
    return FHandOver(r, tmsRegisterBusy);
}

BOOL WRKTHD::FReadStream(HWND hwndPage, uint8_t bReg, uint8_t *pb, int cb)
{
    RQT r = RQT();
    r.rqt = rqtReadStream;
    r.hwndTarget = hwndPage;
    r.bReg = bReg;
    r.pbStream = pb;
    r.cb = cb;
    return cb >= 0 && FHandOver(r);
}

BOOL WRKTHD::FWriteStream(HWND hwndPage, uint8_t bReg, uint8_t *pb, int cb)
{
    RQT r = RQT();
    r.rqt = rqtWriteStream;
    r.hwndTarget = hwndPage;
    r.bReg = bReg;
    r.pbStream = pb;
    r.cb = cb;
    return cb >= 0 && FHandOver(r);
}

BOOL WRKTHD::FAbort()
{
    if (!FTakeMutex(hmtxCallback, tmsMutexWait))
        return FALSE;
    BOOL fRun = fRunning;
    ReleaseMutex(hmtxCallback);
    if (!fRun)
        return FALSE;
    uint32_t ercAbort = 0;
    return BriselAbortProg(&ercAbort) != 0;
}

DWORD WINAPI WRKTHD::ThreadProc(void *pv)
{
    static_cast<WRKTHD *>(pv)->Run();
    return 0;
}

// Worker loop: take a handed-over request (fPending under "mtrans") and run it.
void WRKTHD::Run()
{
    while (!InterlockedCompareExchange(&fStop, 0, 0)) {
        if (!FTakeMutex(hmtxTrans, tmsMutexWait))
            continue;
        if (fPending != 1) {
            ReleaseMutex(hmtxTrans);
            WaitForSingleObject(hevtWake, 1);
            continue;
        }
        fPending = 0;
        ReleaseMutex(hmtxTrans);
        RunRequest();
    }
}

// The selected device's connection string; FALSE when none is selected.
BOOL WRKTHD::FGetConn(char *szConn)
{
    const DVC *pdvc = g_app.Pdvclst()->PdvcSel();
    if (pdvc == nullptr || pdvc->szConn[0] == '\0')
        return FALSE;
    memcpy(szConn, pdvc->szConn, sizeof(pdvc->szConn));
    szConn[sizeof(pdvc->szConn) - 1] = '\0';
    return TRUE;
}

void WRKTHD::RunRequest()
{
    char szConn[sizeof(DVC::szConn)];
    BOOL fConn = FGetConn(szConn);
    switch (rq.rqt) {
    case rqtProgram:
    case rqtErase:
    case rqtInitChain:
    case rqtGetId:
        if (FRunScanChain())
            AwaitEnd();
        return;
    case rqtReadRegs:
        FDoReadRegs(fConn ? szConn : nullptr);
        break;
    case rqtWriteRegs:
        FDoWriteRegs(fConn ? szConn : nullptr);
        break;
    case rqtReadStream:
    case rqtWriteStream:
        FDoStream(fConn ? szConn : nullptr);
        break;
    default:
        break;
    }
    SetRunning(0);
}

// Start the scan-chain operation; FALSE when it did not start (it then has
// ended here). Without a selected device the library is not called and the
// requester gets the operation's failure command.
BOOL WRKTHD::FRunScanChain()
{
    char szConn[sizeof(DVC::szConn)];
    scstat.Begin(rq.rqt, rq.cLoop);
    if (!FGetConn(szConn)) {
        static const int rgid[][2] = {{rqtProgram, cmdDoneProgram}, {rqtErase, cmdDoneErase},
                                      {rqtInitChain, cmdDoneInitChain}, {rqtGetId, cmdDoneGetId}};
        static const int rgerc[] = {ercDoneProgram, ercDoneErase, ercDoneInitChain, ercDoneId};
        for (int i = 0; i < 4; i++)
            if (rgid[i][0] == static_cast<int>(rq.rqt)) {
                int id = rq.rqt == rqtGetId && rq.cLoop != 1 ? cmdDoneLoopId : rgid[i][1];
                SetRunning(0);
                Complete(id, rgerc[i]);
            }
        return FALSE;
    }
    int32_t f = 0;
    switch (rq.rqt) {
    case rqtProgram:
        f = BriselProgramDvc(szConn, rq.iscdvc, StatusProc, &erc);
        break;
    case rqtErase:
        f = BriselEraseDvc(szConn, rq.iscdvc, StatusProc, &erc);
        break;
    case rqtInitChain:
        f = BriselInitScanChain(szConn, StatusProc, &erc);
        break;
    case rqtGetId:
        f = BriselGetIDCODE(szConn, rq.iscdvc, rq.cLoop, StatusProc, &erc);
        break;
    }
    if (!f) {
        SetRunning(0);
        return FALSE;
    }
    return TRUE;
}

// Wait until the status handler has ended the operation, or a new request
// is already waiting (the init-chain handler ends its operation before its
// completion command, whose handling may hand over the next request).
void WRKTHD::AwaitEnd()
{
    while (!InterlockedCompareExchange(&fStop, 0, 0)) {
        if (FTakeMutex(hmtxCallback, tmsMutexWait)) {
            BOOL fRun = fRunning;
            ReleaseMutex(hmtxCallback);
            if (!fRun)
                return;
        }
        if (FTakeMutex(hmtxTrans, tmsMutexWait)) {
            BOOL fNext = fPending;
            ReleaseMutex(hmtxTrans);
            if (fNext)
                return;
        }
        Sleep(1);
    }
}

uint8_t BRISELCALL WRKTHD::StatusProc(int32_t stc, int32_t value)
{
    WRKTHD *pwrkthd = g_app.Pwrkthd();
    return pwrkthd->scstat.FStatus(pwrkthd, stc, value);
}

void WRKTHD::Line(const char *sz)
{
    g_app.Pvwapp()->AppendStatusLine(sz);
}

void WRKTHD::SetPos(int pos)
{
    g_app.Pvwapp()->SetProgressPos(pos);
}

void WRKTHD::SetRange(int n)
{
    g_app.Pvwapp()->SetProgressRange(n);
}

void WRKTHD::Complete(int id, int value)
{
    SendMessageA(rq.hwndTarget, WM_COMMAND, static_cast<WPARAM>(id), static_cast<LPARAM>(value));
}

BOOL WRKTHD::FEndRunning()
{
    if (!FTakeMutex(hmtxCallback, tmsMutexWait))
        return FALSE;
    fRunning = 0;
    ReleaseMutex(hmtxCallback);
    return TRUE;
}

BOOL WRKTHD::FEndThenComplete(int id, int value)
{
    if (!FTakeMutex(hmtxCallback, tmsMutexWait))
        return FALSE;
    HWND hwndTarget = rq.hwndTarget;
    fRunning = 0;
    ReleaseMutex(hmtxCallback);
    SendMessageA(hwndTarget, WM_COMMAND, static_cast<WPARAM>(id), static_cast<LPARAM>(value));
    return TRUE;
}

BOOL WRKTHD::FChainReport()
{
    return g_app.FChainReport() != 0;
}
