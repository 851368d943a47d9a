// VWTSTNEW, the newer self-test page's window (vwtstnew.h).

#include "vwtstnew.h"

#include "bsboard.h"
#include "bsutil.h"

#include <new>

#include "kelm.h"
#include "vesk.h"

namespace {

// Answers the messages other threads are sending to this thread's windows,
// so that a worker inside a call to the page (texts, the host's log) can
// finish while the page waits for it.
void PumpSentMessages()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

const COLORREF rgbGrey = RGB(200, 200, 200);

// How an indicator of state st is drawn: a grey or black outline, and the
// fill of a circle or the square of a switch.
enum SQUARE { sqLowerEmpty, sqUpperBlack, sqLowerBlack };

struct INDLOOK {
    bool fGreyPen;
    COLORREF rgbFill;   // circles; CLR_INVALID: the face colour
    SQUARE sq;          // switches
};

bool FSwitch(int iind)
{
    return iind >= iindSwitch0 && iind < iindSwitch0 + cindSwitch;
}

INDLOOK LookOf(int32_t st, int iind)
{
    if (FSwitch(iind))
        return {st == stOff, CLR_INVALID, st == stUp ? sqUpperBlack : st == stDown ? sqLowerBlack : sqLowerEmpty};
    if (iind >= iindButton0)
        return {st != stUp && st != stDown, st == stDown ? RGB(0, 0, 0) : CLR_INVALID, sqLowerEmpty};
    switch (st) {
    case stOff: return {true, CLR_INVALID, sqLowerEmpty};
    case stBusy: return {false, RGB(255, 255, 0), sqLowerEmpty};
    case stGood: return {false, RGB(0, 255, 0), sqLowerEmpty};
    case stBad: return {false, RGB(255, 0, 0), sqLowerEmpty};
    default: return {false, CLR_INVALID, sqLowerEmpty};
    }
}

} // namespace

VWTSTNEW::VWTSTNEW(TSTNKIND kindIn) : kind(kindIn) {}

VWTSTNEW::~VWTSTNEW()
{
    LeavePage();
    ptst.reset();
}

BOOL VWTSTNEW::FInit()
{
    if (!DLGVBS::FInit())
        return FALSE;
    ptst.reset(new (std::nothrow) TSTNEW(kind, *this, g_bsmod.szTestImage));
    return ptst != nullptr;
}

void VWTSTNEW::LeavePage()
{
    if (ptst)
        ptst->LeavePage(PumpSentMessages);
}

void VWTSTNEW::Destroy()
{
    LeavePage();
    DLGVBS::Destroy();
}

BOOL VWTSTNEW::FInitDialog(HWND)
{
    RECT rcPage;
    GetWindowRect(hwnd, &rcPage);
    for (int i = 0; i < ptst->Cind(); i++) {
        TSTIND &ind = ptst->Ind(i);
        RECT rc = {0, 0, 0, 0};
        GetWindowRect(GetDlgItem(hwnd, ind.idCtl), &rc);
        ind.x = rc.left - rcPage.left;
        ind.y = rc.top - rcPage.top;
    }
    ptst->PageCreated();
    SetStates(FALSE);
    return TRUE;
}

BOOL VWTSTNEW::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hdc, &ps);
        EndPaint(hwnd, &ps);
    }
    return DLGVBS::FDlgProc(wm, wParam, lParam);
}

BOOL VWTSTNEW::FDlgCommand(int id, int, HWND)
{
    switch (id) {
    case idcTstStart:
        ptst->StartPeripherals();
        break;
    case idcTstMemory:
        ptst->StartMemory();
        break;
    case idcTstStop:
        ptst->RequestStop();
        break;
    case idcTstShorts:
        ptst->RequestShorts();
        break;
    default:
        break;
    }
    return TRUE;
}

void VWTSTNEW::SetStates(BOOL fRunning)
{
    ptst->SetStates(fRunning != FALSE);
}

void VWTSTNEW::RequestStop()
{
    ptst->RequestStop();
}

