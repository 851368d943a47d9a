// WRKTHD: the operation worker thread of the program's own pages.
//
// One request at a time. A page hands a request over (under the named mutex
// "mtrans"); the worker takes it and runs it: a scan-chain operation through
// the scan-chain library, which runs it on a thread of its own and reports
// through StatusProc (scstat.h), or a register or stream transfer, which the
// worker runs itself. The mark that an operation runs, fRunning, is guarded
// by the named mutex "mCallback"; both mutexes are shared by every running
// copy of the program, the flags they guard are this process's.
//
// A request is refused (FALSE) while another one is pending or running (a
// register request first waits a little for a running one to end), so a
// running operation's record is never overwritten and the window thread
// never waits in a hand-over for an operation that waits for it.
//
// Completions reach the window that made the request, never another one:
// scan-chain requests end with WM_COMMAND (id, value) sent to it; transfers
// with wmXferDone sent to it (lParam: XFERDONE). A window that is gone by
// then gets nothing, and the worker frees what the transfer owned. The
// worker owns every transfer buffer from the hand-over to the completion.
//
// Shut-down: Term asks the thread to stop and waits for it (bounded), so
// that the object is never deleted under a running thread.
#ifndef ORRIN_WRKTHD_H
#define ORRIN_WRKTHD_H

#include <windows.h>
#include <stdint.h>

#include "brisel.h"
#include "scstat.h"
#include "voziri.h"

enum { tmsWorkerStopWait = 5000, tmsMutexWait = 5000, cbStreamBlock = 8192, cregXferMax = 256 };

// How long a register request waits for a running one (they are short).
enum { tmsRegisterBusy = 2000 };

enum { wmXferDone = WM_APP + 10 };

// The end of a transfer, as its page receives it (on the window thread).
struct XFERDONE {
    uint32_t rqt;        // rqtReadRegs .. rqtWriteStream
    BOOL fOk;
    uint8_t *pb;         // values read (registers) or the stream buffer
    int32_t cb;
    BOOL fTaken;         // the page took pb of a stream (it frees it then)
};

class WRKTHD : private SCSINK {
public:
    WRKTHD();
    ~WRKTHD() override;
    // Create the mutexes and start the thread; FALSE when any of them
    // cannot be made (start-up then fails).
    BOOL FInit();
    void Term();
    // The thread has ended (or never started): the object may be deleted.
    BOOL FStopped() const { return hthd == nullptr; }

    // Scan-chain requests; hwndTarget receives the completion command.
    BOOL FProgram(HWND hwndTarget, int iscdvc);
    BOOL FErase(HWND hwndTarget, int iscdvc);
    BOOL FInitChain(HWND hwndTarget);
    BOOL FGetId(HWND hwndTarget, int iscdvc);
    BOOL FLoopId(HWND hwndTarget, int iscdvc, int cLoop);
    // Transfers; hwndPage receives wmXferDone. The register lists are
    // copied; a stream buffer (malloc) passes to the worker when the request
    // is taken (TRUE) and comes back in XFERDONE.
    BOOL FReadRegs(HWND hwndPage, const uint8_t *rgbReg, int cb);
    BOOL FWriteRegs(HWND hwndPage, const uint8_t *rgbReg, const uint8_t *rgbData, int cb);
    BOOL FReadStream(HWND hwndPage, uint8_t bReg, uint8_t *pb, int cb);
    BOOL FWriteStream(HWND hwndPage, uint8_t bReg, uint8_t *pb, int cb);
    // Ask the library to abort the running scan-chain operation.
    BOOL FAbort();
    // A request is pending or running.
    BOOL FBusy();

    int Cidcode() const { return scstat.Cidcode(); }
    uint32_t Idcode(int i) const { return scstat.Idcode(i); }

    // The status procedure handed to every scan-chain call.
    static uint8_t BRISELCALL StatusProc(int32_t stc, int32_t value);

private:
    struct RQT {
        uint32_t rqt;
        int32_t iscdvc;
        int32_t cLoop;
        HWND hwndTarget;
        uint8_t bReg;
        int32_t cb;
        uint8_t *pbStream;
        uint8_t rgbReg[cregXferMax];
        uint8_t rgbData[cregXferMax];
    };

    BOOL FHandOver(const RQT &rqtNew, DWORD tmsBusy = 0);
    static DWORD WINAPI ThreadProc(void *pv);
    void Run();
    void RunRequest();
    BOOL FRunScanChain();
    void AwaitEnd();
    BOOL FGetConn(char *szConn);
    // Transfers (wrkxfer.cpp).
    BOOL FDoReadRegs(const char *szConn);
    BOOL FDoWriteRegs(const char *szConn);
    BOOL FDoStream(const char *szConn);
    BOOL FOpen(const char *szConn);
    void Close(BOOL fDisable);
    void CompleteXfer(BOOL fOk, uint8_t *pb, int32_t cb);
    void SetRunning(uint8_t f);

    // SCSINK: the status handlers' way to the windows.
    void Line(const char *sz) override;
    void SetPos(int pos) override;
    void SetRange(int n) override;
    void Complete(int id, int value) override;
    BOOL FEndRunning() override;
    BOOL FEndThenComplete(int id, int value) override;
    BOOL FChainReport() override;

    RQT rq;                // the request being handed over or run
    uint32_t erc;
    HANDLE hthd;
    HANDLE hmtxTrans;      // "mtrans": guards fPending and the request record
    HANDLE hmtxCallback;   // "mCallback": guards fRunning
    HANDLE hevtWake;       // the thread is to stop
    HIF hif;
    SCSTAT scstat;
    volatile LONG fStop;
    volatile uint8_t fRunning;
    volatile uint8_t fPending;
};

// Wait for a named mutex; an abandoned one (its holder died) counts as taken.
BOOL FTakeMutex(HANDLE hmtx, DWORD tms);

#endif
