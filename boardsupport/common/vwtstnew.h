// VWTSTNEW, the VWTST of the Pentra and Miravo3 plug-ins: the "Test" tab's page of the
// newer self-test design. The page's logic is TSTNEW (tstnew.h); this class
// is its window: the dialog, the buttons, the indicators drawn at their
// placeholders, and the device, host and page calls the worker makes.
#ifndef VWTSTNEW_H
#define VWTSTNEW_H

#include "dlgvbs.h"
#include "tstnew.h"

#include <memory>

class VWTSTNEW : public DLGVBS, private TSTNPORT {
public:
    explicit VWTSTNEW(TSTNKIND kind);
    ~VWTSTNEW() override;                                            // 42
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;               // 19
    void Destroy() override;                                      // 43
    BOOL FInitDialog(HWND hwndFocus) override;                    // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;    // 55
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override; // 56
    BOOL FInit() override;                                        // 57
    virtual void SetStates(BOOL fRunning);                        // 61
    virtual void RequestStop();                                   // 62: the tab's stop entry

private:
    // The worker's device, host and page (TSTNPORT).
    bool FPutReg(uint8_t reg, uint8_t b) override;
    bool FGetReg(uint8_t reg, uint8_t *pb) override;
    void SleepMs(uint32_t ms) override;
    bool FCancelled() override { return false; }
    bool FOpen() override;
    void Close() override;
    bool FEnable() override;
    void Disable() override;
    void SetTransTimeout(uint32_t tms) override;
    void Log(uint32_t ids) override;
    bool FConfigure(const std::string &szPath) override;
    void LockHost(bool fLock) override;
    bool FPageAlive() override;
    void SetText(int idc, const std::string &sz) override;
    void EnableCtl(int idc, bool fEnable) override;
    void Invalidate(const TSTNRECT *prc) override;

    void LeavePage();

    TSTNKIND kind;
    std::unique_ptr<TSTNEW> ptst;
    uint32_t hif = 0;   // the worker's handle while it has the device open
};

#endif
