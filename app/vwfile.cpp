// VWFILE: the File I/O page.

#include "vwfile.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app.h"
#include "appset.h"
#include "numfmt.h"
#include "resource.h"
#include "szload.h"
#include "vwapp.h"
#include "wrkthd.h"

namespace {

const int rgidControls[] = {IDC_FILE_DOWNLOAD, IDC_FILE_UPLOAD, IDC_FILE_DLCOMBO, IDC_FILE_ULCOMBO,
                            IDC_FILE_DLBROWSE, IDC_FILE_ULBROWSE, IDC_FILE_REG, IDC_FILE_START, IDC_FILE_ENTIRE,
                            IDC_FILE_APPEND, IDC_FILE_REPLACE, IDC_FILE_OVERWRITE};

} // namespace

VWFILE::VWFILE() : bReg(0), ibFileStart(0), cbXfer(0), szXferFile(), hist(), modeSave(modeSaveAppend) {}
VWFILE::~VWFILE() {}
void VWFILE::Activate(BOOL, BOOL, HWND) {}
void VWFILE::Deactivate(BOOL, HWND) {}

BOOL VWFILE::FInit()
{
    if (!DLGVIEW::FInit())
        return FALSE;
    hist.FClear();
    char sz[cchPathMax + 1];
    for (int i = 0; i < g_app.Pappset()->CDataFile(); i++)
        if (g_app.Pappset()->FGetDataFile(sz, i))
            hist.ErcAdd(sz);
    return TRUE;
}

BOOL VWFILE::FInitDialog(HWND)
{
    CheckRadioButton(hwnd, IDC_FILE_APPEND, IDC_FILE_OVERWRITE, IDC_FILE_APPEND);
    SetDlgItemTextA(hwnd, IDC_FILE_START, "0");
    return TRUE;
}

void VWFILE::Destroy()
{
    APPSET *pappset = g_app.Pappset();
    pappset->ClearDataFiles();
    for (int i = 0; i < hist.Csz(); i++)
        pappset->FAddDataFile(hist.SzGet(i));
    DLGVIEW::Destroy();
}

BOOL VWFILE::FDlgCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_FILE_DLBROWSE:
        FBrowseFile(IDC_FILE_DLCOMBO);
        break;
    case IDC_FILE_ULBROWSE:
        FBrowseFile(IDC_FILE_ULCOMBO);
        break;
    case IDC_FILE_DOWNLOAD:
        FStartDownload();
        break;
    case IDC_FILE_UPLOAD:
        FStartUpload();
        break;
    case IDC_FILE_DLCOMBO:
    case IDC_FILE_ULCOMBO:
        FComboNotify(id, code);
        break;
    case IDC_FILE_ENTIRE:
        EnableWindow(GetDlgItem(hwnd, IDC_FILE_LENGTH), IsDlgButtonChecked(hwnd, IDC_FILE_ENTIRE) != BST_CHECKED);
        break;
    case IDC_PAGE_CLEARHIST:
        hist.FClear();
        FillCombo(IDC_FILE_DLCOMBO, nullptr);
        FillCombo(IDC_FILE_ULCOMBO, nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL VWFILE::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == wmXferDone) {
        XFERDONE *pdone = reinterpret_cast<XFERDONE *>(lParam);
        if (pdone->rqt == rqtReadStream) {
            pdone->fTaken = TRUE;
            FDownloadDone(pdone->fOk, pdone->pb);
            free(pdone->pb);
        } else {
            FUploadDone(pdone->fOk);
        }
        return TRUE;
    }
    return DLGVIEW::FDlgProc(wm, wParam, lParam);
}

void VWFILE::Report(UINT ids)
{
    char szFmt[cchSzLoad], sz[cchSzLoad + cchPathMax + 16];
    snprintf(sz, sizeof(sz), SzLoadInto(ids, szFmt), cbXfer, szXferFile);
    g_app.Pvwapp()->AppendStatusLine(sz);
}

BOOL VWFILE::FGetNumber(int id, UINT idsError, int32_t *pval)
{
    char sz[9] = "";
    GetDlgItemTextA(hwnd, id, sz, sizeof(sz));
    int val = ValFromSz(sz);
    if (sz[0] == '\0' || val == -1) {
        MessageBoxA(hwnd, SzLoad(idsError), "Error", MB_OK);
        return FALSE;
    }
    *pval = val;
    return TRUE;
}

