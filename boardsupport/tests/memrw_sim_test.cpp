// The Miravo2 memory page's worker against a simulated Miravo2 board: the
// memory design loaded through the scan-chain library, RAM and flash read
// into files and written from files, the flash erased, cancels and faults;
// checked in the board's memories, its register write log and its design
// log, and in the exact status lines.

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "brisel.h"
#include "korsimenv.h"
#include "memrw.h"
#include "voziri.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "memrw", true);

namespace {

const char szBoard[] = "mem1";
const char szConn[] = "SN:210183000D06";
const std::string szDesign = SzMemDesignPath(std::string(KOR_BSDIR) + "/006 - Miravo2 - 2.bit");

#define BSSTR(id, text) {id, text},
const std::map<int, std::string> mpszText = {
#include "006 - Miravo2/strings.inc"
};
#undef BSSTR

std::string SzText(int ids)
{
    auto it = mpszText.find(ids);
    return it == mpszText.end() ? std::string() : it->second;
}

// The page and host as the worker sees them: texts of the plug-in, a
// recorded status window, the FPGA configured through the scan-chain
// library as the program does, and the overwrite question's answer.
class TESTUI : public MEMRWUI {
public:
    std::string SzText(int ids) override { return ::SzText(ids); }
    void Log(const char *sz) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszLog.push_back(sz);
    }
    bool FConfigureFpga(const char *szPath) override
    {
        cConfigure++;
        uint32_t erc = 0;
        bool fOk = BriselInitScanChain(szConn, nullptr, &erc) && BriselSetConfigFile(szPath, 0, 0, &erc) &&
                   BriselProgramDvc(szConn, 0, nullptr, &erc);
        if (fnAfterConfigure)
            fnAfterConfigure();
        fnAfterConfigure = nullptr;
        return fOk;
    }
    bool FAskOverwrite(const char *szText, const char *szCaption) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszAsk.push_back(std::string(szCaption) + "|" + szText);
        return fYes;
    }
    void EnableControls(bool fRunning) override { rgfEnable.push_back(fRunning); }
    // The page's waits, at a twentieth (the simulated board has no need of them).
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms / 20)); }

    std::vector<std::string> RgszLog()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgszLog;
    }
    bool FLogged(const std::string &sz)
    {
        auto rgsz = RgszLog();
        return std::find(rgsz.begin(), rgsz.end(), sz) != rgsz.end();
    }

    std::mutex mtx;
    std::vector<std::string> rgszLog, rgszAsk;
    std::vector<bool> rgfEnable;
    std::atomic<int> cConfigure{0};
    bool fYes = true;
    std::function<void()> fnAfterConfigure;
};

