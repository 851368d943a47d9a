/*
 * tvxshift_test.cpp - how Tvxutil cuts a shift into JTAG transactions: every
 * clock in exactly one transaction, each starting on whole bytes of the
 * caller's buffers, the commands and completions of the JTAG protocol.
 */
#include <gtest/gtest.h>

#include <vector>

#include "jtshift.h"

using namespace jtshift;

namespace {

uint32_t U32At(const uint8_t *pb)
{
    return uint32_t(pb[0]) | uint32_t(pb[1]) << 8 | uint32_t(pb[2]) << 16 | uint32_t(pb[3]) << 24;
}

struct SHIFTCASE {
    JSH jsh;
    uint32_t cclk;
    bool fTdo;
    uint8_t cbCmd;              /* length byte of the command */
    unsigned ibCount;           /* where its clock count sits */
    unsigned cclkPerByte;       /* clocks per out byte, 0 = no out data */
};

class ShiftPlan : public ::testing::TestWithParam<SHIFTCASE> {};

TEST_P(ShiftPlan, CoversEveryClockOnWholeBytes)
{
    const SHIFTCASE &c = GetParam();
    static uint8_t rgbOut[(3 * cclkChunkMax + 7) / 4 + 8];
    static uint8_t rgbTdo[(3 * cclkChunkMax + 7) / 8 + 8];
    JSHIFT js = {c.jsh, c.cclk, c.cclkPerByte ? rgbOut : nullptr, c.fTdo ? rgbTdo : nullptr, true, false};
    uint32_t iclk = 0, cchunk = 0;
    const uint8_t *pbOutNext = rgbOut;
    uint8_t *pbTdoNext = rgbTdo;
    while (iclk < c.cclk) {
        uint32_t cclk = CclkChunk(js, iclk);
        ASSERT_GT(cclk, 0u);
        ASSERT_LE(cclk, uint32_t(cclkChunkMax));
        TFP tfp;
        BuildChunk(js, iclk, cclk, &tfp);
        EXPECT_EQ(tfp.rgbCmd[0], c.cbCmd);
        EXPECT_EQ(tfp.rgbCmd[1], 2);
        EXPECT_EQ(tfp.rgbCmd[2], uint8_t(c.jsh));
        EXPECT_EQ(tfp.rgbCmd[3], 0);
        EXPECT_EQ(U32At(tfp.rgbCmd + c.ibCount), cclk);
        const uint8_t rgbDone[] = {3, 2, uint8_t(c.jsh | 0x80), 0};
        EXPECT_EQ(memcmp(tfp.rgbCmdDone, rgbDone, 4), 0);
        if (c.cclkPerByte) {
            EXPECT_EQ(tfp.pbSnd, pbOutNext) << "out data continues where the last transaction ended";
            EXPECT_EQ(tfp.cbSnd, (cclk + c.cclkPerByte - 1) / c.cclkPerByte);
            pbOutNext += tfp.cbSnd;
        } else {
            EXPECT_EQ(tfp.cbSnd, 0u);
            EXPECT_EQ(tfp.pbSnd, nullptr);
        }
        if (c.fTdo) {
            EXPECT_EQ(tfp.pbRcv, pbTdoNext);
            EXPECT_EQ(tfp.cbRcv, (cclk + 7) / 8);
            pbTdoNext += tfp.cbRcv;
        } else {
            EXPECT_EQ(tfp.cbRcv, 0u);
        }
        iclk += cclk;
        cchunk++;
        if (iclk < c.cclk) {
            EXPECT_EQ(cclk % 8, 0u) << "a transaction that another follows ends on a byte";
        }
    }
    EXPECT_EQ(iclk, c.cclk);
    EXPECT_EQ(cchunk, (uint64_t(c.cclk) + cclkChunkMax - 1) / cclkChunkMax);
    if (c.cclkPerByte) {
        EXPECT_EQ(uint32_t(pbOutNext - rgbOut), (c.cclk + c.cclkPerByte - 1) / c.cclkPerByte);
    }
    if (c.fTdo) {
        EXPECT_EQ(uint32_t(pbTdoNext - rgbTdo), (c.cclk + 7) / 8);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShiftPlan, ::testing::Values(
    SHIFTCASE{jshTdi, 1, false, 9, 6, 8},
    SHIFTCASE{jshTdi, 13, true, 9, 6, 8},
    SHIFTCASE{jshTdi, cclkChunkMax, true, 9, 6, 8},
    SHIFTCASE{jshTdi, 2 * cclkChunkMax + 13, true, 9, 6, 8},
    SHIFTCASE{jshTdo, 32, true, 9, 6, 0},
    SHIFTCASE{jshTdo, cclkChunkMax + 1, true, 9, 6, 0},
    SHIFTCASE{jshPairs, 3, false, 8, 5, 4},
    SHIFTCASE{jshPairs, cclkChunkMax + 5, true, 8, 5, 4},
    SHIFTCASE{jshPairs, 3 * cclkChunkMax, false, 8, 5, 4}));

TEST(ShiftPlan, HeldLevelsAndCaptureFlag)
{
    uint8_t rgb[4] = {};
    TFP tfp;
    /* TDI bits: capture flag, then the held TMS. */
    BuildChunk(JSHIFT{jshTdi, 8, rgb, nullptr, true, false}, 0, 8, &tfp);
    EXPECT_EQ(tfp.rgbCmd[4], 0);
    EXPECT_EQ(tfp.rgbCmd[5], 1);
    BuildChunk(JSHIFT{jshTdi, 8, rgb, rgb, false, false}, 0, 8, &tfp);
    EXPECT_EQ(tfp.rgbCmd[4], 1);
    EXPECT_EQ(tfp.rgbCmd[5], 0);
    /* TDO read: the held TMS, then the held TDI; capture is implied. */
    BuildChunk(JSHIFT{jshTdo, 8, nullptr, rgb, false, true}, 0, 8, &tfp);
    EXPECT_EQ(tfp.rgbCmd[4], 0);
    EXPECT_EQ(tfp.rgbCmd[5], 1);
    /* Pairs: capture flag only. */
    BuildChunk(JSHIFT{jshPairs, 8, rgb, rgb, false, false}, 0, 8, &tfp);
    EXPECT_EQ(tfp.rgbCmd[4], 1);
}

} // namespace
