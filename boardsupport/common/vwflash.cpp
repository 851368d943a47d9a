// The flash programming page (vwflash.h).

#include "vwflash.h"

#include <commdlg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "bsboard.h"
#include "bspump.h"
#include "bsutil.h"
#include "flashdev.h"
#include "kelm.h"
#include "mosk.h"
#include "vwflashid.h"

namespace {

enum {
    idsFlEraseAsk = 117, idsFlEraseCaption = 128, idsFlOverwriteAsk = 143, idsFlReadCaption = 144,
    idsFlConfigReset = 141,
    WM_FLASHDONE = WM_APP + 0x21,   // the worker has ended: controls back
};

void LogIds(UINT ids, const std::string &szSuffix = std::string())
{
    char sz[cchBsString];
    std::string szLine = SzLoadInto(ids, sz);
    szLine += szSuffix;
    if (g_bsmod.pfnLog != nullptr)
        g_bsmod.pfnLog(szLine.c_str());
}

void LockHost(bool fLock)
{
    if (g_bsmod.pfnLockHost != nullptr)
        g_bsmod.pfnLockHost(fLock ? 1 : 0);
}

// The worker's ports: the device through the client libraries, the host's
// configuration and log, the page's cancel request. Nothing is logged once
// the page is being destroyed, or (where the operation says so) cancelled.
class VWFLASHPORTS : public DEVFLASHPORTS {
public:
    VWFLASHPORTS(VWFLASH &vwIn) : DEVFLASHPORTS(g_bsmod.szConn), vw(vwIn) {}

