// VWCONN: the connect bar's combo box notifications.

#include "vwconn.h"

#include "app.h"
#include "resource.h"
#include "szload.h"
#include "vwapp.h"

int COMBOWND::IcurGet()
{
    return static_cast<int>(SendMessageA(hwndCombo, CB_GETCURSEL, 0, 0));
}

void COMBOWND::GetItemText(int i, char *sz, int cch)
{
    sz[0] = '\0';
    LRESULT cchItem = SendMessageA(hwndCombo, CB_GETLBTEXTLEN, i, 0);
    if (cchItem == CB_ERR || cchItem >= cch)
        return;
    SendMessageA(hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(sz));
}

void COMBOWND::Reset() { SendMessageA(hwndCombo, CB_RESETCONTENT, 0, 0); }

void COMBOWND::AddItem(const char *sz) { SendMessageA(hwndCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sz)); }

void COMBOWND::SetCurSel(int i) { SendMessageA(hwndCombo, CB_SETCURSEL, i, 0); }

VWCONN::~VWCONN() {}

void VWCONN::Destroy() { DLGVIEW::Destroy(); }

BOOL VWCONN::FInitDialog(HWND) { return TRUE; }

BOOL VWCONN::FInit() { return TRUE; }

BOOL VWCONN::FEnum()
{
    COMBOWND combo(GetDlgItem(hwnd, IDC_CONN_COMBO));
    uint8_t fSelChanged = 0;
    BOOL fFound = g_app.Pdvclst()->FEnum(&combo, &fSelChanged);
    g_app.SetSelChanged(fSelChanged);
    return fFound;
}

BOOL VWCONN::FSelect()
{
    COMBOWND combo(GetDlgItem(hwnd, IDC_CONN_COMBO));
    BOOL fSel = g_app.Pdvclst()->FTakeSelection(&combo);
    g_app.SelectDevice(FALSE);
    return fSel;
}

void VWCONN::AcceptSelection()
{
    g_app.SetDeviceSwitch(1);
    g_app.SetSelChanged(0);
    FSelect();
    HWND hwndPage = g_app.Pvwapp()->HwndCurPage();
    if (hwndPage != nullptr)
        SendMessageA(hwndPage, WM_COMMAND, IDC_PAGE_DVCSWITCH, 0);
}

BOOL VWCONN::FDlgCommand(int id, int code, HWND hwndCtl)
{
    if (id != IDC_CONN_COMBO)
        return TRUE;
    switch (code) {
    case CBN_DROPDOWN:
        if (g_app.FDeviceSwitch()) {
            g_app.Pvwapp()->AppendStatusLine(SzLoad(IDS_INTERNALERROR));
            SendMessageA(hwndCtl, CB_SHOWDROPDOWN, FALSE, 0);
            return FALSE;
        }
        FEnum();
        return TRUE;
    case CBN_SELENDOK:
        if (g_app.FDeviceSwitch())
            return FALSE;
        AcceptSelection();
        return TRUE;
    case CBN_SELENDCANCEL:
        // The re-enumeration of the opened list moved the selection: the
        // same as an accepted selection.
        if (!g_app.FSelChanged())
            return TRUE;
        if (g_app.FDeviceSwitch())
            return FALSE;
        AcceptSelection();
        return TRUE;
    default:
        return TRUE;
    }
}
