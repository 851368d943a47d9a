// The older board self-test page's engine (tstold.h).

#include "tstold.h"

#include <stdio.h>

#include <algorithm>

namespace {

// Switch placeholders of bits 0 to 7 (bit 0 is the rightmost switch).
const uint16_t rgidSwitch[8] = {1027, 1044, 1026, 1025, 1024, 1019, 1018, 1017};

enum {
    regBusCtl = 0, regAddr0 = 1, regBusOut = 4, regBusIn = 5, regFlashWord = 7, regReady = 8,
    regFlashSize = 14,
    regCmdCorvale = 0x80, regStatusCorvale = 0x81, regResultCorvale = 0x82,
};

// Control words of the bus bridge.
const uint8_t rgbRamWrite[] = {0xF9, 0xFB, 0xFF};
const uint8_t rgbFlashStrobe[] = {0x35, 0x37, 0x3F};

const uint32_t rgaddrEraseBlock[] = {0, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000, 0x400000};

} // namespace

void TSTPORT::Release()
{
    // Notified under the lock: a waiter may leave and free the port at once.
    std::lock_guard<std::mutex> lock(mtx);
    count = 1;
    cv.notify_all();
}

bool TSTPORT::FTake(int tms)
{
    std::unique_lock<std::mutex> lock(mtx);
    auto fFree = [this] { return count > 0; };
    if (tms < 0)
        cv.wait(lock, fFree);
    else if (!cv.wait_for(lock, std::chrono::milliseconds(tms), fFree))
        return false;
    count = 0;
    return true;
}

void TSTPORT::Reset()
{
    std::lock_guard<std::mutex> lock(mtx);
    count = 0;
}

TSTOLD::TSTOLD(const TSTOLDPROFILE &profIn, TSTSITE &siteIn) : prof(profIn), site(siteIn)
{
    auto add = [this](uint16_t idCtl, uint16_t idText) {
        rgindResult[cindResult].idCtl = idCtl;
        rgindResult[cindResult].idText = idText;
        cindResult++;
    };
    add(idcStatus, idTextNone);
    if (prof.kind != tstkNone) {
        add(idcRamInd, idcRamText);
        add(idcFlashInd, idcFlashText);
    }
    if (prof.fShorts)
        add(idcShortsInd, idcShortsText);
    for (int i = 0; i < 8; i++)
        rgindSwitch[i].idCtl = rgidSwitch[i];
    cindButton = std::min(prof.cbutton, 8);
    for (int i = 0; i < cindButton; i++)
        rgindButton[i].idCtl = prof.rgidButton[i];
}

TSTOLD::~TSTOLD()
{
    fRunning = 0;
    port.Release();   // a monitor waiting for the port finds the loop ended
    worker.FJoin();
}

void TSTOLD::Close()
{
    worker.FJoin(-1, [this] { site.PumpSent(); });
}

TSTIND *TSTOLD::PindResult(uint16_t idCtl)
{
    for (int i = 0; i < cindResult; i++)
        if (rgindResult[i].idCtl == idCtl)
            return &rgindResult[i];
    return nullptr;
}

void TSTOLD::Log(const TSTMSG &msg)
{
    if (msg.sz != nullptr)
        site.Log(msg.sz);
    else if (msg.ids != 0)
        site.Log(site.SzString(msg.ids).c_str());
}

// The window thread waits for the port, serving the messages the monitor
// sends it meanwhile (enabling controls, the host's lock, the log).
void TSTOLD::WaitUi(TSTPORT &portWait)
{
    while (!portWait.FTake(10))
        site.PumpSent();
}

void TSTOLD::TakePortUi()
{
    fPortReq = 1;
    WaitUi(port);
    fPortReq = 0;
}

