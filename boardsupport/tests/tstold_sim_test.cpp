// The older self-test page's engine against the simulated boards: the
// Miravo2 and Miravo bus tests (what lands in the board's RAM and flash, in
// which order), switches and buttons set on the board showing in the
// indicators, the exact texts of each board, and every injected fault
// reported as itself. The page's window is a recorder here.

#include <gtest/gtest.h>

#include <stdio.h>
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "bsexpect.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "tstkelm.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "tstold", true);

namespace {

int Pid()
{
#if defined(_WIN32)
    return _getpid();
#else
    return getpid();
#endif
}

const char szM2[] = "SN:210183000D01";
const char szM1[] = "SN:210183000D02";
const char szTl[] = "SN:210183000D03";

// The page and the host as recorders; the device is the simulated board.
class SITE : public TSTSITEKELM {
public:
    SITE(uint32_t prodnumIn, const char *szConnIn) : prodnum(prodnumIn), szConn(szConnIn) {}
    void Log(const char *sz) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszLog.push_back(sz);
    }
    void LockHost(bool fLock) override { fLocked = fLock; }
    bool FConfigureFpga() override { return fConfigureOk; }
    std::string SzString(uint32_t ids) override
    {
        for (const BSEXPECT &exp : RgbsExpect())
            if (exp.pbsb->prodnum == prodnum)
                return exp.Sz(ids);
        return std::string();
    }
    void EnableControl(int id, bool fEnable) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mpfEnabled[id] = fEnable;
    }
    void SetControlText(int id, const char *sz) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mpszText[id] = sz;
    }
    void Invalidate(const TSTRECT *, bool) override {}
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void PumpSent() override {}

    std::vector<std::string> RgszLog()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgszLog;
    }
    bool FEnabled(int id)
    {
        std::lock_guard<std::mutex> lock(mtx);
        return mpfEnabled[id];
    }

    std::atomic<bool> fLocked{false};
    bool fConfigureOk = true;

protected:
    const char *SzConn() override { return szConn; }

private:
    uint32_t prodnum;
    const char *szConn;
    std::mutex mtx;
    std::vector<std::string> rgszLog;
    std::map<int, bool> mpfEnabled;
    std::map<int, std::string> mpszText;
};

