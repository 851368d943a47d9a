// WRKTHD: the operation worker thread of the program's own pages.
//
// One request record, handed over under the named mutex "mtrans"; the mark
// that an operation runs is guarded by "mCallback". Both mutexes are shared
// by every running copy of the program. The worker never touches a window
// directly: it reports through messages to the requesting window.
//
// Shut-down: Term asks the thread to stop and waits for it (bounded), so
// that the object is never deleted under a running thread.
#ifndef ORRIN_WRKTHD_H
#define ORRIN_WRKTHD_H

#include <windows.h>
#include <stdint.h>

#include "brisel.h"
#include "voziri.h"

enum { tmsWorkerStopWait = 5000 };

class WRKTHD {
public:
    WRKTHD();
    ~WRKTHD();
    // Create the mutexes and start the thread; FALSE when any of them
    // cannot be made (start-up then fails).
    BOOL FInit();
    void Term();
    // The thread has ended (or never started): the object may be deleted.
    BOOL FStopped() const { return hthd == nullptr; }

private:
    static DWORD WINAPI ThreadProc(void *pv);
    void Run();

    int32_t iscdvc;
    uint32_t rqt;
    uint32_t erc;
    HANDLE hthd;
    HANDLE hmtxTrans;      // "mtrans"
    HANDLE hmtxCallback;   // "mCallback"
    HANDLE hevtWake;       // a request waits, or the thread is to stop
    volatile LONG fStop;
    uint8_t fRunning;
    uint8_t fPending;
};

#endif
