// GUI scenario of the power meter (see orrinwork.h): the program on the
// Corvale and Pentra boards of sim/configs/boardsupport.cfg. On the "Power"
// tab the meter shows the simulated rails and follows a change of them, the
// graph window draws each rail in its colour at the row its current gives,
// "Save Buffer..." writes a CSV file (through the real save dialog) whose
// newest row matches the rails, and "Stop" ends the run.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "wgdrive.h"

using namespace wg;
using namespace orrin;

namespace {

enum {
    idStart = 1110, idStop = 1094, idShowGraph = 1095, idSave = 1097, idChart = 1112,
};

struct RAILSIM {
    int32_t kV, kI, rawV, rawI;
    double V() const { return double(kV) * rawV / 1e6; }
    double I() const { return double(kI) * rawI / 1e6; }
};

std::vector<RAILSIM> RgrailOf(WORK &work, const std::string &szBoard)
{
    std::vector<std::string> rgsz;
    work.simctl.FCmd("RAILS " + szBoard, &rgsz);
    std::vector<RAILSIM> rgrail;
    for (const std::string &sz : rgsz) {
        std::istringstream is(sz);
        std::string szLabel;
        long long kV = 0, kI = 0, rawV = 0, rawI = 0;
        is >> szLabel >> kV >> kI >> rawV >> rawI;
        rgrail.push_back({int32_t(kV), int32_t(kI), int32_t(rawV), int32_t(rawI)});
    }
    return rgrail;
}

BOOL CALLBACK FindShowGraph(HWND hwnd, LPARAM lParam)
{
    if (GetDlgCtrlID(hwnd) != idShowGraph || SzText(hwnd) != "Show Graph")
        return TRUE;
    *reinterpret_cast<HWND *>(lParam) = GetParent(hwnd);
    return FALSE;
}

// The page of the "Power" tab: the parent of its "Show Graph" button.
HWND HwndPowerPage(const ORRIN &orrin)
{
    HWND hwndTab = orrin.Hwnd(idTab);
    int ctab = static_cast<int>(SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < ctab; i++)
        if (SzTabText(hwndTab, i) == "Power")
            SendMessageA(hwndTab, TCM_SETCURFOCUS, i, 0);
    Settle(orrin.hwndMain);
    HWND hwndPage = nullptr;
    EnumChildWindows(orrin.hwndMain, FindShowGraph, reinterpret_cast<LPARAM>(&hwndPage));
    return hwndPage;
}

bool FWaitFor(const std::function<bool()> &fn, DWORD tms = 10000)
{
    DWORD tmsStart = GetTickCount();
    while (!fn()) {
        if (GetTickCount() - tmsStart > tms)
            return false;
        Sleep(50);
    }
    return true;
}

std::string SzFmt(const char *szFmt, double v)
{
    char sz[64];
    snprintf(sz, sizeof(sz), szFmt, v);
    return sz;
}

// The rails' fields show exactly what the simulated board reports.
bool FFieldsMatch(HWND hwndPage, const std::vector<RAILSIM> &rgrail, const int *rgidV, const int *rgidI,
                  const int *rgidP, const double *rgvNominal, std::string *pszDiff)
{
    pszDiff->clear();
    for (int i = 0; i < 4; i++) {
        double v = rgidV ? rgrail[i].V() : rgvNominal[i], a = rgrail[i].I();
        std::vector<std::pair<int, std::string>> rgfield = {{rgidI[i], SzFmt("%.0f", a * 1000)},
                                                            {rgidP[i], SzFmt("%.0f", v * 1000 * a)}};
        if (rgidV)
            rgfield.push_back({rgidV[i], SzFmt("%.3f", v)});
        for (auto &field : rgfield) {
            std::string szShown = SzText(GetDlgItem(hwndPage, field.first));
            if (szShown != field.second) {
                *pszDiff = "field " + std::to_string(field.first) + " \"" + szShown + "\", expected \"" +
                           field.second + "\"";
                return false;
            }
        }
    }
    return true;
}

const COLORREF rgcrRail[4] = {RGB(255, 140, 0), RGB(0, 0, 255), RGB(255, 20, 147), RGB(0, 128, 0)};

// The graph window: each rail's current trace crosses the column a little
// left of the newest sample at the row its current gives (100 mA per
// division, five divisions).
void CheckGraphPixels(HWND hwndGraph, const std::vector<RAILSIM> &rgrail, double cA, const std::string &szWhat)
{
    SetWindowPos(hwndGraph, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwndGraph);
    RedrawWindow(hwndGraph, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Sleep(600);   // a few more samples and paints
    Settle(hwndGraph);
    RECT R;
    GetWindowRect(GetDlgItem(hwndGraph, idChart), &R);
    int x0 = R.left + 20, y0 = R.top + 20, W = R.right - R.left - 70, H = R.bottom - R.top - 40;
    int yB = y0 + H, xR = x0 + W;
    int x = xR - 2 - (W * 3) / 300;   // the fourth newest sample
    Screenshot(g_szArtifacts, "power-graph-" + szWhat);
    HDC hdc = GetDC(nullptr);
    for (int irail = 0; irail < 4; irail++) {
        int yWant = static_cast<int>(yB - rgrail[irail].I() * H / (5 * cA));
        int yFound = -1;
        for (int y = y0; y <= yB && yFound < 0; y++)
            for (int dx = -1; dx <= 1 && yFound < 0; dx++)
                if (GetPixel(hdc, x + dx, y) == rgcrRail[irail])
                    yFound = y;
        Check(yFound >= 0 && abs(yFound - yWant) <= 2,
              szWhat + ": graph: rail " + std::to_string(irail) + " drawn in its colour at row " +
                  std::to_string(yFound) + " (expected " + std::to_string(yWant) + ")");
    }
    COLORREF crBack = GetPixel(hdc, x0 + 5, y0 + 3);
    Check(crBack == RGB(0, 0, 0), szWhat + ": graph: black chart background");
    ReleaseDC(nullptr, hdc);
}

// The real save dialog: the file name typed into its name field, then "Save".
bool FSaveThroughDialog(DWORD pid, const std::string &szPath)
{
    HWND hwndDlg = nullptr;
    FWaitFor([&] {
        for (HWND hwnd : RghwndTop(pid, "#32770"))
            if (IsWindowVisible(hwnd) && SzText(hwnd) == "Save...")
                hwndDlg = hwnd;
        return hwndDlg != nullptr;
    });
    if (hwndDlg == nullptr)
        return false;
    HWND hwndName = nullptr;
    for (int id : {1148 /* cmb13 */, 1152 /* edt1 */}) {
        HWND hwnd = HwndFindId(hwndDlg, id);
        if (hwnd != nullptr && IsWindowVisible(hwnd)) {
            hwndName = hwnd;
            break;
        }
    }
    if (hwndName == nullptr)
        return false;
    SendMessageA(hwndName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(szPath.c_str()));
    PostMessageA(hwndDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwndDlg, IDOK)));
    return FWaitFor([&] { return !IsWindow(hwndDlg); });
}