std::vector<uint8_t> RgbFile(const std::string &sz)
{
    std::ifstream is(sz, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &sz, const std::vector<uint8_t> &rgb)
{
    std::ofstream os(sz, std::ios::binary | std::ios::trunc);
    os.write(reinterpret_cast<const char *>(rgb.data()), std::streamsize(rgb.size()));
}

std::vector<uint8_t> RgbPattern(size_t cb, uint8_t bSeed)
{
    std::vector<uint8_t> rgb(cb);
    for (size_t i = 0; i < cb; i++)
        rgb[i] = uint8_t(i * 7 + bSeed + (i >> 8));
    return rgb;
}

const std::string szLoad = "Configuring board with memory manager";

class MemRw : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        uint32_t erc = 0;
        BriselInit(&erc);
    }
    static void TearDownTestSuite()
    {
        uint32_t erc = 0;
        BriselTerm(&erc);
    }
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv() != nullptr && PkorsimEnv()->fOk) << (PkorsimEnv() ? PkorsimEnv()->szErr : "");
        szDir = SzKorTestDir("memrw");
        Cmd("DLOGCLEAR " + std::string(szBoard));
        for (const char *szKey : {"flash.erasenotready", "flash.erasezero", "flash.programflip", "ram.stuck0", "ram.stuck1"})
            Cmd(std::string("DOPT ") + szBoard + " " + szKey + " -");
    }
    std::vector<std::string> Cmd(const std::string &szCmd)
    {
        std::vector<std::string> rgsz;
        std::string szErr;
        EXPECT_TRUE(PkorsimEnv()->simctl.FCmd(szCmd, &rgsz, &szErr)) << szCmd << ": " << szErr;
        return rgsz;
    }
    std::string Path(const std::string &szLeaf) { return szDir + szLeaf; }
    // The board's memory range as the simulator holds it.
    std::vector<uint8_t> RgbMem(const char *szMem, uint32_t addr, uint32_t cb)
    {
        std::string szFile = Path(std::string("mem-") + szMem + ".bin");
        Cmd("MEMSAVE " + std::string(szBoard) + " " + szMem + " " + szFile + " " + std::to_string(addr) + " " +
            std::to_string(cb));
        std::vector<uint8_t> rgb = RgbFile(szFile);
        remove(szFile.c_str());
        return rgb;
    }
    void Fill(const char *szMem, uint32_t addr, uint32_t cb, uint8_t b)
    {
        Cmd("MEMFILL " + std::string(szBoard) + " " + szMem + " " + std::to_string(addr) + " " + std::to_string(cb) +
            " " + std::to_string(b));
    }
    std::vector<std::string> DesignLog() { return Cmd("DLOG " + std::string(szBoard)); }
    // Runs an operation to its end; false when it did not end in time.
    bool FRun(MEMRW &memrw, MEMOP op, const MEMRWREQ &req)
    {
        if (!memrw.FStart(op, req))
            return false;
        for (int i = 0; i < 12000 && memrw.FBusy(); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !memrw.FBusy();
    }
    // The board's memories exist once the memory design has run.
    void EnsureMemories()
    {
        if (Cmd("MEMINFO " + std::string(szBoard)).size() >= 2)
            return;
        MEMRW memrw(ui, szConn, szDesign);
        WriteFile(Path("one.bin"), {0});
        ASSERT_TRUE(FRun(memrw, memopWrite, Req(Path("one.bin"), "0", "", false)));
        ui.rgszLog.clear();
        ui.rgfEnable.clear();
    }
    // The next data transfer on the board stalls after cb bytes: set once
    // the FPGA is configured (the configuration moves data too).
    void StallAfterConfigure(uint32_t cb)
    {
        ui.fnAfterConfigure = [this, cb] { Cmd("FAULT " + std::string(szBoard) + " stall " + std::to_string(cb)); };
    }
    static MEMRWREQ Req(const std::string &szFile, const std::string &szStart, const std::string &szLength, bool fFlash,
                        bool fHex = false, bool fVerify = false)
    {
        MEMRWREQ req;
        req.szFile = szFile;
        req.szStart = szStart;
        req.szLength = szLength;
        req.fFlash = fFlash;
        req.fHex = fHex;
        req.fVerify = fVerify;
        return req;
    }

    TESTUI ui;
    std::string szDir;
};

TEST(MemRwText, NumberFieldsAndDesignName)
{
    struct CASE { const char *sz; bool fHex; bool fOk; long long n; };
    const CASE rgcase[] = {
        {"10", true, true, 0x10},   {"10", false, true, 10},     {"1A", false, false, 0}, {"1a", true, true, 0x1A},
        {"  0x1F", true, true, 31}, {"0x1F", false, false, 0},   {"-5", false, true, -5}, {"+7", true, true, 7},
        {"", false, false, 0},      {"0x", true, false, 0},      {"12 ", false, false, 0}, {"- 5", false, false, 0},
        {"16777216", false, true, 0x1000000},
    };
    for (const CASE &c : rgcase) {
        long long n = 0;
        EXPECT_EQ(FParseMemNumber(c.sz, c.fHex, &n), c.fOk) << '"' << c.sz << '"';
        if (c.fOk) {
            EXPECT_EQ(n, c.n) << c.sz;
        }
    }
    EXPECT_EQ(SzMemDesignPath("X:\\shared\\BoardSupport\\006 - Miravo2 - 0.bit"),
              "X:\\shared\\BoardSupport\\006 - Miravo2 - 0 MEM.bit");
    EXPECT_EQ(SzMemDesignPath("image.bin"), "");
}

