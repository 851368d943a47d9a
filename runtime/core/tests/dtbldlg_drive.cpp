/*
 * dtbldlg_drive.cpp - drives the device-table dialog as a user would: the
 * dialog runs on a thread of this program (TvxOpenDvcMg), the main thread
 * types into its fields, clicks its buttons and answers its message boxes,
 * and checks the table and the file it saves. A test manager takes the
 * USB (1, 1) table entries. argv[1]: folder of the screenshots; argv[2]:
 * the device-table file (also in YORL_DEVTBL).
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "dtbldlg.h"
#include "dtblmg.h"
#include "magmg.h"
#include "dvcmg.h"
#include "vzcore.h"
#include "vzfake.h"
#include "vztestenv.h"
#include "wgdrive.h"

namespace {

/* Lists the device table's USB entries; accepts "SN:" strings for the table. */
class MAGTBL : public MAGFAKE {
public:
    int FEnum(int fTbl, int, uint32_t, void *, DVCMG *pdvcmg) override
    {
        if (!fTbl)
            return 1;
        DTBLMG dtbl;
        if (dtbl.FInit() && dtbl.FEnumTbl(dtpUsbFirmware)) {
            for (int i = 0; i < dtbl.CdvcMac(); i++) {
                DVCNODE node;
                memset(&node, 0, sizeof(node));
                dtbl.FGetDvc(i, &node.edvc.dvc);
                node.edvc.fsEdvc = fsedvcTable;
                vzproc.pmtxEnum->Lock(tmsLockTimeout);
                pdvcmg->FAddNode(&node);
                vzproc.pmtxEnum->Unlock();
            }
        }
        dtbl.Term();
        return 1;
    }
    int FCheckSzConnTbl(const char *szConn) override { return MAG::FCheckSzSN(szConn); }
};

HWND hwndDlg;
std::string szShots;

DWORD WINAPI DialogThread(LPVOID)
{
    return TvxOpenDvcMg(nullptr) ? 0 : 1;
}

HWND Item(int idc) { return GetDlgItem(hwndDlg, idc); }

void SetField(int idc, const char *sz) { SendMessageA(Item(idc), WM_SETTEXT, 0, (LPARAM)sz); }

void Click(int idc) { SendMessageA(Item(idc), BM_CLICK, 0, 0); }

std::vector<std::string> VszList(int idc)
{
    std::vector<std::string> vsz;
    int c = (int)SendMessageA(Item(idc), LB_GETCOUNT, 0, 0);
    for (int i = 0; i < c; i++) {
        char sz[256] = "";
        SendMessageA(Item(idc), LB_GETTEXT, i, (LPARAM)sz);
        vsz.push_back(sz);
    }
    return vsz;
}

/* A message box of the dialog: its text; it is then closed with OK. */
std::string SzAnswerBox(const char *szCaption)
{
    for (int i = 0; i < 100; i++) {
        HWND hwndBox = FindWindowA("#32770", szCaption);
        if (hwndBox && GetWindow(hwndBox, GW_OWNER) == hwndDlg) {
            std::string sz = wg::SzText(GetDlgItem(hwndBox, 0xFFFF));
            PostMessageA(hwndBox, WM_COMMAND, IDOK, 0);
            for (int j = 0; j < 100 && IsWindow(hwndBox); j++)
                Sleep(20);
            return sz;
        }
        Sleep(50);
    }
    return "<no message box>";
}

/* Click a button whose action shows a message box: the click is posted. */
std::string SzClickExpectingBox(int idc, const char *szCaption)
{
    PostMessageA(Item(idc), BM_CLICK, 0, 0);
    return SzAnswerBox(szCaption);
}

void AddEntry(const char *szAlias, const char *szConn)
{
    SetField(idcAlias, szAlias);
    SetField(idcConnect, szConn);
    Click(idcTptUsb);
    Click(idcPtc1);
    Click(idcAdd);
}

typedef std::vector<std::string> VSZ;

