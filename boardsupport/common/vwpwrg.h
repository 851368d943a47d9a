// VWPWRG: the power graph window of the Corvale and Pentra plug-ins. It owns
// the ring of recorded readings (kept while the window is closed and opened
// again), takes each new sample from the meter thread, moves the history
// slider along, and paints the chart (pwrchart.h) off-screen in one copy,
// then the rails' frames and, on Corvale, the trace legend.
#ifndef VWPWRG_H
#define VWPWRG_H

#include <atomic>

#include "dlgvbs.h"
#include "pwrchart.h"

class VWPWRG : public DLGVBS {
public:
    explicit VWPWRG(const PWRPROFILE &prof);
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;                   // 19
    ~VWPWRG() override;                                               // 42
    void Destroy() override;                                          // 43
    BOOL Show(int sw) override;                                       // 47
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;        // 55
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;    // 56
    BOOL FInit() override;                                            // 57

    // Records a sample (meter thread); the buffer's count afterwards.
    int AddSample(const PWRSMP &smp);
    void ClearBuffer();
    const PWRBUF *Ppwrbuf() const { return ppwrbuf; }

private:
    void PlayChart(HDC hdcMem, const std::vector<PWRDRAW> &rgdraw);
    HPEN HpenOf(int pen) const;
    RECT RcClient(int id) const;
    double DblUnit(int idList, const double *rgdbl, int cdbl) const;

    const PWRPROFILE &prof;
    PWRBUF *ppwrbuf = nullptr;
    std::atomic<HWND> hwndGraph{ nullptr };   // the window, for the meter thread
    HPEN rghpenTrace[cqtyPwr * crailPwr] = {};
    HPEN hpenGrid = nullptr, hpenFrame = nullptr;
    HBRUSH hbrBack = nullptr;
    POINT *rgpt = nullptr;                     // the point buffer of one trace
};

#endif
