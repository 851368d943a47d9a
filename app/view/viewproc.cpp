// The window and dialog procedures that bind windows to their views, and the
// registration of view window classes.

#include "dlgview.h"

LRESULT CALLBACK VIEW::ViewWndProc(HWND hwnd, UINT wm, WPARAM wParam, LPARAM lParam)
{
    VIEW *pview;
    if (wm == WM_CREATE) {
        pview = static_cast<VIEW *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pview));
        if (pview != nullptr)
            pview->hwnd = hwnd;
    } else {
        pview = reinterpret_cast<VIEW *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    LRESULT lResult = 0;
    if (pview != nullptr && pview->FWndProc(wm, wParam, lParam, &lResult))
        return lResult;
    return DefWindowProcA(hwnd, wm, wParam, lParam);
}

// Messages before WM_INITDIALOG, or after Destroy detached the view, are
// answered TRUE without further processing.
INT_PTR CALLBACK DLGVIEW::DlgViewProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam)
{
    DLGVIEW *pview;
    if (wm == WM_INITDIALOG) {
        pview = reinterpret_cast<DLGVIEW *>(lParam);
        SetWindowLongPtrA(hwndDlg, DWLP_USER, lParam);
        pview->hwnd = hwndDlg;
    } else {
        pview = reinterpret_cast<DLGVIEW *>(GetWindowLongPtrA(hwndDlg, DWLP_USER));
        if (pview == nullptr)
            return TRUE;
    }
    return static_cast<uint8_t>(pview->FDlgProc(wm, wParam, lParam));
}

BOOL FRegisterViewClass(HINSTANCE hinst, const char *szClass, UINT cs)
{
    WNDCLASSA wc = {};
    wc.style = cs;
    wc.lpfnWndProc = VIEW::ViewWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = hinst;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = szClass;
    return RegisterClassA(&wc) != 0;
}
