// GUI scenario of the Miravo3 "Memory" tab (see orrinwork.h): the program on
// one Miravo3 board (memprog.cfg). The user writes a data file into the RAM
// and reads it back, programs the SPI flash from a .bin and the parallel
// flash from a .bit and a .mcs file with verify, reads the flash back,
// erases it, cancels a full memory test and starts again, leaves the tab
// while a test runs (the tab's stop entry cancels it), and unplugs the board
// during a test. After each step the
// simulator's memories and the files written are compared with the images.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <algorithm>

#include "wgdrive.h"

using namespace wg;
using namespace orrin;

namespace {

const char szBoard[] = "mp1";

enum {
    idcProgramFile = 1098, idcReadFile = 1099, idcWriteFile = 1100, idcWriteAddr = 1101, idcReadAddr = 1116,
    idcReadLen = 1117, idcProgram = 1124, idcCancel = 1125, idcRead = 1127, idcErase = 1129, idcBpi = 1130,
    idcWrite = 1131, idcFullTest = 1133, idcSpi = 1137, idcRam = 1139, idcVerifyProgram = 1003,
    idcVerifyWrite = 1004,
};

std::vector<uint8_t> RgbPattern(size_t cb, unsigned seed)
{
    std::vector<uint8_t> rgb(cb);
    uint32_t u = seed * 2654435761u + 1;
    for (auto &b : rgb) {
        u ^= u << 13;
        u ^= u >> 17;
        u ^= u << 5;
        b = static_cast<uint8_t>(u);
    }
    return rgb;
}

uint8_t BReverse(uint8_t b)
{
    uint8_t bOut = 0;
    for (int k = 0; k < 8; k++)
        if (b & (1u << k))
            bOut |= static_cast<uint8_t>(0x80u >> k);
    return bOut;
}

struct MEMPAGE {
    WORK &work;
    HWND hwndPage = nullptr;