TEST_F(MemRw, RamWriteAtAnOddAddressThenReadBack)
{
    EnsureMemories();
    Fill("ram", 0, 16, 0x5A);
    MEMRW memrw(ui, szConn, szDesign);
    WriteFile(Path("four.bin"), {0x11, 0x22, 0x33, 0x44});
    Cmd("REGLOGCLEAR " + std::string(szBoard));
    ASSERT_TRUE(FRun(memrw, memopWrite, Req(Path("four.bin"), "3", "", false)));
    EXPECT_EQ(ui.RgszLog(), (std::vector<std::string>{szLoad, "Writing to RAM (this may take up to 2 minutes)",
                                                      "Write complete"}));
    // The bytes beside the file keep what they held.
    EXPECT_EQ(RgbMem("ram", 0, 9), (std::vector<uint8_t>{0x5A, 0x5A, 0x5A, 0x11, 0x22, 0x33, 0x44, 0x5A, 0x5A}));
    EXPECT_EQ(ui.rgfEnable, (std::vector<bool>{true, false}));

    ui.rgszLog.clear();
    ASSERT_TRUE(FRun(memrw, memopRead, Req(Path("back.bin"), "3", "4", false)));
    EXPECT_EQ(ui.RgszLog(), (std::vector<std::string>{szLoad, "Reading RAM content to file (this may take up to 2 minutes)",
                                                      "Succesfully read RAM"}));
    EXPECT_EQ(RgbFile(Path("back.bin")), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    // Read set-up at 2: read array, the address low byte first, the stream.
    auto rgszReg = Cmd("REGLOG " + std::string(szBoard));
    ASSERT_FALSE(rgszReg.empty());
    EXPECT_NE(rgszReg[0].find("04:FF 00:15 00:17 00:1F 01:02 02:00 03:00 00:3F"), std::string::npos) << rgszReg[0];
}

TEST_F(MemRw, FlashWriteErasesFirstPadsToWordsAndVerifies)
{
    EnsureMemories();
    Fill("flash", 0, 0x40010, 0x00);
    MEMRW memrw(ui, szConn, szDesign);
    WriteFile(Path("four.bin"), {0x11, 0x22, 0x33, 0x44});
    Cmd("REGLOGCLEAR " + std::string(szBoard));
    ASSERT_TRUE(FRun(memrw, memopWrite, Req(Path("four.bin"), "3", "", true, false, true)));
    EXPECT_EQ(ui.RgszLog(),
              (std::vector<std::string>{szLoad, "Erasing flash (this may take up to 2 minutes)", "Erase complete",
                                        "Writing to Flash (this may take up to 2 minutes)", "Write complete",
                                        "Verifying Flash ...", "Flash verification succeeded"}));
    EXPECT_EQ(DesignLog(), (std::vector<std::string>{"erase 0x000000", "erase 0x020000"}));
    EXPECT_EQ(RgbMem("flash", 0, 9), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF}));
    EXPECT_EQ(RgbMem("flash", 0x40000, 4), (std::vector<uint8_t>{0, 0, 0, 0}));   // block 2 untouched
    auto rgszReg = Cmd("REGLOG " + std::string(szBoard));
    ASSERT_FALSE(rgszReg.empty());
    EXPECT_NE(rgszReg[0].find("01:02 02:00 03:00 00:3F 07:FF 07:11 07:22 07:33 07:44 07:FF"), std::string::npos)
        << rgszReg[0];
}

