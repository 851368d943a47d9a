// VWIOEX: the I/O Ex page (dialog 205). While started, a polling thread of
// the page opens the selected device, checks the design with register 0 and
// then, every 100 ms, writes the switches, buttons and the To FPGA value and
// reads the LEDs, the light bar and the From FPGA value.
//
// "Ioex" guards what both threads touch; "IoexThread" is held by the polling
// thread for its whole run (both named, shared by every running copy). The
// polling thread never holds "Ioex" while it waits for the window thread:
// its status lines are sent after it has released the mutex, and its window
// updates are posted. Stop only asks the thread to end; the view is deleted
// only after its thread has ended.
#ifndef ORRIN_VWIOEX_H
#define ORRIN_VWIOEX_H

#include "dlgview.h"
#include "voziri.h"

enum {
    stOff = 1000, stNoTest = 1001, stOn = 1002, stStopped = 1003, stDark = 1004,
    stUp = 1006, stDown = 1007, stOnFailed = 1008, stOffFailed = 1009,
};

struct IOIND {
    uint32_t st;
    uint16_t idCtl;
    RECT rc;
};

enum { cledIoex = 8, cswitchIoex = 16, cbuttonIoex = 16, csegIoex = 24, cgrpIoex = 10, cchFromFpga = 40 };

// Register groups of rgfRegOk.
enum {
    igrpLed = 0, igrpBar4 = 1, igrpBar3 = 2, igrpBar2 = 3, igrpBtn8 = 4, igrpBtn7 = 5,
    igrpSw6 = 6, igrpSw5 = 7, igrpTo = 8, igrpFrom = 9,
};

enum { wmIoexUpdate = WM_APP + 20, wmIoexEnded = WM_APP + 21 };

class VWIOEX : public DLGVIEW {
public:
    VWIOEX();
    ~VWIOEX() override;
    void MouseButton(UINT wm, WPARAM fsKeys, int x, int y) override;
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;
    void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther) override;
    void Deactivate(BOOL fMinimized, HWND hwndOther) override;
    void Destroy() override;
    BOOL FInitDialog(HWND hwndFocus) override;
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;
    BOOL FInit() override;

    BOOL FStartIo();
    void IoThread();
    void ResetIndicators(BOOL fRunningNew);
    BOOL FReadToFpgaValue();

private:
    static DWORD WINAPI ThreadProc(void *pv);
    void StopIo();
    void WaitThreadEnd();
    // One pass of the polling thread, "Ioex" held: FALSE when it failed.
    BOOL FPass(HIF hifPass, uint8_t *rgbLast, uint8_t *rgbLastTo, BOOL fFirst, BOOL *pfChanged);

    uint8_t bLed;
    uint8_t rgbButton[2];
    uint8_t rgbSwitch[2];
    uint8_t rgbLightBar[3];
    uint8_t rgbToFpga[8];
    uint8_t rgbFromFpga[4];
    RECT rcChanged;
    HANDLE hmtxIoex;
    HANDLE hmtxIoexThread;
    HANDLE hthd;
    DWORD tidIo;                    // the polling thread's id; its end message names it
    HIF hif;
    uint8_t fRunning;
    uint8_t rgfRegOk[cgrpIoex];
    uint8_t fNewText;
    int32_t ifmt;
    char szFromFpga[cchFromFpga];   // last From FPGA text formatted, "" before the first
    uint8_t fSendFailed;            // the To FPGA write failed in this run
};

#endif
