// VWAPP layout: measures the children and applies the layout rules of
// vwlayout.h: the window's size from its contents, the children's places
// when it is resized, the limits of the user's resizing, and hiding or
// showing the status window.

#include "vwapp.h"

#include "app.h"
#include "appset.h"
#include "vwconn.h"
#include "vwlayout.h"

static_assert(edgeLeft == WMSZ_LEFT && edgeRight == WMSZ_RIGHT && edgeTop == WMSZ_TOP && edgeTopLeft == WMSZ_TOPLEFT &&
                  edgeTopRight == WMSZ_TOPRIGHT && edgeBottom == WMSZ_BOTTOM && edgeBottomLeft == WMSZ_BOTTOMLEFT &&
                  edgeBottomRight == WMSZ_BOTTOMRIGHT,
              "edge codes of the sizing message");

namespace {

int CxWindow(HWND hwnd)
{
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    return rc.right - rc.left;
}

int CyWindow(HWND hwnd)
{
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    return rc.bottom - rc.top;
}

void MovePlace(HWND hwnd, const LPLACE &place)
{
    MoveWindow(hwnd, place.x, place.y, place.cx, place.cy, TRUE);
}

} // namespace

int VWAPP::CyClient(HWND hwndChild) const
{
    RECT rc = {};
    GetClientRect(hwndChild, &rc);
    return rc.bottom;
}

void VWAPP::FFitWindow()
{
    RECT rcBar = {}, rcTab = {}, rcProg = {}, rcClient = {};
    GetClientRect(pvwconn->Hwnd(), &rcBar);
    GetClientRect(hwndTab, &rcTab);
    GetClientRect(hwndProgress, &rcProg);
    GetClientRect(hwnd, &rcClient);
    FITIN fitin = {};
    fitin.wBar = rcBar.right;
    fitin.hBar = rcBar.bottom;
    fitin.wTab = rcTab.right;
    fitin.hTab = rcTab.bottom;
    fitin.hStatus = g_app.Pappset()->FShowRptWin() ? CyClient(hwndStatus) : 0;
    fitin.hProg = rcProg.bottom;
    fitin.dx = CxWindow(hwnd) - rcClient.right;
    fitin.dy = CyWindow(hwnd) - rcClient.bottom;
    fitin.cyLine = cyLine;
    FITOUT fitout;
    FitLayout(fitin, &fitout);
    cxMin = fitout.layout.cxMin;
    cyMin = fitout.layout.cyMin;
    cyMinNoStatus = fitout.layout.cyMinNoStatus;
    SetWindowPos(hwnd, nullptr, 0, 0, fitout.cx, fitout.cy, SWP_NOMOVE | SWP_NOZORDER);
    MoveWindow(pvwconn->Hwnd(), fitout.xBar, 0, fitin.wBar, fitin.hBar, TRUE);
}

// The progress bar keeps its own (window) height: its client area is smaller
// by its edge, and moving it to that would shrink it at every resize.
void VWAPP::Sized(int cx, int cy)
{
    if (hwndTab == nullptr || hwndProgress == nullptr || hwndStatus == nullptr || pvwconn == nullptr)
        return;
    CHILDPLACES places;
    LayoutChildren(cx, cy, CyClient(pvwconn->Hwnd()), CxWindow(hwndTab), CyWindow(hwndTab), CyWindow(hwndProgress),
                   &places);
    SetWindowPos(hwndTab, nullptr, places.placeTab.x, places.placeTab.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    MovePlace(hwndProgress, places.placeProg);
    if (g_app.Pappset()->FShowRptWin()) {
        ShowWindow(hwndStatus, SW_SHOW);
        MovePlace(hwndStatus, places.placeStatus);
    } else {
        ShowWindow(hwndStatus, SW_HIDE);
    }
}

void VWAPP::Sizing(int edge, RECT *prc)
{
    APPLAYOUT layout = {cxMin, cyMin, cyMinNoStatus};
    LRECT rc = {prc->left, prc->top, prc->right, prc->bottom};
    ClampSizing(layout, g_app.Pappset()->FShowRptWin(), edge, &rc);
    SetRect(prc, rc.left, rc.top, rc.right, rc.bottom);
}

void VWAPP::ShowStatusWnd(BOOL fShow)
{
    APPSET *pappset = g_app.Pappset();
    if (!!fShow == !!pappset->FShowRptWin())
        return;
    pappset->SetShowRptWin(fShow ? 1 : 0);
    APPLAYOUT layout = {cxMin, cyMin, cyMinNoStatus};
    SetWindowPos(hwnd, nullptr, 0, 0, CxWindow(hwnd), CyShowStatus(layout, fShow, cyLine), SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(hwnd, nullptr, TRUE);
}
