// VWCONN: the connect bar at the top right of the main window: the device
// combo box (1011) and the product text of the loaded plug-in (1013).
//
// The list is enumerated again each time the user opens the combo box; an
// accepted selection (or a cancelled one after the re-enumeration moved the
// selection) switches the device. During a device switch the bar refuses to
// open its list.
#ifndef ORRIN_VWCONN_H
#define ORRIN_VWCONN_H

#include "dlgview.h"
#include "dvclst.h"

// The connect bar's combo box as the device list sees it.
class COMBOWND : public DVCCOMBO {
public:
    explicit COMBOWND(HWND hwndCombo) : hwndCombo(hwndCombo) {}
    int IcurGet() override;
    void GetItemText(int i, char *sz, int cch) override;
    void Reset() override;
    void AddItem(const char *sz) override;
    void SetCurSel(int i) override;

private:
    HWND hwndCombo;
};

class VWCONN : public DLGVIEW {
public:
    ~VWCONN() override;                                  // 42
    void Destroy() override;                             // 43
    BOOL FInitDialog(HWND hwndFocus) override;           // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;   // 55
    BOOL FInit() override;                               // 57

    // Enumerate into the combo box; FALSE when no device was found.
    BOOL FEnum();
    // Take the combo's selection as the selected device and switch to it.
    BOOL FSelect();

private:
    void AcceptSelection();
};

#endif
