// GUI scenario of the older self-test page (see orrinwork.h): the program on
// the Miravo2, Miravo, Tullen2 and Tullen boards of boardsupport.cfg. On each
// board the user starts the test: the page loads the test design through the
// program, its status lamp turns green and the switches and buttons set on
// the simulated board show in the indicators (pixels at their places). On the
// boards with bus tests the RAM and flash tests pass on the healthy board,
// and with a fault injected into the board's RAM or flash the page reports
// exactly that test as failed; the simulator confirms what reached the
// board's memories. Stopping returns the page to idle.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include "wgdrive.h"
#include "wgsim.h"

using namespace wg;
using namespace orrin;

namespace {

enum {
    idStart = 1091, idStop = 1094, idRam = 1092, idFlash = 1093,
    idStatusLamp = 1014, idRamLamp = 1015, idFlashLamp = 1016,
    idSwitch0 = 1027, idSwitch7 = 1017, idButton7 = 1020, idButton4 = 1030,
};

const COLORREF crGreen = RGB(0, 255, 0), crRed = RGB(255, 0, 0), crBlack = RGB(0, 0, 0);

// How the user ends the test: "Stop Test", leaving the tab (the program
// calls the page's stop entry), or selecting another board while the test
// runs (the program unloads the plug-in).
enum ENDING { endStop, endLeaveTab, endSwitchBoard };

struct BOARDCASE {
    const char *szBoard;   // name on the simulator's control channel
    const char *szUser;
    bool fBusTests;
    const char *szRamPassed, *szRamFailed, *szFlashPassed, *szFlashFailed;
    ENDING ending;
};

const BOARDCASE rgcase[] = {
    {"bs06", "BsMiravo2v2", true, "RAM test passed.", "RAM test failed.", "Flash test passed.", "Flash test failed.",
     endStop},
    {"bs07", "BsMiravo1", true, "RAM Test passed.", "RAM Test failed.", "Flash Test passed.", "Flash Test failed.",
     endStop},
    {"bs10", "BsTullen2v1", false, nullptr, nullptr, nullptr, nullptr, endLeaveTab},
    {"bs13", "BsTullen2", false, nullptr, nullptr, nullptr, nullptr, endSwitchBoard},
};

std::string SzHex(COLORREF cr)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "%06lX", static_cast<unsigned long>(cr));
    return sz;
}

// The line the test ended with is the expected one and nothing else came.
void CheckLastLine(WORK &work, const std::string &szWant, const std::string &szWhat)
{
    std::vector<std::string> rgsz = work.RgszLines();
    std::string szLast = rgsz.empty() ? "" : rgsz.back();
    Check(szLast == szWant, szWhat + ": last line \"" + szLast + "\", expected \"" + szWant + "\"");
}

