// GUI scenarios of the desktop program's work (see orrinwork.h): the shared
// helpers and the Config tab.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>

#include "bitgen.h"
#include "wgdrive.h"

using namespace wg;

namespace orrin {

namespace {

const char szClassDialog[] = "#32770";

std::string SzClass(HWND hwnd)
{
    char sz[64] = "";
    GetClassNameA(hwnd, sz, sizeof(sz));
    return sz;
}

BOOL CALLBACK CollectRow(HWND hwnd, LPARAM lParam)
{
    HWND hwndParent = GetParent(hwnd);
    if (SzClass(hwnd) == szClassDialog && hwndParent != nullptr && SzClass(hwndParent) == "ScMainWin")
        reinterpret_cast<std::vector<HWND> *>(lParam)->push_back(hwnd);
    return TRUE;
}

} // namespace

std::string SzArtifactsWin()
{
    std::string sz = "Z:";
    for (char ch : g_szArtifacts)
        sz += ch == '/' ? '\\' : ch;
    return sz;
}

HWND HwndChild(HWND hwndParent, int id) { return GetDlgItem(hwndParent, id); }

void SetText(HWND hwnd, const std::string &sz)
{
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sz.c_str()));
    // The edit's own change notification, as typing gives it.
    SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), EN_CHANGE),
                 reinterpret_cast<LPARAM>(hwnd));
}

// Posted: a click may open a message box, which would hold a sent message.
void ClickButton(HWND hwnd)
{
    PostMessageA(hwnd, BM_CLICK, 0, 0);
}

std::string SzHexOf(const std::vector<uint8_t> &rgb)
{
    static const char szDigits[] = "0123456789abcdef";
    std::string sz;
    for (uint8_t b : rgb) {
        sz += szDigits[b >> 4];
        sz += szDigits[b & 15];
    }
    return sz;
}

bool FWriteHostFile(const std::string &szPath, const std::vector<uint8_t> &rgb)
{
    FILE *pf = fopen(szPath.c_str(), "wb");
    if (pf == nullptr)
        return false;
    bool fOk = fwrite(rgb.data(), 1, rgb.size(), pf) == rgb.size();
    return fclose(pf) == 0 && fOk;
}

bool FReadHostFile(const std::string &szPath, std::vector<uint8_t> *prgb)
{
    FILE *pf = fopen(szPath.c_str(), "rb");
    if (pf == nullptr)
        return false;
    prgb->clear();
    int ch;
    while ((ch = fgetc(pf)) != EOF)
        prgb->push_back(static_cast<uint8_t>(ch));
    fclose(pf);
    return true;
}

// A program left running by a failed scenario is closed, or ended.
WORK::~WORK()
{
    if (orrin.proc.hproc == nullptr || WaitForSingleObject(orrin.proc.hproc, 0) == WAIT_OBJECT_0)
        return;
    if (orrin.hwndMain != nullptr)
        PostMessageA(orrin.hwndMain, WM_CLOSE, 0, 0);
    if (orrin.proc.Wait(10000) == STILL_ACTIVE)
        TerminateProcess(orrin.proc.hproc, 1);
}

bool WORK::FStart(const std::vector<std::pair<std::string, std::string>> &rgsetting, bool fChain)
{
    const char *szSim = getenv("KOR_SIM");
    const char *szDataPath = getenv("KOR_GUI_DATAPATH");
    Check(szSim != nullptr && simctl.FConnect(szSim), "simulator control channel (KOR_SIM)");
    Check(szDataPath != nullptr, "the run's data folder with the plug-ins (KOR_GUI_DATAPATH)");
    if (szSim == nullptr || szDataPath == nullptr || !simctl.FConnected())
        return false;
    szDir = SzArtifactsWin();
    PrepareRegistry(true);
    FRegSetSz(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath", szDataPath);
    FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, "DvcLast", "SN:210183000B01");
    for (auto &setting : rgsetting)
        FRegSetSz(HKEY_CURRENT_USER, szKeyStapol, setting.first.c_str(), setting.second.c_str());
    if (!orrin.FStart())
        return false;
    if (!fChain)
        return true;
    bool fIdentified = FWaitLine("   Device 2: XC3S500E") || FWaitLine("   Device 2: XCF04S", 0);
    Check(fIdentified, "start: the selected board's chain is identified");
    return fIdentified;
}

std::vector<std::string> WORK::RgszLines() const
{
    return wg::RgszLines(SzText(orrin.Hwnd(idStatus)));
}

