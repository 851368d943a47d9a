// GUI scenarios of the desktop program on simulated boards (see orrinboards.h).

#include "orrinboards.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "orrinapp.h"
#include "wgdrive.h"
#include "ksimctl.h"
#include "wgsim.h"

using namespace wg;
using namespace orrin;

namespace {

const char szLoading[] = "Loading board information...";
const char szInternalError[] = "Due to an internal error, please close and restart the Orrin Application.";

// The text the connect bar shows for a board: a few known user names have a
// friendly text, any other user name stands for itself.
std::string SzItemOf(const SIMBOARD &board)
{
    struct { const char *szUser, *szText; } rgfriendly[] = {
        {"VOnbUsb", "Onboard USB"}, {"VModUsb", "USB2 Module"}, {"VCabUsb", "Harwick"},
    };
    for (auto &fr : rgfriendly)
        if (board.szUser == fr.szUser)
            return fr.szText;
    return board.szUser;
}

std::string SzKeyOf(const SIMBOARD &board) { return "SN:" + board.szSerial; }

std::string SzJoin(const std::vector<std::string> &rgsz)
{
    std::string sz;
    for (const std::string &szItem : rgsz)
        sz += (sz.empty() ? "" : ", ") + szItem;
    return "[" + sz + "]";
}

// The items of a combo box in another process (the wide form carries the
// text across processes intact).
std::vector<std::string> RgszItems(HWND hwndCombo)
{
    std::vector<std::string> rgsz;
    LRESULT citem = SendMessageW(hwndCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < citem; i++) {
        WCHAR wsz[256] = L"";
        LRESULT cch = SendMessageW(hwndCombo, CB_GETLBTEXTLEN, i, 0);
        if (cch >= 0 && cch < 256)
            SendMessageW(hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wsz));
        char sz[512] = "";
        WideCharToMultiByte(CP_ACP, 0, wsz, -1, sz, sizeof(sz), nullptr, nullptr);
        rgsz.push_back(sz);
    }
    return rgsz;
}

int IcurCombo(HWND hwndCombo) { return static_cast<int>(SendMessageA(hwndCombo, CB_GETCURSEL, 0, 0)); }

int CLinesEqual(const ORRIN &orrin, const std::string &szLine)
{
    std::vector<std::string> rgsz = RgszLines(SzText(orrin.Hwnd(idStatus)));
    return static_cast<int>(std::count(rgsz.begin(), rgsz.end(), szLine));
}

const SIMBOARD *PboardOfItem(const std::vector<SIMBOARD> &rgboard, const std::string &szItem)
{
    for (const SIMBOARD &board : rgboard)
        if (SzItemOf(board) == szItem)
            return &board;
    return nullptr;
}

// The connect bar lists exactly the boards present, each under its text.
void CheckItemsAre(const ORRIN &orrin, const std::vector<SIMBOARD> &rgboardPresent, const std::string &szWhen)
{
    std::vector<std::string> rgszExpected, rgszItems = RgszItems(orrin.Hwnd(idCombo));
    for (const SIMBOARD &board : rgboardPresent)
        rgszExpected.push_back(SzItemOf(board));
    std::vector<std::string> rgszItemsSorted = rgszItems;
    std::sort(rgszExpected.begin(), rgszExpected.end());
    std::sort(rgszItemsSorted.begin(), rgszItemsSorted.end());
    Check(rgszItemsSorted == rgszExpected, szWhen + ": connect bar lists " + SzJoin(rgszItems) +
                                               ", boards present " + SzJoin(rgszExpected));
}

// The Settings page alone, no product text: no board-support plug-in is
// loaded for these boards, so the program falls back to its own page.
void CheckSettingsOnly(const ORRIN &orrin, const std::string &szWhen)
{
    Check(SendMessageA(orrin.Hwnd(idTab), TCM_GETITEMCOUNT, 0, 0) == 1 && SzTabText(orrin.Hwnd(idTab), 0) == "Settings",
          szWhen + ": one tab, \"Settings\"");
    HWND hwndPage = orrin.HwndSettingsPage();
    Check(hwndPage != nullptr && IsWindowVisible(hwndPage), szWhen + ": Settings page shown");
    Check(SzText(orrin.Hwnd(idProduct)).empty(), szWhen + ": product text empty (no plug-in loaded)");
}

