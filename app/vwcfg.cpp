// VWCFG, the Config page, and VWSC, its scan-chain view.

#include "vwcfg.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app.h"
#include "appset.h"
#include "brisel.h"
#include "resource.h"
#include "sclib.h"
#include "szload.h"
#include "vwapp.h"
#include "vwconn.h"
#include "vwscdvc.h"
#include "wrkthd.h"

// ---- VWCFG ----

VWCFG::~VWCFG() {}
void VWCFG::Activate(BOOL, BOOL, HWND) {}
void VWCFG::Deactivate(BOOL, HWND) {}

BOOL VWCFG::FInit()
{
    return DLGVIEW::FInit() && vwsc.FInit();
}

BOOL VWCFG::FInitDialog(HWND)
{
    vwsc.FInit();
    if (!vwsc.FCreate(CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, this)) {
        vwsc.Destroy();
        return FALSE;
    }
    ShowWindow(vwsc.Hwnd(), SW_SHOW);
    return TRUE;
}

BOOL VWCFG::FDlgCommand(int id, int, HWND)
{
    switch (id) {
    case IDC_CFG_INITCHAIN:
        // Known only by the default information and not to be initialised
        // automatically: select the device again, forced, which identifies
        // the chain and loads the board support. That removes this page, so
        // it runs once this command has returned.
        if (g_app.Pappset()->FInitScStrt() || g_app.FForceInit() || !g_app.FDefaultBoard())
            vwsc.FInitChain();
        else
            PostMessageA(g_app.Pvwapp()->Hwnd(), wmReselectForced, 0, 0);
        break;
    case IDC_PAGE_DVCSWITCH:
        vwsc.RemoveAllRows();
        break;
    case IDC_PAGE_CLEARHIST:
        vwsc.ClearHistory();
        break;
    case IDC_CMD_ESCAPE:
        g_app.Psclib()->FAbort();
        break;
    default:
        break;
    }
    return TRUE;
}

void VWCFG::Destroy()
{
    vwsc.Destroy();
    DLGVIEW::Destroy();
}

// ---- VWSC ----

VWSC::VWSC() : yScroll(0), hist(), rgprow(), crow(0) {}

VWSC::~VWSC()
{
    while (crow > 0)
        RemoveRow(crow - 1);
}

BOOL VWSC::FInit()
{
    yScroll = 0;
    hist.FClear();
    APPSET *pappset = g_app.Pappset();
    char sz[cchPathMax + 1];
    for (int i = 0; i < pappset->CConfigFile(); i++)
        if (pappset->FGetConfigFile(sz, i))
            hist.ErcAdd(sz);
    return TRUE;
}

BOOL VWSC::FCreate(int x, int y, int cx, int cy, VIEW *pviewParentNew)
{
    VIEW::FCreate(x, y, cx, cy, pviewParentNew);
    char szClass[cchSzLoad];
    SzLoadInto(IDS_SCCLASS, szClass);
    HWND hwndNew = CreateWindowExA(0, szClass, szClass, WS_CHILD | WS_VISIBLE | WS_DLGFRAME | WS_VSCROLL, x, y, cx,
                                   cy, pviewParentNew->Hwnd(), nullptr, g_app.Hinst(), this);
    if (hwndNew == nullptr)
        return FALSE;
    if (!SendMessageA(hwndNew, WM_USER, 0, 0)) {
        DestroyWindow(hwndNew);
        return FALSE;
    }
    FLayout();
    return TRUE;
}

// 10 pixels inside the page, down to 10 pixels above "Initialize Chain".
void VWSC::FLayout()
{
    HWND hwndPage = pviewParent->Hwnd();
    RECT rcClient, rcPage, rcButton;
    GetClientRect(hwndPage, &rcClient);
    GetWindowRect(hwndPage, &rcPage);
    GetWindowRect(GetDlgItem(hwndPage, IDC_CFG_INITCHAIN), &rcButton);
    int cy = rcClient.bottom - (rcPage.bottom - rcButton.top) - 20;
    MoveWindow(hwnd, 10, 10, rcClient.right - 20, cy > 0 ? cy : 0, TRUE);
}

