// DLGBASE: what every dialog view shares, the program's (DLGVIEW) and the
// plug-ins' (DLGVBS): a dialog made from a dialog template, the link from the
// dialog to its view in the dialog's user word (DWLP_USER), and the routing
// of the dialog's messages to the view's slots 53 to 60. The two classes
// differ only in their FDlgProc; DLGBASE adds no slot and no field of its own,
// so slots 0 to 60 and the one field hwndParent stay where VIEW, DLGVIEW and
// DLGVBS have them. Every module that derives from it carries it whole (the
// plug-ins link it statically).
#ifndef ORRIN_DLGBASE_H
#define ORRIN_DLGBASE_H

#include "view.h"

class DLGBASE : public VIEW {
public:
    DLGBASE();
    ~DLGBASE() override;                                                          // 42
    void Destroy() override;                                                      // 43
    virtual BOOL FInitDialog(HWND hwndFocus);                                     // 53
    virtual void EndDlg(int nResult);                                             // 54
    virtual BOOL FDlgCommand(int id, int code, HWND hwndCtl);                     // 55
    virtual BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam);                 // 56
    virtual BOOL FInit();                                                         // 57
    virtual BOOL FCreateDlg(HINSTANCE hinst, HWND hwndParent, int idTemplate);    // 58
    virtual INT_PTR DlgModal(HINSTANCE hinst, HWND hwndParent, int idTemplate);   // 59
    virtual HWND HwndDlg();                                                       // 60

    // Dialog procedure of every dialog view: binds the view at WM_INITDIALOG,
    // then hands each message to FDlgProc and answers the low byte of its
    // result.
    static INT_PTR CALLBACK DlgBaseProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam);

protected:
    HWND hwndParent;   // parent passed to FCreateDlg or DlgModal; not set by the constructor
};

#endif
