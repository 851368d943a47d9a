// GUI scenarios of the desktop program's work (see orrinwork.h): the
// plug-in host with the test plug-in, installed for product 6, on the board
// that the program identifies as product 6 by its chain.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "wgdrive.h"

using namespace wg;
using namespace orrin;

namespace {

enum { idProbePath = 3001, idProbeConfig = 3002, idProbeResult = 3003 };

std::vector<std::string> RgszTabs(const ORRIN &orrin)
{
    std::vector<std::string> rgsz;
    HWND hwndTab = orrin.Hwnd(idTab);
    for (int i = 0; i < SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0); i++)
        rgsz.push_back(SzTabText(hwndTab, i));
    return rgsz;
}

} // namespace

// 1. The plug-in with more tabs than the program has room for: the load
//    fails with line 125, the Settings page alone remains, and the tab the
//    program could not add was destroyed (the plug-in finds no window left).
// 2. The plug-in's own tab programs the FPGA through the host callback from
//    a thread of the plug-in, with the host locked meanwhile: the FPGA receives
//    the configuration and runs.
int ScenarioWorkPlugins(const std::string &)
{
    std::string szDir = SzArtifactsWin();
    {
        SetEnvironmentVariableA("KOR_PROBE_TABS", "17");
        WORK work;
        bool fStarted = work.FStart({{"DvcLast", "SN:210183000B02"}}, false);
        SetEnvironmentVariableA("KOR_PROBE_TABS", nullptr);
        if (!fStarted)
            return 1;
        Check(work.FWaitLine("Warning:  Could not load specific board information"),
              "page limit: \"Warning:  Could not load specific board information\"");
        std::vector<std::string> rgszTabs = RgszTabs(work.orrin);
        Check(rgszTabs == std::vector<std::string>{"Settings"}, "page limit: the Settings page alone");
        Check(work.FWaitLine("Probe: 0 tab windows left"), "page limit: every tab window of the plug-in destroyed");
        Check(SzText(work.orrin.Hwnd(idProduct)).empty(), "page limit: no product text after the unload");
        Screenshot(g_szArtifacts, "plugin-page-limit");
        DWORD dwExit = work.orrin.Close();
        Check(dwExit == 0, "page limit: exit code 0 (" + std::to_string(dwExit) + ")");
    }
    WORK work;
    if (!work.FStart({{"DvcLast", "SN:210183000B02"}}))
        return 1;
    ORRIN &orrin = work.orrin;
    Check(work.FWaitLine("Board information loaded."), "probe: \"Board information loaded.\"");
    Check(SzText(orrin.Hwnd(idProduct)) == "Probe Board", "probe: product \"" + SzText(orrin.Hwnd(idProduct)) + "\"");
    std::vector<std::string> rgszTabs = RgszTabs(orrin);
    Check(rgszTabs == (std::vector<std::string>{"Config", "Probe", "Register I/O", "File I/O", "I/O Ex", "Settings"}),
          "probe: the plug-in's tabs in its order");
    // The plug-in's tab: its window is a child of the tab control.
    SendMessageA(orrin.Hwnd(idTab), TCM_SETCURFOCUS, 1, 0);
    Settle(orrin.hwndMain);
    HWND hwndPath = HwndFindId(orrin.Hwnd(idTab), idProbePath);
    HWND hwndPage = hwndPath ? GetParent(hwndPath) : nullptr;
    Check(hwndPage != nullptr && IsWindowVisible(hwndPage), "probe: its own tab shown");
    if (hwndPage == nullptr)
        return 1;
    std::string szBit = szDir + "\\probe.bit";
    Check(work.simctl.FCmd("PING"), "simulator reachable");
    Check(FMakeBitFileFor(szBit, "refio"), "configuration file with the design \"refio\"");
    SetText(hwndPath, szBit);
    size_t cline = work.Cline();
    ClickButton(GetDlgItem(hwndPage, idProbeConfig));
    Check(work.FWaitLine("Probe: FPGA configured with " + szBit + ": ok", 60000, cline),
          "probe: the host programmed the FPGA for the plug-in");
    Check(work.SzSim("FPGA work2", "done") == "1" && work.SzSim("FPGA work2", "cfgbytes") != "0",
          "probe: the simulator's FPGA received the configuration and runs (DONE)");
    Check(IsWindowEnabled(orrin.Hwnd(idTab)), "probe: the host is unlocked again");
    Screenshot(g_szArtifacts, "plugin-probe");
    cline = work.Cline();
    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
