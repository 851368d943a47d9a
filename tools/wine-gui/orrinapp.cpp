// The desktop program under test (see orrinapp.h).

#include "orrinapp.h"

#include <algorithm>
#include <vector>

using namespace wg;

namespace orrin {

const char szKeyShared[] = "Software\\Korvanel\\Shared";
const char szKeyStapol[] = "Software\\Korvanel\\Stapol";
const char szKeyRev[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvanel Software\\Components";
const char szDataPath[] = "C:\\korvanel-data";

std::string g_szExe, g_szArtifacts;

void PrepareRegistry(bool fDataPath)
{
    RegWipeKey(HKEY_CURRENT_USER, szKeyStapol);
    RegWipeKey(HKEY_LOCAL_MACHINE, szKeyShared);
    if (fDataPath)
        Check(FRegSetSz(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath", szDataPath), "registry: DataPath set");
    FRegSetDword(HKEY_LOCAL_MACHINE, szKeyRev, "VErareDiruzavavid", 0x01020000);
    FRegSetDword(HKEY_LOCAL_MACHINE, szKeyRev, "VOrariVezevod", 0x03040000);
}

std::string SzStapol(const char *szValue)
{
    std::string sz;
    return FRegGetSz(HKEY_CURRENT_USER, szKeyStapol, szValue, &sz) ? sz : "<missing>";
}

bool ORRIN::FStart(const std::string &szArgs)
{
    if (!wg::FStart(g_szExe, &proc, szArgs)) {
        Check(false, "start " + g_szExe);
        return false;
    }
    hwndMain = HwndWaitTop(proc.pid, "TabDlgApp", 20000);
    Check(hwndMain != nullptr, "main window \"TabDlgApp\" appears");
    if (hwndMain == nullptr)
        return false;
    // The pages come once the selected board is loaded, which may first
    // identify its scan chain.
    hwndPage = HwndWaitSettingsPage(nullptr);
    Check(hwndPage != nullptr, "Settings page found");
    return hwndPage != nullptr;
}

HWND ORRIN::HwndSettingsPage() const
{
    HWND hwndCheck = HwndFindId(hwndMain, idHideStatus);
    return hwndCheck ? GetParent(hwndCheck) : nullptr;
}

HWND ORRIN::HwndWaitSettingsPage(HWND hwndOld, DWORD tms) const
{
    DWORD tmsStart = GetTickCount();
    for (;;) {
        Settle(hwndMain);
        HWND hwnd = HwndSettingsPage();
        if ((hwnd != nullptr && hwnd != hwndOld) || GetTickCount() - tmsStart > tms)
            return hwnd;
        Sleep(50);
    }
}

void ORRIN::Click(int id) const
{
    SendMessageA(Hwnd(id), BM_CLICK, 0, 0);
    Settle(hwndMain);
}

int ORRIN::CyMain() const
{
    RECT rc = RcWindow(hwndMain);
    return rc.bottom - rc.top;
}

DWORD ORRIN::Close()
{
    PostMessageA(hwndMain, WM_CLOSE, 0, 0);
    return proc.Wait(20000);
}

void CheckBanner(const ORRIN &orrin)
{
    std::vector<std::string> rgsz = RgszLines(SzText(orrin.Hwnd(idStatus)));
    Check(rgsz.size() >= 5, "banner has 5 lines (" + std::to_string(rgsz.size()) + ")");
    const char *rgszExpected[] = {
        "===== Korvanel Orrin  =====",
        "  Orrin System  Rev 1.2",
        "  Orrin Runtime Rev 3.4",
        "  Orrin Application Rev 2.0.0.0",
    };
    for (size_t i = 0; i < 4 && i < rgsz.size(); i++)
        Check(rgsz[i] == rgszExpected[i], "banner line " + std::to_string(i) + ": \"" + rgsz[i] + "\"");
}

// The device manager's dialog runs modally inside the program's call; the
// driver closes any window it shows and checks that the program goes on.
std::string SzOpenDeviceManager(ORRIN &orrin)
{
    std::vector<HWND> rghwndBefore = RghwndTop(orrin.proc.pid, nullptr);
    PostMessageA(orrin.hwndPage, WM_COMMAND, MAKEWPARAM(idDvcMg, BN_CLICKED),
                 reinterpret_cast<LPARAM>(orrin.Hwnd(idDvcMg)));
    HWND hwndDlg = nullptr;
    for (int i = 0; i < 30 && hwndDlg == nullptr; i++) {
        Sleep(100);
        for (HWND hwnd : RghwndTop(orrin.proc.pid, nullptr))
            if (IsWindowVisible(hwnd) && hwnd != orrin.hwndMain &&
                std::find(rghwndBefore.begin(), rghwndBefore.end(), hwnd) == rghwndBefore.end())
                hwndDlg = hwnd;
    }
    std::string szCaption;
    if (hwndDlg != nullptr) {
        szCaption = SzText(hwndDlg);
        Note("device manager dialog: \"" + szCaption + "\"");
        Screenshot(g_szArtifacts, "device-manager");
        Check(GetWindow(hwndDlg, GW_OWNER) == orrin.hwndPage || GetWindow(hwndDlg, GW_OWNER) == orrin.hwndMain,
              "device manager dialog owned by the program's window");
        Check(!IsWindowEnabled(orrin.hwndMain), "main window disabled while the device manager runs");
        PostMessageA(hwndDlg, WM_CLOSE, 0, 0);
        for (int i = 0; i < 50 && IsWindow(hwndDlg); i++)
            Sleep(100);
        Check(!IsWindow(hwndDlg), "device manager dialog closed");
    } else {
        Note("device manager returned without a dialog");
    }
    Check(FResponsive(orrin.hwndMain), "program responsive after \"Device Manager...\"");
    Check(IsWindowEnabled(orrin.hwndMain), "main window enabled again after the device manager");
    return szCaption;
}

} // namespace orrin