// The user picks item i of the connect bar: the combo box's selection and
// the notification that the list closed with a choice.
// The pages are rebuilt once the board is loaded.
void SelectItem(const ORRIN &orrin, int i)
{
    HWND hwndCombo = orrin.Hwnd(idCombo);
    HWND hwndPageOld = orrin.HwndSettingsPage();
    SendMessageA(hwndCombo, CB_SETCURSEL, i, 0);
    SendMessageA(GetParent(hwndCombo), WM_COMMAND, MAKEWPARAM(idCombo, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(hwndCombo));
    orrin.HwndWaitSettingsPage(hwndPageOld);
}

// The user opens the device list (the program enumerates again) and closes
// it without a choice, until it lists citem items or 15 s have passed (the
// device manager may see a plug or unplug a little later than the simulator).
bool FReenumerate(const ORRIN &orrin, int citem)
{
    HWND hwndCombo = orrin.Hwnd(idCombo);
    for (int i = 0; i < 30; i++) {
        SendMessageA(hwndCombo, CB_SHOWDROPDOWN, TRUE, 0);
        Settle(orrin.hwndMain);
        SendMessageA(hwndCombo, CB_SHOWDROPDOWN, FALSE, 0);
        Settle(orrin.hwndMain);
        if (SendMessageA(hwndCombo, CB_GETCOUNT, 0, 0) == citem)
            return true;
        Sleep(500);
    }
    return false;
}

std::vector<SIMBOARD> RgboardConfig(const std::string &szSimCfg)
{
    std::vector<SIMBOARD> rgboard = RgboardRead(szSimCfg);
    Check(rgboard.size() >= 3, "simulator configuration " + szSimCfg + " has three boards or more (" +
                                   std::to_string(rgboard.size()) + ")");
    return rgboard;
}

} // namespace

// Start-up on three boards, by the setting of the last used device.
int ScenarioBoardsStart(const std::string &szSimCfg)
{
    std::vector<SIMBOARD> rgboard = RgboardConfig(szSimCfg);
    if (rgboard.size() < 3)
        return 1;
    struct {
        const char *szCase;
        std::string szDvcLast;   // "" leaves the setting out
        size_t iboardExpected;
    } rgcase[] = {
        {"last used board", SzKeyOf(rgboard[2]), 2},
        {"last used board listed second", SzKeyOf(rgboard[1]), 1},
        {"unknown last device", "SN:999999999999", 0},
        {"no last device", "", 0},
    };
    for (auto &c : rgcase) {
        Note(std::string("case: ") + c.szCase);
        PrepareRegistry(true);
        if (!c.szDvcLast.empty())
            FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "DvcLast", c.szDvcLast.c_str());
        ORRIN orrin;
        if (!orrin.FStart())
            return 1;
        std::string szCase = c.szCase;
        CheckBanner(orrin);
        CheckItemsAre(orrin, rgboard, szCase);
        std::vector<std::string> rgszItems = RgszItems(orrin.Hwnd(idCombo));
        std::string szExpected = SzItemOf(rgboard[c.iboardExpected]);
        // With no last device (or an unknown one) the first item is selected,
        // whichever board the device manager lists first.
        if (c.szDvcLast.empty() || c.iboardExpected == 0)
            szExpected = rgszItems.empty() ? "" : rgszItems[0];
        Check(SzText(orrin.Hwnd(idCombo)) == szExpected,
              szCase + ": selected \"" + SzText(orrin.Hwnd(idCombo)) + "\", expected \"" + szExpected + "\"");
        std::vector<std::string> rgsz = RgszLines(SzText(orrin.Hwnd(idStatus)));
        auto itLoading = std::find(rgsz.begin(), rgsz.end(), szLoading);
        Check(CLinesEqual(orrin, szLoading) == 1 && itLoading - rgsz.begin() >= 4,
              szCase + ": the selected board is loaded once, after the banner");
        CheckSettingsOnly(orrin, szCase);
        Screenshot(g_szArtifacts, "start-" + std::to_string(&c - rgcase));
        DWORD dwExit = orrin.Close();
        Check(dwExit == 0, szCase + ": exit code 0 (" + std::to_string(dwExit) + ")");
        const SIMBOARD *pboard = PboardOfItem(rgboard, szExpected);
        Check(pboard != nullptr && SzStapol("DvcLast") == SzKeyOf(*pboard),
              szCase + ": registry DvcLast \"" + SzStapol("DvcLast") + "\" names the selected board");
    }
    return cFail != 0;
}

