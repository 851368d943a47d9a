// VWPWR: the power meter page (vwpwr.h).

#include "vwpwr.h"

#include <string.h>

#include "bsboard.h"
#include "bsutil.h"
#include "pwrcsv.h"
#include "pwrmosk.h"
#include "vwpwrg.h"

namespace {

// Handles the messages other threads send to this one (the meter thread's
// field texts and log lines) while the window thread waits for the meter.
void PumpSentMessages()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

} // namespace

VWPWR::VWPWR(const PWRPROFILE &prof) : prof(prof), meter(prof, *this)
{
    memset(&ofnSave, 0, sizeof(ofnSave));
    szSaveFile[0] = '\0';
}

VWPWR::~VWPWR()
{
    Destroy();
}

BOOL VWPWR::FInit()
{
    if (!DLGVBS::FInit())
        return FALSE;
    pvwpwrg = new VWPWRG(prof);
    if (!pvwpwrg->FInit())
        return FALSE;
    memset(szSaveFile, 0, sizeof(szSaveFile));
    memset(&ofnSave, 0, sizeof(ofnSave));
    ofnSave.lStructSize = sizeof(ofnSave);
    ofnSave.hwndOwner = hwnd;
    ofnSave.lpstrFilter = "Coma Separated Values (*.csv)\0*.csv\0";
    ofnSave.nFilterIndex = 1;
    ofnSave.lpstrDefExt = "*.csv";
    ofnSave.lpstrFile = szSaveFile;
    ofnSave.nMaxFile = MAX_PATH - 1;
    ofnSave.lpstrTitle = "Save...";
    ofnSave.Flags = OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN | OFN_EXPLORER;
    return TRUE;
}

BOOL VWPWR::FInitDialog(HWND)
{
    if (pvwpwrg == nullptr) {
        // The page is shown again after its Destroy: a new, empty graph.
        pvwpwrg = new VWPWRG(prof);
        if (!pvwpwrg->FInit()) {
            delete pvwpwrg;
            pvwpwrg = nullptr;
        }
    }
    EnableWindow(GetDlgItem(hwnd, idPwrClear), FALSE);
    EnableWindow(GetDlgItem(hwnd, idPwrSave), FALSE);
    return TRUE;
}

BOOL VWPWR::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    return DLGVBS::FDlgProc(wm, wParam, lParam);
}

BOOL VWPWR::FDlgCommand(int id, int, HWND)
{
    switch (id) {
    case idPwrStart: {
        std::string szConn = g_bsmod.szConn;
        return meter.FStart([szConn] { return std::unique_ptr<PWRDEV>(new PWRDEVMOSK(szConn.c_str())); },
                            PumpSentMessages);
    }
    case idPwrStop:
        meter.Stop();
        return TRUE;
    case idPwrShowGraph:
        return FShowGraph();
    case idPwrClear:
        if (pvwpwrg != nullptr)
            pvwpwrg->ClearBuffer();
        EnableWindow(GetDlgItem(hwnd, idPwrClear), FALSE);
        EnableWindow(GetDlgItem(hwnd, idPwrSave), FALSE);
        return TRUE;
    case idPwrSave:
        return FSaveBuffer();
    default:
        return TRUE;
    }
}

BOOL VWPWR::FShowGraph()
{
    if (pvwpwrg == nullptr)
        return FALSE;
    HWND hwndGraph = pvwpwrg->Hwnd();
    if (hwndGraph != nullptr && IsWindow(hwndGraph)) {
        SetFocus(hwndGraph);
        return FALSE;
    }
    if (!pvwpwrg->FCreateDlg(g_bsmod.hinst, hwndParent, iddPwrGraph))
        return FALSE;
    hwndGraph = pvwpwrg->Hwnd();
    RECT rcParent, rcGraph;
    GetWindowRect(hwndParent, &rcParent);
    GetWindowRect(hwndGraph, &rcGraph);
    int cx = rcGraph.right - rcGraph.left, cy = rcGraph.bottom - rcGraph.top;
    int x = rcParent.left >= cx ? rcParent.left - cx : rcParent.right;
    MoveWindow(hwndGraph, x, rcParent.top, cx, cy, FALSE);
    pvwpwrg->Show(SW_SHOWNORMAL);
    return FALSE;
}

BOOL VWPWR::FSaveBuffer()
{
    if (pvwpwrg == nullptr || pvwpwrg->Ppwrbuf() == nullptr)
        return FALSE;
    meter.SetPause(true);
    ofnSave.hwndOwner = hwnd;   // modal to the page, so the page cannot go away under the dialog
    if (!GetSaveFileNameA(&ofnSave)) {
        meter.SetPause(false);
        return FALSE;
    }
    BOOL fOk = FSaveCsv(prof, *pvwpwrg->Ppwrbuf(), szSaveFile);
    meter.SetPause(false);
    if (!fOk && g_bsmod.pfnLog != nullptr) {
        std::string sz = std::string("Error accessing file: ") + szSaveFile;
        g_bsmod.pfnLog(sz.c_str());
    }
    return fOk;
}

void VWPWR::Destroy()
{
    // The meter thread ends before the graph and the page go: it touches
    // neither afterwards (no message, no control change while closing).
    meter.Close(PumpSentMessages);
    if (pvwpwrg != nullptr) {
        pvwpwrg->Destroy();
        delete pvwpwrg;
        pvwpwrg = nullptr;
    }
    DLGVBS::Destroy();
}

void VWPWR::SetField(int id, const char *sz)
{
    SetDlgItemTextA(hwnd, id, sz);
}

void VWPWR::EnableControl(int id, bool fEnable)
{
    EnableWindow(GetDlgItem(hwnd, id), fEnable);
}

void VWPWR::Log(int ids)
{
    char sz[cchBsString];
    SzLoadInto(static_cast<UINT>(ids), sz);
    if (g_bsmod.pfnLog != nullptr)
        g_bsmod.pfnLog(sz);
}

int VWPWR::AddSample(const PWRSMP &smp)
{
    return pvwpwrg != nullptr ? pvwpwrg->AddSample(smp) : 0;
}
