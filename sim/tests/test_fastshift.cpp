// test_fastshift.cpp - the chain's fast path for runs in Shift-DR against
// the clock-by-clock model: two chains of the same devices driven alike, one
// clock by clock and one taking every Shift-DR run in bulk (cut at random
// places), must give the same TDO on every clock and end in the same state:
// a whole configuration through CFG_IN past bypassed devices, and random
// walks with random runs through every register.

#include "model/chain.h"
#include "model/idcodedev.h"
#include "model/xfpga.h"

#include "bitgen.h"

#include <gtest/gtest.h>

#include <random>

using namespace sim;

namespace {

using BITV = std::vector<uint8_t>;

// Device 0 nearest TDO: a Spartan-3E, a PROM's IDCODE/BYPASS, a Spartan-6.
void Populate(CHAIN &chain)
{
    chain.AddDevice(std::make_unique<XFPGA>("XC3S500E", 0x01C22093, 6, xfamS3E, "none"));
    chain.AddDevice(std::make_unique<IDCODEDEV>("XCF04S", 0x05045093, 8, 0xFE));
    chain.AddDevice(std::make_unique<XFPGA>("XC6SLX9", 0x04001093, 6, xfamS6, "none"));
    chain.PowerOn();
}

// Both chains, clocked alike; every TDO compared.
class TWIN {
public:
    explicit TWIN(uint32_t seed) : rng(seed)
    {
        Populate(chainRef);
        Populate(chainFast);
    }

    void Clock(bool fTms, bool fTdi)
    {
        bool fRef = chainRef.FClock(fTms, fTdi);
        bool fFast = chainFast.FClock(fTms, fTdi);
        ASSERT_EQ(fRef, fFast) << "clock " << chainRef.Cclk();
        rgbitTdo.push_back(fRef ? 1 : 0);
    }
    void Walk(const char *szTms)
    {
        for (const char *pch = szTms; *pch; pch++)
            Clock(*pch == '1', false);
    }
    // Bits with TMS low: clock by clock on one chain, in runs cut at random
    // places on the other (in Shift-DR they take the fast path).
    void Run(const BITV &rgbit)
    {
        BITV rgbitRef(rgbit.size()), rgbitFast(rgbit.size());
        for (size_t i = 0; i < rgbit.size(); i++)
            rgbitRef[i] = chainRef.FClock(false, rgbit[i] != 0) ? 1 : 0;
        for (size_t i = 0; i < rgbit.size();) {
            size_t c = std::min(rgbit.size() - i, size_t(rng() % 3000) + 1);
            chainFast.ShiftDrRun(rgbit.data() + i, c, rgbitFast.data() + i);
            i += c;
        }
        ASSERT_EQ(rgbitRef, rgbitFast);
        rgbitTdo.insert(rgbitTdo.end(), rgbitRef.begin(), rgbitRef.end());
    }
    // From Run-Test/Idle: the instructions of the three devices (device 0's
    // bits first), back to Run-Test/Idle.
    void Instructions(uint64_t op0, uint64_t op1, uint64_t op2)
    {
        Walk("1100");
        BITV rgbit;
        for (int i = 0; i < 6; i++)
            rgbit.push_back((op0 >> i) & 1);
        for (int i = 0; i < 8; i++)
            rgbit.push_back((op1 >> i) & 1);
        for (int i = 0; i < 6; i++)
            rgbit.push_back((op2 >> i) & 1);
        for (size_t i = 0; i < rgbit.size(); i++)
            Clock(i + 1 == rgbit.size(), rgbit[i] != 0);
        Walk("10");
    }
    // From Run-Test/Idle into Shift-DR, the bits, the last with TMS high,
    // then Update-DR and back to Run-Test/Idle.
    void Scan(const BITV &rgbit)
    {
        Walk("100");
        if (rgbit.size() > 1)
            Run(BITV(rgbit.begin(), rgbit.end() - 1));
        if (!rgbit.empty())
            Clock(true, rgbit.back() != 0);
        Walk("10");
    }
    void ExpectSameState()
    {
        EXPECT_EQ(chainRef.Cclk(), chainFast.Cclk());
        EXPECT_EQ(chainRef.Tap(), chainFast.Tap());
        for (size_t idev = 0; idev < chainRef.Cdev(); idev++)
            EXPECT_EQ(chainRef.Pjdev(idev)->SzDescribe(), chainFast.Pjdev(idev)->SzDescribe()) << idev;
        for (size_t idev : {size_t(0), size_t(2)}) {
            auto *pxRef = static_cast<XFPGA *>(chainRef.Pjdev(idev));
            auto *pxFast = static_cast<XFPGA *>(chainFast.Pjdev(idev));
            EXPECT_EQ(pxRef->Cfg().Stat(), pxFast->Cfg().Stat()) << idev;
            EXPECT_EQ(pxRef->FRunning(), pxFast->FRunning()) << idev;
            EXPECT_EQ(pxRef->FClearing(), pxFast->FClearing()) << idev;
            EXPECT_EQ(pxRef->FInitB(), pxFast->FInitB()) << idev;
        }
    }
    XFPGA &Fpga(size_t idev) { return *static_cast<XFPGA *>(chainFast.Pjdev(idev)); }