// Switching boards, the Settings switches, the device manager and
// re-enumerations that move or remove the selected board, then the settings
// written back at exit.
int ScenarioBoardsSwitch(const std::string &szSimCfg)
{
    std::vector<SIMBOARD> rgboard = RgboardConfig(szSimCfg);
    if (rgboard.size() < 3)
        return 1;
    KSIMCTL simctl;
    const char *szSim = getenv("KOR_SIM");
    Check(szSim != nullptr && simctl.FConnect(szSim), "simulator control channel (KOR_SIM)");
    PrepareRegistry(true);
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "DvcLast", SzKeyOf(rgboard[1]).c_str());
    ORRIN orrin;
    if (!orrin.FStart())
        return 1;
    HWND hwndCombo = orrin.Hwnd(idCombo);
    CheckItemsAre(orrin, rgboard, "start");
    Check(SzText(hwndCombo) == SzItemOf(rgboard[1]), "start: last used board selected");

    // A switch to another board: the program loads it (Settings page again,
    // rebuilt) and the connect bar shows it.
    std::vector<std::string> rgszItems = RgszItems(hwndCombo);
    int iTarget = static_cast<int>(std::find(rgszItems.begin(), rgszItems.end(), SzItemOf(rgboard[2])) -
                                   rgszItems.begin());
    Check(iTarget < static_cast<int>(rgszItems.size()), "third board listed");
    HWND hwndPageBefore = orrin.HwndSettingsPage();
    SelectItem(orrin, iTarget);
    Check(SzText(hwndCombo) == SzItemOf(rgboard[2]), "switch: connect bar shows \"" + SzText(hwndCombo) + "\"");
    Check(CLinesEqual(orrin, szLoading) == 2, "switch: the new board is loaded");
    Check(orrin.HwndSettingsPage() != hwndPageBefore, "switch: pages rebuilt for the new board");
    CheckSettingsOnly(orrin, "switch");
    Check(FResponsive(orrin.hwndMain), "switch: program responsive");
    orrin.hwndPage = orrin.HwndSettingsPage();
    Screenshot(g_szArtifacts, "switched");

    // The Settings switches take effect at once and are kept at exit.
    orrin.Click(idHideStatus);
    Check(orrin.FChecked(idHideStatus) && !IsWindowVisible(orrin.Hwnd(idStatus)), "Hide Status Window: hidden");
    orrin.Click(idAutoInit);
    Check(!orrin.FChecked(idAutoInit), "\"Auto Initailize SC\" unchecked");

    // The device manager's own dialog, opened and closed from the Settings page.
    std::string szDvcMg = SzOpenDeviceManager(orrin);
    Check(szDvcMg.find("Device Table") != std::string::npos, "device manager: the runtime's device-table dialog");
    Check(SzText(hwndCombo) == SzItemOf(rgboard[2]), "device manager: selection unchanged");

    // The first board goes away: the selected board moves up one place and
    // stays selected, without a device switch.
    HWND hwndPageKept = orrin.HwndSettingsPage();
    Check(simctl.FCmd("UNPLUG " + rgboard[0].szName) && simctl.FCmd("WAIT " + rgboard[0].szName + " absent"),
          "simulator: first board unplugged");
    Check(FReenumerate(orrin, static_cast<int>(rgboard.size()) - 1), "unplug: re-enumeration lists one board less");
    CheckItemsAre(orrin, {rgboard.begin() + 1, rgboard.end()}, "unplug");
    Check(SzText(hwndCombo) == SzItemOf(rgboard[2]), "unplug: \"" + SzText(hwndCombo) + "\" still selected");
    Check(CLinesEqual(orrin, szLoading) == 2 && orrin.HwndSettingsPage() == hwndPageKept,
          "unplug: no device switch");

    // It comes back: the selection follows the board to its new index.
    Check(simctl.FCmd("PLUG " + rgboard[0].szName) && simctl.FCmd("WAIT " + rgboard[0].szName + " present"),
          "simulator: first board plugged again");
    Check(FReenumerate(orrin, static_cast<int>(rgboard.size())), "plug: re-enumeration lists every board");
    CheckItemsAre(orrin, rgboard, "plug");
    rgszItems = RgszItems(hwndCombo);
    Check(IcurCombo(hwndCombo) >= 0 && IcurCombo(hwndCombo) < static_cast<int>(rgszItems.size()) &&
              rgszItems[IcurCombo(hwndCombo)] == SzItemOf(rgboard[2]),
          "plug: the selected board stays selected at its index " + std::to_string(IcurCombo(hwndCombo)));
    Check(CLinesEqual(orrin, szLoading) == 2 && orrin.HwndSettingsPage() == hwndPageKept, "plug: no device switch");
    Screenshot(g_szArtifacts, "reenumerated");

    // The selected board goes away: the first item is selected, and closing
    // the list without a choice switches to it.
    Check(simctl.FCmd("UNPLUG " + rgboard[2].szName) && simctl.FCmd("WAIT " + rgboard[2].szName + " absent"),
          "simulator: selected board unplugged");
    Check(FReenumerate(orrin, static_cast<int>(rgboard.size()) - 1), "selected gone: re-enumeration");
    orrin.HwndWaitSettingsPage(hwndPageKept);
    rgszItems = RgszItems(hwndCombo);
    Check(IcurCombo(hwndCombo) == 0 && !rgszItems.empty() && SzText(hwndCombo) == rgszItems[0],
          "selected gone: first item \"" + SzText(hwndCombo) + "\" selected");
    Check(CLinesEqual(orrin, szLoading) == 3 && orrin.HwndSettingsPage() != hwndPageKept,
          "selected gone: closing the list switched to it");
    CheckSettingsOnly(orrin, "selected gone");
    Check(orrin.FChecked(idHideStatus) && !orrin.FChecked(idAutoInit), "rebuilt Settings page shows the switches");
    Check(CLinesEqual(orrin, szInternalError) == 0, "no device switch was left running");
    const SIMBOARD *pboardEnd = PboardOfItem(rgboard, SzText(hwndCombo));
    simctl.FCmd("PLUG " + rgboard[2].szName);

    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    Check(pboardEnd != nullptr && SzStapol("DvcLast") == SzKeyOf(*pboardEnd),
          "registry DvcLast \"" + SzStapol("DvcLast") + "\" names the board selected at the end");
    Check(SzStapol("ShowRptWin") == "Hide" && SzStapol("InitScStrt") == "No", "registry: switches as toggled");
    return cFail != 0;
}
