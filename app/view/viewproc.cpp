// The window procedure that binds windows to their views, and the
// registration of view window classes. Dialog views have theirs in DLGBASE.

#include "view.h"

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
