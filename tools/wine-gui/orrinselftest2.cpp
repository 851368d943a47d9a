// GUI scenario of the newer self-test page (see orrinwork.h): the program on
// the Pentra and Miravo3 boards of boardsupport.cfg. On each board the user
// starts the peripheral test: the page loads the board's peripheral design
// through the program, its status lamp turns green, and the switches and
// buttons set on the simulated board show in the indicators (pixels at their
// places), also when changed while the test runs. The shorts test passes on
// the healthy board and, with a fault injected into one connector test,
// reports exactly that one. Stopping (the button, or leaving the tab)
// returns the page to idle; a second start finds the design already loaded
// (Miravo3).

#include "orrinwork.h"

#include <windows.h>

#include <stdio.h>

#include "wgdrive.h"
#include "wgsim.h"

using namespace wg;
using namespace orrin;

namespace {

enum {
    idStart = 1091, idStop = 1094, idShorts = 1098, idShortsText = 1134,
    idStatusLamp = 1014, idShortsLamp = 1023, idSwitch0 = 1027, idSwitch7 = 1017,
    idButtonCentre = 1030, idButtonRight = 1022,
};

const COLORREF crGreen = RGB(0, 255, 0), crRed = RGB(255, 0, 0), crBlack = RGB(0, 0, 0);

struct BOARDCASE {
    const char *szBoard;        // name on the simulator's control channel
    const char *szUser;
    const char *szLoading;      // the line before the design is loaded
    bool fMiravo3;
    const char *szRightBit;     // the right button's bit in register 0x11
};

const BOARDCASE rgcase[] = {
    {"bs03", "BsPentra1", "Programming Test Configuration...", false, "0x02"},
    {"bs04", "BsMiravo3v1", "Programming test configuration...", true, "0x10"},
};

std::string SzText(HWND hwndPage, int id)
{
    char sz[512] = "";
    GetDlgItemTextA(hwndPage, id, sz, sizeof(sz));
    return sz;
}

bool FTextShows(HWND hwndPage, int id, const std::string &szWant)
{
    for (int i = 0; i < 200; i++) {
        if (SzText(hwndPage, id) == szWant)
            return true;
        Sleep(50);
    }
    return false;
}

// The design log's command lines since the last DLOGCLEAR.
int CcmdLogged(WORK &work, const BOARDCASE &bc, const std::string &szCmd)
{
    std::vector<std::string> rgsz;
    FSim(work, std::string("DLOG ") + bc.szBoard, &rgsz);
    int c = 0;
    for (const std::string &sz : rgsz)
        c += sz.find(" cmd " + szCmd + " ") != std::string::npos;
    return c;
}

// Presses "Test Shorts" and waits for the shorts lamp to show crWant.
void RunShorts(WORK &work, HWND hwndPage, const BOARDCASE &bc, COLORREF crWant, const std::string &szText,
               const std::string &szWhat)
{
    FSim(work, std::string("DLOGCLEAR ") + bc.szBoard);
    ClickButton(GetDlgItem(hwndPage, idShorts));
    Sleep(200);
    Check(FColourShows(hwndPage, idShortsLamp, 7, 7, crWant, false), szWhat + " lamp");
    Check(CcmdLogged(work, bc, "26") == 1, szWhat + ": one shorts test reached the board");
    if (bc.fMiravo3) {
        Check(FTextShows(hwndPage, idShortsText, szText),
              szWhat + ": text \"" + SzText(hwndPage, idShortsText) + "\"");
        Check(CcmdLogged(work, bc, "10") == 1, szWhat + ": one VHDCI test reached the board");
    }
}

void RunBoard(WORK &work, const BOARDCASE &bc)
{
    std::string szWhat = bc.szUser;
    FSim(work, std::string("DOPT ") + bc.szBoard + " switches 0x01");
    FSim(work, std::string("DOPT ") + bc.szBoard + " buttons 0x01");
    Check(FSwitchTo(work.orrin, bc.szUser), szWhat + ": selected");
    work.HwndShowTab("Test");
    HWND hwndStart = HwndFindId(work.orrin.hwndMain, idStart);
    HWND hwndPage = hwndStart ? GetParent(hwndStart) : nullptr;
    Check(hwndPage != nullptr, szWhat + ": the Test page");
    if (hwndPage == nullptr)
        return;
    Settle(work.orrin.hwndMain);
    Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crRed, false), szWhat + ": idle status lamp red");
    Check(!IsWindowEnabled(GetDlgItem(hwndPage, idShorts)), szWhat + ": Test Shorts disabled while idle");

    size_t cline = work.Cline();
    Check(FClickAndWait(work, hwndPage, idStart, "Test Started."), szWhat + ": test started");
    std::vector<std::string> rgsz = work.RgszLines();
    Check(rgsz.size() >= cline + 2 && rgsz[cline] == bc.szLoading, szWhat + ": the design is loaded first");
    std::string szDesign = work.SzSim(std::string("FPGA ") + bc.szBoard, "design");
    Check(szDesign == (bc.fMiravo3 ? "miravo3-gpio" : "pentra-gpio"), szWhat + ": design " + szDesign);
    Settle(work.orrin.hwndMain);
    Check(IsWindowEnabled(GetDlgItem(hwndPage, idStop)) && !IsWindowEnabled(hwndStart),
          szWhat + ": Stop enabled, Start disabled");
    Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crGreen, false), szWhat + ": status lamp green");
    // Switch 0 on: its upper square black; switch 7 off: its lower square black.
    Check(FColourShows(hwndPage, idSwitch0, 7, 7, crBlack, false), szWhat + ": switch 0 shows on");
    Check(CrAt(hwndPage, idSwitch0, 7, 22) != crBlack, szWhat + ": switch 0's lower square empty");
    Check(FColourShows(hwndPage, idSwitch7, 7, 22, crBlack, false), szWhat + ": switch 7 shows off");
    // Button 0 (centre) pressed: filled; button 1 (right) released.
    Check(FColourShows(hwndPage, idButtonCentre, 7, 7, crBlack, false), szWhat + ": centre button pressed");
    Check(CrAt(hwndPage, idButtonRight, 7, 7) != crBlack, szWhat + ": right button released");
    // Changed on the board while the page shows them.
    FSim(work, std::string("DOPT ") + bc.szBoard + " buttons " + bc.szRightBit);
    FSim(work, std::string("DOPT ") + bc.szBoard + " switches 0x80");
    Check(FColourShows(hwndPage, idButtonRight, 7, 7, crBlack, false), szWhat + ": right button pressed on the board");
    Check(FColourShows(hwndPage, idButtonCentre, 7, 7, GetSysColor(COLOR_BTNFACE), false),
          szWhat + ": centre button released on the board");
    Check(FColourShows(hwndPage, idSwitch7, 7, 7, crBlack, false), szWhat + ": switch 7 turned on");
    Check(FColourShows(hwndPage, idSwitch0, 7, 22, crBlack, false), szWhat + ": switch 0 turned off");

    // The shorts test: healthy, then with one connector test failing.
    RunShorts(work, hwndPage, bc, crGreen, "Zarp:   PASS\r\nVHDCI: PASS", szWhat + ": shorts passed");
    const char *szFault = bc.fMiravo3 ? " cmdresult.10 1" : " cmdresult.26 1";
    FSim(work, std::string("DOPT ") + bc.szBoard + szFault);
    RunShorts(work, hwndPage, bc, crRed, "Zarp:   PASS\r\nVHDCI: FAIL ", szWhat + ": shorts fault reported");
    FSim(work, std::string("DOPT ") + bc.szBoard + (bc.fMiravo3 ? " cmdresult.10 -" : " cmdresult.26 -"));

    if (bc.fMiravo3) {
        Check(FClickAndWait(work, hwndPage, idStop, "Test Stopped."), szWhat + ": test stopped");
        // Started again: the peripheral design is still there.
        cline = work.Cline();
        Check(FClickAndWait(work, hwndPage, idStart, "Test Started."), szWhat + ": test started again");
        rgsz = work.RgszLines();
        Check(rgsz.size() >= cline + 2 && rgsz[cline] == "FPGA is programmed with test configuration...",
              szWhat + ": the design already loaded is used");
        Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crGreen, false), szWhat + ": status lamp green again");
    }
    // Leaving the tab stops the test.
    cline = work.Cline();
    work.HwndShowTab("Register I/O");
    Check(work.FWaitLine("Test Stopped.", 20000, cline), szWhat + ": leaving the tab stops the test");
    work.HwndShowTab("Test");
    Settle(work.orrin.hwndMain);
    Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crRed, false), szWhat + ": status lamp red again");
    Check(FColourShows(hwndPage, idSwitch0, 7, 22, GetSysColor(COLOR_BTNFACE), false), szWhat + ": switches grey again");
    Check(IsWindowEnabled(hwndStart) && !IsWindowEnabled(GetDlgItem(hwndPage, idStop)),
          szWhat + ": Start enabled again");
    std::string szPort = work.SzSim(std::string("STATE ") + bc.szBoard, "regport");
    Check(szPort == "0", szWhat + ": the board's register port is released (regport " + szPort + ")");
}