void TSTOLD::SetStates(bool fRunningNow)
{
    rgindResult[0].st = fRunningNow ? stGood : stBad;
    for (int i = 1; i < cindResult; i++) {
        rgindResult[i].st = fRunningNow ? stReady : stOff;
        if (!fRunningNow)
            site.SetControlText(rgindResult[i].idText, "");
    }
    for (auto &ind : rgindSwitch)
        ind.st = fRunningNow ? stDown : stOff;
    for (int i = 0; i < cindButton; i++)
        rgindButton[i].st = fRunningNow ? stUp : stOff;
    if (prof.kind != tstkNone) {
        site.EnableControl(idcRam, fRunningNow);
        site.EnableControl(idcFlash, fRunningNow);
    }
    if (prof.fShorts)
        site.EnableControl(idcShorts, fRunningNow);
    site.EnableControl(idcSwitches, fRunningNow);
    site.EnableControl(idcButtons, fRunningNow);
    site.EnableControl(idcStop, fRunningNow);
    site.EnableControl(idcStart, !fRunningNow);
    site.Invalidate(nullptr, true);
}

bool TSTOLD::FStartTest()
{
    // A monitor that ended by itself (a command test without answer) is
    // gone before anything starts again; the port begins held by nobody.
    Close();
    port.Reset();
    site.EnableControl(idcStart, false);
    site.LockHost(true);
    auto fail = [this](const TSTMSG *pmsg) {
        if (pmsg != nullptr)
            Log(*pmsg);
        site.LockHost(false);
        site.EnableControl(idcStart, true);
        return false;
    };
    if (prof.fConfigReset) {
        uint32_t hifReset = 0;
        if (!site.FOpen(&hifReset))
            return fail(&prof.msgCommFailed);
        bool fOk = site.FConfigReset(hifReset, true);
        if (fOk) {
            site.SleepMs(100);
            fOk = site.FConfigReset(hifReset, false);
        } else {
            site.FConfigReset(hifReset, false);   // never leave the FPGA held in reset
        }
        fOk = site.FClose(hifReset) && fOk;
        if (!fOk)
            return fail(&prof.msgCommFailed);
    }
    Log(prof.msgLoading);
    if (!site.FConfigureFpga())
        return fail(&prof.msgNotLoaded);
    fStartOk = 0;
    portStarted.Reset();
    if (!worker.FStart([this] {
            bool fOk = FMonitorStart();
            fStartOk = fOk ? 1 : 0;
            portStarted.Release();
            if (fOk)
                MonitorThread();
        }))
        return fail(nullptr);
    WaitUi(portStarted);
    if (!fStartOk) {
        // The monitor reported why, unlocked the host and left the page idle.
        Close();
        return false;
    }
    Log(prof.msgStarted);
    return true;
}

// The monitor's start-up: open, enable, wait for the design. On failure it
// reports, closes what it opened and leaves the page idle before FStartTest
// learns the result; on success it holds the register port.
bool TSTOLD::FMonitorStart()
{
    uint32_t hifOpen = 0;
    if (!site.FOpen(&hifOpen)) {
        Log(prof.msgOpen);
        site.LockHost(false);
        SetStates(false);
        return false;
    }
    hif = hifOpen;
    auto fail = [this, hifOpen](const TSTMSG &msg, bool fEnabled) {
        Log(msg);
        if (fEnabled)
            site.Disable(hifOpen);
        site.FClose(hifOpen);
        hif = 0;
        site.LockHost(false);
        SetStates(false);
        return false;
    };
    if (!site.FEnable(hifOpen))
        return fail(prof.msgEnable, false);
    if (prof.kind == tstkCommand) {
        site.FPutReg(hifOpen, regCmdCorvale, 1);
    } else if (prof.kind == tstkBus) {
        bool fReady = false;
        for (int i = 0; i < 100 && !fReady; i++) {
            uint8_t b = 0;
            fReady = site.FGetReg(hifOpen, regReady, &b) && (b & 1) != 0;
            if (!fReady)
                site.SleepMs(100);
        }
        if (!fReady)
            return fail(prof.msgNotReady, true);
        uint8_t bCode = 0;
        if (!site.FGetReg(hifOpen, regFlashSize, &bCode))
            bCode = 0;
        cAddrBits = bCode == 23 ? 22 : bCode == 24 ? 23 : 21;
    }
    fPortReq = 0;
    fRunning = 1;
    SetStates(true);
    site.LockHost(false);
    return true;
}

// The monitor's loop; it holds the port except while a single test runs.
void TSTOLD::MonitorThread()
{
    while (fRunning) {
        if (fPortReq) {
            port.Release();
            while (fPortReq)
                site.SleepMs(1);
            port.FTake(-1);
            continue;
        }
        ReadInputs();
    }
    uint32_t hifOpen = hif;
    site.Disable(hifOpen);
    site.FClose(hifOpen);
    hif = 0;
    SetStates(false);
    port.Release();
}

