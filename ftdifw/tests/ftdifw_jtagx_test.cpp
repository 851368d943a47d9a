/*
 * ftdifw_jtagx_test.cpp - the JTAG port of the 0x60 firmware library built
 * with property words that offer every command and batch operation:
 * buffered mode, waits and flushes, the two-wire commands, the general-
 * purpose pin commands and batch operations 9 to 16, checked by what the
 * simulated MPSSE and the chain behind it ended with.
 */
#include "fwinstall.h"
#include "fwtrans.h"
#include "jtagfix.h"
#include "jtagops.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "tvxutil.h"

#include <stdio.h>

#include <random>
#include <string>
#include <vector>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "ftdifw", true);

namespace {

/* Client code of firmware status 48 and up. */
const int ercFwHigh = 3080;

class FtdifwJtagX : public JTAGFIX {
protected:
    static void SetUpTestSuite()
    {
        /* the test configuration, under the name the catalogue gives the 0x60 library */
        std::string szName = std::string("FTDIFW_60_00000000_00000801_0118-") + SzFwWordSize() + ".dll";
        ASSERT_TRUE(FInstallFw(std::string("FTDIFWX_60-") + SzFwWordSize() + ".dll", szName));
    }
    int ErcDw(uint8_t cmd, std::initializer_list<uint8_t> rgbPre, uint32_t dw, uint8_t cbRet = 0,
              uint8_t *pbRet = nullptr)
    {
        BYTES rgbCmd = { 2, cmd, 0 };
        rgbCmd.insert(rgbCmd.end(), rgbPre.begin(), rgbPre.end());
        BYTES rgbDw = RgbLe({ dw });
        rgbCmd.insert(rgbCmd.end(), rgbDw.begin(), rgbDw.end());
        return ErcCmd(rgbCmd, cbRet, pbRet);
    }
    void SetTck(uint32_t freq) { ASSERT_EQ(ErcDw(3, {}, freq), 0); }
    /* Runs jop on the port as single commands and on the model; the TDO bytes must agree. */
    void ExpectSingle(const JOP &jop)
    {
        TAPMODEL tapBefore = tap;
        BYTES rgbWant, rgbGot;
        ModelRun(tap, jop, rgbWant);
        ASSERT_EQ(ErcSingle(jop, tapBefore, rgbGot), 0) << "op " << int(jop.op);
        EXPECT_TRUE(rgbGot == rgbWant) << "op " << int(jop.op);
    }
    /* Reads the 32-bit data register from Shift-DR (the model must be there too) and compares. */
    void ExpectDrRead()
    {
        JOP jop;
        jop.op = 7;
        jop.n = 32;
        ExpectSingle(jop);
    }
    uint8_t BLow() { return uint8_t(SimValue("low")); }
    /* The two-wire target in front of the chain, and the port in the matching format. */
    void TwoWire(const char *szFrame, uint8_t fmt, uint8_t opt, uint8_t cbitReady, const char *szWait,
                 uint32_t cclkTail, bool fTailHigh = false, uint32_t cpoll = 100)
    {
        char sz[96];
        snprintf(sz, sizeof(sz), "FT2W ft60 A %s %u %s %u", szFrame, unsigned(cbitReady), szWait, unsigned(cclkTail));
        ASSERT_TRUE(Sim().FCmd(sz)) << sz;
        ASSERT_EQ(ErcDw(17, { cbitReady, 1 }, cpoll), 0);
        ASSERT_EQ(ErcDw(19, { uint8_t(fTailHigh) }, cclkTail), 0);
        ASSERT_EQ(ErcCmd({ 2, 15, 0, fmt, opt }), 0);
    }
    /* Back to four-wire use, the target gone. */
    void FourWire()
    {
        ASSERT_EQ(ErcCmd({ 2, 15, 0, 1, 0 }), 0);
        ASSERT_TRUE(Sim().FCmd("FT2W ft60 A off"));
    }
    /* The last frame's host or tail slots as the target saw them. */
    std::string SzFrameSlots(const char *szWhat)
    {
        std::vector<std::string> rgsz;
        std::string szPre = std::string(szWhat) + " ";
        if (Sim().FCmd("FT2W ft60 A", &rgsz))
            for (const std::string &sz : rgsz)
                if (sz.compare(0, szPre.size(), szPre) == 0)
                    return sz.substr(szPre.size());
        return "?";
    }
};

TEST_F(FtdifwJtagX, PropertyWordsOfferEveryCommandAndLengthsAreCheckedFirst)
{
    uint8_t rgb[8] = {};
    ASSERT_EQ(ErcCmd({ 2, 2, 0, 5 }, 5, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 5), BYTES({ 0x01, 0xFF, 0xFF, 0x1F, 0x80 }));
    ASSERT_EQ(ErcCmd({ 2, 24, 0 }, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0x0Fu);
    /* one byte short and one byte long: 51, whatever the command would do */
    const uint8_t rgcb[][2] = { { 12, 4 }, { 13, 7 }, { 14, 3 }, { 15, 5 }, { 16, 3 }, { 17, 9 }, { 18, 3 },
                                { 19, 8 }, { 20, 3 }, { 21, 4 }, { 22, 5 }, { 25, 5 }, { 26, 3 }, { 27, 7 },
                                { 28, 3 }, { 29, 7 }, { 30, 3 }, { 31, 5 } };
    for (auto &cc : rgcb) {
        BYTES rgbShort(cc[1] - 1, 0), rgbLong(cc[1] + 1, 0);
        rgbShort[0] = rgbLong[0] = 2;
        rgbShort[1] = rgbLong[1] = cc[0];
        /* the long one first: a two-byte command keeps the port of the one before */
        EXPECT_EQ(ErcCmd(rgbLong), ercFwHigh) << "command " << int(cc[0]);
        EXPECT_EQ(ErcCmd(rgbShort), ercFwHigh) << "command " << int(cc[0]);
        rgbLong[2] = 1;
        EXPECT_EQ(ErcCmd(rgbLong), 12) << "command " << int(cc[0]);
    }
    /* the chain is where it was: nothing reached the pins */
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
}

/* Buffered: write-only commands stay in the buffer until a flush, a read or
 * the end of buffering; the chain moves only then. */
TEST_F(FtdifwJtagX, BufferedCommandsReachTheChainAtTheFlush)
{
    BYTES rgbNone;
    uint64_t cwrite = SimValue("writes");
    ASSERT_EQ(ErcCmd({ 2, 12, 0, 1 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 0, 1, 0 }), 0);
    ASSERT_EQ(ErcPhase(7, RgbArgs({ 0, 1 }, 3), rgbNone, nullptr), 0);
    EXPECT_EQ(SimValue("writes"), cwrite);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
    ASSERT_EQ(ErcCmd({ 2, 14, 0 }), 0);
    EXPECT_EQ(SzSimState(), "Run-Test/Idle");
    EXPECT_EQ(BLow() & 0x0B, 0x02);                 /* TMS 0, TDI 1, TCK 0 */
    /* TMS 1 twice, buffered, then buffering off writes them */
    BYTES rgbTms = { 0x03 };
    ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 2), rgbTms, nullptr), 0);
    EXPECT_EQ(SzSimState(), "Run-Test/Idle");
    ASSERT_EQ(ErcCmd({ 2, 12, 0, 0 }), 0);
    EXPECT_EQ(SzSimState(), "Select-IR-Scan");
    /* unbuffered again: at once */
    ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 2), rgbTms, nullptr), 0);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
    /* a read while buffering takes the queued bytes along, in order */
    ASSERT_EQ(ErcCmd({ 2, 12, 0, 1 }), 0);
    tap = TAPMODEL(idcodeFpga);
    JOP jopWalk = JopTms("0100");
    BYTES rgbIgnore;
    ModelRun(tap, jopWalk, rgbIgnore);
    ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 4), jopWalk.rgbData, nullptr), 0);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
    ExpectDrRead();
    EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tap.tst));
    ASSERT_EQ(ErcCmd({ 2, 12, 0, 0 }), 0);
}

