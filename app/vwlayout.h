// Layout rules of the main window, in pixels, apart from any window: the
// window's size from its contents, the places of the children when it is
// resized, the limits of the user's resizing and the height when the status
// window is hidden or shown again. VWAPP measures its children and applies
// the results (vwapplayout.cpp).
//
// Margins: 5 pixels around everything. The status window is at least 2 lines
// high; shown again it makes the window 7 lines taller than its smallest
// height with the status window.
#ifndef ORRIN_VWLAYOUT_H
#define ORRIN_VWLAYOUT_H

#include "ortypes.h"

// A window rectangle (screen coordinates) as the user drags it.
struct LRECT {
    int32_t left, top, right, bottom;
};

// A child's place in the client area.
struct LPLACE {
    int32_t x, y, cx, cy;
};

// The edge being dragged (the values of the sizing message's edge code).
enum {
    edgeLeft = 1,
    edgeRight = 2,
    edgeTop = 3,
    edgeTopLeft = 4,
    edgeTopRight = 5,
    edgeBottom = 6,
    edgeBottomLeft = 7,
    edgeBottomRight = 8,
};

// What the window's size is made of: the client sizes of the connect bar,
// the tab control, the status window (0 while it is hidden) and the progress
// bar, the main window's frame (window size minus client size) and the line
// height of the status window's font.
struct FITIN {
    int32_t wBar, hBar;
    int32_t wTab, hTab;
    int32_t hStatus;
    int32_t hProg;
    int32_t dx, dy;
    int32_t cyLine;
};

// The limits that the user's resizing keeps.
struct APPLAYOUT {
    int32_t cxMin;           // width, kept while the status window is shown
    int32_t cyMin;           // smallest height while the status window is shown
    int32_t cyMinNoStatus;   // the height while the status window is hidden
};

// The window's size from its contents, its resizing limits and the connect
// bar's place (the top right corner of the client area, at y 0).
struct FITOUT {
    APPLAYOUT layout;
    int32_t cx, cy;
    int32_t xBar;
};

void FitLayout(const FITIN &fitin, FITOUT *pfitout);

// Keep a rectangle that the user drags by edge within the limits.
void ClampSizing(const APPLAYOUT &layout, BOOL fShowStatus, int edge, LRECT *prc);

// The window height after hiding or showing the status window.
int32_t CyShowStatus(const APPLAYOUT &layout, BOOL fShow, int32_t cyLine);

// Places of the children in a client area of cx by cy: the tab control keeps
// its size and only moves (its cx and cy are those given); the progress bar
// keeps its own height hProg; the status window fills the rest between them.
struct CHILDPLACES {
    LPLACE placeTab;
    LPLACE placeProg;
    LPLACE placeStatus;
};

void LayoutChildren(int32_t cx, int32_t cy, int32_t hBar, int32_t wTab, int32_t hTab, int32_t hProg,
                    CHILDPLACES *pplaces);

#endif
