// VWIOEX: the I/O Ex page, its polling thread, mouse input and painting.

#include "vwioex.h"

#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "app.h"
#include "dvclst.h"
#include "kelm.h"
#include "numfmt.h"
#include "resource.h"
#include "strtext.h"
#include "szload.h"
#include "vesk.h"
#include "vwapp.h"
#include "wrkthd.h"

namespace {

// Indicators, shared by every I/O Ex page. Placeholder ids are listed left
// to right as the dialog places them.
IOIND rgindLed[cledIoex], rgindSwitch[cswitchIoex], rgindButton[cbuttonIoex], rgindLightBar[csegIoex], indStatus;

const uint16_t rgidLed[] = {1131, 1132, 1133, 1134, 1149, 1164, 1165, 1166};   // LED 7..0
const uint16_t rgidBar[] = {1135, 1136, 1137, 1138, 1167, 1168, 1169, 1170,    // reg 4 bits 7..0
                            1187, 1188, 1189, 1190, 1191, 1192, 1193, 1194,    // reg 3
                            1199, 1200, 1201, 1208, 1209, 1210, 1211, 1212};   // reg 2
const uint16_t rgidButton[] = {1171, 1172, 1173, 1174, 1179, 1180, 1181, 1182,   // reg 8 bits 7..0
                               1175, 1176, 1177, 1178, 1183, 1184, 1185, 1186};  // reg 7
const uint16_t rgidSwitch[] = {1147, 1148, 1150, 1151, 1152, 1153, 1154, 1155,   // reg 6 bits 7..0
                               1156, 1157, 1158, 1159, 1160, 1161, 1162, 1163};  // reg 5

// Entry i of a group of 8 entries per register: bit i % 8, placed at 7 - bit.
uint16_t IdPlaceholder(const uint16_t *rgid, int i)
{
    return rgid[(i / 8) * 8 + 7 - (i % 8)];
}

void InitIndicator(IOIND *pind, uint16_t idCtl, uint32_t st)
{
    pind->idCtl = idCtl;
    pind->st = st;
}

// Rectangle of an element from its placeholder, in page coordinates.
void PlaceIndicator(HWND hwndPage, IOIND *pind, int cx, int cy)
{
    RECT rcCtl, rcPage;
    GetWindowRect(GetDlgItem(hwndPage, pind->idCtl), &rcCtl);
    GetWindowRect(hwndPage, &rcPage);
    pind->rc.left = rcCtl.left - rcPage.left;
    pind->rc.top = rcCtl.top - rcPage.top;
    pind->rc.right = pind->rc.left + cx;
    pind->rc.bottom = pind->rc.top + cy;
}

BOOL FInRect(const RECT &rc, int x, int y)
{
    return rc.left <= x && x <= rc.right && rc.top <= y && y <= rc.bottom;
}

BOOL FGetSelectedConn(char *szConn)
{
    const DVC *pdvc = g_app.Pdvclst()->PdvcSel();
    if (pdvc == nullptr || pdvc->szConn[0] == '\0')
        return FALSE;
    memcpy(szConn, pdvc->szConn, sizeof(pdvc->szConn));
    szConn[sizeof(pdvc->szConn) - 1] = '\0';
    return TRUE;
}

void StatusLine(UINT ids)
{
    char sz[cchSzLoad];
    g_app.Pvwapp()->AppendStatusLine(SzLoadInto(ids, sz));
}

enum { fsUpdText = 1, fsUpdSendFailed = 2 };

} // namespace

VWIOEX::VWIOEX()
    : bLed(0), rgbButton(), rgbSwitch(), rgbLightBar(), rgbToFpga(), rgbFromFpga(), rcChanged(), hmtxIoex(nullptr),
      hmtxIoexThread(nullptr), hthd(nullptr), tidIo(0), hif(0), fRunning(0), rgfRegOk(), fNewText(0), ifmt(0), szFromFpga(),
      fSendFailed(0)
{
}

VWIOEX::~VWIOEX()
{
    StopIo();
    WaitThreadEnd();
    if (hmtxIoex)
        CloseHandle(hmtxIoex);
    if (hmtxIoexThread)
        CloseHandle(hmtxIoexThread);
}

void VWIOEX::Activate(BOOL, BOOL, HWND) {}
void VWIOEX::Deactivate(BOOL, HWND) {}