/* A wait runs the MPSSE clock with TCK released: the target sees no clock. */
TEST_F(FtdifwJtagX, AWaitRunsItsClocksWithoutClockingTheChain)
{
    SetTck(1000000);
    /* TMS low: a single clock reaching the chain would leave Test-Logic-Reset */
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 0, 0, 0 }), 0);
    struct WAITCASE {
        uint32_t tus, tusActual, cclk;
    } const rgwc[] = {
        { 0, 1000000, 0 },          /* 0: the longest wait reported, nothing queued */
        { 1, 1, 0 },
        { 100, 100, 99 },
        { 5000, 5000, 4999 },
        { 524291, 524291, 524290 }, /* more than 65536 groups of 8 */
    };
    for (const WAITCASE &wc : rgwc) {
        uint64_t cclkBefore = SimValue("clocks");
        uint8_t rgb[4] = {};
        ASSERT_EQ(ErcDw(13, {}, wc.tus, 4, rgb), 0);
        EXPECT_EQ(DwAt(rgb), wc.tusActual) << wc.tus;
        EXPECT_EQ(SimValue("clocks") - cclkBefore, wc.cclk) << wc.tus;
        EXPECT_EQ(SzSimState(), "Test-Logic-Reset") << wc.tus;
        EXPECT_EQ(SimValue("lowdir") & 0x0F, 0x0Bu) << wc.tus;
    }
    /* at 10 MHz: ceil(10 * (tus - 1)) periods */
    SetTck(10000000);
    uint64_t cclkBefore = SimValue("clocks");
    uint8_t rgb[4] = {};
    ASSERT_EQ(ErcDw(13, {}, 3000000, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 1000000u);
    EXPECT_EQ(SimValue("clocks") - cclkBefore, 9999990u);
    /* the chain still answers as the model says */
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 1, 0, 0 }), 0);
    ExpectSingle(JopTms("0100"));
    ExpectDrRead();
}

