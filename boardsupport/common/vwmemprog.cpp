// The Miravo3 "Memory" tab (vwmemprog.h).

#include "vwmemprog.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "bsboard.h"
#include "bsutil.h"
#include "kelm.h"
#include "memport.h"
#include "mosk.h"

namespace {

enum {
    idcProgramFile = 1098, idcReadFile = 1099, idcWriteFile = 1100, idcWriteAddr = 1101,
    idcReadRadix = 1111, idcReadAddr = 1116, idcReadLen = 1117, idcReadAddrLabel = 1118,
    idcReadLenLabel = 1119, idcBrowseProgram = 1122, idcBrowseRead = 1123, idcProgram = 1124,
    idcCancel = 1125, idcRead = 1127, idcConfigReset = 1128, idcErase = 1129, idcBpi = 1130,
    idcWrite = 1131, idcBrowseWrite = 1132, idcFullTest = 1133, idcWriteRadix = 1134, idcNote = 1136,
    idcSpi = 1137, idcRam = 1139, idcWriteAddrLabel = 1140, idcVerifyProgram = 1003, idcVerifyWrite = 1004,
};

enum {
    idsEraseAsk = 117, idsEraseCaption = 128, idsFileError = 131, idsOpenFail = 121, idsCommFail = 132,
    idsConfigReset = 141, idsOverwriteAsk = 143, idsReadCaption = 144, idsTestAsk = 149, idsTestCaption = 150,
};

// The worker's end, posted to the page: its controls switch back.
const UINT wmWorkerEnded = WM_APP + 0x61;

const int rgidcIdle[] = {
    idcSpi, idcBpi, idcRam, idcConfigReset, idcVerifyWrite, idcReadFile, idcBrowseRead, idcRead,
    idcBrowseWrite, idcWriteFile, idcWrite, idcWriteAddrLabel, idcWriteAddr, idcWriteRadix,
    idcReadAddrLabel, idcReadLenLabel, idcReadAddr, idcReadLen, idcReadRadix, idcFullTest,
};
const int rgidcFlashOnly[] = {
    idcProgram, idcVerifyProgram, idcErase, idcBrowseProgram, idcProgramFile, idcNote,
};

std::string SzString(int ids)
{
    char sz[cchBsString];
    return SzLoadInto(static_cast<UINT>(ids), sz);
}

void Log(const std::string &sz)
{
    if (g_bsmod.pfnLog != nullptr)
        g_bsmod.pfnLog(sz.c_str());
}

// Serves messages other threads send to this one (a worker's log line).
void PumpSentMessages()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void FillOfn(OPENFILENAMEA *pofn, const char *szFilter, const char *szDefExt, char *szFile, const char *szTitle,
             DWORD fl)
{
    memset(pofn, 0, sizeof(*pofn));
    pofn->lStructSize = sizeof(*pofn);
    pofn->lpstrFilter = szFilter;
    pofn->nFilterIndex = 1;
    pofn->lpstrFile = szFile;
    pofn->nMaxFile = MAX_PATH - 1;
    pofn->lpstrDefExt = szDefExt;
    pofn->lpstrTitle = szTitle;
    pofn->Flags = fl;
}

bool FFileReadable(const char *szPath)
{
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr)
        return false;
    fclose(pf);
    return true;
}

} // namespace

VWMEMPROG::VWMEMPROG()
    : szReadFile(), szProgramFile(), szWriteFile(), fVerify(FALSE), opCur(opReadBack), addrWrite(0), addrRead(0),
      cbRead(0x100000), tgt(tgtBpi), cbMem(cbMemMiravo3)
{
    memset(&ofnProgram, 0, sizeof(ofnProgram));
    memset(&ofnWrite, 0, sizeof(ofnWrite));
    memset(&ofnRead, 0, sizeof(ofnRead));
}

// The worker never outlives the view: Destroy has cancelled and waited, and
// BSWORKER's destructor waits again in case Destroy never ran.
VWMEMPROG::~VWMEMPROG()
{
    fClosing = true;
    fCancel = true;
    worker.FJoin(-1, PumpSentMessages);
}

