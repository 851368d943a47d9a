// SCLIB: opening and closing the scan-chain library, the chain requests and
// the association of configuration files.

#include "sclib.h"

#include <stdlib.h>

#include "app.h"
#include "brisel.h"
#include "resource.h"
#include "strtext.h"
#include "szload.h"
#include "vwapp.h"
#include "wrkthd.h"

SCLIB::SCLIB() : fOpen(FALSE) {}

SCLIB::~SCLIB()
{
    if (fOpen) {
        uint32_t erc = 0;
        BriselTerm(&erc);
    }
}

BOOL SCLIB::FInit()
{
    uint32_t erc = 0;
    if (!BriselInit(&erc))
        return FALSE;
    fOpen = TRUE;
    BriselSetMode(scmodeProgram, &erc);
    return TRUE;
}

void SCLIB::Term() {}

BOOL SCLIB::FInitChain(HWND hwnd)
{
    if (g_app.FChainReport())
        g_app.Pvwapp()->AppendStatusLine(SZ_SC_INITIALIZING);
    return g_app.Pwrkthd()->FInitChain(hwnd);
}

BOOL SCLIB::FProgram(HWND hwnd, int iscdvc) { return g_app.Pwrkthd()->FProgram(hwnd, iscdvc); }
BOOL SCLIB::FErase(HWND hwnd, int iscdvc) { return g_app.Pwrkthd()->FErase(hwnd, iscdvc); }
BOOL SCLIB::FGetId(HWND hwnd, int iscdvc) { return g_app.Pwrkthd()->FGetId(hwnd, iscdvc); }
BOOL SCLIB::FAbort() { return g_app.Pwrkthd()->FAbort(); }

namespace {

INT_PTR CALLBACK LoopDlgProc(HWND hwnd, UINT wm, WPARAM wParam, LPARAM)
{
    if (wm == WM_INITDIALOG) {
        CenterWindow(hwnd, GetWindow(hwnd, GW_OWNER));
        SetDlgItemTextA(hwnd, IDC_LOOP_COUNT, "100");
        SetFocus(GetDlgItem(hwnd, IDC_LOOP_COUNT));
        return FALSE;
    }
    if (wm == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, -1);
        return TRUE;
    }
    if (wm == WM_COMMAND && LOWORD(wParam) == IDC_LOOP_RUN) {
        char sz[513];
        GetDlgItemTextA(hwnd, IDC_LOOP_COUNT, sz, sizeof(sz));
        EndDialog(hwnd, atoi(sz));
        return TRUE;
    }
    return FALSE;
}

} // namespace

BOOL SCLIB::FLoopId(HWND hwnd, int iscdvc)
{
    INT_PTR n = DialogBoxParamA(g_app.Hinst(), MAKEINTRESOURCEA(IDD_LOOPID), hwnd, LoopDlgProc, 0);
    if (n <= 0)
        return FALSE;
    if (n == 1)
        return g_app.Pwrkthd()->FGetId(hwnd, iscdvc);
    return g_app.Pwrkthd()->FLoopId(hwnd, iscdvc, static_cast<int>(n));
}

// Associate szFile with chain device iscdvc; the library's objections become
// questions (associate anyway, without checks) or refusals.
BOOL SCLIB::FSetConfigFile(HWND hwndOwner, const char *szFile, int iscdvc, uint32_t fsCheck)
{
    uint32_t erc = 0;
    BriselSetConfigFile(szFile, iscdvc, fsCheck, &erc);
    const char *szQuestion = nullptr;
    const char *szCaption = "Error";
    switch (erc) {
    case 0:
        return TRUE;
    case ercIdcodeConflict:
        MessageBoxA(hwndOwner, "Unable to associate file with device due to IDCODE conflict.", "Error", MB_OK);
        return FALSE;
    case ercDeviceUnknown:
        szQuestion = "The Device this configuration file was made for is not known.  "
                     "Associate config file with device anyway?";
        break;
    case ercDeviceNameMismatch:
        szQuestion = "The device name in the configuration file does not match with this device.\n"
                     "Associate config file with device anyway?";
        break;
    case ercStartupClockCclk:
        szQuestion = "Startup clock for this file is 'CCLK' instead of 'JTAG CLK'.  Problems will likely occur.  \n"
                     "Associate config file with device anyway?";
        szCaption = "Warning";
        break;
    case ercStartupClockJtag:
        szQuestion = "Startup clock for this file is 'JTAG CLK' instead of 'CCLK'.  Problems will likely occur.  \n"
                     "Associate config file with device anyway?";
        szCaption = "Warning";
        break;
    default:
        MessageBoxA(hwndOwner, "An error occured while associating file with device.", "Error", MB_OK);
        return FALSE;
    }
    if (MessageBoxA(hwndOwner, szQuestion, szCaption, MB_YESNO) != IDYES)
        return FALSE;
    if (BriselSetConfigFile(szFile, iscdvc, 0, &erc))
        return TRUE;
    MessageBoxA(hwndOwner, "An error occured while associating file with device.", "Error", MB_OK);
    return FALSE;
}