BOOL VWIOEX::FInit()
{
    if (!DLGVIEW::FInit())
        return FALSE;
    bLed = 0;
    memset(rgbButton, 0, sizeof(rgbButton));
    memset(rgbSwitch, 0, sizeof(rgbSwitch));
    memset(rgbLightBar, 0, sizeof(rgbLightBar));
    for (int i = 0; i < 4; i++) {
        rgbToFpga[2 * i] = static_cast<uint8_t>(9 + i);
        rgbToFpga[2 * i + 1] = 0;
    }
    hmtxIoex = CreateMutexA(nullptr, TRUE, "Ioex");
    if (hmtxIoex && GetLastError() != ERROR_ALREADY_EXISTS)
        ReleaseMutex(hmtxIoex);
    hmtxIoexThread = CreateMutexA(nullptr, TRUE, "IoexThread");
    if (hmtxIoexThread && GetLastError() != ERROR_ALREADY_EXISTS)
        ReleaseMutex(hmtxIoexThread);
    fRunning = 0;
    for (int i = 0; i < cledIoex; i++)
        InitIndicator(&rgindLed[i], rgidLed[7 - i], stDark);
    for (int i = 0; i < csegIoex; i++)
        InitIndicator(&rgindLightBar[i], IdPlaceholder(rgidBar, i), stDark);
    for (int i = 0; i < cbuttonIoex; i++)
        InitIndicator(&rgindButton[i], IdPlaceholder(rgidButton, i), stUp);
    for (int i = 0; i < cswitchIoex; i++)
        InitIndicator(&rgindSwitch[i], IdPlaceholder(rgidSwitch, i), stDown);
    InitIndicator(&indStatus, IDC_IOEX_STATUS, stStopped);
    return hmtxIoex != nullptr && hmtxIoexThread != nullptr;
}

BOOL VWIOEX::FInitDialog(HWND)
{
    ResetIndicators(FALSE);
    for (auto &ind : rgindLed)
        PlaceIndicator(hwnd, &ind, 15, 15);
    for (auto &ind : rgindLightBar)
        PlaceIndicator(hwnd, &ind, 6, 15);
    for (auto &ind : rgindButton)
        PlaceIndicator(hwnd, &ind, 17, 17);
    for (auto &ind : rgindSwitch)
        PlaceIndicator(hwnd, &ind, 15, 15);
    PlaceIndicator(hwnd, &indStatus, 15, 15);
    rcChanged.left = rgindLed[7].rc.left;
    rcChanged.right = rgindLed[0].rc.right;
    rcChanged.top = rgindLightBar[0].rc.top;
    rcChanged.bottom = rgindLed[0].rc.bottom;
    InvalidateRect(hwnd, nullptr, TRUE);
    HWND hwndCombo = GetDlgItem(hwnd, IDC_IOEX_FORMAT);
    SendMessageA(hwndCombo, CB_RESETCONTENT, 0, 0);
    for (UINT ids : {IDS_FMT_DECIMAL, IDS_FMT_SIGNED, IDS_FMT_HEX, IDS_FMT_BINARY})
        SendMessageA(hwndCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SzLoad(ids)));
    SendMessageA(hwndCombo, CB_SETCURSEL, 0, 0);
    EnableWindow(GetDlgItem(hwnd, IDC_IOEX_SEND), FALSE);
    ifmt = 0;
    return TRUE;
}

void VWIOEX::ResetIndicators(BOOL fRunningNew)
{
    for (auto &ind : rgindSwitch)
        ind.st = ind.st == stOnFailed ? uint32_t(stUp) : ind.st == stOffFailed ? uint32_t(stDown) : ind.st;
    for (auto &ind : rgindButton)
        if (ind.st == stOff)
            ind.st = stUp;
    for (auto &ind : rgindLed)
        if (ind.st == stOff)
            ind.st = stDark;
    for (auto &ind : rgindLightBar)
        if (ind.st == stOff)
            ind.st = stDark;
    memset(rgfRegOk, 1, sizeof(rgfRegOk));
    fNewText = 0;
    InvalidateRect(hwnd, nullptr, TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_IOEX_TOFPGA), TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_IOEX_FROMFPGA), TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_IOEX_START), !fRunningNew);
    EnableWindow(GetDlgItem(hwnd, IDC_IOEX_STOP), fRunningNew);
}

// Stop: the thread sees the cleared flag at its next pass and ends.
void VWIOEX::StopIo()
{
    if (hmtxIoex != nullptr && FTakeMutex(hmtxIoex, INFINITE)) {
        fRunning = 0;
        ReleaseMutex(hmtxIoex);
    }
}

