// APP: start-up up to the main window, and shut-down after the message loop.
//
// Start-up order: common controls, accelerators, the class "ScMainWin", the
// settings (without DataPath the program ends), the class "TabDlgApp", the
// worker thread, the device list, the scan-chain library. A failing step
// ends start-up at once; nothing done so far is undone, the process exits.

#include "app.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include "appset.h"
#include "dvclst.h"
#include "resource.h"
#include "sclib.h"
#include "strtext.h"
#include "szload.h"
#include "vwapp.h"
#include "wrkthd.h"

APP g_app;
POINT g_ptLastMsg;

namespace {

WINREG g_winreg;

const KELMFNS kelmfnsProgram = {KelmEnumDevicesEx, KelmGetDvc, KelmGetInfo, KelmFreeDvcEnum};

} // namespace

APP::APP()
    : hinst(nullptr), pvwapp(nullptr), szCmdLine(nullptr), pwrkthd(nullptr), hwndPage(nullptr), hmenu(nullptr),
      haccel(nullptr), pdvclst(nullptr), pappset(nullptr), hinstBs(nullptr), fChainReport(1), bslogo(),
      hbmpLogo(nullptr), hbmpMask(nullptr), szBsPath(), fForceInit(0), fDefaultBoard(0), prodnum(0), pdid(0),
      fSelChanged(0), fDeviceSwitch(0), psclib(nullptr), pfnFInit(nullptr), pfnTerm(nullptr), pfnCdbs(nullptr),
      pfnFGetDbs(nullptr), pfnFGetBslogo(nullptr), pfnFGetSzProduct(nullptr)
{
}

BOOL APP::FInit(HINSTANCE hinstNew, HINSTANCE, const char *szCmdLineNew)
{
    hinst = hinstNew;
    fChainReport = 1;
    fForceInit = fDefaultBoard = fDeviceSwitch = 0;
    hinstBs = nullptr;

    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
    if (!InitCommonControlsEx(&icc))
        return FALSE;
    // The command line is kept, never interpreted.
    if (szCmdLineNew != nullptr) {
        szCmdLine = static_cast<char *>(malloc(strlen(szCmdLineNew) + 1));
        if (szCmdLine == nullptr)
            return FALSE;
        strcpy(szCmdLine, szCmdLineNew);
    }
    hmenu = LoadMenuA(hinst, MAKEINTRESOURCEA(IDM_MAIN));
    haccel = LoadAcceleratorsA(hinst, MAKEINTRESOURCEA(IDA_MAIN));
    if (!FRegisterViewClass(hinst, SzLoad(IDS_SCCLASS), CS_HREDRAW | CS_VREDRAW))
        return FALSE;

    pappset = new APPSET(&g_winreg);
    if (!pappset->FLoad()) {
        MessageBoxA(nullptr, SZ_DATAPATH_FAILED, "Error", MB_OK);
        return FALSE;
    }
    if (!FRegisterMainClass())
        return FALSE;

    pwrkthd = new WRKTHD;
    if (!pwrkthd->FInit())
        return FALSE;
    pdvclst = new DVCLST(&kelmfnsProgram, pappset);
    pdvclst->FInit();
    psclib = new SCLIB;
    return psclib->FInit();
}

BOOL APP::FRegisterMainClass()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = VIEW::ViewWndProc;
    wc.cbWndExtra = 4;
    wc.hInstance = hinst;
    wc.hIcon = LoadIconA(hinst, MAKEINTRESOURCEA(IDI_MAIN));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = SzLoad(IDS_MAINCLASS);
    return RegisterClassExA(&wc) != 0;
}

BOOL APP::FCreateMainWnd(int sw)
{
    pvwapp = new VWAPP;
    if (pvwapp->FCreate(CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr)) {
        ShowWindow(pvwapp->Hwnd(), sw);
        return TRUE;
    }
    pvwapp->Destroy();
    delete pvwapp;
    pvwapp = nullptr;
    return FALSE;
}

void APP::DestroyMainWnd()
{
    if (pvwapp == nullptr)
        return;
    pvwapp->Destroy();
    delete pvwapp;
    pvwapp = nullptr;
}

// After the message loop and DestroyMainWnd. The settings reach the registry
// only here, after the main window (and the pages that give their
// histories back) are gone.
void APP::Term()
{
    free(szCmdLine);
    szCmdLine = nullptr;
    if (hmenu != nullptr)
        DestroyMenu(hmenu);
    if (haccel != nullptr)
        DestroyAcceleratorTable(haccel);
    hmenu = nullptr;
    haccel = nullptr;

    // A worker that does not stop in time is left allocated: it ends with
    // the process and never runs on a deleted object.
    pwrkthd->Term();
    if (pwrkthd->FStopped())
        delete pwrkthd;
    pwrkthd = nullptr;

    pdvclst->SaveLast();
    delete pdvclst;
    pdvclst = nullptr;
    pappset->Save();
    delete pappset;
    pappset = nullptr;
    psclib->Term();
    delete psclib;
    psclib = nullptr;
    DestroyMainWnd();
    UnregisterClassA(SzLoad(IDS_MAINCLASS), hinst);
}
