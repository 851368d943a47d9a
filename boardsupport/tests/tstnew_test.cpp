// The newer self-test page without its window, on a small fake of the
// board's test designs: the command rule (status values, time-outs), the
// identifications and their texts, the start-up of each board (design
// present, loaded, not answering), the peripheral run (buttons, switches,
// the shorts test) and a page that goes while its worker runs. Messages are
// checked as the plug-ins' string tables give them.

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <mutex>
#include <thread>
#include <vector>

#include "bsexpect.h"
#include "tstnew.h"

namespace {

using namespace std::chrono;

// A command of the fake design: the statuses its polls read in turn (the
// last one stays), its result and the value it leaves in 0x83-0x86.
struct FAKECMD {
    std::vector<uint8_t> rgbStatus{ 1 };
    uint8_t bResult = 0;
    uint32_t value = 0;
};

// The board as the page reaches it: the design's registers and commands,
// and what the page showed. Used from the test and the worker thread.
class FAKEBOARD : public TSTNPORT {
public:
    explicit FAKEBOARD(const char *szLibrary)
    {
        for (auto &exp : RgbsExpect())
            if (std::string(exp.szLibrary) == szLibrary)
                pexp = &exp;
    }

    // CMDPORT
    bool FPutReg(uint8_t reg, uint8_t b) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        if (!fDesign || cPutFail > 0) {
            cPutFail -= cPutFail > 0;
            return false;
        }
        rgbReg[reg] = b;
        if (reg == regCmd) {
            rgcmdRun.push_back(b);
            auto it = mpcmd.find(b);
            cmdCur = it == mpcmd.end() ? FAKECMD{ {0}, 0, 0 } : it->second;
            ipoll = 0;
            rgbReg[regResult] = cmdCur.bResult;
            for (int i = 0; i < 4; i++)
                rgbReg[regTstValue + i] = uint8_t(cmdCur.value >> (8 * i));
        }
        return true;
    }
    bool FGetReg(uint8_t reg, uint8_t *pb) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        if (!fDesign || setregFail.count(reg))
            return false;
        if (reg == regStatus) {
            cStatusReads++;
            size_t i = std::min<size_t>(ipoll++, cmdCur.rgbStatus.size() - 1);
            *pb = cmdCur.rgbStatus[i];
        } else {
            if (reg == regResult)
                cResultReads++;
            *pb = reg == regCmd && bReadBack >= 0 ? uint8_t(bReadBack) : rgbReg[reg];
        }
        return true;
    }
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(milliseconds(ms)); }
    bool FCancelled() override { return false; }

    // TSTNPORT
    bool FOpen() override { return Note("open"), fOpenOk; }
    void Close() override { Note("close"); }
    bool FEnable() override { return Note("enable"), fEnableOk; }
    void Disable() override { Note("disable"); }
    void SetTransTimeout(uint32_t tms) override { Note("timeout " + std::to_string(tms)); }
    void Log(uint32_t ids) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszLog.push_back(pexp->Sz(ids));
    }
    bool FConfigure(const std::string &szPath) override
    {
        Note("configure " + szPath);
        std::lock_guard<std::mutex> lock(mtx);
        if (!fConfigureOk)
            return false;
        fDesign = true;
        mpcmd[5].value = idAfterConfigure;
        return true;
    }
    void LockHost(bool fLock) override { Note(fLock ? "lock" : "unlock"); }
    bool FPageAlive() override { return fAlive; }
    void SetText(int idc, const std::string &sz) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mptext[idc] = sz;
    }
    void EnableCtl(int idc, bool fEnable) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mpenabled[idc] = fEnable;
    }
    void Invalidate(const TSTNRECT *prc) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgrc.push_back(prc ? *prc : TSTNRECT{ -1, -1, -1, -1 });
    }

    void Note(const std::string &sz)
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszCall.push_back(sz);
    }
    template <class T> T Get(const T &t)
    {
        std::lock_guard<std::mutex> lock(mtx);
        return t;
    }
    bool FEnabled(int idc)
    {
        std::lock_guard<std::mutex> lock(mtx);
        return mpenabled[idc];
    }
    void Set(const std::function<void()> &fn)
    {
        std::lock_guard<std::mutex> lock(mtx);
        fn();
    }

    const BSEXPECT *pexp = nullptr;
    std::mutex mtx;
    bool fDesign = true, fOpenOk = true, fEnableOk = true, fConfigureOk = true;
    std::atomic<bool> fAlive{ true };
    int cPutFail = 0;
    int bReadBack = -1;
    uint32_t idAfterConfigure = 0;
    std::set<uint8_t> setregFail;
    std::map<uint8_t, FAKECMD> mpcmd;
    FAKECMD cmdCur;
    size_t ipoll = 0;
    uint8_t rgbReg[256] = {};
    int cStatusReads = 0, cResultReads = 0;
    std::vector<uint8_t> rgcmdRun;
    std::vector<std::string> rgszLog, rgszCall;
    std::map<int, std::string> mptext;
    std::map<int, bool> mpenabled;
    std::vector<TSTNRECT> rgrc;
};

