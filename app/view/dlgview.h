// DLGVIEW: a view whose window is a dialog made from a dialog template (the
// connect bar, the tab pages, the scan-chain device rows). The dialog holds
// the link to its view in its user word (DWLP_USER).
#ifndef ORRIN_DLGVIEW_H
#define ORRIN_DLGVIEW_H

#include "view.h"

class DLGVIEW : public VIEW {
public:
    DLGVIEW();
    ~DLGVIEW() override;                                                          // 42
    void Destroy() override;                                                      // 43
    virtual BOOL FInitDialog(HWND hwndFocus);                                     // 53
    virtual void EndDlg(int nResult);                                             // 54
    virtual BOOL FDlgCommand(int id, int code, HWND hwndCtl);                     // 55
    virtual BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam);                 // 56
    virtual BOOL FInit();                                                         // 57
    virtual BOOL FCreateDlg(HINSTANCE hinst, HWND hwndParent, int idTemplate);    // 58
    virtual INT_PTR DlgModal(HINSTANCE hinst, HWND hwndParent, int idTemplate);   // 59
    virtual HWND HwndDlg();                                                       // 60

    // Dialog procedure of every DLGVIEW dialog.
    static INT_PTR CALLBACK DlgViewProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam);

protected:
    HWND hwndParent;   // parent passed to FCreateDlg or DlgModal; not set by the constructor
};

#endif
