// The older self-test page's engine on a board whose test design runs its
// own tests on a command (Corvale): the command handshake and its polls, the
// results and their texts, a test without answer ending the whole test, the
// configuration reset before loading, and the switches and buttons of
// registers 0x10 and 0x11. The design here is a small model of that
// handshake; time is virtual, so the seconds of polling cost nothing.

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

#include "bsexpect.h"
#include "tstold.h"

namespace {

using VS = std::vector<std::string>;

// The Corvale test design behind a register port, on a virtual clock: a
// command is done msDone after it was written (never when msDone < 0), with
// its result byte.
class SITE : public TSTSITE {
public:
    struct CMD {
        int msDone;
        uint8_t bResult;
    };
    std::map<uint8_t, CMD> mpcmd = {{2, {4500, 0}}, {3, {14500, 0}}, {9, {500, 0}}};

    void Log(const char *sz) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszLog.push_back(sz);
    }
    void LockHost(bool fLock) override { fLocked = fLock; }
    bool FConfigureFpga() override
    {
        Event("configure");
        return true;
    }
    std::string SzString(uint32_t ids) override { return RgbsExpect()[0].Sz(ids); }
    bool FOpen(uint32_t *phif) override
    {
        if (!fOpenOk)
            return false;
        *phif = ++hifLast;
        Event("open " + std::to_string(*phif));
        return true;
    }
    bool FClose(uint32_t hif) override
    {
        Event("close " + std::to_string(hif));
        return true;
    }
    bool FEnable(uint32_t) override { return true; }
    void Disable(uint32_t) override {}
    bool FPutReg(uint32_t, uint8_t reg, uint8_t b) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        if (reg == 0x80) {
            rgbCmd.push_back(b);
            auto it = mpcmd.find(b);
            bStatus = 2;
            msCmdDone = it == mpcmd.end() ? msNow : it->second.msDone < 0 ? INT64_MAX : msNow + it->second.msDone;
            bResult = it == mpcmd.end() ? 0 : it->second.bResult;
        } else if (reg == 0x81) {
            bStatus = b;
        }
        return true;
    }
    bool FGetReg(uint32_t, uint8_t reg, uint8_t *pb) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        if (reg == 0x81) {
            cStatusRead++;
            *pb = msNow >= msCmdDone ? 1 : bStatus;
        } else if (reg == 0x82) {
            *pb = bResult;
        } else if (reg == 0x10) {
            *pb = bSwitches;
        } else if (reg == 0x11) {
            *pb = bButtons;
        } else {
            return false;
        }
        return true;
    }
    bool FConfigReset(uint32_t hif, bool fAssert) override
    {
        Event("reset " + std::to_string(hif) + (fAssert ? " on" : " off"));
        return fResetOk;
    }
    void EnableControl(int id, bool fEnable) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mpfEnabled[id] = fEnable;
    }
    void SetControlText(int, const char *) override {}
    void Invalidate(const TSTRECT *, bool) override {}
    void SleepMs(uint32_t ms) override
    {
        {
            std::lock_guard<std::mutex> lock(mtx);
            msNow += ms;
            if (ms >= 100)
                rgszEvent.push_back("sleep " + std::to_string(ms));
        }
        std::this_thread::yield();
    }
    void PumpSent() override {}

    void Event(const std::string &sz)
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgszEvent.push_back(sz);
    }
    VS RgszLog()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgszLog;
    }
    bool FEnabled(int id)
    {
        std::lock_guard<std::mutex> lock(mtx);
        return mpfEnabled[id];
    }
    void SetInputs(uint8_t bSw, uint8_t bBt)
    {
        std::lock_guard<std::mutex> lock(mtx);
        bSwitches = bSw;
        bButtons = bBt;
    }

    std::atomic<bool> fLocked{false};
    bool fOpenOk = true, fResetOk = true;
    std::mutex mtx;
    VS rgszLog, rgszEvent;
    std::vector<uint8_t> rgbCmd;
    int cStatusRead = 0;

private:
    std::map<int, bool> mpfEnabled;
    uint32_t hifLast = 0;
    int64_t msNow = 0, msCmdDone = 0;
    uint8_t bStatus = 0, bResult = 0, bSwitches = 0, bButtons = 0;
};

class TstOldCommand : public ::testing::Test {
protected:
    const TSTOLDPROFILE &prof = *PtstoldProfile(0x007);
    SITE site;
    TSTOLD tst{prof, site};
    void Start()
    {
        ASSERT_TRUE(tst.FStartTest());
        std::lock_guard<std::mutex> lock(site.mtx);
        site.rgszEvent.clear();
        site.rgbCmd.clear();
        site.cStatusRead = 0;
    }
};

TEST_F(TstOldCommand, StartResetsTheConfigurationFirst)
{
    ASSERT_TRUE(tst.FStartTest());
    EXPECT_EQ(site.rgszEvent, (VS{"open 1", "reset 1 on", "sleep 100", "reset 1 off", "close 1", "configure",
                                  "open 2"}));
    EXPECT_EQ(site.rgbCmd, std::vector<uint8_t>{1});   // the design is told to initialise
    EXPECT_EQ(site.RgszLog(), (VS{"Programming Test Configuration (this may take up to 15 seconds)...",
                                  "Test Started."}));
    EXPECT_TRUE(site.FEnabled(idcShorts) && site.FEnabled(idcRam) && site.FEnabled(idcFlash));
    tst.FStopTest();
    EXPECT_EQ(site.RgszLog().back(), "Test Stopped.");
}

