// GUI scenario of the Miravo2 "Memory" page (see orrinwork.h): the program
// on the Miravo2 - 1200 board of sim/configs/boardsupport.cfg. A file goes
// into RAM and into flash at an odd address and is read back into files
// equal to it (the second read answers the overwrite question); "Erase
// Flash" with "RAM" chosen erases the flash; an erase and a flash write that
// hang on a flash that never gets ready are cancelled and started again.
// The simulator's memories and design log confirm what the board holds.
// A second scenario changes boards while the page's worker waits for a flash
// that never gets ready.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "wgdrive.h"
#include "wgsim.h"

using namespace wg;
using namespace orrin;

namespace {

enum {
    idWrite = 1003, idRead = 1004, idVerify = 1005, idFlash = 1089, idReadFile = 1098, idWriteFile = 1099,
    idWriteStart = 1104, idCancel = 1110, idReadRadix = 1111, idErase = 1115, idReadStart = 1116,
    idReadLength = 1117, idRam = 1121,
};

const char szErasing[] = "Erasing flash (this may take up to 2 minutes)";

struct MEMRUN {
    WORK &work;
    std::string szBoard;
    HWND hwndPage = nullptr;

    HWND Ctl(int id) const { return GetDlgItem(hwndPage, id); }
    std::vector<std::string> Sim(const std::string &szCmd)
    {
        std::vector<std::string> rgsz;
        std::string szErr;
        Check(work.simctl.FCmd(szCmd, &rgsz, &szErr), szCmd + " " + szErr);
        return rgsz;
    }
    // The page's controls are back (the worker has ended), up to tms.
    bool FIdle(DWORD tms = 20000)
    {
        DWORD tmsStart = GetTickCount();
        do {
            Settle(work.orrin.hwndMain);
            if (IsWindowEnabled(Ctl(idErase)) && !IsWindowEnabled(Ctl(idCancel)))
                return true;
            Sleep(50);
        } while (GetTickCount() - tmsStart < tms);
        return false;
    }
    // Presses the button and waits for the status line that ends the work.
    bool FRun(int idButton, const std::string &szDone, const std::string &szWhat)
    {
        size_t cline = work.Cline();
        ClickButton(Ctl(idButton));
        bool fDone = work.FWaitLine(szDone, 60000, cline);
        std::vector<std::string> rgsz = work.RgszLines();
        Check(fDone && FIdle(), szWhat + ": \"" + szDone + "\" (last line \"" + (rgsz.empty() ? "" : rgsz.back()) + "\")");
        return fDone;
    }
    // A range of the board's memory as the simulator holds it.
    std::vector<uint8_t> RgbMem(const std::string &szMem, uint32_t addr, uint32_t cb)
    {
        std::string szUnix = g_szArtifacts + "/sim-" + szMem + ".bin";
        Sim("MEMSAVE " + szBoard + " " + szMem + " " + szUnix + " " + std::to_string(addr) + " " + std::to_string(cb));
        std::vector<uint8_t> rgb;
        FReadHostFile(work.szDir + "\\sim-" + szMem + ".bin", &rgb);
        return rgb;
    }
    // The erase that never ends is cancelled: no message, the page idle.
    void CancelHungErase(int idButton, const std::string &szWhat)
    {
        Sim("DOPT " + szBoard + " flash.erasenotready 1");
        size_t cline = work.Cline();
        ClickButton(Ctl(idButton));
        Check(work.FWaitLine(szErasing, 30000, cline), szWhat + ": the erase starts");
        Sleep(300);
        Settle(work.orrin.hwndMain);
        Check(IsWindowEnabled(Ctl(idCancel)) && !IsWindowEnabled(Ctl(idErase)) && !IsWindowEnabled(Ctl(idWrite)),
              szWhat + ": only Cancel enabled while the erase waits");
        ClickButton(Ctl(idCancel));
        Check(FIdle(), szWhat + ": cancelled, the page idle again");
        std::vector<std::string> rgsz = work.RgszLines();
        Check(!rgsz.empty() && rgsz.back() == szErasing, szWhat + ": cancelled without a message");
        Sim("DOPT " + szBoard + " flash.erasenotready -");
    }
};

std::vector<uint8_t> RgbPattern(size_t cb)
{
    std::vector<uint8_t> rgb(cb);
    for (size_t i = 0; i < cb; i++)
        rgb[i] = static_cast<uint8_t>(i * 13 + (i >> 9) + 1);
    return rgb;
}

// The plug-in's "Memory" page once the plug-in is loaded (up to 60 s).
HWND HwndMemoryPage(WORK &work)
{
    HWND hwndTab = work.orrin.Hwnd(idTab);
    DWORD tmsStart = GetTickCount();
    do {
        int ctab = static_cast<int>(SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < ctab; i++) {
            if (SzTabText(hwndTab, i) != "Memory")
                continue;
            SendMessageA(hwndTab, TCM_SETCURFOCUS, i, 0);
            Settle(work.orrin.hwndMain);
            HWND hwndErase = HwndFindId(work.orrin.hwndMain, idErase);
            if (hwndErase != nullptr)
                return GetParent(hwndErase);
        }
        Sleep(200);
    } while (GetTickCount() - tmsStart < 60000);
    return nullptr;
}

// The Miravo2 - 1200 board of the configuration, the program started on it
// and its Memory page shown; false when any of it is missing.
bool FStartOnMiravo2(const std::string &szSimCfg, WORK &work, MEMRUN &run)
{
    std::vector<SIMBOARD> rgboard = RgboardRead(szSimCfg);
    auto itBoard = std::find_if(rgboard.begin(), rgboard.end(), [](const SIMBOARD &b) { return b.szUser == "BsMiravo2v2"; });
    Check(itBoard != rgboard.end(), "the Miravo2 - 1200 board in " + szSimCfg);
    if (itBoard == rgboard.end() || !work.FStart({{"DvcLast", "SN:" + itBoard->szSerial}}, false))
        return false;
    run.szBoard = itBoard->szName;
    run.hwndPage = HwndMemoryPage(work);
    Check(run.hwndPage != nullptr, "the Miravo2 plug-in's Memory page");
    return run.hwndPage != nullptr;
}

} // namespace

