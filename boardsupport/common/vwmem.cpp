// The Miravo2 memory page (vwmem.h).

#include "vwmem.h"

#include <new>

#include "bsboard.h"
#include "bsutil.h"
#include "vwmemids.h"

namespace {

const char szFilter[] = "Any file (*.*)\0*.*;\0";

// Sent messages only: a worker that is sending to this thread's windows
// gets its answer while the thread waits for it.
void PumpSentMessages()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

const int rgidRunControls[] = {
    IDC_MEM_READBROWSE, IDC_MEM_READFILE, IDC_MEM_WRITEFILE, IDC_MEM_VERIFY, IDC_MEM_WRITEBROWSE, IDC_MEM_READ,
    IDC_MEM_WRITE, IDC_MEM_WRITESTART, IDC_MEM_WRITERADIX, IDC_MEM_WRITESTARTT, IDC_MEM_READSTARTT,
    IDC_MEM_READLENGTHT, IDC_MEM_READSTART, IDC_MEM_READLENGTH, IDC_MEM_READRADIX, IDC_MEM_ERASE, IDC_MEM_RAM,
    IDC_MEM_FLASH,
};

} // namespace

VWMEM::VWMEM() : ofnRead(), ofnWrite(), szReadFile(), szWriteFile(), fBusy(0), pmemrw(nullptr) {}

VWMEM::~VWMEM()
{
    if (pmemrw != nullptr)
        pmemrw->FClose(-1, PumpSentMessages);   // the worker never outlives the page
    delete pmemrw;
}

BOOL VWMEM::FInit()
{
    if (!DLGVBS::FInit())
        return FALSE;
    fBusy = 0;
    szReadFile[0] = szWriteFile[0] = '\0';
    ofnRead = OPENFILENAMEA();
    ofnRead.lStructSize = sizeof(ofnRead);
    ofnRead.hwndOwner = hwnd;
    ofnRead.lpstrFilter = szFilter;
    ofnRead.nFilterIndex = 1;
    ofnRead.lpstrDefExt = "*.*";
    ofnRead.lpstrFile = szReadFile;
    ofnRead.nMaxFile = MAX_PATH - 1;
    ofnRead.lpstrTitle = "Save As...";
    ofnRead.Flags = OFN_EXPLORER | OFN_NOREADONLYRETURN;
    ofnWrite = ofnRead;
    ofnWrite.lpstrFile = szWriteFile;
    ofnWrite.lpstrTitle = "Open...";
    ofnWrite.Flags = OFN_EXPLORER;
    pmemrw = new (std::nothrow) MEMRW(*this, g_bsmod.szConn, SzMemDesignPath(g_bsmod.szTestImage));
    return pmemrw != nullptr;
}

BOOL VWMEM::FInitDialog(HWND)
{
    for (int id : {IDC_MEM_READRADIX, IDC_MEM_WRITERADIX}) {
        SendDlgItemMessageA(hwnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("dec"));
        SendDlgItemMessageA(hwnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("hex"));
        SendDlgItemMessageA(hwnd, id, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("dec"));
    }
    for (int id : {IDC_MEM_READSTART, IDC_MEM_WRITESTART, IDC_MEM_READLENGTH})
        SetDlgItemTextA(hwnd, id, "0");
    CheckDlgButton(hwnd, IDC_MEM_RAM, BST_CHECKED);
    EnableWindow(GetDlgItem(hwnd, IDC_MEM_CANCEL), FALSE);
    return TRUE;
}

void VWMEM::EnableControls(BOOL fRunning)
{
    // The page is going away: its windows are not the worker's any more.
    if (hwnd == nullptr)
        return;
    fBusy = fRunning ? 1 : 0;
    EnableWindow(GetDlgItem(hwnd, IDC_MEM_CANCEL), fRunning);
    for (int id : rgidRunControls)
        EnableWindow(GetDlgItem(hwnd, id), !fRunning);
}

// The file dialog is owned by the page while it is open, so the program
// cannot take the page away under it.
bool VWMEM::FBrowse(OPENFILENAMEA *pofn, bool fSave, int idFile)
{
    pofn->hwndOwner = hwnd;
    if (!(fSave ? GetSaveFileNameA(pofn) : GetOpenFileNameA(pofn)))
        return false;
    SetDlgItemTextA(hwnd, idFile, pofn->lpstrFile);
    return true;
}

std::string VWMEM::SzField(int id)
{
    char sz[MAX_PATH + 1] = "";
    GetDlgItemTextA(hwnd, id, sz, sizeof(sz));
    return sz;
}

