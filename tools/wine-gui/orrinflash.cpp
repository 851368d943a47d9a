// GUI scenario of the "Flash" pages of the Corvale and Pentra plug-ins (see
// orrinwork.h): on the boards bs01 (Corvale) and bs03 (Pentra) of
// sim/configs/boardsupport.cfg the program loads the board's plug-in, and
// the page programs the flash from a .bin, a .bit and a .mcs file with
// verify, reads the whole flash back into a file, erases it, and programs a
// large file that is cancelled mid-way and then programmed again, and the
// program is closed while the page programs. After each
// step the simulator's flash (saved to a file) and the status lines say what
// the board ended up with.

#include "orrinwork.h"

#include <windows.h>
#include <commctrl.h>

#include <random>

#include "wgdrive.h"
#include "wgsim.h"

using namespace wg;
using namespace orrin;

namespace {

enum {
    idProgFile = 1098, idReadFile = 1099, idProgram = 1124, idCancel = 1125, idRead = 1127, idErase = 1129,
    idVerifyProg = 1003,
};

struct FLBOARD {
    const char *szBoard, *szSerial, *szFlash;
    uint32_t cbFlash;
    bool fBitReversed;     // the parallel flash takes .bit data bit-reversed
    const char *szSuccess;
};

const FLBOARD rgflb[] = {
    {"bs01", "210183000C01", "bpi", 0x2000000, true,
     "Flash configuration successful. Toggle board power to load from Flash."},
    {"bs03", "210183000C03", "spi", 0x1000000, false, "Flash configuration successful."},
};

std::vector<uint8_t> RgbRandom(size_t cb, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> rgb(cb);
    for (auto &b : rgb)
        b = static_cast<uint8_t>(rng());
    return rgb;
}

uint8_t BReversed(uint8_t b)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; i++)
        if (b & (1 << i))
            r |= static_cast<uint8_t>(0x80 >> i);
    return r;
}

// A .bit file (header fields "a" to "d", data in "e").
std::vector<uint8_t> RgbBitFile(const std::vector<uint8_t> &rgbData)
{
    std::vector<uint8_t> rgb = {0x00, 0x09, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00, 0x00, 0x01};
    for (const char *sz : {"aflash.ncd", "b3s500efg320", "c2026/12/11", "d03:40:00"}) {
        size_t cch = strlen(sz + 1) + 1;
        rgb.push_back(static_cast<uint8_t>(sz[0]));
        rgb.push_back(0);
        rgb.push_back(static_cast<uint8_t>(cch));
        rgb.insert(rgb.end(), sz + 1, sz + 1 + cch);
    }
    rgb.push_back('e');
    for (int i = 3; i >= 0; i--)
        rgb.push_back(static_cast<uint8_t>(rgbData.size() >> (8 * i)));
    rgb.insert(rgb.end(), rgbData.begin(), rgbData.end());
    return rgb;
}

