// WinMain: start-up, the message loop and shut-down.

#include <windows.h>

#include "app.h"
#include "vwapp.h"

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE hinstPrev, LPSTR szCmdLine, int sw)
{
    if (!g_app.FInit(hinst, hinstPrev, szCmdLine))
        return -1;
    if (!g_app.FCreateMainWnd(sw))
        return -1;
    g_app.Pvwapp()->Start();

    // A message for a control of the current page goes to the page's dialog
    // processing first and never reaches the accelerators.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (g_app.HwndPage() != nullptr && IsDialogMessageA(g_app.HwndPage(), &msg))
            continue;
        if (TranslateAcceleratorA(g_app.Pvwapp()->Hwnd(), g_app.Haccel(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        g_ptLastMsg = msg.pt;
    }
    g_app.DestroyMainWnd();
    g_app.Term();
    return static_cast<int>(msg.wParam);
}
