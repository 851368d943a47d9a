// DLGVIEW: the program's dialog views.

#include "dlgview.h"

// Unlike the plug-ins' dialog views, the program's report every key press
// handled.
BOOL DLGVIEW::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == WM_KEYDOWN)
        return TRUE;
    return DLGBASE::FDlgProc(wm, wParam, lParam);
}
