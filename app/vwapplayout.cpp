// VWAPP layout: the window's size from its contents, the children's places
// when it is resized, the limits of the user's resizing, and hiding or
// showing the status window.
//
// Margins: 5 pixels around everything; pages sit 3 (left), 5 (right), 5
// (top) and 5 (bottom) pixels inside the tab control.

#include "vwapp.h"

#include "app.h"
#include "appset.h"
#include "vwconn.h"

int VWAPP::CyClient(HWND hwndChild) const
{
    RECT rc = {};
    GetClientRect(hwndChild, &rc);
    return rc.bottom;
}

void VWAPP::FFitWindow()
{
    RECT rcBar = {}, rcTab = {}, rcProg = {}, rcWnd, rcClient;
    GetClientRect(pvwconn->Hwnd(), &rcBar);
    GetClientRect(hwndTab, &rcTab);
    GetClientRect(hwndProgress, &rcProg);
    int hStatus = g_app.Pappset()->FShowRptWin() ? CyClient(hwndStatus) : 0;
    GetWindowRect(hwnd, &rcWnd);
    GetClientRect(hwnd, &rcClient);
    int dx = (rcWnd.right - rcWnd.left) - rcClient.right;
    int dy = (rcWnd.bottom - rcWnd.top) - rcClient.bottom;
    int wBar = rcBar.right, hBar = rcBar.bottom, wTab = rcTab.right, hTab = rcTab.bottom, hProg = rcProg.bottom;

    int cx = wTab + 10 + dx;
    int h0 = hTab + 10 + dy + hBar;
    cxMin = cx;
    cyMin = h0 + 10 + 2 * cyLine + hProg + 15;
    cyMinNoStatus = h0 + hProg + 15;
    SetWindowPos(hwnd, nullptr, 0, 0, cx, h0 + hStatus + hProg + 25, SWP_NOMOVE | SWP_NOZORDER);
    MoveWindow(pvwconn->Hwnd(), cx - dx - wBar, 0, wBar, hBar, TRUE);
}

void VWAPP::Sized(int cx, int cy)
{
    if (hwndTab == nullptr || hwndProgress == nullptr || hwndStatus == nullptr || pvwconn == nullptr)
        return;
    RECT rcTab, rcProg;
    GetWindowRect(hwndTab, &rcTab);
    GetClientRect(hwndProgress, &rcProg);
    int hBar = CyClient(pvwconn->Hwnd()), hTab = rcTab.bottom - rcTab.top, hProg = rcProg.bottom;
    SetWindowPos(hwndTab, nullptr, 5, hBar + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    MoveWindow(hwndProgress, 5, cy - 10 - hProg, cx - 10, hProg, TRUE);
    if (g_app.Pappset()->FShowRptWin()) {
        ShowWindow(hwndStatus, SW_SHOW);
        MoveWindow(hwndStatus, 5, hBar + hTab + 15, cx - 10, (cy - 15 - hProg) - (hBar + hTab + 10) - 10, TRUE);
    } else {
        ShowWindow(hwndStatus, SW_HIDE);
    }
}

void VWAPP::Sizing(int edge, RECT *prc)
{
    if (!g_app.Pappset()->FShowRptWin()) {
        prc->bottom = prc->top + cyMinNoStatus;
        return;
    }
    if (prc->bottom - prc->top < cyMin) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
            prc->top = prc->bottom - cyMin;
        else if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT)
            prc->bottom = prc->top + cyMin;
    }
    switch (edge) {
    case WMSZ_RIGHT:
    case WMSZ_TOPRIGHT:
    case WMSZ_BOTTOMRIGHT:
        prc->right = prc->left + cxMin;
        break;
    default:
        prc->left = prc->right - cxMin;
        break;
    }
}

void VWAPP::ShowStatusWnd(BOOL fShow)
{
    APPSET *pappset = g_app.Pappset();
    if (!!fShow == !!pappset->FShowRptWin())
        return;
    RECT rc;
    GetWindowRect(hwnd, &rc);
    int cy;
    if (fShow) {
        pappset->SetShowRptWin(1);
        cy = cyMin + 7 * cyLine;
    } else {
        pappset->SetShowRptWin(0);
        cy = cyMinNoStatus;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, rc.right - rc.left, cy, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(hwnd, nullptr, TRUE);
}
