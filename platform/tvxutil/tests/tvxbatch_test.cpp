/*
 * tvxbatch_test.cpp - the batch transaction of queued shifts, run through a
 * model of the batch engine's TDI-shift operations (every bit of an
 * operation but the last with the port's present TMS level, the last with
 * the operation's; a capturing operation's TDO bits fill whole bytes of the
 * in data from bit 0): random calls give exactly the clocks they asked for,
 * whatever the port's TMS level at the start, and their captured bits land
 * in the caller's buffers only.
 */
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "jtbatch.h"

using namespace jtshift;

namespace {

uint32_t U32At(const uint8_t *pb)
{
    return uint32_t(pb[0]) | uint32_t(pb[1]) << 8 | uint32_t(pb[2]) << 16 | uint32_t(pb[3]) << 24;
}

bool FBit(const uint8_t *pb, size_t i)
{
    return (pb[i / 8] >> (i % 8)) & 1;
}

/* One clock as the TAP sees it. */
struct CLK {
    bool fTms, fTdi;
    bool operator==(const CLK &o) const { return fTms == o.fTms && fTdi == o.fTdi; }
};

/* The board's side: runs a batch's operation stream. TDO is a function of
 * the clock's number, so every captured bit can be told apart. */
struct ENGINE {
    bool fTmsPort;
    std::vector<CLK> rgclk;
    static bool FTdoOf(size_t iclk) { return ((iclk * 2654435761u) >> 7) & 1; }

