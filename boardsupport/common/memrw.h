// MEMRW: the worker of the Miravo2 "Memory" page. It loads the board's
// memory design into the FPGA and drives the board's 16 MB RAM and 16 MB
// flash through the design's bus-bridge registers: reads a range into a
// file, writes a file at an address (erasing the flash first, verifying on
// request) and erases the whole flash. Data move in one overlapped block
// transfer through the memory's data port, awaited 25 ms at a time so that
// a cancel is seen while it runs.
//
// Portable: the page (or a test) supplies texts, the log, the FPGA
// configuration and the overwrite question through MEMRWUI; the device is
// reached through the Kelm and Vesk libraries.
#ifndef MEMRW_H
#define MEMRW_H

#include <stdint.h>

#include <atomic>
#include <string>

#include "bsworker.h"
#include "kelm.h"

// Bus-bridge registers of the memory design.
enum {
    regCtl = 0, regAddr0 = 1, regAddr1 = 2, regAddr2 = 3, regFlashCmd = 4, regFlashSts = 5,
    regRamData = 6, regFlashData = 7,
};
enum {
    ctlStrobe1 = 0x15, ctlStrobe2 = 0x17, ctlIdle = 0x1F, ctlStatus = 0x16, ctlStream = 0x3F,
};
enum { fcmdReadArray = 0xFF, fcmdErase = 0x20, fcmdConfirm = 0xD0 };
enum : uint32_t { cbMemRw = 0x1000000, cbMemBlock = 0x20000, cblkMemFlash = 128 };

// String ids of the page's texts.
enum {
    idsMemFileErr = 6, idsMemFpgaComm = 7, idsMemReading = 14, idsMemOverwrite = 19, idsMemReadCaption = 20,
    idsMemNoBuffer = 21, idsMemPastEnd = 22, idsMemBadAddr = 23, idsMemNegAddr = 24, idsMemBadLength = 25,
    idsMemLengthPos = 26, idsMemRam = 27, idsMemFlash = 28, idsMemNoFpga = 110, idsMemNoDevice = 121,
    idsMemCanceled = 126, idsMemReadDone = 127, idsMemFileBig = 128, idsMemFileEmpty = 129,
    idsMemErasing = 130, idsMemEraseDone = 131, idsMemWriting = 132, idsMemWriteDone = 133,
    idsMemVerifying = 134, idsMemVerifyBad = 135, idsMemVerifyGood = 136,
};

class MEMRWUI {
public:
    virtual std::string SzText(int ids) = 0;              // a string of the plug-in
    virtual void Log(const char *sz) = 0;                 // a line of the host's status window
    virtual bool FConfigureFpga(const char *szPath) = 0;  // chain device 0
    virtual bool FAskOverwrite(const char *szText, const char *szCaption) = 0;   // true: Yes
    virtual void EnableControls(bool fRunning) = 0;
    virtual void SleepMs(uint32_t ms) = 0;
protected:
    ~MEMRWUI() = default;
};

// What the page held when the command button was pressed.
struct MEMRWREQ {
    std::string szFile;
    std::string szStart, szLength;   // Read: 1116, 1117; Write: 1104
    bool fHex = false;               // radix list of those fields
    bool fFlash = false;             // "Flash" chosen, not "RAM"
    bool fVerify = false;            // Write: "Verify" checked
};

enum MEMOP { memopRead, memopWrite, memopErase };

// A number field: base 16 or 10, leading blanks, a sign and (base 16) 0x;
// false when nothing or something after the number is there.
bool FParseMemNumber(const std::string &sz, bool fHex, long long *pn);
// The memory design's file: the test image's path with its ".bit" replaced
// by " MEM.bit"; empty when it does not end in ".bit".
std::string SzMemDesignPath(const std::string &szTestImage);

class MEMRW {
public:
    MEMRW(MEMRWUI &ui, const std::string &szConn, const std::string &szDesign);
    ~MEMRW();   // cancels a running worker and waits for it

    // Starts the operation on a worker thread; false while one runs.
    bool FStart(MEMOP op, const MEMRWREQ &req);
    // True once the worker has started (its start signal) or has ended.
    bool FStarted() const { return fStarted || !worker.FRunning(); }
    bool FBusy() const { return worker.FRunning(); }
    void Cancel() { worker.RequestStop(); }
    // The page is going away: no more logs or control changes; cancel, and
    // wait (tms, < 0 without limit) running fnPump between waits.
    bool FClose(int tms, const std::function<void()> &fnPump);

    // The body of each operation (run on the worker thread).
    void Read(const MEMRWREQ &req);
    void Write(const MEMRWREQ &req);
    void Erase();

private:
    bool FCancel() const { return worker.FStopRequested(); }
    void Log(const std::string &sz);
    void LogMem(int ids);
    void Fail(int ids);
    bool FLoadDesign(bool fCheckCancel);
    bool FPut(uint8_t reg, uint8_t b);
    bool FCommand(uint8_t bCmd);
    bool FAddress(uint32_t addr);
    bool FReadSetup(uint32_t addr);
    bool FEraseBlock(uint32_t iblk, bool *pfCancelled);
    bool FOpenDevice(int idsOpenFail);
    // Waits for the overlapped transfer of cb bytes; false when it failed
    // (logged) or was cancelled (logged, transfer cancelled and settled).
    bool FTransferWait(uint32_t cb, bool fIn);
    void ChooseMemory(bool fFlash);
    void End();

    MEMRWUI &ui;
    std::string szConn, szDesign;
    BSWORKER worker;
    std::atomic<bool> fStarted{false};
    std::atomic<bool> fClosing{false};
    HIF hif = 0;
    uint8_t regMem = regRamData;
    std::string szMem;
    uint8_t bFlashSts = 0;
};

#endif
