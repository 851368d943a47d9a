// test_gpiodesigns.cpp - the peripheral test designs of the newer self-test
// boards ("pentra-gpio", "miravo3-gpio") through the register file the port
// reaches: switches and buttons set at run time, the command handshake
// (busy at once, done after the run time), identification values and the
// injected faults.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "model/designs.h"

namespace sim {
namespace {

class GpioDesign : public ::testing::Test {
protected:
    void Load(const char *szTag)
    {
        regs.penv = &env;
        LoadDesign(regs, szTag, true);
        ASSERT_TRUE(regs.pdesign != nullptr) << szTag;
    }
    // Writes cmd and polls the status until it is no longer busy (at most ms).
    uint8_t BRun(uint8_t cmd, int ms = 2000)
    {
        regs.Put(0x80, cmd);
        for (int i = 0; i < ms; i++) {
            uint8_t b = regs.Get(0x81);
            if (b != 2)
                return b;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 2;
    }
    uint32_t Value()
    {
        return regs.Get(0x83) | regs.Get(0x84) << 8 | regs.Get(0x85) << 16 | uint32_t(regs.Get(0x86)) << 24;
    }

    DESIGNENV env;
    REGFILE regs;
};

TEST_F(GpioDesign, Miravo3IdentifiesItselfAndRunsItsConnectorTests)
{
    env.SetOpt("timescale", "1");
    Load("miravo3-gpio");
    EXPECT_EQ(BRun(1), 1);
    EXPECT_EQ(regs.Get(0x82), 0);
    EXPECT_EQ(BRun(5), 1);
    EXPECT_EQ(Value(), 0x00D00162u);
    EXPECT_EQ(BRun(26), 1);
    EXPECT_EQ(regs.Get(0x82), 0);
    EXPECT_EQ(BRun(10), 1);
    EXPECT_EQ(regs.Get(0x82), 0);
    // A command the design does not know fails at once.
    regs.Put(0x80, 99);
    EXPECT_EQ(regs.Get(0x81), 0);
    const auto &rglog = env.RgszLog();
    ASSERT_EQ(rglog.size(), 5u);
    EXPECT_EQ(rglog[2], "miravo3-gpio cmd 26 status 1 result 0");
    EXPECT_EQ(rglog[4], "miravo3-gpio cmd 99 status 0 result 0");
}

TEST_F(GpioDesign, ConnectorTestsTakeTheirTimeUnscaled)
{
    Load("miravo3-gpio");
    regs.Put(0x80, 26);
    EXPECT_EQ(regs.Get(0x81), 2) << "a command write makes the design busy at once";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(regs.Get(0x81), 2) << "the shorts test runs about a second";
    regs.Put(0x80, 1);
    EXPECT_EQ(regs.Get(0x81), 1) << "initialising completes at once";
}

TEST_F(GpioDesign, SwitchesAndButtonsFollowTheOptionsLive)
{
    struct {
        const char *szTag;
        const char *szButtons;
        uint8_t bButtons;
    } rgcase[] = {
        {"pentra-gpio", "0xFF", 0x3F},    // six buttons
        {"miravo3-gpio", "0xFF", 0x1F},   // five
        {"pentra-gpio", "0x21", 0x21},
        {"miravo3-gpio", "0x10", 0x10},
    };
    for (auto &c : rgcase) {
        env.ClearOpt("switches");
        env.ClearOpt("buttons");
        Load(c.szTag);
        EXPECT_EQ(regs.Get(0x10), 0);
        EXPECT_EQ(regs.Get(0x11), 0);
        env.SetOpt("switches", "0x81");
        env.SetOpt("buttons", c.szButtons);
        EXPECT_EQ(regs.Get(0x10), 0x81) << c.szTag;
        EXPECT_EQ(regs.Get(0x11), c.bButtons) << c.szTag << " " << c.szButtons;
    }
}

TEST_F(GpioDesign, PentraReadsBackItsCommand)
{
    Load("pentra-gpio");
    regs.Put(0x80, 1);
    EXPECT_EQ(regs.Get(0x80), 1);
    EXPECT_EQ(regs.Get(0x81), 1);
    env.SetOpt("readback", "0");
    EXPECT_EQ(regs.Get(0x80), 0) << "injected: the design does not answer";
}

TEST_F(GpioDesign, InjectedStatusResultsAndIdentifiers)
{
    env.SetOpt("timescale", "1");
    env.SetOpt("cmdstatus.26", "4");
    env.SetOpt("cmdresult.10", "1");
    env.SetOpt("designid", "0xD00142");
    env.SetOpt("cmdstatus.1", "stuck");
    Load("miravo3-gpio");
    EXPECT_EQ(BRun(26), 4);
    EXPECT_EQ(BRun(10), 1);
    EXPECT_EQ(regs.Get(0x82), 1);
    EXPECT_EQ(BRun(5), 1);
    EXPECT_EQ(Value(), 0x00D00142u);
    EXPECT_EQ(BRun(1, 50), 2) << "a stuck command stays busy";
    // A new design starts clean: nothing of the last one's state remains.
    env.ClearOpt("cmdstatus.1");
    Load("miravo3-gpio");
    EXPECT_EQ(Value(), 0u);
    EXPECT_EQ(BRun(1), 1);
}

} // namespace
} // namespace sim
