// DLGVBS: the plug-ins' dialog views and their message router. Unlike the
// program's dialog views it reports a new size to Sized and leaves key
// presses to the dialog.

#include "dlgvbs.h"

DLGVBS::DLGVBS() : hwndParent(nullptr) {}

DLGVBS::~DLGVBS() {}

// Detach the view from the dialog before the object can go away, so that
// messages still reaching the dialog find no view.
void DLGVBS::Destroy()
{
    if (hwnd == nullptr)
        return;
    HWND hwndDlg = hwnd;
    EndDlg(0);
    if (IsWindow(hwndDlg))
        SetWindowLongPtrA(hwndDlg, DWLP_USER, 0);
    hwnd = nullptr;
}

BOOL DLGVBS::FInitDialog(HWND) { return TRUE; }

void DLGVBS::EndDlg(int)
{
    DestroyWindow(hwnd);
}

BOOL DLGVBS::FDlgCommand(int id, int, HWND)
{
    if (id != IDOK && id != IDCANCEL)
        return FALSE;
    EndDlg(id == IDOK ? 1 : 0);
    return TRUE;
}

BOOL DLGVBS::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    int lo = static_cast<int>(wParam & 0xFFFF), hi = static_cast<int>((wParam >> 16) & 0xFFFF);
    HWND hwndOther = reinterpret_cast<HWND>(lParam);
    switch (wm) {
    case WM_SIZE:
        Sized(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
        return TRUE;
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

BOOL DLGVBS::FInit() { return TRUE; }

BOOL DLGVBS::FCreateDlg(HINSTANCE hinst, HWND hwndParentNew, int idTemplate)
{
    HWND hwndDlg = CreateDialogParamA(hinst, MAKEINTRESOURCEA(idTemplate), hwndParentNew, DlgVbsProc,
                                      reinterpret_cast<LPARAM>(this));
    if (hwndDlg == nullptr)
        return FALSE;
    hwndParent = hwndParentNew;
    return TRUE;
}

INT_PTR DLGVBS::DlgModal(HINSTANCE hinst, HWND hwndParentNew, int idTemplate)
{
    hwndParent = hwndParentNew;
    return DialogBoxParamA(hinst, MAKEINTRESOURCEA(idTemplate), hwndParentNew, DlgVbsProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND DLGVBS::HwndDlg() { return hwnd; }

INT_PTR CALLBACK DLGVBS::DlgVbsProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam)
{
    DLGVBS *pview;
    if (wm == WM_INITDIALOG) {
        pview = reinterpret_cast<DLGVBS *>(lParam);
        SetWindowLongPtrA(hwndDlg, DWLP_USER, lParam);
        pview->hwnd = hwndDlg;
    } else {
        pview = reinterpret_cast<DLGVBS *>(GetWindowLongPtrA(hwndDlg, DWLP_USER));
        if (pview == nullptr)
            return TRUE;
    }
    return pview->FDlgProc(wm, wParam, lParam) & 0xFF;
}