    void SleepMs(uint32_t ms) override
    {
        for (uint32_t msLeft = ms; msLeft > 0 && !vw.FCancelRequested();) {
            uint32_t msStep = msLeft < 20 ? msLeft : 20;
            Sleep(msStep);
            msLeft -= msStep;
        }
    }
    bool FCancelled() override { return vw.FCancelRequested(); }
    bool FConfigureFpga() override
    {
        return g_bsmod.pfnConfigureFpga != nullptr && (g_bsmod.pfnConfigureFpga(0, g_bsmod.szTestImage) & 0xFF) != 0;
    }
    void Log(uint32_t ids, const std::string &szSuffix) override
    {
        if (!vw.FClosing())
            LogIds(ids, szSuffix);
    }

private:
    VWFLASH &vw;
};

void InitOfn(OPENFILENAMEA &ofn, const char *szFilter, const char *szDefExt, char *szFile, const char *szTitle,
             DWORD fl)
{
    memset(&ofn, 0, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFilter = szFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = MAX_PATH - 1;
    ofn.lpstrDefExt = szDefExt;
    ofn.lpstrTitle = szTitle;
    ofn.Flags = fl;
}

const int rgidControl[] = {
    IDC_FL_PROGRAM, IDC_FL_CONFIGRESET, IDC_FL_ERASE, IDC_FL_BPI, IDC_FL_WIDTH, IDC_FL_BROWSEPROG,
    IDC_FL_PROGFILE, IDC_FL_VERIFYPROG, IDC_FL_VERIFYWRITE, IDC_FL_READFILE, IDC_FL_BROWSEREAD, IDC_FL_READ,
    IDC_FL_BROWSEWRITE, IDC_FL_WRITEFILE, IDC_FL_WRITE, IDC_FL_ADDR, IDC_FL_RADIX,
};

} // namespace

VWFLASH::VWFLASH(const FLASHPROFILE &profIn) : prof(profIn)
{
    szReadFile[0] = szProgramFile[0] = szWriteFile[0] = '\0';
    memset(&ofnProgram, 0, sizeof(ofnProgram));
    memset(&ofnWrite, 0, sizeof(ofnWrite));
    memset(&ofnRead, 0, sizeof(ofnRead));
}

VWFLASH::~VWFLASH()
{
    fClosing = true;
    fCancel = true;
    worker.FStopAndJoin(-1, PumpSentMessages);
}

BOOL VWFLASH::FInit()
{
    if (!DLGVBS::FInit())
        return FALSE;
    InitOfn(ofnProgram,
            "All supported files (*.bin;*.bit;*.mcs)\0*.bin;*.bit;*.mcs\0Binary (*.bin)\0*.bin\0Bit (*.bit)\0*.bit\0"
            "MCS (*.mcs)\0*.mcs\0",
            "*.bin", szProgramFile, "Open...", OFN_EXPLORER | OFN_NOREADONLYRETURN);
    InitOfn(ofnWrite, "Any file (*.*)\0*.*;\0", "*.*", szWriteFile, "Open...", OFN_EXPLORER | OFN_NOREADONLYRETURN);
    InitOfn(ofnRead, "Binary (*.bin)\0*.bin\0All files (*.*)\0*.*\0", "*.bin", szReadFile, "Save...", OFN_EXPLORER);
    return TRUE;
}

BOOL VWFLASH::FInitDialog(HWND)
{
    if (prof.fCorvaleRules) {
        HWND hwndWidth = GetDlgItem(hwnd, IDC_FL_WIDTH), hwndBpi = GetDlgItem(hwnd, IDC_FL_BPI);
        SendMessageA(hwndWidth, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x8"));
        SendMessageA(hwndWidth, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x16"));
        SendMessageA(hwndWidth, CB_SETCURSEL, 0, 0);
        SendMessageA(hwndBpi, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("UP"));
        SendMessageA(hwndBpi, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("DOWN"));
        SendMessageA(hwndBpi, CB_SETCURSEL, 0, 0);
    }
    HWND hwndRadix = GetDlgItem(hwnd, IDC_FL_RADIX);
    SendMessageA(hwndRadix, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("dec"));
    SendMessageA(hwndRadix, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("hex"));
    SendMessageA(hwndRadix, CB_SETCURSEL, 0, 0);
    SetDlgItemTextA(hwnd, IDC_FL_ADDR, "0");
    EnableWindow(GetDlgItem(hwnd, IDC_FL_CANCEL), FALSE);
    return TRUE;
}

// A file dialog owned by the page (so the page outlives it), its name into
// the edit field.
bool VWFLASH::FBrowse(OPENFILENAMEA &ofn, bool fSave, int idEdit)
{
    ofn.hwndOwner = hwnd;
    if (!(fSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)))
        return false;
    if (hwnd != nullptr)
        SetDlgItemTextA(hwnd, idEdit, ofn.lpstrFile);
    return hwnd != nullptr;
}

bool VWFLASH::FHex()
{
    return SendDlgItemMessageA(hwnd, IDC_FL_RADIX, CB_GETCURSEL, 0, 0) == 1;
}

void VWFLASH::ParseAddress()
{
    char sz[64] = "";
    GetDlgItemTextA(hwnd, IDC_FL_ADDR, sz, sizeof(sz));
    int32_t addr = 0;
    if (sscanf(sz, FHex() ? "%x" : "%d", reinterpret_cast<unsigned *>(&addr)) == 1)
        addrWrite = addr;
    if (addrWrite < 0)
        addrWrite = 0;
    else if (addrWrite >= 0x1000000)
        addrWrite = 0xFFFFFF;
}

void VWFLASH::ShowAddress()
{
    char sz[32];
    snprintf(sz, sizeof(sz), FHex() ? "%06x" : "%d", static_cast<int>(addrWrite));
    SetDlgItemTextA(hwnd, IDC_FL_ADDR, sz);
}

BOOL VWFLASH::FDlgCommand(int id, int code, HWND hwndCtl)
{
    switch (id) {
    case IDC_FL_BROWSEPROG:
        FBrowse(ofnProgram, false, IDC_FL_PROGFILE);
        break;
    case IDC_FL_BROWSEREAD:
        FBrowse(ofnRead, true, IDC_FL_READFILE);
        break;
    case IDC_FL_BROWSEWRITE:
        FBrowse(ofnWrite, false, IDC_FL_WRITEFILE);
        break;
    case IDC_FL_PROGRAM:
        if (GetWindowTextLengthA(GetDlgItem(hwnd, IDC_FL_PROGFILE)) == 0 && !FBrowse(ofnProgram, false, IDC_FL_PROGFILE))
            break;
        return FStartOp(opProgram);
    case IDC_FL_READ:
        if (GetWindowTextLengthA(GetDlgItem(hwnd, IDC_FL_READFILE)) == 0 && !FBrowse(ofnRead, true, IDC_FL_READFILE))
            break;
        return FStartOp(opReadBack);
    case IDC_FL_WRITE:
        if (GetWindowTextLengthA(GetDlgItem(hwnd, IDC_FL_WRITEFILE)) == 0 &&
            !FBrowse(ofnWrite, false, IDC_FL_WRITEFILE))
            break;
        return FStartOp(opWriteFile);
    case IDC_FL_ERASE: {
        char szText[cchBsString], szCaption[cchBsString];
        SzLoadInto(idsFlEraseAsk, szText);
        SzLoadInto(idsFlEraseCaption, szCaption);
        if (MessageBoxA(hwndCtl, szText, szCaption, MB_YESNO) == IDYES)
            return FStartOp(opErase);
        break;
    }
    case IDC_FL_CANCEL:
        Cancel();
        break;
    case IDC_FL_CONFIGRESET:
        ConfigReset();
        break;
    case IDC_FL_ADDR:
        if (code == EN_UPDATE)
            ParseAddress();
        else if (code == EN_KILLFOCUS)
            ShowAddress();
        break;
    case IDC_FL_RADIX:
        ShowAddress();
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL VWFLASH::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == WM_FLASHDONE) {
        // The worker has ended (or is just ending): it touches the page no more.
        worker.FJoin(-1, PumpSentMessages);
        EnableControls(FALSE);
        return TRUE;
    }
    return DLGVBS::FDlgProc(wm, wParam, lParam);
}

// Copies the edit field's name into szFile; false (logged) when the file
// cannot be opened for reading.
bool VWFLASH::FTakeFile(int idEdit, char *szFile)
{
    GetDlgItemTextA(hwnd, idEdit, szFile, MAX_PATH - 1);
    FILE *pf = fopen(szFile, "rb");
    if (pf == nullptr) {
        LogIds(idsFlFileError, szFile);
        return false;
    }
    fclose(pf);
    return true;
}

BOOL VWFLASH::FStartOp(FLASHOP op)
{
    if (worker.FRunning())
        return FALSE;
    worker.FJoin();   // a body that has ended but was not joined yet
    EnableControls(TRUE);
    LockHost(true);
    opCur = op;
    bool fGo = true;
    if (op == opProgram) {
        fX16 = static_cast<BOOL>(SendDlgItemMessageA(hwnd, IDC_FL_WIDTH, CB_GETCURSEL, 0, 0) == 1);
        fBpiDown = static_cast<BOOL>(SendDlgItemMessageA(hwnd, IDC_FL_BPI, CB_GETCURSEL, 0, 0) == 1);
        fVerify = IsDlgButtonChecked(hwnd, IDC_FL_VERIFYPROG) == BST_CHECKED;
        fGo = FTakeFile(IDC_FL_PROGFILE, szProgramFile);
    } else if (op == opWriteFile) {
        fVerify = IsDlgButtonChecked(hwnd, IDC_FL_VERIFYWRITE) == BST_CHECKED;
        fGo = FTakeFile(IDC_FL_WRITEFILE, szWriteFile);
    } else if (op == opReadBack) {
        GetDlgItemTextA(hwnd, IDC_FL_READFILE, szReadFile, MAX_PATH - 1);
        FILE *pf = fopen(szReadFile, "rb");
        if (pf != nullptr) {
            fclose(pf);
            char szAsk[cchBsString], szCaption[cchBsString];
            std::string szText = SzLoadInto(idsFlOverwriteAsk, szAsk);
            szText += "\n";
            szText += szReadFile;
            SzLoadInto(idsFlReadCaption, szCaption);
            fGo = MessageBoxA(hwnd, szText.c_str(), szCaption, MB_YESNO) == IDYES;
        }
    }
    fCancel = false;
    if (!fGo || !worker.FStart([this] { WorkerThread(); })) {
        LockHost(false);
        EnableControls(FALSE);
        return FALSE;
    }
    EnableWindow(GetDlgItem(hwnd, IDC_FL_CANCEL), TRUE);
    LockHost(false);
    return TRUE;
}

void VWFLASH::WorkerThread()
{
    FLASHARGS args;
    args.op = opCur;
    args.szProgramFile = szProgramFile;
    args.szWriteFile = szWriteFile;
    args.szReadFile = szReadFile;
    args.fX16 = fX16 != FALSE;
    args.fBpiDown = fBpiDown != FALSE;
    args.fVerify = fVerify != FALSE;
    args.addrWrite = static_cast<uint32_t>(addrWrite);
    VWFLASHPORTS ports(*this);
    FLASHEND end = RunFlashJob(prof, args, ports);
    LogFlashEnd(end, ports);
    if (!fClosing)
        PostMessageA(hwnd, WM_FLASHDONE, 0, 0);
}

void VWFLASH::EnableControls(BOOL fRunning)
{
    if (hwnd == nullptr)
        return;
    EnableWindow(GetDlgItem(hwnd, IDC_FL_CANCEL), fRunning);
    for (int id : rgidControl)
        if (HWND hwndCtl = GetDlgItem(hwnd, id))
            EnableWindow(hwndCtl, !fRunning);
}

// Asks the worker to stop and waits for it, handling what it sends to this
// thread meanwhile (its log lines).
void VWFLASH::Cancel()
{
    if (!worker.FRunning())
        return;
    fCancel = true;
    worker.FJoin(-1, PumpSentMessages);
}

void VWFLASH::ConfigReset()
{
    if (worker.FRunning())
        return;
    LogIds(idsFlConfigReset);
    HIF hif = 0;
    if (!KelmOpen(&hif, g_bsmod.szConn)) {
        LogIds(idsFlNoOpen);
        return;
    }
    if (!MoskConfigReset(hif, 1))
        LogIds(idsFlCommFailed);
    Sleep(500);
    if (!MoskConfigReset(hif, 0))
        LogIds(idsFlCommFailed);
    KelmClose(hif);
}

void VWFLASH::Destroy()
{
    fClosing = true;
    Cancel();
    worker.FStopAndJoin(-1, PumpSentMessages);
    DLGVBS::Destroy();
}