BOOL VWFILE::FGetSelectedPath(int idCombo)
{
    int i = static_cast<int>(SendDlgItemMessageA(hwnd, idCombo, CB_GETCURSEL, 0, 0));
    if (i < 0 || i >= hist.Csz()) {
        MessageBoxA(hwnd, SzLoad(IDS_BAD_FILENAME), "Error", MB_OK);
        return FALSE;
    }
    snprintf(szXferFile, sizeof(szXferFile), "%s", hist.SzGet(i));
    return TRUE;
}

BOOL VWFILE::FStartDownload()
{
    int32_t reg = 0;
    if (!FGetNumber(IDC_FILE_REG, IDS_BAD_ADDRESS, &reg))
        return FALSE;
    bReg = static_cast<uint8_t>(reg & 0xFF);
    if (!FGetNumber(IDC_FILE_LENGTH, IDS_BAD_LENGTH, &cbXfer))
        return FALSE;
    if (cbXfer < 0) {
        MessageBoxA(hwnd, SzLoad(IDS_BAD_LENGTH), "Error", MB_OK);
        return FALSE;
    }
    if (!FGetNumber(IDC_FILE_START, IDS_BAD_START, &ibFileStart) || !FGetSelectedPath(IDC_FILE_DLCOMBO))
        return FALSE;
    modeSave = IsDlgButtonChecked(hwnd, IDC_FILE_REPLACE) == BST_CHECKED     ? modeSaveReplace
               : IsDlgButtonChecked(hwnd, IDC_FILE_OVERWRITE) == BST_CHECKED ? modeSaveOverwrite
                                                                              : modeSaveAppend;
    uint8_t *pb = static_cast<uint8_t *>(malloc(cbXfer > 0 ? static_cast<size_t>(cbXfer) : 1));
    if (pb == nullptr) {
        Report(IDS_NO_MEMORY);
        return FALSE;
    }
    EnableControls(FALSE);
    if (!g_app.Pwrkthd()->FReadStream(hwnd, bReg, pb, cbXfer)) {
        free(pb);
        EnableControls(TRUE);
        Report(IDS_XFER_REFUSED);
        return FALSE;
    }
    return TRUE;
}

// On the window thread, when the worker has read the bytes; the buffer is
// the page's from here on.
BOOL VWFILE::FDownloadDone(BOOL fOk, uint8_t *pb)
{
    VWAPP *pvwapp = g_app.Pvwapp();
    if (!fOk) {
        pvwapp->SetProgressPos(0);
        EnableControls(TRUE);
        Report(IDS_FILE_WRITEFAIL);
        return FALSE;
    }
    int erc = ErcSaveDownload(szXferFile, modeSave, ibFileStart, pb, static_cast<size_t>(cbXfer));
    if (erc == ercSaveNoOpen) {
        Report(IDS_FILE_NOOPEN);
        EnableControls(TRUE);
        return FALSE;
    }
    pvwapp->SetProgressPos(0);
    EnableControls(TRUE);
    Report(erc == ercSaveOk ? IDS_FILE_READOK : IDS_FILE_WRITEFAIL);
    return erc == ercSaveOk;
}