    /* false when the stream is malformed */
    bool FRun(const TFP &tfp, std::vector<uint8_t> *prgbIn)
    {
        if (tfp.rgbCmd[0] != 11 || tfp.rgbCmd[1] != 2 || tfp.rgbCmd[2] != 23 || tfp.rgbCmdDone[2] != 0x97)
            return false;
        uint32_t cbOps = U32At(tfp.rgbCmd + 4), cbTdo = U32At(tfp.rgbCmd + 8);
        if (cbOps != tfp.cbSnd || cbTdo != tfp.cbRcv)
            return false;
        const uint8_t *pb = tfp.pbSnd;
        size_t ib = 0;
        while (ib < cbOps) {
            if (ib + 6 > cbOps || (pb[ib] != 5 && pb[ib] != 6))
                return false;
            bool fCapture = pb[ib] == 6;
            uint32_t n = U32At(pb + ib + 1);
            bool fTmsLast = pb[ib + 5] & 1;
            const uint8_t *pbData = pb + ib + 6;
            if (n == 0 || ib + 6 + (n + 7) / 8 > cbOps)
                return false;
            size_t ibIn = prgbIn->size();
            if (fCapture)
                prgbIn->resize(ibIn + (n + 7) / 8, 0);
            for (uint32_t k = 0; k < n; k++) {
                bool fTms = k + 1 == n ? fTmsLast : fTmsPort;
                if (fCapture && FTdoOf(rgclk.size()))
                    (*prgbIn)[ibIn + k / 8] |= uint8_t(1u << (k % 8));
                rgclk.push_back(CLK{fTms, FBit(pbData, k)});
                fTmsPort = fTms;
            }
            ib += 6 + (n + 7) / 8;
        }
        return prgbIn->size() == cbTdo;
    }
};

/* A caller's shift with its buffers. */
struct CALL {
    JSH jsh;
    uint32_t cclk;
    bool fTms, fTdi, fCapture;
    std::vector<uint8_t> rgbOut, rgbTdo;
    size_t iclkFirst;           /* its first clock among all */
};

TEST(TvxBatch, RandomCallsGiveTheirClocksAndTheirTdo)
{
    std::mt19937 rng(1234);
    for (int iround = 0; iround < 40; iround++) {
        SCOPED_TRACE(iround);
        ENGINE engine{(rng() & 1) != 0, {}};
        JTBATCH batch;
        std::vector<CALL> rgcall(1 + rng() % 12);
        std::vector<CLK> rgclkWant;
        std::vector<uint8_t> rgbIn;
        for (size_t icall = 0; icall < rgcall.size(); icall++) {
            CALL &call = rgcall[icall];
            call.jsh = JSH(8 + rng() % 3);
            /* short walks, around byte and piece boundaries, and long shifts */
            const uint32_t rgcclk[] = {1, 2, 7, 8, 9, 31, 33, 4095, 8193, 70000};
            call.cclk = rgcclk[rng() % 10] + (rng() % 3);
            call.fTms = rng() & 1;
            call.fTdi = rng() & 1;
            call.fCapture = call.jsh == jshTdo || (rng() % 3 == 0);
            call.rgbOut.resize(call.jsh == jshPairs ? (call.cclk + 3) / 4 : (call.cclk + 7) / 8);
            for (uint8_t &b : call.rgbOut)
                b = uint8_t(rng());
            if (call.jsh == jshPairs && rng() % 2 == 0)       /* long runs of one TMS level too */
                for (uint8_t &b : call.rgbOut)
                    b &= 0x55;
            call.rgbTdo.assign((call.cclk + 7) / 8 + 1, 0xEE);
            call.iclkFirst = rgclkWant.size();
            for (uint32_t k = 0; k < call.cclk; k++) {
                CLK clk;
                if (call.jsh == jshPairs)
                    clk = CLK{((call.rgbOut[k / 4] >> (2 * (k % 4) + 1)) & 1) != 0,
                              ((call.rgbOut[k / 4] >> (2 * (k % 4))) & 1) != 0};
                else if (call.jsh == jshTdi)
                    clk = CLK{call.fTms, FBit(call.rgbOut.data(), k)};
                else
                    clk = CLK{call.fTms, call.fTdi};
                rgclkWant.push_back(clk);
            }
            JSHIFT js = {call.jsh, call.cclk, call.jsh == jshTdo ? nullptr : call.rgbOut.data(),
                         call.fCapture ? call.rgbTdo.data() : nullptr, call.fTms, call.fTdi};
            uint32_t cbBefore = batch.CbOps();
            batch.AddShift(js, 0, call.cclk);
            EXPECT_LE(batch.CbOps() - cbBefore, JTBATCH::CbOpsMax(js, call.cclk)) << "the bound the queue plans with";
            /* a capture sends the queue, and so, now and then, does a wait */
            if (call.fCapture || rng() % 4 == 0 || icall + 1 == rgcall.size()) {
                TFP tfp;
                batch.BuildTfp(&tfp);
                rgbIn.clear();
                ASSERT_TRUE(engine.FRun(tfp, &rgbIn)) << "malformed batch";
                ASSERT_EQ(rgbIn.size(), batch.CbTdo());
                memcpy(tfp.pbRcv, rgbIn.data(), rgbIn.size());
                batch.ScatterTdo();
                batch.Sent();
            }
        }
        ASSERT_EQ(engine.rgclk.size(), rgclkWant.size());
        size_t cbad = 0;
        for (size_t i = 0; i < rgclkWant.size(); i++)
            cbad += !(engine.rgclk[i] == rgclkWant[i]);
        EXPECT_EQ(cbad, 0u) << "clocks with the wrong TMS or TDI";
        for (const CALL &call : rgcall) {
            if (!call.fCapture) {
                for (uint8_t b : call.rgbTdo)
                    EXPECT_EQ(b, 0xEE) << "TDO written for a call that captures nothing";
                continue;
            }
            size_t cbadTdo = 0;
            for (uint32_t k = 0; k < call.cclk; k++)
                cbadTdo += FBit(call.rgbTdo.data(), k) != ENGINE::FTdoOf(call.iclkFirst + k);
            EXPECT_EQ(cbadTdo, 0u);
            if (call.cclk % 8 != 0) {
                EXPECT_EQ(call.rgbTdo[call.cclk / 8] >> (call.cclk % 8), 0) << "bits above the last one";
            }
            EXPECT_EQ(call.rgbTdo.back(), 0xEE) << "written past the last TDO byte";
        }
    }
}

} // namespace
