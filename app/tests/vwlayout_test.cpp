// Layout rules of the main window: its size from its contents, the limits
// the user's resizing keeps (per dragged edge, with the status window shown
// or hidden), the height after hiding or showing the status window, and the
// children's places after a resize.

#include <gtest/gtest.h>

#include "vwlayout.h"

namespace {

// A connect bar 300 x 60, a tab control 400 x 250, a status window of 8
// lines of 13 pixels (client 100), a progress bar 16 high, a frame of 16 x 39.
FITIN FitinTypical(int32_t hStatus)
{
    FITIN fitin = {};
    fitin.wBar = 300;
    fitin.hBar = 60;
    fitin.wTab = 400;
    fitin.hTab = 250;
    fitin.hStatus = hStatus;
    fitin.hProg = 16;
    fitin.dx = 16;
    fitin.dy = 39;
    fitin.cyLine = 13;
    return fitin;
}

TEST(MainWindowLayout, SizeAndLimitsFromTheContents)
{
    FITOUT fitout;
    FitLayout(FitinTypical(100), &fitout);
    // Width: tab control, margins of 5 on both sides, frame.
    EXPECT_EQ(400 + 10 + 16, fitout.cx);
    EXPECT_EQ(fitout.cx, fitout.layout.cxMin);
    // Height: tab control and its margins, frame, connect bar, then the status
    // window, the progress bar and 25 pixels of gaps.
    const int h0 = 250 + 10 + 39 + 60;
    EXPECT_EQ(h0 + 100 + 16 + 25, fitout.cy);
    EXPECT_EQ(h0 + 10 + 2 * 13 + 16 + 15, fitout.layout.cyMin);   // a status window of 2 lines
    EXPECT_EQ(h0 + 16 + 15, fitout.layout.cyMinNoStatus);
    // The connect bar's left edge puts it in the top right corner of the client area.
    EXPECT_EQ(fitout.cx - 16 - 300, fitout.xBar);

    FITOUT fitoutHidden;
    FitLayout(FitinTypical(0), &fitoutHidden);
    EXPECT_EQ(fitoutHidden.layout.cyMinNoStatus + 10, fitoutHidden.cy);
    EXPECT_EQ(fitout.layout.cyMin, fitoutHidden.layout.cyMin);
}

struct SIZINGCASE {
    int edge;
    BOOL fShowStatus;
    LRECT rcIn;
    LRECT rcOut;
};

// cxMin 426, cyMin 411, cyMinNoStatus 390.
const APPLAYOUT layoutTypical = {426, 411, 390};

const SIZINGCASE rgsizingcase[] = {
    // Status window shown, tall enough: only the width is held, anchored at
    // the edge that is not dragged.
    {edgeRight, TRUE, {100, 100, 900, 700}, {100, 100, 526, 700}},
    {edgeTopRight, TRUE, {100, 100, 900, 700}, {100, 100, 526, 700}},
    {edgeBottomRight, TRUE, {100, 100, 900, 700}, {100, 100, 526, 700}},
    {edgeLeft, TRUE, {100, 100, 900, 700}, {474, 100, 900, 700}},
    {edgeTopLeft, TRUE, {100, 100, 900, 700}, {474, 100, 900, 700}},
    {edgeBottomLeft, TRUE, {100, 100, 900, 700}, {474, 100, 900, 700}},
    {edgeTop, TRUE, {100, 100, 900, 700}, {474, 100, 900, 700}},
    {edgeBottom, TRUE, {100, 100, 900, 700}, {474, 100, 900, 700}},
    // Too low: the dragged edge stops at the smallest height.
    {edgeTop, TRUE, {100, 500, 526, 600}, {100, 189, 526, 600}},
    {edgeTopLeft, TRUE, {50, 500, 526, 600}, {100, 189, 526, 600}},
    {edgeTopRight, TRUE, {100, 500, 700, 600}, {100, 189, 526, 600}},
    {edgeBottom, TRUE, {100, 100, 526, 200}, {100, 100, 526, 511}},
    {edgeBottomLeft, TRUE, {50, 100, 526, 200}, {100, 100, 526, 511}},
    {edgeBottomRight, TRUE, {100, 100, 700, 200}, {100, 100, 526, 511}},
    // Dragging a side edge never changes the height, even below the smallest.
    {edgeLeft, TRUE, {50, 100, 526, 200}, {100, 100, 526, 200}},
    {edgeRight, TRUE, {100, 100, 700, 200}, {100, 100, 526, 200}},
    // Status window hidden: the height is fixed from the top, the width free.
    {edgeBottomRight, FALSE, {50, 60, 950, 900}, {50, 60, 950, 450}},
    {edgeTop, FALSE, {50, 300, 950, 400}, {50, 300, 950, 690}},
    {edgeLeft, FALSE, {10, 60, 950, 450}, {10, 60, 950, 450}},
    {edgeBottom, FALSE, {50, 60, 300, 100}, {50, 60, 300, 450}},
};

TEST(MainWindowLayout, ResizingKeepsTheLimitsPerDraggedEdge)
{
    for (const SIZINGCASE &c : rgsizingcase) {
        LRECT rc = c.rcIn;
        ClampSizing(layoutTypical, c.fShowStatus, c.edge, &rc);
        SCOPED_TRACE(testing::Message() << "edge " << c.edge << (c.fShowStatus ? " shown" : " hidden"));
        EXPECT_EQ(c.rcOut.left, rc.left);
        EXPECT_EQ(c.rcOut.top, rc.top);
        EXPECT_EQ(c.rcOut.right, rc.right);
        EXPECT_EQ(c.rcOut.bottom, rc.bottom);
    }
}

TEST(MainWindowLayout, HidingAndShowingTheStatusWindow)
{
    EXPECT_EQ(390, CyShowStatus(layoutTypical, FALSE, 13));
    EXPECT_EQ(411 + 7 * 13, CyShowStatus(layoutTypical, TRUE, 13));
}

TEST(MainWindowLayout, ChildrenAfterAResize)
{
    CHILDPLACES places;
    // Client 600 x 500, connect bar 60 high, tab control 410 x 280, progress bar 16.
    LayoutChildren(600, 500, 60, 410, 280, 16, &places);
    EXPECT_EQ(5, places.placeTab.x);
    EXPECT_EQ(65, places.placeTab.y);
    EXPECT_EQ(410, places.placeTab.cx);
    EXPECT_EQ(280, places.placeTab.cy);

    // The progress bar: its own height, 10 above the bottom, 5 from the sides.
    EXPECT_EQ(5, places.placeProg.x);
    EXPECT_EQ(500 - 10 - 16, places.placeProg.y);
    EXPECT_EQ(590, places.placeProg.cx);
    EXPECT_EQ(16, places.placeProg.cy);

    // The status window: 10 below the tab control, 10 above the progress bar.
    EXPECT_EQ(5, places.placeStatus.x);
    EXPECT_EQ(65 + 280 + 10, places.placeStatus.y);
    EXPECT_EQ(590, places.placeStatus.cx);
    EXPECT_EQ(places.placeProg.y - 10, places.placeStatus.y + places.placeStatus.cy);
}

TEST(MainWindowLayout, SmallestHeightLeavesTwoStatusLines)
{
    // The window at its smallest height with the status window shown: the
    // status window gets exactly 2 lines between tab control and progress bar.
    FITIN fitin = FitinTypical(100);
    FITOUT fitout;
    FitLayout(fitin, &fitout);
    int32_t cyClient = fitout.layout.cyMin - fitin.dy;
    CHILDPLACES places;
    LayoutChildren(fitout.cx - fitin.dx, cyClient, fitin.hBar, fitin.wTab, fitin.hTab, fitin.hProg, &places);
    EXPECT_EQ(2 * fitin.cyLine, places.placeStatus.cy);

    // Shown again: 7 lines more.
    cyClient = CyShowStatus(fitout.layout, TRUE, fitin.cyLine) - fitin.dy;
    LayoutChildren(fitout.cx - fitin.dx, cyClient, fitin.hBar, fitin.wTab, fitin.hTab, fitin.hProg, &places);
    EXPECT_EQ(9 * fitin.cyLine, places.placeStatus.cy);

    // With the status window hidden, the progress bar sits 10 below the tab control.
    cyClient = fitout.layout.cyMinNoStatus - fitin.dy;
    LayoutChildren(fitout.cx - fitin.dx, cyClient, fitin.hBar, fitin.wTab, fitin.hTab, fitin.hProg, &places);
    EXPECT_EQ(places.placeTab.y + fitin.hTab + 10, places.placeProg.y);
}

} // namespace