BOOL VWFILE::FStartUpload()
{
    int32_t reg = 0;
    if (!FGetNumber(IDC_FILE_REG, IDS_BAD_ADDRESS, &reg))
        return FALSE;
    bReg = static_cast<uint8_t>(reg & 0xFF);
    if (!FGetNumber(IDC_FILE_START, IDS_BAD_START, &ibFileStart) || !FGetSelectedPath(IDC_FILE_ULCOMBO))
        return FALSE;
    EnableControls(FALSE);
    FILE *pf = fopen(szXferFile, "rb");
    if (pf == nullptr) {
        Report(IDS_FILE_NOOPEN);
        EnableControls(TRUE);
        return FALSE;
    }
    long cbFile = fseek(pf, 0, SEEK_END) == 0 ? ftell(pf) : 0;
    fseek(pf, 0, SEEK_SET);
    if (IsDlgButtonChecked(hwnd, IDC_FILE_ENTIRE) == BST_CHECKED) {
        cbXfer = static_cast<int32_t>(cbFile);
    } else {
        int32_t cbLength = 0;
        if (!FGetNumber(IDC_FILE_LENGTH, IDS_BAD_LENGTH, &cbLength) || cbLength < 0) {
            if (cbLength < 0)
                MessageBoxA(hwnd, SzLoad(IDS_BAD_LENGTH), "Error", MB_OK);
            fclose(pf);
            EnableControls(TRUE);
            return FALSE;
        }
        cbXfer = cbLength < cbFile ? cbLength : static_cast<int32_t>(cbFile);
    }
    uint8_t *pb = static_cast<uint8_t *>(malloc(cbXfer > 0 ? static_cast<size_t>(cbXfer) : 1));
    if (pb == nullptr) {
        fclose(pf);
        Report(IDS_NO_MEMORY);
        EnableControls(TRUE);
        return FALSE;
    }
    if (ibFileStart != 0)
        fseek(pf, ibFileStart, SEEK_SET);
    size_t cbRead = cbXfer > 0 ? fread(pb, 1, static_cast<size_t>(cbXfer), pf) : 0;
    fclose(pf);
    if (cbRead < static_cast<size_t>(cbXfer)) {
        Report(IDS_FILE_READFAIL);
        free(pb);
        EnableControls(TRUE);
        return FALSE;
    }
    if (!g_app.Pwrkthd()->FWriteStream(hwnd, bReg, pb, cbXfer)) {
        free(pb);
        EnableControls(TRUE);
        Report(IDS_XFER_REFUSED);
        return FALSE;
    }
    return TRUE;
}

BOOL VWFILE::FUploadDone(BOOL fOk)
{
    g_app.Pvwapp()->SetProgressPos(0);
    Report(fOk ? IDS_FILE_UPLOADOK : IDS_FILE_READFAIL);
    EnableControls(TRUE);
    return fOk;
}

BOOL VWFILE::FBrowseFile(int idCombo)
{
    char *szPath = FLHIST::SzBrowse(hwnd, nullptr);
    if (szPath == nullptr)
        return FALSE;
    hist.ErcAdd(szPath);
    FillCombo(idCombo, szPath);
    free(szPath);
    FComboNotify(idCombo, CBN_SELCHANGE);
    return TRUE;
}

BOOL VWFILE::FillCombo(int idCombo, const char *szSelect)
{
    HWND hwndCombo = GetDlgItem(hwnd, idCombo);
    SendMessageA(hwndCombo, CB_RESETCONTENT, 0, 0);
    SendMessageA(hwndCombo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    for (int i = 0; i < hist.Csz(); i++) {
        SendMessageA(hwndCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(hist.SzFileName(i)));
        if (szSelect != nullptr && strcmp(hist.SzGet(i), szSelect) == 0)
            SendMessageA(hwndCombo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    }
    return TRUE;
}

BOOL VWFILE::FComboNotify(int idCombo, int code)
{
    if (code == CBN_DROPDOWN) {
        int i = static_cast<int>(SendDlgItemMessageA(hwnd, idCombo, CB_GETCURSEL, 0, 0));
        char szSel[cchPathMax + 1] = "";
        if (i >= 0 && i < hist.Csz())
            snprintf(szSel, sizeof(szSel), "%s", hist.SzGet(i));
        return FillCombo(idCombo, szSel[0] ? szSel : nullptr);
    }
    if (code == CBN_SELCHANGE) {
        BOOL fSel = SendDlgItemMessageA(hwnd, idCombo, CB_GETCURSEL, 0, 0) >= 0;
        EnableWindow(GetDlgItem(hwnd, idCombo == IDC_FILE_DLCOMBO ? IDC_FILE_DOWNLOAD : IDC_FILE_UPLOAD), fSel);
        return TRUE;
    }
    return FALSE;
}

void VWFILE::EnableControls(BOOL fEnable)
{
    for (int id : rgidControls)
        EnableWindow(GetDlgItem(hwnd, id), fEnable);
    EnableWindow(GetDlgItem(hwnd, IDC_FILE_LENGTH),
                 fEnable && IsDlgButtonChecked(hwnd, IDC_FILE_ENTIRE) != BST_CHECKED);
}
