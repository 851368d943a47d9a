// WRKTHD: creation, the thread's loop and its stop at shut-down.

#include "wrkthd.h"

WRKTHD::WRKTHD()
    : iscdvc(-1), rqt(0), erc(0), hthd(nullptr), hmtxTrans(nullptr), hmtxCallback(nullptr), hevtWake(nullptr),
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
}

BOOL WRKTHD::FInit()
{
    iscdvc = -1;
    rqt = 0;
    hmtxTrans = CreateMutexA(nullptr, FALSE, "mtrans");
    hmtxCallback = CreateMutexA(nullptr, FALSE, "mCallback");
    hevtWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (hmtxTrans == nullptr || hmtxCallback == nullptr || hevtWake == nullptr)
        return FALSE;
    hthd = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return hthd != nullptr;
}

// Stop the thread and wait for it. While waiting, messages that other
// threads send to this thread's windows are still handled, so a worker that
// is just sending a completion command cannot block the wait. A thread that
// does not end in time (an operation of a device that does not answer) is
// left to end with the process; the object then stays allocated (see
// FStopped).
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

DWORD WINAPI WRKTHD::ThreadProc(void *pv)
{
    static_cast<WRKTHD *>(pv)->Run();
    return 0;
}

// TODO: take the handed-over request (fPending under "mtrans") and run it;
// the requests arrive with the scan-chain and register pages.
void WRKTHD::Run()
{
    while (!InterlockedCompareExchange(&fStop, 0, 0))
        WaitForSingleObject(hevtWake, INFINITE);
}
