// VWAPP: creation of the main window and its children, commands, tab
// changes, painting, closing and destruction.

#include "vwapp.h"

#include <stdlib.h>

#include <commctrl.h>
#include <stdio.h>

#include "app.h"
#include "dvclst.h"
#include "edtlog.h"
#include "resource.h"
#include "szload.h"
#include "vwconn.h"
#include "vwset.h"

VWAPP::VWAPP()
    : hwndTab(nullptr), hwndStatusFocus(nullptr), cxMin(0), cyMin(0), cyMinNoStatus(0), hfontTab(nullptr),
      hwndStatus(nullptr), hfont(nullptr), cyLine(0), cxAvgChar(0), hwndProgress(nullptr), pvwconn(nullptr),
      rgppage(), cpage(0), ipageCur(-1), tidWindow(GetCurrentThreadId())
{
}

VWAPP::~VWAPP() {}

BOOL VWAPP::FCreate(int x, int y, int cx, int cy, VIEW *pviewParentNew)
{
    pviewParent = pviewParentNew;
    tidWindow = GetCurrentThreadId();
    char szClass[cchSzLoad], szTitle[cchSzLoad];
    SzLoadInto(IDS_MAINCLASS, szClass);
    SzLoadInto(IDS_TITLE, szTitle);
    HWND hwndNew = CreateWindowExA(0, szClass, szTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME,
                                   x, y, cx, cy, pviewParent ? pviewParent->Hwnd() : nullptr, nullptr,
                                   g_app.Hinst(), this);
    if (hwndNew == nullptr)
        return FALSE;
    hwnd = hwndNew;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (SendMessageA(hwnd, wmViewInit, 0, 0) == 0) {
        DestroyWindow(hwndNew);
        return FALSE;
    }
    return FCreateChildren();
}

BOOL VWAPP::FCreateChildren()
{
    HDC hdc = GetDC(hwnd);
    hfont = CreateFontA(-MulDiv(8, GetDeviceCaps(hdc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                        DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, "Tahoma");
    if (hfont != nullptr) {
        HGDIOBJ hfontOld = SelectObject(hdc, hfont);
        TEXTMETRICA tm;
        GetTextMetricsA(hdc, &tm);
        cyLine = tm.tmHeight + tm.tmExternalLeading;
        cxAvgChar = tm.tmAveCharWidth;
        SelectObject(hdc, hfontOld);
    }
    ReleaseDC(hwnd, hdc);

    pvwconn = new VWCONN;
    if (!pvwconn->FInit() || !pvwconn->FCreateDlg(g_app.Hinst(), hwnd, IDD_CONNECT))
        return FALSE;
    pvwconn->Show(SW_SHOW);

    VWSET *pvwset = new VWSET;
    if (!pvwset->FInit() || !pvwset->FCreateDlg(g_app.Hinst(), hwnd, IDD_SETTINGS)) {
        delete pvwset;
        return FALSE;
    }
    if (!FInsertPage(0, nullptr, pvwset, nullptr, SzLoad(IDS_PAGE_SETTINGS))) {
        pvwset->Destroy();
        delete pvwset;
        return FALSE;
    }
    if (!FCreateTabControl() || !FCreateStatusWindow() || !FCreateProgressBar())
        return FALSE;
    FFitWindow();
    ShowWindow(hwndStatus, SW_SHOW);
    ShowWindow(hwndProgress, SW_SHOW);
    ipageCur = 0;
    ShowWindow(HwndCurPage(), SW_SHOW);
    return TRUE;
}

BOOL VWAPP::FCreateTabControl()
{
    SIZE size = SizeLargestPage();
    for (int i = 0; i < cpage; i++)
        SetWindowPos(HwndPage(i), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    int cx = size.cx + 3 + 5, cy = size.cy + 5 + 5;
    hwndTab = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_MULTILINE, 0, 0,
                              cx, cy, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_TAB)),
                              g_app.Hinst(), nullptr);
    if (hwndTab == nullptr)
        return FALSE;
    for (int i = 0; i < cpage; i++) {
        TCITEMA tci = {};
        tci.mask = TCIF_TEXT | TCIF_IMAGE;
        tci.pszText = rgppage[i]->szName;
        tci.iImage = -1;
        if (SendMessageA(hwndTab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tci)) < 0)
            return FALSE;
    }
    MoveWindow(hwndTab, 5, 5, cx, cy + CyTabHeader(), FALSE);
    PlacePages();
    hfontTab = CreateFontA(16, 0, 0, 0, 600, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS,
                           "MS Sans Serif");
    SendMessageA(hwndTab, WM_SETFONT, reinterpret_cast<WPARAM>(hfontTab), TRUE);
    return TRUE;
}

