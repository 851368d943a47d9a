// VWREG: the Register I/O page.

#include "vwreg.h"

#include <stdio.h>
#include <string.h>

#include "app.h"
#include "numfmt.h"
#include "resource.h"
#include "szload.h"
#include "vwapp.h"
#include "wrkthd.h"

VWREG::VWREG() : bReadData(0), bReadAddr(0), rgbAddr(), rgbValue(), rgirow(), centry(0), fmt(nfmtHex) {}
VWREG::~VWREG() {}
void VWREG::Destroy() { DLGVIEW::Destroy(); }
BOOL VWREG::FInit() { return DLGVIEW::FInit(); }
void VWREG::Activate(BOOL, BOOL, HWND) {}
void VWREG::Deactivate(BOOL, HWND) {}

BOOL VWREG::FInitDialog(HWND)
{
    for (int id = IDC_REG_READ0; id < IDC_REG_WRITE0 + crowReg; id++)
        EnableWindow(GetDlgItem(hwnd, id), FALSE);
    CheckRadioButton(hwnd, IDC_REG_BIN, IDC_REG_HEX, IDC_REG_HEX);
    fmt = nfmtHex;
    return TRUE;
}

BOOL VWREG::FDlgCommand(int id, int, HWND)
{
    if (id >= IDC_REG_READ0 && id < IDC_REG_READ0 + crowReg)
        FReadRow(id - IDC_REG_READ0);
    else if (id >= IDC_REG_WRITE0 && id < IDC_REG_WRITE0 + crowReg)
        FWriteRow(id - IDC_REG_WRITE0);
    else if (id >= IDC_REG_BIN && id <= IDC_REG_HEX) {
        FReformat(id - IDC_REG_BIN);
        fmt = id - IDC_REG_BIN;
    } else if (id == IDC_REG_READALL)
        FReadAll();
    else if (id == IDC_REG_WRITEALL)
        FWriteAll();
    else if (id >= IDC_REG_ADDR0 && id < IDC_REG_ADDR0 + crowReg) {
        int r = id - IDC_REG_ADDR0;
        BOOL fEnable = !FEmpty(id);
        EnableWindow(GetDlgItem(hwnd, IDC_REG_READ0 + r), fEnable);
        EnableWindow(GetDlgItem(hwnd, IDC_REG_WRITE0 + r), fEnable);
    }
    return TRUE;
}

BOOL VWREG::FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == wmXferDone) {
        const XFERDONE *pdone = reinterpret_cast<const XFERDONE *>(lParam);
        if (pdone->rqt == rqtReadRegs)
            FReadDone(pdone->fOk, pdone->pb);
        else
            FWriteDone(pdone->fOk);
        return TRUE;
    }
    return DLGVIEW::FDlgProc(wm, wParam, lParam);
}

BOOL VWREG::FEmpty(int id)
{
    char sz[9] = "";
    GetDlgItemTextA(hwnd, id, sz, sizeof(sz));
    return sz[0] == '\0';
}

BOOL VWREG::FGetByte(int id, BOOL fAddress, uint8_t *pb)
{
    char sz[9] = "";
    GetDlgItemTextA(hwnd, id, sz, sizeof(sz));
    int val = ValFromSz(sz);
    UINT ids = 0;
    if (sz[0] == '\0' || val < 0)
        ids = fAddress ? IDS_BAD_ADDRESS : IDS_BAD_DATA;
    else if (val > 255)
        ids = fAddress ? IDS_ADDR_BOUNDS : IDS_DATA_BOUNDS;
    if (ids != 0) {
        MessageBoxA(hwnd, SzLoad(ids), "Error", MB_OK);
        return FALSE;
    }
    *pb = static_cast<uint8_t>(val);
    return TRUE;
}

