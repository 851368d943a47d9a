// The power graph window under wine, on the Corvale plug-in's dialog: what
// Show sets up, the history slider's rules as samples arrive, Clear Buffer,
// the channel box that checks its rail's quantities, and the chart painted
// into a bitmap (each rail's current trace in its colour at its row).

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "bsboard.h"
#include "vwpwrg.h"

// The entry module comes along with the views; this module is no plug-in.
const BSBOARD g_bsboard = {};

namespace {

class VWPWRGT : public VWPWRG {
public:
    VWPWRGT() : VWPWRG(g_pwrCorvale) {}
    HWND H() { return hwnd; }
};

PWRSMP SmpOf(double a0, double a1, double a2, double a3)
{
    return PWRSMP{{3.3, 1.8, 1.0, 2.5, a0, a1, a2, a3}};
}

class PwrGraph : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(graph.FInit());
        ASSERT_TRUE(graph.FCreateDlg(GetModuleHandleA(nullptr), nullptr, iddPwrGraph));
        graph.Show(SW_SHOWNORMAL);
        hwnd = graph.H();
        hwndSlider = GetDlgItem(hwnd, idPwrSlider);
    }
    void TearDown() override { graph.Destroy(); }
    LRESULT Pos() { return SendMessageA(hwndSlider, TBM_GETPOS, 0, 0); }
    LRESULT RangeMax() { return SendMessageA(hwndSlider, TBM_GETRANGEMAX, 0, 0); }
    void Add(int c)
    {
        for (int i = 0; i < c; i++)
            graph.AddSample(SmpOf(0.25, 0.12, 0.31, 0.06));
    }
    bool FChecked(int id) { return IsDlgButtonChecked(hwnd, id) == BST_CHECKED; }

    VWPWRGT graph;
    HWND hwnd = nullptr, hwndSlider = nullptr;
};

TEST_F(PwrGraph, ShowSetsChecksListsAndSlider)
{
    for (int irail = 0; irail < crailPwr; irail++) {
        EXPECT_TRUE(FChecked(g_pwrCorvale.rgidChannel[irail])) << irail;
        EXPECT_FALSE(FChecked(g_pwrCorvale.rgidQty[0][irail])) << irail;
        EXPECT_TRUE(FChecked(g_pwrCorvale.rgidQty[1][irail])) << irail;
        EXPECT_FALSE(FChecked(g_pwrCorvale.rgidQty[2][irail])) << irail;
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd, g_pwrCorvale.rgidGroup[irail]))) << irail;
    }
    EXPECT_EQ(SendDlgItemMessageA(hwnd, idPwrCurrentList, CB_GETCOUNT, 0, 0), 8);
    EXPECT_EQ(SendDlgItemMessageA(hwnd, idPwrCurrentList, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageA(hwnd, idPwrPowerList, CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(SendDlgItemMessageA(hwnd, idPwrPowerList, CB_GETCURSEL, 0, 0), 3);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd, idPwrChart)));
    EXPECT_FALSE(IsWindowEnabled(hwndSlider));
    EXPECT_EQ(Pos(), 0);
}

TEST_F(PwrGraph, SliderFollowsOrKeepsItsSamples)
{
    Add(300);
    EXPECT_FALSE(IsWindowEnabled(hwndSlider)) << "up to 300 samples";
    Add(1);
    EXPECT_TRUE(IsWindowEnabled(hwndSlider));
    EXPECT_EQ(RangeMax(), 1);
    Add(2999);
    EXPECT_EQ(graph.Ppwrbuf()->Csmp(), 3000);
    EXPECT_EQ(RangeMax(), 2700);
    struct { int t, tAfter; } rgcase[] = {{100, 101}, {11, 12}, {2699, 2700}, {10, 10}, {0, 0}, {2700, 2700}};
    for (auto &c : rgcase) {
        SendMessageA(hwndSlider, TBM_SETPOS, TRUE, c.t);
        Add(1);
        EXPECT_EQ(Pos(), c.tAfter) << c.t;
    }
    graph.ClearBuffer();
    EXPECT_EQ(Pos(), 0);
    EXPECT_EQ(RangeMax(), 0);
    EXPECT_FALSE(IsWindowEnabled(hwndSlider));
    EXPECT_EQ(graph.Ppwrbuf()->Csmp(), 0);
}

TEST_F(PwrGraph, ChannelBoxChecksItsQuantitiesWhenNoneIs)
{
    int idChannel = g_pwrCorvale.rgidChannel[1];
    for (int qty = 0; qty < cqtyPwr; qty++)
        CheckDlgButton(hwnd, g_pwrCorvale.rgidQty[qty][1], BST_UNCHECKED);
    CheckDlgButton(hwnd, idChannel, BST_CHECKED);
    graph.FDlgCommand(idChannel, BN_CLICKED, GetDlgItem(hwnd, idChannel));
    for (int qty = 0; qty < cqtyPwr; qty++)
        EXPECT_TRUE(FChecked(g_pwrCorvale.rgidQty[qty][1])) << qty;
    // With one quantity checked nothing else changes.
    CheckDlgButton(hwnd, g_pwrCorvale.rgidQty[0][2], BST_UNCHECKED);
    graph.FDlgCommand(g_pwrCorvale.rgidChannel[2], BN_CLICKED, nullptr);
    EXPECT_FALSE(FChecked(g_pwrCorvale.rgidQty[0][2]));
    EXPECT_TRUE(FChecked(g_pwrCorvale.rgidQty[1][2]));
}

TEST_F(PwrGraph, PaintsEachRailAtItsRow)
{
    Add(20);
    RECT rcClient;
    GetClientRect(hwnd, &rcClient);
    HDC hdcWnd = GetDC(hwnd);
    HDC hdc = CreateCompatibleDC(hdcWnd);
    HBITMAP hbmp = CreateCompatibleBitmap(hdcWnd, rcClient.right, rcClient.bottom);
    HGDIOBJ hbmpOld = SelectObject(hdc, hbmp);
    PAINTSTRUCT ps = {};
    ps.hdc = hdc;
    ps.rcPaint = rcClient;
    graph.Paint(hdc, &ps);
    RECT R;
    GetWindowRect(GetDlgItem(hwnd, idPwrChart), &R);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT *>(&R), 2);
    int x0 = R.left + 20, y0 = R.top + 20, W = R.right - R.left - 70, H = R.bottom - R.top - 40;
    int yB = y0 + H, x = x0 + W - 2 - (W * 5) / 300;
    const double rgA[crailPwr] = {0.25, 0.12, 0.31, 0.06};
    const COLORREF rgcr[crailPwr] = {RGB(255, 140, 0), RGB(0, 0, 255), RGB(255, 20, 147), RGB(0, 128, 0)};
    for (int irail = 0; irail < crailPwr; irail++) {
        int y = static_cast<int>(yB - rgA[irail] * H / 0.5);
        EXPECT_EQ(GetPixel(hdc, x, y), rgcr[irail]) << irail;
    }
    EXPECT_EQ(GetPixel(hdc, x0 + 3, y0 + 3), RGB(0, 0, 0)) << "black chart";
    SelectObject(hdc, hbmpOld);
    DeleteObject(hbmp);
    DeleteDC(hdc);
    ReleaseDC(hwnd, hdcWnd);
}

} // namespace