bool VWMEM::FHexRadix(int id)
{
    char sz[16] = "";
    LRESULT isel = SendDlgItemMessageA(hwnd, id, CB_GETCURSEL, 0, 0);
    if (isel == CB_ERR || SendDlgItemMessageA(hwnd, id, CB_GETLBTEXTLEN, WPARAM(isel), 0) >= LRESULT(sizeof(sz)))
        return false;
    SendDlgItemMessageA(hwnd, id, CB_GETLBTEXT, WPARAM(isel), reinterpret_cast<LPARAM>(sz));
    return lstrcmpA(sz, "hex") == 0;
}

MEMRWREQ VWMEM::ReqFromFields(MEMOP op)
{
    MEMRWREQ req;
    req.fFlash = IsDlgButtonChecked(hwnd, IDC_MEM_RAM) != BST_CHECKED;
    req.fVerify = IsDlgButtonChecked(hwnd, IDC_MEM_VERIFY) == BST_CHECKED;
    if (op == memopRead) {
        req.szFile = SzField(IDC_MEM_READFILE);
        req.szStart = SzField(IDC_MEM_READSTART);
        req.szLength = SzField(IDC_MEM_READLENGTH);
        req.fHex = FHexRadix(IDC_MEM_READRADIX);
    } else if (op == memopWrite) {
        req.szFile = SzField(IDC_MEM_WRITEFILE);
        req.szStart = SzField(IDC_MEM_WRITESTART);
        req.fHex = FHexRadix(IDC_MEM_WRITERADIX);
    }
    return req;
}

void VWMEM::Start(MEMOP op, int idFile, OPENFILENAMEA *pofn, bool fSave)
{
    if (pmemrw == nullptr || pmemrw->FBusy())
        return;
    g_bsmod.pfnLockHost(1);
    if (idFile != 0 && GetWindowTextLengthA(GetDlgItem(hwnd, idFile)) == 0 && !FBrowse(pofn, fSave, idFile)) {
        g_bsmod.pfnLockHost(0);
        return;
    }
    if (pmemrw->FStart(op, ReqFromFields(op))) {
        EnableWindow(GetDlgItem(hwnd, IDC_MEM_CANCEL), TRUE);
        while (!pmemrw->FStarted()) {
            PumpSentMessages();
            Sleep(1);
        }
    }
    g_bsmod.pfnLockHost(0);
}

BOOL VWMEM::FDlgCommand(int id, int, HWND)
{
    switch (id) {
    case IDC_MEM_READ:
        Start(memopRead, IDC_MEM_READFILE, &ofnRead, true);
        break;
    case IDC_MEM_WRITE:
        Start(memopWrite, IDC_MEM_WRITEFILE, &ofnWrite, false);
        break;
    case IDC_MEM_ERASE:
        Start(memopErase, 0, nullptr, false);
        break;
    case IDC_MEM_READBROWSE:
        FBrowse(&ofnRead, true, IDC_MEM_READFILE);
        break;
    case IDC_MEM_WRITEBROWSE:
        FBrowse(&ofnWrite, false, IDC_MEM_WRITEFILE);
        break;
    case IDC_MEM_CANCEL:
        if (pmemrw != nullptr)
            pmemrw->Cancel();
        break;
    default:
        break;
    }
    return TRUE;
}

// A running worker is told the page is closing and waited for (10 s; the
// destructor waits for the rest), so it leaves the windows alone.
void VWMEM::Destroy()
{
    if (pmemrw != nullptr && pmemrw->FBusy())
        pmemrw->FClose(10000, PumpSentMessages);
    DLGVBS::Destroy();
}

std::string VWMEM::SzText(int ids)
{
    char sz[cchBsString];
    return SzLoadInto(UINT(ids), sz);
}

void VWMEM::Log(const char *sz)
{
    PFNBSLOG pfnLog = g_bsmod.pfnLog;
    if (pfnLog != nullptr)
        pfnLog(sz);
}

bool VWMEM::FConfigureFpga(const char *szPath)
{
    PFNBSCONFIGUREFPGA pfn = g_bsmod.pfnConfigureFpga;
    return pfn != nullptr && (pfn(0, szPath) & 0xFF) != 0;
}

bool VWMEM::FAskOverwrite(const char *szText, const char *szCaption)
{
    return MessageBoxA(hwnd, szText, szCaption, MB_YESNO) == IDYES;
}
