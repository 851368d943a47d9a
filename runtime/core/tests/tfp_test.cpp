/*
 * tfp_test.cpp - the record check and the status-packet parser.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "tfp.h"
#include "vzfake.h"

namespace {

struct STSCASE {
    const char *szWhat;
    std::vector<uint8_t> vbSts;
    std::vector<uint8_t> vcbRply;  /* reply entry sizes */
    int fWant;
    int ercWant;
    uint32_t cbOutWant;
    uint32_t cbInWant;
    std::vector<uint8_t> vbCopied;  /* destination bytes, concatenated */
};

const uint8_t bUntouched = 0xEE;

TEST(StatusParse, Table)
{
    const STSCASE rgcase[] = {
        {"two return bytes", {0x03, 0x00, 0x01, 0x02}, {2}, 1, 0, 0, 0, {0x01, 0x02}},
        {"device code 5", {0x01, 0x05}, {2}, 0, 5, 0, 0, {bUntouched, bUntouched}},
        {"code 48 is internal", {0x01, 0x30}, {}, 0, 3080, 0, 0, {}},
        {"code 63 is internal", {0x01, 0x3F}, {}, 0, 3080, 0, 0, {}},
        {"code 47 passes", {0x01, 0x2F}, {}, 0, 47, 0, 0, {}},
        {"sent count", {0x05, 0x80, 0x10, 0x00, 0x00, 0x00}, {}, 1, 0, 16, 0, {}},
        {"both counts", {0x09, 0xC0, 0x10, 0, 0, 0, 0x20, 0x01, 0, 0}, {}, 1, 0, 16, 0x120, {}},
        {"received count alone", {0x05, 0x40, 0x07, 0, 0, 0}, {}, 1, 0, 0, 7, {}},
        {"counts announced, missing", {0x05, 0xC0, 0x10, 0x00, 0x00, 0x00}, {}, 0, 3077, 0, 0, {}},
        {"code with missing counts", {0x01, 0xC5}, {}, 0, 3077, 0, 0, {}},
        {"code with counts", {0x05, 0x87, 0x03, 0, 0, 0}, {1}, 0, 7, 3, 0, {bUntouched}},
        {"too few return bytes", {0x04, 0x00, 0xAA, 0xBB, 0xCC}, {1, 4}, 0, 3077, 0, 0,
         {bUntouched, bUntouched, bUntouched, bUntouched, bUntouched}},
        {"extra return bytes ignored", {0x04, 0x00, 0xAA, 0xBB, 0xCC}, {1, 1}, 1, 0, 0, 0, {0xAA, 0xBB}},
        {"length byte disagrees", {0x05, 0x00, 0x01}, {}, 0, 3077, 0, 0, {}},
        {"one byte", {0x00}, {}, 0, 3077, 0, 0, {}},
        {"counts then return bytes", {0x06, 0x80, 0x02, 0, 0, 0, 0x5A}, {1}, 1, 0, 2, 0, {0x5A}},
    };
    for (const STSCASE &c : rgcase) {
        DVTFAKE dvt;
        TFPRPLY rply = {};
        std::vector<uint8_t> vbDst(64, bUntouched);
        size_t ib = 0;
        rply.crply = (uint8_t)c.vcbRply.size();
        for (size_t irply = 0; irply < c.vcbRply.size(); irply++) {
            rply.rgrply[irply].cb = c.vcbRply[irply];
            rply.rgrply[irply].pb = vbDst.data() + ib;
            ib += c.vcbRply[irply];
        }
        EXPECT_EQ(c.fWant, dvt.FParse(c.vbSts.data(), (uint32_t)c.vbSts.size(), &rply)) << c.szWhat;
        EXPECT_EQ(c.ercWant, dvt.ErcTrans()) << c.szWhat;
        EXPECT_EQ(c.cbOutWant, dvt.GetCbDataOut()) << c.szWhat;
        EXPECT_EQ(c.cbInWant, dvt.GetCbDataIn()) << c.szWhat;
        EXPECT_EQ(c.vbCopied, std::vector<uint8_t>(vbDst.begin(), vbDst.begin() + ib)) << c.szWhat;
    }
}

TEST(StatusParse, SkippedDestinationAndNoReply)
{
    DVTFAKE dvt;
    uint8_t b = 0;
    TFPRPLY rply = {};
    rply.crply = 2;
    rply.rgrply[0].cb = 2;
    rply.rgrply[1].cb = 1;
    rply.rgrply[1].pb = &b;
    const uint8_t rgb[] = {0x04, 0x00, 0x11, 0x22, 0x33};
    EXPECT_TRUE(dvt.FParse(rgb, sizeof(rgb), &rply));
    EXPECT_EQ(0x33, b);
    EXPECT_TRUE(dvt.FParse(rgb, sizeof(rgb), nullptr));
}

TEST(RecordCheck, Table)
{
    struct TFPCASE {
        const char *szWhat;
        void (*pfnSet)(TFP *);
        int fWant;
    };
    static uint8_t rgb[4];
    const TFPCASE rgcase[] = {
        {"empty record", [](TFP *) {}, 1},
        {"64-byte command", [](TFP *p) { p->rgbCmd[0] = 63; }, 1},
        {"65-byte command", [](TFP *p) { p->rgbCmd[0] = 64; }, 0},
        {"65-byte completion", [](TFP *p) { p->rgbCmdDone[0] = 64; }, 0},
        {"eight replies", [](TFP *p) { p->rplyCmd.crply = 8; }, 1},
        {"nine replies", [](TFP *p) { p->rplyCmd.crply = 9; }, 0},
        {"nine completion replies", [](TFP *p) { p->rplyCmdDone.crply = 9; }, 0},
        {"receive without buffer", [](TFP *p) { p->cbRcv = 1; }, 0},
        {"send without buffer", [](TFP *p) { p->cbSnd = 1; }, 0},
        {"send with buffer", [](TFP *p) { p->cbSnd = 4; p->pbSnd = rgb; }, 1},
        {"buffer without count", [](TFP *p) { p->pbRcv = rgb; }, 1},
        {"length byte 1, reply without destination", [](TFP *p) { p->rgbCmd[0] = 1; p->rplyCmd.crply = 1; p->rplyCmd.rgrply[0].cb = 3; }, 1},
    };
    for (const TFPCASE &c : rgcase) {
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        c.pfnSet(&tfp);
        EXPECT_EQ(c.fWant, FCheckTfp(&tfp)) << c.szWhat;
    }
}

} // namespace