BOOL VWAPP::FCreateStatusWindow()
{
    hwndStatus = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                 WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_WANTRETURN,
                                 5, 5, 100, 8 * cyLine, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_STATUS)), g_app.Hinst(),
                                 nullptr);
    if (hwndStatus == nullptr)
        return FALSE;
    if (hfont != nullptr)
        SendMessageA(hwndStatus, WM_SETFONT, reinterpret_cast<WPARAM>(hfont), FALSE);
    return TRUE;
}

BOOL VWAPP::FCreateProgressBar()
{
    HDC hdc = GetDC(hwnd);
    HGDIOBJ hfontOld = SelectObject(hdc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    SelectObject(hdc, hfontOld);
    ReleaseDC(hwnd, hdc);
    hwndProgress = CreateWindowExA(WS_EX_CLIENTEDGE, PROGRESS_CLASSA, "", WS_CHILD, 5, 5, 100, tm.tmHeight, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_PROGRESS)),
                                   g_app.Hinst(), nullptr);
    if (hwndProgress == nullptr)
        return FALSE;
    SendMessageA(hwndProgress, PBM_SETBARCOLOR, 0, RGB(0, 0xC0, 0));
    return TRUE;
}

void VWAPP::Start()
{
    g_app.SetHwndPage(HwndCurPage());
    AppendStatusLine(SzLoad(IDS_BANNER));
    AppendBannerRevision(IDS_REG_REVSYSTEM, IDS_REV_SYSTEM);
    AppendBannerRevision(IDS_REG_REVRUNTIME, IDS_REV_RUNTIME);
    AppendBannerVersion();
    AppendStatusLine(SzLoad(IDS_NOTICE));
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    if (pvwconn->FEnum())
        pvwconn->FSelect();
}

// "Rev major.minor" from bits 31-24 and 23-16 of a 4-byte registry value.
void VWAPP::AppendBannerRevision(UINT idsValue, UINT idsFormat)
{
    char szPath[cchSzLoad], szFmt[cchSzLoad], szLine[2 * cchSzLoad];
    uint32_t dw = 0;
    if (!FRegGetValue(HKEY_LOCAL_MACHINE, SzLoadInto(idsValue, szPath), &dw, sizeof(dw)))
        return;
    snprintf(szLine, sizeof(szLine), SzLoadInto(idsFormat, szFmt), static_cast<int>(dw >> 24),
             static_cast<int>((dw >> 16) & 0xFF));
    AppendStatusLine(szLine);
}

void VWAPP::AppendBannerVersion()
{
    char szFile[MAX_PATH + 1] = "";
    GetModuleFileNameA(nullptr, szFile, MAX_PATH);
    DWORD dwHandle = 0;
    DWORD cb = GetFileVersionInfoSizeA(szFile, &dwHandle);
    if (cb == 0)
        return;
    void *pv = malloc(cb);
    if (pv == nullptr)
        return;
    char szQuery[2 * cchSzLoad], szFmt[cchSzLoad], szLine[2 * cchSzLoad];
    void *pvValue = nullptr;
    UINT cchValue = 0;
    snprintf(szQuery, sizeof(szQuery), "%sProductVersion", SzLoad(IDS_VERPREFIX));
    if (GetFileVersionInfoA(szFile, dwHandle, cb, pv) && VerQueryValueA(pv, szQuery, &pvValue, &cchValue) &&
        pvValue != nullptr) {
        char szVersion[256];
        snprintf(szVersion, sizeof(szVersion), "%s", static_cast<const char *>(pvValue));
        snprintf(szLine, sizeof(szLine), SzLoadInto(IDS_REV_APP, szFmt), szVersion);
        AppendStatusLine(szLine);
    }
    free(pv);
}

void VWAPP::Command(int id, int code, HWND hwndCtl)
{
    switch (id) {
    case IDC_DONE_INITCHAIN:
        g_app.LoadBoardSupport();
        break;
    case IDC_MAIN_STATUS: {
        NMHDR nmhdr = {hwndCtl, static_cast<UINT_PTR>(id), static_cast<UINT>(code)};
        Notify(id, &nmhdr);
        break;
    }
    case IDC_CMD_COPY:
        if (hwndStatusFocus != nullptr)
            SendMessageA(hwndStatusFocus, WM_COPY, 0, 0);
        break;
    case IDC_CMD_ESCAPE:
        if (HwndCurPage() != nullptr)
            SendMessageA(HwndCurPage(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwndCtl));
        break;
    default:
        break;
    }
}