BOOL VWMEMPROG::FInit()
{
    if (!DLGVBS::FInit())
        return FALSE;
    szReadFile[0] = szProgramFile[0] = szWriteFile[0] = '\0';
    const DWORD flOpen = OFN_EXPLORER | OFN_NOREADONLYRETURN;
    FillOfn(&ofnProgram,
            "All supported files (*.bin;*.bit;*.mcs)\0*.bin;*.bit;*.mcs\0Binary (*.bin)\0*.bin\0Bit (*.bit)\0*.bit\0"
            "MCS (*.mcs)\0*.mcs\0",
            "*.bin", szProgramFile, "Open...", flOpen);
    FillOfn(&ofnWrite, "Any file (*.*)\0*.*;\0", "*.*", szWriteFile, "Open...", flOpen);
    FillOfn(&ofnRead, "Binary (*.bin)\0*.bin\0All files (*.*)\0*.*\0", "*.bin", szReadFile, "Save...", OFN_EXPLORER);
    addrWrite = 0;
    addrRead = 0;
    cbMem = cbMemMiravo3;
    cbRead = 0x100000;
    return TRUE;
}

BOOL VWMEMPROG::FInitDialog(HWND)
{
    for (int idc : { idcWriteRadix, idcReadRadix }) {
        SendDlgItemMessageA(hwnd, idc, CB_RESETCONTENT, 0, 0);
        SendDlgItemMessageA(hwnd, idc, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("dec"));
        SendDlgItemMessageA(hwnd, idc, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("hex"));
        SendDlgItemMessageA(hwnd, idc, CB_SETCURSEL, 1, 0);
    }
    SetDlgItemTextA(hwnd, idcWriteAddr, "0");
    SetDlgItemTextA(hwnd, idcReadAddr, "0");
    SetDlgItemTextA(hwnd, idcReadLen, "100000");
    CheckRadioButton(hwnd, idcSpi, idcRam, idcBpi);
    tgt = tgtBpi;
    EnableWindow(GetDlgItem(hwnd, idcCancel), FALSE);
    return TRUE;
}

void VWMEMPROG::EnableControls(BOOL fRunning)
{
    if (hwnd == nullptr)
        return;
    EnableWindow(GetDlgItem(hwnd, idcCancel), fRunning);
    for (int idc : rgidcIdle)
        EnableWindow(GetDlgItem(hwnd, idc), !fRunning);
    for (int idc : rgidcFlashOnly)
        EnableWindow(GetDlgItem(hwnd, idc), !fRunning && tgt != tgtRam);
    cbMem = cbMemMiravo3;
}

BOOL VWMEMPROG::FHex(int idRadix)
{
    return SendDlgItemMessageA(hwnd, idRadix, CB_GETCURSEL, 0, 0) == 1;
}

void VWMEMPROG::NumberUpdated(int idEdit, int idRadix, int32_t *pl, int32_t lMax)
{
    char sz[64] = "";
    GetDlgItemTextA(hwnd, idEdit, sz, sizeof(sz));
    long l;
    if (sscanf(sz, FHex(idRadix) ? "%lx" : "%ld", &l) == 1)
        *pl = static_cast<int32_t>(l);
    if (*pl < 0)
        *pl = 0;
    if (*pl > lMax)
        *pl = lMax;
}

void VWMEMPROG::ShowNumber(int idEdit, int idRadix, int32_t l, const char *szHexFmt)
{
    char sz[32];
    snprintf(sz, sizeof(sz), FHex(idRadix) ? szHexFmt : "%d", static_cast<int>(l));
    SetDlgItemTextA(hwnd, idEdit, sz);
}

BOOL VWMEMPROG::FBrowse(OPENFILENAMEA *pofn, BOOL fSave, int idEdit)
{
    pofn->hwndOwner = hwndParent;
    if (!(fSave ? GetSaveFileNameA(pofn) : GetOpenFileNameA(pofn)))
        return FALSE;
    SetDlgItemTextA(hwnd, idEdit, pofn->lpstrFile);
    return TRUE;
}