int ScenarioBsMemory(const std::string &szSimCfg)
{
    WORK work;
    MEMRUN run{work, ""};
    if (!FStartOnMiravo2(szSimCfg, work, run))
        return 1;
    const uint32_t addr = 4097, cb = 0x10003;
    std::vector<uint8_t> rgbSrc = RgbPattern(cb);
    std::string szSrc = work.szDir + "\\mem-src.bin";
    Check(FWriteHostFile(szSrc, rgbSrc), "source file written");

    // RAM: write at 4097 (decimal), read back from 0x1001 (hex).
    SetText(run.Ctl(idWriteFile), szSrc);
    SetText(run.Ctl(idWriteStart), std::to_string(addr));
    if (run.FRun(idWrite, "Write complete", "RAM write"))
        Check(run.RgbMem("ram", addr, cb) == rgbSrc, "RAM write: the board's RAM holds the file");
    std::string szBackRam = work.szDir + "\\mem-ram.bin";
    DeleteFileA(szBackRam.c_str());
    SetText(run.Ctl(idReadFile), szBackRam);
    SendMessageA(run.Ctl(idReadRadix), CB_SETCURSEL, 1, 0);   // "hex"
    SetText(run.Ctl(idReadStart), "1001");
    SetText(run.Ctl(idReadLength), "10003");
    if (run.FRun(idRead, "Succesfully read RAM", "RAM read")) {
        std::vector<uint8_t> rgb;
        Check(FReadHostFile(szBackRam, &rgb) && rgb == rgbSrc, "RAM read: the file equals the source");
    }

    // Flash, verified: erased first, the odd start padded.
    ClickButton(run.Ctl(idFlash));
    ClickButton(run.Ctl(idVerify));
    Settle(work.orrin.hwndMain);
    Check(run.FRun(idWrite, "Flash verification succeeded", "flash write"), "flash write verified");
    std::vector<uint8_t> rgbFlash = run.RgbMem("flash", addr - 1, cb + 1);
    Check(rgbFlash.size() == cb + 1 && rgbFlash[0] == 0xFF &&
          std::equal(rgbSrc.begin(), rgbSrc.end(), rgbFlash.begin() + 1),
          "flash write: the board's flash holds the file, the pad left erased");
    // Read into the file of the RAM read: the page asks before overwriting.
    size_t cline = work.Cline();
    ClickButton(run.Ctl(idRead));
    std::string szBox = work.SzAnswerBox(IDYES);
    Check(szBox.find("Are you sure you want to overwrite the file?") == 0, "overwrite question (\"" + szBox + "\")");
    Check(work.FWaitLine("Succesfully read Flash", 60000, cline) && run.FIdle(), "flash read");
    std::vector<uint8_t> rgb;
    Check(FReadHostFile(szBackRam, &rgb) && rgb == rgbSrc, "flash read: the file equals the source");

    // "Erase Flash" with "RAM" chosen erases the flash all the same.
    ClickButton(run.Ctl(idRam));
    Settle(work.orrin.hwndMain);
    run.Sim("DLOGCLEAR " + run.szBoard);
    Check(run.FRun(idErase, "Erase complete", "erase"), "erase with RAM chosen");
    Check(run.Sim("DLOG " + run.szBoard).size() == 128, "erase: the 128 blocks");
    Check(run.RgbMem("flash", addr - 1, cb + 1) == std::vector<uint8_t>(cb + 1, 0xFF), "erase: the flash is blank");

    // Cancelled mid-way, then started again.
    run.CancelHungErase(idErase, "erase cancelled");
    Check(run.FRun(idErase, "Erase complete", "erase again"), "erase after a cancel");
    ClickButton(run.Ctl(idFlash));
    Settle(work.orrin.hwndMain);
    run.CancelHungErase(idWrite, "flash write cancelled");
    Check(run.FRun(idWrite, "Flash verification succeeded", "flash write again"), "flash write after a cancel");
    rgbFlash = run.RgbMem("flash", addr, cb);
    Check(rgbFlash == rgbSrc, "flash write after a cancel: the board's flash holds the file");

    DWORD dwExit = work.orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}