/* The picture is taken by a host process that runs on by itself: give it time. */
void Shot(const char *szName)
{
    RedrawWindow(hwndDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    wg::Screenshot(szShots, szName);
    Sleep(2000);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        printf("usage: dtbldlg_drive SHOTDIR TABLEFILE\n");
        return 2;
    }
    szShots = argv[1];
    std::string szTbl = argv[2];
    remove(szTbl.c_str());
    VzSetEnv("YORL_DEVTBL", szTbl.c_str());
    if (PmagfakeStart("dlg") == nullptr) {
        printf("FAIL runtime start\n");
        return 1;
    }
    vzproc.hmod = GetModuleHandleA(nullptr);   /* the dialog resource is in this program */
    MAGTBL *pmagtbl = new MAGTBL;
    magmg.FAddMag(1, 1, pmagtbl);

    HANDLE hthd = CreateThread(nullptr, 0, DialogThread, nullptr, 0, nullptr);
    for (int i = 0; i < 200 && hwndDlg == nullptr; i++) {
        hwndDlg = FindWindowA("#32770", "VOZIRI Device Table Manager 2.0.0.0");
        Sleep(50);
    }
    wg::Check(hwndDlg != nullptr, "dialog shown with the version in its caption");
    if (hwndDlg == nullptr)
        return 1;
    wg::Check(!IsWindowEnabled(Item(idcAdd)) && !IsWindowEnabled(Item(idcRemove)), "add and remove start disabled");
    wg::Check(IsDlgButtonChecked(hwndDlg, idcEnumUsb) == BST_CHECKED, "USB enumeration ticked");
    wg::Check(!IsWindowEnabled(Item(idcTptPar)) && !IsWindowVisible(Item(idcEnumPar)), "PAR radios off, PAR box hidden");
    wg::Check(VszList(idcTblList).empty(), "empty table at start");

    SetField(idcAlias, "bench1");
    wg::Check(IsWindowEnabled(Item(idcAdd)) && IsWindowEnabled(Item(idcRemove)), "an alias enables add and remove");
    SetField(idcConnect, "SN:0123456789AB");
    Click(idcTptUsb);
    wg::Check(SzClickExpectingBox(idcAdd, "Error") == "Invalid protocol specified", "no protocol: message");
    Click(idcPtc1);
    Click(idcAdd);
    wg::Check(VszList(idcTblList) == VSZ({"bench1"}), "added entry listed");
    AddEntry("bench2", "SN:00000000CAFE");
    wg::Check(VszList(idcTblList) == VSZ({"bench1", "bench2"}), "second entry listed");

    /* Refused entries: a long alias (not written past the record), a blank, a duplicate. */
    std::string szLong(300, 'x');
    for (const char *szAlias : {szLong.c_str(), "a b", "bench1"}) {
        SetField(idcAlias, szAlias);
        SetField(idcConnect, "SN:000000000001");
        wg::Check(SzClickExpectingBox(idcAdd, "Error") == "Failed to add device to device table",
                  std::string("refused alias ") + std::string(szAlias).substr(0, 20));
    }
    wg::Check(VszList(idcTblList) == VSZ({"bench1", "bench2"}), "refusals leave the table");

    /* Selecting an entry fills the fields and radios. */
    SendMessageA(Item(idcTblList), LB_SETCURSEL, 1, 0);
    SendMessageA(hwndDlg, WM_COMMAND, MAKEWPARAM(idcTblList, LBN_SELCHANGE), (LPARAM)Item(idcTblList));
    wg::Check(wg::SzText(Item(idcAlias)) == "bench2" && wg::SzText(Item(idcConnect)) == "SN:00000000CAFE",
              "selection fills the fields");
    wg::Check(IsDlgButtonChecked(hwndDlg, idcTptUsb) == BST_CHECKED &&
                  IsDlgButtonChecked(hwndDlg, idcPtc1) == BST_CHECKED,
              "selection sets USB and protocol 1");
    Shot("dtbldlg-two-entries");

    Click(idcRemove);
    wg::Check(VszList(idcTblList) == VSZ({"bench1"}), "removed entry gone");
    wg::Check(wg::SzText(Item(idcAlias)).empty() && IsDlgButtonChecked(hwndDlg, idcTptUsb) != BST_CHECKED,
              "remove clears fields and radios");
    /* Remove without a selection does nothing. */
    SendMessageA(Item(idcTblList), LB_SETCURSEL, (WPARAM)-1, 0);
    SetField(idcAlias, "bench1");
    Click(idcRemove);
    wg::Check(VszList(idcTblList) == VSZ({"bench1"}), "remove without selection does nothing");

    Click(idcSave);
    std::string szFile = SzReadFile(szTbl);
    wg::Check(szFile.find("\tszName = \"bench1\"") != std::string::npos &&
                  szFile.find("\tszConn = \"SN:0123456789AB\"") != std::string::npos &&
                  szFile.find("\tdtp =    10001h") != std::string::npos && szFile.find("bench2") == std::string::npos,
              "save wrote the table");

    /* Enumerate with nothing ticked finds nothing and gives the buttons back. */
    Click(idcEnumUsb);
    Click(idcEnumerate);
    for (int i = 0; i < 600 && !(IsWindowEnabled(Item(idcEnumerate)) && IsWindowEnabled(Item(idcSave))); i++)
        Sleep(50);
    wg::Check(IsWindowEnabled(Item(idcEnumerate)) && IsWindowEnabled(Item(idcSave)), "enumeration ended");
    wg::Check(VszList(idcEnumList).empty(), "nothing connected");
    Shot("dtbldlg-saved");

    PostMessageA(hwndDlg, WM_CLOSE, 0, 0);
    DWORD dwWait = WaitForSingleObject(hthd, 10000);
    DWORD code = 1;
    GetExitCodeThread(hthd, &code);
    wg::Check(dwWait == WAIT_OBJECT_0 && code == 0, "dialog closed, TvxOpenDvcMg succeeded");
    CloseHandle(hthd);
    VzTestStop();
    delete pmagtbl;
    printf("%d failed\n", wg::cFail);
    return wg::cFail == 0 ? 0 : 1;
}