BOOL VWREG::FReadRow(int r)
{
    rgirow[0] = static_cast<uint8_t>(r);
    if (!FGetByte(IDC_REG_ADDR0 + r, TRUE, &bReadAddr))
        return FALSE;
    centry = 1;
    if (!g_app.Pwrkthd()->FReadRegs(hwnd, &bReadAddr, 1))
        g_app.Pvwapp()->AppendStatusLine(SzLoad(IDS_REG_REFUSED));
    return TRUE;
}

BOOL VWREG::FWriteRow(int r)
{
    uint8_t bAddr, bValue;
    if (!FGetByte(IDC_REG_ADDR0 + r, TRUE, &bAddr) || !FGetByte(IDC_REG_WDATA0 + r, FALSE, &bValue))
        return FALSE;
    rgbAddr[0] = bAddr;
    rgbValue[0] = bValue;
    centry = 1;
    if (!g_app.Pwrkthd()->FWriteRegs(hwnd, rgbAddr, rgbValue, 1))
        g_app.Pvwapp()->AppendStatusLine(SzLoad(IDS_REG_REFUSED));
    return TRUE;
}

BOOL VWREG::FReadAll()
{
    centry = 0;
    for (int r = 0; r < crowReg; r++) {
        if (FEmpty(IDC_REG_ADDR0 + r))
            continue;
        if (!FGetByte(IDC_REG_ADDR0 + r, TRUE, &rgbAddr[centry]))
            return FALSE;
        rgirow[centry++] = static_cast<uint8_t>(r);
    }
    if (centry == 0)
        return FALSE;
    if (!g_app.Pwrkthd()->FReadRegs(hwnd, rgbAddr, centry))
        g_app.Pvwapp()->AppendStatusLine(SzLoad(IDS_REG_REFUSED));
    return TRUE;
}

// Rows with an address and a value are written in row order; a value
// without an address is refused (it has no register of its own), and an
// address without a value writes nothing.
BOOL VWREG::FWriteAll()
{
    centry = 0;
    for (int r = 0; r < crowReg; r++) {
        BOOL fAddr = !FEmpty(IDC_REG_ADDR0 + r), fValue = !FEmpty(IDC_REG_WDATA0 + r);
        if (!fValue)
            continue;
        if (!fAddr) {
            MessageBoxA(hwnd, SzLoad(IDS_BAD_ADDRESS), "Error", MB_OK);
            return FALSE;
        }
        if (!FGetByte(IDC_REG_ADDR0 + r, TRUE, &rgbAddr[centry]) ||
            !FGetByte(IDC_REG_WDATA0 + r, FALSE, &rgbValue[centry]))
            return FALSE;
        centry++;
    }
    if (centry == 0)
        return FALSE;
    if (!g_app.Pwrkthd()->FWriteRegs(hwnd, rgbAddr, rgbValue, centry))
        g_app.Pvwapp()->AppendStatusLine(SzLoad(IDS_REG_REFUSED));
    return TRUE;
}

BOOL VWREG::FReadDone(BOOL fOk, const uint8_t *rgbRead)
{
    for (int i = 0; i < centry && i < crowReg; i++) {
        char sz[cchNumTextMin] = "";
        if (fOk)
            FSzFromVal(rgbRead[i], fmt, sz);
        SetDlgItemTextA(hwnd, IDC_REG_DATA0 + rgirow[i], sz);
    }
    return TRUE;
}

BOOL VWREG::FWriteDone(BOOL) { return TRUE; }

BOOL VWREG::FReformat(int fmtNew)
{
    for (int r = 0; r < crowReg; r++) {
        char sz[cchNumTextMin] = "", szNum[cchNumTextMin + 2];
        GetDlgItemTextA(hwnd, IDC_REG_DATA0 + r, sz, 9);
        if (sz[0] == '\0')
            continue;
        snprintf(szNum, sizeof(szNum), "%s%s", strlen(sz) == 8 ? "0b" : "", sz);
        int val = ValFromSz(szNum);
        if (val != -1) {
            FSzFromVal(val, fmtNew, sz);
            SetDlgItemTextA(hwnd, IDC_REG_DATA0 + r, sz);
        }
    }
    return TRUE;
}