TEST_F(TstOldCommand, ResetOrOpenFailureEndsTheStart)
{
    site.fResetOk = false;
    EXPECT_FALSE(tst.FStartTest());
    EXPECT_EQ(site.RgszLog(), VS{"Communication with the FPGA failed."});
    // The reset is released and the handle closed all the same; nothing loads.
    EXPECT_EQ(site.rgszEvent, (VS{"open 1", "reset 1 on", "reset 1 off", "close 1"}));
    EXPECT_FALSE(site.fLocked);
    EXPECT_TRUE(site.FEnabled(idcStart));

    SITE siteNoOpen;
    siteNoOpen.fOpenOk = false;
    TSTOLD tstNoOpen(prof, siteNoOpen);
    EXPECT_FALSE(tstNoOpen.FStartTest());
    EXPECT_EQ(siteNoOpen.RgszLog(), VS{"Communication with the FPGA failed."});
}

// Done at the fifth poll (about 5 s): passed.
TEST_F(TstOldCommand, RamTestDoneAtTheLastPollPasses)
{
    Start();
    ASSERT_TRUE(tst.FRamTest());
    EXPECT_EQ(site.rgbCmd, std::vector<uint8_t>{2});
    EXPECT_EQ(site.cStatusRead, 5);
    EXPECT_EQ(site.RgszLog().back(), "RAM test passed.");
    EXPECT_EQ(tst.PindResult(idcRamInd)->st, stGood);
    EXPECT_TRUE(tst.FRunning());
    tst.FStopTest();
}

TEST_F(TstOldCommand, ResultsAndTheirTexts)
{
    struct CASE {
        uint8_t cmd;
        uint8_t bResult;
        bool (TSTOLD::*pfn)();
        uint16_t idInd;
        int32_t st;
        const char *szLast;
    } rgcase[] = {
        {2, 1, &TSTOLD::FRamTest, idcRamInd, stBad, "RAM test failed."},
        {3, 0, &TSTOLD::FFlashTest, idcFlashInd, stGood, "Flash test passed."},
        {3, 1, &TSTOLD::FFlashTest, idcFlashInd, stBad, "Flash test failed."},
        {9, 0, &TSTOLD::FShortsTest, idcShortsInd, stGood, "Short test passed."},
        {9, 1, &TSTOLD::FShortsTest, idcShortsInd, stBad, "Short test failed."},
        {9, 2, &TSTOLD::FShortsTest, idcShortsInd, stBad, "Communication with the FPGA failed."},
    };
    Start();
    for (const CASE &c : rgcase) {
        site.mpcmd[c.cmd].bResult = c.bResult;
        ASSERT_TRUE((tst.*c.pfn)()) << int(c.cmd);
        EXPECT_EQ(site.RgszLog().back(), c.szLast);
        EXPECT_EQ(tst.PindResult(c.idInd)->st, c.st) << int(c.cmd);
        EXPECT_TRUE(tst.FRunning());
    }
    // The flash test says it starts, and polls up to 15 times.
    VS rgszLog = site.RgszLog();
    EXPECT_NE(std::find(rgszLog.begin(), rgszLog.end(), "Testing Flash (this may take up to 15 seconds)..."),
              rgszLog.end());
    tst.FStopTest();
}

// No answer within the polls: the message, and the whole test stops.
TEST_F(TstOldCommand, NoAnswerStopsTheWholeTest)
{
    for (auto [cmd, pfn, cpoll] : {std::tuple{uint8_t(2), &TSTOLD::FRamTest, 5},
                                   std::tuple{uint8_t(3), &TSTOLD::FFlashTest, 15}}) {
        site.mpcmd[cmd].msDone = -1;
        Start();
        EXPECT_FALSE((tst.*pfn)());
        EXPECT_EQ(site.cStatusRead, cpoll);
        EXPECT_EQ(site.RgszLog().back(), "Communication with the FPGA failed.");
        EXPECT_FALSE(tst.FRunning());
        for (int i = 0; i < 1000 && !site.FEnabled(idcStart); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(site.FEnabled(idcStart));
        EXPECT_FALSE(site.FEnabled(idcStop));
        site.mpcmd[cmd].msDone = 500;
        // The page starts again after that.
    }
    Start();
    EXPECT_TRUE(tst.FRamTest());
    tst.FStopTest();
}

// Switches in 0x10, buttons in bits 0-6 of 0x11 (bit 0 is the centre, 1021).
TEST_F(TstOldCommand, SwitchesAndButtons)
{
    Start();
    site.SetInputs(0x01, 0x41);
    for (int i = 0; i < 2000 && !(tst.rgindSwitch[0].st == stUp && tst.rgindButton[6].st == stDown); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(tst.rgindSwitch[0].st, stUp);
    EXPECT_EQ(tst.rgindSwitch[1].st, stDown);
    ASSERT_EQ(tst.cindButton, 7);
    EXPECT_EQ(tst.rgindButton[0].idCtl, 1021);
    EXPECT_EQ(tst.rgindButton[0].st, stDown);
    EXPECT_EQ(tst.rgindButton[6].idCtl, 1031);
    EXPECT_EQ(tst.rgindButton[6].st, stDown);
    EXPECT_EQ(tst.rgindButton[1].st, stUp);
    tst.FStopTest();
}

} // namespace