TSTRECT TSTOLD::RcSpan(const TSTIND *rgind, int cind, int dy)
{
    TSTRECT rc = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int i = 0; i < cind; i++) {
        rc.left = std::min(rc.left, rgind[i].x);
        rc.top = std::min(rc.top, rgind[i].y);
        rc.right = std::max(rc.right, rgind[i].x + int32_t(dxInd));
        rc.bottom = std::max(rc.bottom, rgind[i].y + dy);
    }
    return rc;
}

void TSTOLD::ReadInputs()
{
    uint8_t b = 0;
    if (site.FGetReg(hif, prof.regButtons, &b)) {
        bool fChanged = false;
        for (int i = 0; i < cindButton; i++) {
            int32_t st = (b >> (prof.ibitButton0 + i)) & 1 ? stDown : stUp;
            fChanged |= rgindButton[i].st.exchange(st) != st;
        }
        if (fChanged) {
            TSTRECT rc = RcSpan(rgindButton, cindButton, dyInd);
            site.Invalidate(&rc, true);
        }
    }
    if (site.FGetReg(hif, prof.regSwitches, &b)) {
        bool fChanged = false;
        for (int i = 0; i < 8; i++) {
            int32_t st = (b >> i) & 1 ? stUp : stDown;
            fChanged |= rgindSwitch[i].st.exchange(st) != st;
        }
        if (fChanged) {
            TSTRECT rc = RcSpan(rgindSwitch, 8, dySwitch);
            site.Invalidate(&rc, true);
        }
    }
}

bool TSTOLD::FStopTest()
{
    if (!fRunning)
        return true;
    fRunning = 0;
    Close();   // the monitor leaves its loop, gives the port back and leaves the page idle
    site.LockHost(false);
    Log(prof.msgStopped);
    return true;
}

void TSTOLD::SetResult(uint16_t idCtl, int32_t st)
{
    TSTIND *pind = PindResult(idCtl);
    if (pind != nullptr)
        pind->st = st;
}

bool TSTOLD::FCommandTest(uint8_t cmd, int cpoll, uint16_t idInd, const TSTMSG &msgPassed,
                          const TSTMSG &msgFailed)
{
    SetResult(idInd, stReady);
    site.Invalidate(nullptr, false);
    if (idInd == idcFlashInd)
        Log(prof.msgFlashStart);
    site.FPutReg(hif, regStatusCorvale, 1);
    site.FPutReg(hif, regCmdCorvale, cmd);
    bool fDone = false;
    for (int i = 0; i < cpoll && !fDone; i++) {
        site.SleepMs(1000);
        uint8_t b = 0;
        fDone = site.FGetReg(hif, regStatusCorvale, &b) && b == 1;
    }
    if (!fDone) {
        SetResult(idInd, stBad);
        Log(prof.msgCommFailed);
        fRunning = 0;   // the monitor ends the whole test
        site.Invalidate(nullptr, false);
        port.Release();
        return false;
    }
    uint8_t bResult = 0xFF;
    if (!site.FGetReg(hif, regResultCorvale, &bResult))
        bResult = 0xFF;
    SetResult(idInd, bResult == 0 ? stGood : stBad);
    Log(bResult == 0 ? msgPassed : bResult == 1 ? msgFailed : prof.msgCommFailed);
    site.Invalidate(nullptr, false);
    port.Release();
    return true;
}

void TSTOLD::PutAddress(uint32_t addr)
{
    for (int i = 0; i < 3; i++)
        site.FPutReg(hif, uint8_t(regAddr0 + i), uint8_t(addr >> (8 * i)));
}