void VWSC::Destroy()
{
    g_app.SetHwndPage(nullptr);
    APPSET *pappset = g_app.Pappset();
    pappset->ClearConfigFiles();
    for (int i = 0; i < hist.Csz(); i++)
        pappset->FAddConfigFile(hist.SzGet(i));
    while (crow > 0)
        RemoveRow(crow - 1);
    if (hwnd != nullptr)
        DestroyWindow(hwnd);
    hwnd = nullptr;
}

BOOL VWSC::FWndProc(UINT wm, WPARAM wParam, LPARAM lParam, LRESULT *plResult)
{
    if (wm == WM_USER && wParam == 0) {
        *plResult = FInitWnd(lParam);
        return TRUE;
    }
    if (wm == WM_COMMAND) {
        *plResult = FCommand(LOWORD(wParam), lParam);
        return TRUE;
    }
    if (wm == WM_MOUSEWHEEL)
        return TRUE;
    return VIEW::FWndProc(wm, wParam, lParam, plResult);
}

void VWSC::Command(int id, int, HWND hwndCtl)
{
    FCommand(id, reinterpret_cast<LPARAM>(hwndCtl));
}

BOOL VWSC::FCommand(int id, LPARAM lParam)
{
    int value = static_cast<int>(lParam);
    switch (id) {
    case cmdDoneProgram:
        return FOpDone("Programming Failed.", value);
    case cmdDoneErase:
        return FOpDone("Erase Failed.", value);
    case cmdDoneInitChain:
        return FChainDone(value);
    case cmdDoneGetId:
        return FOpDone("Failed to get device ID.", value);
    case cmdDoneLoopId:
        return FOpDone("Failed to loop device ID.", value);
    }
    int i = IrowFromHwnd(reinterpret_cast<HWND>(lParam));
    if (i < 0)
        return FALSE;
    switch (id) {
    case IDC_SC_BROWSE:
        return FBrowse(i);
    case IDC_SC_REFILL:
        return FRefillCombo(i);
    case IDC_SC_ASSOCIATE:
        return FAssociate(i);
    case IDC_SC_PROGRAM:
    case IDC_SC_ERASE:
    case IDC_SC_GETID:
    case IDC_SC_LOOPID:
        return FRequest(id, i);
    default:
        return FALSE;
    }
}

int VWSC::IrowFromHwnd(HWND hwndRow) const
{
    for (int i = 0; i < crow; i++)
        if (rgprow[i]->Hwnd() == hwndRow)
            return i;
    return -1;
}

BOOL VWSC::FInitChain()
{
    if (g_app.Psclib()->FInitChain(hwnd)) {
        EnableControls(FALSE);
        return TRUE;
    }
    g_app.SetDeviceSwitch(0);
    return FALSE;
}

void VWSC::EnableControls(BOOL fEnable)
{
    HWND hwndPage = pviewParent ? pviewParent->Hwnd() : nullptr;
    if (hwndPage != nullptr)
        EnableWindow(GetDlgItem(hwndPage, IDC_CFG_INITCHAIN), fEnable);
    VWAPP *pvwapp = g_app.Pvwapp();
    EnableWindow(pvwapp->HwndTab(), fEnable);
    if (pvwapp->PvwConn() != nullptr)
        EnableWindow(GetDlgItem(pvwapp->PvwConn()->Hwnd(), IDC_CONN_COMBO), fEnable);
    for (int i = 0; i < crow; i++)
        rgprow[i]->EnableControls(fEnable);
}

BOOL VWSC::RemoveRow(int i)
{
    if (i < 0 || i >= crow)
        return FALSE;
    rgprow[i]->Destroy();
    delete rgprow[i];
    memmove(&rgprow[i], &rgprow[i + 1], sizeof(rgprow[0]) * static_cast<size_t>(crow - i - 1));
    rgprow[--crow] = nullptr;
    return TRUE;
}

