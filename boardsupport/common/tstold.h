// The board self-test page of the older design, without its window: the
// board profiles (what each board's test design offers, its registers and its
// messages), and TSTOLD, which loads the test design, runs the monitor of
// switches and buttons on a worker thread and the single tests that borrow
// the register port from it. Everything outside (the device, the host's
// callbacks, the page's controls) is reached through a TSTSITE, so the
// engine runs natively against the simulated boards; the Win32 page is a
// thin TSTSITE around it.
#ifndef TSTOLD_H
#define TSTOLD_H

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "bsworker.h"
#include "tstind.h"

// A message: a string of the plug-in's table, or a fixed text.
struct TSTMSG {
    uint32_t ids;
    const char *sz;   // the text itself; null: string ids
};

enum TSTKIND {
    tstkCommand,   // the design runs its own tests on a command
    tstkBus,       // the page drives RAM and flash through the design's bus bridge
    tstkNone,      // switches and buttons only
};

struct TSTOLDPROFILE {
    uint32_t prodnum;
    TSTKIND kind;
    bool fConfigReset;        // reset the FPGA's configuration before loading
    bool fShorts;             // offers the shorts test
    uint8_t regSwitches, regButtons;
    int ibitButton0;          // the register bit of the first button
    int cbutton;
    uint16_t rgidButton[8];   // placeholders of the buttons, from ibitButton0 on
    TSTMSG msgLoading, msgNotLoaded, msgStarted, msgStopped, msgCommFailed;
    TSTMSG msgOpen, msgEnable, msgNotReady;
    TSTMSG msgRamStart, msgRamPassed, msgRamFailed;
    TSTMSG msgFlashStart, msgFlashPassed, msgFlashFailed;
    TSTMSG msgShortsPassed, msgShortsFailed;
};

// The profile of a product number, null for a board without this page.
const TSTOLDPROFILE *PtstoldProfile(uint32_t prodnum);

// Control ids of the page.
enum {
    idcStart = 1091, idcStop = 1094, idcRam = 1092, idcFlash = 1093, idcShorts = 1098,
    idcSwitches = 1070, idcButtons = 1097,
    idcStatus = 1014, idcRamInd = 1015, idcFlashInd = 1016, idcShortsInd = 1023,
    idcRamText = 1095, idcFlashText = 1096, idcShortsText = 1099,
};

struct TSTRECT {
    int32_t left, top, right, bottom;
};

// What the engine needs from outside. Calls marked (any) come from the
// monitor thread as well as from the window thread.
class TSTSITE {
public:
    // Host callbacks.
    virtual void Log(const char *sz) = 0;                      // (any)
    virtual void LockHost(bool fLock) = 0;                     // (any)
    virtual bool FConfigureFpga() = 0;                         // the test design
    virtual std::string SzString(uint32_t ids) = 0;            // (any)
    // The device; a handle per open.
    virtual bool FOpen(uint32_t *phif) = 0;                    // (any)
    virtual bool FClose(uint32_t hif) = 0;                     // (any)
    virtual bool FEnable(uint32_t hif) = 0;
    virtual void Disable(uint32_t hif) = 0;
    virtual bool FPutReg(uint32_t hif, uint8_t reg, uint8_t b) = 0;   // (any)
    virtual bool FGetReg(uint32_t hif, uint8_t reg, uint8_t *pb) = 0; // (any)
    virtual bool FConfigReset(uint32_t hif, bool fAssert) = 0;
    // The page.
    virtual void EnableControl(int id, bool fEnable) = 0;      // (any)
    virtual void SetControlText(int id, const char *sz) = 0;   // (any)
    virtual void Invalidate(const TSTRECT *prc, bool fErase) = 0;   // (any); null: the page
    // Time, and the window thread's sent messages while it waits.
    virtual void SleepMs(uint32_t ms) = 0;                     // (any)
    virtual void PumpSent() = 0;
protected:
    ~TSTSITE() = default;
};

// The register port's right of use: one holder at a time, handed between
// the monitor and the window thread (a count of 0 or 1).
class TSTPORT {
public:
    void Release();
    // Waits up to tms (< 0: no limit); true when taken.
    bool FTake(int tms);
    // Leaves the port taken by nobody and free of counts (a new start).
    void Reset();
private:
    std::mutex mtx;
    std::condition_variable cv;
    int count = 0;
};

class TSTOLD {
public:
    TSTOLD(const TSTOLDPROFILE &prof, TSTSITE &site);
    ~TSTOLD();
    TSTOLD(const TSTOLD &) = delete;
    TSTOLD &operator=(const TSTOLD &) = delete;

    const TSTOLDPROFILE &Profile() const { return prof; }

    // Window thread.
    bool FStartTest();
    bool FStopTest();
    bool FRamTest();
    bool FFlashTest();
    bool FShortsTest();
    void SetStates(bool fRunningNow);   // (any)
    // Waits for the monitor thread (the page is going).
    void Close();

    bool FRunning() const { return fRunning != 0; }
    int CAddrBits() const { return cAddrBits; }

    // The indicators: results (status, RAM, flash, shorts as the board has
    // them), switches (bits 0-7) and buttons.
    TSTIND rgindResult[4];
    int cindResult = 0;
    TSTIND rgindSwitch[8];
    TSTIND rgindButton[8];
    int cindButton = 0;

    TSTIND *PindResult(uint16_t idCtl);

private:
    void Log(const TSTMSG &msg);
    void MonitorThread();
    bool FMonitorStart();
    void TakePortUi();
    void WaitUi(TSTPORT &port);
    bool FCommandTest(uint8_t cmd, int cpoll, uint16_t idInd, const TSTMSG &msgPassed, const TSTMSG &msgFailed);
    void PutAddress(uint32_t addr);
    bool FEraseFlashBlock(uint32_t addr);
    void SetResult(uint16_t idCtl, int32_t st);
    void ReadInputs();
    static TSTRECT RcSpan(const TSTIND *rgind, int cind, int dy);

    const TSTOLDPROFILE &prof;
    TSTSITE &site;
    TSTPORT port;
    TSTPORT portStarted;   // released once by the monitor when its start-up has ended
    BSWORKER worker;
    std::atomic<int32_t> fPortReq{0};
    std::atomic<int32_t> fRunning{0};
    std::atomic<int32_t> fStartOk{0};
    int cAddrBits = 21;
    uint32_t hif = 0;   // the monitor's handle; the single tests use it while they hold the port
};

#endif
