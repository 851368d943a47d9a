// DLGBASE: dialog views, their dialog procedure and the routing both the
// program's and the plug-ins' dialog views share.

#include "dlgbase.h"

DLGBASE::DLGBASE() : hwndParent(nullptr) {}

DLGBASE::~DLGBASE() {}

// Detach the view from the dialog before the object can go away, so that
// messages still reaching the dialog find no view.
void DLGBASE::Destroy()
{
    if (hwnd == nullptr)
        return;
    HWND hwndDlg = hwnd;
    EndDlg(0);
    if (IsWindow(hwndDlg))
        SetWindowLongPtrA(hwndDlg, DWLP_USER, 0);
    hwnd = nullptr;
}

BOOL DLGBASE::FInitDialog(HWND) { return TRUE; }

void DLGBASE::EndDlg(int)
{
    DestroyWindow(hwnd);
}

BOOL DLGBASE::FDlgCommand(int id, int, HWND)
{
    if (id != IDOK && id != IDCANCEL)
        return FALSE;
    EndDlg(id == IDOK ? 1 : 0);
    return TRUE;
}

// The messages every dialog view handles; the rest answer FALSE.
BOOL DLGBASE::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    int lo = static_cast<int>(wParam & 0xFFFF), hi = static_cast<int>((wParam >> 16) & 0xFFFF);
    HWND hwndOther = reinterpret_cast<HWND>(lParam);
    switch (wm) {
    case WM_ACTIVATE:
        if (lo == WA_INACTIVE)
            Deactivate(hi != 0, hwndOther);
        else if (lo == WA_ACTIVE || lo == WA_CLICKACTIVE)
            Activate(lo == WA_CLICKACTIVE, hi != 0, hwndOther);
        else
            return FALSE;
        return TRUE;
    case WM_CLOSE:
        EndDlg(0);
        return TRUE;
    case WM_INITDIALOG:
        return FInitDialog(reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        return FDlgCommand(lo, hi, hwndOther);
    default:
        return FALSE;
    }
}

BOOL DLGBASE::FInit() { return TRUE; }

BOOL DLGBASE::FCreateDlg(HINSTANCE hinst, HWND hwndParentNew, int idTemplate)
{
    HWND hwndDlg = CreateDialogParamA(hinst, MAKEINTRESOURCEA(idTemplate), hwndParentNew, DlgBaseProc,
                                      reinterpret_cast<LPARAM>(this));
    if (hwndDlg == nullptr)
        return FALSE;
    hwndParent = hwndParentNew;
    return TRUE;
}

INT_PTR DLGBASE::DlgModal(HINSTANCE hinst, HWND hwndParentNew, int idTemplate)
{
    hwndParent = hwndParentNew;
    return DialogBoxParamA(hinst, MAKEINTRESOURCEA(idTemplate), hwndParentNew, DlgBaseProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND DLGBASE::HwndDlg() { return hwnd; }

// Messages before WM_INITDIALOG, or after Destroy detached the view, are
// answered TRUE without further processing.
INT_PTR CALLBACK DLGBASE::DlgBaseProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam)
{
    DLGBASE *pview;
    if (wm == WM_INITDIALOG) {
        pview = reinterpret_cast<DLGBASE *>(lParam);
        SetWindowLongPtrA(hwndDlg, DWLP_USER, lParam);
        pview->hwnd = hwndDlg;
    } else {
        pview = reinterpret_cast<DLGBASE *>(GetWindowLongPtrA(hwndDlg, DWLP_USER));
        if (pview == nullptr)
            return TRUE;
    }
    return static_cast<uint8_t>(pview->FDlgProc(wm, wParam, lParam));
}