void VWSC::RemoveAllRows()
{
    for (int c = crow; c > 0; c--)
        RemoveRow(0);
    if (hwnd != nullptr)
        InvalidateRect(hwnd, nullptr, TRUE);
}

BOOL VWSC::FChainDone(int value)
{
    if (value != 0) {
        if (g_app.FChainReport())
            MessageBoxA(hwnd, "Initialization Failed.  Check connections and try again.", "Error", MB_OK);
        RemoveAllRows();
    } else {
        int32_t cdvc = 0;
        uint32_t erc = 0;
        BriselGetScdvcCount(&cdvc, &erc);
        RemoveAllRows();
        for (int i = 0; i < cdvc && i < crowMax; i++) {
            VWSCDVC *prow = new VWSCDVC;
            if (!prow->FInit()) {
                delete prow;
                break;
            }
            BriselGetJtdvc(i, prow->Pjtdvc(), &erc);
            char sz[64];
            snprintf(sz, sizeof(sz), "   Device %d: %.*s", i + 1, static_cast<int>(cchJtdvcName),
                     prow->Pjtdvc()->szName);
            g_app.Pvwapp()->AppendStatusLine(sz);
            if (!prow->FCreateDlg(g_app.Hinst(), hwnd, IDD_SCDVC)) {
                prow->Destroy();
                delete prow;
                break;
            }
            rgprow[crow++] = prow;
            ShowWindow(prow->Hwnd(), SW_SHOW);
        }
    }
    g_app.SetDeviceSwitch(0);
    EnableControls(TRUE);
    InvalidateRect(hwnd, nullptr, TRUE);
    g_app.SetChainReport(1);
    return TRUE;
}