class TstOldSim : public ::testing::Test {
protected:
    KSIMCTL &Sim() { return PkorsimEnv()->simctl; }
    void SetUp() override { ASSERT_TRUE(PkorsimEnv() != nullptr && PkorsimEnv()->fOk) << PkorsimEnv()->szErr; }
    std::vector<std::string> Lines(const std::string &szCmd)
    {
        std::vector<std::string> rgsz;
        std::string szErr;
        EXPECT_TRUE(Sim().FCmd(szCmd, &rgsz, &szErr)) << szCmd << ": " << szErr;
        return rgsz;
    }
    void Cmd(const std::string &szCmd) { Lines(szCmd); }
    // The design's events of one kind ("ram write", "flash program", ...).
    std::vector<std::string> Events(const std::string &szBoard, const std::string &szKind)
    {
        std::vector<std::string> rgsz;
        for (const std::string &sz : Lines("DLOG " + szBoard))
            if (sz.compare(0, szKind.size(), szKind) == 0)
                rgsz.push_back(sz.substr(szKind.size() + 1));
        return rgsz;
    }
    // Bytes of a memory beside the board's FPGA, through a file the
    // simulator writes on the host (seen under wine on drive Z:).
    std::vector<uint8_t> Mem(const std::string &szBoard, const std::string &szName, uint32_t addr, uint32_t cb)
    {
        const char *szTmp = getenv("KOR_TEST_TMP");
        std::string szHost = std::string(szTmp != nullptr && szTmp[0] == '/' ? szTmp : "/tmp") + "/tstold-mem-" +
                             std::to_string(Pid()) + ".bin";
        Cmd("MEMSAVE " + szBoard + " " + szName + " " + szHost + " " + std::to_string(addr) + " " + std::to_string(cb));
#if defined(_WIN32)
        std::string szFile = "Z:" + szHost;
        std::replace(szFile.begin(), szFile.end(), '/', '\\');
#else
        std::string szFile = szHost;
#endif
        std::ifstream is(szFile, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
    }
    // Waits until f holds (the monitor thread follows the board).
    template <class F> bool FEventually(F f)
    {
        for (int i = 0; i < 300; i++) {
            if (f())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return f();
    }
    static std::string SzHex(uint32_t u)
    {
        char sz[16];
        snprintf(sz, sizeof(sz), "0x%X", u);
        return sz;
    }
};

using VS = std::vector<std::string>;

TEST_F(TstOldSim, Miravo2RamTestWritesTheBusPatternAndPasses)
{
    SITE site(0x006, szM2);
    TSTOLD tst(*PtstoldProfile(0x006), site);
    ASSERT_TRUE(tst.FStartTest());
    EXPECT_EQ(site.RgszLog(), (VS{"Programming Test Configuration...", "Test Started."}));
    EXPECT_FALSE(site.fLocked);
    EXPECT_TRUE(site.FEnabled(idcRam) && site.FEnabled(idcFlash) && site.FEnabled(idcStop));
    EXPECT_FALSE(site.FEnabled(idcStart));
    EXPECT_EQ(tst.rgindResult[0].st, stGood);
    EXPECT_EQ(tst.CAddrBits(), 23);

    Cmd("DLOGCLEAR tm2");
    ASSERT_TRUE(tst.FRamTest());
    // The write pass: 25 addresses and bytes, in this order.
    const uint32_t rgaddr[25] = {0, 1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000,
                                 0x4000, 0x8000, 0x10000, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000, 0x400000,
                                 0x800000};
    const uint8_t rgb[25] = {1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80, 3, 6, 0x0C, 0x18, 0x30, 0x60, 0xC0,
                             5, 0x0A, 0x14, 0x28, 0x50, 0xA0, 7, 0x0E, 0x1C, 0x38};
    VS rgszExpected;
    for (int i = 0; i < 25; i++)
        rgszExpected.push_back(SzHex(rgaddr[i]) + " " + SzHex(rgb[i]));
    EXPECT_EQ(Events("tm2", "ram write"), rgszExpected);
    EXPECT_EQ(Mem("tm2", "ram", 0x800000, 1), std::vector<uint8_t>{0x38});
    EXPECT_EQ(site.RgszLog().back(), "RAM test passed.");
    EXPECT_EQ(tst.PindResult(idcRamInd)->st, stGood);

    ASSERT_TRUE(tst.FStopTest());
    EXPECT_EQ(site.RgszLog().back(), "Test Stopped.");
    EXPECT_TRUE(site.FEnabled(idcStart));
    EXPECT_FALSE(site.FEnabled(idcRam) || site.FEnabled(idcStop));
    EXPECT_EQ(tst.rgindResult[0].st, stBad);
    EXPECT_EQ(tst.PindResult(idcRamInd)->st, stOff);
    // Stopping an idle page does nothing.
    size_t clog = site.RgszLog().size();
    EXPECT_TRUE(tst.FStopTest());
    EXPECT_EQ(site.RgszLog().size(), clog);
}

// Size code 24: 24 words programmed up to 0x800000 and 23 verified; the
// flash holds them afterwards.
TEST_F(TstOldSim, Miravo2FlashTestByItsSizeCode)
{
    SITE site(0x006, szM2);
    TSTOLD tst(*PtstoldProfile(0x006), site);
    ASSERT_TRUE(tst.FStartTest());
    Cmd("DLOGCLEAR tm2");
    ASSERT_TRUE(tst.FFlashTest());
    VS rgszLog = site.RgszLog();
    ASSERT_GE(rgszLog.size(), 9u);
    VS rgszTail(rgszLog.end() - 9, rgszLog.end());
    EXPECT_EQ(rgszTail, (VS{"Erasing Flash block 1...", "Erasing Flash block 2...", "Erasing Flash block 3...",
                            "Erasing Flash block 4...", "Erasing Flash block 5...", "Erasing Flash block 6...",
                            "Erasing Flash block 7...", "Running Flash Test...", "Flash test passed."}));
    EXPECT_EQ(Events("tm2", "flash erase"),
              (VS{"0x0", "0x20000", "0x40000", "0x80000", "0x100000", "0x200000", "0x400000"}));
    VS rgszProgram = Events("tm2", "flash program");
    ASSERT_EQ(rgszProgram.size(), 24u);
    EXPECT_EQ(rgszProgram[0], "0x0 0x201");
    EXPECT_EQ(rgszProgram[1], "0x2 0x302");
    EXPECT_EQ(rgszProgram[8], "0x100 0x201");
    EXPECT_EQ(rgszProgram[23], "0x800000 0x8180");
    EXPECT_EQ(Mem("tm2", "flash", 0x800000, 2), (std::vector<uint8_t>{0x80, 0x81}));
    EXPECT_EQ(tst.PindResult(idcFlashInd)->st, stGood);
    tst.FStopTest();
}

// Miravo: size code 22 gives 22 words up to 0x200000; a code of 7 is taken
// as 22; the texts are the page's own.
TEST_F(TstOldSim, MiravoFlashTestSizeCodesAndTexts)
{
    for (const char *szCode : {"22", "7"}) {
        Cmd(std::string("DOPT tm1 flashcode ") + szCode);
        SITE site(0x003, szM1);
        TSTOLD tst(*PtstoldProfile(0x003), site);
        ASSERT_TRUE(tst.FStartTest());
        EXPECT_EQ(tst.CAddrBits(), 21) << szCode;
        Cmd("DLOGCLEAR tm1");
        ASSERT_TRUE(tst.FFlashTest());
        VS rgszProgram = Events("tm1", "flash program");
        ASSERT_EQ(rgszProgram.size(), 22u) << szCode;
        EXPECT_EQ(rgszProgram.back(), "0x200000 0x2120") << szCode;
        EXPECT_EQ(site.RgszLog().back(), "Flash Test passed.");
        ASSERT_TRUE(tst.FRamTest());
        VS rgszLog = site.RgszLog();
        EXPECT_EQ(VS(rgszLog.end() - 2, rgszLog.end()), (VS{"Testing RAM...", "RAM Test passed."}));
        tst.FStopTest();
        EXPECT_EQ(site.RgszLog().back(), "Test Stopped.");
    }
    Cmd("DOPT tm1 flashcode 22");
}

// Switches and buttons set on the board reach the indicators: bit 0 of 0x82
// is the rightmost switch, bit 7 of 0x80 the leftmost button (1020).
TEST_F(TstOldSim, SwitchesAndButtonsFollowTheBoard)
{
    for (auto [szBoard, szConn, prodnum] : {std::tuple{"tm1", szM1, 0x003u}, std::tuple{"ttl", szTl, 0x004u},
                                            std::tuple{"ttl", szTl, 0x008u}}) {
        Cmd(std::string("DOPT ") + szBoard + " switches 0x01");
        Cmd(std::string("DOPT ") + szBoard + " buttons 0x80");
        SITE site(prodnum, szConn);
        TSTOLD tst(*PtstoldProfile(prodnum), site);
        ASSERT_TRUE(tst.FStartTest()) << szBoard;
        EXPECT_TRUE(FEventually([&] { return tst.rgindSwitch[0].st == stUp; }));
        for (int i = 1; i < 8; i++)
            EXPECT_EQ(tst.rgindSwitch[i].st, stDown) << i;
        ASSERT_EQ(tst.cindButton, 4);
        EXPECT_EQ(tst.rgindButton[3].idCtl, 1020);
        EXPECT_TRUE(FEventually([&] { return tst.rgindButton[3].st == stDown; }));
        EXPECT_EQ(tst.rgindButton[0].st, stUp);
        // Changed at run time.
        Cmd(std::string("DOPT ") + szBoard + " switches 0x80");
        Cmd(std::string("DOPT ") + szBoard + " buttons 0x10");
        EXPECT_TRUE(FEventually([&] { return tst.rgindSwitch[7].st == stUp && tst.rgindSwitch[0].st == stDown; }));
        EXPECT_TRUE(FEventually([&] { return tst.rgindButton[0].st == stDown && tst.rgindButton[3].st == stUp; }));
        tst.FStopTest();
        EXPECT_EQ(site.RgszLog(), (VS{"Programming Test Configuration...", "Test Started.", "Test Stopped."}));
        for (auto &ind : tst.rgindSwitch)
            EXPECT_EQ(ind.st, stOff);
    }
}

// Faults of the board, each reported as itself.
TEST_F(TstOldSim, InjectedFaultsAreReportedExactly)
{
    struct CASE {
        const char *szOpt;
        bool fRam;
        const char *szMiravo2, *szMiravo;
    } rgcase[] = {
        {"fault.ramstuck 0x10", true, "RAM test failed.", "RAM Test failed."},
        {"fault.ramalias 23", true, "RAM test failed.", "RAM Test failed."},
        {"fault.flashstuck 0x04", false, "Flash test failed.", "Flash Test failed."},
    };
    for (const CASE &c : rgcase) {
        for (auto [szBoard, szConn, prodnum] : {std::tuple{"tm2", szM2, 0x006u}, std::tuple{"tm1", szM1, 0x003u}}) {
            SITE site(prodnum, szConn);
            TSTOLD tst(*PtstoldProfile(prodnum), site);
            ASSERT_TRUE(tst.FStartTest());
            Cmd(std::string("DOPT ") + szBoard + " " + c.szOpt);
            ASSERT_TRUE(c.fRam ? tst.FRamTest() : tst.FFlashTest());
            Cmd(std::string("DOPT ") + szBoard + " " + std::string(c.szOpt).substr(0, std::string(c.szOpt).find(' ')) +
                " -");
            EXPECT_EQ(site.RgszLog().back(), prodnum == 0x006 ? c.szMiravo2 : c.szMiravo) << c.szOpt;
            EXPECT_EQ(tst.PindResult(c.fRam ? idcRamInd : idcFlashInd)->st, stBad) << c.szOpt;
            // The other test still passes: only the fault is reported.
            ASSERT_TRUE(c.fRam ? tst.FFlashTest() : tst.FRamTest());
            EXPECT_EQ(tst.PindResult(c.fRam ? idcFlashInd : idcRamInd)->st, stGood) << c.szOpt;
            tst.FStopTest();
        }
    }
}

// A design that never gets ready, a test design that does not load and a
// board that cannot be opened: the step's message, nothing more, and the
// page idle with the host unlocked.
TEST_F(TstOldSim, StartFailuresLeaveThePageIdle)
{
    {
        Cmd("DOPT tm2 fault.noready 1");
        SITE site(0x006, szM2);
        TSTOLD tst(*PtstoldProfile(0x006), site);
        EXPECT_FALSE(tst.FStartTest());
        Cmd("DOPT tm2 fault.noready -");
        EXPECT_EQ(site.RgszLog(), (VS{"Programming Test Configuration...", "Test Canceled:  failed to initialize test."}));
        EXPECT_FALSE(site.fLocked);
        EXPECT_TRUE(site.FEnabled(idcStart));
        EXPECT_FALSE(tst.FRunning());
        // The board is free again: a new start works.
        ASSERT_TRUE(tst.FStartTest());
        tst.FStopTest();
    }
    {
        SITE site(0x003, szM1);
        site.fConfigureOk = false;
        TSTOLD tst(*PtstoldProfile(0x003), site);
        EXPECT_FALSE(tst.FStartTest());
        EXPECT_EQ(site.RgszLog(), (VS{"Programming Test Configuration...", "Failed to program FPGA with test image."}));
        EXPECT_FALSE(site.fLocked);
        EXPECT_TRUE(site.FEnabled(idcStart));
    }
    struct CASE {
        uint32_t prodnum;
        const char *szMsg;
    } rgcase[] = {{0x006, "Test Canceled:  failed to open device."},
                  {0x003, "Test Canceled:  failed to open device."},
                  {0x008, "Test Canceled:  failed to open device."},
                  {0x004, "Test Canceled:  failed to open device."}};
    for (const CASE &c : rgcase) {
        SITE site(c.prodnum, "SN:210183009999");
        TSTOLD tst(*PtstoldProfile(c.prodnum), site);
        EXPECT_FALSE(tst.FStartTest());
        VS rgszLog = site.RgszLog();
        ASSERT_EQ(rgszLog.size(), 2u);
        EXPECT_EQ(rgszLog[1], c.szMsg);
        EXPECT_FALSE(site.fLocked);
        EXPECT_TRUE(site.FEnabled(idcStart));
        EXPECT_EQ(tst.rgindResult[0].st, stBad);
    }
}

// Two pages on two boards (as two copies of the program would run them):
// neither waits for the other's register port.
TEST_F(TstOldSim, TwoPagesDoNotShareThePort)
{
    SITE siteA(0x006, szM2), siteB(0x004, szTl);
    TSTOLD tstA(*PtstoldProfile(0x006), siteA);
    TSTOLD tstB(*PtstoldProfile(0x004), siteB);
    ASSERT_TRUE(tstA.FStartTest());
    ASSERT_TRUE(tstB.FStartTest());
    std::thread thrB([&] {
        Cmd("DOPT ttl switches 0x02");
        EXPECT_TRUE(FEventually([&] { return tstB.rgindSwitch[1].st == stUp; }));
    });
    ASSERT_TRUE(tstA.FRamTest());
    ASSERT_TRUE(tstA.FRamTest());
    thrB.join();
    tstB.FStopTest();
    tstA.FStopTest();
    EXPECT_EQ(siteA.RgszLog().back(), "Test Stopped.");
    EXPECT_EQ(siteB.RgszLog().back(), "Test Stopped.");
}

// One copy of the program's page in a process of its own: starts the test
// on the board (argv[1] product number, argv[2] connection string), runs the
// RAM and flash tests argv[3] times and stops; exit code 0 when every test
// passed and the page logged exactly that.
KOR_CHILD_ROLE(page)
{
    if (argc < 4)
        return 2;
    uint32_t prodnum = uint32_t(strtoul(argv[1], nullptr, 0));
    SITE site(prodnum, argv[2]);
    TSTOLD tst(*PtstoldProfile(prodnum), site);
    if (!tst.FStartTest())
        return 3;
    for (int i = 0; i < atoi(argv[3]); i++) {
        if (!tst.FRamTest() || tst.PindResult(idcRamInd)->st != stGood)
            return 4;
        if (!tst.FFlashTest() || tst.PindResult(idcFlashInd)->st != stGood)
            return 5;
    }
    tst.FStopTest();
    return site.RgszLog().back() == "Test Stopped." ? 0 : 6;
}

// Two copies of the program, each testing its own board at the same time:
// neither waits for the other's register port, and both pass.
TEST_F(TstOldSim, TwoProgramsTestTheirBoardsAtOnce)
{
    KorChild childA, childB;
    ASSERT_TRUE(childA.Start("page", {"0x006", szM2, "3"}));
    ASSERT_TRUE(childB.Start("page", {"0x003", szM1, "3"}));
    int codeA = -1, codeB = -1;
    EXPECT_TRUE(childA.Wait(120000, &codeA));
    EXPECT_TRUE(childB.Wait(120000, &codeB));
    EXPECT_EQ(codeA, 0);
    EXPECT_EQ(codeB, 0);
}

// A copy of the program killed in the middle of its tests leaves the board
// usable: the next page starts and its tests pass.
TEST_F(TstOldSim, ProgramKilledMidTestLeavesTheBoardUsable)
{
    for (int ms : {300, 700}) {
        KorChild child;
        ASSERT_TRUE(child.Start("page", {"0x006", szM2, "50"}));
        KorSleepMs(uint32_t(ms));
        ASSERT_TRUE(child.Kill());
        SITE site(0x006, szM2);
        TSTOLD tst(*PtstoldProfile(0x006), site);
        ASSERT_TRUE(tst.FStartTest()) << ms;
        ASSERT_TRUE(tst.FRamTest());
        EXPECT_EQ(site.RgszLog().back(), "RAM test passed.") << ms;
        ASSERT_TRUE(tst.FFlashTest());
        EXPECT_EQ(site.RgszLog().back(), "Flash test passed.") << ms;
        tst.FStopTest();
    }
}

// A page destroyed while its monitor runs waits for the monitor.
TEST_F(TstOldSim, DestroyedWhileRunning)
{
    for (int i = 0; i < 3; i++) {
        SITE site(0x004, szTl);
        auto ptst = std::make_unique<TSTOLD>(*PtstoldProfile(0x004), site);
        ASSERT_TRUE(ptst->FStartTest());
        ptst.reset();
    }
}

} // namespace