void VWTSTNEW::Paint(HDC hdc, PAINTSTRUCT *)
{
    HPEN hpenBlack = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HPEN hpenGrey = CreatePen(PS_SOLID, 1, rgbGrey);
    HBRUSH hbrFace = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH hbrBlack = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    HGDIOBJ hpenOld = SelectObject(hdc, hpenBlack);
    HGDIOBJ hbrOld = SelectObject(hdc, hbrFace);
    for (int i = 0; i < ptst->Cind(); i++) {
        const TSTIND &ind = ptst->Ind(i);
        INDLOOK look = LookOf(ind.st, i);
        SelectObject(hdc, look.fGreyPen ? hpenGrey : hpenBlack);
        HBRUSH hbrFill = nullptr;
        if (look.rgbFill != CLR_INVALID)
            hbrFill = CreateSolidBrush(look.rgbFill);
        SelectObject(hdc, hbrFill ? hbrFill : hbrFace);
        int x = ind.x, y = ind.y;
        if (FSwitch(i)) {
            Rectangle(hdc, x, y, x + cpxInd, y + cpySwitch);
            int yTop = look.sq == sqUpperBlack ? y : y + cpySwitch - cpxInd;
            SelectObject(hdc, look.sq == sqLowerEmpty ? hbrFace : hbrBlack);
            Rectangle(hdc, x, yTop, x + cpxInd, yTop + cpxInd);
        } else
            Ellipse(hdc, x, y, x + cpxInd, y + cpxInd);
        SelectObject(hdc, hbrFace);
        if (hbrFill)
            DeleteObject(hbrFill);
    }
    SelectObject(hdc, hbrOld);
    SelectObject(hdc, hpenOld);
    DeleteObject(hpenBlack);
    DeleteObject(hpenGrey);
}

// The worker's calls.

bool VWTSTNEW::FPutReg(uint8_t reg, uint8_t b)
{
    return VeskPutReg(hif, reg, b, 0) != 0;
}

bool VWTSTNEW::FGetReg(uint8_t reg, uint8_t *pb)
{
    return VeskGetReg(hif, reg, pb, 0) != 0;
}

void VWTSTNEW::SleepMs(uint32_t ms)
{
    Sleep(ms);
}

bool VWTSTNEW::FOpen()
{
    return KelmOpen(&hif, g_bsmod.szConn) != 0;
}

void VWTSTNEW::Close()
{
    KelmClose(hif);
    hif = 0;
}

bool VWTSTNEW::FEnable()
{
    return VeskEnable(hif) != 0;
}

void VWTSTNEW::Disable()
{
    VeskDisable(hif);
}

void VWTSTNEW::SetTransTimeout(uint32_t tms)
{
    KelmSetTransTimeout(hif, tms);
}

void VWTSTNEW::Log(uint32_t ids)
{
    char sz[cchBsString];
    PFNBSLOG pfnLog = g_bsmod.pfnLog;
    if (pfnLog)
        pfnLog(SzLoadInto(ids, sz));
}

bool VWTSTNEW::FConfigure(const std::string &szPath)
{
    PFNBSCONFIGUREFPGA pfnConfigure = g_bsmod.pfnConfigureFpga;
    return pfnConfigure && (pfnConfigure(0, szPath.c_str()) & 0xFF) != 0;
}

void VWTSTNEW::LockHost(bool fLock)
{
    PFNBSLOCKHOST pfnLock = g_bsmod.pfnLockHost;
    if (pfnLock)
        pfnLock(fLock ? 1 : 0);
}

bool VWTSTNEW::FPageAlive()
{
    return hwnd != nullptr && IsWindow(hwnd);
}

void VWTSTNEW::SetText(int idc, const std::string &sz)
{
    SetDlgItemTextA(hwnd, idc, sz.c_str());
}

void VWTSTNEW::EnableCtl(int idc, bool fEnable)
{
    EnableWindow(GetDlgItem(hwnd, idc), fEnable);
}

void VWTSTNEW::Invalidate(const TSTNRECT *prc)
{
    if (!prc) {
        InvalidateRect(hwnd, nullptr, TRUE);
        return;
    }
    RECT rc = {prc->l, prc->t, prc->r, prc->b};
    InvalidateRect(hwnd, &rc, TRUE);
}