bool WORK::FWaitLine(const std::string &sz, DWORD tms, size_t clineBefore) const
{
    DWORD tmsStart = GetTickCount();
    do {
        std::vector<std::string> rgsz = RgszLines();
        if (std::find(rgsz.begin() + std::min(clineBefore, rgsz.size()), rgsz.end(), sz) != rgsz.end())
            return true;
        Sleep(50);
    } while (GetTickCount() - tmsStart < tms);
    return false;
}

HWND WORK::HwndShowTab(const std::string &szName)
{
    HWND hwndTab = orrin.Hwnd(idTab);
    int ctab = static_cast<int>(SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < ctab; i++) {
        if (SzTabText(hwndTab, i) != szName)
            continue;
        SendMessageA(hwndTab, TCM_SETCURFOCUS, i, 0);
        Settle(orrin.hwndMain);
        static const struct { const char *szName; int id; } rgpage[] = {
            {"Config", 0}, {"Register I/O", 50001}, {"File I/O", 1060}, {"I/O Ex", 1139}, {"Settings", idHideStatus},
        };
        for (auto &page : rgpage) {
            if (szName != page.szName)
                continue;
            if (page.id == 0) {
                for (HWND hwnd = GetWindow(hwndTab, GW_CHILD); hwnd != nullptr; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
                    if (FindWindowExA(hwnd, nullptr, "ScMainWin", nullptr) != nullptr)
                        return hwnd;
                return nullptr;
            }
            HWND hwndCtl = HwndFindId(orrin.hwndMain, page.id);
            return hwndCtl ? GetParent(hwndCtl) : nullptr;
        }
    }
    return nullptr;
}

std::string WORK::SzAnswerBox(int idButton, DWORD tms)
{
    DWORD tmsStart = GetTickCount();
    do {
        for (HWND hwnd : RghwndTop(orrin.proc.pid, szClassDialog)) {
            HWND hwndText = GetDlgItem(hwnd, 0xFFFF);
            if (hwndText == nullptr || !IsWindowVisible(hwnd))
                continue;
            std::string sz = SzText(hwndText);
            Screenshot(g_szArtifacts, "box");
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(idButton, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hwnd, idButton)));
            Sleep(200);
            Settle(orrin.hwndMain);
            return sz;
        }
        Sleep(50);
    } while (GetTickCount() - tmsStart < tms);
    return "";
}

std::vector<HWND> WORK::RghwndRows() const
{
    std::vector<HWND> rghwnd;
    EnumChildWindows(orrin.hwndMain, CollectRow, reinterpret_cast<LPARAM>(&rghwnd));
    std::sort(rghwnd.begin(), rghwnd.end(), [](HWND a, HWND b) { return RcWindow(a).top < RcWindow(b).top; });
    return rghwnd;
}

std::string WORK::SzSim(const std::string &szCmd, const std::string &szKey)
{
    std::vector<std::string> rgsz;
    simctl.FCmd(szCmd, &rgsz);
    for (const std::string &sz : rgsz)
        if (sz.compare(0, szKey.size() + 1, szKey + " ") == 0)
            return sz.substr(szKey.size() + 1);
    return "";
}

// The row's combo dropped down (it refills from the history), entry 0
// chosen (the program associates it), then "Program".
bool FSim(WORK &work, const std::string &szCmd, std::vector<std::string> *prgsz)
{
    std::string szErr;
    bool f = work.simctl.FCmd(szCmd, prgsz, &szErr);
    Check(f, szCmd + (f ? "" : ": " + szErr));
    return f;
}

bool FClickAndWait(WORK &work, HWND hwndPage, int id, const std::string &szLine, DWORD tms)
{
    // A page enables its buttons once its worker has ended, a little after
    // the worker's last line: the click waits for that (up to 10 s).
    HWND hwndButton = GetDlgItem(hwndPage, id);
    for (int i = 0; i < 200 && !IsWindowEnabled(hwndButton); i++)
        Sleep(50);
    size_t cline = work.Cline();
    ClickButton(hwndButton);
    return work.FWaitLine(szLine, tms, cline);
}

bool WORK::FStartProgram(HWND hwndRow)
{
    HWND hwndCombo = GetDlgItem(hwndRow, 1003);
    SendMessageA(hwndRow, WM_COMMAND, MAKEWPARAM(1003, CBN_DROPDOWN), reinterpret_cast<LPARAM>(hwndCombo));
    SendMessageA(hwndCombo, CB_SETCURSEL, 0, 0);
    PostMessageA(hwndRow, WM_COMMAND, MAKEWPARAM(1003, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwndCombo));
    Settle(orrin.hwndMain);
    HWND hwndProgram = GetDlgItem(hwndRow, 1002);
    if (!IsWindowEnabled(hwndProgram))
        return false;
    ClickButton(hwndProgram);
    Settle(orrin.hwndMain);
    return true;
}

} // namespace orrin

