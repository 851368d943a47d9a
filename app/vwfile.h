// VWFILE: the File I/O page (dialog 120): streams a file to one register
// ("File  >>  Device") and stores the bytes read from one register in a file
// ("File << Device"). The worker moves the bytes (8192 per block) and sends
// the completion back to this page (wmXferDone); the transfer buffer belongs
// to the worker from the hand-over until then.
#ifndef ORRIN_VWFILE_H
#define ORRIN_VWFILE_H

#include "dlgview.h"
#include "filesave.h"
#include "flhist.h"

class VWFILE : public DLGVIEW {
public:
    VWFILE();
    ~VWFILE() override;
    void Destroy() override;
    void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther) override;
    void Deactivate(BOOL fMinimized, HWND hwndOther) override;
    BOOL FInitDialog(HWND hwndFocus) override;
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;
    BOOL FInit() override;

    BOOL FStartDownload();
    BOOL FStartUpload();
    BOOL FDownloadDone(BOOL fOk, uint8_t *pb);
    BOOL FUploadDone(BOOL fOk);
    BOOL FBrowseFile(int idCombo);
    BOOL FillCombo(int idCombo, const char *szSelect);
    BOOL FComboNotify(int idCombo, int code);
    void EnableControls(BOOL fEnable);

private:
    // A number of an edit; FALSE (after the message box ids) when refused.
    BOOL FGetNumber(int id, UINT idsError, int32_t *pval);
    BOOL FGetSelectedPath(int idCombo);
    void Report(UINT ids);

    uint8_t bReg;
    int32_t ibFileStart;
    int32_t cbXfer;
    char szXferFile[cchPathMax];
    FLHIST hist;
    int32_t modeSave;
};

#endif
