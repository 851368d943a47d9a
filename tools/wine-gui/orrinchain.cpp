// GUI scenario of the desktop program's Config tab on a board whose chain
// holds a CoolRunner-II CPLD, a Spartan-3E FPGA and its Platform Flash PROM
// (chain.cfg): the rows' file boxes offer the history's files that fit each
// device, the PROM asks before taking a file made for the JTAG start-up
// clock, the CPLD is programmed from a .jed, its IDCODE read once and in a
// loop, and erased, an SVF file checks the chain's IDCODEs, the PROM is programmed from an .mcs (cancelled mid-way,
// then again) and the FPGA configures from it at the next power-on; the PROM
// erased, it no longer does; the board unplugged during a PROM download gives
// a clear error. The simulator confirms what each device ended up with.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>

#include "bitgen.h"
#include "cr2gen.h"
#include "mcsgen.h"
#include "wgdrive.h"

using namespace wg;
using namespace orrin;

namespace {

const char szBoard[] = "chain1";
const char szSerial[] = "SN:210183000C01";

enum { irowCpld = 0, irowFpga = 1, irowProm = 2 };
enum { idRowBrowse = 1001, idRowProgram = 1002, idRowCombo = 1003 };
enum { idMenuErase = 40019, idMenuGetId = 40022, idMenuLoopId = 40023, idCmdEscape = 40024 };
enum { idLoopCount = 1008, idLoopRun = 1009 };

// The files of the scenario, in the history in this order.
struct FILES {
    std::string szBit;    // a Spartan-3E .bit made for the JTAG start-up clock
    std::string szMcs;    // the PROM file of a design that starts up on CCLK
    std::string szJed;    // a design for the CPLD
    std::string szSvf;    // an SVF file (offered to every device) that checks the chain's IDCODEs
    std::string szSvfBad; // one that expects another version of the PROM
    std::vector<uint8_t> rgbPromImage;
    std::vector<uint8_t> rgfuse;
};

BGSPEC BgspecOf(bool fJtagClock)
{
    BGSPEC bgspec;
    bgspec.strPart = "3s500efg320";
    bgspec.idcode = 0x01C22093;
    bgspec.strDesign = "refio";
    bgspec.fJtagClock = fJtagClock;
    bgspec.cwordFrames = 16000;    // 64 KB: 125 pages of the PROM
    bgspec.strDate = "2026/12/10";
    bgspec.strTime = "12:00:00";
    return bgspec;
}

// SVF of the whole chain: after a reset every device shows its IDCODE; one
// scan reads the three, the PROM's (nearest TDO) first, and expects
// szIdcodeProm of the PROM, all 32 bits (the others without their version).
std::string StrSvfIdcodes(const std::string &szIdcodeProm)
{
    return "// the IDCODEs of the chain\r\n"
           "TRST OFF;\r\nENDIR IDLE;\r\nENDDR IDLE;\r\nSTATE RESET;\r\nSTATE IDLE;\r\n"
           "SDR 96 TDI (000000000000000000000000) TDO (06E5E09301C22093" + szIdcodeProm + ")\r\n"
           "    MASK (0FFFFFFF0FFFFFFFFFFFFFFF);\r\n"
           "STATE RESET;\r\n";
}

bool FMakeFiles(const std::string &szDir, FILES *pfiles)
{
    pfiles->szBit = szDir + "\\jtagclk.bit";
    pfiles->szMcs = szDir + "\\boot.mcs";
    pfiles->szJed = szDir + "\\cpld.jed";
    pfiles->szSvf = szDir + "\\chain.svf";
    pfiles->szSvfBad = szDir + "\\badid.svf";
    BGSPEC bgspecJtag = BgspecOf(true), bgspecCclk = BgspecOf(false);
    std::vector<uint8_t> rgbJtag, rgbCclk;
    if (!FBuildConfigData(bgspecJtag, &rgbJtag) || !FBuildConfigData(bgspecCclk, &rgbCclk))
        return false;
    pfiles->rgbPromImage = RgbPromImage(rgbCclk);
    std::string szMcs = StrMcs(pfiles->rgbPromImage);
    const CR2PART *ppart = PpartCr2("XC2C64A");
    if (ppart == nullptr)
        return false;
    pfiles->rgfuse = RgfuseOfSeed(ppart->cfuse, 19);
    std::string szJed = StrJedec("XC2C64A", pfiles->rgfuse, true);
    std::string szSvf = StrSvfIdcodes("05046093");
    std::string szSvfBad = StrSvfIdcodes("15046093");   // another version of the PROM
    return FWriteHostFile(pfiles->szBit, BitFileFromData(bgspecJtag, rgbJtag)) &&
           FWriteHostFile(pfiles->szMcs, std::vector<uint8_t>(szMcs.begin(), szMcs.end())) &&
           FWriteHostFile(pfiles->szJed, std::vector<uint8_t>(szJed.begin(), szJed.end())) &&
           FWriteHostFile(pfiles->szSvf, std::vector<uint8_t>(szSvf.begin(), szSvf.end())) &&
           FWriteHostFile(pfiles->szSvfBad, std::vector<uint8_t>(szSvfBad.begin(), szSvfBad.end()));
}

// The entries of a row's file box after it dropped down (it refills from
// the history then).
std::vector<std::string> RgszComboAfterDrop(HWND hwndRow)
{
    HWND hwndCombo = GetDlgItem(hwndRow, idRowCombo);
    SendMessageA(hwndRow, WM_COMMAND, MAKEWPARAM(idRowCombo, CBN_DROPDOWN), reinterpret_cast<LPARAM>(hwndCombo));
    std::vector<std::string> rgsz;
    int citem = static_cast<int>(SendMessageA(hwndCombo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < citem; i++) {
        // Text of another process's combo: the wide form arrives intact.
        WCHAR wsz[300] = L"";
        SendMessageW(hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wsz));
        char sz[300] = "";
        WideCharToMultiByte(CP_ACP, 0, wsz, -1, sz, sizeof(sz), nullptr, nullptr);
        rgsz.push_back(sz);
    }
    return rgsz;
}

std::string SzJoin(const std::vector<std::string> &rgsz)
{
    std::string sz;
    for (const std::string &szItem : rgsz)
        sz += (sz.empty() ? "" : ", ") + szItem;
    return sz;
}

// Choose the entry szName in the row's file box, as a user picks it from
// the list (the program associates the file, possibly asking first; the
// notification is posted so that its question can be answered).
bool FChooseFile(WORK &work, HWND hwndRow, const std::string &szName)
{
    std::vector<std::string> rgsz = RgszComboAfterDrop(hwndRow);
    auto it = std::find(rgsz.begin(), rgsz.end(), szName);
    if (it == rgsz.end())
        return false;
    HWND hwndCombo = GetDlgItem(hwndRow, idRowCombo);
    SendMessageA(hwndCombo, CB_SETCURSEL, static_cast<WPARAM>(it - rgsz.begin()), 0);
    PostMessageA(hwndRow, WM_COMMAND, MAKEWPARAM(idRowCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwndCombo));
    Settle(work.orrin.hwndMain);
    return true;
}

int PosProgress(const WORK &work)
{
    return static_cast<int>(SendMessageA(work.orrin.Hwnd(idProgress), PBM_GETPOS, 0, 0));
}

// Wait for the first of the lines (after clineBefore); its index, or -1.
int IWaitLines(const WORK &work, const std::vector<std::string> &rgszEnd, size_t clineBefore, DWORD tms,
               int *pposMax = nullptr)
{
    DWORD tmsStart = GetTickCount();
    do {
        if (pposMax != nullptr)
            *pposMax = std::max(*pposMax, PosProgress(work));
        std::vector<std::string> rgsz = work.RgszLines();
        for (size_t iline = std::min(clineBefore, rgsz.size()); iline < rgsz.size(); iline++)
            for (size_t i = 0; i < rgszEnd.size(); i++)
                if (rgsz[iline] == rgszEnd[i])
                    return static_cast<int>(i);
        Sleep(20);
    } while (GetTickCount() - tmsStart < tms);
    return -1;
}

bool FHasLine(const WORK &work, const std::string &sz, size_t clineBefore)
{
    std::vector<std::string> rgsz = work.RgszLines();
    return std::find(rgsz.begin() + std::min(clineBefore, rgsz.size()), rgsz.end(), sz) != rgsz.end();
}

// Click the row's Program button and wait for the end of the request:
// TRUE when it ended with "Programming Successful.".
bool FProgramRow(WORK &work, HWND hwndRow, const std::string &szWhat, int *pposMax)
{
    size_t cline = work.Cline();
    HWND hwndProgram = GetDlgItem(hwndRow, idRowProgram);
    Check(IsWindowEnabled(hwndProgram), szWhat + ": the row's Program button is enabled");
    ClickButton(hwndProgram);
    int iend = IWaitLines(work, {"Programming Successful.", "Programming Failed."}, cline, 120000, pposMax);
    Check(iend >= 0, szWhat + ": the request ends");
    return iend == 0;
}

// A device-menu command of a row (as chosen from the badge's popup menu);
// the line ending it, or -1.
int IMenuCommand(WORK &work, HWND hwndRow, int idCmd, const std::vector<std::string> &rgszEnd)
{
    size_t cline = work.Cline();
    PostMessageA(hwndRow, WM_COMMAND, MAKEWPARAM(idCmd, 0), 0);
    return IWaitLines(work, rgszEnd, cline, 60000);
}

// The "key value" line of a simulator answer.
std::string SzSimKey(WORK &work, const std::string &szCmd, const std::string &szKey)
{
    return work.SzSim(szCmd, szKey);
}

// The board powered off and on again (cable out and in), as a user does to
// have the FPGA load from its PROM.
bool FPowerCycle(WORK &work)
{
    std::string szBoardArg = szBoard;
    return work.simctl.FCmd("UNPLUG " + szBoardArg) && work.simctl.FCmd("WAIT " + szBoardArg + " absent") &&
           work.simctl.FCmd("PLUG " + szBoardArg) && work.simctl.FCmd("WAIT " + szBoardArg + " present");
}

std::vector<uint8_t> CpldRow(WORK &work, unsigned irow)
{
    std::string sz = work.simctl.SzLine("CPLDROW " + std::string(szBoard) + " " + std::to_string(irow));
    std::vector<uint8_t> row;
    for (char ch : sz)
        row.push_back(ch == '1');
    return row;
}

// The program's "Loop Device ID" dialog, once it is shown; null on time-out.
HWND HwndWaitLoopDialog(const WORK &work, DWORD tms = 10000)
{
    DWORD tmsStart = GetTickCount();
    do {
        for (HWND hwnd : RghwndTop(work.orrin.proc.pid, "#32770"))
            if (IsWindowVisible(hwnd) && SzText(hwnd) == "Loop Device ID")
                return hwnd;
        Sleep(50);
    } while (GetTickCount() - tmsStart < tms);
    return nullptr;
}

// A right click on the row's badge: whether the device menu appeared (its
// items' states are the program's own and cannot be read from another
// process; the window-free rules of them are tested natively). The menu is
// closed again with Escape.
bool FOpenDeviceMenu(WORK &work, HWND hwndRow, const std::string &szPicture)
{
    RECT rc = RcWindow(GetDlgItem(hwndRow, 1007));
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + 7 + rc.bottom - 3) / 2};
    ScreenToClient(hwndRow, &pt);
    PostMessageA(hwndRow, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
    HWND hwndMenu = nullptr;
    DWORD tmsStart = GetTickCount();
    while (hwndMenu == nullptr && GetTickCount() - tmsStart < 5000) {
        for (HWND hwnd : RghwndTop(work.orrin.proc.pid, "#32768"))
            if (IsWindowVisible(hwnd))
                hwndMenu = hwnd;
        if (hwndMenu == nullptr)
            Sleep(30);
    }
    if (hwndMenu == nullptr)
        return false;
    Sleep(300);
    Screenshot(g_szArtifacts, szPicture);
    PostMessageA(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(hwndRow, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    Settle(work.orrin.hwndMain);
    return true;
}

void CheckRows(WORK &work, std::vector<HWND> *prghwndRow, const std::string &szWhat)
{
    *prghwndRow = work.RghwndRows();
    Check(prghwndRow->size() == 3, szWhat + ": three device rows (" + std::to_string(prghwndRow->size()) + ")");
}

} // namespace

int ScenarioChainPromCpld(const std::string &)
{
    WORK work;
    std::string szDir = SzArtifactsWin();
    FILES files;
    Check(FMakeFiles(szDir, &files), "the scenario's configuration files");
    if (!work.FStart({{"DvcLast", szSerial}, {"ConfigFile1", files.szBit}, {"ConfigFile2", files.szMcs},
                      {"ConfigFile3", files.szJed}, {"ConfigFile4", files.szSvf},
                      {"ConfigFile5", files.szSvfBad}}))
        return 1;
    ORRIN &orrin = work.orrin;
    Check(work.FWaitLine("   Device 3: XCF04S"), "start: status line \"   Device 3: XCF04S\"");
    for (const char *sz : {"Found device ID: 05046093", "Found device ID: 01c22093", "Found device ID: 06e5e093",
                           "   Device 1: XC2C64A", "   Device 2: XC3S500E"})
        Check(FHasLine(work, sz, 0), std::string("start: status line \"") + sz + "\"");
    std::vector<HWND> rghwndRow;
    CheckRows(work, &rghwndRow, "start");
    Check(SzSimKey(work, std::string("FPGA ") + szBoard, "done") == "0", "start: the FPGA is not configured");
    Screenshot(g_szArtifacts, "chain-identified");
    if (rghwndRow.size() != 3)
        return 1;

    // Each row's file box lists the history's files that fit the device,
    // by file name.
    struct { int irow; std::vector<std::string> rgsz; } rgcombo[] = {
        {irowCpld, {"cpld.jed", "chain.svf", "badid.svf"}},
        {irowFpga, {"jtagclk.bit", "chain.svf", "badid.svf"}},
        {irowProm, {"jtagclk.bit", "boot.mcs", "chain.svf", "badid.svf"}},
    };
    for (auto &combo : rgcombo) {
        std::vector<std::string> rgsz = RgszComboAfterDrop(rghwndRow[combo.irow]);
        Check(rgsz == combo.rgsz, "file box of row " + std::to_string(combo.irow + 1) + ": " + SzJoin(rgsz));
        Check(!IsWindowEnabled(GetDlgItem(rghwndRow[combo.irow], idRowProgram)),
              "row " + std::to_string(combo.irow + 1) + ": Program disabled before a file is chosen");
    }

    // The device menus open from the badges.
    struct { int irow; const char *szPicture; } rgmenu[] = {
        {irowCpld, "chain-menu-cpld"}, {irowFpga, "chain-menu-fpga"}, {irowProm, "chain-menu-prom"},
    };
    for (auto &menu : rgmenu)
        Check(FOpenDeviceMenu(work, rghwndRow[menu.irow], menu.szPicture),
              "row " + std::to_string(menu.irow + 1) + ": a right click on the badge opens the device menu");
    Check(FResponsive(orrin.hwndMain) && work.RghwndRows().size() == 3, "the device menus closed again");

    // A .bit made for the JTAG start-up clock is questioned for the PROM;
    // No leaves the box without a choice and Program disabled.
    HWND hwndProm = rghwndRow[irowProm], hwndCpld = rghwndRow[irowCpld];
    size_t cline = work.Cline();
    Check(FChooseFile(work, hwndProm, "jtagclk.bit"), "PROM: jtagclk.bit chosen");
    std::string szBox = work.SzAnswerBox(IDNO);
    Check(szBox == "Startup clock for this file is 'JTAG CLK' instead of 'CCLK'.  Problems will likely occur.  \n"
                   "Associate config file with device anyway?",
          "PROM: the start-up clock question \"" + szBox + "\"");
    Settle(orrin.hwndMain);
    Check(SendDlgItemMessageA(hwndProm, idRowCombo, CB_GETCURSEL, 0, 0) == CB_ERR,
          "PROM: after No the file box has no choice");
    Check(!IsWindowEnabled(GetDlgItem(hwndProm, idRowProgram)), "PROM: after No Program stays disabled");
    Check(!FHasLine(work, "Set Config file for XCF04S:  \"" + files.szBit + "\"", cline),
          "PROM: the refused file is not set");

    // The CPLD from its .jed: programmed, its array holds the design, the
    // chain reads its IDCODE; then erased.
    cline = work.Cline();
    Check(FChooseFile(work, hwndCpld, "cpld.jed"), "CPLD: cpld.jed chosen");
    Check(work.FWaitLine("Set Config file for XC2C64A:  \"" + files.szJed + "\"", 5000, cline),
          "CPLD: status line \"Set Config file for XC2C64A: ...\"");
    int posMax = 0;
    cline = work.Cline();
    Check(FProgramRow(work, hwndCpld, "CPLD", &posMax), "CPLD: \"Programming Successful.\"");
    Check(FHasLine(work, "Preparing to program XC2C64A...", cline) && FHasLine(work, "Erasing device...", cline) &&
              FHasLine(work, "Programming...", cline),
          "CPLD: the lines of the request (preparing, erasing, programming)");
    Check(posMax > 0, "CPLD: the progress bar moved (" + std::to_string(posMax) + ")");
    Check(SzSimKey(work, std::string("CPLD ") + szBoard, "done") == "1", "CPLD: the simulator's CPLD is DONE");
    Check(SzSimKey(work, std::string("CPLD ") + szBoard, "programshort") == "0" &&
              SzSimKey(work, std::string("CPLD ") + szBoard, "eraseshort") == "0",
          "CPLD: no erase or program cycle cut short");
    const CR2PART &part = *PpartCr2("XC2C64A");
    CR2LAYOUT lay = LayoutCr2(part);
    bool fSame = true;
    for (unsigned irow = 0; irow < part.crow; irow++)
        fSame = fSame && CpldRow(work, irow) == RowProgrammed(part, lay, files.rgfuse, irow, 0);
    Check(fSame, "CPLD: every row of the array holds the file's design");
    Screenshot(g_szArtifacts, "chain-cpld-programmed");
    Check(IMenuCommand(work, hwndCpld, idMenuGetId, {"Device ID: 06e5e093", "Failed to get device ID."}) == 0,
          "CPLD: Get Device ID reads 06e5e093");
    // Loop Device ID: the dialog offers 100 rounds; 7 asked, 7 read.
    cline = work.Cline();
    PostMessageA(hwndCpld, WM_COMMAND, MAKEWPARAM(idMenuLoopId, 0), 0);
    HWND hwndLoop = HwndWaitLoopDialog(work);
    Check(hwndLoop != nullptr && SzText(GetDlgItem(hwndLoop, idLoopCount)) == "100",
          "CPLD: the \"Loop Device ID\" dialog offers 100 iterations");
    if (hwndLoop != nullptr) {
        Screenshot(g_szArtifacts, "chain-loop-dialog");
        SendMessageA(GetDlgItem(hwndLoop, idLoopCount), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7"));
        PostMessageA(hwndLoop, WM_COMMAND, MAKEWPARAM(idLoopRun, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwndLoop, idLoopRun)));
    }
    Check(IWaitLines(work, {"Device ID:  06e5e093 -  successfully looped 7 iterations.", "Failed to loop device ID."},
                     cline, 30000) == 0,
          "CPLD: \"Device ID:  06e5e093 -  successfully looped 7 iterations.\"");
    Check(FHasLine(work, "Looping device ID of XC2C64A...", cline), "CPLD: \"Looping device ID of XC2C64A...\"");
    Check(IMenuCommand(work, hwndCpld, idMenuErase, {"Erase Succesful.", "Erase Failed."}) == 0,
          "CPLD: \"Erase Succesful.\"");
    Check(SzSimKey(work, std::string("CPLD ") + szBoard, "done") == "0", "CPLD: erased, not DONE");
    Check(CpldRow(work, 5) == std::vector<uint8_t>(part.cbitRow, 1), "CPLD: erased cells read 1");
    Check(IsWindowEnabled(orrin.Hwnd(idTab)) && IsWindowEnabled(GetDlgItem(hwndCpld, idRowProgram)),
          "CPLD: tab control and row enabled again after the erase");

    // An SVF file played through the FPGA's row: its TDO checks pass; one
    // expecting another PROM version fails.
    HWND hwndFpga = rghwndRow[irowFpga];
    Check(FChooseFile(work, hwndFpga, "chain.svf"), "SVF: chain.svf chosen");
    Check(FProgramRow(work, hwndFpga, "SVF", nullptr), "SVF: the IDCODE checks pass, \"Programming Successful.\"");
    Check(FChooseFile(work, hwndFpga, "badid.svf"), "SVF: badid.svf chosen");
    cline = work.Cline();
    ClickButton(GetDlgItem(hwndFpga, idRowProgram));
    szBox = work.SzAnswerBox(IDOK, 30000);
    Check(szBox == "Programming Failed.", "SVF: a TDO mismatch, message box \"" + szBox + "\"");
    Check(work.FWaitLine("Programming Failed.", 5000, cline), "SVF: status line \"Programming Failed.\"");
    Check(SzSimKey(work, std::string("FPGA ") + szBoard, "done") == "0", "SVF: the FPGA is left as it was");

    // The PROM from its .mcs: cancelled mid-way (Escape), then programmed.
    cline = work.Cline();
    Check(FChooseFile(work, hwndProm, "boot.mcs"), "PROM: boot.mcs chosen");
    Check(work.FWaitLine("Set Config file for XCF04S:  \"" + files.szMcs + "\"", 5000, cline),
          "PROM: status line \"Set Config file for XCF04S: ...\" without a question");
    cline = work.Cline();
    ClickButton(GetDlgItem(hwndProm, idRowProgram));
    DWORD tmsStart = GetTickCount();
    while (PosProgress(work) < 5 && GetTickCount() - tmsStart < 60000)
        Sleep(20);
    Check(PosProgress(work) >= 5, "PROM cancel: the download runs");
    Check(!IsWindowEnabled(orrin.Hwnd(idTab)), "PROM cancel: the tab control is disabled during the download");
    // The CPLD's device menu stays usable meanwhile; what is chosen there
    // is refused while the download runs.
    std::string szErases = SzSimKey(work, std::string("CPLD ") + szBoard, "erases");
    SendMessageA(hwndCpld, WM_COMMAND, MAKEWPARAM(idMenuErase, 0), 0);
    SendMessageA(hwndCpld, WM_COMMAND, MAKEWPARAM(idMenuGetId, 0), 0);
    PostMessageA(orrin.hwndMain, WM_COMMAND, idCmdEscape, 0);
    szBox = work.SzAnswerBox(IDOK, 30000);
    Check(szBox == "Programming Failed.", "PROM cancel: message box \"" + szBox + "\"");
    Check(work.FWaitLine("Programming Failed.", 5000, cline), "PROM cancel: status line \"Programming Failed.\"");
    std::string szUsed = SzSimKey(work, std::string("PROM ") + szBoard, "used");
    Check(szUsed != std::to_string(files.rgbPromImage.size()),
          "PROM cancel: the image is not all in the flash (" + szUsed + " bytes used)");
    Check(IsWindowEnabled(orrin.Hwnd(idTab)), "PROM cancel: controls enabled again");
    Check(!FHasLine(work, "Getting device ID of XC2C64A...", cline) && !FHasLine(work, "Erase Succesful.", cline) &&
              SzSimKey(work, std::string("CPLD ") + szBoard, "erases") == szErases,
          "PROM cancel: the CPLD's menu commands during the download were refused (CPLD erases " + szErases + ")");
    // Cancelled while the PROM is being erased, before any page is written.
    cline = work.Cline();
    ClickButton(GetDlgItem(hwndProm, idRowProgram));
    Check(work.FWaitLine("Erasing device...", 30000, cline), "PROM cancel in the erase: the erase runs");
    PostMessageA(orrin.hwndMain, WM_COMMAND, idCmdEscape, 0);
    szBox = work.SzAnswerBox(IDOK, 30000);
    Check(szBox == "Programming Failed.", "PROM cancel in the erase: message box \"" + szBox + "\"");
    Check(!FHasLine(work, "Programming Successful.", cline), "PROM cancel in the erase: no success line");
    posMax = 0;
    Check(FProgramRow(work, hwndProm, "PROM", &posMax), "PROM again: \"Programming Successful.\"");
    Check(posMax > 0, "PROM: the progress bar moved (" + std::to_string(posMax) + ")");
    Check(SzSimKey(work, std::string("PROM ") + szBoard, "used") == std::to_string(files.rgbPromImage.size()),
          "PROM: the flash holds the whole image");
    Check(SzSimKey(work, std::string("PROM ") + szBoard, "isp") == "0", "PROM: out of ISP mode");
    Check(work.simctl.SzLine("PROMMEM " + std::string(szBoard) + " 4096 16") ==
              SzHexOf(std::vector<uint8_t>(files.rgbPromImage.begin() + 4096, files.rgbPromImage.begin() + 4112)),
          "PROM: flash bytes 4096..4111 are the file's");
    Check(SzSimKey(work, std::string("FPGA ") + szBoard, "done") == "0",
          "PROM: the FPGA waits for the next power-on");
    Screenshot(g_szArtifacts, "chain-prom-programmed");

    // Power off and on: the FPGA configures from the PROM.
    Check(FPowerCycle(work), "simulator: the board powered off and on");
    Check(SzSimKey(work, std::string("FPGA ") + szBoard, "done") == "1", "power-on: the FPGA is DONE");
    Check(SzSimKey(work, std::string("FPGA ") + szBoard, "design") == "refio", "power-on: the FPGA runs the PROM's design");

    // The chain identified again after the power cycle; the PROM erased, the
    // FPGA stays unconfigured at the next power-on.
    HWND hwndConfig = GetParent(GetParent(hwndProm));
    cline = work.Cline();
    ClickButton(GetDlgItem(hwndConfig, 1001));
    Check(work.FWaitLine("   Device 3: XCF04S", 30000, cline), "after the power cycle: the chain identified again");
    Settle(orrin.hwndMain);
    CheckRows(work, &rghwndRow, "after the power cycle");
    if (rghwndRow.size() != 3)
        return 1;
    hwndProm = rghwndRow[irowProm];
    Check(IMenuCommand(work, hwndProm, idMenuErase, {"Erase Succesful.", "Erase Failed."}) == 0,
          "PROM: \"Erase Succesful.\"");
    Check(SzSimKey(work, std::string("PROM ") + szBoard, "used") == "0", "PROM: erased, the flash is blank");
    Check(FPowerCycle(work), "simulator: the board powered off and on again");
    Check(SzSimKey(work, std::string("FPGA ") + szBoard, "done") == "0",
          "power-on with the PROM erased: the FPGA stays unconfigured");
    Screenshot(g_szArtifacts, "chain-prom-erased");

    // Unplugged during a PROM download: a clear error, no hang.
    cline = work.Cline();
    Check(FChooseFile(work, hwndProm, "boot.mcs"), "PROM unplug: boot.mcs chosen");
    ClickButton(GetDlgItem(hwndProm, idRowProgram));
    tmsStart = GetTickCount();
    while (PosProgress(work) < 5 && GetTickCount() - tmsStart < 60000)
        Sleep(20);
    Check(PosProgress(work) >= 5, "PROM unplug: the download runs");
    Check(work.simctl.FCmd(std::string("UNPLUG ") + szBoard), "simulator: board unplugged during the PROM download");
    szBox = work.SzAnswerBox(IDOK, 30000);
    Check(szBox == "Programming Failed.", "PROM unplug: message box \"" + szBox + "\"");
    Check(work.FWaitLine("Programming Failed.", 5000, cline), "PROM unplug: status line \"Programming Failed.\"");
    Check(FResponsive(orrin.hwndMain) && IsWindowEnabled(orrin.Hwnd(idTab)) &&
              IsWindowEnabled(GetDlgItem(hwndProm, idRowProgram)),
          "PROM unplug: program responsive, controls enabled again");
    Screenshot(g_szArtifacts, "chain-prom-unplugged");
    work.simctl.FCmd(std::string("PLUG ") + szBoard);

    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    std::string szHist = SzStapol("ConfigFile2") + " " + SzStapol("ConfigFile3");
    Check(szHist == files.szMcs + " " + files.szJed, "the file history is kept: " + szHist);
    return cFail != 0;
}
