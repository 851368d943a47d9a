// test_chain.cpp - TAP controller and chain model, without the wire.

#include "model/chain.h"
#include "model/idcodedev.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

struct TAPCASE {
    TAPSTATE tap;
    bool fTms;
    TAPSTATE tapNext;
};

// Both exits of every state, as IEEE 1149.1 draws them.
const TAPCASE rgtapcase[] = {
    { TAP_RESET, false, TAP_IDLE }, { TAP_RESET, true, TAP_RESET },
    { TAP_IDLE, false, TAP_IDLE }, { TAP_IDLE, true, TAP_DRSELECT },
    { TAP_DRSELECT, false, TAP_DRCAPTURE }, { TAP_DRSELECT, true, TAP_IRSELECT },
    { TAP_DRCAPTURE, false, TAP_DRSHIFT }, { TAP_DRCAPTURE, true, TAP_DREXIT1 },
    { TAP_DRSHIFT, false, TAP_DRSHIFT }, { TAP_DRSHIFT, true, TAP_DREXIT1 },
    { TAP_DREXIT1, false, TAP_DRPAUSE }, { TAP_DREXIT1, true, TAP_DRUPDATE },
    { TAP_DRPAUSE, false, TAP_DRPAUSE }, { TAP_DRPAUSE, true, TAP_DREXIT2 },
    { TAP_DREXIT2, false, TAP_DRSHIFT }, { TAP_DREXIT2, true, TAP_DRUPDATE },
    { TAP_DRUPDATE, false, TAP_IDLE }, { TAP_DRUPDATE, true, TAP_DRSELECT },
    { TAP_IRSELECT, false, TAP_IRCAPTURE }, { TAP_IRSELECT, true, TAP_RESET },
    { TAP_IRCAPTURE, false, TAP_IRSHIFT }, { TAP_IRCAPTURE, true, TAP_IREXIT1 },
    { TAP_IRSHIFT, false, TAP_IRSHIFT }, { TAP_IRSHIFT, true, TAP_IREXIT1 },
    { TAP_IREXIT1, false, TAP_IRPAUSE }, { TAP_IREXIT1, true, TAP_IRUPDATE },
    { TAP_IRPAUSE, false, TAP_IRPAUSE }, { TAP_IRPAUSE, true, TAP_IREXIT2 },
    { TAP_IREXIT2, false, TAP_IRSHIFT }, { TAP_IREXIT2, true, TAP_IRUPDATE },
    { TAP_IRUPDATE, false, TAP_IDLE }, { TAP_IRUPDATE, true, TAP_DRSELECT },
};

TEST(TapTable, EveryTransition)
{
    for (const TAPCASE &tc : rgtapcase)
        EXPECT_EQ(TapNext(tc.tap, tc.fTms), tc.tapNext) << SzTapState(tc.tap) << " TMS=" << tc.fTms;
}

TEST(TapTable, FiveTmsOnesResetFromEveryState)
{
    for (int itap = 0; itap < ctapstate; itap++) {
        TAPSTATE tap = TAPSTATE(itap);
        for (int i = 0; i < 5; i++)
            tap = TapNext(tap, true);
        EXPECT_EQ(tap, TAP_RESET) << SzTapState(TAPSTATE(itap));
    }
}

class ChainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Device 0 sits nearest TDO.
        chain.AddDevice(std::make_unique<IDCODEDEV>("XC3S500E", 0x01C22093, 6, 0x09));
        chain.AddDevice(std::make_unique<IDCODEDEV>("XCF04S", 0x05045093, 8, 0xFE));
        chain.PowerOn();
    }

    // Clocks TMS bits (first bit first) with TDI 0.
    void Tms(const std::vector<int> &rgf)
    {
        for (int f : rgf)
            chain.FClock(f != 0, false);
    }

    // Clocks n bits with TMS held; returns the TDO levels.
    std::vector<int> Shift(size_t n, bool fTms, const std::vector<int> &rgfTdi = {})
    {
        std::vector<int> rgfTdo;
        for (size_t i = 0; i < n; i++)
            rgfTdo.push_back(chain.FClock(fTms, i < rgfTdi.size() && rgfTdi[i]) ? 1 : 0);
        return rgfTdo;
    }

    static uint64_t Value(const std::vector<int> &rgf, size_t ibit, size_t cbit)
    {
        uint64_t v = 0;
        for (size_t i = 0; i < cbit; i++)
            v |= uint64_t(rgf[ibit + i]) << i;
        return v;
    }

    CHAIN chain;
};

