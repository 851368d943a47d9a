// The command handshake of the boards' memory-manager designs: the host
// writes a command to register 0x80 and polls the status in 0x81 until the
// design is done (its result byte in 0x82) or ready for a data transfer
// through 0xA0. Addresses and lengths go to their four registers most
// significant byte first. The flash and memory views run it on their worker
// threads through a CMDPORT (the device's register port, the view's timed
// wait and its cancel request). Portable: no device or window here.
#ifndef RUNCMD_H
#define RUNCMD_H

#include <stdint.h>

enum {
    regCmd = 0x80, regStatus = 0x81, regResult = 0x82, regData = 0xA0,
    stsDone = 1, stsBusy = 2, stsDataIn = 3, stsDataOut = 4, stsBusyFF = 0xFF,
    cmdInit = 0x01, cmdProgram = 0x0C, cmdRead = 0x0D,
};

// What RunCmd gives besides the design's result byte (0 to 255).
enum {
    rcWriteFailed = -1, rcStatusFailed = -2, rcResultFailed = -3, rcUnexpected = -4, rcTimeOut = -5,
    rcCancelled = -6,
};

class CMDPORT {
public:
    virtual bool FPutReg(uint8_t reg, uint8_t b) = 0;
    virtual bool FGetReg(uint8_t reg, uint8_t *pb) = 0;
    virtual void SleepMs(uint32_t ms) = 0;   // the view's wait; may end early on a cancel
    virtual bool FCancelled() = 0;
protected:
    ~CMDPORT() = default;
};

// How long a handshake polls: the flash views poll 10 x tsec times (none
// for tsec 0 or less); the memory programming view polls 10 x tsec + 1 times
// (once for tsec 0) and gives a time-out at once for a negative tsec.
enum RCPOLL { rcpollFlash, rcpollMemory };

// Writes cmd (when 0 or more), then polls every 100 ms; the result byte or
// one of the rc values. Status 3 ends the wait of command 0x0C, status 4
// that of 0x0D (for other commands 3 is busy, 4 unexpected).
int RunCmd(CMDPORT &port, int cmd, int tsec, RCPOLL rcpoll = rcpollFlash);

// An address into 0x94, 0x89, 0x88, 0x87 and a length into 0x93 to 0x90,
// most significant byte first; false at the first write that fails.
bool FPutAddress(CMDPORT &port, uint32_t addr);
bool FPutLength(CMDPORT &port, uint32_t cb);

#endif