/* Entering and leaving two-wire use swaps TMS and the data line; formats
 * without engine refuse shifts; ready and tail parameters are stored. */
TEST_F(FtdifwJtagX, TwoWireCommandsSwapTheLinesAndKeepTheirParameters)
{
    uint8_t rgb[8] = {};
    struct FMTCASE {
        uint8_t fmt, opt;
        int erc;
        uint8_t fmtAfter, optAfter;
    } const rgfc[] = { { 4, 9, 0, 4, 1 }, { 0, 0, 1, 4, 1 }, { 14, 0, 1, 4, 1 }, { 200, 1, 1, 4, 1 },
                       { 1, 0, 0, 1, 0 } };
    uint64_t cbWritten = SimValue("written");
    for (const FMTCASE &fc : rgfc) {
        EXPECT_EQ(ErcCmd({ 2, 15, 0, fc.fmt, fc.opt }), fc.erc) << int(fc.fmt);
        ASSERT_EQ(ErcCmd({ 2, 16, 0 }, 2, rgb), 0);
        EXPECT_EQ(rgb[0], fc.fmtAfter) << int(fc.fmt);
        EXPECT_EQ(rgb[1], fc.optAfter) << int(fc.fmt);
    }
    /* four-wire to four-wire: nothing goes to the chip */
    EXPECT_EQ(SimValue("written"), cbWritten);
    /* TMS high, TDI low; entering: data line high, TMS low, 18 pin bytes */
    ASSERT_EQ(ErcCmd({ 2, 15, 0, 5, 7 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 16, 0 }, 2, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 2), BYTES({ 5, 1 }));
    EXPECT_EQ(SimValue("written"), cbWritten + 18);
    EXPECT_EQ(BLow() & 0x0B, 0x02);
    EXPECT_EQ(SimValue("high") & 0x80, 0x80u);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
    /* a two-wire format to another: nothing queued */
    ASSERT_EQ(ErcCmd({ 2, 15, 0, 13, 0 }), 0);
    EXPECT_EQ(SimValue("written"), cbWritten + 18);
    /* format 13 option 0 has a TMS stream only: other shifts answer 1, nothing armed */
    BYTES rgbData = { 0xA5 }, rgbRcv(1);
    EXPECT_EQ(ErcPhase(8, RgbArgs({ 1, 0 }, 8), rgbData, &rgbRcv), 1);
    EXPECT_EQ(ErcPhase(8, RgbArgs({ 0, 0 }, 8), rgbData, nullptr), 1);
    EXPECT_EQ(ErcPhase(11, RgbArgs({ 1, 0 }, 8), rgbData, &rgbRcv), 1);
    EXPECT_EQ(ErcPhase(9, RgbArgs({ 0, 0 }, 8), BYTES(), &rgbRcv), 1);
    EXPECT_EQ(SimValue("written"), cbWritten + 18);
    /* leaving: TMS high and TDI low again; shifts work as before */
    ASSERT_EQ(ErcCmd({ 2, 15, 0, 1, 0 }), 0);
    EXPECT_EQ(BLow() & 0x0B, 0x08);
    EXPECT_EQ(SimValue("written"), cbWritten + 36);
    ExpectSingle(JopTms("0100"));
    ExpectDrRead();

    /* ready parameters: D 1 to 4, P 100 unless given, 0 taken as 1 */
    struct RDYCASE {
        uint8_t d, fGiven;
        uint32_t p;
        int erc;
        uint32_t pStored;
        uint8_t dStored;
    } const rgrc[] = {
        { 0, 1, 5, 13, 100, 1 }, { 5, 1, 5, 13, 100, 1 }, { 2, 0, 7, 0, 100, 2 },
        { 4, 1, 0, 0, 1, 4 }, { 1, 1, 0xFFFFFFFF, 0, 0xFFFFFFFF, 1 },
    };
    for (const RDYCASE &rc : rgrc) {
        EXPECT_EQ(ErcDw(17, { rc.d, rc.fGiven }, rc.p, 4, rgb), rc.erc) << int(rc.d);
        if (rc.erc == 0)
            EXPECT_EQ(DwAt(rgb), rc.pStored);
        ASSERT_EQ(ErcCmd({ 2, 18, 0 }, 5, rgb), 0);
        EXPECT_EQ(rgb[0], rc.dStored);
        EXPECT_EQ(DwAt(rgb + 1), rc.pStored);
    }
    /* tail clocks: at most 128 */
    for (uint32_t n : { 200u, 128u, 0u, 4u }) {
        ASSERT_EQ(ErcDw(19, { uint8_t(n & 1 ? 0 : 1) }, n, 4, rgb), 0);
        EXPECT_EQ(DwAt(rgb), n > 128 ? 128 : n);
        ASSERT_EQ(ErcCmd({ 2, 20, 0 }, 5, rgb), 0);
        EXPECT_EQ(DwAt(rgb), n > 128 ? 128 : n);
        EXPECT_EQ(rgb[4], n & 1 ? 0 : 1);
    }
    /* a new enable restores the defaults */
    ASSERT_EQ(ErcCmd({ 2, 1, 0 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 0, 0 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 18, 0 }, 5, rgb), 0);
    EXPECT_EQ(rgb[0], 1);
    EXPECT_EQ(DwAt(rgb + 1), 100u);
    ASSERT_EQ(ErcCmd({ 2, 20, 0 }, 5, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0u);
    ASSERT_EQ(ErcCmd({ 2, 16, 0 }, 2, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 2), BYTES({ 1, 0 }));
}

/* The toggle sequence clocks with TCK released (the chain does not move);
 * the level sequence's slots reach the chain on TMS in four-wire use. */
TEST_F(FtdifwJtagX, ToggleAndLevelSequencesGiveTheirSlots)
{
    EXPECT_EQ(ErcCmd({ 2, 21, 0, 3 }), 13);
    EXPECT_EQ(ErcCmd({ 2, 21, 0, 0 }), 26);
    for (uint8_t c : { 2, 6, 8, 20 }) {
        uint64_t cclk = SimValue("clocks");
        ASSERT_EQ(ErcCmd({ 2, 21, 0, c }), 0);
        EXPECT_EQ(SimValue("clocks") - cclk, uint64_t(c) + 2) << int(c);
        EXPECT_EQ(SzSimState(), "Test-Logic-Reset") << int(c);
        EXPECT_EQ(SimValue("lowdir") & 0x0F, 0x0Bu);
        EXPECT_EQ(BLow() & 0x01, 0x00);
    }
    /* level sequences on TMS, the expected slots written out: b + 4 slots, the
     * last three at the level, alternating before them, slot 0 repeating slot 1 */
    struct LVLCASE {
        const char *szStart;        /* TMS from Test-Logic-Reset before the sequence */
        uint8_t b, fLevel;
        const char *szSlots;
    } const rglc[] = {
        { "0", 0, 1, "1111" }, { "0", 1, 1, "00111" }, { "", 2, 0, "001000" }, { "", 5, 0, "110101000" },
        { "", 12, 1, "1101010101010111" },
    };
    for (const LVLCASE &lc : rglc) {
        Reset();
        ExpectSingle(JopTms(lc.szStart));
        uint64_t cclk = SimValue("clocks");
        ASSERT_EQ(ErcCmd({ 2, 22, 0, lc.b, lc.fLevel }), 0);
        EXPECT_EQ(SimValue("clocks") - cclk, uint64_t(lc.b) + 4);
        BYTES rgbIgnore;
        ModelRun(tap, JopTms(lc.szSlots), rgbIgnore);
        EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tap.tst)) << lc.szSlots;
        EXPECT_EQ((BLow() >> 3) & 1, lc.fLevel);
        if (tap.tst == tstDrShift || tap.tst == tstDrPause) {
            ExpectSingle(JopTms(tap.tst == tstDrPause ? "10" : ""));
            ExpectDrRead();
        }
    }
    /* in two-wire use the slots go out on the data line: it ends at the level */
    Reset();
    ASSERT_EQ(ErcCmd({ 2, 15, 0, 5, 0 }), 0);
    for (uint8_t fLevel : { 0, 1, 0 }) {
        uint64_t cclk = SimValue("clocks");
        ASSERT_EQ(ErcCmd({ 2, 22, 0, 9, fLevel }), 0);
        EXPECT_EQ(SimValue("clocks") - cclk, 13u);
        EXPECT_EQ((BLow() >> 1) & 1, fLevel);
    }
    ASSERT_EQ(ErcCmd({ 2, 15, 0, 1, 0 }), 0);
}

