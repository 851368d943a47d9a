// VWSET: the Settings page's controls.

#include "vwset.h"

#include "app.h"
#include "appset.h"
#include "kelm.h"
#include "resource.h"
#include "szload.h"
#include "vwapp.h"

void VWSET::Activate(BOOL, BOOL, HWND) {}
void VWSET::Deactivate(BOOL, HWND) {}
VWSET::~VWSET() {}
void VWSET::Destroy() { DLGVIEW::Destroy(); }
BOOL VWSET::FInit() { return TRUE; }

BOOL VWSET::FInitDialog(HWND)
{
    APPSET *pappset = g_app.Pappset();
    CheckDlgButton(hwnd, IDC_SET_HIDESTATUS, pappset->FShowRptWin() ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(hwnd, IDC_SET_AUTOINIT, pappset->FInitScStrt() ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

// Always TRUE: Cancel (Escape) and the controls without action do nothing.
BOOL VWSET::FDlgCommand(int id, int, HWND)
{
    VWAPP *pvwapp = g_app.Pvwapp();
    switch (id) {
    case IDC_SET_DVCMG:
        KelmOpenDvcMg(hwnd);
        break;
    case IDC_SET_CLEARSTATUS:
        pvwapp->ClearStatus();
        break;
    case IDC_SET_CLEARHIST: {
        HWND hwndConfig = pvwapp->HwndFindPage(SzLoad(IDS_PAGE_CONFIG));
        if (hwndConfig != nullptr)
            SendMessageA(hwndConfig, WM_COMMAND, IDC_PAGE_CLEARHIST, 0);
        HWND hwndFile = pvwapp->HwndFindPage(SzLoad(IDS_PAGE_FILEIO));
        if (hwndFile != nullptr)
            SendMessageA(hwndFile, WM_COMMAND, IDC_PAGE_CLEARHIST, 0);
        g_app.Pappset()->ClearConfigFiles();
        g_app.Pappset()->ClearDataFiles();
        break;
    }
    case IDC_SET_HIDESTATUS:
        pvwapp->ShowStatusWnd(IsDlgButtonChecked(hwnd, IDC_SET_HIDESTATUS) != BST_CHECKED);
        g_app.Pappset()->SetInitScStrt(IsDlgButtonChecked(hwnd, IDC_SET_AUTOINIT) == BST_CHECKED);
        break;
    case IDC_SET_AUTOINIT:
        g_app.Pappset()->SetInitScStrt(IsDlgButtonChecked(hwnd, IDC_SET_AUTOINIT) == BST_CHECKED);
        break;
    default:
        break;
    }
    return TRUE;
}
