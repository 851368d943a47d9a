// Layout rules of the main window (see vwlayout.h).

#include "vwlayout.h"

// Outer margin 5 everywhere; the status window sits 10 below the tab
// control and 10 above the progress bar, which keeps 10 to the bottom edge.
void FitLayout(const FITIN &in, FITOUT *pout)
{
    int32_t cx = in.wTab + 10 + in.dx;
    int32_t h0 = in.hTab + 10 + in.dy + in.hBar;
    pout->layout.cxMin = cx;
    pout->layout.cyMin = h0 + 10 + 2 * in.cyLine + in.hProg + 15;   // status window of 2 lines
    pout->layout.cyMinNoStatus = h0 + in.hProg + 15;
    pout->cx = cx;
    pout->cy = h0 + in.hStatus + in.hProg + 25;
    pout->xBar = cx - in.dx - in.wBar;
}

void ClampSizing(const APPLAYOUT &layout, BOOL fShowStatus, int edge, LRECT *prc)
{
    if (!fShowStatus) {
        prc->bottom = prc->top + layout.cyMinNoStatus;
        return;
    }
    if (prc->bottom - prc->top < layout.cyMin) {
        if (edge == edgeTop || edge == edgeTopLeft || edge == edgeTopRight)
            prc->top = prc->bottom - layout.cyMin;
        else if (edge == edgeBottom || edge == edgeBottomLeft || edge == edgeBottomRight)
            prc->bottom = prc->top + layout.cyMin;
    }
    switch (edge) {
    case edgeRight:
    case edgeTopRight:
    case edgeBottomRight:
        prc->right = prc->left + layout.cxMin;
        break;
    default:
        prc->left = prc->right - layout.cxMin;
        break;
    }
}

int32_t CyShowStatus(const APPLAYOUT &layout, BOOL fShow, int32_t cyLine)
{
    return fShow ? layout.cyMin + 7 * cyLine : layout.cyMinNoStatus;
}

void LayoutChildren(int32_t cx, int32_t cy, int32_t hBar, int32_t wTab, int32_t hTab, int32_t hProg,
                    CHILDPLACES *pplaces)
{
    pplaces->placeTab = {5, hBar + 5, wTab, hTab};
    pplaces->placeProg = {5, cy - 10 - hProg, cx - 10, hProg};
    pplaces->placeStatus = {5, hBar + hTab + 15, cx - 10, (cy - 15 - hProg) - (hBar + hTab + 10) - 10};
}