/* Port 0's pin table lists no general-purpose pin or control output. */
TEST_F(FtdifwJtagX, GeneralPurposePinCommandsOnAPortWithoutExtraPins)
{
    uint8_t rgb[8] = { 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE };
    ASSERT_EQ(ErcCmd({ 2, 26, 0 }, 8, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 8), BYTES(8, 0));
    ASSERT_EQ(ErcDw(27, {}, 0xFFFFFFFF, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0u);
    ASSERT_EQ(ErcCmd({ 2, 28, 0 }, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0u);
    ASSERT_EQ(ErcDw(29, {}, 0xFFFFFFFF), 0);
    ASSERT_EQ(ErcCmd({ 2, 30, 0 }, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0u);
    ASSERT_EQ(ErcCmd({ 2, 25, 0, 1, 1 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 31, 0, 0, 1 }), 0);
    /* the JTAG pins as enable left them, the chain untouched */
    EXPECT_EQ(BLow() & 0x0B, 0x08);
    EXPECT_EQ(SimValue("lowdir") & 0x0F, 0x0Bu);
    EXPECT_EQ(SimValue("high"), 0x80u);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
    ExpectSingle(JopTms("0100"));
    ExpectDrRead();
}

/* Random programs mixing waits and pin-table operations into shifts: the
 * batch gives what the same operations give one by one, and the model's TDO. */
TEST_F(FtdifwJtagX, RandomBatchProgramsWithTheNewOperationsGiveWhatSingleCommandsGive)
{
    std::mt19937 rng(97531);
    for (uint32_t freq : { 10000000u, 1000000u }) {
        SetTck(freq);
        uint32_t cbFlush = freq < 4000000 ? 4096 : 8192;
        std::vector<uint32_t> rgcbitBig;
        for (uint32_t cbit : { 8 * cbFlush, cbFlush })
            for (int d : { -1, 0, 1 })
                rgcbitBig.push_back(cbit + d);
        for (int iprog = 0; iprog < 4; iprog++) {
            Reset();
            std::vector<JOP> rgjop = RgjopRandom(rng, TAPMODEL(idcodeFpga), 10 + rng() % 30, rgcbitBig, false, true);
            SCOPED_TRACE("program " + std::to_string(iprog) + " at " + std::to_string(freq) + " Hz");
            ExpectBatchAsSingles(rgjop);
        }
    }
}

/* Operations 9 to 16 with arguments cut short, or naming a pin the port
 * lacks, end the batch with 13; a TDO buffer too small for a pin word too. */
TEST_F(FtdifwJtagX, MalformedNewBatchOperationsAreRefused)
{
    struct BADCASE {
        BYTES rgbOps;
        uint32_t cbTdo;
        int erc;
        uint32_t cbOut, cbIn;
    } const rgbc[] = {
        { { 9, 1, 0, 0 }, 0, 13, 1, 0 },                    /* wait: 3 of 4 count bytes */
        { { 12, 1, 2, 3 }, 0, 13, 1, 0 },
        { { 14 }, 0, 13, 1, 0 },
        { { 10, 0 }, 0, 13, 1, 0 },                         /* pins the table does not list */
        { { 16, 3 }, 0, 13, 1, 0 },
        { { 2, 11 }, 4, 13, 2, 1 },                         /* 1 + 4 TDO bytes, room for 4 */
        { { 15, 13 }, 7, 13, 2, 4 },
        { { 13, 9, 10, 0, 0, 0, 17 }, 4, 13, 7, 4 },        /* 17: no such operation */
    };
    for (const BADCASE &bc : rgbc) {
        BYTES rgbRcv(bc.cbTdo + 4, 0xEE);
        TRANS tr;
        int erc = ErcPhase(23, RgbLe({ uint32_t(bc.rgbOps.size()), bc.cbTdo }), bc.rgbOps, &rgbRcv, &tr);
        EXPECT_EQ(erc, bc.erc) << "op " << int(bc.rgbOps[0]);
        EXPECT_EQ(tr.cbOut, bc.cbOut) << "op " << int(bc.rgbOps[0]);
        if (bc.cbTdo > 0)
            EXPECT_EQ(tr.cbIn, bc.cbIn) << "op " << int(bc.rgbOps[0]);
        /* the port still answers in step */
        Reset();
        ExpectSingle(JopTms("0100"));
        ExpectDrRead();
    }
}

/* Every two-wire frame: TMS walks, TDI shifts with and without TDO, TDO
 * reads and pairs, at lengths up to past a step's budget, as the frame
 * allows them; TDO and the chain's state are the TAP model's. */
TEST_F(FtdifwJtagX, TwoWireShiftsInEveryFrameMatchTheTapModel)
{
    struct FRAMECASE {
        const char *szFrame;
        uint8_t fmt, opt, cbitReady;
        const char *szWait;
        uint32_t cclkTail;
        bool fTms, fCapture, fPairs;    /* the frame carries TMS, returns TDO, takes command 10 */
        bool fTdi;                      /* takes command 8 */
    } const rgfc[] = {
        { "ready5", 5, 0, 1, "0", 0, true, true, true, true },
        { "ready5", 5, 1, 2, "2", 3, true, true, true, true },
        { "ready5", 5, 0, 1, "1", 0, true, true, true, true },
        { "run2", 6, 0, 1, "0", 0, true, true, true, true },
        { "run2", 6, 1, 1, "1", 0, true, true, true, true },       /* 0, 1: the poll reads TDO alone */
        { "run2", 6, 0, 3, "2", 4, true, true, true, true },
        { "run2", 10, 0, 2, "1", 0, true, true, true, true },
        { "run1", 10, 1, 2, "3", 0, false, true, false, true },
        { "oscan", 7, 0, 1, "0", 0, true, true, true, true },
        { "oscan", 7, 1, 1, "0", 11, true, true, true, true },
        { "oscan", 8, 1, 1, "0", 0, true, true, true, true },
        { "oscan", 11, 0, 1, "0", 2, true, true, true, true },
        { "ntdi-tdo", 11, 1, 1, "0", 0, false, true, false, true },
        { "ntdi-x-tdo", 12, 1, 1, "0", 5, false, true, false, true },
        { "tms", 8, 0, 1, "0", 0, true, false, false, false },
        { "tms", 12, 0, 1, "0", 7, true, false, false, false },
        { "ntdi", 13, 1, 1, "0", 0, false, false, false, true },
        { "pairs", 9, 1, 1, "0", 0, true, false, true, true },
        { "pairs", 9, 1, 1, "0", 9, true, false, true, true },
    };
    std::mt19937 rng(2468);
    for (uint32_t freq : { 10000000u, 1000000u }) {
        SetTck(freq);
        for (const FRAMECASE &fc : rgfc) {
            SCOPED_TRACE(std::string(fc.szFrame) + " format " + std::to_string(fc.fmt) + " option " +
                         std::to_string(fc.opt) + " tail " + std::to_string(fc.cclkTail) + " at " +
                         std::to_string(freq) + " Hz");
            Reset();
            if (fc.fTms) {
                TwoWire(fc.szFrame, fc.fmt, fc.opt, fc.cbitReady, fc.szWait, fc.cclkTail);
                ExpectSingle(JopTms("0100"));
            } else {
                ExpectSingle(JopTms("0100"));
                TwoWire(fc.szFrame, fc.fmt, fc.opt, fc.cbitReady, fc.szWait, fc.cclkTail);
            }
            EXPECT_EQ(SzSimState(), "Shift-DR");
            /* in Shift-DR with TMS 0: data in, TDO out as the model says */
            /* write-only streams take up to 8 * 8192 bits a step: one shift goes past that */
            std::vector<uint32_t> rgn = { 1u, 7u, 32u, uint32_t(8 + rng() % 200), uint32_t(700 + rng() % 100) };
            if (!fc.fCapture)
                rgn.push_back(70000 + rng() % 100);
            for (uint32_t n : rgn) {
                if (!fc.fTdi)
                    break;
                JOP jop = JopRandom(rng, tap, fc.fCapture ? 6 : 5, n);
                jop.fTms = false;
                if (fc.fCapture) {
                    ExpectSingle(jop);
                } else {
                    BYTES rgbIgnore;
                    ModelRun(tap, jop, rgbIgnore);
                    ASSERT_EQ(ErcPhase(8, RgbArgs({ 0, 0 }, n), jop.rgbData, nullptr), 0) << n;
                }
                if (fc.fCapture) {
                    JOP jopRead = JopRandom(rng, tap, 7, n);
                    jopRead.fTms = false;
                    ExpectSingle(jopRead);
                }
            }
            if (fc.fPairs) {
                /* pairs that stay in Shift-DR, then out through Exit1 and Pause and back in */
                JOP jop = JopRandom(rng, tap, opPairs, 40);
                for (uint32_t k = 0; k < jop.n; k++)
                    jop.rgbData[k / 4] &= uint8_t(~(2u << (2 * (k % 4))));
                jop.rgbData[36 / 4] |= uint8_t(2u << (2 * (36 % 4)));
                jop.rgbData[38 / 4] |= uint8_t(2u << (2 * (38 % 4)));
                BYTES rgbWant(5, 0), rgbRcv(5, 0);
                for (uint32_t k = 0; k < jop.n; k++) {
                    bool fTdi = (jop.rgbData[k / 4] >> (2 * (k % 4))) & 1;
                    bool fTms = (jop.rgbData[k / 4] >> (2 * (k % 4) + 1)) & 1;
                    if (tap.FClock(fTms, fTdi))
                        rgbWant[k / 8] = uint8_t(rgbWant[k / 8] | (1u << (k % 8)));
                    tap.fTms = fTms;
                    tap.fTdi = fTdi;
                }
                ASSERT_EQ(ErcPhase(10, RgbArgs({ uint8_t(fc.fCapture) }, jop.n), jop.rgbData,
                                   fc.fCapture ? &rgbRcv : nullptr), 0);
                if (fc.fCapture)
                    EXPECT_TRUE(rgbRcv == rgbWant);
                EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tap.tst));
            }
            if (fc.fTms) {
                /* out of Shift-DR through Update-DR to Run-Test/Idle */
                ExpectSingle(JopTms("110"));
                EXPECT_EQ(SzSimState(), "Run-Test/Idle");
            }
            FourWire();
            /* the data register holds what went in last: read it back in four-wire use */
            if (!fc.fTms) {
                EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tap.tst));
                ExpectDrRead();
            }
        }
    }
}

