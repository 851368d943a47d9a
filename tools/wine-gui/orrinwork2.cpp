// GUI scenarios of the desktop program's work (see orrinwork.h): Register
// I/O, File I/O, I/O Ex and switching boards mid-way.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "wgdrive.h"

using namespace wg;
using namespace orrin;

namespace {

enum {
    idRegRead0 = 1001, idRegWrite0 = 1009, idRegBin = 1023, idRegDec = 1024, idRegHex = 1025, idRegData0 = 1030,
    idRegWData0 = 1038, idRegReadAll = 1046, idRegWriteAll = 1047, idRegAddr0 = 50001,
    idFileDownload = 1003, idFileUpload = 1004, idFileStart = 1048, idFileReg = 1049, idFileLength = 1050,
    idFileReplace = 1053, idFileUlCombo = 1060, idFileDlCombo = 1126, idFileEntire = 1129,
    idIoexStart = 1006, idIoexSend = 1007, idIoexStop = 1009, idIoexFrom = 1054, idIoexTo = 1139,
};

// Wait until the control's text is sz (up to tms); its last text.
std::string SzWaitText(HWND hwnd, const std::string &sz, DWORD tms = 5000)
{
    DWORD tmsStart = GetTickCount();
    std::string szNow;
    do {
        szNow = SzText(hwnd);
        if (szNow == sz)
            break;
        Sleep(30);
    } while (GetTickCount() - tmsStart < tms);
    return szNow;
}

// Register byte reg of the simulator's register file (REGS: 256 bytes in hex).
int BSimReg(WORK &work, int reg)
{
    std::string sz = work.simctl.SzLine("REGS work1");
    if (sz.size() < 512)
        return -1;
    return static_cast<int>(strtoul(sz.substr(2 * reg, 2).c_str(), nullptr, 16));
}

int BWaitSimReg(WORK &work, int reg, int bExpected, DWORD tms = 3000)
{
    DWORD tmsStart = GetTickCount();
    int b;
    do {
        b = BSimReg(work, reg);
        if (b == bExpected)
            break;
        Sleep(30);
    } while (GetTickCount() - tmsStart < tms);
    return b;
}

void ClickAndSettle(WORK &work, HWND hwndPage, int id)
{
    ClickButton(GetDlgItem(hwndPage, id));
    Settle(work.orrin.hwndMain);
}

std::vector<uint8_t> RgbPattern(size_t cb, uint32_t seed)
{
    std::vector<uint8_t> rgb(cb);
    for (size_t i = 0; i < cb; i++) {
        seed = seed * 1103515245u + 12345u;
        rgb[i] = static_cast<uint8_t>(seed >> 16);
    }
    return rgb;
}

void CheckRegisters(WORK &work)
{
    HWND hwndPage = work.HwndShowTab("Register I/O");
    Check(hwndPage != nullptr && IsWindowVisible(hwndPage), "Register I/O page shown");
    if (hwndPage == nullptr)
        return;
    Screenshot(g_szArtifacts, "tab-register-io");
    // Write register 0x10 from row 0, in each of the formats a text may have.
    struct { const char *szAddr, *szValue; int reg, b; } rgwrite[] = {
        {"0x10", "0xa5", 0x10, 0xa5}, {"17", "90", 17, 90}, {"0b10010", "0b111", 18, 7}, {"00010011", "00001111", 19, 15},
    };
    for (auto &w : rgwrite) {
        SetText(GetDlgItem(hwndPage, idRegAddr0), w.szAddr);
        SetText(GetDlgItem(hwndPage, idRegWData0), w.szValue);
        Check(IsWindowEnabled(GetDlgItem(hwndPage, idRegWrite0)), std::string("write ") + w.szAddr + ": \">>\" enabled");
        ClickAndSettle(work, hwndPage, idRegWrite0);
        int b = BWaitSimReg(work, w.reg, w.b);
        Check(b == w.b, std::string("write ") + w.szValue + " to " + w.szAddr + ": the simulator's register holds " +
                            std::to_string(b));
    }
    // Read a register the simulator sets, in each display format.
    work.simctl.FCmd("SETREG work1 0x21 10");
    SetText(GetDlgItem(hwndPage, idRegAddr0 + 1), "0x21");
    ClickAndSettle(work, hwndPage, idRegRead0 + 1);
    HWND hwndData = GetDlgItem(hwndPage, idRegData0 + 1);
    Check(SzWaitText(hwndData, "0x0a") == "0x0a", "read 0x21 in Hex: \"" + SzText(hwndData) + "\"");
    ClickAndSettle(work, hwndPage, idRegDec);
    Check(SzWaitText(hwndData, "10") == "10", "Decimal: \"" + SzText(hwndData) + "\"");
    ClickAndSettle(work, hwndPage, idRegBin);
    Check(SzWaitText(hwndData, "00001010") == "00001010", "Binary: \"" + SzText(hwndData) + "\"");
    ClickAndSettle(work, hwndPage, idRegHex);
    Check(SzWaitText(hwndData, "0x0a") == "0x0a", "Hex again: \"" + SzText(hwndData) + "\"");
    // Read All: rows 1 and 4 in one request, the values in those rows only.
    work.simctl.FCmd("SETREG work1 0x44 0x5c");
    SetText(GetDlgItem(hwndPage, idRegAddr0), "");
    SetText(GetDlgItem(hwndPage, idRegAddr0 + 4), "68");
    SetText(GetDlgItem(hwndPage, idRegData0 + 1), "");
    Check(!IsWindowEnabled(GetDlgItem(hwndPage, idRegRead0)), "an empty address disables its row's \"<<\"");
    ClickAndSettle(work, hwndPage, idRegReadAll);
    Check(SzWaitText(GetDlgItem(hwndPage, idRegData0 + 4), "0x5c") == "0x5c" &&
              SzWaitText(GetDlgItem(hwndPage, idRegData0 + 1), "0x0a") == "0x0a",
          "Read All: rows 1 and 4 show 0x0a and 0x5c");
    // A value out of bounds is refused with its message; nothing is written.
    SetText(GetDlgItem(hwndPage, idRegAddr0 + 2), "0x30");
    SetText(GetDlgItem(hwndPage, idRegWData0 + 2), "256");
    ClickButton(GetDlgItem(hwndPage, idRegWrite0 + 2));
    std::string szBox = work.SzAnswerBox(IDOK);
    Check(szBox == "Data outside bounds of Byte value (0 - 255)", "value 256: box \"" + szBox + "\"");
    Check(BSimReg(work, 0x30) == 0, "value 256: register 0x30 unchanged");
    SetText(GetDlgItem(hwndPage, idRegAddr0 + 2), "-1");
    ClickButton(GetDlgItem(hwndPage, idRegRead0 + 2));
    szBox = work.SzAnswerBox(IDOK);
    Check(szBox == "Invalid address.  Address must be entered as Binary, Decimal, or Hexadecimal value.",
          "address -1: box \"" + szBox + "\"");
    Screenshot(g_szArtifacts, "tab-register-io-done");
}

// Stream a file to register 0x40 and bytes from register 0x41 back into a file.
void CheckFiles(WORK &work)
{
    std::string szUp = work.szDir + "\\upload.bin", szDown = work.szDir + "\\download.bin";
    std::vector<uint8_t> rgbUp = RgbPattern(20000, 7), rgbBack = RgbPattern(20000, 11);
    FWriteHostFile(szDown, {1, 2, 3});
    HWND hwndPage = work.HwndShowTab("File I/O");
    Check(hwndPage != nullptr && IsWindowVisible(hwndPage), "File I/O page shown");
    if (hwndPage == nullptr)
        return;
    Screenshot(g_szArtifacts, "tab-file-io");
    // Upload: the whole file, 20000 bytes in 3 blocks.
    HWND hwndUl = GetDlgItem(hwndPage, idFileUlCombo);
    SendMessageA(hwndPage, WM_COMMAND, MAKEWPARAM(idFileUlCombo, CBN_DROPDOWN), reinterpret_cast<LPARAM>(hwndUl));
    SendMessageA(hwndUl, CB_SETCURSEL, 0, 0);
    SendMessageA(hwndPage, WM_COMMAND, MAKEWPARAM(idFileUlCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwndUl));
    SetText(GetDlgItem(hwndPage, idFileReg), "0x40");
    SendMessageA(GetDlgItem(hwndPage, idFileEntire), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(hwndPage, WM_COMMAND, idFileEntire, 0);
    size_t cline = work.Cline();
    ClickAndSettle(work, hwndPage, idFileUpload);
    Check(work.FWaitLine("Successfully read 20000 bytes from " + szUp + ".", 20000, cline),
          "upload: \"Successfully read 20000 bytes from ...\"");
    std::string szStream = work.simctl.SzLine("REGSTREAM work1 0x40");
    std::transform(szStream.begin(), szStream.end(), szStream.begin(), [](char ch) { return static_cast<char>(tolower(ch)); });
    Check(szStream == SzHexOf(rgbUp), "upload: the simulator received the file's 20000 bytes through register 0x40 (" +
                                          std::to_string(szStream.size() / 2) + " bytes)");
    // Download: the simulator gives 20000 bytes through register 0x41; they replace the file.
    Check(work.simctl.FCmd("REGFEED work1 0x41 " + SzHexOf(rgbBack)), "simulator: bytes queued for register 0x41");
    HWND hwndDl = GetDlgItem(hwndPage, idFileDlCombo);
    SendMessageA(hwndPage, WM_COMMAND, MAKEWPARAM(idFileDlCombo, CBN_DROPDOWN), reinterpret_cast<LPARAM>(hwndDl));
    SendMessageA(hwndDl, CB_SETCURSEL, 1, 0);
    SendMessageA(hwndPage, WM_COMMAND, MAKEWPARAM(idFileDlCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwndDl));
    SetText(GetDlgItem(hwndPage, idFileReg), "0x41");
    SendMessageA(GetDlgItem(hwndPage, idFileEntire), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(hwndPage, WM_COMMAND, idFileEntire, 0);
    SetText(GetDlgItem(hwndPage, idFileLength), "20000");
    SendMessageA(GetDlgItem(hwndPage, idFileReplace), BM_CLICK, 0, 0);
    cline = work.Cline();
    ClickAndSettle(work, hwndPage, idFileDownload);
    Check(work.FWaitLine("Successfully read 20000 bytes to " + szDown + ".", 20000, cline),
          "download: \"Successfully read 20000 bytes to ...\"");
    std::vector<uint8_t> rgbFile;
    Check(FReadHostFile(szDown, &rgbFile) && rgbFile == rgbBack,
          "download: the file holds the 20000 bytes the simulator sent (" + std::to_string(rgbFile.size()) + ")");
    Check(IsWindowEnabled(GetDlgItem(hwndPage, idFileDownload)), "download: controls enabled again");
    Screenshot(g_szArtifacts, "tab-file-io-done");
}

} // namespace

// Register I/O in every number format, then a file streamed out and back.
int ScenarioWorkRegsFiles(const std::string &)
{
    WORK work;
    std::string szDir = SzArtifactsWin();
    FWriteHostFile(szDir + "\\upload.bin", RgbPattern(20000, 7));
    FWriteHostFile(szDir + "\\download.bin", {1, 2, 3});
    if (!work.FStart({{"DataFile1", szDir + "\\upload.bin"}, {"DataFile2", szDir + "\\download.bin"}}))
        return 1;
    CheckRegisters(work);
    CheckFiles(work);
    DWORD dwExit = work.orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    std::string szHist;
    Check(FRegGetSz(HKEY_CURRENT_USER, szKeyStapol, "DataFile2", &szHist) && szHist == szDir + "\\download.bin",
          "registry: the data-file history is kept");
    return cFail != 0;
}

namespace {

// Colour of the middle of a placeholder's element on the page (screen pixel).
COLORREF RgbAt(HWND hwndPage, int idPlaceholder, int dx, int dy)
{
    RECT rc = RcWindow(GetDlgItem(hwndPage, idPlaceholder));
    HDC hdc = GetDC(nullptr);
    COLORREF rgb = GetPixel(hdc, rc.left + dx, rc.top + dy);
    ReleaseDC(nullptr, hdc);
    return rgb;
}

bool FWaitColour(HWND hwndPage, int id, COLORREF rgbExpected, DWORD tms = 3000, int dx = 7)
{
    DWORD tmsStart = GetTickCount();
    do {
        if (RgbAt(hwndPage, id, dx, 7) == rgbExpected)
            return true;
        Sleep(50);
    } while (GetTickCount() - tmsStart < tms);
    return false;
}

} // namespace

// I/O Ex: polling follows what the simulator changes and writes what the
// user clicks; leaving the tab stops it; a board switch mid-way; a board
// identified by its IDCODEs loads the plug-in of its product.
int ScenarioWorkIoex(const std::string &)
{
    WORK work;
    if (!work.FStart())
        return 1;
    ORRIN &orrin = work.orrin;
    HWND hwndPage = work.HwndShowTab("I/O Ex");
    Check(hwndPage != nullptr && IsWindowVisible(hwndPage), "I/O Ex page shown");
    if (hwndPage == nullptr)
        return 1;
    const COLORREF rgbGreen = RGB(0, 255, 0), rgbRed = RGB(255, 0, 0), rgbYellow = RGB(255, 255, 0);
    Check(FWaitColour(hwndPage, 1195, rgbRed), "status red before the start");
    size_t cline = work.Cline();
    ClickAndSettle(work, hwndPage, idIoexStart);
    // The reference design keeps what register 0 is given: no test answer.
    Check(work.FWaitLine("Warning:  I/O Ex Status register not implemented.", 5000, cline),
          "start: \"Warning:  I/O Ex Status register not implemented.\"");
    Check(FWaitColour(hwndPage, 1195, rgbYellow), "start: status yellow");
    Check(!IsWindowEnabled(GetDlgItem(hwndPage, idIoexStart)) && IsWindowEnabled(GetDlgItem(hwndPage, idIoexStop)),
          "start: Start disabled, Stop enabled");
    // LEDs follow register 1 as the simulator changes it.
    work.simctl.FCmd("SETREG work1 1 0x81");
    Check(FWaitColour(hwndPage, 1166, rgbGreen) && FWaitColour(hwndPage, 1131, rgbGreen),
          "LEDs 0 and 7 lit after register 1 became 0x81");
    Check(RgbAt(hwndPage, 1132, 7, 7) != rgbGreen, "LED 6 dark");
    Screenshot(g_szArtifacts, "tab-io-ex-leds");
    work.simctl.FCmd("SETREG work1 1 0x02");
    Check(FWaitColour(hwndPage, 1165, rgbGreen) && !FWaitColour(hwndPage, 1166, rgbGreen, 300),
          "LED 1 lit and LED 0 dark after register 1 became 0x02");
    // The light bar: register 2 bit 0 is the rightmost (red) segment.
    work.simctl.FCmd("SETREG work1 2 0x01");
    Check(FWaitColour(hwndPage, 1212, rgbRed, 3000, 3), "light bar: the rightmost segment lit red");
    // From FPGA: registers 13 to 16.
    work.simctl.FCmd("SETREG work1 13 0x35");
    work.simctl.FCmd("SETREG work1 14 0x12");
    Check(SzWaitText(GetDlgItem(hwndPage, idIoexFrom), "4661") == "4661",
          "From FPGA shows 4661 (" + SzText(GetDlgItem(hwndPage, idIoexFrom)) + ")");
    // To FPGA: "0x1234" goes to registers 9 (0x34) and 10 (0x12).
    SetText(GetDlgItem(hwndPage, idIoexTo), "0x1234");
    ClickAndSettle(work, hwndPage, idIoexSend);
    Check(BWaitSimReg(work, 9, 0x34) == 0x34 && BWaitSimReg(work, 10, 0x12) == 0x12, "To FPGA 0x1234 written");
    // A click on a switch: the rightmost upper switch is register 6 bit 0.
    RECT rcSwitch = RcWindow(GetDlgItem(hwndPage, 1155)), rcPage = RcWindow(hwndPage);
    LPARAM lPt = MAKELPARAM(rcSwitch.left - rcPage.left + 7, rcSwitch.top - rcPage.top + 20);
    int bBefore = BSimReg(work, 6);
    PostMessageA(hwndPage, WM_LBUTTONDOWN, MK_LBUTTON, lPt);
    PostMessageA(hwndPage, WM_LBUTTONUP, 0, lPt);
    Check(BWaitSimReg(work, 6, bBefore ^ 1) == (bBefore ^ 1), "a switch click toggles register 6 bit 0");
    // A button held down: register 8 bit 0 while it is down.
    RECT rcButton = RcWindow(GetDlgItem(hwndPage, 1182));
    lPt = MAKELPARAM(rcButton.left - rcPage.left + 8, rcButton.top - rcPage.top + 8);
    PostMessageA(hwndPage, WM_LBUTTONDOWN, MK_LBUTTON, lPt);
    Check(BWaitSimReg(work, 8, 1) == 1, "a button held down sets register 8 bit 0");
    PostMessageA(hwndPage, WM_LBUTTONUP, 0, lPt);
    Check(BWaitSimReg(work, 8, 0) == 0, "released, register 8 bit 0 clears");
    Screenshot(g_szArtifacts, "tab-io-ex");

    // Leaving the tab stops the polling: red status when it is shown again.
    work.HwndShowTab("Register I/O");
    hwndPage = work.HwndShowTab("I/O Ex");
    Check(FWaitColour(hwndPage, 1195, rgbRed), "leaving the tab stopped the polling (status red)");
    Check(IsWindowEnabled(GetDlgItem(hwndPage, idIoexStart)), "Start enabled again");
    // Start and stop at once: the stop is never lost.
    for (int i = 0; i < 3; i++) {
        ClickButton(GetDlgItem(hwndPage, idIoexStart));
        ClickButton(GetDlgItem(hwndPage, idIoexStop));
        Settle(orrin.hwndMain);
    }
    Check(FWaitColour(hwndPage, 1195, rgbRed, 5000) || IsWindowEnabled(GetDlgItem(hwndPage, idIoexStart)),
          "start then stop at once: polling ends");
    Check(FResponsive(orrin.hwndMain), "program responsive after quick start and stop");

    // Switch boards mid-way, while polling runs: the second board reports
    // product 1 and is identified by its chain (product 6, variant 1); the
    // test plug-in installed for product 6 names it "Probe Board".
    ClickAndSettle(work, hwndPage, idIoexStart);
    work.FWaitLine("Warning:  I/O Ex Status register not implemented.", 5000, work.Cline());
    HWND hwndCombo = orrin.Hwnd(idCombo);
    int citem = static_cast<int>(SendMessageA(hwndCombo, CB_GETCOUNT, 0, 0));
    int iOther = -1;
    for (int i = 0; i < citem; i++) {
        WCHAR wsz[128] = L"";
        SendMessageW(hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wsz));
        if (lstrcmpW(wsz, L"OtherBoard") == 0)
            iOther = i;
    }
    Check(iOther >= 0, "the second board is listed");
    cline = work.Cline();
    SendMessageA(hwndCombo, CB_SETCURSEL, iOther, 0);
    PostMessageA(GetParent(hwndCombo), WM_COMMAND, MAKEWPARAM(idCombo, CBN_SELENDOK), reinterpret_cast<LPARAM>(hwndCombo));
    Check(work.FWaitLine("Board information loaded.", 20000, cline), "switch: \"Board information loaded.\"");
    Check(work.FWaitLine("   Device 2: XCF04S", 20000, cline), "switch: the second board's chain is shown");
    Check(SzText(orrin.Hwnd(idProduct)) == "Probe Board", "switch: product \"" + SzText(orrin.Hwnd(idProduct)) + "\"");
    std::vector<std::string> rgszTabs;
    for (int i = 0; i < SendMessageA(orrin.Hwnd(idTab), TCM_GETITEMCOUNT, 0, 0); i++)
        rgszTabs.push_back(SzTabText(orrin.Hwnd(idTab), i));
    Check(std::find(rgszTabs.begin(), rgszTabs.end(), "Probe") != rgszTabs.end(), "switch: the plug-in's own tab");
    Check(FResponsive(orrin.hwndMain), "switch: program responsive");
    Screenshot(g_szArtifacts, "switched-identified");

    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