    HWND Ctl(int id) const { return GetDlgItem(hwndPage, id); }
    void Click(int id)
    {
        ClickButton(Ctl(id));
        Settle(work.orrin.hwndMain);
    }
    // An edit as the user leaves it: the text, then the update notification.
    void Type(int id, const std::string &sz)
    {
        SendMessageA(Ctl(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sz.c_str()));
        SendMessageA(hwndPage, WM_COMMAND, MAKEWPARAM(id, EN_UPDATE), reinterpret_cast<LPARAM>(Ctl(id)));
    }
    void Check(int id, bool f)
    {
        SendMessageA(Ctl(id), BM_SETCHECK, f ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // The target radio as a click sets it.
    void Target(int id)
    {
        SendMessageA(Ctl(id), BM_CLICK, 0, 0);
        Settle(work.orrin.hwndMain);
    }
    // Waits for the run's final line (one starting with szFinal) after the
    // lines there were before; the lines of the run.
    std::vector<std::string> RgszRun(size_t clineBefore, const std::string &szFinal, DWORD tms = 60000)
    {
        DWORD tmsStart = GetTickCount();
        do {
            std::vector<std::string> rgsz = work.RgszLines();
            if (rgsz.size() > clineBefore) {
                std::vector<std::string> rgszRun(rgsz.begin() + clineBefore, rgsz.end());
                for (const std::string &sz : rgszRun)
                    if (sz.compare(0, szFinal.size(), szFinal) == 0 &&
                        (sz.size() == szFinal.size() || sz[szFinal.size()] == ' '))
                        return rgszRun;
                for (const std::string &sz : rgszRun)
                    if (sz == "Memory configuration failed.")
                        return rgszRun;
            }
            Sleep(50);
        } while (GetTickCount() - tmsStart < tms);
        return {};
    }
    bool FIdle() const { return IsWindowEnabled(Ctl(idcRead)) && !IsWindowEnabled(Ctl(idcCancel)); }
    bool FWaitIdle(DWORD tms = 10000) const
    {
        DWORD tmsStart = GetTickCount();
        while (!FIdle() && GetTickCount() - tmsStart < tms)
            Sleep(50);
        return FIdle();
    }
};

bool FHasLine(const std::vector<std::string> &rgsz, const std::string &sz)
{
    return std::find(rgsz.begin(), rgsz.end(), sz) != rgsz.end();
}

std::string SzJoin(const std::vector<std::string> &rgsz)
{
    std::string sz;
    for (const std::string &szLine : rgsz)
        sz += (sz.empty() ? "" : " | ") + szLine;
    return sz;
}

// The memory's bytes as the simulator holds them.
std::vector<uint8_t> RgbMem(WORK &work, const std::string &szMem, uint32_t addr, uint32_t cb)
{
    std::string szHost = g_szArtifacts + "/memsave.bin";
    std::vector<std::string> rgsz;
    work.simctl.FCmd("MEMSAVE " + std::string(szBoard) + " " + szMem + " " + szHost + " " + std::to_string(addr) +
                         " " + std::to_string(cb),
                     &rgsz);
    std::vector<uint8_t> rgb;
    FReadHostFile(work.szDir + "\\memsave.bin", &rgb);
    return rgb;
}

BOOL CALLBACK FindMemoryPage(HWND hwnd, LPARAM lParam)
{
    // The program's own pages share some of these ids; the page has them all.
    for (int id : {idcSpi, idcBpi, idcRam, idcFullTest, idcProgram, idcProgramFile, idcWriteFile, idcReadLen})
        if (GetDlgItem(hwnd, id) == nullptr)
            return TRUE;
    *reinterpret_cast<HWND *>(lParam) = hwnd;
    return FALSE;
}

// The page of the "Memory" tab, shown.
HWND HwndMemoryPage(WORK &work)
{
    HWND hwndTab = work.orrin.Hwnd(idTab);
    int ctab = static_cast<int>(SendMessageA(hwndTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < ctab; i++)
        if (SzTabText(hwndTab, i) == "Memory") {
            SendMessageA(hwndTab, TCM_SETCURFOCUS, i, 0);
            Settle(work.orrin.hwndMain);
        }
    HWND hwndPage = nullptr;
    EnumChildWindows(work.orrin.hwndMain, FindMemoryPage, reinterpret_cast<LPARAM>(&hwndPage));
    return hwndPage;
}

void StepRam(MEMPAGE &page)
{
    WORK &work = page.work;
    std::vector<uint8_t> rgb = RgbPattern(0x23457, 1);
    std::string szData = work.szDir + "\\ram-data.bin";
    FWriteHostFile(szData, rgb);
    page.Target(idcRam);
    wg::Check(!IsWindowEnabled(page.Ctl(idcProgram)) && !IsWindowEnabled(page.Ctl(idcErase)) &&
                  IsWindowEnabled(page.Ctl(idcWrite)),
              "RAM: Program and Erase disabled, Write enabled");
    page.Type(idcWriteFile, szData);
    page.Type(idcWriteAddr, "1000");   // hex
    page.Check(idcVerifyWrite, true);
    size_t cline = work.Cline();
    page.Click(idcWrite);
    std::vector<std::string> rgsz = page.RgszRun(cline, "done");
    wg::Check(FHasLine(rgsz, "done") || (!rgsz.empty() && rgsz.back().compare(0, 6, "done (") == 0),
              "RAM write ends with done: " + SzJoin(rgsz));
    wg::Check(FHasLine(rgsz, "Configuring FPGA with memory manager..."), "first run loads the memory manager");
    wg::Check(!FHasLine(rgsz, "Erasing memory..."), "RAM write: nothing erased");
    wg::Check(FHasLine(rgsz, "Verifying memory configuration..."), "RAM write verified");
    wg::Check(RgbMem(work, "ram", 0x1000, static_cast<uint32_t>(rgb.size())) == rgb, "RAM holds the file at 0x1000");
    page.FWaitIdle();

    std::string szRead = work.szDir + "\\ram-read.bin";
    DeleteFileA(szRead.c_str());
    page.Type(idcReadFile, szRead);
    page.Type(idcReadAddr, "1000");
    page.Type(idcReadLen, "23457");
    cline = work.Cline();
    page.Click(idcRead);
    rgsz = page.RgszRun(cline, "done");
    wg::Check(FHasLine(rgsz, "FPGA is configured with memory manager..."), "second run finds the design: " +
                                                                               SzJoin(rgsz));
    std::vector<uint8_t> rgbRead;
    wg::Check(FReadHostFile(szRead, &rgbRead) && rgbRead == rgb, "RAM read back equals the file");
    page.FWaitIdle();
}

void StepSpiBin(MEMPAGE &page)
{
    WORK &work = page.work;
    std::vector<uint8_t> rgb = RgbPattern(0x18003, 2);
    std::string szBin = work.szDir + "\\spi-image.bin";
    FWriteHostFile(szBin, rgb);
    work.simctl.FCmd("MEMFILL " + std::string(szBoard) + " spi 0 0x30000 0x00");
    page.Target(idcSpi);
    page.Type(idcProgramFile, szBin);
    page.Check(idcVerifyProgram, true);
    size_t cline = work.Cline();
    page.Click(idcProgram);
    std::vector<std::string> rgsz = page.RgszRun(cline, "Memory configuration successful.");
    wg::Check(!rgsz.empty() && rgsz.back().compare(0, 32, "Memory configuration successful.") == 0,
              "SPI .bin programmed: " + SzJoin(rgsz));
    // The rest of the two sectors the image touches erased, the third kept.
    std::vector<uint8_t> rgbWant = rgb;
    rgbWant.resize(0x20000, 0xFF);
    rgbWant.resize(0x30000, 0x00);
    wg::Check(RgbMem(work, "spi", 0, 0x30000) == rgbWant, "SPI flash holds the image, the touched sectors erased");
    page.FWaitIdle();

    std::string szRead = work.szDir + "\\spi-read.bin";
    DeleteFileA(szRead.c_str());
    page.Type(idcReadFile, szRead);
    page.Type(idcReadAddr, "0");
    page.Type(idcReadLen, "18003");
    cline = work.Cline();
    page.Click(idcRead);
    rgsz = page.RgszRun(cline, "done");
    std::vector<uint8_t> rgbRead;
    wg::Check(FReadHostFile(szRead, &rgbRead) && rgbRead == rgb, "SPI read back equals the image");
    page.FWaitIdle();
}

void StepBpi(MEMPAGE &page)
{
    WORK &work = page.work;
    page.Target(idcBpi);
    // A .bit file: the parallel flash gets its data bit-reversed, pairs exchanged.
    std::string szBit = work.szDir + "\\bpi-image.bit";
    std::string szBitHost = g_szArtifacts + "/bpi-image.bit";
    FMakeBitFileFor(szBitHost, "reference");
    std::vector<uint8_t> rgbBit;
    FReadHostFile(szBit, &rgbBit);
    // Section "e": the key, a 32-bit length and the data, at the file's end.
    std::vector<uint8_t> rgbWant;
    for (size_t i = 0; i + 5 <= rgbBit.size(); i++) {
        if (rgbBit[i] != 'e')
            continue;
        uint32_t cb = uint32_t(rgbBit[i + 1]) << 24 | rgbBit[i + 2] << 16 | rgbBit[i + 3] << 8 | rgbBit[i + 4];
        if (i + 5 + cb == rgbBit.size()) {
            rgbWant.assign(rgbBit.begin() + i + 5, rgbBit.end());
            break;
        }
    }
    wg::Check(!rgbWant.empty() && rgbWant.size() % 2 == 0, "the .bit file's data found");
    for (auto &b : rgbWant)
        b = BReverse(b);
    for (size_t i = 0; i + 1 < rgbWant.size(); i += 2)
        std::swap(rgbWant[i], rgbWant[i + 1]);
    page.Type(idcProgramFile, szBit);
    page.Check(idcVerifyProgram, true);
    size_t cline = work.Cline();
    page.Click(idcProgram);
    std::vector<std::string> rgsz = page.RgszRun(cline, "Memory configuration successful.");
    wg::Check(!rgsz.empty() && rgsz.back().compare(0, 32, "Memory configuration successful.") == 0,
              "BPI .bit programmed: " + SzJoin(rgsz));
    wg::Check(RgbMem(work, "bpi", 0, static_cast<uint32_t>(rgbWant.size())) == rgbWant,
              "parallel flash holds the .bit data reversed and pair-exchanged");
    page.FWaitIdle();

    // An Intel HEX file at its own address.
    std::string szMcs = work.szDir + "\\bpi-image.mcs";
    std::string szHex = ":020000040030CA\n:040010001122334452\n:00000001FF\n";
    FWriteHostFile(szMcs, std::vector<uint8_t>(szHex.begin(), szHex.end()));
    page.Type(idcProgramFile, szMcs);
    cline = work.Cline();
    page.Click(idcProgram);
    rgsz = page.RgszRun(cline, "Memory configuration successful.");
    wg::Check(RgbMem(work, "bpi", 0x300010, 4) == std::vector<uint8_t>({0x11, 0x22, 0x33, 0x44}),
              "parallel flash holds the .mcs data at 0x300010: " + SzJoin(rgsz));
    page.FWaitIdle();

    // Erase, after the question.
    cline = work.Cline();
    page.Click(idcErase);
    std::string szBox = work.SzAnswerBox(IDYES);
    wg::Check(szBox == "Are you sure you want to erase the entire flash?", "erase asks first: " + szBox);
    rgsz = page.RgszRun(cline, "done", 120000);
    wg::Check(FHasLine(rgsz, "Erasing memory..."), "erase runs: " + SzJoin(rgsz));
    wg::Check(RgbMem(work, "bpi", 0, 0x10) == std::vector<uint8_t>(0x10, 0xFF) &&
                  RgbMem(work, "bpi", 0x300010, 4) == std::vector<uint8_t>(4, 0xFF),
              "parallel flash erased");
    page.FWaitIdle(20000);
}

void StepCancel(MEMPAGE &page)
{
    WORK &work = page.work;
    page.Target(idcRam);
    size_t cline = work.Cline();
    page.Click(idcFullTest);
    std::string szBox = work.SzAnswerBox(IDYES);
    wg::Check(szBox.compare(0, 30, "This will perform a full memor") == 0, "full test asks first");
    wg::Check(work.FWaitLine("Programming memory with random test data... (16777216 Bytes)", 20000, cline),
              "full test programs");
    page.Click(idcCancel);
    wg::Check(work.FWaitLine("Memory configuration cancelled.", 20000, cline), "Cancel ends the test");
    wg::Check(page.FWaitIdle(), "controls back after the cancel");

    // Started again, it runs to its end.
    cline = work.Cline();
    page.Click(idcFullTest);
    work.SzAnswerBox(IDYES);
    std::vector<std::string> rgsz = page.RgszRun(cline, "done", 120000);
    wg::Check(!rgsz.empty() && rgsz.back().compare(0, 4, "done") == 0 && !FHasLine(rgsz, "Address\tWritten\tRead"),
              "full test again: no differences: " + SzJoin(rgsz));
    page.FWaitIdle();

    // Leaving the tab while a test runs: the tab's stop entry cancels it.
    cline = work.Cline();
    page.Click(idcFullTest);
    work.SzAnswerBox(IDYES);
    wg::Check(work.FWaitLine("Programming memory with random test data... (16777216 Bytes)", 20000, cline),
              "full test programs (tab switch)");
    HWND hwndTab = work.orrin.Hwnd(idTab);
    SendMessageA(hwndTab, TCM_SETCURFOCUS, 0, 0);
    Settle(work.orrin.hwndMain);
    wg::Check(work.FWaitLine("Memory configuration cancelled.", 20000, cline), "leaving the tab cancels the test");
    wg::Check(FResponsive(work.orrin.hwndMain), "the program answers after the tab switch");
}

// The board is unplugged while a full test runs: the run fails and says so;
// plugged in again (a power cycle: the FPGA lost its design), the next run
// loads the design and works.
void StepUnplug(MEMPAGE &page)
{
    WORK &work = page.work;
    page.hwndPage = HwndMemoryPage(work);   // back on the tab
    page.FWaitIdle(20000);
    page.Target(idcRam);
    size_t cline = work.Cline();
    page.Click(idcFullTest);
    work.SzAnswerBox(IDYES);
    wg::Check(work.FWaitLine("Programming memory with random test data... (16777216 Bytes)", 20000, cline),
              "full test programs (unplug)");
    wg::Check(work.simctl.FCmd(std::string("UNPLUG ") + szBoard) &&
                  work.simctl.FCmd(std::string("WAIT ") + szBoard + " absent"),
              "simulator: board unplugged during the test");
    std::vector<std::string> rgsz = page.RgszRun(cline, "Memory configuration failed.");
    wg::Check(FHasLine(rgsz, "Memory configuration failed.") && FHasLine(rgsz, "failed"),
              "unplugged: the run fails: " + SzJoin(rgsz));
    wg::Check(page.FWaitIdle(), "unplugged: controls back");
    wg::Check(work.simctl.FCmd(std::string("PLUG ") + szBoard) &&
                  work.simctl.FCmd(std::string("WAIT ") + szBoard + " present"),
              "simulator: board plugged again");

    std::string szRead = work.szDir + "\\after-plug.bin";
    DeleteFileA(szRead.c_str());
    page.Type(idcReadFile, szRead);
    page.Type(idcReadAddr, "0");
    page.Type(idcReadLen, "4000");
    cline = work.Cline();
    page.Click(idcRead);
    rgsz = page.RgszRun(cline, "done");
    wg::Check(FHasLine(rgsz, "Configuring FPGA with memory manager...") && !rgsz.empty() &&
                  rgsz.back().compare(0, 4, "done") == 0,
              "plugged again: the design is loaded again and the read works: " + SzJoin(rgsz));
    std::vector<uint8_t> rgbRead;
    wg::Check(FReadHostFile(szRead, &rgbRead) && rgbRead == RgbMem(work, "ram", 0, 0x4000),
              "plugged again: the file holds the RAM");
    page.FWaitIdle();
}

} // namespace

int ScenarioWorkMemProg(const std::string &szSimCfg)
{
    (void)szSimCfg;
    WORK work;
    if (!work.FStart({{"DvcLast", "SN:210183000D41"}}, false))
        return 1;
    MEMPAGE page{work};
    DWORD tmsStart = GetTickCount();
    while ((page.hwndPage = HwndMemoryPage(work)) == nullptr && GetTickCount() - tmsStart < 60000)
        Sleep(200);
    wg::Check(page.hwndPage != nullptr, "the Miravo3 plug-in's Memory tab");
    if (page.hwndPage == nullptr)
        return 1;
    StepRam(page);
    StepSpiBin(page);
    StepBpi(page);
    StepCancel(page);
    StepUnplug(page);
    DWORD dwExit = work.orrin.Close();
    wg::Check(dwExit == 0, "exit code 0 (" + std::to_string(dwExit) + ")");
    return cFail != 0;
}