/* Tail clocks follow every JTAG bit: alternating, the last three at the tail level. */
TEST_F(FtdifwJtagX, TailClocksEndEveryFrameAtTheirLevel)
{
    struct TAILCASE {
        uint32_t n;
        bool fHigh;
        const char *szTail;
    } const rgtc[] = {
        { 1, true, "1" }, { 3, false, "000" }, { 4, true, "0111" }, { 10, false, "1010101000" },
        { 11, true, "10101010111" }, { 16, true, "0101010101010111" },
    };
    for (const TAILCASE &tc : rgtc) {
        SCOPED_TRACE(tc.szTail);
        Reset();
        TwoWire("oscan", 7, 0, 1, "0", tc.n, tc.fHigh);
        ExpectSingle(JopTms("0100"));
        EXPECT_EQ(SzFrameSlots("tail"), tc.szTail) << tc.n;
        /* nTDI 1 (TDI 0) then TMS 0 */
        EXPECT_EQ(SzFrameSlots("host"), "10");
        FourWire();
        EXPECT_EQ(SzSimState(), "Shift-DR");
    }
    /* 128 tail clocks in one frame */
    Reset();
    TwoWire("tms", 13, 0, 1, "0", 128, true);
    ExpectSingle(JopTms("01"));
    std::string szTail = SzFrameSlots("tail");
    EXPECT_EQ(szTail.size(), 128u);
    EXPECT_EQ(szTail.substr(120), "01010111");
    FourWire();
    EXPECT_EQ(SzSimState(), "Select-DR-Scan");
}

