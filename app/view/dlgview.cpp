// DLGVIEW: dialog views and their message router.

#include "dlgview.h"

DLGVIEW::DLGVIEW() : hwndParent(nullptr) {}

DLGVIEW::~DLGVIEW() {}

// Detach the view from the dialog before the object can go away, so that
// messages still reaching the dialog find no view.
void DLGVIEW::Destroy()
{
    if (hwnd == nullptr)
        return;
    HWND hwndDlg = hwnd;
    EndDlg(0);
    if (IsWindow(hwndDlg))
        SetWindowLongPtrA(hwndDlg, DWLP_USER, 0);
    hwnd = nullptr;
}

BOOL DLGVIEW::FInitDialog(HWND) { return TRUE; }

void DLGVIEW::EndDlg(int)
{
    DestroyWindow(hwnd);
}

BOOL DLGVIEW::FDlgCommand(int id, int, HWND)
{
    if (id == IDOK) {
        EndDlg(1);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDlg(0);
        return TRUE;
    }
    return FALSE;
}

BOOL DLGVIEW::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    int lo = static_cast<int>(wParam & 0xFFFF), hi = static_cast<int>((wParam >> 16) & 0xFFFF);
    switch (wm) {
    case WM_ACTIVATE:
        switch (lo) {
        case WA_ACTIVE: Activate(FALSE, hi != 0, reinterpret_cast<HWND>(lParam)); return TRUE;
        case WA_CLICKACTIVE: Activate(TRUE, hi != 0, reinterpret_cast<HWND>(lParam)); return TRUE;
        case WA_INACTIVE: Deactivate(hi != 0, reinterpret_cast<HWND>(lParam)); return TRUE;
        default: return FALSE;
        }
    case WM_CLOSE:
        EndDlg(0);
        return TRUE;
    case WM_KEYDOWN:
        return TRUE;
    case WM_INITDIALOG:
        return FInitDialog(reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        return FDlgCommand(lo, hi, reinterpret_cast<HWND>(lParam));
    default:
        return FALSE;
    }
}

BOOL DLGVIEW::FInit() { return TRUE; }

BOOL DLGVIEW::FCreateDlg(HINSTANCE hinst, HWND hwndParentNew, int idTemplate)
{
    HWND hwndDlg = CreateDialogParamA(hinst, MAKEINTRESOURCEA(idTemplate), hwndParentNew, DlgViewProc,
                                      reinterpret_cast<LPARAM>(this));
    if (hwndDlg == nullptr)
        return FALSE;
    hwndParent = hwndParentNew;
    return TRUE;
}

INT_PTR DLGVIEW::DlgModal(HINSTANCE hinst, HWND hwndParentNew, int idTemplate)
{
    hwndParent = hwndParentNew;
    return DialogBoxParamA(hinst, MAKEINTRESOURCEA(idTemplate), hwndParentNew, DlgViewProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND DLGVIEW::HwndDlg() { return hwnd; }
