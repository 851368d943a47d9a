// The newer self-test page without its window (tstnew.h).

#include "tstnew.h"

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Placeholder controls of the indicators, in record order: status, shorts
// result, memory result, the switches from bit 0 (the rightmost) to bit 7,
// then the buttons from bit 0.
const uint16_t rgidcPentra[] = {1014, 1023, 1015, 1027, 1044, 1026, 1025, 1024, 1019, 1018, 1017,
                                1030, 1022, 1028, 1021, 1020, 1029};
const uint16_t rgidcMiravo3[] = {1014, 1023, 1015, 1027, 1044, 1026, 1025, 1024, 1019, 1018, 1017,
                                 1030, 1020, 1021, 1028, 1022};

// Button records by their place on the board.
struct BUTTONPOS {
    int iLeft, iUp, iDown, iRightmost;
};
const BUTTONPOS bpPentra = {iindButton0 + 3, iindButton0 + 4, iindButton0 + 2, iindButton0 + 5};
const BUTTONPOS bpMiravo3 = {iindButton0 + 2, iindButton0 + 1, iindButton0 + 3, iindButton0 + 4};

void Sleep(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string SzFormat(const char *szFmt, uint32_t v)
{
    char sz[64];
    snprintf(sz, sizeof(sz), szFmt, v);
    return sz;
}

} // namespace

bool FRunTstCmd(CMDPORT &port, uint8_t cmd, int tsec)
{
    if (!port.FPutReg(regCmd, cmd))
        return false;
    port.SleepMs(100);
    int cpoll = tsec * 10;
    for (int i = 0; i < cpoll; i++) {
        uint8_t bStatus = 0;
        if (!port.FGetReg(regStatus, &bStatus))
            return false;
        if (bStatus == stsDone) {
            uint8_t bResult = 1;
            return port.FGetReg(regResult, &bResult) && bResult == 0;
        }
        if (bStatus != 2 && bStatus != 3 && bStatus != 255)
            return false;
        port.SleepMs(100);
    }
    return false;
}

uint32_t TstValue(CMDPORT &port)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) {
        uint8_t b = 0;
        if (!port.FGetReg(static_cast<uint8_t>(regTstValue + i), &b))
            return 0xFFFFFFFF;
        v |= static_cast<uint32_t>(b) << (8 * i);
    }
    return v;
}

std::string SzTstRamLine(bool fOk, uint32_t v)
{
    std::string sz = "RAM:        ";
    if (!fOk)
        sz += "Failed";
    else {
        if ((v & 0x87FF) == 0x343)
            sz += "Micron CellularRAM, 128-Mbit, " + SzFormat("version: %d", ((v >> 11) & 15) + 1);
        else
            sz += "Unknown";
        sz += SzFormat(" (ID: %04X)", v);
    }
    return sz + "\r\n";
}

std::string SzTstSpiLine(bool fOk, uint32_t v)
{
    std::string sz = "SPI Flash: ";
    if (!fOk)
        sz += "Failed";
    else {
        uint32_t id = v & 0xFFFFFF;
        sz += id == 0x20BA18 ? "Micron N25Q, 128-Mbit" : id == 0x20DA18 ? "Micron Omneo P5Q, 128-Mbit" : "Unknown";
        sz += SzFormat(" (ID: %06X)", v);
    }
    return sz + "\r\n";
}

std::string SzTstBpiLine(bool fOk, uint32_t v)
{
    static const struct {
        uint16_t id;
        const char *sz;
    } rgpart[] = {
        {0x881E, "Micron Omneo P8P, 128-Mbit, Top Boot"},
        {0x8821, "Micron Omneo P8P, 128-Mbit, Bottom Boot"},
        {0x8960, "Micron Axcell P30, 512-Mbit, -T"},
        {0x8961, "Micron Axcell P30, 512-Mbit, -B"},
        {0x8999, "Micron Axcell P30, 512-Mbit, -E"},
        {0x8962, "Micron Axcell P30, 1-Gbit, -T"},
        {0x8963, "Micron Axcell P30, 1-Gbit, -B"},
        {0x899A, "Micron Axcell P30, 1-Gbit, -E"},
    };
    std::string sz = "BPI Flash: ";
    if (!fOk)
        sz += "Failed";
    else {
        const char *szPart = "Unknown";
        for (auto &part : rgpart)
            if ((v & 0xFFFF) == part.id)
                szPart = part.sz;
        sz += szPart;
        sz += SzFormat(" (ID: %04X)", v);
    }
    return sz + "\r\n";
}

