// GUI scenario of the board-support plug-ins (see orrinwork.h): the program
// on the boards of sim/configs/boardsupport.cfg, one after the other through
// the connect bar. For each board it loads the plug-in of the board's product
// number (product 1 identified by the chain first) and shows the product name
// of its variant, the tabs of its board table and its logo; a screenshot per
// board is kept. Switching boards again and coming back leaves the program
// with the threads, windows and handles it had.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>

#include <algorithm>

#include "bsexpect.h"
#include "proccount.h"
#include "wgdrive.h"
#include "wgsim.h"

using namespace wg;
using namespace orrin;

namespace {

// The plug-in and variant a board's user name stands for ("BsMiravo2v1":
// "006 - Miravo2", variant 1; "BsMiravo2": "003 - Miravo", variant 2).
struct BSBOARD_EXP {
    const BSEXPECT *pexp = nullptr;
    int ivariant = 0;
};

BSBOARD_EXP ExpOf(const std::string &szUser)
{
    BSBOARD_EXP be;
    size_t cchBest = 0;
    for (const BSEXPECT &exp : RgbsExpect()) {
        std::string szName = std::string("Bs") + (exp.szLibrary + 6);
        if (szUser.compare(0, szName.size(), szName) != 0 || szName.size() <= cchBest)
            continue;
        std::string szRest = szUser.substr(szName.size());
        if (!szRest.empty() && szRest[0] == 'v')
            szRest = szRest.substr(1);
        if (szRest.empty() || szRest.find_first_not_of("0123456789") != std::string::npos)
            continue;
        be.pexp = &exp;
        be.ivariant = atoi(szRest.c_str());
        cchBest = szName.size();
    }
    return be;
}

std::vector<std::string> RgszItemsOf(HWND hwndCombo)
{
    std::vector<std::string> rgsz;
    LRESULT citem = SendMessageW(hwndCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < citem; i++) {
        WCHAR wsz[256] = L"";
        LRESULT cch = SendMessageW(hwndCombo, CB_GETLBTEXTLEN, i, 0);
        if (cch >= 0 && cch < 256)
            SendMessageW(hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wsz));
        char sz[512] = "";
        WideCharToMultiByte(CP_ACP, 0, wsz, -1, sz, sizeof(sz), nullptr, nullptr);
        rgsz.push_back(sz);
    }
    return rgsz;
}

std::vector<std::string> RgszTabsOf(const ORRIN &orrin)
{
    std::vector<std::string> rgsz;
    HWND hwndTab = orrin.Hwnd(idTab);
    for (int i = 0; i < SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0); i++)
        rgsz.push_back(SzTabText(hwndTab, i));
    return rgsz;
}

} // namespace

