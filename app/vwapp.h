// VWAPP: the main window view. From top to bottom: the connect bar (top
// right) and the board logo (top left), the tab control with the pages, the
// status window with the program's running log, and the progress bar.
//
// VWAPP lives on the window thread. AppendStatusLine, SetProgressRange and
// SetProgressPos may also be called from the worker, the scan-chain library's
// threads and plug-in threads: there they send messages, so that lines,
// progress and a completion command that follows them arrive in order. The
// window thread therefore never waits for a thread that may be sending to it.
#ifndef ORRIN_VWAPP_H
#define ORRIN_VWAPP_H

#include "bshost.h"
#include "dlgview.h"

class VWCONN;

enum { cpageMax = 16, cchPageName = 512, clineStatusMax = 128 };

enum {
    wmAppendLine = WM_APP + 1,   // lParam: text sent from another thread
    wmReselectForced = WM_APP + 2,   // select the current device again, forcing chain identification
};

struct PAGE {
    DLGVIEW *pview;          // built-in page (owned), or null
    HWND hwnd;               // plug-in page window, or null
    DBS *pdbs;               // plug-in page descriptor (owned), or null
    char szName[cchPageName];
};

class VWAPP : public VIEW {
public:
    VWAPP();
    ~VWAPP() override;

    BOOL FCreate(int x, int y, int cx, int cy, VIEW *pviewParent) override;   // 2
    void Command(int id, int code, HWND hwndCtl) override;                     // 6
    void Notify(int idCtl, NMHDR *pnmhdr) override;                            // 8
    void Sizing(int edge, RECT *prc) override;                                 // 9
    void Sized(int cx, int cy) override;                                       // 10
    void Moved(int x, int y) override;                                         // 12
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;                            // 19
    void Close() override;                                                     // 33
    void Destroy() override;                                                   // 43
    BOOL FWndProc(UINT wm, WPARAM wParam, LPARAM lParam, LRESULT *plResult) override;

    void Start();
    void AppendStatusLine(const char *sz);
    void ClearStatus();
    void SetProgressRange(int n);
    void SetProgressPos(int pos);
    void ShowStatusWnd(BOOL fShow);

    BOOL FAddPage(int i, DLGVIEW *pview, DBS *pdbs, const char *szName);
    BOOL FInsertPage(int i, HWND hwndPage, DLGVIEW *pview, DBS *pdbs, const char *szName);
    BOOL FRemovePage(int i);
    void RemoveAllPages();
    void ShowPage(int i);

    HWND HwndCurPage() const;
    DLGVIEW *PviewCurPage() const;
    HWND HwndFindPage(const char *szName) const;
    HWND HwndPage(int i) const;
    DLGVIEW *PviewPage(int i) const { return (i >= 0 && i < cpage) ? rgppage[i]->pview : nullptr; }
    DBS *PdbsPage(int i) const { return (i >= 0 && i < cpage) ? rgppage[i]->pdbs : nullptr; }
    const char *SzPageName(int i) const { return (i >= 0 && i < cpage) ? rgppage[i]->szName : nullptr; }
    int Cpage() const { return cpage; }
    HWND HwndTab() const { return hwndTab; }
    HWND HwndStatus() const { return hwndStatus; }
    VWCONN *PvwConn() const { return pvwconn; }

private:
    BOOL FCreateChildren();
    BOOL FCreateTabControl();
    BOOL FCreateStatusWindow();
    BOOL FCreateProgressBar();
    void FFitWindow();
    void PlacePages();
    SIZE SizeLargestPage() const;
    int CyTabHeader() const;
    int CyClient(HWND hwndChild) const;
    void AppendBannerRevision(UINT idsValue, UINT idsFormat);
    void AppendBannerVersion();
    void AppendStatusLineNow(const char *sz);

    HWND hwndTab;
    HWND hwndStatusFocus;
    int32_t cxMin;
    int32_t cyMin;
    int32_t cyMinNoStatus;
    HFONT hfontTab;
    HWND hwndStatus;
    HFONT hfont;
    int32_t cyLine;
    int32_t cxAvgChar;
    HWND hwndProgress;
    VWCONN *pvwconn;
    PAGE *rgppage[cpageMax];
    int32_t cpage;
    int32_t ipageCur;
    DWORD tidWindow;   // the window thread, where status lines are appended directly
};

#endif