/* A target that never reports ready: after the poll limit the phase ends with
 * the code of its directions, and the port stays usable. */
TEST_F(FtdifwJtagX, ATargetNeverReadyEndsThePhaseAfterThePollLimit)
{
    struct TOCASE {
        const char *szFrame;
        uint8_t fmt, opt, cmd, fCapture;
        int erc;
    } const rgtc[] = {
        { "ready5", 5, 0, 8, 1, 10 }, { "run2", 6, 0, 9, 1, 8 }, { "run2", 6, 0, 11, 0, 7 },
        { "run1", 10, 1, 8, 0, 7 },
    };
    for (const TOCASE &tc : rgtc) {
        Reset();
        TwoWire(tc.szFrame, tc.fmt, tc.opt, 2, "never", 0, false, 3);
        BYTES rgbData = { 0x5A, 0x01 }, rgbRcv(2, 0);
        BYTES rgbArg = tc.cmd == 9 ? RgbArgs({ 0, 0 }, 9) : RgbArgs({ tc.fCapture, 0 }, 9);
        TRANS tr;
        EXPECT_EQ(ErcPhase(tc.cmd, rgbArg, rgbData, tc.fCapture ? &rgbRcv : nullptr, &tr), tc.erc) << tc.szFrame;
        EXPECT_EQ(tr.cbOut + tr.cbIn, 0u);
        FourWire();
        Reset();
        ExpectSingle(JopTms("0100"));
        ExpectDrRead();
    }
}

