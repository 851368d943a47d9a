// VWTSTOLD: the board self-test page of the older design (Corvale, Miravo2,
// Miravo, Tullen2, Tullen), behind the "Test" tab: the window around the
// TSTOLD engine, which it serves as the engine's site (the host's callbacks,
// the board through the device libraries, the page's controls).
#ifndef VWTSTOLD_H
#define VWTSTOLD_H

#include "dlgvbs.h"
#include "tstkelm.h"
#include "tstold.h"

class VWTSTOLD : public DLGVBS, private TSTSITEKELM {
public:
    explicit VWTSTOLD(const TSTOLDPROFILE &prof);
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;                  // 19
    ~VWTSTOLD() override;                                            // 42
    void Destroy() override;                                         // 43
    BOOL FInitDialog(HWND hwndFocus) override;                       // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;       // 55
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;   // 56
    BOOL FInit() override;                                           // 57
    virtual BOOL FStartTest();                                       // 61
    virtual BOOL FRamTest();
    virtual BOOL FFlashTest();
    virtual BOOL FShortsTest();
    virtual void SetStates(BOOL fRunning);
    virtual BOOL FStopTest();

private:
    // TSTSITE
    void Log(const char *sz) override;
    void LockHost(bool fLock) override;
    bool FConfigureFpga() override;
    std::string SzString(uint32_t ids) override;
    void EnableControl(int id, bool fEnable) override;
    void SetControlText(int id, const char *sz) override;
    void Invalidate(const TSTRECT *prc, bool fErase) override;
    void SleepMs(uint32_t ms) override;
    void PumpSent() override;
    const char *SzConn() override;

    void Place(TSTIND &ind);

    TSTOLD tst;
};

#endif