void RunBoard(WORK &work, const BOARDCASE &bc)
{
    std::string szWhat = bc.szUser;
    FSim(work, std::string("DOPT ") + bc.szBoard + " switches 0x01");
    FSim(work, std::string("DOPT ") + bc.szBoard + " buttons 0x80");
    Check(FSwitchTo(work.orrin, bc.szUser), szWhat + ": selected");
    work.HwndShowTab("Test");
    HWND hwndStart = HwndFindId(work.orrin.hwndMain, idStart);
    HWND hwndPage = hwndStart ? GetParent(hwndStart) : nullptr;
    std::string szTabs;
    HWND hwndTab = work.orrin.Hwnd(idTab);
    for (int i = 0; i < SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0); i++)
        szTabs += SzTabText(hwndTab, i) + ";";
    Check(hwndPage != nullptr, szWhat + ": the Test page (tabs " + szTabs + ")");
    if (hwndPage == nullptr)
        return;
    Settle(work.orrin.hwndMain);
    Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crRed, true), szWhat + ": idle status lamp red");

    Check(FClickAndWait(work, hwndPage, idStart, "Test Started."), szWhat + ": test started");
    Settle(work.orrin.hwndMain);
    Check(IsWindowEnabled(GetDlgItem(hwndPage, idStop)) && !IsWindowEnabled(hwndStart),
          szWhat + ": Stop enabled, Start disabled");
    Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crGreen, true), szWhat + ": status lamp green (" +
                                                                     SzHex(CrAt(hwndPage, idStatusLamp, 7, 7)) + ")");
    // Switch 0 on: its upper half black; switch 7 off: its lower half black.
    Check(FColourShows(hwndPage, idSwitch0, 7, 7, crBlack, true), szWhat + ": switch 0 shows on");
    Check(CrAt(hwndPage, idSwitch0, 7, 22) != crBlack, szWhat + ": switch 0's lower half empty");
    Check(FColourShows(hwndPage, idSwitch7, 7, 22, crBlack, true), szWhat + ": switch 7 shows off");
    // Button bit 7 pressed (filled), bit 4 released.
    Check(FColourShows(hwndPage, idButton7, 7, 7, crBlack, true), szWhat + ": leftmost button pressed");
    Check(CrAt(hwndPage, idButton4, 7, 7) != crBlack, szWhat + ": rightmost button released");
    // Changed on the board while the page shows it.
    FSim(work, std::string("DOPT ") + bc.szBoard + " switches 0x80");
    Check(FColourShows(hwndPage, idSwitch7, 7, 7, crBlack, true), szWhat + ": switch 7 turned on");
    Check(FColourShows(hwndPage, idSwitch0, 7, 22, crBlack, true), szWhat + ": switch 0 turned off");

    if (bc.fBusTests) {
        FSim(work, std::string("DLOGCLEAR ") + bc.szBoard);
        Check(FClickAndWait(work, hwndPage, idRam, bc.szRamPassed), szWhat + ": RAM test passed");
        std::vector<std::string> rgszLog;
        FSim(work, std::string("DLOG ") + bc.szBoard, &rgszLog);
        int cram = 0;
        for (const std::string &sz : rgszLog)
            cram += sz.compare(0, 9, "ram write") == 0;
        Check(cram == 25, szWhat + ": 25 RAM writes reached the board (" + std::to_string(cram) + ")");
        Check(FColourShows(hwndPage, idRamLamp, 7, 7, crGreen, true), szWhat + ": RAM lamp green");
        Check(FClickAndWait(work, hwndPage, idFlash, bc.szFlashPassed), szWhat + ": flash test passed");
        Check(FColourShows(hwndPage, idFlashLamp, 7, 7, crGreen, true), szWhat + ": flash lamp green");

        FSim(work, std::string("DOPT ") + bc.szBoard + " fault.ramstuck 0x40");
        Check(FClickAndWait(work, hwndPage, idRam, bc.szRamFailed), szWhat + ": stuck RAM bit reported");
        CheckLastLine(work, bc.szRamFailed, szWhat + ": RAM fault");
        Check(FColourShows(hwndPage, idRamLamp, 7, 7, crRed, true), szWhat + ": RAM lamp red");
        FSim(work, std::string("DOPT ") + bc.szBoard + " fault.ramstuck -");
        FSim(work, std::string("DOPT ") + bc.szBoard + " fault.flashstuck 0x02");
        Check(FClickAndWait(work, hwndPage, idFlash, bc.szFlashFailed), szWhat + ": stuck flash bit reported");
        CheckLastLine(work, bc.szFlashFailed, szWhat + ": flash fault");
        Check(FColourShows(hwndPage, idFlashLamp, 7, 7, crRed, true), szWhat + ": flash lamp red");
        Check(FColourShows(hwndPage, idRamLamp, 7, 7, crRed, true), szWhat + ": RAM lamp stays red");
        FSim(work, std::string("DOPT ") + bc.szBoard + " fault.flashstuck -");
    }

    if (bc.ending == endSwitchBoard) {
        // The page goes with its plug-in: its monitor stops first, and the
        // board is free for the next program.
        size_t cline = work.Cline();
        Check(FSwitchTo(work.orrin, rgcase[0].szUser), szWhat + ": another board selected while the test runs");
        Check(work.FWaitLine("Test Stopped.", 20000, cline), szWhat + ": test stopped by the board switch");
        std::string szPort = work.SzSim(std::string("STATE ") + bc.szBoard, "regport");
        Check(szPort == "0", szWhat + ": the board's register port is released (regport " + szPort + ")");
        return;
    }
    if (bc.ending == endLeaveTab) {
        size_t cline = work.Cline();
        work.HwndShowTab("Register I/O");
        Check(work.FWaitLine("Test Stopped.", 20000, cline), szWhat + ": leaving the tab stops the test");
        work.HwndShowTab("Test");
        Settle(work.orrin.hwndMain);
    } else {
        Check(FClickAndWait(work, hwndPage, idStop, "Test Stopped."), szWhat + ": test stopped");
    }
    Check(FColourShows(hwndPage, idStatusLamp, 7, 7, crRed, true), szWhat + ": status lamp red again");
    Check(FColourShows(hwndPage, idSwitch0, 7, 22, GetSysColor(COLOR_BTNFACE), true), szWhat + ": switches grey again");
    Check(IsWindowEnabled(hwndStart) && !IsWindowEnabled(GetDlgItem(hwndPage, idStop)),
          szWhat + ": Start enabled again");
    // Stopping an idle page logs nothing.
    size_t cline = work.Cline();
    work.HwndShowTab("Register I/O");
    work.HwndShowTab("Test");
    Settle(work.orrin.hwndMain);
    Check(work.Cline() == cline, szWhat + ": leaving the idle page logs nothing");
}

} // namespace

int ScenarioWorkSelfTest(const std::string &szSimCfg)
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
    DWORD dwExit = work.orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