    CHAIN chainRef, chainFast;
    BITV rgbitTdo;
    std::mt19937 rng;
};

// Configuration bytes go most significant bit first.
BITV BitsMsbFirst(const std::vector<uint8_t> &rgb)
{
    BITV rgbit;
    for (uint8_t b : rgb)
        for (int i = 7; i >= 0; i--)
            rgbit.push_back((b >> i) & 1);
    return rgbit;
}

const uint64_t opCfgIn = 0x05, opJprogram = 0x0B, opJstart = 0x0C, opIdcode = 0x09, opBypass6 = 0x3F;
const uint64_t opBypass8 = 0xFF;

TEST(FastShift, ConfigurationPastBypassedDevicesEndsAlike)
{
    struct CFGCASE {
        size_t idev;
        const char *szPart;
        uint32_t idcode;
    };
    for (const CFGCASE &cc : {CFGCASE{0, "3s500efg320", 0x01C22093}, CFGCASE{2, "6slx9tqg144", 0x04001093}}) {
        SCOPED_TRACE(cc.szPart);
        TWIN twin(cc.idev + 1);
        BGSPEC bgspec;
        bgspec.strPart = cc.szPart;
        bgspec.idcode = cc.idcode;
        bgspec.strDesign = "refio";
        bgspec.fJtagClock = true;
        bgspec.cwordFrames = 5000;
        std::vector<uint8_t> rgbData;
        ASSERT_TRUE(FBuildConfigData(bgspec, &rgbData));
        auto op = [&](size_t idev, uint64_t opFpga) { return idev == cc.idev ? opFpga : opBypass6; };
        twin.Walk("111110");
        twin.Instructions(op(0, opJprogram), opBypass8, op(2, opJprogram));
        twin.Run(BITV(2000, 0));                      // clearing, in Run-Test/Idle
        twin.Instructions(op(0, opCfgIn), opBypass8, op(2, opCfgIn));
        twin.Scan(BitsMsbFirst(rgbData));
        twin.Instructions(op(0, opJstart), opBypass8, op(2, opJstart));
        twin.Run(BITV(32, 0));
        twin.ExpectSameState();
        EXPECT_TRUE(twin.Fpga(cc.idev).FRunning());
        EXPECT_FALSE(twin.Fpga(cc.idev).Cfg().FCrcError());
    }
}

// A configuration scan that starts while the device still clears (JPROGRAM
// just given, 1000 clocks): the clocks of the scan count down the clearing
// alike on both chains, and both devices end the scan ready (INIT_B high).
TEST(FastShift, ScanDuringClearingCountsDownAlike)
{
    TWIN twin(7);
    twin.Walk("111110");
    twin.Instructions(opJprogram, opBypass8, opBypass6);
    twin.Instructions(opCfgIn, opBypass8, opBypass6);
    EXPECT_TRUE(twin.Fpga(0).FClearing());
    std::mt19937 rng(3);
    BITV rgbit(1500);
    for (auto &b : rgbit)
        b = rng() & 1;
    twin.Scan(rgbit);
    twin.ExpectSameState();
    EXPECT_FALSE(twin.Fpga(0).FClearing());
}

TEST(FastShift, RandomWalksAndRunsThroughEveryRegister)
{
    const uint64_t rgop6[] = {opCfgIn, opIdcode, opBypass6, 0x04, 0x08, opJstart, 0x0D, 0x2A};
    const uint64_t rgop8[] = {opBypass8, 0xFE, 0x01, 0x00};
    for (uint32_t seed = 1; seed <= 20; seed++) {
        SCOPED_TRACE(seed);
        TWIN twin(seed);
        std::mt19937 rng(seed * 7919);
        twin.Walk("111110");
        for (int istep = 0; istep < 12; istep++) {
            twin.Instructions(rgop6[rng() % 8], rgop8[rng() % 4], rgop6[rng() % 8]);
            BITV rgbit(rng() % 700);
            for (auto &b : rgbit)
                b = (rng() % 5) ? (rng() & 1) : 1;
            twin.Scan(rgbit);
            // Pause-DR and back to Shift-DR keeps the register
            twin.Walk("100");
            twin.Run(BITV(rng() % 90, 1));
            twin.Walk("1010");
            twin.Run(rgbit);
            twin.Walk("110");
            if (rng() % 4 == 0)
                twin.Walk("11111");
            twin.Walk("0");
        }
        twin.ExpectSameState();
    }
}

// A stuck TDO shows in the fast path as clock by clock.
TEST(FastShift, StuckTdoHoldsInRuns)
{
    for (int fStuck : {0, 1}) {
        TWIN twin(11);
        twin.chainRef.SetStuckTdo(fStuck);
        twin.chainFast.SetStuckTdo(fStuck);
        twin.Walk("111110");
        twin.Scan(BITV(300, uint8_t(1 - fStuck)));
        twin.ExpectSameState();
        for (uint8_t b : twin.rgbitTdo)
            EXPECT_EQ(b, fStuck);
    }
}

} // namespace
