// DLGVBS: the dialog view base of the plug-ins' views. A view is a modeless
// dialog in a tab of the program's tab control; the dialog holds the link to
// its view in its user word (DWLP_USER). The slot order continues the
// program's VIEW (slots 0 to 52); slots 53 to 60 and the dialog procedure
// are those of every dialog view (DLGBASE, which each plug-in carries);
// view classes add theirs from slot 61.
#ifndef DLGVBS_H
#define DLGVBS_H

#include "dlgbase.h"

class DLGVBS : public DLGBASE {
public:
    // Slot 56: the dialog views' routing, and new sizes reported to Sized.
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;

    // Dialog procedure of every DLGVBS dialog.
    static INT_PTR CALLBACK DlgVbsProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam)
    {
        return DlgBaseProc(hwndDlg, wm, wParam, lParam);
    }
};

#endif