void VWAPP::Notify(int idCtl, NMHDR *pnmhdr)
{
    if (idCtl == IDC_MAIN_TAB && static_cast<int>(pnmhdr->code) == static_cast<int>(TCN_SELCHANGE)) {
        int ipageNew = static_cast<int>(SendMessageA(hwndTab, TCM_GETCURSEL, 0, 0));
        if (ipageNew < 0 || ipageNew >= cpage)
            return;
        HWND hwndOld = HwndCurPage();
        if (hwndOld != nullptr) {
            PAGE *ppage = rgppage[ipageCur];
            if (ppage->pdbs != nullptr && ppage->pdbs->pfnStop != nullptr)
                ppage->pdbs->pfnStop();
            if (strcmp(ppage->szName, SzLoad(IDS_PAGE_IOEX)) == 0)
                SendMessageA(hwndOld, WM_COMMAND, IDC_PAGE_IOEXSTOP, 0);
            SendMessageA(hwndOld, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwndOld));
            ShowWindow(hwndOld, SW_HIDE);
        }
        ShowPage(ipageNew);
    } else if (idCtl == IDC_MAIN_STATUS) {
        if (pnmhdr->code == EN_SETFOCUS)
            hwndStatusFocus = pnmhdr->hwndFrom;
        else if (pnmhdr->code == EN_KILLFOCUS)
            hwndStatusFocus = nullptr;
    }
}

// Make page i current: show it, activate it and make it the message loop's
// dialog target.
void VWAPP::ShowPage(int i)
{
    if (i < 0 || i >= cpage)
        return;
    HWND hwndNew = HwndPage(i);
    ShowWindow(hwndNew, SW_SHOW);
    ipageCur = i;
    SendMessageA(hwndTab, TCM_SETCURSEL, i, 0);
    SendMessageA(hwndNew, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(hwndNew));
    g_app.SetHwndPage(hwndNew);
    UpdateWindow(hwnd);
}

void VWAPP::Paint(HDC hdc, PAINTSTRUCT *)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    HBITMAP hbmpLogo = g_app.HbmpLogo(), hbmpMask = g_app.HbmpMask();
    if (hbmpLogo == nullptr || hbmpMask == nullptr)
        return;
    BITMAP bm;
    GetObjectA(hbmpLogo, sizeof(bm), &bm);
    HDC hdcLogo = CreateCompatibleDC(hdc), hdcMask = CreateCompatibleDC(hdc);
    HGDIOBJ hbmpOldLogo = SelectObject(hdcLogo, hbmpLogo), hbmpOldMask = SelectObject(hdcMask, hbmpMask);
    BitBlt(hdcLogo, 0, 0, bm.bmWidth, bm.bmHeight, hdcMask, 0, 0, SRCAND);
    BitBlt(hdc, 10, 15, bm.bmWidth, bm.bmHeight, hdcMask, 0, 0, 0x00220326);
    BitBlt(hdc, 10, 15, bm.bmWidth, bm.bmHeight, hdcLogo, 0, 0, SRCPAINT);
    SelectObject(hdcLogo, hbmpOldLogo);
    SelectObject(hdcMask, hbmpOldMask);
    DeleteDC(hdcLogo);
    DeleteDC(hdcMask);
}

void VWAPP::Moved(int, int) {}

// The user closes the window: the plug-in goes first, the window stays
// until the message loop has ended.
void VWAPP::Close()
{
    HWND hwndCur = HwndCurPage();
    if (hwndCur != nullptr)
        SendMessageA(hwndCur, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwndCur));
    g_app.FUnloadBoardSupport();
    PostQuitMessage(0);
}

void VWAPP::Destroy()
{
    while (cpage > 0) {
        SetParent(HwndPage(0), nullptr);
        if (hwndTab != nullptr)
            SendMessageA(hwndTab, TCM_DELETEITEM, 0, 0);
        FRemovePage(0);
    }
    if (pvwconn != nullptr) {
        pvwconn->Destroy();
        delete pvwconn;
        pvwconn = nullptr;
    }
    g_app.SetHwndPage(nullptr);
    if (hfontTab != nullptr)
        DeleteObject(hfontTab);
    hfontTab = nullptr;
    if (hwndTab != nullptr)
        DestroyWindow(hwndTab);
    hwndTab = nullptr;
    if (hwndStatus != nullptr)
        DestroyWindow(hwndStatus);
    hwndStatus = nullptr;
    if (hfont != nullptr)
        DeleteObject(hfont);
    hfont = nullptr;
    if (hwndProgress != nullptr)
        DestroyWindow(hwndProgress);
    hwndProgress = nullptr;
    hwndStatusFocus = nullptr;
    ipageCur = 0;
    VIEW::Destroy();
}

BOOL VWAPP::FWndProc(UINT wm, WPARAM wParam, LPARAM lParam, LRESULT *plResult)
{
    if (wm == wmAppendLine) {
        AppendStatusLineNow(reinterpret_cast<const char *>(lParam));
        *plResult = 0;
        return TRUE;
    }
    if (wm == wmReselectForced) {
        g_app.SetDeviceSwitch(1);
        g_app.SelectDevice(TRUE);
        *plResult = 0;
        return TRUE;
    }
    return VIEW::FWndProc(wm, wParam, lParam, plResult);
}