using namespace orrin;

namespace {

} // namespace

// A configuration file of a design for the boards' FPGA.
bool FMakeBitFileFor(const std::string &szPath, const std::string &szDesign)
{
    BGSPEC bgspec;
    bgspec.strPart = "3s500efg320";
    bgspec.idcode = 0x01C22093;
    bgspec.strDesign = szDesign;
    bgspec.fJtagClock = true;
    bgspec.cwordFrames = 0;
    bgspec.strDate = "2026/12/10";
    bgspec.strTime = "12:00:00";
    std::vector<uint8_t> rgbData;
    return FBuildConfigData(bgspec, &rgbData) && FWriteHostFile(szPath, BitFileFromData(bgspec, rgbData));
}

namespace {

bool FMakeBitFile(const std::string &szPath)
{
    return FMakeBitFileFor(szPath, "reference");
}

int PosProgress(const WORK &work)
{
    return static_cast<int>(SendMessageA(work.orrin.Hwnd(idProgress), PBM_GETPOS, 0, 0));
}

// Wait until the progress bar has moved past 0 (a download runs); its highest position.
int PosWaitProgress(const WORK &work, DWORD tms)
{
    DWORD tmsStart = GetTickCount();
    int posMax = 0;
    while (GetTickCount() - tmsStart < tms && posMax == 0) {
        posMax = std::max(posMax, PosProgress(work));
        Sleep(20);
    }
    return posMax;
}

// Program the FPGA row and wait for the end; the highest progress seen.
int PosProgramToEnd(WORK &work, HWND hwndRow, size_t clineBefore)
{
    Check(work.FStartProgram(hwndRow), "program: the FPGA row's Program button is enabled");
    int posMax = 0;
    DWORD tmsStart = GetTickCount();
    while (GetTickCount() - tmsStart < 60000) {
        posMax = std::max(posMax, PosProgress(work));
        if (work.FWaitLine("Programming Successful.", 0, clineBefore) || work.FWaitLine("Programming Failed.", 0, clineBefore))
            break;
        Sleep(20);
    }
    return posMax;
}

} // namespace

