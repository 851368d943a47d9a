// VWSCDVC: a scan-chain device row.

#include "vwscdvc.h"

#include <stdlib.h>
#include <string.h>

#include "app.h"
#include "flhist.h"
#include "resource.h"
#include "szload.h"

VWSCDVC::VWSCDVC()
    : jtdvc(), ikind(ikindCpld), fsCheck(0), hmenuBar(nullptr), hmenu(nullptr), fHover(0), rgihist(), fHasFile(0)
{
}

VWSCDVC::~VWSCDVC()
{
    if (hmenuBar != nullptr)
        DestroyMenu(hmenuBar);
    free(jtdvc.szFilter);
}

void VWSCDVC::Activate(BOOL, BOOL, HWND) {}
void VWSCDVC::Deactivate(BOOL, HWND) {}

BOOL VWSCDVC::FInit()
{
    fHover = 0;
    if (!DLGVIEW::FInit())
        return FALSE;
    jtdvc.cbFilter = cbRowFilter;
    jtdvc.szFilter = static_cast<char *>(calloc(cbRowFilter, 1));
    return jtdvc.szFilter != nullptr;
}

void VWSCDVC::Destroy()
{
    free(jtdvc.szFilter);
    jtdvc.szFilter = nullptr;
    DLGVIEW::Destroy();
}

BOOL VWSCDVC::FInitDialog(HWND)
{
    hmenuBar = LoadMenuA(g_app.Hinst(), MAKEINTRESOURCEA(IDM_DEVICE));
    hmenu = hmenuBar ? GetSubMenu(hmenuBar, 1) : nullptr;
    EnableMenuItem(hmenu, IDC_MENU_PROGRAM, MF_BYCOMMAND | MF_GRAYED);
    EnableWindow(GetDlgItem(hwnd, IDC_ROW_PROGRAM), FALSE);
    fHasFile = 0;
    ikind = IkindFromBitmap(jtdvc.idbmpNormal);
    fsCheck = FsCheckFromKind(ikind);
    EnableMenuItem(hmenu, IDC_MENU_ERASE,
                   MF_BYCOMMAND | (FEraseOffered(ikind, jtdvc.szName) ? MF_ENABLED : MF_GRAYED));
    return TRUE;
}

BOOL VWSCDVC::FSend(int id)
{
    return SendMessageA(GetParent(hwnd), WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(hwnd)) != 0;
}

BOOL VWSCDVC::FDlgCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_ROW_BROWSE:
        return FBrowse();
    case IDC_ROW_PROGRAM:
    case IDC_MENU_PROGRAM:
        FProgram();
        return TRUE;
    case IDC_ROW_COMBO:
        return FConfigComboNotify(code);
    case IDC_MENU_ERASE:
        return FSend(IDC_SC_ERASE);
    case IDC_MENU_GETID:
        return FSend(IDC_SC_GETID);
    case IDC_MENU_LOOPID:
        return FSend(IDC_SC_LOOPID);
    default:
        return TRUE;
    }
}

BOOL VWSCDVC::FBrowse()
{
    FSend(IDC_SC_BROWSE);
    UpdateProgramState();
    return TRUE;
}

// Associate the selected file again (with its questions), then program.
BOOL VWSCDVC::FProgram()
{
    FConfigComboNotify(CBN_SELCHANGE);
    return FSend(IDC_SC_PROGRAM);
}

BOOL VWSCDVC::FConfigComboNotify(int code)
{
    if (code == CBN_DROPDOWN) {
        FSend(IDC_SC_REFILL);
        return TRUE;
    }
    if (code == CBN_SELCHANGE) {
        FSend(IDC_SC_ASSOCIATE);
        UpdateProgramState();
    }
    return FALSE;
}

int VWSCDVC::IcomboSel() const
{
    return static_cast<int>(SendDlgItemMessageA(hwnd, IDC_ROW_COMBO, CB_GETCURSEL, 0, 0));
}

void VWSCDVC::UpdateProgramState()
{
    fHasFile = IcomboSel() >= 0;
    EnableMenuItem(hmenu, IDC_MENU_PROGRAM, MF_BYCOMMAND | (fHasFile ? MF_ENABLED : MF_GRAYED));
    EnableWindow(GetDlgItem(hwnd, IDC_ROW_PROGRAM), fHasFile);
}

BOOL VWSCDVC::FillConfigCombo(const FLHIST *phist, const char *szSelect)
{
    HWND hwndCombo = GetDlgItem(hwnd, IDC_ROW_COMBO);
    SendMessageA(hwndCombo, CB_RESETCONTENT, 0, 0);
    SendMessageA(hwndCombo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const char *szDescription = jtdvc.szFilter ? jtdvc.szFilter : "";
    int icombo = 0;
    for (int ihist = 0; ihist < phist->Csz() && icombo < chistRowMax; ihist++) {
        const char *szPath = phist->SzGet(ihist);
        if (!FLHIST::FMatchesFilter(szPath, szDescription))
            continue;
        SendMessageA(hwndCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SzFileNameOf(szPath)));
        rgihist[icombo] = ihist;
        if (szSelect != nullptr && strcmp(szPath, szSelect) == 0)
            SendMessageA(hwndCombo, CB_SETCURSEL, static_cast<WPARAM>(icombo), 0);
        icombo++;
    }
    return TRUE;
}