TSTNEW::TSTNEW(TSTNKIND kindIn, TSTNPORT &portIn, const std::string &szTestImageIn)
    : kind(kindIn), port(portIn), szTestImage(szTestImageIn)
{
    const uint16_t *rgidc = kind == tstkPentra ? rgidcPentra : rgidcMiravo3;
    for (int i = 0; i < Cind(); i++)
        rgind[i].idCtl = rgidc[i];
    rgind[iindMemory].idText = idcTstMemText;
}

TSTNEW::~TSTNEW()
{
    fDying = true;
    fStopReq = true;
    Wake();
    worker.FJoin();
}

void TSTNEW::Wake()
{
    std::lock_guard<std::mutex> lock(mtxWake);
    cWake++;
    cvWake.notify_all();
}

bool TSTNEW::FWait(uint32_t ms)
{
    {
        std::unique_lock<std::mutex> lock(mtxWake);
        if (cvWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return cWake > 0; }))
            cWake--;
    }
    return kind == tstkPentra ? !fDying : FPageUsable();
}

void TSTNEW::Message(uint32_t ids)
{
    if (kind == tstkPentra || FPageUsable())
        port.Log(ids);
}

void TSTNEW::SetSt(int iind, int32_t st, bool fRedraw)
{
    rgind[iind].st = st;
    if (fRedraw && FPageUsable()) {
        TSTNRECT rc = RcInd(iind);
        port.Invalidate(&rc);
    }
}

TSTNRECT TSTNEW::RcInd(int iind) const
{
    const TSTIND &ind = rgind[iind];
    return {ind.x, ind.y, ind.x + cpxInd, ind.y + cpxInd};
}

TSTNRECT TSTNEW::RcButtons() const
{
    const BUTTONPOS &bp = kind == tstkPentra ? bpPentra : bpMiravo3;
    return {rgind[bp.iLeft].x, rgind[bp.iUp].y, rgind[bp.iRightmost].x + cpxInd, rgind[bp.iDown].y + cpxInd};
}

TSTNRECT TSTNEW::RcSwitches() const
{
    // Bit 7 is the leftmost switch, bit 0 the rightmost.
    const TSTIND &indLeft = rgind[iindSwitch0 + cindSwitch - 1];
    const TSTIND &indRight = rgind[iindSwitch0];
    return {indLeft.x, indLeft.y, indRight.x + cpxInd, indLeft.y + cpySwitch};
}

void TSTNEW::SetStates(bool fRunningNow)
{
    rgind[iindStatus].st = fRunningNow ? stGood : stBad;
    rgind[iindShorts].st = fRunningNow ? stReady : stOff;
    for (int i = 0; i < cindSwitch; i++)
        rgind[iindSwitch0 + i].st = fRunningNow ? stDown : stOff;
    for (int i = 0; i < CindButton(); i++)
        rgind[iindButton0 + i].st = fRunningNow ? stUp : stOff;
    if (!port.FPageAlive())
        return;
    for (int idc : {idcTstShorts, idcTstHint, idcTstButtons, idcTstShortsText, idcTstSwitches})
        port.EnableCtl(idc, fRunningNow);
    port.Invalidate(nullptr);
}

void TSTNEW::Start(bool fMemory)
{
    if (fRunning || worker.FRunning())
        return;
    fStopReq = fMemory;
    fMemTest = fMemory;
    fRunning = !fMemory;
    {
        std::lock_guard<std::mutex> lock(mtxWake);
        cWake = 0;
    }
    if (kind == tstkMiravo3)
        port.LockHost(true);
    if (!worker.FStart([this] { Worker(); })) {
        fRunning = false;
        fMemTest = false;
        if (kind == tstkMiravo3)
            port.LockHost(false);
    }
}

void TSTNEW::StartPeripherals()
{
    Start(false);
}

void TSTNEW::StartMemory()
{
    Start(true);
}

void TSTNEW::RequestStop()
{
    fStopReq = true;
    Wake();
}