BOOL VWSC::FOpDone(const char *szFailure, int value)
{
    if (value != 0)
        MessageBoxA(hwnd, szFailure, "Error", MB_OK);
    EnableControls(TRUE);
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL VWSC::FAssociatePath(int i, const char *szPath)
{
    return g_app.Psclib()->FSetConfigFile(hwnd, szPath, i, rgprow[i]->FsCheck());
}

BOOL VWSC::FBrowse(int i)
{
    VWSCDVC *prow = rgprow[i];
    char *szPath = FLHIST::SzBrowse(prow->Hwnd(), prow->Pjtdvc()->szFilter);
    if (szPath == nullptr)
        return FALSE;
    BOOL fOk = FAssociatePath(i, szPath);
    if (fOk) {
        hist.ErcAdd(szPath);
        prow->FillConfigCombo(&hist, szPath);
    }
    free(szPath);
    return fOk;
}

BOOL VWSC::FRefillCombo(int i)
{
    VWSCDVC *prow = rgprow[i];
    int ihist = prow->IhistFromIcombo(prow->IcomboSel());
    char szSel[cchPathMax + 1] = "";
    if (prow->IcomboSel() >= 0 && ihist >= 0 && ihist < hist.Csz())
        snprintf(szSel, sizeof(szSel), "%s", hist.SzGet(ihist));
    return prow->FillConfigCombo(&hist, szSel[0] ? szSel : nullptr);
}

BOOL VWSC::FAssociate(int i)
{
    VWSCDVC *prow = rgprow[i];
    int icombo = prow->IcomboSel();
    int ihist = prow->IhistFromIcombo(icombo);
    if (icombo < 0 || ihist < 0 || ihist >= hist.Csz())
        return FALSE;
    char szPath[cchPathMax + 1];
    snprintf(szPath, sizeof(szPath), "%s", hist.SzGet(ihist));
    if (!FAssociatePath(i, szPath)) {
        SendDlgItemMessageA(prow->Hwnd(), IDC_ROW_COMBO, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        return FALSE;
    }
    char sz[2 * cchPathMax];
    snprintf(sz, sizeof(sz), "Set Config file for %.*s:  \"%s\"", static_cast<int>(cchJtdvcName),
             prow->Pjtdvc()->szName, szPath);
    g_app.Pvwapp()->AppendStatusLine(sz);
    return TRUE;
}

// A row's device request. While another operation runs the worker refuses
// it (the device menu stays usable then), and nothing changes.
BOOL VWSC::FRequest(int id, int i)
{
    const char *szName = rgprow[i]->Pjtdvc()->szName;
    char sz[128];
    SCLIB *psclib = g_app.Psclib();
    if (g_app.Pwrkthd()->FBusy())
        return FALSE;
    BOOL fOk = FALSE;
    switch (id) {
    case IDC_SC_PROGRAM:
        snprintf(sz, sizeof(sz), "Preparing to program %.*s...", static_cast<int>(cchJtdvcName), szName);
        g_app.Pvwapp()->AppendStatusLine(sz);
        fOk = psclib->FProgram(hwnd, i);
        break;
    case IDC_SC_ERASE:
        fOk = psclib->FErase(hwnd, i);
        break;
    case IDC_SC_GETID:
        snprintf(sz, sizeof(sz), "Getting device ID of %.*s...", static_cast<int>(cchJtdvcName), szName);
        g_app.Pvwapp()->AppendStatusLine(sz);
        fOk = psclib->FGetId(hwnd, i);
        break;
    case IDC_SC_LOOPID:
        snprintf(sz, sizeof(sz), "Looping device ID of %.*s...", static_cast<int>(cchJtdvcName), szName);
        g_app.Pvwapp()->AppendStatusLine(sz);
        fOk = psclib->FLoopId(hwnd, i);
        break;
    }
    if (fOk)
        EnableControls(FALSE);
    return fOk;
}

void VWSC::Paint(HDC hdc, PAINTSTRUCT *)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOW));
    if (crow == 0) {
        HFONT hfont = CreateFontA(17, 0, 0, 0, 600, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
        HGDIOBJ hfontOld = SelectObject(hdc, hfont);
        SetBkMode(hdc, TRANSPARENT);
        const char sz[] = "No devices identified.";
        TextOutA(hdc, 8, 8, sz, static_cast<int>(sizeof(sz) - 1));
        SelectObject(hdc, hfontOld);
        DeleteObject(hfont);
    }
    int cyRow = 0;
    for (int i = 0; i < crow; i++) {
        RECT rcRow;
        GetClientRect(rgprow[i]->Hwnd(), &rcRow);
        cyRow = rcRow.bottom;
        MoveWindow(rgprow[i]->Hwnd(), 0, i * cyRow - yScroll, rc.right, cyRow, FALSE);
        UpdateWindow(rgprow[i]->Hwnd());
    }
    if (crow > 0 && crow * cyRow > rc.bottom) {
        SetScrollRange(hwnd, SB_VERT, 0, crow * cyRow - rc.bottom, FALSE);
        SetScrollPos(hwnd, SB_VERT, yScroll, TRUE);
    } else if (GetScrollPos(hwnd, SB_VERT) == 0) {
        SetScrollRange(hwnd, SB_VERT, 0, 0, TRUE);
    }
}

void VWSC::VScroll(int code, int pos)
{
    int y = yScroll;
    switch (code) {
    case SB_LINEUP: y -= 4; break;
    case SB_LINEDOWN: y += 4; break;
    case SB_PAGEUP: y -= 100; break;
    case SB_PAGEDOWN: y += 100; break;
    case SB_THUMBTRACK: y = pos; break;
    default: return;
    }
    int yMin = 0, yMax = 0;
    GetScrollRange(hwnd, SB_VERT, &yMin, &yMax);
    if (y > yMax)
        y = yMax;
    if (y < 0)
        y = 0;
    if (y != yScroll) {
        yScroll = y;
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}