TEST_F(MemRw, FlashWriteToTheEndErases130BlocksAndVerifyFindsAFlippedBit)
{
    EnsureMemories();
    MEMRW memrw(ui, szConn, szDesign);
    auto rgb = RgbPattern(16, 0x30);
    WriteFile(Path("tail.bin"), rgb);
    Cmd("DOPT " + std::string(szBoard) + " flash.programflip 0xFFFFF5");
    ASSERT_TRUE(FRun(memrw, memopWrite, Req(Path("tail.bin"), "FFFFF0", "", true, true, true)));
    auto rgszDlog = DesignLog();
    ASSERT_EQ(rgszDlog.size(), 130u);
    EXPECT_EQ(rgszDlog[127], "erase 0xFE0000");
    EXPECT_EQ(rgszDlog[128], "erase 0x000000");   // register value of 256: block 0 again
    EXPECT_EQ(rgszDlog[129], "erase 0x020000");
    EXPECT_EQ(ui.RgszLog().back(), "Error: Flash verification failed");
    auto rgbExpect = rgb;
    rgbExpect[5] ^= 1;
    EXPECT_EQ(RgbMem("flash", 0xFFFFF0, 16), rgbExpect);
}

// Memories that do not keep what they were given: the verify finds it.
TEST_F(MemRw, VerifyFindsWhatTheMemoryDidNotKeep)
{
    EnsureMemories();
    MEMRW memrw(ui, szConn, szDesign);
    WriteFile(Path("ff.bin"), std::vector<uint8_t>(8, 0xFF));
    WriteFile(Path("ones.bin"), std::vector<uint8_t>(8, 0x01));
    struct CASE { const char *szKey, *szValue; MEMRWREQ req; std::string szLast; };
    const CASE rgcase[] = {
        {"flash.erasezero", "4", Req(Path("ff.bin"), "0", "", true, false, true), "Error: Flash verification failed"},
        {"ram.stuck0", "0x01", Req(Path("ones.bin"), "200", "", false, false, true), "Error: RAM verification failed"},
        {"ram.stuck0", "0x02", Req(Path("ones.bin"), "200", "", false, false, true), "RAM verification succeeded"},
    };
    for (const CASE &c : rgcase) {
        ui.rgszLog.clear();
        Cmd(std::string("DOPT ") + szBoard + " " + c.szKey + " " + c.szValue);
        ASSERT_TRUE(FRun(memrw, memopWrite, c.req));
        Cmd(std::string("DOPT ") + szBoard + " " + c.szKey + " -");
        ASSERT_FALSE(ui.RgszLog().empty());
        EXPECT_EQ(ui.RgszLog().back(), c.szLast) << c.szKey << " " << c.szValue;
    }
}

TEST_F(MemRw, FieldAndFileErrors)
{
    EnsureMemories();
    MEMRW memrw(ui, szConn, szDesign);
    WriteFile(Path("four.bin"), {1, 2, 3, 4});
    WriteFile(Path("empty.bin"), {});
    struct CASE { MEMOP op; MEMRWREQ req; std::vector<std::string> rgszLog; };
    const std::string szOut = Path("never.bin");
    remove(szOut.c_str());
    const CASE rgcase[] = {
        {memopRead, Req(szOut, "1A", "4", false), {"Error: Invalid address string"}},
        {memopRead, Req(szOut, "-1", "4", false), {"Error: Negative address entered"}},
        {memopRead, Req(szOut, "0", "four", false), {"Error: Invalid length string"}},
        {memopRead, Req(szOut, "0", "0", false), {"Error: Length must be a positive integer"}},
        {memopRead, Req(szOut, "FFFFFF", "2", false, true), {"Error: Attempting to access past end of flash"}},
        {memopRead, Req(szOut, "0", "16777217", true), {"Error: Attempting to access past end of flash"}},
        {memopWrite, Req(Path("four.bin"), "16777213", "", false), {szLoad, "Error: Attempting to access past end of flash"}},
        {memopWrite, Req(Path("empty.bin"), "0", "", true), {szLoad, "Error: File is empty"}},
        {memopWrite, Req(Path("missing.bin"), "0", "", true), {"Error accessing file: " + Path("missing.bin")}},
        {memopRead, Req(Path("nodir/x.bin"), "0", "4", false), {szLoad, "Error accessing file: " + Path("nodir/x.bin")}},
    };
    for (const CASE &c : rgcase) {
        ui.rgszLog.clear();
        ASSERT_TRUE(FRun(memrw, c.op, c.req));
        EXPECT_EQ(ui.RgszLog(), c.rgszLog) << c.req.szStart << " " << c.req.szLength;
    }
    FILE *pf = fopen(szOut.c_str(), "rb");
    EXPECT_EQ(pf, nullptr);   // no read failed after creating its file
    if (pf)
        fclose(pf);
}