TEST_F(ChainTest, IdcodesOfTwoDevicesAfterReset)
{
    Tms({ 1, 1, 1, 1, 1, 0, 1, 0 });       // Test-Logic-Reset, Idle, Select-DR, Capture-DR
    ASSERT_EQ(chain.Tap(), TAP_DRCAPTURE);
    // The clock that leaves Capture-DR reports bit 0 of device 0's IDCODE.
    std::vector<int> rgfTdo = Shift(64, false);
    EXPECT_EQ(Value(rgfTdo, 0, 32), 0x01C22093u);
    EXPECT_EQ(Value(rgfTdo, 32, 32), 0x05045093u);
    EXPECT_EQ(chain.Tap(), TAP_DRSHIFT);
}

TEST_F(ChainTest, CaptureIrGivesLowBitsOneZero)
{
    Tms({ 1, 1, 1, 1, 1, 0, 1, 1, 0 });    // ... Select-DR, Select-IR, Capture-IR
    std::vector<int> rgfTdo = Shift(14, false);
    EXPECT_EQ(Value(rgfTdo, 0, 6), 0x01u);     // device 0, 6 bits
    EXPECT_EQ(Value(rgfTdo, 6, 8), 0x01u);     // device 1, 8 bits
}

TEST_F(ChainTest, BypassMakesOneBitPerDevice)
{
    Tms({ 1, 1, 1, 1, 1, 0, 1, 1, 0, 0 });     // Shift-IR
    Shift(13, false, std::vector<int>(13, 1));
    Shift(1, true, { 1 });                      // 14th bit leaves to Exit1-IR
    Tms({ 1, 1, 0 });                           // Update-IR, Select-DR, Capture-DR
    EXPECT_EQ(chain.Pjdev(0)->IrCur(), 0x3Fu);
    EXPECT_EQ(chain.Pjdev(1)->IrCur(), 0xFFu);
    // The first clock leaves Capture-DR and shifts nothing; TDI then comes
    // out two clocks late, behind the two captured zeros.
    std::vector<int> rgfTdo = Shift(8, false, { 0, 1, 0, 1, 1, 0, 0, 0 });
    EXPECT_EQ(rgfTdo, (std::vector<int>{ 0, 0, 1, 0, 1, 1, 0, 0 }));
}

TEST_F(ChainTest, TestLogicResetRestoresIdcode)
{
    Tms({ 1, 1, 1, 1, 1, 0, 1, 1, 0, 0 });
    Shift(13, false, std::vector<int>(13, 1));
    Shift(1, true, { 1 });
    Tms({ 1, 0 });                              // Update-IR, Idle
    EXPECT_EQ(chain.Pjdev(0)->CbitDr(), 1u);
    Tms({ 1, 1, 1 });                           // Select-DR, Select-IR, Test-Logic-Reset
    EXPECT_EQ(chain.Tap(), TAP_RESET);
    EXPECT_EQ(chain.Pjdev(0)->CbitDr(), 32u);
    EXPECT_EQ(chain.Pjdev(1)->IrCur(), 0xFEu);
}

TEST_F(ChainTest, StuckTdoFault)
{
    chain.SetStuckTdo(0);
    Tms({ 1, 1, 1, 1, 1, 0, 1, 0 });
    std::vector<int> rgfTdo = Shift(32, false);
    EXPECT_EQ(Value(rgfTdo, 0, 32), 0u);
}

} // namespace
