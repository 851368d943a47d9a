/*
 * dtbldlg_win32.cpp - the device-table dialog: the table's entries on the
 * left, an enumeration of connected devices on the right, edit fields to
 * add entries. Uses only the runtime's public functions, like any client.
 */
#include "dtbldlg.h"

#include <windows.h>

#include <string.h>

#include "vzcore.h"
#include "yorl.h"

namespace {

enum { cdvcShownMax = 64, cchField = 260, dinfoSerial = 5 };

/* The dialog object, one per process. */
struct DTBLDLG {
    HWND hwnd;
    int cdvcEnum;
    int cdvcTbl;
    DVC rgdvcTbl[cdvcShownMax];
    DVC rgdvcEnum[cdvcShownMax];
    int fRunning;                  /* under pmtxTimer */
};

DTBLDLG dtbldlg;

void ShowError(HWND hwnd, const char *szText, const char *szCaption = "Error")
{
    MessageBoxA(hwnd, szText, szCaption, MB_OK);
}

const int rgidcWork[] = {idcEnumerate, idcAdd, idcRemove, idcSave};

void EnableWork(HWND hwnd, BOOL fEnable)
{
    for (int idc : rgidcWork)
        EnableWindow(GetDlgItem(hwnd, idc), fEnable);
}

void FillTable(HWND hwnd)
{
    int cdvc = 0;
    if (!TvxEnumDevicesEx(&cdvc, 3, 0, 0, nullptr)) {
        ShowError(hwnd, "Device Table failed to enumerate");
        return;
    }
    SendDlgItemMessageA(hwnd, idcTblList, LB_RESETCONTENT, 0, 0);
    dtbldlg.cdvcTbl = 0;
    for (int idvc = 0; idvc < cdvc && dtbldlg.cdvcTbl < cdvcShownMax; idvc++) {
        DVC dvc;
        if (!TvxGetDvc(idvc, &dvc))
            continue;
        dvc.szName[cchDvcNameMax - 1] = '\0';
        SendDlgItemMessageA(hwnd, idcTblList, LB_ADDSTRING, 0, (LPARAM)dvc.szName);
        dtbldlg.rgdvcTbl[dtbldlg.cdvcTbl++] = dvc;
    }
    TvxFreeDvcEnum();
}

void ListConnected(HWND hwnd, int cdvc)
{
    SendDlgItemMessageA(hwnd, idcEnumList, LB_RESETCONTENT, 0, 0);
    int cShown = 0;
    for (int idvc = 0; idvc < cdvc && cShown < cdvcShownMax; idvc++) {
        DVC dvc;
        if (!TvxGetDvc(idvc, &dvc))
            continue;
        dvc.szName[cchDvcNameMax - 1] = '\0';
        SendDlgItemMessageA(hwnd, idcEnumList, LB_ADDSTRING, 0, (LPARAM)dvc.szName);
        dtbldlg.rgdvcEnum[cShown++] = dvc;
    }
    dtbldlg.cdvcEnum = cdvc;
}

void SelectRadios(HWND hwnd, uint32_t dtp)
{
    uint32_t tpt = dtp & 0xFFFF;
    if (tpt == 1)
        CheckRadioButton(hwnd, idcTptUsb, idcTptSer, idcTptUsb);
    else if (tpt == 2)
        CheckRadioButton(hwnd, idcTptUsb, idcTptSer, idcTptNet);
    int idcPtc = idcPtcAll;
    switch (dtp >> 16) {
    case 1: idcPtc = idcPtc1; break;
    case 2: idcPtc = idcPtc2; break;
    case 4: idcPtc = idcPtc3; break;
    case 8: idcPtc = idcPtc4; break;
    default: break;
    }
    CheckRadioButton(hwnd, idcPtc1, idcPtcAll, idcPtc);
}

void OnTableSelection(HWND hwnd)
{
    int isel = (int)SendDlgItemMessageA(hwnd, idcTblList, LB_GETCURSEL, 0, 0);
    if (isel < 0 || isel >= dtbldlg.cdvcTbl)
        return;
    const DVC &dvc = dtbldlg.rgdvcTbl[isel];
    SendDlgItemMessageA(hwnd, idcEnumList, LB_SETCURSEL, (WPARAM)-1, 0);
    SetDlgItemTextA(hwnd, idcAlias, dvc.szName);
    SetDlgItemTextA(hwnd, idcConnect, dvc.szConn);
    SelectRadios(hwnd, dvc.dtp);
}

void OnConnectedSelection(HWND hwnd)
{
    int isel = (int)SendDlgItemMessageA(hwnd, idcEnumList, LB_GETCURSEL, 0, 0);
    if (isel < 0 || isel >= dtbldlg.cdvcEnum || isel >= cdvcShownMax)
        return;
    DVC dvc = dtbldlg.rgdvcEnum[isel];
    SendDlgItemMessageA(hwnd, idcTblList, LB_SETCURSEL, (WPARAM)-1, 0);
    SetDlgItemTextA(hwnd, idcAlias, "");
    uint32_t tpt = dvc.dtp & 0xFFFF;
    if (tpt == 1) {
        char szSN[cchField] = "";
        if (TvxGetInfo(&dvc, dinfoSerial, szSN)) {
            szSN[sizeof(szSN) - 1] = '\0';
            SetDlgItemTextA(hwnd, idcConnect, szSN);
        }
    } else if (tpt == 2) {
        SetDlgItemTextA(hwnd, idcConnect, dvc.szConn);
    }
    SelectRadios(hwnd, dvc.dtp);
}

void OnAliasChanged(HWND hwnd)
{
    BOOL fAlias = GetWindowTextLengthA(GetDlgItem(hwnd, idcAlias)) > 0;
    EnableWindow(GetDlgItem(hwnd, idcAdd), fAlias);
    EnableWindow(GetDlgItem(hwnd, idcRemove), fAlias);
}

void OnAdd(HWND hwnd)
{
    /* The fields are read into room of 260 characters and copied into the
     * record within its fields: a long alias is cut, and then refused by
     * the name rule, never written past szName. */
    char szAlias[cchField + 1] = "", szConn[cchField + 1] = "";
    GetDlgItemTextA(hwnd, idcAlias, szAlias, cchField);
    GetDlgItemTextA(hwnd, idcConnect, szConn, cchField);
    uint32_t tpt = 0;
    if (IsDlgButtonChecked(hwnd, idcTptUsb) == BST_CHECKED)
        tpt = 1;
    else if (IsDlgButtonChecked(hwnd, idcTptNet) == BST_CHECKED)
        tpt = 2;
    else {
        ShowError(hwnd, "Invalid transport type specified");
        return;
    }
    static const struct { int idc; uint32_t ptc; } rgptc[] = {
        {idcPtc1, 1}, {idcPtc2, 2}, {idcPtc3, 4}, {idcPtc4, 8}};
    uint32_t ptc = 0;
    for (const auto &p : rgptc) {
        if (IsDlgButtonChecked(hwnd, p.idc) == BST_CHECKED)
            ptc = p.ptc;
    }
    if (ptc == 0) {
        ShowError(hwnd, "Invalid protocol specified");
        return;
    }
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    SzCopy(dvc.szName, szAlias, sizeof(dvc.szName));
    if (strlen(szAlias) >= sizeof(dvc.szName))
        dvc.szName[0] = '\0';    /* does not fit: no name, which the table refuses */
    SzCopy(dvc.szConn, szConn, sizeof(dvc.szConn));
    dvc.dtp = ptc << 16 | tpt;
    if (TvxDvcTblAdd(&dvc))
        FillTable(hwnd);
    else
        ShowError(hwnd, "Failed to add device to device table");
}

void OnRemove(HWND hwnd)
{
    int isel = (int)SendDlgItemMessageA(hwnd, idcTblList, LB_GETCURSEL, 0, 0);
    if (isel < 0 || isel >= dtbldlg.cdvcTbl)
        return;
    TvxDvcTblRem(dtbldlg.rgdvcTbl[isel].szName);
    FillTable(hwnd);
    SetDlgItemTextA(hwnd, idcAlias, "");
    SetDlgItemTextA(hwnd, idcConnect, "");
    for (int idc = idcTptUsb; idc <= idcTptSer; idc++)
        CheckDlgButton(hwnd, idc, BST_UNCHECKED);
    for (int idc = idcPtc1; idc <= idcPtcAll; idc++)
        CheckDlgButton(hwnd, idc, BST_UNCHECKED);
}

bool FLockTimer()
{
    return vzproc.pmtxTimer != nullptr && vzproc.pmtxTimer->Lock(tmsLockTimeout);
}

void OnEnumerate(HWND hwnd)
{
    EnableWork(hwnd, FALSE);
    uint32_t dtpDisc = 0;
    if (IsDlgButtonChecked(hwnd, idcEnumUsb) == BST_CHECKED)
        dtpDisc |= 1;
    if (IsDlgButtonChecked(hwnd, idcEnumNet) == BST_CHECKED)
        dtpDisc |= 2;
    if (!TvxStartEnum(0, dtpDisc, 0, nullptr)) {
        ShowError(hwnd, "Could not start Enumeration", "error");
        EnableWork(hwnd, TRUE);
        return;
    }
    dtbldlg.cdvcEnum = 0;
    SendDlgItemMessageA(hwnd, idcEnumList, LB_RESETCONTENT, 0, 0);
    if (FLockTimer()) {
        dtbldlg.fRunning = 1;
        vzproc.pmtxTimer->Unlock();
    }
    SetTimer(hwnd, idtEnum, 100, nullptr);
}

void OnTimer(HWND hwnd)
{
    if (!FLockTimer())
        return;
    if (dtbldlg.fRunning) {
        int cdvc = 0;
        if (TvxGetEnumCount(&cdvc) && cdvc > dtbldlg.cdvcEnum)
            ListConnected(hwnd, cdvc);
        if (TvxIsEnumFinished()) {
            KillTimer(hwnd, idtEnum);
            dtbldlg.fRunning = 0;
            TvxFreeDvcEnum();
            EnableWork(hwnd, TRUE);
        }
    }
    vzproc.pmtxTimer->Unlock();
}

void OnInit(HWND hwnd)
{
    dtbldlg.hwnd = hwnd;
    dtbldlg.cdvcEnum = 0;
    dtbldlg.cdvcTbl = 0;
    char szVersion[64] = "";
    if (TvxGetFileVersion(szVersion)) {
        char szCaption[128];
        wsprintfA(szCaption, "VOZIRI Device Table Manager %s", szVersion);
        SetWindowTextA(hwnd, szCaption);
    }
    EnableWindow(GetDlgItem(hwnd, idcAdd), FALSE);
    EnableWindow(GetDlgItem(hwnd, idcRemove), FALSE);
    CheckDlgButton(hwnd, idcEnumUsb, BST_CHECKED);
    FillTable(hwnd);
}

INT_PTR CALLBACK DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        OnInit(hwnd);
        return TRUE;
    case WM_CLOSE:
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
    case WM_TIMER:
        if (wParam == idtEnum)
            OnTimer(hwnd);
        return TRUE;
    case WM_COMMAND: {
        int idc = LOWORD(wParam);
        int code = HIWORD(wParam);
        switch (idc) {
        case IDCANCEL:
            EndDialog(hwnd, IDCANCEL);
            break;
        case idcTblList:
            if (code == LBN_SELCHANGE)
                OnTableSelection(hwnd);
            break;
        case idcEnumList:
            if (code == LBN_SELCHANGE)
                OnConnectedSelection(hwnd);
            break;
        case idcAlias:
            OnAliasChanged(hwnd);
            break;
        case idcAdd:
            OnAdd(hwnd);
            break;
        case idcRemove:
            OnRemove(hwnd);
            break;
        case idcSave:
            if (!TvxDvcTblSave())
                ShowError(hwnd, "Failed to save device table");
            break;
        case idcEnumerate:
            OnEnumerate(hwnd);
            break;
        default:
            break;
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

int FRunDvcTblDialog(void *hmod, void *hwndOwner)
{
    INT_PTR res = DialogBoxParamA((HINSTANCE)hmod, MAKEINTRESOURCEA(iddDvcTbl), (HWND)hwndOwner, DlgProc, 0);
    if (res == -1 || res == 0) {
        /* No dialog was shown (no resource, a window that is not one): the
         * caller must not be left with an older code. */
        FRecordErc(ercInternalError, "TvxOpenDvcMg DialogBoxParam failed");
        return 0;
    }
    return 1;
}
