// VWREG: the Register I/O page (dialog 201): eight rows of register
// address, value read and value to write; reads and writes run on the
// worker, whose completion comes back to this page as wmXferDone.
#ifndef ORRIN_VWREG_H
#define ORRIN_VWREG_H

#include "dlgview.h"

enum { crowReg = 8 };

class VWREG : public DLGVIEW {
public:
    VWREG();
    ~VWREG() override;
    void Destroy() override;
    void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther) override;
    void Deactivate(BOOL fMinimized, HWND hwndOther) override;
    BOOL FInitDialog(HWND hwndFocus) override;
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;
    BOOL FInit() override;

    BOOL FReadRow(int r);
    BOOL FWriteRow(int r);
    BOOL FReadAll();
    BOOL FWriteAll();
    BOOL FReformat(int fmtNew);
    BOOL FReadDone(BOOL fOk, const uint8_t *rgbRead);
    BOOL FWriteDone(BOOL fOk);

private:
    // The byte of an edit: FALSE (after its message box) when refused.
    BOOL FGetByte(int id, BOOL fAddress, uint8_t *pb);
    BOOL FEmpty(int id);

    uint8_t bReadData;
    uint8_t bReadAddr;
    uint8_t rgbAddr[crowReg];
    uint8_t rgbValue[crowReg];
    uint8_t rgirow[crowReg];
    int32_t centry;
    int32_t fmt;
};

#endif