// Another board selected while the test runs: the page goes with its
// plug-in, its worker first, and the board's register port is free again.
void SwitchBoardWhileRunning(WORK &work, const BOARDCASE &bc, const BOARDCASE &bcNext)
{
    std::string szWhat = std::string(bc.szUser) + " (switched away)";
    Check(FSwitchTo(work.orrin, bc.szUser), szWhat + ": selected");
    work.HwndShowTab("Test");
    HWND hwndStart = HwndFindId(work.orrin.hwndMain, idStart);
    HWND hwndPage = hwndStart ? GetParent(hwndStart) : nullptr;
    Check(hwndPage != nullptr, szWhat + ": the Test page");
    if (hwndPage == nullptr)
        return;
    Settle(work.orrin.hwndMain);
    Check(FClickAndWait(work, hwndPage, idStart, "Test Started."), szWhat + ": test started");
    Check(FSwitchTo(work.orrin, bcNext.szUser), szWhat + ": another board selected while the test runs");
    std::string szPort;
    for (int i = 0; i < 100 && szPort != "0"; i++, Sleep(50))
        szPort = work.SzSim(std::string("STATE ") + bc.szBoard, "regport");
    Check(szPort == "0", szWhat + ": the board's register port is released (regport " + szPort + ")");
    work.HwndShowTab("Test");
    hwndStart = HwndFindId(work.orrin.hwndMain, idStart);
    Check(hwndStart != nullptr && IsWindowEnabled(hwndStart), szWhat + ": the next board's Test page is ready");
}

} // namespace

int ScenarioWorkSelfTest2(const std::string &szSimCfg)
{
    std::vector<SIMBOARD> rgboard = RgboardRead(szSimCfg);
    std::string szFirst;
    for (const SIMBOARD &board : rgboard)
        if (board.szUser == rgcase[0].szUser)
            szFirst = board.szSerial;
    Check(!szFirst.empty(), "the self-test boards are configured");
    WORK work;
    if (szFirst.empty() || !work.FStart({{"DvcLast", "SN:" + szFirst}}, false))
        return 1;
    for (const BOARDCASE &bc : rgcase)
        RunBoard(work, bc);
    SwitchBoardWhileRunning(work, rgcase[0], rgcase[1]);
    DWORD dwExit = work.orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
