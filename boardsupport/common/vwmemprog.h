// The "Memory" tab of the Miravo3 plug-in: programs an FPGA configuration
// into the SPI or parallel flash, erases either flash, reads a range of the
// chosen memory (SPI flash, parallel flash or RAM) into a file, writes a data
// file at a start address, and runs the full memory test. The work runs on
// a worker thread (RunMemJob, memprog.h); the page only collects the fields,
// starts, cancels and waits.
#ifndef VWMEMPROG_H
#define VWMEMPROG_H

#include <windows.h>
#include <commdlg.h>

#include <atomic>

#include "bsworker.h"
#include "dlgvbs.h"
#include "memprog.h"

class VWMEMPROG : public DLGVBS {
public:
    VWMEMPROG();
    ~VWMEMPROG() override;                                               // 42
    void Destroy() override;                                             // 43
    BOOL FInitDialog(HWND hwndFocus) override;                           // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;           // 55
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;       // 56
    BOOL FInit() override;                                               // 57
    // The tab's stop entry: cancels a running operation and waits for it
    // at most 10 s.
    virtual void CancelAndWait();                                        // 61

private:
    BOOL FStartOp(int op);
    void EnableControls(BOOL fRunning);
    void Cancel(int tms);
    BOOL FBrowse(OPENFILENAMEA *pofn, BOOL fSave, int idEdit);
    void NumberUpdated(int idEdit, int idRadix, int32_t *pl, int32_t lMax);
    void ShowNumber(int idEdit, int idRadix, int32_t l, const char *szHexFmt);
    BOOL FHex(int idRadix);
    void ConfigReset();
    void WorkerBody();

    OPENFILENAMEA ofnProgram, ofnWrite, ofnRead;
    char szReadFile[MAX_PATH], szProgramFile[MAX_PATH], szWriteFile[MAX_PATH];
    BOOL fVerify;
    int opCur;
    int32_t addrWrite, addrRead, cbRead;
    int tgt;
    uint32_t cbMem;
    std::atomic<bool> fCancel{ false };
    std::atomic<bool> fClosing{ false };
    HWND hwndWorker = nullptr;   // the page the running worker reports to
    MEMJOB jobCur;
    BSWORKER worker;
};

#endif