/* Pad bytes stretch the slots made by hand: 7 before and 5 after the rising
 * edge at 1 MHz, 939 and 937 at 8 kHz (where a frame is longer than a step's
 * budget: a step still moves one bit), none at 10 MHz. */
TEST_F(FtdifwJtagX, PadBytesStretchTheSlotsMadeByHandAtLowClocks)
{
    uint64_t rgcb[3];
    int ifreq = 0;
    for (uint32_t freq : { 10000000u, 1000000u, 8000u }) {
        SetTck(freq);
        Reset();
        TwoWire("oscan", 7, 0, 1, "0", 0);
        uint64_t cb = SimValue("written");
        BYTES rgbTms = { 0x00 };
        ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 8), rgbTms, nullptr), 0);
        rgcb[ifreq++] = SimValue("written") - cb;
        FourWire();
    }
    EXPECT_EQ(rgcb[1] - rgcb[0], 8u * 12u);
    /* at 8 kHz one bit a step, each step closing with its own send-immediate */
    EXPECT_EQ(rgcb[2] - rgcb[0], 8u * (939u + 937u) + 7u);
    EXPECT_EQ(SzSimState(), "Run-Test/Idle");
}

/* A long two-wire stream cancelled while it runs: code 2, and the port is clean after it. */
TEST_F(FtdifwJtagX, ACancelledTwoWireStreamLeavesThePortClean)
{
    ExpectSingle(JopTms("0100"));
    TwoWire("tms", 13, 0, 1, "0", 128, true);
    BYTES rgbTms(4000000 / 8, 0);
    TRANS tr;
    tr.rgbCmd = { 2, 11, 0, 0, 0 };
    BYTES rgbN = RgbLe({ 4000000 });
    tr.rgbCmd.insert(tr.rgbCmd.end(), rgbN.begin(), rgbN.end());
    tr.pbSnd = rgbTms.data();
    tr.cbSnd = uint32_t(rgbTms.size());
    tr.cmdDone = 0x8B;
    ASSERT_TRUE(FStart(hif, tr));
    KorSleepMs(200);
    EXPECT_TRUE(TvxCancelTrans(hif));
    uint32_t cbOut = 0, cbIn = 0;
    EXPECT_FALSE(TvxGetTransResult(hif, &cbOut, &cbIn, 20000));
    EXPECT_EQ(TvxGetLastError(), 2);
    EXPECT_EQ(SzSimState(), "Shift-DR");
    FourWire();
    Reset();
    ExpectSingle(JopTms("0100"));
    ExpectDrRead();
}

