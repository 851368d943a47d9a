// The board self-test page of the newer design (Pentra and Miravo3): the
// test design loaded into the FPGA through the host, then one run on a
// worker thread: the memory run (RAM and flash checks, a text and a result
// indicator) or the peripheral run (the board's switches and push buttons
// shown about ten times a second, the connector shorts test on request,
// until the user stops it). TSTNEW is the page without its window: it owns
// the indicator records, the flags and the worker, and reaches the device,
// the host and the page's controls through a TSTNPORT, so it runs natively.
#ifndef TSTNEW_H
#define TSTNEW_H

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "bsworker.h"
#include "runcmd.h"
#include "tstind.h"


// Controls of the page's dialog template.
enum {
    idcTstStart = 1091, idcTstMemory = 1092, idcTstStop = 1094, idcTstShorts = 1098, idcTstSwitches = 1070,
    idcTstButtons = 1097, idcTstHint = 1132, idcTstMemText = 1133, idcTstShortsText = 1134,
};

// Messages, by string id of the plug-in.
enum {
    idsTstConfigFailed = 110, idsTstProgramming = 111, idsTstStarted = 112, idsTstStopped = 113,
    idsTstOpenFailed = 121, idsTstEnableFailed = 122, idsTstNoAnswer = 132, idsTstProgrammed = 152,
};

// Registers of the test designs beyond the handshake of runcmd.h.
enum { regTstValue = 0x83, regTstSwitches = 0x10, regTstButtons = 0x11 };

// Design identifiers of the Miravo3 test designs after command 5.
enum : uint32_t { idTstMemDesign = 0xD00142, idTstGpioDesign = 0xD00162 };

enum TSTNKIND { tstkPentra, tstkMiravo3 };


enum {
    iindStatus = 0, iindShorts = 1, iindMemory = 2, iindSwitch0 = 3, cindSwitch = 8, iindButton0 = 11,
    cindMax = 17,
};

enum { cpxInd = 15, cpySwitch = 30 };   // indicator size; switches are twice as high

struct TSTNRECT {
    int32_t l, t, r, b;
};

// The device, host and page as the worker sees them. The register calls
// (CMDPORT) are never overlapped; SleepMs is a plain sleep.
class TSTNPORT : public CMDPORT {
public:
    virtual bool FOpen() = 0;
    virtual void Close() = 0;
    virtual bool FEnable() = 0;
    virtual void Disable() = 0;
    virtual void SetTransTimeout(uint32_t tms) = 0;
    virtual void Log(uint32_t ids) = 0;
    virtual bool FConfigure(const std::string &szPath) = 0;
    virtual void LockHost(bool fLock) = 0;
    // Whether the page's window exists.
    virtual bool FPageAlive() = 0;
    virtual void SetText(int idc, const std::string &sz) = 0;
    virtual void EnableCtl(int idc, bool fEnable) = 0;
    // Redraw a rectangle of the page (null: all of it), erasing first.
    virtual void Invalidate(const TSTNRECT *prc) = 0;
protected:
    ~TSTNPORT() = default;
};

// The test design's command rule: write cmd to 0x80, wait 100 ms, then poll
// 0x81 up to tsec x 10 times 100 ms apart: 1 is done (passed when 0x82 reads
// 0), 2, 3 and 255 are busy, anything else failed.
bool FRunTstCmd(CMDPORT &port, uint8_t cmd, int tsec);
// The 32-bit value in 0x83 (least significant) to 0x86; all bits set when a
// read fails.
uint32_t TstValue(CMDPORT &port);

// The lines of the Miravo3 memory run for an identification that succeeded
// (fOk) with value v, each ending in "\r\n".
std::string SzTstRamLine(bool fOk, uint32_t v);
std::string SzTstSpiLine(bool fOk, uint32_t v);
std::string SzTstBpiLine(bool fOk, uint32_t v);

class TSTNEW {
public:
    // szTestImage: the plug-in's test design (".bit"); the peripheral run
    // loads its " GPIO.bit" variant.
    TSTNEW(TSTNKIND kind, TSTNPORT &port, const std::string &szTestImage);
    // Waits for the worker (no pump: call FLeavePage first from a window).
    ~TSTNEW();

    TSTNKIND Kind() const { return kind; }
    int Cind() const { return kind == tstkPentra ? 17 : 16; }
    int CindButton() const { return Cind() - iindButton0; }
    TSTIND &Ind(int iind) { return rgind[iind]; }

    // The page's commands (window thread).
    void StartPeripherals();    // "Start Peripherals Test"
    void StartMemory();         // "Run RAM/Flash Test"
    void RequestStop();         // "Stop Perhipherals Test" and the tab's stop entry
    void RequestShorts();       // "Test Shorts"
    // A new page window: the worker may use it again.
    void PageCreated();
    // The page window goes: the run ends, the worker leaves the page alone
    // and is waited for (fnPump runs while waiting). Nothing of the page is
    // used by the worker afterwards.
    void LeavePage(const std::function<void()> &fnPump);

    // Indicator states for a running or idle peripheral run, the controls
    // that go with them, and a redraw of the page.
    void SetStates(bool fRunningNow);
    // The rectangle an indicator covers, and those redrawn for a change of
    // the buttons and of the switches.
    TSTNRECT RcInd(int iind) const;
    TSTNRECT RcButtons() const;
    TSTNRECT RcSwitches() const;

    bool FRunning() const { return fRunning; }
    bool FWorkerRunning() const { return worker.FRunning(); }

private:
    void Start(bool fMemory);
    void Worker();
    bool FStartPentra(const std::string &szPath);
    bool FStartMiravo3(const std::string &szPath, uint32_t idExpected);
    bool FDesignAnswers(uint32_t idExpected);
    void MemoryRun();
    void PeripheralRun();
    void ShortsTest();
    bool FPollButtons();
    bool FPollSwitches();
    void End();
    // Waits up to ms, or less when woken; true while the page may still be
    // used (Miravo3's waits end the run when it may not).
    bool FWait(uint32_t ms);
    void Wake();
    bool FPageUsable() { return !fDying && port.FPageAlive(); }
    void Message(uint32_t ids);   // Miravo3: only while the page is usable
    void SetSt(int iind, int32_t st, bool fRedraw = true);

    TSTNKIND kind;
    TSTNPORT &port;
    std::string szTestImage;
    TSTIND rgind[cindMax];
    std::atomic<bool> fRunning{ false }, fStopReq{ false }, fShortsReq{ false }, fMemTest{ false },
        fDying{ false };
    std::mutex mtxWake;
    std::condition_variable cvWake;
    int cWake = 0;
    bool fDeviceOpen = false;   // the worker's: device opened and port enabled
    BSWORKER worker;
};

#endif