// Identify the chain, program the FPGA from the Config tab, cancel a
// download mid-way and program again, unplug the board during a download.
int ScenarioWorkConfig(const std::string &)
{
    WORK work;
    std::string szBit;
    {
        // The history holds the configuration file before the program starts.
        szBit = SzArtifactsWin() + "\\reference.bit";
        Check(FMakeBitFile(szBit), "configuration file " + szBit);
    }
    if (!work.FStart({{"ConfigFile1", szBit}}))
        return 1;
    ORRIN &orrin = work.orrin;
    std::vector<std::string> rgsz = work.RgszLines();
    for (const char *sz : {"Found device ID: 01c22093", "Found device ID: 05046093", "Initialization Complete.",
                           "   Device 1: XCF04S", "   Device 2: XC3S500E", "Default information loaded."})
        Check(std::find(rgsz.begin(), rgsz.end(), sz) != rgsz.end(), std::string("status line \"") + sz + "\"");
    std::vector<HWND> rghwndRow = work.RghwndRows();
    Check(rghwndRow.size() == 2, "two device rows (" + std::to_string(rghwndRow.size()) + ")");
    Check(SzTabText(orrin.Hwnd(idTab), 0) == "Config", "the Config tab comes first");
    Screenshot(g_szArtifacts, "config-identified");
    if (rghwndRow.size() != 2)
        return 1;
    HWND hwndFpga = rghwndRow[1];

    // Program: the lines of the request, the FPGA runs. (The download goes in
    // a few batches, often quicker than the bar can be sampled; that the bar
    // moves is checked on the download held mid-way below.)
    size_t cline = work.Cline();
    PosProgramToEnd(work, hwndFpga, cline);
    for (const char *sz : {"Set Config file for XC3S500E:  \"" , "Preparing to program XC3S500E...", "Programming...",
                           "Programming Successful."}) {
        rgsz = work.RgszLines();
        bool fFound = std::any_of(rgsz.begin() + std::min(cline, rgsz.size()), rgsz.end(),
                                  [&](const std::string &szLine) { return szLine.compare(0, strlen(sz), sz) == 0; });
        Check(fFound, std::string("program: status line \"") + sz + "\"");
    }
    Check(work.SzSim("FPGA work1 0", "done") == "1", "program: the simulator's FPGA is configured (DONE)");
    Check(PosProgress(work) == 0, "program: the progress bar is back at 0");
    Check(IsWindowEnabled(orrin.Hwnd(idTab)) && IsWindowEnabled(GetDlgItem(hwndFpga, 1002)),
          "program: tab control and row enabled again");
    Screenshot(g_szArtifacts, "config-programmed");

    // Cancel mid-way (Escape reaches the page as command 40024): a failure
    // box, the FPGA left cleared; then program again. The board's shifts go
    // out in batches of up to 64 KB, so a download takes a few transfers
    // only: the first of the bitstream stops moving after 30000 bytes (more
    // than any transfer before it), and the cancel finds it running.
    cline = work.Cline();
    Check(work.simctl.FCmd("FAULT work1 stall 30000"), "simulator: the download stops moving mid-way");
    Check(work.FStartProgram(hwndFpga), "cancel: programming started");
    Check(PosWaitProgress(work, 20000) > 0, "cancel: the download runs");
    Check(!IsWindowEnabled(orrin.Hwnd(idTab)), "cancel: the tab control is disabled during the download");
    PostMessageA(orrin.hwndMain, WM_COMMAND, 40024, 0);
    std::string szBox = work.SzAnswerBox(IDOK);
    Check(szBox == "Programming Failed.", "cancel: message box \"" + szBox + "\"");
    Check(work.FWaitLine("Programming Failed.", 5000, cline), "cancel: status line \"Programming Failed.\"");
    Check(work.SzSim("FPGA work1 0", "done") == "0", "cancel: the FPGA is left unconfigured");
    Check(IsWindowEnabled(orrin.Hwnd(idTab)), "cancel: controls enabled again");
    Check(work.simctl.FCmd("FAULT work1 clear"), "simulator: fault cleared");
    cline = work.Cline();
    PosProgramToEnd(work, hwndFpga, cline);
    Check(work.FWaitLine("Programming Successful.", 0, cline), "program again after the cancel: successful");
    Check(work.SzSim("FPGA work1 0", "done") == "1", "program again: DONE");

    // A chain that cannot be identified (TDO stuck): the failure box, no rows,
    // the page usable again; identified again once the fault is gone.
    HWND hwndConfig = GetParent(GetParent(hwndFpga));
    HWND hwndInit = GetDlgItem(hwndConfig, 1001);
    Check(work.simctl.FCmd("FAULT work1 stucktdo 1"), "simulator: TDO stuck");
    ClickButton(hwndInit);
    szBox = work.SzAnswerBox(IDOK);
    Check(szBox == "Initialization Failed.  Check connections and try again.", "failed identification: box \"" + szBox + "\"");
    Settle(orrin.hwndMain);
    Check(work.RghwndRows().empty(), "failed identification: no rows");
    Check(IsWindowEnabled(hwndInit) && IsWindowEnabled(orrin.Hwnd(idTab)) && IsWindowEnabled(orrin.Hwnd(idCombo)),
          "failed identification: Initialize Chain, tabs and device list enabled again");
    Screenshot(g_szArtifacts, "config-no-chain");
    Check(work.simctl.FCmd("FAULT work1 clear"), "simulator: fault cleared");
    cline = work.Cline();
    ClickButton(hwndInit);
    Check(work.FWaitLine("   Device 2: XC3S500E", 20000, cline), "identified again");
    Settle(orrin.hwndMain);
    rghwndRow = work.RghwndRows();
    Check(rghwndRow.size() == 2, "identified again: two rows");
    if (rghwndRow.size() != 2)
        return 1;
    hwndFpga = rghwndRow[1];

    // Unplug during a download (held mid-way as above): a clear error, no hang.
    cline = work.Cline();
    Check(work.simctl.FCmd("FAULT work1 stall 30000"), "simulator: the download stops moving mid-way");
    Check(work.FStartProgram(hwndFpga), "unplug: programming started");
    Check(PosWaitProgress(work, 20000) > 0, "unplug: the download runs");
    Check(work.simctl.FCmd("UNPLUG work1"), "simulator: board unplugged during the download");
    szBox = work.SzAnswerBox(IDOK, 30000);
    Check(szBox == "Programming Failed.", "unplug: message box \"" + szBox + "\"");
    Check(FResponsive(orrin.hwndMain) && IsWindowEnabled(orrin.Hwnd(idTab)), "unplug: program responsive, enabled");
    Screenshot(g_szArtifacts, "config-unplugged");
    work.simctl.FCmd("PLUG work1");
    work.simctl.FCmd("FAULT work1 clear");

    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