// Waits until the worker has ended (at most 20 s).
void AwaitIdle(TSTNEW &tst)
{
    for (int i = 0; i < 2000 && tst.FWorkerRunning(); i++)
        std::this_thread::sleep_for(milliseconds(10));
    ASSERT_FALSE(tst.FWorkerRunning());
}

template <class FN> bool FAwait(FN fn, int ms = 5000)
{
    for (int i = 0; i < ms / 5; i++) {
        if (fn())
            return true;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return fn();
}

const char szImage[] = "X:\\shared\\BoardSupport\\00D - Miravo3 - 1.bit";

TEST(TstCommand, StatusRuleAndTimeOuts)
{
    struct {
        const char *szCase;
        std::vector<uint8_t> rgbStatus;
        uint8_t bResult;
        int tsec;
        bool fPass;
        int cStatusReads, cResultReads;
    } rgcase[] = {
        {"done, passed", {1}, 0, 1, true, 1, 1},
        {"done, result 1", {1}, 1, 1, false, 1, 1},
        {"busy 2, 3, 255, then done", {2, 3, 255, 1}, 0, 1, true, 4, 1},
        {"status 0 fails at once", {0}, 0, 5, false, 1, 0},
        {"status 4 fails at once", {4}, 0, 5, false, 1, 0},
        {"stuck at 2: ten polls a second", {2}, 0, 1, false, 10, 0},
        {"no time to poll", {1}, 0, 0, false, 0, 0},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(c.szCase);
        FAKEBOARD board("00D - Miravo3");
        board.mpcmd[20] = FAKECMD{ c.rgbStatus, c.bResult, 0 };
        auto t0 = steady_clock::now();
        EXPECT_EQ(FRunTstCmd(board, 20, c.tsec), c.fPass);
        auto ms = duration_cast<milliseconds>(steady_clock::now() - t0).count();
        EXPECT_EQ(board.cStatusReads, c.cStatusReads);
        EXPECT_EQ(board.cResultReads, c.cResultReads);
        EXPECT_EQ(board.rgcmdRun, std::vector<uint8_t>{ 20 });
        // The first poll comes 100 ms after the command, the others 100 ms apart.
        EXPECT_GE(ms, 100 * std::max(1, c.cStatusReads));
    }
    FAKEBOARD board("00D - Miravo3");
    board.fDesign = false;
    EXPECT_FALSE(FRunTstCmd(board, 1, 1)) << "the write fails";
    EXPECT_EQ(board.cStatusReads, 0);
}

TEST(TstCommand, ValueLeastSignificantByteFirst)
{
    FAKEBOARD board("00D - Miravo3");
    board.mpcmd[5] = FAKECMD{ {1}, 0, 0x00D00162 };
    ASSERT_TRUE(FRunTstCmd(board, 5, 1));
    EXPECT_EQ(TstValue(board), 0x00D00162u);
    board.setregFail.insert(0x85);
    EXPECT_EQ(TstValue(board), 0xFFFFFFFFu) << "a failed read";
}

TEST(TstTexts, Identifications)
{
    EXPECT_EQ(SzTstRamLine(true, 0x0343), "RAM:        Micron CellularRAM, 128-Mbit, version: 1 (ID: 0343)\r\n");
    EXPECT_EQ(SzTstRamLine(true, 0x0B43), "RAM:        Micron CellularRAM, 128-Mbit, version: 2 (ID: 0B43)\r\n");
    EXPECT_EQ(SzTstRamLine(true, 0x0344), "RAM:        Unknown (ID: 0344)\r\n");
    EXPECT_EQ(SzTstRamLine(false, 0), "RAM:        Failed\r\n");
    EXPECT_EQ(SzTstSpiLine(true, 0x20BA18), "SPI Flash: Micron N25Q, 128-Mbit (ID: 20BA18)\r\n");
    EXPECT_EQ(SzTstSpiLine(true, 0x0120DA18), "SPI Flash: Micron Omneo P5Q, 128-Mbit (ID: 120DA18)\r\n");
    EXPECT_EQ(SzTstSpiLine(true, 0x1234), "SPI Flash: Unknown (ID: 001234)\r\n");
    EXPECT_EQ(SzTstBpiLine(true, 0x8821), "BPI Flash: Micron Omneo P8P, 128-Mbit, Bottom Boot (ID: 8821)\r\n");
    EXPECT_EQ(SzTstBpiLine(true, 0x899A), "BPI Flash: Micron Axcell P30, 1-Gbit, -E (ID: 899A)\r\n");
    EXPECT_EQ(SzTstBpiLine(true, 0x0089), "BPI Flash: Unknown (ID: 0089)\r\n");
    EXPECT_EQ(SzTstBpiLine(false, 0), "BPI Flash: Failed\r\n");
}

// A Miravo3 board whose memory design already runs.
void SetMiravo3Memory(FAKEBOARD &board, uint32_t idRam)
{
    board.mpcmd[1] = FAKECMD{};
    board.mpcmd[5] = FAKECMD{ {1}, 0, idTstMemDesign };
    board.mpcmd[20] = FAKECMD{ {2, 1}, 0, idRam };
    board.mpcmd[19] = FAKECMD{ {1}, 0, 0x20BA18 };
    board.mpcmd[18] = FAKECMD{ {1}, 0, 0x8821 };
}

TEST(TstMiravo3, MemoryRunOnTheDesignPresent)
{
    struct {
        uint32_t idRam;
        const char *szRam;
    } rgcase[] = {
        {0x0343, "RAM:        Micron CellularRAM, 128-Mbit, version: 1 (ID: 0343)\r\n"},
        {0x0B43, "RAM:        Micron CellularRAM, 128-Mbit, version: 2 (ID: 0B43)\r\n"},
        {0x1234, "RAM:        Unknown (ID: 1234)\r\n"},
    };
    for (auto &c : rgcase) {
        FAKEBOARD board("00D - Miravo3");
        SetMiravo3Memory(board, c.idRam);
        TSTNEW tst(tstkMiravo3, board, szImage);
        tst.StartMemory();
        AwaitIdle(tst);
        EXPECT_EQ(board.rgszLog, std::vector<std::string>{ "FPGA is programmed with test configuration..." });
        EXPECT_EQ(board.mptext[idcTstMemText],
                  std::string(c.szRam) + "SPI Flash: Micron N25Q, 128-Mbit (ID: 20BA18)\r\n" +
                      "BPI Flash: Micron Omneo P8P, 128-Mbit, Bottom Boot (ID: 8821)\r\n");
        EXPECT_EQ(tst.Ind(iindMemory).st, stGood) << "an unknown part counts as found";
        EXPECT_EQ(board.rgcmdRun, (std::vector<uint8_t>{ 1, 5, 20, 19, 18 }));
        EXPECT_EQ(board.rgszCall, (std::vector<std::string>{ "lock", "open", "enable", "timeout 500",
                                                             "timeout 10000", "unlock", "disable", "close",
                                                             "unlock" }));
        EXPECT_TRUE(board.mpenabled[idcTstStart]);
        EXPECT_TRUE(board.mpenabled[idcTstMemory]);
    }
}

TEST(TstMiravo3, FailedIdentificationAndReloadedDesign)
{
    FAKEBOARD board("00D - Miravo3");
    SetMiravo3Memory(board, 0x0343);
    board.mpcmd[5].value = idTstGpioDesign;     // the peripheral design runs
    board.idAfterConfigure = idTstMemDesign;
    board.mpcmd[19] = FAKECMD{ {4}, 0, 0 };     // SPI identification fails
    TSTNEW tst(tstkMiravo3, board, szImage);
    tst.StartMemory();
    AwaitIdle(tst);
    EXPECT_EQ(board.rgszLog, std::vector<std::string>{ "Programming test configuration..." });
    EXPECT_NE(std::find(board.rgszCall.begin(), board.rgszCall.end(), std::string("configure ") + szImage),
              board.rgszCall.end());
    EXPECT_EQ(board.mptext[idcTstMemText], "RAM:        Micron CellularRAM, 128-Mbit, version: 1 (ID: 0343)\r\n"
                                           "SPI Flash: Failed\r\n"
                                           "BPI Flash: Micron Omneo P8P, 128-Mbit, Bottom Boot (ID: 8821)\r\n");
    EXPECT_EQ(tst.Ind(iindMemory).st, stBad);
}

TEST(TstMiravo3, DesignThatNeverAnswersAndStartFailures)
{
    struct {
        const char *szCase;
        bool fOpen, fEnable, fConfigure;
        std::vector<std::string> rgszLog;
    } rgcase[] = {
        {"wrong identifier after the reload", true, true, true,
         {"Programming test configuration...", "Communication with the FPGA failed."}},
        {"configuration fails", true, true, false,
         {"Programming test configuration...", "Failed to program FPGA with test image."}},
        {"open fails", false, true, true, {"Test Canceled:  failed to open device."}},
        {"enable fails", true, false, true, {"Test Canceled: failed to enable device."}},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(c.szCase);
        FAKEBOARD board("00D - Miravo3");
        SetMiravo3Memory(board, 0x0343);
        board.mpcmd[5].value = 0x12345678;
        board.idAfterConfigure = 0x12345678;
        board.fOpenOk = c.fOpen;
        board.fEnableOk = c.fEnable;
        board.fConfigureOk = c.fConfigure;
        TSTNEW tst(tstkMiravo3, board, szImage);
        tst.StartMemory();
        AwaitIdle(tst);
        EXPECT_EQ(board.rgszLog, c.rgszLog);
        EXPECT_EQ(tst.Ind(iindMemory).st, stOff) << "the result indicator goes grey";
        EXPECT_EQ(board.rgszCall.back(), "unlock");
        EXPECT_TRUE(board.mpenabled[idcTstMemory]);
    }
}

TEST(TstPentra, ReadBackAndMemoryRun)
{
    const char szPentra[] = "X:\\BoardSupport\\00C - Pentra - 1.bit";
    {
        FAKEBOARD board("00C - Pentra");
        board.bReadBack = 0;
        TSTNEW tst(tstkPentra, board, szPentra);
        tst.StartMemory();
        AwaitIdle(tst);
        EXPECT_EQ(board.rgszLog, (std::vector<std::string>{ "Programming Test Configuration...",
                                                            "Communication with the FPGA failed." }));
        EXPECT_EQ(tst.Ind(iindMemory).st, stOff);
        EXPECT_EQ(board.rgszCall.front(), std::string("configure ") + szPentra) << "loaded before opening";
    }
    FAKEBOARD board("00C - Pentra");
    board.cPutFail = 3;   // the first writes after loading are lost
    board.mpcmd[2] = FAKECMD{ {2, 2, 1}, 0, 0 };
    board.mpcmd[3] = FAKECMD{ {1}, 1, 0 };
    TSTNEW tst(tstkPentra, board, szPentra);
    tst.StartMemory();
    AwaitIdle(tst);
    EXPECT_EQ(board.rgszLog, std::vector<std::string>{ "Programming Test Configuration..." });
    EXPECT_EQ(board.mptext[idcTstMemText], "RAM test passed, Flash test failed");
    EXPECT_EQ(tst.Ind(iindMemory).st, stBad);
    EXPECT_EQ(board.rgcmdRun, (std::vector<uint8_t>{ 1, 2, 3 }));
    EXPECT_EQ(board.rgszCall.back(), "close");
}

// Lays the indicators out as on a page: switches in a row (bit 0 on the
// right), buttons in a cross.
void LayOut(TSTNEW &tst)
{
    for (int i = 0; i < cindSwitch; i++) {
        tst.Ind(iindSwitch0 + i).x = 200 - 20 * i;
        tst.Ind(iindSwitch0 + i).y = 100;
    }
    for (int i = 0; i < tst.CindButton(); i++) {
        tst.Ind(iindButton0 + i).x = 300 + i;
        tst.Ind(iindButton0 + i).y = 150 + 2 * i;
    }
}

TEST(TstPeripherals, ButtonsSwitchesShortsAndStop)
{
    for (TSTNKIND kind : {tstkPentra, tstkMiravo3}) {
        SCOPED_TRACE(kind == tstkPentra ? "Pentra" : "Miravo3");
        FAKEBOARD board(kind == tstkPentra ? "00C - Pentra" : "00D - Miravo3");
        board.mpcmd[1] = FAKECMD{};
        board.mpcmd[5] = FAKECMD{ {1}, 0, idTstGpioDesign };
        board.mpcmd[26] = FAKECMD{ {2, 2, 2, 1}, 0, 0 };
        board.mpcmd[10] = FAKECMD{ {1}, 1, 0 };
        TSTNEW tst(kind, board, "X:\\B\\name - 1.bit");
        LayOut(tst);
        tst.StartPeripherals();
        ASSERT_TRUE(FAwait([&] { return tst.Ind(iindStatus).st == stGood; }));
        EXPECT_TRUE(FAwait([&] { return board.FEnabled(idcTstStop); }));
        EXPECT_TRUE(board.FEnabled(idcTstShorts));
        EXPECT_EQ(board.Get(board.rgszCall).front(),
                  kind == tstkPentra ? "configure X:\\B\\name - 1 GPIO.bit" : "lock");
        board.Set([&] { board.rgbReg[regTstButtons] = 0x01; board.rgbReg[regTstSwitches] = 0x81; });
        ASSERT_TRUE(FAwait([&] { return tst.Ind(iindButton0).st == stDown; }));
        ASSERT_TRUE(FAwait([&] { return tst.Ind(iindSwitch0 + 7).st == stUp; }));
        EXPECT_EQ(tst.Ind(iindButton0 + 1).st, stUp);
        EXPECT_EQ(tst.Ind(iindSwitch0).st, stUp);
        EXPECT_EQ(tst.Ind(iindSwitch0 + 1).st, stDown);
        // The switches' row and the buttons' cross are redrawn.
        auto rgrc = board.Get(board.rgrc);
        TSTNRECT rcSw = tst.RcSwitches();
        EXPECT_EQ(rcSw.l, 60);
        EXPECT_EQ(rcSw.r, 215);
        EXPECT_EQ(rcSw.b - rcSw.t, 30);
        auto FHas = [&](const TSTNRECT &rc) {
            return std::any_of(rgrc.begin(), rgrc.end(),
                               [&](const TSTNRECT &r) { return r.l == rc.l && r.t == rc.t && r.r == rc.r && r.b == rc.b; });
        };
        EXPECT_TRUE(FHas(rcSw));
        EXPECT_TRUE(FHas(tst.RcButtons()));

        // Two presses in one cycle: one test.
        tst.RequestShorts();
        tst.RequestShorts();
        ASSERT_TRUE(FAwait([&] { int32_t st = tst.Ind(iindShorts).st; return st == stGood || st == stBad; }));
        std::this_thread::sleep_for(milliseconds(300));
        auto rgcmd = board.Get(board.rgcmdRun);
        EXPECT_EQ(std::count(rgcmd.begin(), rgcmd.end(), 26), 1);
        if (kind == tstkMiravo3) {
            EXPECT_EQ(tst.Ind(iindShorts).st, stBad) << "the VHDCI test failed";
            EXPECT_EQ(board.Get(board.mptext)[idcTstShortsText], "Zarp:   PASS\r\nVHDCI: FAIL ");
        } else
            EXPECT_EQ(tst.Ind(iindShorts).st, stGood);

        tst.RequestStop();
        AwaitIdle(tst);
        EXPECT_EQ(board.rgszLog.back(), "Test Stopped.");
        EXPECT_EQ(board.rgszLog[board.rgszLog.size() - 2], "Test Started.");
        EXPECT_EQ(tst.Ind(iindStatus).st, stBad);
        EXPECT_EQ(tst.Ind(iindSwitch0).st, stOff);
        EXPECT_EQ(tst.Ind(iindButton0).st, stOff);
        EXPECT_FALSE(board.mpenabled[idcTstStop]);
        EXPECT_FALSE(board.mpenabled[idcTstShorts]);
        EXPECT_EQ(board.rgszCall.back(), kind == tstkPentra ? "close" : "unlock");
    }
}

TEST(TstPeripherals, Miravo3EndsOnARegisterThatFails)
{
    FAKEBOARD board("00D - Miravo3");
    board.mpcmd[1] = FAKECMD{};
    board.mpcmd[5] = FAKECMD{ {1}, 0, idTstGpioDesign };
    TSTNEW tst(tstkMiravo3, board, szImage);
    tst.StartPeripherals();
    ASSERT_TRUE(FAwait([&] { return tst.Ind(iindStatus).st == stGood; }));
    board.Set([&] { board.setregFail.insert(regTstSwitches); });
    AwaitIdle(tst);
    EXPECT_EQ(board.rgszLog.back(), "Test Stopped.");
    EXPECT_EQ(tst.Ind(iindStatus).st, stBad);
}

TEST(TstPeripherals, PageLeftDuringTheRunWaitsForTheWorkerSilently)
{
    for (TSTNKIND kind : {tstkPentra, tstkMiravo3}) {
        FAKEBOARD board(kind == tstkPentra ? "00C - Pentra" : "00D - Miravo3");
        board.mpcmd[1] = FAKECMD{};
        board.mpcmd[5] = FAKECMD{ {1}, 0, idTstGpioDesign };
        auto ptst = std::make_unique<TSTNEW>(kind, board, szImage);
        ptst->StartPeripherals();
        ASSERT_TRUE(FAwait([&] { return ptst->Ind(iindStatus).st == stGood; }));
        size_t clog = board.Get(board.rgszLog).size();
        int cPump = 0;
        board.fAlive = false;
        ptst->LeavePage([&] { cPump++; });
        EXPECT_FALSE(ptst->FWorkerRunning()) << "the worker has ended";
        EXPECT_EQ(board.rgszLog.size(), clog) << "no message after the page went";
        EXPECT_EQ(board.rgszCall.back(), "close");
        ptst.reset();
        // A new page window: the page works again.
        FAKEBOARD board2(kind == tstkPentra ? "00C - Pentra" : "00D - Miravo3");
        board2.mpcmd = board.mpcmd;
        TSTNEW tst2(kind, board2, szImage);
        tst2.LeavePage(nullptr);
        tst2.PageCreated();
        tst2.StartPeripherals();
        ASSERT_TRUE(FAwait([&] { return tst2.Ind(iindStatus).st == stGood; }));
        tst2.RequestStop();
        AwaitIdle(tst2);
        EXPECT_EQ(board2.rgszLog.back(), "Test Stopped.");
    }
}

TEST(TstPeripherals, StartWhileRunningIsIgnored)
{
    FAKEBOARD board("00D - Miravo3");
    board.mpcmd[1] = FAKECMD{};
    board.mpcmd[5] = FAKECMD{ {1}, 0, idTstGpioDesign };
    TSTNEW tst(tstkMiravo3, board, szImage);
    tst.StartPeripherals();
    tst.StartPeripherals();
    tst.StartMemory();
    ASSERT_TRUE(FAwait([&] { return tst.Ind(iindStatus).st == stGood; }));
    tst.RequestStop();
    AwaitIdle(tst);
    auto rgcall = board.rgszCall;
    EXPECT_EQ(std::count(rgcall.begin(), rgcall.end(), "open"), 1);
    EXPECT_EQ(std::count(rgcall.begin(), rgcall.end(), "lock"), 1);
}

} // namespace