bool TSTOLD::FRamTest()
{
    if (prof.kind == tstkNone || !fRunning)
        return true;
    TakePortUi();
    if (prof.kind == tstkCommand)
        return FCommandTest(2, 5, idcRamInd, prof.msgRamPassed, prof.msgRamFailed);
    Log(prof.msgRamStart);
    uint32_t rgaddr[25];
    uint8_t rgb[25];
    uint32_t addr = 0;
    uint8_t b = 1, bOdd = 1;
    for (int i = 0; i < 25; i++) {
        rgaddr[i] = addr;
        rgb[i] = b;
        addr = addr == 0 ? 1 : addr * 2;
        if (b < 0x80) {
            b = uint8_t(b * 2);
        } else {
            bOdd = uint8_t(bOdd + 2);
            b = bOdd;
        }
    }
    for (int i = 0; i < 25; i++) {
        PutAddress(rgaddr[i]);
        site.FPutReg(hif, regBusOut, rgb[i]);
        for (uint8_t bCtl : rgbRamWrite)
            site.FPutReg(hif, regBusCtl, bCtl);
    }
    bool fPassed = true;
    for (int i = 0; i < 25; i++) {
        PutAddress(rgaddr[i]);
        site.FPutReg(hif, regBusCtl, 0xFA);
        uint8_t bRead = 0;
        if (!site.FGetReg(hif, regBusIn, &bRead) || bRead != rgb[i])
            fPassed = false;
        site.FPutReg(hif, regBusCtl, 0xFF);
    }
    SetResult(idcRamInd, fPassed ? stGood : stBad);
    Log(fPassed ? prof.msgRamPassed : prof.msgRamFailed);
    site.Invalidate(nullptr, false);
    port.Release();
    return true;
}

bool TSTOLD::FEraseFlashBlock(uint32_t addr)
{
    PutAddress(addr);
    for (uint8_t bCmd : {uint8_t(0x20), uint8_t(0xD0)}) {
        site.FPutReg(hif, regBusOut, bCmd);
        for (uint8_t bCtl : rgbFlashStrobe)
            site.FPutReg(hif, regBusCtl, bCtl);
    }
    for (int i = 0; i < 10001; i++) {
        site.FPutReg(hif, regBusCtl, 0x36);
        uint8_t b = 0;
        bool fOk = site.FGetReg(hif, regBusIn, &b);
        site.FPutReg(hif, regBusCtl, 0x3F);
        if (fOk && (b & 0x80) != 0)
            return true;
    }
    return false;
}

bool TSTOLD::FFlashTest()
{
    if (prof.kind == tstkNone || !fRunning)
        return true;
    TakePortUi();
    if (prof.kind == tstkCommand)
        return FCommandTest(3, 15, idcFlashInd, prof.msgFlashPassed, prof.msgFlashFailed);
    for (int i = 0; i < 7; i++) {
        char sz[64];
        snprintf(sz, sizeof(sz), "Erasing Flash block %d...", i + 1);
        site.Log(sz);
        FEraseFlashBlock(rgaddrEraseBlock[i]);
    }
    Log(prof.msgFlashStart);
    const int caddr = cAddrBits + 1;
    auto addrAt = [](int i) { return i == 0 ? 0u : 1u << i; };
    auto bAt = [](int i) { return uint8_t(1u << (i % 8)); };
    for (int i = 0; i < caddr; i++) {
        PutAddress(addrAt(i));
        site.FPutReg(hif, regFlashWord, bAt(i));
        site.FPutReg(hif, regFlashWord, uint8_t(bAt(i) + 1));
    }
    bool fPassed = true;
    for (int i = 0; i < cAddrBits; i++) {
        PutAddress(addrAt(i));
        site.FPutReg(hif, regBusOut, 0xFF);
        for (uint8_t bCtl : rgbFlashStrobe)
            site.FPutReg(hif, regBusCtl, bCtl);
        uint8_t b0 = 0, b1 = 0;
        if (!site.FGetReg(hif, regFlashWord, &b0) || !site.FGetReg(hif, regFlashWord, &b1) || b0 != bAt(i) ||
            b1 != uint8_t(bAt(i) + 1))
            fPassed = false;
    }
    SetResult(idcFlashInd, fPassed ? stGood : stBad);
    Log(fPassed ? prof.msgFlashPassed : prof.msgFlashFailed);
    site.Invalidate(nullptr, false);
    port.Release();
    return true;
}

bool TSTOLD::FShortsTest()
{
    if (!prof.fShorts || !fRunning)
        return true;
    TakePortUi();
    return FCommandTest(9, 5, idcShortsInd, prof.msgShortsPassed, prof.msgShortsFailed);
}
