// DLGVIEW: a view whose window is a dialog made from a dialog template (the
// connect bar, the tab pages, the scan-chain device rows). The dialog holds
// the link to its view in its user word (DWLP_USER); slots 53 to 60 and the
// dialog procedure are those of every dialog view (DLGBASE).
#ifndef ORRIN_DLGVIEW_H
#define ORRIN_DLGVIEW_H

#include "dlgbase.h"

class DLGVIEW : public DLGBASE {
public:
    // Slot 56: the dialog views' routing, and key presses swallowed.
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;

    // Dialog procedure of every DLGVIEW dialog.
    static INT_PTR CALLBACK DlgViewProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam)
    {
        return DlgBaseProc(hwndDlg, wm, wParam, lParam);
    }
};

#endif
