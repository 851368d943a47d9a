// The desktop program under test, as the scenarios of orrindrv see it: the
// registry it reads and writes, its control ids, and a running copy of it
// (main window, Settings page) that the driver clicks and closes.
#ifndef ORRINAPP_H
#define ORRINAPP_H

#include <windows.h>

#include <string>

#include "wgdrive.h"

namespace orrin {

extern const char szKeyShared[];
extern const char szKeyStapol[];
extern const char szKeyRev[];

enum {
    idTab = 0x1001, idStatus = 0x1002, idProgress = 0x1003,
    idCombo = 1011, idProduct = 1013,
    idDvcMg = 1001, idClearStatus = 1002, idClearHist = 1003, idPower = 1004,
    idAutoInit = 1018, idHideStatus = 1019, idSlowProg = 1020,
};

// The program file and the host folder for screenshots (from the command line).
extern std::string g_szExe, g_szArtifacts;

// Empties the program's settings; DataPath and the installed revisions as given.
void PrepareRegistry(bool fDataPath);
// A value of the program's settings key, "<missing>" when absent.
std::string SzStapol(const char *szValue);

// A running copy of the program: its main window and the Settings page.
struct ORRIN {
    wg::CHILDPROC proc;
    HWND hwndMain = nullptr;
    HWND hwndPage = nullptr;

    bool FStart(const std::string &szArgs = "");
    HWND Hwnd(int id) const { return wg::HwndFindId(hwndMain, id); }
    // The Settings page now in the tab control (it is rebuilt by device switches).
    HWND HwndSettingsPage() const;
    // Wait (up to tms) until a Settings page other than hwndOld exists; the
    // page then found, which may be hwndOld or null on time-out.
    HWND HwndWaitSettingsPage(HWND hwndOld, DWORD tms = 20000) const;
    bool FChecked(int id) const { return SendMessageA(Hwnd(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(int id) const;
    int CyMain() const;
    DWORD Close();
};

// The first four status lines: the banner with the installed revisions.
void CheckBanner(const ORRIN &orrin);

// "Device Manager..." on the Settings page: waits for the dialog it opens,
// closes it and checks that the program goes on. The dialog's caption, or
// empty when none appeared.
std::string SzOpenDeviceManager(ORRIN &orrin);

} // namespace orrin

#endif