TEST_F(MemRw, OverwriteQuestion)
{
    EnsureMemories();
    MEMRW memrw(ui, szConn, szDesign);
    std::string szOut = Path("keep.bin");
    WriteFile(szOut, {9, 9});
    ui.fYes = false;
    int cConfigure = ui.cConfigure;
    ASSERT_TRUE(FRun(memrw, memopRead, Req(szOut, "0", "4", false)));
    ASSERT_EQ(ui.rgszAsk.size(), 1u);
    EXPECT_EQ(ui.rgszAsk[0], "Flash read|Are you sure you want to overwrite the file?\n" + szOut);
    EXPECT_TRUE(ui.RgszLog().empty());
    EXPECT_EQ(ui.cConfigure, cConfigure);
    EXPECT_EQ(RgbFile(szOut), (std::vector<uint8_t>{9, 9}));
    ui.fYes = true;
    Fill("ram", 0, 4, 0x77);
    ASSERT_TRUE(FRun(memrw, memopRead, Req(szOut, "0", "4", false)));
    EXPECT_EQ(RgbFile(szOut), (std::vector<uint8_t>{0x77, 0x77, 0x77, 0x77}));
}

// The read-back file is written and checked before the success line: a
// file that cannot be written whole ends the read with the file error and
// leaves the target empty.
TEST_F(MemRw, ReadReportsSuccessOnlyOnceTheFileIsWritten)
{
    EnsureMemories();
    MEMRW memrw(ui, szConn, szDesign);
    std::string szOut = Path("blocked.bin");
    remove(szOut.c_str());
    std::string szPart = szOut + ".part";
    rmdir(szPart.c_str());
    ASSERT_EQ(mkdir(szPart.c_str(), 0700), 0);   // the file beside the target cannot be made
    ASSERT_TRUE(FRun(memrw, memopRead, Req(szOut, "0", "16", false)));
    rmdir(szPart.c_str());
    EXPECT_EQ(ui.RgszLog(), (std::vector<std::string>{szLoad, "Reading RAM content to file (this may take up to 2 minutes)",
                                                      "Error accessing file: " + szOut}));
    EXPECT_TRUE(RgbFile(szOut).empty());
}