/* Combinations without an engine answer 1 and send nothing; a TMS stream
 * with buffering on leaves its bytes queued until a flush. */
TEST_F(FtdifwJtagX, ShiftsWithoutAnEngineAnswerOneAndABufferedStreamWaitsForTheFlush)
{
    struct NOENGINE {
        uint8_t fmt, opt, cmd, fCapture;
    } const rgne[] = {
        { 10, 1, 10, 1 }, { 10, 1, 11, 0 }, { 11, 1, 10, 0 }, { 12, 1, 11, 0 }, { 13, 1, 10, 0 }, { 13, 1, 11, 0 },
        { 9, 0, 9, 1 }, { 9, 1, 9, 1 }, { 13, 0, 9, 1 }, { 13, 1, 9, 1 },
        { 8, 0, 8, 1 }, { 8, 0, 11, 1 }, { 9, 0, 10, 1 }, { 9, 1, 8, 1 }, { 9, 1, 11, 1 }, { 13, 1, 8, 1 },
    };
    ASSERT_TRUE(Sim().FCmd("FT2W ft60 A oscan 1 0 0"));
    for (const NOENGINE &ne : rgne) {
        ASSERT_EQ(ErcCmd({ 2, 15, 0, ne.fmt, ne.opt }), 0);
        uint64_t cb = SimValue("written");
        BYTES rgbData(4, 0x33), rgbRcv(4, 0);
        BYTES rgbArg = ne.cmd == 9 ? RgbArgs({ 0, 0 }, 9) : ne.cmd == 10 ? RgbArgs({ ne.fCapture }, 9)
                                                                         : RgbArgs({ ne.fCapture, 0 }, 9);
        EXPECT_EQ(ErcPhase(ne.cmd, rgbArg, rgbData, ne.fCapture ? &rgbRcv : nullptr), 1)
            << "format " << int(ne.fmt) << " option " << int(ne.opt) << " command " << int(ne.cmd);
        EXPECT_EQ(SimValue("written"), cb);
    }
    FourWire();
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");

    TwoWire("tms", 13, 0, 1, "0", 0);
    uint64_t cwrite = SimValue("writes");
    ASSERT_EQ(ErcCmd({ 2, 12, 0, 1 }), 0);
    ExpectSingle(JopTms("0100"));
    EXPECT_EQ(SimValue("writes"), cwrite);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
    ASSERT_EQ(ErcCmd({ 2, 14, 0 }), 0);
    EXPECT_EQ(SzSimState(), "Shift-DR");
    ASSERT_EQ(ErcCmd({ 2, 12, 0, 0 }), 0);
    FourWire();
    ExpectDrRead();
}

/* A batch wait longer than a second runs in steps of at most a second, the
 * clocks of each counted at the TCK frequency; the chain sees none of them. */
TEST_F(FtdifwJtagX, ABatchWaitOfSecondsRunsInStepsOfOneSecond)
{
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 0, 0, 0 }), 0);
    BYTES rgbOps = { 9 }, rgbTus = RgbLe({ 2500000 }), rgbNone;
    rgbOps.insert(rgbOps.end(), rgbTus.begin(), rgbTus.end());
    uint64_t cclk = SimValue("clocks");
    TRANS tr;
    ASSERT_EQ(ErcPhase(23, RgbLe({ uint32_t(rgbOps.size()), 0 }), rgbOps, nullptr, &tr), 0);
    EXPECT_EQ(tr.cbOut, 5u);
    /* 10 MHz: 10 * (10^6 - 1) twice, then 10 * (500000 - 1) */
    EXPECT_EQ(SimValue("clocks") - cclk, 2 * 9999990u + 4999990u);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
}

} // namespace
