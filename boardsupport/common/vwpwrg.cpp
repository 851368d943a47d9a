// VWPWRG: the power graph window (vwpwrg.h).

#include "vwpwrg.h"

#include <commctrl.h>

#include "bsboard.h"

namespace {

const COLORREF rgcrRail[crailPwr] = {RGB(255, 140, 0), RGB(0, 0, 255), RGB(255, 20, 147), RGB(0, 128, 0)};

} // namespace

VWPWRG::VWPWRG(const PWRPROFILE &prof) : prof(prof) {}

VWPWRG::~VWPWRG()
{
    Destroy();
}

BOOL VWPWRG::FInit()
{
    if (!DLGVBS::FInit())
        return FALSE;
    ppwrbuf = new PWRBUF;
    ppwrbuf->FInit();   // without its array the buffer records nothing
    for (int q = 0; q < cqtyPwr * crailPwr; q++) {
        COLORREF cr = rgcrRail[q % crailPwr];
        int qty = prof.fVoltage ? q / crailPwr : 0;
        if (!prof.fVoltage && q >= crailPwr)
            break;
        rghpenTrace[q] = qty == 0 ? CreatePen(PS_SOLID, 2, cr) : qty == 1 ? CreatePen(PS_SOLID, 1, cr)
                                                                          : CreatePen(PS_DOT, 1, cr);
    }
    hbrBack = CreateSolidBrush(RGB(0, 0, 0));
    hpenGrid = CreatePen(PS_DOT, 1, RGB(64, 64, 64));
    hpenFrame = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    rgpt = new POINT[csmpPwrView];
    return TRUE;
}

void VWPWRG::Destroy()
{
    delete[] rgpt;
    rgpt = nullptr;
    delete ppwrbuf;
    ppwrbuf = nullptr;
    for (HPEN &hpen : rghpenTrace) {
        if (hpen != nullptr)
            DeleteObject(hpen);
        hpen = nullptr;
    }
    for (HGDIOBJ *phobj : {reinterpret_cast<HGDIOBJ *>(&hpenGrid), reinterpret_cast<HGDIOBJ *>(&hpenFrame),
                           reinterpret_cast<HGDIOBJ *>(&hbrBack)}) {
        if (*phobj != nullptr)
            DeleteObject(*phobj);
        *phobj = nullptr;
    }
    hwndGraph = nullptr;
    DLGVBS::Destroy();
}

int VWPWRG::AddSample(const PWRSMP &smp)
{
    if (ppwrbuf == nullptr)
        return 0;
    int csmp = ppwrbuf->AddSample(smp);
    HWND hwndG = hwndGraph;
    if (hwndG == nullptr)
        return csmp;
    HWND hwndSlider = GetDlgItem(hwndG, idPwrSlider);
    if (csmp > csmpPwrView) {
        int t = static_cast<int>(SendMessageA(hwndSlider, TBM_GETPOS, 0, 0));
        bool fInside = t >= 11 && t <= 2699;
        SendMessageA(hwndSlider, TBM_SETRANGEMAX, !fInside, csmp - csmpPwrView);
        if (fInside)
            SendMessageA(hwndSlider, TBM_SETPOS, TRUE, t + 1);
        EnableWindow(hwndSlider, TRUE);
    } else {
        EnableWindow(hwndSlider, FALSE);
    }
    InvalidateRect(hwndG, nullptr, FALSE);
    return csmp;
}

void VWPWRG::ClearBuffer()
{
    if (ppwrbuf == nullptr)
        return;
    ppwrbuf->Clear();
    if (hwnd == nullptr)
        return;
    HWND hwndSlider = GetDlgItem(hwnd, idPwrSlider);
    SendMessageA(hwndSlider, TBM_SETPOS, FALSE, 0);
    SendMessageA(hwndSlider, TBM_SETRANGEMAX, TRUE, 0);
    EnableWindow(hwndSlider, FALSE);
    InvalidateRect(hwnd, nullptr, FALSE);
}