// Intel HEX text of rgb at addr: 16 bytes a record, a type-04 record at
// every 64 KB boundary, the end record.
std::vector<uint8_t> RgbMcsFile(uint32_t addr, const std::vector<uint8_t> &rgb)
{
    std::string sz;
    auto record = [&](unsigned type, unsigned off, const uint8_t *pb, size_t cb) {
        char szLine[48];
        unsigned sum = static_cast<unsigned>(cb) + (off >> 8) + (off & 0xFF) + type;
        snprintf(szLine, sizeof(szLine), ":%02X%04X%02X", static_cast<unsigned>(cb), off, type);
        sz += szLine;
        for (size_t i = 0; i < cb; i++) {
            snprintf(szLine, sizeof(szLine), "%02X", pb[i]);
            sz += szLine;
            sum += pb[i];
        }
        snprintf(szLine, sizeof(szLine), "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        sz += szLine;
    };
    for (size_t ib = 0; ib < rgb.size(); ib += 16) {
        uint32_t a = addr + static_cast<uint32_t>(ib);
        if (ib == 0 || (a & 0xFFFF) == 0) {
            const uint8_t rgbBase[2] = {static_cast<uint8_t>(a >> 24), static_cast<uint8_t>(a >> 16)};
            record(4, 0, rgbBase, 2);
        }
        record(0, a & 0xFFFF, rgb.data() + ib, std::min<size_t>(16, rgb.size() - ib));
    }
    record(1, 0, nullptr, 0);
    return std::vector<uint8_t>(sz.begin(), sz.end());
}

class FLASHPAGE {
public:
    FLASHPAGE(WORK &workIn, const FLBOARD &flbIn) : work(workIn), flb(flbIn) {}

    // The program on the board, its "Flash" page shown.
    bool FOpen()
    {
        if (!work.FStart({{"DvcLast", std::string("SN:") + flb.szSerial}}, false))
            return false;
        // The board's designs and flash at a hundredth of their times (set
        // before the test image first runs, which makes the flash).
        Check(work.simctl.FCmd(std::string("DOPT ") + flb.szBoard + " timescale 1"), Sz("simulator: time scale"));
        DWORD tmsStart = GetTickCount();
        while ((hwndPage = HwndPage()) == nullptr && GetTickCount() - tmsStart < 60000)
            Sleep(100);
        Check(hwndPage != nullptr, Sz("the plug-in's \"Flash\" page"));
        if (hwndPage == nullptr)
            return false;
        work.HwndShowTab("Flash");
        return true;
    }
    // Runs the operation a button starts (answering its question with
    // idAnswer, 0: none) until the page's controls are back; the lines it
    // logged.
    std::vector<std::string> Run(int idButton, int idAnswer = 0, std::string *pszBox = nullptr)
    {
        size_t cline = work.Cline();
        ClickButton(GetDlgItem(hwndPage, idButton));
        if (idAnswer != 0) {
            std::string szBox = work.SzAnswerBox(idAnswer);
            if (pszBox != nullptr)
                *pszBox = szBox;
        }
        WaitIdle(cline);
        std::vector<std::string> rgsz = work.RgszLines();
        return std::vector<std::string>(rgsz.begin() + std::min(cline, rgsz.size()), rgsz.end());
    }
    void WaitIdle(size_t clineBefore)
    {
        DWORD tmsStart = GetTickCount();
        Sleep(200);
        while (GetTickCount() - tmsStart < 120000) {
            std::vector<std::string> rgsz = work.RgszLines();
            bool fEnded = false;
            for (size_t i = clineBefore; i < rgsz.size(); i++)
                fEnded = fEnded || rgsz[i] == flb.szSuccess || rgsz[i] == "done" ||
                         rgsz[i] == "Flash configuration failed." || rgsz[i] == "Flash configuration cancelled.";
            if (fEnded && IsWindowEnabled(GetDlgItem(hwndPage, idProgram)))
                return;
            Sleep(100);
        }
        Check(false, Sz("the operation ends within two minutes"));
    }
    // The board's flash as the simulator holds it.
    std::vector<uint8_t> Flash(uint32_t addr, uint32_t cb)
    {
        std::string szHost = g_szArtifacts + "/flash-" + flb.szBoard + ".sav";
        std::vector<uint8_t> rgb;
        std::string szErr;
        Check(work.simctl.FCmd("MEMSAVE " + std::string(flb.szBoard) + " " + flb.szFlash + " " + szHost + " " +
                                   std::to_string(addr) + " " + std::to_string(cb),
                               nullptr, &szErr),
              Sz("simulator: the flash saved " + szErr));
        FReadHostFile(SzWin(szHost), &rgb);
        return rgb;
    }
    std::string SzFile(const std::string &szName) const { return work.szDir + "\\" + flb.szBoard + "-" + szName; }
    std::string Sz(const std::string &sz) const { return std::string(flb.szBoard) + ": " + sz; }

    HWND hwndPage = nullptr;
    WORK &work;
    const FLBOARD &flb;

private:
    HWND HwndPage() const
    {
        HWND hwndCtl = HwndFindId(work.orrin.hwndMain, idProgram);
        return hwndCtl != nullptr && HwndFindId(GetParent(hwndCtl), idErase) != nullptr ? GetParent(hwndCtl) : nullptr;
    }
    static std::string SzWin(const std::string &szHost)
    {
        std::string sz = "Z:";
        for (char ch : szHost)
            sz += ch == '/' ? '\\' : ch;
        return sz;
    }
};

void ProgramEachKind(FLASHPAGE &page)
{
    std::vector<uint8_t> rgbData = RgbRandom(0x30000 + 0x1234, 21);
    std::vector<uint8_t> rgbReversed(rgbData);
    for (uint8_t &b : rgbReversed)
        b = BReversed(b);
    struct { const char *szName; std::vector<uint8_t> rgbFile; uint32_t addr; const std::vector<uint8_t> *prgb; }
    rgcase[] = {
        {"image.bin", rgbData, 0, &rgbData},
        {"image.bit", RgbBitFile(rgbData), 0, page.flb.fBitReversed ? &rgbReversed : &rgbData},
        {"image.mcs", RgbMcsFile(0x50000, rgbData), 0x50000, &rgbData},
    };
    SendMessageA(GetDlgItem(page.hwndPage, idVerifyProg), BM_SETCHECK, BST_CHECKED, 0);
    for (auto &c : rgcase) {
        std::string szFile = page.SzFile(c.szName);
        Check(FWriteHostFile(szFile, c.rgbFile), page.Sz(szFile + " written"));
        SetText(GetDlgItem(page.hwndPage, idProgFile), szFile);
        std::vector<std::string> rgsz = page.Run(idProgram);
        bool fOk = rgsz.size() >= 2 && rgsz[rgsz.size() - 2] == "Verifying Flash configuration..." &&
                   rgsz.back() == page.flb.szSuccess;
        std::string szLines;
        for (const std::string &sz : rgsz)
            szLines += " | " + sz;
        Check(fOk, page.Sz(std::string(c.szName) + " programmed and verified:" + szLines));
        Check(page.Flash(c.addr, static_cast<uint32_t>(c.prgb->size())) == *c.prgb,
              page.Sz(std::string(c.szName) + ": the flash holds the image"));
    }
}

void ReadBackAndErase(FLASHPAGE &page)
{
    std::string szFile = page.SzFile("readback.bin");
    DeleteFileA(szFile.c_str());
    SetText(GetDlgItem(page.hwndPage, idReadFile), szFile);
    std::vector<std::string> rgsz = page.Run(idRead);
    Check(!rgsz.empty() && rgsz.back() == "done", page.Sz("read back: done"));
    std::vector<uint8_t> rgbFile;
    Check(FReadHostFile(szFile, &rgbFile) && rgbFile.size() == page.flb.cbFlash, page.Sz("read back: the whole flash"));
    Check(rgbFile == page.Flash(0, page.flb.cbFlash), page.Sz("read back: the file equals the flash"));

    std::string szBox;
    rgsz = page.Run(idErase, IDYES, &szBox);
    Check(szBox == "Are you sure you want to erase the entire flash?", page.Sz("erase: asked \"" + szBox + "\""));
    Check(!rgsz.empty() && rgsz.back() == "done", page.Sz("erase: done"));
    Check(page.Flash(0, 0x80000) == std::vector<uint8_t>(0x80000, 0xFF), page.Sz("erase: the flash is blank"));

    // Reading into the same file again asks first; "Yes" overwrites it.
    rgsz = page.Run(idRead, IDYES, &szBox);
    Check(szBox == "Are you sure you want to overwrite the file?\n" + szFile, page.Sz("read again: asked first"));
    Check(FReadHostFile(szFile, &rgbFile) && rgbFile == std::vector<uint8_t>(page.flb.cbFlash, 0xFF),
          page.Sz("read again: the file holds the blank flash"));
}

// A large image cancelled while it is sent, then programmed again.
void CancelThenAgain(FLASHPAGE &page)
{
    std::vector<uint8_t> rgb = RgbRandom(0x300000, 33);
    std::string szFile = page.SzFile("large.bin");
    Check(FWriteHostFile(szFile, rgb), page.Sz(szFile + " written"));
    SetText(GetDlgItem(page.hwndPage, idProgFile), szFile);
    SendMessageA(GetDlgItem(page.hwndPage, idVerifyProg), BM_SETCHECK, BST_UNCHECKED, 0);
    size_t cline = page.work.Cline();
    ClickButton(GetDlgItem(page.hwndPage, idProgram));
    Check(page.work.FWaitLine("Erasing Flash memory...", 60000, cline), page.Sz("large image: erasing"));
    Check(IsWindowEnabled(GetDlgItem(page.hwndPage, idCancel)), page.Sz("large image: \"Cancel\" offered"));
    ClickButton(GetDlgItem(page.hwndPage, idCancel));
    page.WaitIdle(cline);
    std::vector<std::string> rgsz = page.work.RgszLines();
    Check(!rgsz.empty() && rgsz.back() == "Flash configuration cancelled.", page.Sz("large image: cancelled"));
    Check(page.Flash(0, static_cast<uint32_t>(rgb.size())) != rgb, page.Sz("large image: not all of it programmed"));
    Check(IsWindowEnabled(page.work.orrin.Hwnd(idTab)), page.Sz("cancelled: the program's tabs usable"));

    rgsz = page.Run(idProgram);
    Check(!rgsz.empty() && rgsz.back() == page.flb.szSuccess, page.Sz("large image again: successful"));
    Check(page.Flash(0, static_cast<uint32_t>(rgb.size())) == rgb, page.Sz("large image again: the flash holds it"));
}

// The program closed while the page programs the large image: the page
// stops its worker, which releases the board, before the program ends.
void CloseWhileRunning(FLASHPAGE &page)
{
    size_t cline = page.work.Cline();
    ClickButton(GetDlgItem(page.hwndPage, idProgram));
    Check(page.work.FWaitLine("Erasing Flash memory...", 60000, cline), page.Sz("closing: an operation runs"));
    DWORD dwExit = page.work.orrin.Close();
    Check(dwExit == 0, page.Sz("closed while programming: exit code 0 (" + std::to_string(dwExit) + ")"));
    Check(page.work.SzSim(std::string("STATE ") + page.flb.szBoard, "configreset") == "0",
          page.Sz("closed while programming: the configuration reset is released"));
}

} // namespace

int ScenarioWorkFlash(const std::string &)
{
    for (const FLBOARD &flb : rgflb) {
        WORK work;
        FLASHPAGE page(work, flb);
        if (!page.FOpen())
            continue;
        ProgramEachKind(page);
        ReadBackAndErase(page);
        CancelThenAgain(page);
        CloseWhileRunning(page);
    }
    return cFail != 0;
}