void VWMEMPROG::ConfigReset()
{
    if (worker.FRunning())
        return;
    Log(SzString(idsConfigReset));
    HIF hif = 0;
    if (!KelmOpen(&hif, g_bsmod.szConn)) {
        Log(SzString(idsOpenFail));
        return;
    }
    if (!MoskConfigReset(hif, TRUE))
        Log(SzString(idsCommFail));
    Sleep(500);
    if (!MoskConfigReset(hif, FALSE))
        Log(SzString(idsCommFail));
    KelmClose(hif);
}

BOOL VWMEMPROG::FDlgCommand(int id, int code, HWND hwndCtl)
{
    switch (id) {
    case idcBrowseProgram:
        FBrowse(&ofnProgram, FALSE, idcProgramFile);
        return TRUE;
    case idcBrowseRead:
        FBrowse(&ofnRead, TRUE, idcReadFile);
        return TRUE;
    case idcBrowseWrite:
        FBrowse(&ofnWrite, FALSE, idcWriteFile);
        return TRUE;
    case idcProgram:
    case idcRead:
    case idcWrite: {
        int idEdit = id == idcProgram ? idcProgramFile : id == idcRead ? idcReadFile : idcWriteFile;
        OPENFILENAMEA *pofn = id == idcProgram ? &ofnProgram : id == idcRead ? &ofnRead : &ofnWrite;
        if (GetWindowTextLengthA(GetDlgItem(hwnd, idEdit)) == 0 && !FBrowse(pofn, id == idcRead, idEdit))
            return TRUE;
        return FStartOp(id == idcProgram ? opProgram : id == idcRead ? opReadBack : opWriteFile);
    }
    case idcErase:
        if (MessageBoxA(hwndParent, SzString(idsEraseAsk).c_str(), SzString(idsEraseCaption).c_str(), MB_YESNO) ==
            IDYES)
            return FStartOp(opErase);
        return TRUE;
    case idcFullTest:
        if (MessageBoxA(hwndParent, SzString(idsTestAsk).c_str(), SzString(idsTestCaption).c_str(), MB_YESNO) ==
            IDYES)
            return FStartOp(opFullTest);
        return TRUE;
    case idcCancel:
        Cancel(-1);
        return TRUE;
    case idcConfigReset:
        ConfigReset();
        return TRUE;
    case idcSpi:
    case idcBpi:
    case idcRam:
        tgt = IsDlgButtonChecked(hwnd, idcSpi) ? tgtSpi : IsDlgButtonChecked(hwnd, idcBpi) ? tgtBpi : tgtRam;
        EnableControls(FALSE);
        return TRUE;
    case idcWriteAddr:
    case idcReadAddr:
    case idcReadLen: {
        int idRadix = id == idcWriteAddr ? idcWriteRadix : idcReadRadix;
        int32_t *pl = id == idcWriteAddr ? &addrWrite : id == idcReadAddr ? &addrRead : &cbRead;
        int32_t lMax = static_cast<int32_t>(id == idcReadLen ? cbMem : cbMem - 1);
        if (code == EN_UPDATE)
            NumberUpdated(id, idRadix, pl, lMax);
        else if (code == EN_KILLFOCUS)
            ShowNumber(id, idRadix, *pl, id == idcWriteAddr ? "%06x" : "%06X");
        return TRUE;
    }
    case idcWriteRadix:
        ShowNumber(idcWriteAddr, idcWriteRadix, addrWrite, "%06X");
        return TRUE;
    case idcReadRadix:
        ShowNumber(idcReadAddr, idcReadRadix, addrRead, "%06X");
        ShowNumber(idcReadLen, idcReadRadix, cbRead, "%06X");
        return TRUE;
    default:
        return DLGVBS::FDlgCommand(id, code, hwndCtl);
    }
}