BOOL VWPWRG::Show(int sw)
{
    BOOL fShown = DLGVBS::Show(sw);
    hwndGraph = hwnd;
    for (int irail = 0; irail < crailPwr; irail++) {
        CheckDlgButton(hwnd, prof.rgidChannel[irail], BST_CHECKED);
        if (prof.rgidQty[1][irail] != 0)
            CheckDlgButton(hwnd, prof.rgidQty[1][irail], BST_CHECKED);
    }
    SendDlgItemMessageA(hwnd, idPwrCurrentList, CB_RESETCONTENT, 0, 0);
    for (const char *sz : rgszPwrCurrentUnit)
        SendDlgItemMessageA(hwnd, idPwrCurrentList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sz));
    SendDlgItemMessageA(hwnd, idPwrCurrentList, CB_SETCURSEL, prof.isetCurrentDefault, 0);
    if (prof.fVoltage) {
        SendDlgItemMessageA(hwnd, idPwrPowerList, CB_RESETCONTENT, 0, 0);
        for (const char *sz : rgszPwrPowerUnit)
            SendDlgItemMessageA(hwnd, idPwrPowerList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sz));
        SendDlgItemMessageA(hwnd, idPwrPowerList, CB_SETCURSEL, 3, 0);
    }
    HWND hwndSlider = GetDlgItem(hwnd, idPwrSlider);
    SendMessageA(hwndSlider, TBM_SETPOS, FALSE, 0);
    int csmp = ppwrbuf != nullptr ? ppwrbuf->Csmp() : 0;
    if (csmp > csmpPwrView)
        SendMessageA(hwndSlider, TBM_SETRANGEMAX, FALSE, csmp - csmpPwrView);
    EnableWindow(hwndSlider, FALSE);
    ShowWindow(GetDlgItem(hwnd, idPwrChart), SW_HIDE);
    if (prof.fVoltage)
        for (int id : prof.rgidGroup)
            ShowWindow(GetDlgItem(hwnd, id), SW_HIDE);
    return fShown;
}

BOOL VWPWRG::FDlgCommand(int id, int, HWND)
{
    for (int irail = 0; prof.fVoltage && irail < crailPwr; irail++) {
        if (id != prof.rgidChannel[irail] || !IsDlgButtonChecked(hwnd, id))
            continue;
        bool fAny = false;
        for (int qty = 0; qty < cqtyPwr; qty++)
            fAny = fAny || IsDlgButtonChecked(hwnd, prof.rgidQty[qty][irail]);
        if (!fAny)
            for (int qty = 0; qty < cqtyPwr; qty++)
                CheckDlgButton(hwnd, prof.rgidQty[qty][irail], BST_CHECKED);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    return TRUE;
}

BOOL VWPWRG::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hdc, &ps);
        EndPaint(hwnd, &ps);
    } else if (wm == WM_HSCROLL) {
        InvalidateRect(hwnd, nullptr, FALSE);
    } else if (wm == WM_NCDESTROY) {
        // Closed from its system menu: the meter thread and a later Destroy
        // must not use the old handle.
        hwndGraph = nullptr;
        hwnd = nullptr;
        return FALSE;
    }
    return DLGVBS::FDlgProc(wm, wParam, lParam);
}

RECT VWPWRG::RcClient(int id) const
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(hwnd, id), &rc);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT *>(&rc), 2);
    return rc;
}

double VWPWRG::DblUnit(int idList, const double *rgdbl, int cdbl) const
{
    LRESULT i = SendDlgItemMessageA(hwnd, idList, CB_GETCURSEL, 0, 0);
    return i >= 0 && i < cdbl ? rgdbl[i] : 1.0;
}

HPEN VWPWRG::HpenOf(int pen) const
{
    return pen == penPwrGrid ? hpenGrid : pen == penPwrFrame ? hpenFrame : rghpenTrace[pen];
}