void TSTNEW::RequestShorts()
{
    fShortsReq = true;
}

void TSTNEW::PageCreated()
{
    if (!worker.FRunning())
        fDying = false;
}

void TSTNEW::LeavePage(const std::function<void()> &fnPump)
{
    fDying = true;
    fStopReq = true;
    Wake();
    worker.FJoin(-1, fnPump);
}

void TSTNEW::Worker()
{
    bool fMemory = fMemTest;
    if (FPageUsable()) {
        port.EnableCtl(idcTstStart, false);
        port.EnableCtl(idcTstMemory, false);
    }
    if (kind == tstkPentra)
        port.Log(idsTstProgramming);
    std::string szPath = szTestImage;
    uint32_t idExpected = idTstMemDesign;
    if (fMemory) {
        SetSt(iindMemory, stBusy);
        if (kind == tstkMiravo3 && FPageUsable())
            port.SetText(idcTstMemText, "");
    } else {
        // The peripheral design: "... - 1.bit" becomes "... - 1 GPIO.bit".
        if (szPath.size() >= 4)
            szPath.resize(szPath.size() - 4);
        szPath += " GPIO.bit";
        SetSt(iindStatus, stBusy);
        idExpected = idTstGpioDesign;
    }
    fDeviceOpen = false;
    bool fReady = kind == tstkPentra ? FStartPentra(szPath) : FStartMiravo3(szPath, idExpected);
    if (fReady) {
        if (fMemory)
            MemoryRun();
        else
            PeripheralRun();
    }
    End();
}

bool TSTNEW::FStartPentra(const std::string &szPath)
{
    if (!port.FConfigure(szPath)) {
        port.Log(idsTstConfigFailed);
        return false;
    }
    if (!port.FOpen()) {
        port.Log(idsTstOpenFailed);
        return false;
    }
    if (!port.FEnable()) {
        port.Close();
        port.Log(idsTstEnableFailed);
        return false;
    }
    fDeviceOpen = true;
    Sleep(500);
    for (int i = 0; i < 20 && !port.FPutReg(regCmd, cmdInit); i++)
        Sleep(500);
    Sleep(100);
    uint8_t b = 0;
    if (!port.FGetReg(regCmd, &b) || b != 1) {
        port.Log(idsTstNoAnswer);
        return false;
    }
    Sleep(100);
    return true;
}

bool TSTNEW::FDesignAnswers(uint32_t idExpected)
{
    return FRunTstCmd(port, cmdInit, 1) && FRunTstCmd(port, 5, 1) && TstValue(port) == idExpected;
}

bool TSTNEW::FStartMiravo3(const std::string &szPath, uint32_t idExpected)
{
    if (!port.FOpen()) {
        Message(idsTstOpenFailed);
        return false;
    }
    if (!port.FEnable()) {
        port.Close();
        Message(idsTstEnableFailed);
        return false;
    }
    fDeviceOpen = true;
    port.SetTransTimeout(500);
    if (FDesignAnswers(idExpected)) {
        port.SetTransTimeout(10000);
        Message(idsTstProgrammed);
    } else {
        port.SetTransTimeout(10000);
        Message(idsTstProgramming);
        if (!port.FConfigure(szPath)) {
            Message(idsTstConfigFailed);
            return false;
        }
        for (int i = 0; i < 10; i++)
            if (!FWait(100))
                return false;
        for (int i = 0; i < 20 && !port.FPutReg(regCmd, cmdInit); i++)
            if (!FWait(100))
                return false;
        for (int i = 0; i < 10; i++)
            if (!FWait(100))
                return false;
        if (!FDesignAnswers(idExpected)) {
            Message(idsTstNoAnswer);
            return false;
        }
    }
    if (FPageUsable())
        port.LockHost(false);
    return true;
}