struct BOARDPWR {
    const char *szUser, *szBoard, *szSerial, *szCaption;
    bool fVoltage;
    int rgidV[4], rgidI[4], rgidP[4];
    double rgvNominal[4];
    double cA;
};

void CheckBoardPower(WORK &work, const BOARDPWR &bp)
{
    ORRIN &orrin = work.orrin;
    std::string szWhat = bp.szUser;
    HWND hwndPage = HwndPowerPage(orrin);
    Check(hwndPage != nullptr, szWhat + ": the Power tab");
    if (hwndPage == nullptr)
        return;
    work.simctl.FCmd(std::string("SETRAIL ") + bp.szBoard + " 1 1800 120");
    size_t cline = work.Cline();
    ClickButton(GetDlgItem(hwndPage, idStart));
    Check(work.FWaitLine("Power meter started.", 10000, cline), szWhat + ": \"Power meter started.\"");
    Check(FWaitFor([&] { return !IsWindowEnabled(GetDlgItem(hwndPage, idStart)) &&
                                IsWindowEnabled(GetDlgItem(hwndPage, idStop)); }),
          szWhat + ": Start disabled, Stop enabled");
    std::string szDiff;
    std::vector<RAILSIM> rgrail = RgrailOf(work, bp.szBoard);
    const int *rgidV = bp.fVoltage ? bp.rgidV : nullptr;
    Check(rgrail.size() == 4 &&
              FWaitFor([&] { return FFieldsMatch(hwndPage, rgrail, rgidV, bp.rgidI, bp.rgidP, bp.rgvNominal, &szDiff); }),
          szWhat + ": the fields show the simulated rails " + szDiff);
    // A change on the board reaches the fields within a few readings.
    work.simctl.FCmd(std::string("SETRAIL ") + bp.szBoard + " 1 1750 390");
    rgrail = RgrailOf(work, bp.szBoard);
    Check(FWaitFor([&] { return FFieldsMatch(hwndPage, rgrail, rgidV, bp.rgidI, bp.rgidP, bp.rgvNominal, &szDiff); }),
          szWhat + ": the fields follow SETRAIL " + szDiff);
    Screenshot(g_szArtifacts, "power-page-" + szWhat);

    // The graph window.
    ClickButton(GetDlgItem(hwndPage, idShowGraph));
    HWND hwndGraph = nullptr;
    FWaitFor([&] {
        for (HWND hwnd : RghwndTop(orrin.proc.pid, "#32770"))
            if (IsWindowVisible(hwnd) && SzText(hwnd) == bp.szCaption)
                hwndGraph = hwnd;
        return hwndGraph != nullptr;
    });
    Check(hwndGraph != nullptr, szWhat + ": graph window \"" + bp.szCaption + "\"");
    if (hwndGraph != nullptr) {
        Sleep(1000);
        CheckGraphPixels(hwndGraph, rgrail, bp.cA, szWhat);
        ClickButton(GetDlgItem(hwndPage, idShowGraph));   // only focuses the open window
        Settle(orrin.hwndMain);
        int cgraph = 0;
        for (HWND hwnd : RghwndTop(orrin.proc.pid, "#32770"))
            cgraph += IsWindowVisible(hwnd) && SzText(hwnd) == bp.szCaption;
        Check(cgraph == 1, szWhat + ": \"Show Graph\" again opens no second window");
        PostMessageA(hwndGraph, WM_CLOSE, 0, 0);
        Check(FWaitFor([&] { return !IsWindow(hwndGraph); }), szWhat + ": graph window closed");
    }

    // Save the buffer through the save dialog; the newest row is the rails now.
    std::string szCsv = work.szDir + "\\power-" + szWhat + ".csv";
    DeleteFileA(szCsv.c_str());
    ClickButton(GetDlgItem(hwndPage, idSave));
    Check(FSaveThroughDialog(orrin.proc.pid, szCsv), szWhat + ": file name given in the save dialog");
    std::ifstream is;
    Check(FWaitFor([&] {
              is.close();
              is.clear();
              is.open(szCsv);
              return is.good();
          }),
          szWhat + ": CSV file written");
    std::string szHeader, szRow;
    std::getline(is, szHeader);
    std::getline(is, szRow);
    size_t crow = 2;
    for (std::string sz; std::getline(is, sz);)
        crow++;
    std::string szWant;
    for (int i = 0; i < 4; i++) {
        double v = bp.fVoltage ? rgrail[i].V() : bp.rgvNominal[i], a = rgrail[i].I();
        szWant += (i ? "," : "") + (bp.fVoltage ? SzFmt("%f,", v) : "") + SzFmt("%f,", a) + SzFmt("%f", v * a);
    }
    if (!szRow.empty() && szRow.back() == '\r')
        szRow.pop_back();
    Check(szHeader.compare(0, 4, "3.3V") == 0 && crow > 5, szWhat + ": CSV header and " + std::to_string(crow - 1) + " rows");
    Check(szRow == szWant, szWhat + ": the newest CSV row \"" + szRow + "\" matches the rails \"" + szWant + "\"");

    cline = work.Cline();
    ClickButton(GetDlgItem(hwndPage, idStop));
    Check(work.FWaitLine("Power meter stopped.", 10000, cline), szWhat + ": \"Power meter stopped.\"");
    Check(FWaitFor([&] { return IsWindowEnabled(GetDlgItem(hwndPage, idStart)) &&
                                SzText(GetDlgItem(hwndPage, bp.rgidI[0])) == "-"; }),
          szWhat + ": Start enabled again, the fields show \"-\"");
}

} // namespace

int ScenarioWorkPower(const std::string &)
{
    static const BOARDPWR rgbp[] = {
        {"BsCorvale1", "bs01", "SN:210183000C01", "Corvale Power", true,
         {1098, 1101, 1104, 1107}, {1099, 1102, 1105, 1108}, {1100, 1103, 1106, 1109}, {3.3, 1.8, 1.0, 2.5}, 0.1},
        {"BsPentra1", "bs03", "SN:210183000C03", "Pentra Power", false,
         {0, 0, 0, 0}, {1099, 1101, 1103, 1107}, {1100, 1102, 1108, 1106}, {3.3, 2.5, 1.8, 1.2}, 0.2},
    };
    for (const BOARDPWR &bp : rgbp) {
        WORK work;
        if (!work.FStart({{"DvcLast", bp.szSerial}}, false))
            return 1;
        Check(work.FWaitLine("Board information loaded.", 30000), std::string(bp.szUser) + ": plug-in loaded");
        CheckBoardPower(work, bp);
        DWORD dwExit = work.orrin.Close();
        Check(dwExit == 0, std::string(bp.szUser) + ": exit code 0 (" + std::to_string(dwExit) + ")");
    }
    return cFail != 0;
}