void VWPWRG::PlayChart(HDC hdcMem, const std::vector<PWRDRAW> &rgdraw)
{
    for (const PWRDRAW &d : rgdraw) {
        switch (d.dlk) {
        case pwrdlkFill: {
            RECT rc = {d.rgpt[0].x, d.rgpt[0].y, d.rgpt[1].x, d.rgpt[1].y};
            FillRect(hdcMem, &rc, hbrBack);
            break;
        }
        case pwrdlkLine:
            SelectObject(hdcMem, HpenOf(d.pen));
            MoveToEx(hdcMem, d.rgpt[0].x, d.rgpt[0].y, nullptr);
            LineTo(hdcMem, d.rgpt[1].x, d.rgpt[1].y);
            break;
        case pwrdlkPolyline: {
            int cpt = 0;
            for (const PWRPT &pt : d.rgpt)
                if (cpt < csmpPwrView)
                    rgpt[cpt++] = {pt.x, pt.y};
            SelectObject(hdcMem, HpenOf(d.pen));
            Polyline(hdcMem, rgpt, cpt);
            break;
        }
        case pwrdlkText:
            TextOutA(hdcMem, d.rgpt[0].x, d.rgpt[0].y, d.sz.c_str(), static_cast<int>(d.sz.size()));
            break;
        }
    }
}

void VWPWRG::Paint(HDC hdc, PAINTSTRUCT *pps)
{
    if (ppwrbuf == nullptr || hwnd == nullptr)
        return;
    HDC hdcMem = CreateCompatibleDC(hdc);
    HBITMAP hbmp = CreateCompatibleBitmap(hdc, pps->rcPaint.right > 0 ? pps->rcPaint.right : 1,
                                          pps->rcPaint.bottom > 0 ? pps->rcPaint.bottom : 1);
    HGDIOBJ hbmpOld = SelectObject(hdcMem, hbmp);
    HGDIOBJ hpenOld = SelectObject(hdcMem, hpenFrame);
    RECT R = RcClient(idPwrChart);
    SetBkColor(hdcMem, RGB(0, 0, 0));
    SetTextColor(hdcMem, RGB(255, 255, 255));
    SetBkMode(hdcMem, OPAQUE);

    PWRCHARTIN in{{R.left, R.top, R.right, R.bottom},
                  DblUnit(idPwrCurrentList, rgdblPwrCurrentUnit, 8),
                  prof.fVoltage ? DblUnit(idPwrPowerList, rgdblPwrPowerUnit, 9) : 1.0,
                  static_cast<int>(SendDlgItemMessageA(hwnd, idPwrSlider, TBM_GETPOS, 0, 0)),
                  {},
                  {}};
    for (int irail = 0; irail < crailPwr; irail++) {
        in.rgfChannel[irail] = IsDlgButtonChecked(hwnd, prof.rgidChannel[irail]) == BST_CHECKED;
        for (int qty = 0; qty < cqtyPwr; qty++)
            in.rgfQty[qty][irail] = prof.rgidQty[qty][irail] != 0 &&
                                    IsDlgButtonChecked(hwnd, prof.rgidQty[qty][irail]) == BST_CHECKED;
    }
    PlayChart(hdcMem, RgdrawChart(prof, *ppwrbuf, in));
    BitBlt(hdc, R.left, R.top, R.right - R.left, R.bottom - R.top, hdcMem, R.left, R.top, SRCCOPY);
    SelectObject(hdcMem, hpenOld);
    SelectObject(hdcMem, hbmpOld);
    DeleteObject(hbmp);
    DeleteDC(hdcMem);

    // The rails' frames around their groups, and on Corvale the legend. The
    // frames are outlines only: the check boxes inside them are not drawn
    // again after this paint.
    SetBkColor(hdc, GetSysColor(COLOR_BTNFACE));
    HGDIOBJ hbrOld = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
    hpenOld = SelectObject(hdc, hpenFrame);
    for (int irail = 0; irail < crailPwr; irail++) {
        RECT rc = RcClient(prof.rgidGroup[irail]);
        if (prof.dyGroupTop != 0)
            rc.top += prof.dyGroupTop;
        else
            OffsetRect(&rc, 0, 1);
        SelectObject(hdc, rghpenTrace[irail]);
        Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
        InflateRect(&rc, -1, -1);
        Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
    }
    for (int q = 0; prof.fVoltage && q < cqtyPwr * crailPwr; q++) {
        RECT rc = RcClient(prof.rgidQty[q / crailPwr][q % crailPwr]);
        SelectObject(hdc, rghpenTrace[q]);
        for (int dy = 1; dy <= 2; dy++) {
            MoveToEx(hdc, rc.left, rc.bottom + dy, nullptr);
            LineTo(hdc, rc.left + 70, rc.bottom + dy);
        }
    }
    SelectObject(hdc, hpenOld);
    SelectObject(hdc, hbrOld);
}