BOOL VWMEMPROG::FStartOp(int op)
{
    EnableControls(TRUE);
    g_bsmod.pfnLockHost(TRUE);
    opCur = op;
    auto fRefuse = [this]() {
        g_bsmod.pfnLockHost(FALSE);
        EnableControls(FALSE);
        return FALSE;
    };
    if (op == opProgram || op == opWriteFile) {
        char *szFile = op == opProgram ? szProgramFile : szWriteFile;
        GetDlgItemTextA(hwnd, op == opProgram ? idcProgramFile : idcWriteFile, szFile, MAX_PATH - 1);
        fVerify = IsDlgButtonChecked(hwnd, op == opProgram ? idcVerifyProgram : idcVerifyWrite) == BST_CHECKED;
        if (!FFileReadable(szFile)) {
            Log(SzString(idsFileError) + " \"" + szFile + "\"");
            return fRefuse();
        }
    } else if (op == opReadBack) {
        GetDlgItemTextA(hwnd, idcReadFile, szReadFile, MAX_PATH - 1);
        if (FFileReadable(szReadFile)) {
            std::string szAsk = SzString(idsOverwriteAsk) + "\n" + szReadFile;
            if (MessageBoxA(hwndParent, szAsk.c_str(), SzString(idsReadCaption).c_str(), MB_YESNO) != IDYES)
                return fRefuse();
        }
    }
    jobCur = MEMJOB();
    jobCur.op = op;
    jobCur.tgt = tgt;
    jobCur.fVerify = fVerify != FALSE;
    jobCur.szProgramFile = szProgramFile;
    jobCur.szWriteFile = szWriteFile;
    jobCur.szReadFile = szReadFile;
    jobCur.addrWrite = addrWrite;
    jobCur.addrRead = addrRead;
    jobCur.cbRead = cbRead;
    jobCur.cbMem = cbMem;
    g_bsmod.pfnLockHost(TRUE);
    fCancel = false;
    hwndWorker = hwnd;
    // A finished worker is joined here (BSWORKER), so at most one runs.
    worker.FJoin(-1, PumpSentMessages);
    if (!worker.FStart([this]() { WorkerBody(); }))
        return fRefuse();
    g_bsmod.pfnLockHost(FALSE);
    return TRUE;
}

void VWMEMPROG::WorkerBody()
{
    MEMHOST host;
    host.szConn = g_bsmod.szConn;
    host.fnLog = [this](const std::string &sz) {
        if (!fClosing)
            Log(sz);
    };
    host.fnConfigure = []() {
        return g_bsmod.pfnConfigureFpga != nullptr && (g_bsmod.pfnConfigureFpga(0, g_bsmod.szTestImage) & 0xFF) != 0;
    };
    host.fnString = SzString;
    MEMRESULT result;
    {
        MEMDEVPORT port(host, fCancel);
        result = RunMemJob(port, jobCur);
    }
    if (fClosing)
        return;
    for (const std::string &sz : result.rgszFinal)
        Log(sz);
    PostMessageA(hwndWorker, wmWorkerEnded, 0, 0);
}

// Sets the cancel request and waits for the worker, serving the messages it
// sends meanwhile (tms < 0: no limit).
void VWMEMPROG::Cancel(int tms)
{
    if (!worker.FRunning())
        return;
    fCancel = true;
    worker.FJoin(tms, PumpSentMessages);
}

void VWMEMPROG::CancelAndWait()
{
    Cancel(10000);
}

// The page goes away: the worker is told to leave it alone, cancelled and
// waited for, so that it never reaches a view that is being freed.
void VWMEMPROG::Destroy()
{
    fClosing = true;
    Cancel(-1);
    fClosing = false;
    DLGVBS::Destroy();
}

BOOL VWMEMPROG::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == wmWorkerEnded) {
        // The worker has logged its last line and is returning.
        worker.FJoin(-1, PumpSentMessages);
        EnableControls(FALSE);
        return TRUE;
    }
    return DLGVBS::FDlgProc(wm, wParam, lParam);
}