// Another board is chosen while the page's worker waits for the flash: the
// page is taken down with its worker (no line of it after the change), and
// back on the board the page works again.
int ScenarioBsMemorySwitch(const std::string &szSimCfg)
{
    WORK work;
    MEMRUN run{work, ""};
    if (!FStartOnMiravo2(szSimCfg, work, run))
        return 1;
    run.Sim("DOPT " + run.szBoard + " flash.erasenotready 1");
    size_t cline = work.Cline();
    ClickButton(run.Ctl(idErase));
    Check(work.FWaitLine(szErasing, 30000, cline), "the erase starts and waits");
    Sleep(300);
    DWORD tmsStart = GetTickCount();
    Check(FSwitchTo(work.orrin, "BsPentra1"), "another board chosen while the erase waits");
    Check(GetTickCount() - tmsStart < 20000, "the change waited for the worker briefly");
    Check(FResponsive(work.orrin.hwndMain), "the program answers");
    std::vector<std::string> rgsz = work.RgszLines();
    bool fWorkerLine = false;
    for (size_t i = cline; i < rgsz.size(); i++)
        fWorkerLine = fWorkerLine || rgsz[i] == "Communication with the FPGA failed." || rgsz[i] == "Erase complete";
    Check(!fWorkerLine, "no line of the closed page's worker");
    run.Sim("DOPT " + run.szBoard + " flash.erasenotready -");

    Check(FSwitchTo(work.orrin, "BsMiravo2v2"), "back on the Miravo2 board");
    run.hwndPage = HwndMemoryPage(work);
    Check(run.hwndPage != nullptr, "the Memory page again");
    if (run.hwndPage != nullptr)
        run.FRun(idErase, "Erase complete", "erase after the change of boards");
    DWORD dwExit = work.orrin.Close();
    Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
