// The Config page (VWCFG, dialog 200) and its scan-chain view (VWSC): one
// device row (VWSCDVC) per chain device, stacked and scrolled, whose
// requests become scan-chain operations through SCLIB, and whose
// completion commands (sent to the view by the status handlers) re-enable
// the controls.
#ifndef ORRIN_VWCFG_H
#define ORRIN_VWCFG_H

#include "dlgview.h"
#include "flhist.h"

class VWSCDVC;

enum { crowMax = 65 };

class VWSC : public VIEW {
public:
    VWSC();
    ~VWSC() override;
    BOOL FCreate(int x, int y, int cx, int cy, VIEW *pviewParent) override;
    void Command(int id, int code, HWND hwndCtl) override;
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;
    void VScroll(int code, int pos) override;
    void Destroy() override;
    BOOL FWndProc(UINT wm, WPARAM wParam, LPARAM lParam, LRESULT *plResult) override;

    BOOL FInit();
    void FLayout();
    BOOL FInitChain();
    void EnableControls(BOOL fEnable);
    BOOL RemoveRow(int i);
    void RemoveAllRows();
    void ClearHistory() { hist.FClear(); }
    int Crow() const { return crow; }

private:
    BOOL FCommand(int id, LPARAM lParam);
    int IrowFromHwnd(HWND hwndRow) const;
    BOOL FChainDone(int value);
    BOOL FOpDone(const char *szFailure, int value);
    BOOL FBrowse(int i);
    BOOL FRefillCombo(int i);
    BOOL FAssociate(int i);
    BOOL FAssociatePath(int i, const char *szPath);
    BOOL FRequest(int id, int i);

    int32_t yScroll;
    FLHIST hist;
    VWSCDVC *rgprow[crowMax];
    int32_t crow;
};

class VWCFG : public DLGVIEW {
public:
    ~VWCFG() override;
    void Destroy() override;
    void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther) override;
    void Deactivate(BOOL fMinimized, HWND hwndOther) override;
    BOOL FInitDialog(HWND hwndFocus) override;
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;
    BOOL FInit() override;
    VWSC *Pvwsc() { return &vwsc; }

private:
    VWSC vwsc;
};

#endif