void TSTNEW::MemoryRun()
{
    if (kind == tstkPentra) {
        fMemTest = false;
        bool fRam = FRunTstCmd(port, 2, 5);
        std::string sz = std::string("RAM test ") + (fRam ? "passed" : "failed");
        if (FPageUsable())
            port.SetText(idcTstMemText, sz);
        bool fFlash = FRunTstCmd(port, 3, 5);
        sz += std::string(", Flash test ") + (fFlash ? "passed" : "failed");
        if (FPageUsable())
            port.SetText(idcTstMemText, sz);
        SetSt(iindMemory, fRam && fFlash ? stGood : stBad);
        return;
    }
    // Miravo3: the three identifications, each line shown once complete.
    static const struct {
        uint8_t cmd;
        std::string (*pfnLine)(bool, uint32_t);
    } rgline[] = {{20, SzTstRamLine}, {19, SzTstSpiLine}, {18, SzTstBpiLine}};
    std::string sz;
    bool fAll = true;
    for (auto &line : rgline) {
        bool fOk = FRunTstCmd(port, line.cmd, 1);
        uint32_t v = fOk ? TstValue(port) : 0;
        fAll = fAll && fOk;
        sz += line.pfnLine(fOk, v);
        if (!FPageUsable())
            return;
        port.SetText(idcTstMemText, sz);
    }
    SetSt(iindMemory, fAll ? stGood : stBad);
}

void TSTNEW::ShortsTest()
{
    fShortsReq = false;
    SetSt(iindShorts, stBusy);
    bool fOk = FRunTstCmd(port, 26, 2);
    if (kind == tstkMiravo3) {
        std::string sz = fOk ? "Zarp:   PASS" : "Zarp:   FAIL";
        sz += "\r\n";
        bool fVhdci = FRunTstCmd(port, 10, 2);
        sz += fVhdci ? "VHDCI: PASS" : "VHDCI: FAIL ";
        fOk = fOk && fVhdci;
        if (FPageUsable())
            port.SetText(idcTstShortsText, sz);
    }
    SetSt(iindShorts, fOk ? stGood : stBad);
}

bool TSTNEW::FPollButtons()
{
    uint8_t b = 0;
    if (!port.FGetReg(regTstButtons, &b))
        return false;
    bool fChanged = false;
    for (int i = 0; i < CindButton(); i++) {
        int32_t st = (b >> i) & 1 ? stDown : stUp;
        fChanged = fChanged || rgind[iindButton0 + i].st != st;
        rgind[iindButton0 + i].st = st;
    }
    if (fChanged && FPageUsable()) {
        TSTNRECT rc = RcButtons();
        port.Invalidate(&rc);
    }
    return true;
}

bool TSTNEW::FPollSwitches()
{
    uint8_t b = 0;
    if (!port.FGetReg(regTstSwitches, &b))
        return false;
    bool fChanged = false;
    for (int i = 0; i < cindSwitch; i++) {
        int32_t st = (b >> i) & 1 ? stUp : stDown;
        fChanged = fChanged || rgind[iindSwitch0 + i].st != st;
        rgind[iindSwitch0 + i].st = st;
    }
    if (fChanged && FPageUsable()) {
        TSTNRECT rc = RcSwitches();
        port.Invalidate(&rc);
    }
    return true;
}

void TSTNEW::PeripheralRun()
{
    fShortsReq = false;
    SetStates(true);
    if (FPageUsable())
        port.EnableCtl(idcTstStop, true);
    if (!fDying)
        port.Log(idsTstStarted);
    while (!fStopReq) {
        bool fUsable = FWait(100);
        if (fStopReq || fDying || !fUsable)
            break;
        if (fShortsReq)
            ShortsTest();
        // A register the design does not answer: Pentra tries again next
        // cycle, Miravo3 ends the run.
        if (!FPollButtons() && kind == tstkMiravo3)
            break;
        if (!FPollSwitches() && kind == tstkMiravo3)
            break;
    }
    if (!fDying) {
        port.Log(idsTstStopped);
        SetStates(false);
    }
}

void TSTNEW::End()
{
    if (fDeviceOpen) {
        port.Disable();
        port.Close();
        fDeviceOpen = false;
    }
    if (FPageUsable()) {
        if (rgind[iindMemory].st == stBusy)
            SetSt(iindMemory, stOff);
        if (rgind[iindStatus].st == stBusy)
            SetSt(iindStatus, stBad);
        port.EnableCtl(idcTstMemory, true);
        port.EnableCtl(idcTstStart, true);
        port.EnableCtl(idcTstStop, false);
        if (kind == tstkMiravo3)
            port.LockHost(false);
    }
    fRunning = false;
    if (kind == tstkMiravo3)
        fMemTest = false;
}