namespace {

// Two pages on two boards (as two copies of the program would run them)
// share nothing: each run starts, follows its own board and stops on its
// own, while the other keeps running.
TEST(TstPeripherals, TwoPagesRunSideBySide)
{
    FAKEBOARD boardA("00D - Miravo3"), boardB("00D - Miravo3");
    for (FAKEBOARD *pboard : {&boardA, &boardB}) {
        pboard->mpcmd[1] = FAKECMD{};
        pboard->mpcmd[5] = FAKECMD{ {1}, 0, idTstGpioDesign };
    }
    TSTNEW tstA(tstkMiravo3, boardA, szImage), tstB(tstkMiravo3, boardB, szImage);
    tstA.StartPeripherals();
    tstB.StartPeripherals();
    ASSERT_TRUE(FAwait([&] { return tstA.Ind(iindStatus).st == stGood && tstB.Ind(iindStatus).st == stGood; }));
    boardB.Set([&] { boardB.rgbReg[regTstButtons] = 0x04; });
    ASSERT_TRUE(FAwait([&] { return tstB.Ind(iindButton0 + 2).st == stDown; }));
    EXPECT_EQ(tstA.Ind(iindButton0 + 2).st, stUp);
    tstA.RequestStop();
    AwaitIdle(tstA);
    EXPECT_TRUE(tstB.FWorkerRunning()) << "the other page's run goes on";
    boardB.Set([&] { boardB.rgbReg[regTstButtons] = 0x00; });
    EXPECT_TRUE(FAwait([&] { return tstB.Ind(iindButton0 + 2).st == stUp; }));
    tstB.RequestStop();
    AwaitIdle(tstB);
    EXPECT_EQ(boardA.rgszLog.back(), "Test Stopped.");
    EXPECT_EQ(boardB.rgszLog.back(), "Test Stopped.");
}

} // namespace