// Wait until the polling thread has ended, handling what it sends meanwhile.
void VWIOEX::WaitThreadEnd()
{
    while (hthd != nullptr) {
        DWORD dw = MsgWaitForMultipleObjects(1, &hthd, FALSE, INFINITE, QS_SENDMESSAGE);
        if (dw == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        CloseHandle(hthd);
        hthd = nullptr;
    }
}

void VWIOEX::Destroy()
{
    StopIo();
    DLGVIEW::Destroy();
}

BOOL VWIOEX::FStartIo()
{
    if (hthd != nullptr) {
        if (WaitForSingleObject(hthd, 0) != WAIT_OBJECT_0)
            return FALSE;   // the last run is still ending
        CloseHandle(hthd);
        hthd = nullptr;
    }
    if (!FTakeMutex(hmtxIoex, INFINITE))
        return FALSE;
    fRunning = 1;   // before the thread exists, so a stop right after the start is never lost
    fSendFailed = 0;
    ReleaseMutex(hmtxIoex);
    ResetIndicators(TRUE);
    hthd = CreateThread(nullptr, 0, ThreadProc, this, 0, &tidIo);
    if (hthd == nullptr) {
        StopIo();
        ResetIndicators(FALSE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI VWIOEX::ThreadProc(void *pv)
{
    static_cast<VWIOEX *>(pv)->IoThread();
    return 0;
}

BOOL VWIOEX::FReadToFpgaValue()
{
    char sz[513] = "";
    GetDlgItemTextA(hwnd, IDC_IOEX_TOFPGA, sz, sizeof(sz));
    BOOL fValid = FALSE;
    int val = ValFromSzChecked(sz, &fValid);
    if (!fValid) {
        StatusLine(IDS_NOT_A_VALUE);
        return TRUE;
    }
    if (FTakeMutex(hmtxIoex, INFINITE)) {
        for (int i = 0; i < 4; i++)
            rgbToFpga[2 * i + 1] = static_cast<uint8_t>(static_cast<uint32_t>(val) >> (8 * i));
        ReleaseMutex(hmtxIoex);
    }
    return TRUE;
}

BOOL VWIOEX::FDlgCommand(int id, int, HWND)
{
    switch (id) {
    case IDC_IOEX_START:
        FStartIo();
        break;
    case IDC_IOEX_SEND:
        FReadToFpgaValue();
        break;
    case IDC_IOEX_STOP:
        StopIo();
        break;
    case IDC_IOEX_FORMAT:
        if (FTakeMutex(hmtxIoex, INFINITE)) {
            ifmt = static_cast<int32_t>(SendDlgItemMessageA(hwnd, IDC_IOEX_FORMAT, CB_GETCURSEL, 0, 0));
            fNewText = 1;
            ReleaseMutex(hmtxIoex);
        }
        break;
    case IDC_IOEX_TOFPGA: {
        char sz[513] = "";
        GetDlgItemTextA(hwnd, IDC_IOEX_TOFPGA, sz, sizeof(sz));
        EnableWindow(GetDlgItem(hwnd, IDC_IOEX_SEND), sz[0] != '\0');
        break;
    }
    default:
        break;
    }
    return TRUE;
}

BOOL VWIOEX::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    switch (wm) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hdc, &ps);
        EndPaint(hwnd, &ps);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        MouseButton(wm, wParam, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        break;
    case wmIoexUpdate:
        if (wParam & fsUpdText) {
            char sz[cchFromFpga] = "";
            if (FTakeMutex(hmtxIoex, INFINITE)) {
                memcpy(sz, szFromFpga, sizeof(sz));
                ReleaseMutex(hmtxIoex);
            }
            SetDlgItemTextA(hwnd, IDC_IOEX_FROMFPGA, sz);
        }
        if (wParam & fsUpdSendFailed) {
            EnableWindow(GetDlgItem(hwnd, IDC_IOEX_SEND), FALSE);
            EnableWindow(GetDlgItem(hwnd, IDC_IOEX_TOFPGA), FALSE);
        }
        return TRUE;
    case wmIoexEnded:
        // The end of a run that an earlier start already replaced changes nothing.
        if (hthd == nullptr || static_cast<DWORD>(wParam) != tidIo)
            return TRUE;
        WaitThreadEnd();
        if (FTakeMutex(hmtxIoex, INFINITE)) {
            ResetIndicators(FALSE);
            ReleaseMutex(hmtxIoex);
        }
        return TRUE;
    default:
        break;
    }
    return DLGVIEW::FDlgProc(wm, wParam, lParam);
}

void VWIOEX::IoThread()
{
    HWND hwndPage = hwnd;
    uint8_t rgbLast[4] = {}, rgbLastTo[4] = {};
    BOOL fFirst = TRUE;
    FTakeMutex(hmtxIoexThread, INFINITE);
    char szConn[sizeof(DVC::szConn)];
    HIF hifRun = 0;
    BOOL fOpen = FGetSelectedConn(szConn) && KelmOpen(&hifRun, szConn);
    if (!fOpen || !VeskEnable(hifRun)) {
        if (fOpen)
            KelmClose(hifRun);
        g_app.Pvwapp()->AppendStatusLine(SZ_XF_NOCONNECT);
        ReleaseMutex(hmtxIoexThread);
        PostMessageA(hwndPage, wmIoexEnded, GetCurrentThreadId(), 0);
        return;
    }
    FTakeMutex(hmtxIoex, INFINITE);
    hif = hifRun;
    uint8_t b = 0;
    BOOL fTest = VeskPutReg(hifRun, 0, 0xA5, FALSE) && VeskGetReg(hifRun, 0, &b, FALSE) && b == 0x5A;
    indStatus.st = fTest ? stOn : stNoTest;
    ReleaseMutex(hmtxIoex);
    StatusLine(fTest ? IDS_IOEX_STARTED : IDS_IOEX_NOTEST);
    InvalidateRect(hwndPage, nullptr, TRUE);
    for (;;) {
        FTakeMutex(hmtxIoex, INFINITE);
        if (!fRunning) {
            indStatus.st = stStopped;
            ReleaseMutex(hmtxIoex);
            InvalidateRect(hwndPage, nullptr, TRUE);
            break;
        }
        BOOL fChanged = FALSE;
        uint8_t fSendFailedBefore = fSendFailed;
        BOOL fOk = FPass(hifRun, rgbLast, rgbLastTo, fFirst, &fChanged);
        fFirst = FALSE;
        WPARAM fsUpd = fNewText && szFromFpga[0] ? fsUpdText : 0;
        if (fSendFailed && !fSendFailedBefore)
            fsUpd |= fsUpdSendFailed;
        fNewText = 0;
        ReleaseMutex(hmtxIoex);
        if (fChanged)
            InvalidateRect(hwndPage, &rcChanged, TRUE);
        if (!fOk)
            InvalidateRect(hwndPage, nullptr, TRUE);
        if (fsUpd)
            PostMessageA(hwndPage, wmIoexUpdate, fsUpd, 0);
        if (!fOk)
            StatusLine(IDS_IOEX_INVALID);
        Sleep(100);
    }
    FTakeMutex(hmtxIoex, INFINITE);
    VeskDisable(hifRun);
    KelmClose(hifRun);
    hif = 0;
    ReleaseMutex(hmtxIoex);
    ReleaseMutex(hmtxIoexThread);
    PostMessageA(hwndPage, wmIoexEnded, GetCurrentThreadId(), 0);
}

BOOL VWIOEX::FPass(HIF hifPass, uint8_t *rgbLast, uint8_t *rgbLastTo, BOOL fFirst, BOOL *pfChanged)
{
    BOOL fOk = TRUE;
    // Buttons (registers 8, 7) and switches (6, 5): written when changed, and on the first pass.
    static const uint8_t rgreg[4] = {8, 7, 6, 5};
    const uint8_t rgbNow[4] = {rgbButton[0], rgbButton[1], rgbSwitch[0], rgbSwitch[1]};
    for (int i = 0; i < 4; i++) {
        int igrp = igrpBtn8 + i;
        if (!rgfRegOk[igrp] || (!fFirst && rgbNow[i] == rgbLast[i]))
            continue;
        rgbLast[i] = rgbNow[i];
        if (VeskPutReg(hifPass, rgreg[i], rgbNow[i], FALSE))
            continue;
        rgfRegOk[igrp] = 0;
        fOk = FALSE;
        for (int j = 0; j < 8; j++) {
            IOIND &ind = i < 2 ? rgindButton[(i % 2) * 8 + j] : rgindSwitch[(i % 2) * 8 + j];
            if (i < 2)
                ind.st = stOff;
            else
                ind.st = ind.st == stUp ? uint32_t(stOnFailed) : ind.st == stDown ? uint32_t(stOffFailed) : ind.st;
        }
    }
    if (rgfRegOk[igrpTo]) {
        BOOL fDiffer = FALSE;
        for (int i = 0; i < 4; i++)
            fDiffer = fDiffer || rgbToFpga[2 * i + 1] != rgbLastTo[i];
        if (fDiffer) {
            for (int i = 0; i < 4; i++)
                rgbLastTo[i] = rgbToFpga[2 * i + 1];
            if (!VeskPutRegSet(hifPass, rgbToFpga, 4, FALSE)) {
                rgfRegOk[igrpTo] = 0;
                fSendFailed = 1;
                fOk = FALSE;
            }
        }
    }
    // LEDs (register 1) and the light bar (4, 3, 2).
    static const uint8_t rgregRead[4] = {1, 4, 3, 2};
    for (int i = 0; i < 4; i++) {
        int igrp = igrpLed + i;
        if (!rgfRegOk[igrp])
            continue;
        IOIND *rgind = i == 0 ? rgindLed : &rgindLightBar[(i - 1) * 8];
        uint8_t *pbKept = i == 0 ? &bLed : &rgbLightBar[i - 1];
        uint8_t b = 0;
        if (!VeskGetReg(hifPass, rgregRead[i], &b, FALSE)) {
            rgfRegOk[igrp] = 0;
            fOk = FALSE;
            for (int j = 0; j < 8; j++)
                rgind[j].st = stOff;
            continue;
        }
        if (b != *pbKept || fFirst) {
            *pbKept = b;
            for (int j = 0; j < 8; j++)
                rgind[j].st = (b >> j) & 1 ? stOn : stDark;
            *pfChanged = TRUE;
        }
    }
    if (rgfRegOk[igrpFrom]) {
        static const uint8_t rgregFrom[4] = {13, 14, 15, 16};
        uint8_t rgb[4] = {};
        if (!VeskGetRegSet(hifPass, rgregFrom, rgb, 4, FALSE)) {
            rgfRegOk[igrpFrom] = 0;
            fOk = FALSE;
        } else if (memcmp(rgb, rgbFromFpga, 4) != 0 || fNewText || szFromFpga[0] == '\0') {
            fNewText = 1;
            memcpy(rgbFromFpga, rgb, 4);
            uint32_t val = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16) | (static_cast<uint32_t>(rgb[3]) << 24);
            switch (ifmt) {
            case 0: snprintf(szFromFpga, sizeof(szFromFpga), "%u", val); break;
            case 1: snprintf(szFromFpga, sizeof(szFromFpga), "%d", static_cast<int32_t>(val)); break;
            case 2: snprintf(szFromFpga, sizeof(szFromFpga), "%x", val); break;
            default: FSzFromVal(static_cast<int>(val), nfmtBin, szFromFpga); break;
            }
        }
    }
    return fOk;
}

void VWIOEX::MouseButton(UINT wm, WPARAM, int x, int y)
{
    if (!FTakeMutex(hmtxIoex, INFINITE))
        return;
    if (wm == WM_LBUTTONDOWN || wm == WM_LBUTTONDBLCLK) {
        BOOL fDone = FALSE;
        for (int i = 0; i < cbuttonIoex && !fDone; i++) {
            IOIND &ind = rgindButton[i];
            if (!rgfRegOk[igrpBtn8 + i / 8] || !FInRect(ind.rc, x, y) || ind.st != stUp)
                continue;
            ind.st = stDown;
            rgbButton[i / 8] |= static_cast<uint8_t>(1 << (i % 8));
            InvalidateRect(hwnd, &ind.rc, TRUE);
            ReleaseCapture();
            SetCapture(hwnd);
            fDone = TRUE;
        }
        for (int i = 0; i < cswitchIoex && !fDone; i++) {
            IOIND &ind = rgindSwitch[i];
            RECT rcBody = ind.rc;
            rcBody.bottom += 15;
            if (!rgfRegOk[igrpSw6 + i / 8] || !FInRect(rcBody, x, y))
                continue;
            if (ind.st == stDown) {
                ind.st = stUp;
                rgbSwitch[i / 8] |= static_cast<uint8_t>(1 << (i % 8));
            } else if (ind.st == stUp) {
                ind.st = stDown;
                rgbSwitch[i / 8] &= static_cast<uint8_t>(~(1 << (i % 8)));
            }
            InvalidateRect(hwnd, &rcBody, TRUE);
            ReleaseCapture();
            fDone = TRUE;
        }
    } else if (wm == WM_LBUTTONUP) {
        BOOL fDown = FALSE, fUnavailable = FALSE;
        for (int i = 0; i < cbuttonIoex; i++) {
            IOIND &ind = rgindButton[i];
            fUnavailable = fUnavailable || ind.st == stOff;
            if (ind.st == stDown && !fDown) {
                ind.st = stUp;
                rgbButton[i / 8] &= static_cast<uint8_t>(~(1 << (i % 8)));
                InvalidateRect(hwnd, &ind.rc, TRUE);
                ReleaseCapture();
                fDown = TRUE;
            }
        }
        if (!fDown && fUnavailable)
            ReleaseCapture();
    }
    ReleaseMutex(hmtxIoex);
}

void VWIOEX::Paint(HDC hdc, PAINTSTRUCT *)
{
    if (!FTakeMutex(hmtxIoex, INFINITE))
        return;
    HBRUSH hbrFace = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH hbrBlack = CreateSolidBrush(RGB(0, 0, 0)), hbrRed = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH hbrGreen = CreateSolidBrush(RGB(0, 255, 0)), hbrYellow = CreateSolidBrush(RGB(255, 255, 0));
    HPEN hpenGrey = CreatePen(PS_SOLID, 1, RGB(200, 200, 200)), hpenBlack = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ hbrOld = SelectObject(hdc, hbrFace), hpenOld = SelectObject(hdc, hpenBlack);
    auto Shape = [&](const RECT &rc, HBRUSH hbr, HPEN hpen, BOOL fEllipse) {
        SelectObject(hdc, hbr);
        SelectObject(hdc, hpen);
        if (fEllipse)
            Ellipse(hdc, rc.left, rc.top, rc.right, rc.bottom);
        else
            Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
    };
    Shape(indStatus.rc, indStatus.st == stOn ? hbrGreen : indStatus.st == stNoTest ? hbrYellow : hbrRed, hpenBlack,
          TRUE);
    for (const auto &ind : rgindLed)
        Shape(ind.rc, ind.st == stOn ? hbrGreen : hbrFace, ind.st == stOff ? hpenGrey : hpenBlack, TRUE);
    for (int i = 0; i < csegIoex; i++) {
        const IOIND &ind = rgindLightBar[i];
        HBRUSH hbrLit = i < 8 ? hbrGreen : i < 16 ? hbrYellow : hbrRed;
        Shape(ind.rc, ind.st == stOn ? hbrLit : hbrFace, ind.st == stOff ? hpenGrey : hpenBlack, FALSE);
    }
    for (const auto &ind : rgindButton) {
        BOOL fOff = ind.st == stOff;
        Shape(ind.rc, hbrFace, fOff ? hpenGrey : hpenBlack, FALSE);
        RECT rcIn = {ind.rc.left + 1, ind.rc.top + 1, ind.rc.right - 1, ind.rc.bottom - 1};
        Shape(rcIn, ind.st == stDown ? hbrBlack : hbrFace, fOff ? hpenGrey : hpenBlack, TRUE);
    }
    for (const auto &ind : rgindSwitch) {
        BOOL fOff = ind.st == stOnFailed || ind.st == stOffFailed;
        RECT rcBody = ind.rc;
        rcBody.bottom += 15;
        Shape(rcBody, hbrFace, fOff ? hpenGrey : hpenBlack, FALSE);
        RECT rcUpper = ind.rc, rcLower = {ind.rc.left, ind.rc.bottom, ind.rc.right, ind.rc.bottom + 15};
        if (ind.st == stUp)
            Shape(rcUpper, hbrBlack, hpenBlack, FALSE);
        else if (ind.st == stDown)
            Shape(rcLower, hbrBlack, hpenBlack, FALSE);
        else
            Shape(rcUpper, hbrFace, hpenGrey, FALSE);
    }
    SelectObject(hdc, hbrOld);
    SelectObject(hdc, hpenOld);
    for (HGDIOBJ h : {(HGDIOBJ)hbrBlack, (HGDIOBJ)hbrRed, (HGDIOBJ)hbrGreen, (HGDIOBJ)hbrYellow, (HGDIOBJ)hpenGrey,
                      (HGDIOBJ)hpenBlack})
        DeleteObject(h);
    ReleaseMutex(hmtxIoex);
}
