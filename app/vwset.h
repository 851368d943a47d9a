// VWSET: the Settings page: the switches of automatic chain initialisation
// and of the status window, clearing the status window and the file
// histories, and the device manager's own dialog.
#ifndef ORRIN_VWSET_H
#define ORRIN_VWSET_H

#include "dlgview.h"

class VWSET : public DLGVIEW {
public:
    void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther) override;   // 29
    void Deactivate(BOOL fMinimized, HWND hwndOther) override;              // 30
    ~VWSET() override;                                                      // 42
    void Destroy() override;                                                // 43
    BOOL FInitDialog(HWND hwndFocus) override;                              // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;              // 55
    BOOL FInit() override;                                                  // 57
};

#endif
