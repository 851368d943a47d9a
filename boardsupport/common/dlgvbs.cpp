// DLGVBS: the plug-ins' dialog views. Unlike the program's dialog views they
// report a new size to Sized and leave key presses to the dialog.

#include "dlgvbs.h"

BOOL DLGVBS::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm != WM_SIZE)
        return DLGBASE::FDlgProc(wm, wParam, lParam);
    Sized(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
    return TRUE;
}