void VWSCDVC::EnableControls(BOOL fEnable)
{
    EnableWindow(GetDlgItem(hwnd, IDC_ROW_COMBO), fEnable);
    EnableWindow(GetDlgItem(hwnd, IDC_ROW_BROWSE), fEnable);
    EnableWindow(GetDlgItem(hwnd, IDC_ROW_PROGRAM), fEnable && fHasFile);
}

RECT VWSCDVC::RcBadge() const
{
    RECT rc = {};
    HWND hwndBadge = GetDlgItem(hwnd, IDC_ROW_BADGE);
    GetWindowRect(hwndBadge, &rc);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT *>(&rc), 2);
    rc.top += 7;
    rc.right -= 3;
    rc.bottom -= 3;
    return rc;
}

void VWSCDVC::Paint(HDC hdc, PAINTSTRUCT *)
{
    RECT rcClient;
    GetClientRect(hwnd, &rcClient);
    HBRUSH hbrWindow = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    FillRect(hdc, &rcClient, hbrWindow);
    const COLORREF rgbGreen = RGB(0, 112, 60);
    HBRUSH hbrGreen = CreateSolidBrush(rgbGreen);
    SetTextColor(hdc, fHover ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SetBkColor(hdc, fHover ? rgbGreen : RGB(255, 255, 255));
    HGDIOBJ hbrOld = SelectObject(hdc, fHover ? hbrGreen : hbrWindow);
    RECT rc = RcBadge();
    RoundRect(hdc, rc.left, rc.top, rc.right, rc.bottom, 5, 5);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;

    char szKind[cchSzLoad];
    SzLoadInto(IDS_KIND_FPGA + ikind, szKind);
    SIZE sizeKind;
    GetTextExtentPoint32A(hdc, szKind, static_cast<int>(strlen(szKind)), &sizeKind);
    HFONT hfontKind = CreateFontA(15, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ hfontOld = SelectObject(hdc, hfontKind);
    TextOutA(hdc, rc.left + (cx - sizeKind.cx) / 2, rc.top + cy / 2 - sizeKind.cy / 2 - 6, szKind,
             static_cast<int>(strlen(szKind)));
    HFONT hfontName = CreateFontA(13, 0, 0, 0, 500, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    SelectObject(hdc, hfontName);
    SIZE sizeName;
    int cchName = static_cast<int>(strnlen(jtdvc.szName, sizeof(jtdvc.szName)));
    GetTextExtentPoint32A(hdc, jtdvc.szName, cchName, &sizeName);
    if (sizeName.cx > cx)
        TextOutA(hdc, rc.left - (sizeName.cx - cx) / 2, rc.bottom + 3, jtdvc.szName, cchName);
    else
        TextOutA(hdc, rc.left + (cx - sizeName.cx) / 2, rc.top + cy / 2 - sizeKind.cy / 2 + sizeKind.cy - 6,
                 jtdvc.szName, cchName);
    SelectObject(hdc, hfontOld);
    SelectObject(hdc, hbrOld);
    DeleteObject(hfontKind);
    DeleteObject(hfontName);
    DeleteObject(hbrGreen);
    DeleteObject(hbrWindow);
}

void VWSCDVC::MouseMove(WPARAM, int x, int y)
{
    RECT rc = RcBadge();
    BOOL fInside = rc.left <= x && x <= rc.right && rc.top <= y && y <= rc.bottom;
    if (fInside && GetCapture() != hwnd) {
        ReleaseCapture();
        SetCapture(hwnd);
    } else if (!fInside && GetCapture() == hwnd) {
        ReleaseCapture();
    }
    if ((fInside != 0) != (fHover != 0)) {
        fHover = fInside ? 1 : 0;
        InvalidateRect(hwnd, &rc, TRUE);
    }
}

void VWSCDVC::MouseButton(UINT wm, WPARAM, int x, int y)
{
    RECT rc = RcBadge();
    if (wm != WM_RBUTTONDOWN || x < rc.left || x > rc.right || y < rc.top || y > rc.bottom)
        return;
    if (!fHover) {
        fHover = 1;
        SetCapture(hwnd);
        InvalidateRect(hwnd, &rc, TRUE);
    }
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    TrackPopupMenuEx(hmenu, TPM_LEFTALIGN | TPM_LEFTBUTTON, pt.x, pt.y, hwnd, nullptr);
}

BOOL VWSCDVC::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    if (wm == WM_MOUSEMOVE) {
        MouseMove(wParam, x, y);
    } else if (wm >= WM_LBUTTONDOWN && wm <= WM_MBUTTONDBLCLK) {
        MouseButton(wm, wParam, x, y);
    } else if (wm == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hdc, &ps);
        EndPaint(hwnd, &ps);
    } else if (wm == WM_EXITMENULOOP) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(hwnd, &pt);
        MouseMove(0, pt.x, pt.y);
    }
    return DLGVIEW::FDlgProc(wm, wParam, lParam);
}