// Waits until the log holds sz (the worker got that far).
bool FAwaitLog(TESTUI &ui, const std::string &sz)
{
    for (int i = 0; i < 3000; i++) {
        if (ui.FLogged(sz))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(MemRw, CancelDuringTheReadLeavesTheFileEmptyAndTheNextReadWorks)
{
    EnsureMemories();
    auto rgb = RgbPattern(0x100000, 0x21);
    MEMRW memrw(ui, szConn, szDesign);
    WriteFile(Path("mb.bin"), rgb);
    ASSERT_TRUE(FRun(memrw, memopWrite, Req(Path("mb.bin"), "100000", "", false, true)));
    ui.rgszLog.clear();
    std::string szOut = Path("cancelled.bin");
    remove(szOut.c_str());
    StallAfterConfigure(4096);
    ASSERT_TRUE(memrw.FStart(memopRead, Req(szOut, "100000", "100000", false, true)));
    ASSERT_TRUE(FAwaitLog(ui, "Reading RAM content to file (this may take up to 2 minutes)"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    memrw.Cancel();
    for (int i = 0; i < 1000 && memrw.FBusy(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(memrw.FBusy());
    EXPECT_EQ(ui.RgszLog().back(), "Transfer Canceled");
    EXPECT_TRUE(RgbFile(szOut).empty());
    FILE *pf = fopen(szOut.c_str(), "rb");
    EXPECT_NE(pf, nullptr);
    if (pf)
        fclose(pf);
    Cmd("FAULT " + std::string(szBoard) + " clear");
    ui.rgszLog.clear();
    ASSERT_TRUE(FRun(memrw, memopRead, Req(szOut, "100000", "100000", false, true)));
    EXPECT_EQ(ui.RgszLog().back(), "Succesfully read RAM");
    EXPECT_EQ(RgbFile(szOut), rgb);
}

TEST_F(MemRw, EraseFlashWithRamChosenAndACancelledErase)
{
    EnsureMemories();
    Fill("flash", 0, 0x1000000, 0x00);
    MEMRW memrw(ui, szConn, szDesign);
    ASSERT_TRUE(FRun(memrw, memopErase, Req("", "", "", false)));
    EXPECT_EQ(ui.RgszLog(), (std::vector<std::string>{szLoad, "Erasing flash (this may take up to 2 minutes)",
                                                      "Erase complete"}));
    EXPECT_EQ(DesignLog().size(), 128u);
    EXPECT_EQ(RgbMem("flash", 0, 0x1000000), std::vector<uint8_t>(0x1000000, 0xFF));

    // A flash that never gets ready: the erase waits until it is cancelled,
    // then ends without a message.
    ui.rgszLog.clear();
    Cmd("DOPT " + std::string(szBoard) + " flash.erasenotready 1");
    ASSERT_TRUE(memrw.FStart(memopErase, Req("", "", "", false)));
    ASSERT_TRUE(FAwaitLog(ui, "Erasing flash (this may take up to 2 minutes)"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(memrw.FBusy());
    memrw.Cancel();
    for (int i = 0; i < 1000 && memrw.FBusy(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(memrw.FBusy());
    EXPECT_EQ(ui.RgszLog().back(), "Erasing flash (this may take up to 2 minutes)");
}

TEST_F(MemRw, ATransferThatFailsEndsTheWaitAndTheReadWritesNothing)
{
    EnsureMemories();
    MEMRW memrw(ui, szConn, szDesign);
    std::string szOut = Path("unplugged.bin");
    remove(szOut.c_str());
    StallAfterConfigure(4096);
    ASSERT_TRUE(memrw.FStart(memopRead, Req(szOut, "0", "100000", false, true)));
    ASSERT_TRUE(FAwaitLog(ui, "Reading RAM content to file (this may take up to 2 minutes)"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Cmd("UNPLUG " + std::string(szBoard));
    for (int i = 0; i < 3000 && memrw.FBusy(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bool fEnded = !memrw.FBusy();
    Cmd("PLUG " + std::string(szBoard));
    Cmd("WAIT " + std::string(szBoard) + " present");
    Cmd("FAULT " + std::string(szBoard) + " clear");
    ASSERT_TRUE(fEnded);
    EXPECT_EQ(ui.RgszLog().back(), "Communication with the FPGA failed.");
    EXPECT_TRUE(RgbFile(szOut).empty());
}

TEST_F(MemRw, ClosingThePageStopsTheWorkerQuietly)
{
    EnsureMemories();
    auto pmemrw = std::make_unique<MEMRW>(ui, szConn, szDesign);
    StallAfterConfigure(4096);
    ASSERT_TRUE(pmemrw->FStart(memopRead, Req(Path("closing.bin"), "0", "100000", false, true)));
    ASSERT_TRUE(FAwaitLog(ui, "Reading RAM content to file (this may take up to 2 minutes)"));
    size_t clog = ui.RgszLog().size();
    size_t cenable = ui.rgfEnable.size();
    EXPECT_TRUE(pmemrw->FClose(10000, nullptr));
    pmemrw.reset();
    Cmd("FAULT " + std::string(szBoard) + " clear");
    EXPECT_EQ(ui.RgszLog().size(), clog);
    EXPECT_EQ(ui.rgfEnable.size(), cenable);
}

} // namespace
