// orrindrv: GUI scenarios of the desktop program, driven from outside.
//
//   orrindrv.exe SCENARIO PROGRAM.exe [UNIX-ARTIFACT-DIR [SIM-CONFIG]]
//
// Each scenario prepares the registry, starts the program, drives it like a
// user, closes it and checks what it left in the registry. Exit code 0 when
// every check passed.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdio.h>
#include <string>

#include "orrinapp.h"
#include "orrinboards.h"
#include "orrinwork.h"
#include "wgdrive.h"

using namespace wg;
using namespace orrin;

namespace {

void CheckSettingsPage(const ORRIN &orrin)
{
    struct { int id; const char *sz; } rgctl[] = {
        {idAutoInit, "Auto Initailize SC"}, {idHideStatus, "Hide Status Window"},
        {idSlowProg, "Slow Programming Speed"}, {idClearStatus, "Clear Status Window"},
        {idClearHist, "Clear File History"}, {idDvcMg, "Device Manager..."},
        {idPower, "Config Power Supply..."},
    };
    for (auto &ctl : rgctl)
        Check(SzText(orrin.Hwnd(ctl.id)) == ctl.sz, std::string("control text \"") + ctl.sz + "\"");
    Check(!IsWindowVisible(orrin.Hwnd(idPower)) && !IsWindowEnabled(orrin.Hwnd(idPower)),
          "\"Config Power Supply...\" hidden and disabled");
    Check((GetWindowLongA(orrin.Hwnd(idDvcMg), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON,
          "\"Device Manager...\" is the default button");
    Check(SendMessageA(orrin.Hwnd(idTab), TCM_GETITEMCOUNT, 0, 0) == 1, "one tab (Settings only)");
    Check(SzTabText(orrin.Hwnd(idTab), 0) == "Settings", "tab text \"" + SzTabText(orrin.Hwnd(idTab), 0) + "\"");
    Check(SzText(orrin.Hwnd(idCombo)) == "No Devices Connected", "connect bar: \"No Devices Connected\"");
    Check(SzText(orrin.Hwnd(idProduct)).empty(), "product text empty");
}

// Opening the device list enumerates again; closing it without a choice
// after the enumeration changed the selection switches the device: with no
// board, the pages are rebuilt with Settings only.
void ReenumerateAndCancel(ORRIN &orrin)
{
    HWND hwndCombo = orrin.Hwnd(idCombo);
    HWND hwndPageOld = orrin.hwndPage;
    SendMessageA(hwndCombo, CB_SHOWDROPDOWN, TRUE, 0);
    Settle(orrin.hwndMain);
    Screenshot(g_szArtifacts, "device-list-open");
    SendMessageA(hwndCombo, CB_SHOWDROPDOWN, FALSE, 0);
    Settle(orrin.hwndMain);
    Check(SzText(hwndCombo) == "No Devices Connected", "device list after re-enumeration: \"No Devices Connected\"");
    Check(SendMessageA(hwndCombo, CB_GETCOUNT, 0, 0) == 1, "device list has one item");
    Check(SendMessageA(orrin.Hwnd(idTab), TCM_GETITEMCOUNT, 0, 0) == 1, "still one tab");
    Check(SzTabText(orrin.Hwnd(idTab), 0) == "Settings",
          "rebuilt tab text \"" + SzTabText(orrin.Hwnd(idTab), 0) + "\"");
    HWND hwndCheck = HwndFindId(orrin.hwndMain, idHideStatus);
    orrin.hwndPage = hwndCheck ? GetParent(hwndCheck) : nullptr;
    Check(orrin.hwndPage != nullptr && IsWindowVisible(orrin.hwndPage), "Settings page shown");
    Check(orrin.hwndPage != hwndPageOld, "Settings page rebuilt by the device switch");
    Check(FResponsive(orrin.hwndMain), "program responsive after the device switch");
}

std::string SzRect(const RECT &rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

// With the status window shown the width stays, and the height cannot fall
// below the smallest height; dragging down is free.
int CheckSizingShown(const ORRIN &orrin)
{
    RECT rcWnd = RcWindow(orrin.hwndMain);
    int cx = rcWnd.right - rcWnd.left;
    RECT rc = RcSizing(orrin.hwndMain, WMSZ_BOTTOMRIGHT, {100, 100, 100 + cx + 80, 100 + 900});
    Check(rc.left == 100 && rc.right == 100 + cx && rc.bottom == 1000, "sizing right: width kept (" + SzRect(rc) + ")");
    rc = RcSizing(orrin.hwndMain, WMSZ_LEFT, {100, 100, 400, 700});
    Check(rc.right == 400 && rc.left == 400 - cx, "sizing left: width kept from the right edge (" + SzRect(rc) + ")");
    rc = RcSizing(orrin.hwndMain, WMSZ_BOTTOM, {100, 100, 100 + cx, 130});
    int cyMin = rc.bottom - 100;
    Check(cyMin > 30 && cyMin < rcWnd.bottom - rcWnd.top, "sizing bottom: smallest height " + std::to_string(cyMin));
    rc = RcSizing(orrin.hwndMain, WMSZ_TOP, {100, 600, 100 + cx, 630});
    Check(rc.bottom == 630 && rc.top == 630 - cyMin, "sizing top: the same smallest height (" + SzRect(rc) + ")");
    return cyMin;
}

// With the status window hidden the height is fixed; the width is free.
void CheckSizingHidden(const ORRIN &orrin, int cyHidden)
{
    RECT rc = RcSizing(orrin.hwndMain, WMSZ_BOTTOMRIGHT, {50, 60, 950, 900});
    Check(rc.left == 50 && rc.right == 950 && rc.top == 60 && rc.bottom == 60 + cyHidden,
          "status hidden: height fixed, width free (" + SzRect(rc) + ")");
}

std::string SzClipboard()
{
    std::string sz = "<empty>";
    for (int i = 0; i < 20 && !OpenClipboard(nullptr); i++)
        Sleep(50);
    HANDLE h = GetClipboardData(CF_TEXT);
    if (h != nullptr) {
        const char *pch = static_cast<const char *>(GlobalLock(h));
        if (pch != nullptr)
            sz = pch;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return sz;
}

void ClearClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// Real input: a click into a window, then Control+C.
void ClickAndCopy(HWND hwnd)
{
    RECT rc = RcWindow(hwnd);
    SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    INPUT rgin[6] = {};
    rgin[0].type = rgin[1].type = INPUT_MOUSE;
    rgin[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    rgin[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, rgin, sizeof(INPUT));
    Sleep(300);
    for (int i = 2; i < 6; i++)
        rgin[i].type = INPUT_KEYBOARD;
    rgin[2].ki.wVk = VK_CONTROL;
    rgin[3].ki.wVk = 'C';
    rgin[4].ki.wVk = 'C';
    rgin[4].ki.dwFlags = KEYEVENTF_KEYUP;
    rgin[5].ki.wVk = VK_CONTROL;
    rgin[5].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, rgin + 2, sizeof(INPUT));
    Sleep(500);
}

// The copy accelerator copies the status window's selection when it has the
// focus, and does nothing when a control of the page has it.
void CheckCopyAccelerator(const ORRIN &orrin)
{
    HWND hwndStatus = orrin.Hwnd(idStatus);
    SetForegroundWindow(orrin.hwndMain);
    ClearClipboard();
    ClickAndCopy(orrin.Hwnd(idAutoInit));
    Check(SzClipboard() == "<empty>", "copy with the focus on the page copies nothing");
    if (orrin.FChecked(idAutoInit) == false)   // the click toggled the box: put it back
        orrin.Click(idAutoInit);
    ClickAndCopy(hwndStatus);   // the click gives the status window the focus
    SendMessageA(hwndStatus, EM_SETSEL, 0, 27);
    ClearClipboard();
    INPUT rgin[4] = {};
    for (auto &in : rgin)
        in.type = INPUT_KEYBOARD;
    rgin[0].ki.wVk = VK_CONTROL;
    rgin[1].ki.wVk = 'C';
    rgin[2].ki.wVk = 'C';
    rgin[2].ki.dwFlags = KEYEVENTF_KEYUP;
    rgin[3].ki.wVk = VK_CONTROL;
    rgin[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, rgin, sizeof(INPUT));
    for (int i = 0; i < 40 && SzClipboard() == "<empty>"; i++)
        Sleep(50);
    Check(SzClipboard() == "===== Korvanel Orrin  =====", "copy with the focus on the status window: \"" +
                                                               SzClipboard() + "\"");
}

int ScenarioStartup()
{
    PrepareRegistry(true);
    ORRIN orrin;
    if (!orrin.FStart())
        return 1;
    Check(SzText(orrin.hwndMain) == "Korvanel Orrin", "title \"Korvanel Orrin\"");
    CheckBanner(orrin);
    CheckSettingsPage(orrin);
    Check(orrin.FChecked(idAutoInit) && !orrin.FChecked(idHideStatus), "switches from the defaults");
    Check(IsWindowVisible(orrin.Hwnd(idStatus)) && IsWindowVisible(orrin.Hwnd(idProgress)),
          "status window and progress bar shown");
    Screenshot(g_szArtifacts, "startup");
    CheckCopyAccelerator(orrin);

    int cyShown = orrin.CyMain();
    int cyMin = CheckSizingShown(orrin);
    orrin.Click(idHideStatus);
    int cyHidden = orrin.CyMain();
    Check(orrin.FChecked(idHideStatus) && !IsWindowVisible(orrin.Hwnd(idStatus)), "hide: status window hidden");
    Check(cyHidden < cyShown, "hide: window shorter (" + std::to_string(cyShown) + " -> " +
                                  std::to_string(cyHidden) + ")");
    Screenshot(g_szArtifacts, "status-hidden");
    CheckSizingHidden(orrin, cyHidden);
    orrin.Click(idHideStatus);
    int cyReshown = orrin.CyMain();
    Check(IsWindowVisible(orrin.Hwnd(idStatus)), "show: status window shown again");
    Check(cyReshown > cyHidden, "show: window taller again (" + std::to_string(cyReshown) + ")");
    // Smallest height = hidden height + 10 + 2 lines; shown again = smallest + 7 lines.
    Check((cyReshown - cyMin) * 2 == (cyMin - cyHidden - 10) * 7,
          "show: 7 lines above the smallest height (" + std::to_string(cyHidden) + ", " + std::to_string(cyMin) +
              ", " + std::to_string(cyReshown) + ")");
    orrin.Click(idHideStatus);
    Check(orrin.CyMain() == cyHidden, "hide again: the same height as before");

    orrin.Click(idAutoInit);
    Check(!orrin.FChecked(idAutoInit), "\"Auto Initailize SC\" unchecked");
    orrin.Click(idSlowProg);
    Check(orrin.FChecked(idSlowProg), "\"Slow Programming Speed\" checks");

    SendMessageA(orrin.Hwnd(idTab), TCM_SETCURFOCUS, 0, 0);
    Settle(orrin.hwndMain);
    Check(IsWindowVisible(orrin.hwndPage), "Settings page shown after selecting its tab");

    SzOpenDeviceManager(orrin);
    ReenumerateAndCancel(orrin);
    Check(orrin.FChecked(idHideStatus) && !orrin.FChecked(idAutoInit), "new Settings page shows the switches");
    Check(!orrin.FChecked(idSlowProg), "new Settings page: \"Slow Programming Speed\" not kept");

    // Escape on the page reaches it as Cancel, which it ignores.
    PostMessageA(orrin.Hwnd(idAutoInit), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(orrin.Hwnd(idAutoInit), WM_KEYUP, VK_ESCAPE, 0);
    SendMessageA(orrin.hwndPage, WM_COMMAND, IDCANCEL, 0);
    Settle(orrin.hwndMain);
    Check(IsWindow(orrin.hwndPage) && IsWindowVisible(orrin.hwndPage), "Escape and Cancel leave the Settings page");

    orrin.Click(idClearStatus);
    Check(SzText(orrin.Hwnd(idStatus)).empty(), "\"Clear Status Window\" empties the status window");

    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 after closing (" + std::to_string(dwExit) + ")");
    Check(SzStapol("ShowRptWin") == "Hide", "registry ShowRptWin = Hide");
    Check(SzStapol("InitScStrt") == "No", "registry InitScStrt = No");
    Check(SzStapol("DvcLast") == "", "registry DvcLast written empty");
    Check(SzStapol("ConfigFile12") == "" && SzStapol("DataFile12") == "", "registry histories written");
    Check(SzStapol("SlowProg") == "<missing>", "slow programming is not kept");
    return cFail != 0;
}

int ScenarioSettingsKept()
{
    PrepareRegistry(true);
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "ShowRptWin", "Hide");
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "InitScStrt", "No");
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "DvcLast", "SN:00AA11BB22CC");
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "ConfigFile1", "C:\\designs\\top.bit");
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "DataFile1", "C:\\data\\in.bin");
    ORRIN orrin;
    if (!orrin.FStart())
        return 1;
    Check(orrin.FChecked(idHideStatus) && !orrin.FChecked(idAutoInit), "switches from the registry");
    Check(!IsWindowVisible(orrin.Hwnd(idStatus)), "status window hidden at start");
    Screenshot(g_szArtifacts, "hidden-at-start");
    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0");
    Check(SzStapol("ShowRptWin") == "Hide" && SzStapol("InitScStrt") == "No", "switches written back");
    Check(SzStapol("DvcLast") == "SN:00AA11BB22CC", "DvcLast kept without a selected device");
    Check(SzStapol("ConfigFile1") == "C:\\designs\\top.bit" && SzStapol("DataFile1") == "C:\\data\\in.bin",
          "histories written back");

    ORRIN orrin2;   // the program does not read its command line
    if (!orrin2.FStart("/reset ShowRptWin=Show -nodatapath"))
        return 1;
    Check(orrin2.FChecked(idHideStatus) && !IsWindowVisible(orrin2.Hwnd(idStatus)),
          "command line changes nothing");
    orrin2.Click(idClearHist);
    orrin2.Click(idHideStatus);
    Check(IsWindowVisible(orrin2.Hwnd(idStatus)), "unchecking \"Hide Status Window\" shows it");
    dwExit = orrin2.Close();
    Check(dwExit == 0, "second run: exit code 0");
    Check(SzStapol("ConfigFile1") == "" && SzStapol("DataFile1") == "", "\"Clear File History\" emptied both");
    Check(SzStapol("ShowRptWin") == "Show", "registry ShowRptWin = Show");
    return cFail != 0;
}

int ScenarioNoDataPath()
{
    PrepareRegistry(false);
    CHILDPROC proc;
    if (!FStart(g_szExe, &proc)) {
        Check(false, "start");
        return 1;
    }
    HWND hwndBox = HwndWaitTop(proc.pid, "#32770", 20000);
    Check(hwndBox != nullptr, "message box appears");
    if (hwndBox != nullptr) {
        Check(SzText(hwndBox) == "Error", "caption \"Error\"");
        HWND hwndText = GetDlgItem(hwndBox, 0xFFFF);
        Check(hwndText && SzText(hwndText) == "Failed to read DataPath from Registry.",
              "text \"Failed to read DataPath from Registry.\"");
        Check(GetWindow(hwndBox, GW_OWNER) == nullptr, "no owner window");
        Check(RghwndTop(proc.pid, "TabDlgApp").empty(), "no main window");
        Screenshot(g_szArtifacts, "no-datapath");
        SendMessageA(GetDlgItem(hwndBox, IDOK), BM_CLICK, 0, 0);
    }
    DWORD dwExit = proc.Wait(20000);
    Check(dwExit == 0xFFFFFFFF, "exit code -1 (" + std::to_string(dwExit) + ")");
    Check(SzStapol("ShowRptWin") == "<missing>", "nothing written to the registry");
    return cFail != 0;
}

// The resources the program's behaviour rests on, read from its file.
int ScenarioResources()
{
    HMODULE hmod = LoadLibraryExA(g_szExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(hmod != nullptr, "program loads as a data file");
    if (hmod == nullptr)
        return 1;
    struct { UINT ids; const char *sz; } rgstr[] = {
        {101, "TabDlgApp"}, {102, "Korvanel Orrin"}, {103, "ScMainWin"}, {104, "No Devices Connected"},
        {108, "Software\\Korvanel\\Stapol\\DvcLast"}, {112, "Software\\Korvanel\\Shared\\DataPath"},
        {115, "Software\\Korvanel\\Stapol\\ConfigFile%d"}, {116, "Software\\Korvanel\\Stapol\\DataFile%d"},
        {117, "Software\\Korvanel\\Stapol\\ShowRptWin"}, {118, "Software\\Korvanel\\Stapol\\InitScStrt"},
        {119, "Loading board information..."}, {120, "Decimal"}, {121, "Hexadecimal"}, {122, "Binary"},
        {123, "Dec (signed)"},
        {125, "Warning:  Could not load specific board information"},
        {126, "Warning:  Could not find specific board information"},
        {127, "Warning:  Could not load default \"Unknown device\" information"},
        {128, "Board information loaded."}, {129, "Default information loaded."},
        {130, "Warning:  Auto Init of Scan Chain is not enabled.  Initialize Chain to identify."},
        {138, "  Orrin System  Rev %d.%d"}, {139, "  Orrin Runtime Rev %d.%d"}, {140, "  Orrin Application Rev %s"},
        {142, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvanel Software\\Components\\VOrariVezevod"},
        {143, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvanel Software\\Components\\VErareDiruzavavid"},
        {144, "\\StringFileInfo\\080004E4\\"},
        {146, "Due to an internal error, please close and restart the Orrin Application."},
        {200, "Config"}, {201, "Register I/O"}, {202, "File I/O"}, {203, "I/O Ex"}, {204, "Settings"},
        {300, "===== Korvanel Orrin  ====="},
    };
    for (auto &str : rgstr) {
        char sz[512] = "";
        LoadStringA(hmod, str.ids, sz, sizeof(sz));
        Check(strcmp(sz, str.sz) == 0, "string " + std::to_string(str.ids) + ": \"" + sz + "\"");
    }

    HACCEL haccel = LoadAcceleratorsA(hmod, MAKEINTRESOURCEA(106));
    ACCEL rgaccel[8] = {};
    int caccel = haccel ? CopyAcceleratorTableA(haccel, rgaccel, 8) : 0;
    Check(caccel == 5, "accelerator table 106 has 5 entries");
    const ACCEL rgaccelExpected[] = {
        {FVIRTKEY | FCONTROL | FNOINVERT, 0x43, 40008}, {FVIRTKEY | FCONTROL | FNOINVERT, 0x58, 40007},
        {FVIRTKEY | FNOINVERT, 0x2E, 40010}, {FVIRTKEY | FCONTROL | FNOINVERT, 0x56, 40009},
        {FVIRTKEY | FNOINVERT, 0x1B, 40024},
    };
    for (int i = 0; i < 5 && i < caccel; i++)
        Check((rgaccel[i].fVirt & 0x7F) == rgaccelExpected[i].fVirt && rgaccel[i].key == rgaccelExpected[i].key &&
                  rgaccel[i].cmd == rgaccelExpected[i].cmd,
              "accelerator " + std::to_string(i) + " -> " + std::to_string(rgaccel[i].cmd));

    Check(FindResourceA(hmod, MAKEINTRESOURCEA(113), reinterpret_cast<LPCSTR>(RT_MENU)) == nullptr, "no menu 113");
    HMENU hmenu = LoadMenuA(hmod, MAKEINTRESOURCEA(109));
    HMENU hmenuPopup = hmenu ? GetSubMenu(hmenu, 1) : nullptr;
    Check(hmenuPopup != nullptr && GetMenuItemCount(hmenuPopup) == 4, "menu 109: popup at index 1 with 4 items");
    const UINT rgidMenu[] = {40018, 40019, 40022, 40023};
    for (int i = 0; hmenuPopup && i < 4; i++)
        Check(GetMenuItemID(hmenuPopup, i) == rgidMenu[i], "menu 109 item " + std::to_string(rgidMenu[i]));

    struct { int id; int cx, cy; } rgdlg[] = {{110, 343, 31}, {114, 377, 170}, {115, 192, 42}};
    for (auto &dlg : rgdlg) {
        HRSRC hrsrc = FindResourceA(hmod, MAKEINTRESOURCEA(dlg.id), reinterpret_cast<LPCSTR>(RT_DIALOG));
        const WORD *pw = hrsrc ? static_cast<const WORD *>(LockResource(LoadResource(hmod, hrsrc))) : nullptr;
        // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy.
        bool fOk = pw != nullptr && pw[1] == 0xFFFF;
        if (fOk) {
            DWORD dwStyle = *reinterpret_cast<const DWORD *>(pw + 6);
            const short *ps = reinterpret_cast<const short *>(pw + 9);
            fOk = ps[2] == dlg.cx && ps[3] == dlg.cy && (dwStyle & WS_CHILD) && (dwStyle & DS_SETFONT);
        }
        Check(fOk, "dialog " + std::to_string(dlg.id) + ": child, " + std::to_string(dlg.cx) + " x " +
                       std::to_string(dlg.cy));
    }
    Check(FindResourceA(hmod, MAKEINTRESOURCEA(112), reinterpret_cast<LPCSTR>(RT_DIALOG)) != nullptr, "dialog 112");
    Check(FindResourceA(hmod, MAKEINTRESOURCEA(116), reinterpret_cast<LPCSTR>(RT_GROUP_ICON)) != nullptr, "icon 116");
    FreeLibrary(hmod);
    return cFail != 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: orrindrv SCENARIO PROGRAM.exe [UNIX-ARTIFACT-DIR [SIM-CONFIG]]\n");
        return 2;
    }
    std::string szScenario = argv[1];
    g_szExe = argv[2];
    g_szArtifacts = argc > 3 ? argv[3] : "";
    const char *szSimCfg = argc > 4 ? argv[4] : "";
    if (szScenario == "startup")
        return ScenarioStartup();
    if (szScenario == "settings-kept")
        return ScenarioSettingsKept();
    if (szScenario == "no-datapath")
        return ScenarioNoDataPath();
    if (szScenario == "resources")
        return ScenarioResources();
    if (szScenario == "boards-start")
        return ScenarioBoardsStart(szSimCfg);
    if (szScenario == "boards-switch")
        return ScenarioBoardsSwitch(szSimCfg);
    if (szScenario == "work-config")
        return ScenarioWorkConfig(szSimCfg);
    if (szScenario == "work-regs-files")
        return ScenarioWorkRegsFiles(szSimCfg);
    if (szScenario == "work-ioex")
        return ScenarioWorkIoex(szSimCfg);
    if (szScenario == "work-plugins")
        return ScenarioWorkPlugins(szSimCfg);
    if (szScenario == "chain-prom-cpld")
        return ScenarioChainPromCpld(szSimCfg);
    if (szScenario == "work-boardsupport")
        return ScenarioWorkBoardSupport(szSimCfg);
    if (szScenario == "work-boardsupport-flash")
        return ScenarioWorkFlash(szSimCfg);
    if (szScenario == "work-memprog")
        return ScenarioWorkMemProg(szSimCfg);
    if (szScenario == "work-power")
        return ScenarioWorkPower(szSimCfg);
    if (szScenario == "bs-memory")
        return ScenarioBsMemory(szSimCfg);
    if (szScenario == "bs-memory-switch")
        return ScenarioBsMemorySwitch(szSimCfg);
    if (szScenario == "work-selftest")
        return ScenarioWorkSelfTest(szSimCfg);
    if (szScenario == "work-selftest2")
        return ScenarioWorkSelfTest2(szSimCfg);
    fprintf(stderr, "orrindrv: unknown scenario %s\n", szScenario.c_str());
    return 2;
}
