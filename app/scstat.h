// SCSTAT: what the program makes of the scan-chain library's status reports.
//
// One handler per request kind (program, erase, initialise chain, get or
// loop device ID) turns the library's status codes into status lines,
// progress-bar moves and the completion command for the window that asked.
// The handlers run on the library's operation thread and reach the windows
// only through SCSINK, whose every call returns once the window thread has
// handled it: lines and progress therefore always arrive before the
// completion that follows them.
#ifndef ORRIN_SCSTAT_H
#define ORRIN_SCSTAT_H

#include "ortypes.h"

enum {
    rqtNone = 0,
    rqtProgram = 1,
    rqtErase = 3,
    rqtInitChain = 4,
    rqtGetId = 5,
    rqtReadRegs = 6,
    rqtWriteRegs = 7,
    rqtReadStream = 8,
    rqtWriteStream = 9,
};

// Completion commands of the scan-chain requests and their failure values.
enum {
    cmdDoneProgram = 1044, ercDoneProgram = 1004,
    cmdDoneErase = 1046, ercDoneErase = 1005,
    cmdDoneInitChain = 1047, ercDoneInitChain = 1001,
    cmdDoneGetId = 1048, cmdDoneLoopId = 1049, ercDoneId = 1009,
};

enum { cidcodeMax = 64, cchIdText = 256 };

// Where the handlers' effects go; every call is synchronous with the window thread.
class SCSINK {
public:
    virtual ~SCSINK() = default;
    virtual void Line(const char *sz) = 0;
    virtual void SetPos(int pos) = 0;
    virtual void SetRange(int n) = 0;
    // WM_COMMAND (id, value) to the requesting window, handled before it returns.
    virtual void Complete(int id, int value) = 0;
    // Mark the running operation ended (under "mCallback"); FALSE on a time-out.
    virtual BOOL FEndRunning() = 0;
    // End the operation first, then complete it to the window that asked
    // (whose handling may already hand over the next request); FALSE, and
    // no command, on a time-out.
    virtual BOOL FEndThenComplete(int id, int value) = 0;
    // The chain-initialisation messages are wanted.
    virtual BOOL FChainReport() = 0;
};

class SCSTAT {
public:
    SCSTAT();
    // A new request of kind rqt (cLoop reads for rqtGetId).
    void Begin(uint32_t rqt, int cLoop);
    // The status callback: the answer (nonzero = go on) to code stc with value.
    uint8_t FStatus(SCSINK *psink, int32_t stc, int32_t value);

    int Cidcode() const { return cidcode; }
    uint32_t Idcode(int i) const { return (i >= 0 && i < cidcode) ? rgidcode[i] : 0; }
    const char *SzId() const { return szId; }
    uint32_t Rqt() const { return rqt; }

    // Device-ID text: 8 lower-case hexadecimal digits.
    static void IdText(uint32_t id, char *sz);

private:
    uint8_t FProgramStatus(SCSINK *psink, int32_t stc, int32_t value);
    uint8_t FEraseStatus(SCSINK *psink, int32_t stc);
    uint8_t FInitChainStatus(SCSINK *psink, int32_t stc, int32_t value);
    uint8_t FIdStatus(SCSINK *psink, int32_t stc, int32_t value);
    BOOL FGuard();
    void Finish(SCSINK *psink, int id, int value);

    uint32_t rqt;
    int32_t cLoop;
    int32_t iLoop;
    char szId[cchIdText];
    int32_t cidcode;
    uint32_t fReported;
    uint32_t rgidcode[cidcodeMax];
};

#endif
