// test_iscdev.cpp - the CPLD and PROM models without the wire: the
// configuration lines that make them, their IEEE 1149.1 behaviour (IR
// capture, IDCODE after reset, BYPASS for what they do not know), cycles
// that are cut short, protection, and random TCK/TMS/TDI traffic they must
// survive.

#include "model/board.h"
#include "model/chain.h"
#include "model/iscreport.h"
#include "model/xc2c.h"
#include "model/xcf.h"
#include "model/xcfp.h"
#include "server/config.h"

#include <gtest/gtest.h>

#include <memory>

using namespace sim;

namespace {

uint64_t usNow = 0;
uint64_t UsTest() { return usNow; }

// Clocks a TMS string (TDI 0).
void Walk(CHAIN &chain, const char *szTms)
{
    for (const char *pch = szTms; *pch; pch++)
        chain.FClock(*pch == '1', false);
}

// Shifts n bits of v into the IR or DR of a one-device chain from Run-Test/Idle; returns what came out.
uint64_t Shift(CHAIN &chain, bool fIr, uint64_t v, unsigned n)
{
    Walk(chain, fIr ? "1100" : "100");
    uint64_t vOut = 0;
    for (unsigned k = 0; k < n; k++) {
        vOut |= uint64_t(chain.FTdo()) << k;
        chain.FClock(k + 1 == n, (v >> k) & 1);
    }
    Walk(chain, "10");
    return vOut;
}

TEST(IscConfig, LinesMakeTheModels)
{
    std::vector<BOARDCFG> rgcfg;
    std::string szErr;
    ASSERT_TRUE(FParseConfig("board b\n  cpld XC2C32A 0x06E1C093\n  prom XCF01S 0x05044093\n"
                             "  prom XCF32P 0x05059093\n", rgcfg, szErr)) << szErr;
    ASSERT_EQ(rgcfg[0].rgjdevcfg.size(), 3u);
    EXPECT_EQ(rgcfg[0].rgjdevcfg[0].szKind, "cpld");
    EXPECT_EQ(rgcfg[0].rgjdevcfg[2].cbitIr, 16u);
    BOARD bd(rgcfg[0]);
    EXPECT_NE(dynamic_cast<XC2C *>(bd.chain.Pjdev(0)), nullptr);
    EXPECT_NE(dynamic_cast<XCF *>(bd.chain.Pjdev(1)), nullptr);
    EXPECT_NE(dynamic_cast<XCFP *>(bd.chain.Pjdev(2)), nullptr);
    for (const char *sz : {"board b\n  cpld XC9572 0x1\n", "board b\n  prom XCF04S\n", "board b\n  prom XCF99S 1\n",
                           "board b\n  cpld XC2C64A zz\n"}) {
        rgcfg.clear();
        EXPECT_FALSE(FParseConfig(sz, rgcfg, szErr)) << sz;
    }
}

TEST(IscModels, StandardBehaviourAfterReset)
{
    CHAIN chain;
    chain.AddDevice(std::make_unique<XC2C>(*PgeomXc2c("XC2C64A"), 0x06E5E093, UsTest));
    chain.PowerOn();
    Walk(chain, "111110");
    EXPECT_EQ(Shift(chain, false, 0, 32), 0x06E5E093u);          // IDCODE after reset
    EXPECT_EQ(Shift(chain, true, 0xFF, 8) & 3, 1u);              // IR capture ..01
    EXPECT_EQ(Shift(chain, false, 0, 2), 0u);                    // BYPASS: one bit capturing 0
    EXPECT_EQ(Shift(chain, true, 0x5A, 8) & 3, 1u);              // an unknown opcode
    EXPECT_EQ(Shift(chain, false, 0x3, 2), 2u);                  // the captured 0, then the first bit in
    EXPECT_EQ(chain.Pjdev(0)->CbitDr(), 1u);
}

TEST(IscModels, CpldEraseCutShortLeavesTheArray)
{
    CHAIN chain;
    auto pxc2cOwn = std::make_unique<XC2C>(*PgeomXc2c("XC2C32A"), 0x06E1C093, UsTest);
    XC2C *pxc2c = pxc2cOwn.get();
    chain.AddDevice(std::move(pxc2cOwn));
    chain.PowerOn();
    Walk(chain, "111110");
    Shift(chain, true, XC2C::irIscEnable, 8);
    // program row 3 with zeros: 10 ms in Run-Test/Idle
    Shift(chain, true, XC2C::irIscProgram, 8);
    unsigned gray = 3 ^ 1;
    std::vector<uint8_t> rgbit(260 + 6, 0);
    for (unsigned i = 0; i < 6; i++)
        rgbit[260 + i] = (gray >> (5 - i)) & 1;
    Walk(chain, "100");
    for (size_t k = 0; k < rgbit.size(); k++)
        chain.FClock(k + 1 == rgbit.size(), rgbit[k]);
    Walk(chain, "10");
    usNow += 10000;
    EXPECT_EQ(pxc2c->Row(3), BITS(260, 0));
    // an erase given 50 ms, then the next instruction: nothing erased
    Shift(chain, true, XC2C::irIscErase, 8);
    usNow += 50000;
    Shift(chain, true, XC2C::irIscInit, 8);
    EXPECT_EQ(pxc2c->CEraseShort(), 1u);
    EXPECT_EQ(pxc2c->Row(3), BITS(260, 0));
    // clocks count too: 100000 TCK in Run-Test/Idle erase it
    Shift(chain, true, XC2C::irIscErase, 8);
    for (int i = 0; i < 100000; i++)
        chain.FClock(false, false);
    Shift(chain, true, XC2C::irIscDisable, 8);
    EXPECT_EQ(pxc2c->CErases(), 1u);
    EXPECT_EQ(pxc2c->Row(3), BITS(260, 1));
}

TEST(IscModels, PromOutsideIspIgnoresProgrammingAndRandomTrafficIsSurvived)
{
    CHAIN chain;
    chain.AddDevice(std::make_unique<XCF>(*PgeomXcf("XCF02S"), 0x05045093, UsTest));
    chain.AddDevice(std::make_unique<XC2C>(*PgeomXc2c("XC2C256"), 0x06D4E093, UsTest));
    chain.AddDevice(std::make_unique<XCFP>("XCF08P", 0x05057093, UsTest));
    chain.PowerOn();
    XCF *pxcf = dynamic_cast<XCF *>(chain.Pjdev(0));
    uint32_t x = 12345;
    for (int i = 0; i < 400000; i++) {
        x = x * 1103515245u + 12345u;
        chain.FClock((x >> 16) % 3 == 0, (x >> 20) & 1);
        if (i % 1000 == 0)
            usNow += 700;
    }
    // whatever it did, the PROM answers its IDCODE after a reset
    Walk(chain, "11111010");
    uint64_t v = 0;
    for (int k = 0; k < 32; k++) {
        chain.FClock(false, false);
        v |= uint64_t(chain.FTdo()) << k;
    }
    EXPECT_EQ(uint32_t(v), 0x05045093u);
    EXPECT_EQ(pxcf->Array().size(), 256u * 1024);
}

} // namespace
