// VWMEM: the "Memory" page of the Miravo2 plug-in. Reads a range of the
// board's RAM or flash into a file, writes a file into either at a start
// address, and erases the flash; the work runs on MEMRW's worker thread
// (memrw.h), the page gathers its fields, locks the program until the
// worker has started and keeps its controls in step.
#ifndef VWMEM_H
#define VWMEM_H

#include <windows.h>
#include <commdlg.h>

#include "dlgvbs.h"
#include "memrw.h"

class VWMEM : public DLGVBS, private MEMRWUI {
public:
    VWMEM();
    ~VWMEM() override;                                           // 42
    void Destroy() override;                                     // 43
    BOOL FInitDialog(HWND hwndFocus) override;                   // 53
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;   // 55
    BOOL FInit() override;                                       // 57
    virtual void EnableControls(BOOL fRunning);                  // 64

private:
    // MEMRWUI, called on the worker thread.
    std::string SzText(int ids) override;
    void Log(const char *sz) override;
    bool FConfigureFpga(const char *szPath) override;
    bool FAskOverwrite(const char *szText, const char *szCaption) override;
    void EnableControls(bool fRunning) override { EnableControls(BOOL(fRunning)); }
    void SleepMs(uint32_t ms) override { Sleep(ms); }

    // Runs op with the page's fields: the program locked until the worker
    // has started. szFileId: the file field (0 for none), its dialog.
    void Start(MEMOP op, int idFile, OPENFILENAMEA *pofn, bool fSave);
    bool FBrowse(OPENFILENAMEA *pofn, bool fSave, int idFile);
    MEMRWREQ ReqFromFields(MEMOP op);
    std::string SzField(int id);
    bool FHexRadix(int id);

    OPENFILENAMEA ofnRead, ofnWrite;
    char szReadFile[MAX_PATH], szWriteFile[MAX_PATH];
    volatile BYTE fBusy;
    MEMRW *pmemrw;
};

#endif
