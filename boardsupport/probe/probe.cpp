// Board table and own tabs of the test plug-in "0AA - Probe".
//
// Each own tab is a small dialog. On the first one, "Configure FPGA" runs
// the host's pfnConfigureFpga with the path in its edit box on a thread of
// the plug-in, with the host locked, and reports the result through pfnLog
// and in the tab ("ok" or "failed").

#include "bsboard.h"
#include "probe.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

enum { ctabOwnMax = 20 };

HWND rghwndTab[ctabOwnMax];
HANDLE hthdConfig;
char szConfigPath[MAX_PATH];

DWORD WINAPI ConfigThread(void *pv)
{
    HWND hwndDlg = static_cast<HWND>(pv);
    g_bsmod.pfnLockHost(1);
    uint8_t f = g_bsmod.pfnConfigureFpga(0, szConfigPath);
    char sz[MAX_PATH + 64];
    snprintf(sz, sizeof(sz), "Probe: FPGA configured with %s: %s", szConfigPath, f ? "ok" : "failed");
    g_bsmod.pfnLog(sz);
    g_bsmod.pfnLockHost(0);
    SetDlgItemTextA(hwndDlg, IDC_PROBE_RESULT, f ? "ok" : "failed");
    return 0;
}

INT_PTR CALLBACK ProbeDlgProc(HWND hwnd, UINT wm, WPARAM wParam, LPARAM)
{
    if (wm == WM_INITDIALOG)
        return TRUE;
    if (wm == WM_COMMAND && LOWORD(wParam) == IDC_PROBE_CONFIG) {
        if (hthdConfig != nullptr) {
            if (WaitForSingleObject(hthdConfig, 0) != WAIT_OBJECT_0)
                return TRUE;
            CloseHandle(hthdConfig);
        }
        GetDlgItemTextA(hwnd, IDC_PROBE_PATH, szConfigPath, sizeof(szConfigPath));
        SetDlgItemTextA(hwnd, IDC_PROBE_RESULT, "running");
        hthdConfig = CreateThread(nullptr, 0, ConfigThread, hwnd, 0, nullptr);
        return TRUE;
    }
    return FALSE;
}

template <int i> HWND BSCALL CreateTab(HWND hwndParent)
{
    if (rghwndTab[i] == nullptr)
        rghwndTab[i] = CreateDialogParamA(g_bsmod.hinst, MAKEINTRESOURCEA(IDD_PROBE), hwndParent, ProbeDlgProc, 0);
    return rghwndTab[i];
}

template <int i> uint8_t BSCALL DestroyTab()
{
    if (rghwndTab[i] != nullptr)
        DestroyWindow(rghwndTab[i]);
    rghwndTab[i] = nullptr;
    return 1;
}

// Stop: wait for a running configuration (the host's window thread keeps
// handling what that thread sends it, so this wait pumps sent messages).
uint8_t BSCALL StopTab()
{
    while (hthdConfig != nullptr &&
           MsgWaitForMultipleObjects(1, &hthdConfig, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return 1;
}

template <int... rgi> struct OWNTABS {
    static constexpr PFNDBSCREATE rgpfnCreate[] = {CreateTab<rgi>...};
    static constexpr PFNDBSDESTROY rgpfnDestroy[] = {DestroyTab<rgi>...};
};
using TABS = OWNTABS<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19>;

BSTAB rgtab[5 + ctabOwnMax];

// Term reports how many tab windows the host left behind (it destroys
// every tab it removes, and every tab it could not add).
void TermViews()
{
    int chwndLeft = 0;
    for (HWND hwnd : rghwndTab)
        chwndLeft += hwnd != nullptr;
    char sz[64];
    snprintf(sz, sizeof(sz), "Probe: %d tab windows left", chwndLeft);
    if (g_bsmod.pfnLog != nullptr)
        g_bsmod.pfnLog(sz);
    StopTab();
    if (hthdConfig != nullptr)
        CloseHandle(hthdConfig);
    hthdConfig = nullptr;
    for (int i = 0; i < ctabOwnMax; i++)
        TABS::rgpfnDestroy[i]();
}

BSBOARD BoardMake()
{
    const char *sz = getenv("KOR_PROBE_TABS");
    int ctabOwn = sz ? atoi(sz) : 1;
    if (ctabOwn < 0 || ctabOwn > ctabOwnMax)
        ctabOwn = 1;
    int ctab = 0;
    rgtab[ctab++] = {IDS_TAB_CONFIG, nullptr, nullptr, nullptr};
    for (int i = 0; i < ctabOwn; i++)
        rgtab[ctab++] = {IDS_TAB_PROBE, TABS::rgpfnCreate[i], TABS::rgpfnDestroy[i], StopTab};
    rgtab[ctab++] = {IDS_TAB_REGIO, nullptr, nullptr, nullptr};
    rgtab[ctab++] = {IDS_TAB_FILEIO, nullptr, nullptr, nullptr};
    rgtab[ctab++] = {IDS_TAB_IOEX, nullptr, nullptr, nullptr};
    rgtab[ctab++] = {IDS_TAB_SETTINGS, nullptr, nullptr, nullptr};
    return {ctab, rgtab, IDB_LOGO, IDB_MASK, IDS_PRODUCT, 2, IDS_REGISTRY, 0, nullptr, TermViews};
}

} // namespace

const BSBOARD g_bsboard = BoardMake();
