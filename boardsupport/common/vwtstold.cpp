// The older self-test page's window (vwtstold.h).

#include "vwtstold.h"

#include "bsboard.h"
#include "bspump.h"
#include "bsutil.h"
#include "tstpaint.h"

VWTSTOLD::VWTSTOLD(const TSTOLDPROFILE &prof) : tst(prof, *this) {}

// The monitor is gone before the window and the object are.
VWTSTOLD::~VWTSTOLD()
{
    tst.Close();
}

BOOL VWTSTOLD::FInit()
{
    // The register port is handed between this page's threads only (a
    // semaphore of the page, not one shared by name with every other copy
    // of the program).
    return DLGVBS::FInit();
}

void VWTSTOLD::Place(TSTIND &ind)
{
    HWND hwndCtl = GetDlgItem(hwnd, ind.idCtl);
    RECT rc = {0, 0, 0, 0};
    if (hwndCtl != nullptr) {
        GetWindowRect(hwndCtl, &rc);
        MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT *>(&rc), 2);
    }
    ind.x = rc.left;
    ind.y = rc.top;
}

BOOL VWTSTOLD::FInitDialog(HWND)
{
    for (int i = 0; i < tst.cindResult; i++)
        Place(tst.rgindResult[i]);
    for (TSTIND &ind : tst.rgindSwitch)
        Place(ind);
    for (int i = 0; i < tst.cindButton; i++)
        Place(tst.rgindButton[i]);
    SetStates(FALSE);
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL VWTSTOLD::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hdc, &ps);
        EndPaint(hwnd, &ps);
    }
    return DLGVBS::FDlgProc(wm, wParam, lParam);
}

void VWTSTOLD::Paint(HDC hdc, PAINTSTRUCT *)
{
    TSTPAINTER painter(hdc);
    for (int i = 0; i < tst.cindResult; i++)
        painter.Draw(tst.rgindResult[i], shapeResult);
    auto drawInput = [&painter](TSTIND &ind, TSTSHAPE shape) {
        int32_t st = ind.st;
        if (st != stUp && st != stDown)
            ind.st.compare_exchange_strong(st, stOff);
        painter.Draw(ind, shape);
    };
    for (int i = 0; i < tst.cindButton; i++)
        drawInput(tst.rgindButton[i], shapeButton);
    for (TSTIND &ind : tst.rgindSwitch)
        drawInput(ind, shapeSwitch);
}

BOOL VWTSTOLD::FDlgCommand(int id, int, HWND)
{
    switch (id) {
    case idcStart: return FStartTest();
    case idcStop: return FStopTest();
    case idcRam: return FRamTest();
    case idcFlash: return FFlashTest();
    case idcShorts: return FShortsTest();
    default: return TRUE;   // OK and Cancel do not close the page
    }
}

void VWTSTOLD::Destroy()
{
    if (tst.FRunning() && hwnd != nullptr)
        SendMessageA(hwnd, WM_COMMAND, idcStop, 0);
    tst.Close();
    DLGVBS::Destroy();
}

BOOL VWTSTOLD::FStartTest() { return tst.FStartTest(); }
BOOL VWTSTOLD::FRamTest() { return tst.FRamTest(); }
BOOL VWTSTOLD::FFlashTest() { return tst.FFlashTest(); }
BOOL VWTSTOLD::FShortsTest() { return tst.FShortsTest(); }
void VWTSTOLD::SetStates(BOOL fRunning) { tst.SetStates(fRunning != FALSE); }
BOOL VWTSTOLD::FStopTest() { return tst.FStopTest(); }

void VWTSTOLD::Log(const char *sz)
{
    if (g_bsmod.pfnLog != nullptr)
        g_bsmod.pfnLog(sz);
}

void VWTSTOLD::LockHost(bool fLock)
{
    if (g_bsmod.pfnLockHost != nullptr)
        g_bsmod.pfnLockHost(fLock ? 1 : 0);
}

bool VWTSTOLD::FConfigureFpga()
{
    return g_bsmod.pfnConfigureFpga != nullptr && (g_bsmod.pfnConfigureFpga(0, g_bsmod.szTestImage) & 0xFF) != 0;
}

std::string VWTSTOLD::SzString(uint32_t ids)
{
    char sz[cchBsString];
    return SzLoadInto(ids, sz);
}

const char *VWTSTOLD::SzConn()
{
    return g_bsmod.szConn;
}

void VWTSTOLD::EnableControl(int id, bool fEnable)
{
    if (hwnd != nullptr)
        EnableWindow(GetDlgItem(hwnd, id), fEnable);
}

void VWTSTOLD::SetControlText(int id, const char *sz)
{
    if (hwnd != nullptr && id != idTextNone)
        SetDlgItemTextA(hwnd, id, sz);
}

void VWTSTOLD::Invalidate(const TSTRECT *prc, bool fErase)
{
    if (hwnd == nullptr)
        return;
    if (prc == nullptr) {
        InvalidateRect(hwnd, nullptr, fErase);
        return;
    }
    RECT rc = {prc->left, prc->top, prc->right, prc->bottom};
    InvalidateRect(hwnd, &rc, fErase);
}

void VWTSTOLD::SleepMs(uint32_t ms)
{
    Sleep(ms);
}

void VWTSTOLD::PumpSent()
{
    PumpSentMessages();
}
