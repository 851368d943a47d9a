// DLGVBS: the dialog view base of the plug-ins' views. A view is a modeless
// dialog in a tab of the program's tab control; the dialog holds the link to
// its view in its user word (DWLP_USER). The slot order continues the
// program's VIEW (slots 0 to 52); view classes add theirs from slot 61.
#ifndef DLGVBS_H
#define DLGVBS_H

#include "view.h"

class DLGVBS : public VIEW {
public:
    DLGVBS();
    ~DLGVBS() override;                                                           // 42
    void Destroy() override;                                                      // 43
    virtual BOOL FInitDialog(HWND hwndFocus);                                     // 53
    virtual void EndDlg(int nResult);                                             // 54
    virtual BOOL FDlgCommand(int id, int code, HWND hwndCtl);                     // 55
    virtual BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam);                 // 56
    virtual BOOL FInit();                                                         // 57
    virtual BOOL FCreateDlg(HINSTANCE hinst, HWND hwndParent, int idTemplate);    // 58
    virtual INT_PTR DlgModal(HINSTANCE hinst, HWND hwndParent, int idTemplate);   // 59
    virtual HWND HwndDlg();                                                       // 60

    // Dialog procedure of every DLGVBS dialog.
    static INT_PTR CALLBACK DlgVbsProc(HWND hwndDlg, UINT wm, WPARAM wParam, LPARAM lParam);

protected:
    HWND hwndParent;   // parent passed to FCreateDlg or DlgModal; not set by the constructor
};

#endif