// The user picks the board's item; while the previous board's chain is still
// being shown the connect bar refuses, so the pick is repeated until the
// pages are rebuilt (up to 60 s).
bool orrin::FSwitchTo(const ORRIN &orrin, const std::string &szItem)
{
    HWND hwndCombo = orrin.Hwnd(idCombo);
    DWORD tmsStart = GetTickCount();
    while (GetTickCount() - tmsStart < 60000) {
        std::vector<std::string> rgsz = RgszItemsOf(hwndCombo);
        auto it = std::find(rgsz.begin(), rgsz.end(), szItem);
        if (it == rgsz.end())
            return false;
        HWND hwndPageOld = orrin.HwndSettingsPage();
        SendMessageA(hwndCombo, CB_SETCURSEL, static_cast<WPARAM>(it - rgsz.begin()), 0);
        SendMessageA(GetParent(hwndCombo), WM_COMMAND, MAKEWPARAM(idCombo, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(hwndCombo));
        HWND hwndPage = orrin.HwndWaitSettingsPage(hwndPageOld, 5000);
        if (hwndPage != nullptr && hwndPage != hwndPageOld) {
            Settle(orrin.hwndMain);
            return true;
        }
    }
    return false;
}

namespace {

// The centre of the plug-in's logo picture, as the plug-in's module holds it.
COLORREF CrLogoCentre(const std::string &szDataPath, const BSEXPECT &exp, SIZE *psize)
{
    std::string szDll = szDataPath + "\\BoardSupport\\" + exp.szLibrary + ".dll";
    HMODULE hmod = LoadLibraryExA(szDll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    COLORREF cr = CLR_INVALID;
    if (hmod == nullptr)
        return cr;
    HBITMAP hbmp = LoadBitmapA(hmod, MAKEINTRESOURCEA(exp.pbsb->idbmpLogo));
    if (hbmp != nullptr) {
        BITMAP bm;
        GetObjectA(hbmp, sizeof(bm), &bm);
        psize->cx = bm.bmWidth;
        psize->cy = bm.bmHeight;
        HDC hdc = CreateCompatibleDC(nullptr);
        HGDIOBJ hbmpOld = SelectObject(hdc, hbmp);
        cr = GetPixel(hdc, bm.bmWidth / 2, bm.bmHeight / 2);
        SelectObject(hdc, hbmpOld);
        DeleteDC(hdc);
        DeleteObject(hbmp);
    }
    FreeLibrary(hmod);
    return cr;
}

bool FColoursNear(COLORREF cr1, COLORREF cr2)
{
    return abs(GetRValue(cr1) - GetRValue(cr2)) <= 8 && abs(GetGValue(cr1) - GetGValue(cr2)) <= 8 &&
           abs(GetBValue(cr1) - GetBValue(cr2)) <= 8;
}

// The program's logo place (10, 15 in the main window's client area): the
// centre of the logo on the screen.
COLORREF CrScreenLogo(const ORRIN &orrin, SIZE size)
{
    POINT pt = {10 + size.cx / 2, 15 + size.cy / 2};
    ClientToScreen(orrin.hwndMain, &pt);
    HDC hdc = GetDC(nullptr);
    COLORREF cr = GetPixel(hdc, pt.x, pt.y);
    ReleaseDC(nullptr, hdc);
    return cr;
}

void ScreenshotNow(const std::string &szName);

// One board: the plug-in's product name, tabs and logo.
void CheckBoard(WORK &work, const SIMBOARD &board, const std::string &szDataPath)
{
    ORRIN &orrin = work.orrin;
    BSBOARD_EXP be = ExpOf(board.szUser);
    Check(be.pexp != nullptr, board.szUser + ": names a plug-in");
    if (be.pexp == nullptr)
        return;
    const BSEXPECT &exp = *be.pexp;
    std::string szWhat = board.szUser + " (" + exp.szLibrary + ")";
    Check(FSwitchTo(orrin, board.szUser), szWhat + ": selected and loaded");
    std::string szProduct = be.ivariant < static_cast<int>(exp.rgszName.size()) ? exp.rgszName[be.ivariant] : "";
    Check(SzText(orrin.Hwnd(idProduct)) == szProduct,
          szWhat + ": product \"" + SzText(orrin.Hwnd(idProduct)) + "\", expected \"" + szProduct + "\"");

    // The tabs in the board table's order: every tab of the program's own,
    // and the plug-in's views that exist.
    std::vector<std::string> rgszTabs = RgszTabsOf(orrin);
    size_t itab = 0;
    bool fOrder = true;
    int chost = 0, chostWant = 0;
    for (int i = 0; i < exp.pbsb->ctab; i++)
        chostWant += exp.pbsb->rgtab[i].iview == ivHost;
    for (const std::string &szTab : rgszTabs) {
        while (itab < static_cast<size_t>(exp.pbsb->ctab) && exp.Sz(exp.pbsb->rgtab[itab].idsName) != szTab)
            itab++;
        fOrder = fOrder && itab < static_cast<size_t>(exp.pbsb->ctab);
        if (itab < static_cast<size_t>(exp.pbsb->ctab))
            chost += exp.pbsb->rgtab[itab++].iview == ivHost;
    }
    std::string szTabs;
    for (const std::string &sz : rgszTabs)
        szTabs += (szTabs.empty() ? "" : ", ") + sz;
    Check(fOrder && chost == chostWant, szWhat + ": tabs [" + szTabs + "] in the board table's order");

    SIZE size = {0, 0};
    COLORREF crWant = CrLogoCentre(szDataPath, exp, &size);
    Check(crWant != CLR_INVALID, szWhat + ": logo picture in the plug-in");
    InvalidateRect(orrin.hwndMain, nullptr, TRUE);
    UpdateWindow(orrin.hwndMain);
    Settle(orrin.hwndMain);
    COLORREF crShown = CLR_INVALID;
    for (int i = 0; i < 40 && !FColoursNear(crShown, crWant); i++) {
        Sleep(50);
        crShown = CrScreenLogo(orrin, size);
    }
    char szCr[64];
    snprintf(szCr, sizeof(szCr), "%06lX, expected %06lX", static_cast<unsigned long>(crShown),
             static_cast<unsigned long>(crWant));
    Check(FColoursNear(crShown, crWant), szWhat + ": logo shown (" + szCr + ")");
    ScreenshotNow("board-" + board.szUser);
}

// The screenshot program runs outside wine's sight: wait until its picture
// is written whole (the size stays the same across two looks), up to 15 s,
// so that the picture shows this board and not the next.
void ScreenshotNow(const std::string &szName)
{
    std::string szPath = "Z:" + g_szArtifacts + "/" + szName + ".png";
    std::replace(szPath.begin(), szPath.end(), '/', '\\');
    DeleteFileA(szPath.c_str());
    Screenshot(g_szArtifacts, szName);
    LONGLONG cbLast = -1;
    for (int i = 0; i < 150; i++) {
        WIN32_FILE_ATTRIBUTE_DATA fad;
        LONGLONG cb = -1;
        if (GetFileAttributesExA(szPath.c_str(), GetFileExInfoStandard, &fad))
            cb = (static_cast<LONGLONG>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
        if (cb > 0 && cb == cbLast)
            return;
        cbLast = cb;
        Sleep(100);
    }
    Note("screenshot " + szName + " not seen");
}

// What a 32-bit plug-in built with this tool chain leaves behind when it is
// unloaded: its C++ run time registers the library's unwind tables in a
// registry whose lock (a semaphore and its once-flag) is made on first use
// and never closed. The 64-bit run time unwinds through the system's tables.
#ifdef _WIN64
constexpr int chandleUnloadCost = 0;
#else
constexpr int chandleUnloadCost = 2;
#endif

struct HELD {
    int cthread, cwindow, chandle;
    int cunload = 0;        // plug-ins unloaded since the counts were taken
    bool operator==(const HELD &o) const
    {
        return cthread == o.cthread && cwindow == o.cwindow &&
               chandle <= o.chandle + o.cunload * chandleUnloadCost && chandle >= o.chandle;
    }
    std::string Sz() const
    {
        return std::to_string(cthread) + " threads, " + std::to_string(cwindow) + " windows, " +
               std::to_string(chandle) + " handles";
    }
};

HELD HeldBy(DWORD pid)
{
    return {CThreadsOf(pid), CWindowsOf(pid), CHandlesOf(pid)};
}

} // namespace

namespace orrin {

} // namespace orrin

int ScenarioWorkBoardSupport(const std::string &szSimCfg)
{
    std::vector<SIMBOARD> rgboard = RgboardRead(szSimCfg);
    Check(rgboard.size() >= 8, "the board-support boards (" + std::to_string(rgboard.size()) + ")");
    if (rgboard.size() < 8)
        return 1;
    WORK work;
    if (!work.FStart({{"DvcLast", "SN:" + rgboard[0].szSerial}}, false))
        return 1;
    std::string szDataPath = getenv("KOR_GUI_DATAPATH");
    for (const SIMBOARD &board : rgboard)
        CheckBoard(work, board, szDataPath);

    // Back on the first board: what the program holds now, and again after a
    // round through every plug-in (the chain work of each switch ends a
    // little later, so the counts are waited for, up to 30 s).
    ORRIN &orrin = work.orrin;
    DWORD pid = orrin.proc.pid;
    Check(FSwitchTo(orrin, rgboard[0].szUser), "back on the first board");
    // The switch's own chain work may still run: counted once it has settled.
    HELD heldBefore = HeldBy(pid);
    for (int i = 0; i < 20; i++) {
        Sleep(500);
        Settle(orrin.hwndMain);
        HELD heldNow = HeldBy(pid);
        if (heldNow.cthread == heldBefore.cthread && heldNow.cwindow == heldBefore.cwindow &&
            heldNow.chandle == heldBefore.chandle)
            break;
        heldBefore = heldNow;
    }
    Check(heldBefore.chandle > 0, "the program's handles are counted");
    for (int i = 1; i < static_cast<int>(rgboard.size()); i++)
        FSwitchTo(orrin, rgboard[i].szUser);
    Check(FSwitchTo(orrin, rgboard[0].szUser), "round through every plug-in, back on the first board");
    heldBefore.cunload = static_cast<int>(rgboard.size());
    HELD heldAfter = HeldBy(pid);
    for (int i = 0; i < 60 && !(heldAfter == heldBefore); i++) {
        Sleep(500);
        Settle(orrin.hwndMain);
        heldAfter = HeldBy(pid);
    }
    Check(heldAfter == heldBefore, "switching boards leaves nothing behind: before " + heldBefore.Sz() +
                                       ", after " + heldAfter.Sz());
    DWORD dwExit = orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
