// VWFLASH: the "Flash" page of the Corvale and Pentra plug-ins. It programs
// the board's flash from a .bin, .bit or .mcs file, writes a data file at an
// address, reads the flash back into a file and erases it, each operation on
// a worker thread (flashjob.h does the work, a board profile says how), with
// "Cancel" while one runs. The Corvale page also chooses the MCS data width
// and the BPI direction.
#ifndef VWFLASH_H
#define VWFLASH_H

#include <windows.h>
#include <commdlg.h>

#include <atomic>

#include "bsworker.h"
#include "dlgvbs.h"
#include "flashjob.h"

class VWFLASH : public DLGVBS {
public:
    explicit VWFLASH(const FLASHPROFILE &profIn);
    ~VWFLASH() override;                                        // 42
    void Destroy() override;                                    // 43
    BOOL FInitDialog(HWND hwndFocus) override;                  // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;  // 55
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;   // 56
    BOOL FInit() override;                                      // 57

    BOOL FStartOp(FLASHOP op);
    void EnableControls(BOOL fRunning);

    // The worker's view of the page (vwflash.cpp).
    bool FCancelRequested() const { return fCancel || worker.FStopRequested(); }
    bool FClosing() const { return fClosing; }

private:
    bool FBrowse(OPENFILENAMEA &ofn, bool fSave, int idEdit);
    void Cancel();
    void ConfigReset();
    void ParseAddress();
    void ShowAddress();
    bool FHex();
    bool FTakeFile(int idEdit, char *szFile);
    void WorkerThread();

    const FLASHPROFILE &prof;
    BSWORKER worker;
    OPENFILENAMEA ofnProgram, ofnWrite, ofnRead;
    char szReadFile[MAX_PATH];
    char szProgramFile[MAX_PATH];
    char szWriteFile[MAX_PATH];
    BOOL fX16 = FALSE;
    BOOL fBpiDown = FALSE;
    BOOL fVerify = FALSE;
    std::atomic<bool> fCancel{false};
    std::atomic<bool> fClosing{false};
    FLASHOP opCur = opErase;
    int32_t addrWrite = 0;
};

#endif
