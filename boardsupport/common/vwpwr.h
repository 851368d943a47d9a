// VWPWR: the "Power" page of the Corvale and Pentra plug-ins. Start and Stop
// run the power meter (pwrmeter.h) on its own device handle; the page shows
// each reading, "Show Graph" opens the power graph (VWPWRG) beside the
// program's window, and "Save Buffer..." writes the recorded readings to a
// CSV file.
#ifndef VWPWR_H
#define VWPWR_H

#include <windows.h>
#include <commdlg.h>

#include "dlgvbs.h"
#include "pwrmeter.h"

class VWPWRG;

class VWPWR : public DLGVBS, private PWRPAGE {
public:
    explicit VWPWR(const PWRPROFILE &prof);
    ~VWPWR() override;                                                // 42
    void Destroy() override;                                          // 43
    BOOL FInitDialog(HWND hwndFocus) override;                        // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;        // 55
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;    // 56
    BOOL FInit() override;                                            // 57

private:
    // The meter thread's view of the page.
    void SetField(int id, const char *sz) override;
    void EnableControl(int id, bool fEnable) override;
    void Log(int ids) override;
    int AddSample(const PWRSMP &smp) override;

    BOOL FShowGraph();
    BOOL FSaveBuffer();

    const PWRPROFILE &prof;
    PWRMETER meter;
    VWPWRG *pvwpwrg = nullptr;
    OPENFILENAMEA ofnSave;
    char szSaveFile[MAX_PATH];
};

#endif
