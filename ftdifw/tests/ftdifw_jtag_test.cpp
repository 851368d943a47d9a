/*
 * ftdifw_jtag_test.cpp - the JTAG port of the 0x60 firmware library through
 * the runtime, on the simulated FT232H board whose MPSSE pins drive an FPGA:
 * the commands' answers, shifts of random lengths around every chunk limit
 * and random batch programs checked against the TAP model and against the
 * same operations sent one by one, broken batches, a cancelled batch, and a
 * second process that shares the interface.
 */
#include "dvt.h"
#include "fwinstall.h"
#include "fwtrans.h"
#include "jtagfix.h"
#include "jtagops.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "tvxutil.h"
#include "voziri.h"

#include "ambrel.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <random>
#include <string>
#include <vector>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "ftdifw", true);

namespace {

const char szFw60Stem[] = "FTDIFW_60_00000000_00000801_0118-";

/* Client codes of firmware status 48 and up. */
const int ercFwHigh = 3080;

class FtdifwJtagCmd : public JTAGFIX {
protected:
    static void SetUpTestSuite()
    {
        std::string szName = std::string(szFw60Stem) + SzFwWordSize() + ".dll";
        ASSERT_TRUE(FInstallFw(szName, szName));
    }
};

TEST_F(FtdifwJtagCmd, CommandsAnswerAsThePortPropertiesSay)
{
    uint8_t rgb[8] = {};
    ASSERT_EQ(ErcCmd({ 2, 2, 0, 5 }, 5, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 5), BYTES({ 0x01, 0x03, 0x00, 0x02, 0x80 }));
    EXPECT_EQ(ErcCmd({ 2, 2, 0, 3 }), 13);
    ASSERT_EQ(ErcCmd({ 2, 24, 0 }, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0u);
    struct CMDCASE {
        BYTES rgbCmd;
        int erc;
    };
    const CMDCASE rgcase[] = {
        { { 2, 24, 1 }, 12 },                       /* port before length */
        { { 2, 24, 0, 0 }, ercFwHigh },             /* 51 */
        { { 2, 13, 0, 0, 0, 0, 0 }, 1 },            /* wait: not offered */
        { { 2, 13, 0, 0, 0, 0 }, ercFwHigh },
        { { 2, 12, 0, 1 }, 1 },                     /* buffered mode, flush: not offered */
        { { 2, 14, 0 }, 1 },
        { { 2, 15, 0, 5, 0 }, 1 },                  /* two-wire commands: not offered */
        { { 2, 15, 0, 1, 0 }, 1 },
        { { 2, 16, 0 }, 1 },
        { { 2, 17, 0, 1, 0, 0, 0, 0, 0 }, 1 },
        { { 2, 18, 0 }, 1 },
        { { 2, 19, 0, 0, 0, 0, 0, 0 }, 1 },
        { { 2, 20, 0 }, 1 },
        { { 2, 21, 0, 0 }, 1 },
        { { 2, 22, 0, 0, 0 }, 1 },
        { { 2, 21, 0, 0, 0 }, ercFwHigh },
        { { 2, 25, 0, 0, 0 }, 1 },
        { { 2, 26, 0 }, 1 },
        { { 2, 28, 0 }, 1 },
        { { 2, 29, 0, 0, 0, 0, 0 }, 1 },
        { { 2, 30, 0 }, 1 },
        { { 2, 27, 0, 0, 0, 0, 0 }, 1 },            /* general-purpose pins: not offered */
        { { 2, 31, 0, 0, 0 }, 1 },
        { { 2, 5, 0, 1, 0 }, ercFwHigh },
        { { 2, 6, 1 }, 12 },
        { { 2, 4, 0, 0 }, ercFwHigh },
        { { 2, 32, 0 }, ercFwHigh },                /* unknown command: 50 */
    };
    for (const CMDCASE &cc : rgcase)
        EXPECT_EQ(ErcCmd(cc.rgbCmd), cc.erc) << "command " << int(cc.rgbCmd[1]) << " length " << cc.rgbCmd.size();
    /* TCK: 30 MHz at most, 8 kHz at least, otherwise the next frequency at or below. */
    const uint32_t rgfreq[][2] = { { 40000000, 30000000 }, { 1000, 8000 }, { 7000000, 6000000 }, { 1000000, 1000000 } };
    for (auto &pf : rgfreq) {
        BYTES rgbCmd = { 2, 3, 0 }, rgbF = RgbLe({ pf[0] });
        rgbCmd.insert(rgbCmd.end(), rgbF.begin(), rgbF.end());
        ASSERT_EQ(ErcCmd(rgbCmd, 4, rgb), 0);
        EXPECT_EQ(DwAt(rgb), pf[1]);
        ASSERT_EQ(ErcCmd({ 2, 4, 0 }, 4, rgb), 0);
        EXPECT_EQ(DwAt(rgb), pf[1]);
    }
    std::vector<std::string> rgsz;
    Sim().FCmd("FTDI ft60", &rgsz);
    /* Pins: as enable left them, then as set (TDO released in Test-Logic-Reset). */
    ASSERT_EQ(ErcCmd({ 2, 6, 0 }, 4, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 4), BYTES({ 1, 0, 1, 0 }));
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 0, 7, 0 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 6, 0 }, 4, rgb), 0);
    EXPECT_EQ(BYTES(rgb, rgb + 4), BYTES({ 0, 1, 1, 0 }));
    /* A TCK pulse by hand with TMS 0 leaves Test-Logic-Reset. */
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 0, 0, 1 }), 0);
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 0, 0, 0 }), 0);
    EXPECT_EQ(SzSimState(), "Run-Test/Idle");
    /* Clocks with TMS 1 go back. */
    BYTES rgbNone;
    TRANS tr;
    ASSERT_EQ(ErcPhase(7, RgbArgs({ 1, 0 }, 100000), rgbNone, nullptr, &tr), 0);
    EXPECT_EQ(tr.cbOut, 100000u);
    EXPECT_EQ(SzSimState(), "Test-Logic-Reset");
}

/* Every single-command engine, at lengths around its chunk limits and the
 * flush thresholds, at 10 MHz and at 1 MHz: TDO and the end state are the
 * TAP model's. */
TEST_F(FtdifwJtagCmd, ShiftsOfRandomLengthsAroundEveryLimitMatchTheTapModel)
{
    std::mt19937 rng(1234);
    const uint32_t rgcbitLimit[] = { 8, 4096 * 8, 8192 * 8, 7 * 20000, 20000, 8 * 60000 };
    for (uint32_t freq : { 10000000u, 1000000u }) {
        BYTES rgbCmd = { 2, 3, 0 }, rgbF = RgbLe({ freq }), rgbNone;
        rgbCmd.insert(rgbCmd.end(), rgbF.begin(), rgbF.end());
        ASSERT_EQ(ErcCmd(rgbCmd), 0);
        for (uint8_t op : { uint8_t(3), uint8_t(4), uint8_t(5), uint8_t(6), uint8_t(7), uint8_t(8), uint8_t(opPairs) }) {
            std::vector<uint32_t> rgn = { 1, 7, 9, uint32_t(1 + rng() % 100) };
            for (uint32_t cbit : rgcbitLimit)
                if (freq == 10000000u || cbit < 65536)
                    for (int d : { -1, 0, 1 })
                        rgn.push_back(cbit + d);
            for (uint32_t n : rgn) {
                if (op == opPairs && n > 100000)
                    continue;
                Reset();
                /* into Shift-DR: the IDCODE comes first, then what went in */
                std::vector<JOP> rgjop = { JopTms("0100") };
                TAPMODEL tapWalk(idcodeFpga);
                BYTES rgbIgnore;
                ModelRun(tapWalk, rgjop[0], rgbIgnore);
                rgjop.push_back(JopRandom(rng, tapWalk, op, n));
                BYTES rgbWant, rgbGot;
                for (const JOP &jop : rgjop) {
                    TAPMODEL tapBefore = tap;
                    ModelRun(tap, jop, rgbWant);
                    ASSERT_EQ(ErcSingle(jop, tapBefore, rgbGot), 0) << "op " << int(op) << " n " << n;
                }
                ASSERT_EQ(rgbGot.size(), rgbWant.size());
                size_t ibBad = 0;
                while (ibBad < rgbGot.size() && rgbGot[ibBad] == rgbWant[ibBad])
                    ibBad++;
                EXPECT_EQ(ibBad, rgbGot.size()) << "op " << int(op) << " n " << n << " at " << freq << " Hz";
                EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tap.tst)) << "op " << int(op) << " n " << n;
            }
        }
    }
}

TEST_F(FtdifwJtagCmd, RandomBatchProgramsGiveWhatTheSameOperationsGiveOneByOne)
{
    std::mt19937 rng(4321);
    for (uint32_t freq : { 10000000u, 1000000u }) {
        BYTES rgbCmd = { 2, 3, 0 }, rgbF = RgbLe({ freq });
        rgbCmd.insert(rgbCmd.end(), rgbF.begin(), rgbF.end());
        ASSERT_EQ(ErcCmd(rgbCmd), 0);
        uint32_t cbFlush = freq < 4000000 ? 4096 : 8192;
        /* around the batch's step budgets: data shifts, TMS shifts, TMS shifts with capture */
        std::vector<uint32_t> rgcbitBig;
        for (uint32_t cbit : { 8 * cbFlush, 8 * ((cbFlush / 3 * 7) / 8), 8 * ((cbFlush / 4 * 4) / 8), cbFlush })
            for (int d : { -1, 0, 1 })
                rgcbitBig.push_back(cbit + d);
        for (int iprog = 0; iprog < 12; iprog++) {
            Reset();
            std::vector<JOP> rgjop = RgjopRandom(rng, TAPMODEL(idcodeFpga), 5 + rng() % 40, rgcbitBig, false);
            SCOPED_TRACE("program " + std::to_string(iprog) + " at " + std::to_string(freq) + " Hz");
            ExpectBatchAsSingles(rgjop);
        }
    }
}

TEST_F(FtdifwJtagCmd, BrokenBatchProgramsEndWithTheirCodeAndLaterReadsStayAligned)
{
    JOP jopRead;
    jopRead.op = 7;
    jopRead.n = 16;
    BYTES rgbOpsRead;
    AppendBatch(JopTms("0100"), rgbOpsRead);
    AppendBatch(jopRead, rgbOpsRead);
    struct BADCASE {
        const char *sz;
        BYTES rgbTail;          /* after the walk into Shift-DR and a 16-bit read */
        uint32_t cbTdoExtra;
        int erc;
    };
    const BADCASE rgcase[] = {
        { "operation 0", { 0 }, 0, 13 },
        { "operation 17", { 17 }, 0, 13 },
        { "operation 9 (batch property bit 0 clear)", { 9, 1, 0, 0, 0 }, 0, 32 },
        { "operation 10 (batch property bit 1 clear)", { 10, 0 }, 0, 32 },
        { "operation 13 (batch property bit 2 clear)", { 13 }, 0, 32 },
        { "operation 16 (batch property bit 3 clear)", { 16, 0 }, 0, 32 },
        { "TDI shift whose data ends early", { 5, 20, 0, 0, 0, 0, 0xAA, 0x55 }, 0, 13 },
        { "TDI capture of 0 bits with an exit bit", { 6, 0, 0, 0, 0, 1 }, 0, 13 },
        { "TDO capture with its count cut", { 7, 8, 0 }, 0, 13 },
        { "more TDO than the receive buffer takes", { 7, 8, 0, 0, 0, 0 }, 0, 13 },
    };
    for (const BADCASE &bc : rgcase) {
        Reset();
        BYTES rgbOps = rgbOpsRead;
        rgbOps.insert(rgbOps.end(), bc.rgbTail.begin(), bc.rgbTail.end());
        bool fTooSmall = bc.rgbTail.size() == 6 && bc.rgbTail[0] == 7;
        uint32_t cbTdo = 2 + (fTooSmall ? 1 : 0);
        BYTES rgbTdo(2, 0);
        TRANS tr;
        EXPECT_EQ(ErcPhase(23, RgbLe({ uint32_t(rgbOps.size()), cbTdo }), rgbOps, &rgbTdo, &tr), bc.erc) << bc.sz;
        /* The chip owes nothing: an IDCODE read from a fresh Capture-DR comes out whole. */
        Reset();
        BYTES rgbWalk = { 0x02 }, rgbId(4, 0);
        ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 3), rgbWalk, nullptr), 0);
        ASSERT_EQ(ErcPhase(9, RgbArgs({ 0, 0 }, 32), BYTES(), &rgbId), 0);
        EXPECT_EQ(DwAt(rgbId.data()), idcodeFpga) << "after " << bc.sz;
    }
    /* One read-pins operation: one stream byte, one TDO byte (TMS 1, TDO released). */
    Reset();
    BYTES rgbOps = { 2 }, rgbTdo(1, 0);
    TRANS tr;
    ASSERT_EQ(ErcPhase(23, RgbLe({ 1, 1 }), rgbOps, &rgbTdo, &tr), 0);
    EXPECT_EQ(tr.cbOut, 1u);
    EXPECT_EQ(tr.cbIn, 1u);
    EXPECT_EQ(rgbTdo[0], 0x0A);
}

TEST_F(FtdifwJtagCmd, ACancelledBatchEndsWithCodeTwoAndTheNextCommandsAreClean)
{
    /* A long clock run behind a pending TDO read; cancelled while it runs. */
    JOP jopRead;
    jopRead.op = 7;
    jopRead.n = 12;
    JOP jopClock;
    jopClock.op = 8;
    jopClock.n = 0x7FFFFFFF;
    std::vector<JOP> rgjop = { JopTms("0100"), jopRead, jopClock };
    BYTES rgbOps;
    for (const JOP &jop : rgjop)
        AppendBatch(jop, rgbOps);
    BYTES rgbTdo(2, 0);
    TRANS tr;
    tr.rgbCmd = { 2, 23, 0 };
    BYTES rgbArgs = RgbLe({ uint32_t(rgbOps.size()), 2 });
    tr.rgbCmd.insert(tr.rgbCmd.end(), rgbArgs.begin(), rgbArgs.end());
    tr.pbSnd = rgbOps.data();
    tr.cbSnd = uint32_t(rgbOps.size());
    tr.pbRcv = rgbTdo.data();
    tr.cbRcv = 2;
    tr.cmdDone = 0x97;
    ASSERT_TRUE(FStart(hif, tr));
    KorSleepMs(200);
    EXPECT_TRUE(TvxCancelTrans(hif));
    uint32_t cbOut = 0, cbIn = 0;
    EXPECT_FALSE(TvxGetTransResult(hif, &cbOut, &cbIn, 20000));
    EXPECT_EQ(TvxGetLastError(), 2);
    /* The pending read was collected: the TDO bytes are the IDCODE's low 12 bits. */
    uint8_t rgb[4] = {};
    ASSERT_EQ(ErcCmd({ 2, 6, 0 }, 4, rgb), 0);
    EXPECT_EQ(rgb[0], 0);       /* TMS 0: still clocking in Shift-DR */
    Reset();
    BYTES rgbWalk = { 0x02 }, rgbId(4, 0);
    ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 3), rgbWalk, nullptr), 0);
    ASSERT_EQ(ErcPhase(9, RgbArgs({ 0, 0 }, 32), BYTES(), &rgbId), 0);
    EXPECT_EQ(DwAt(rgbId.data()), idcodeFpga);
}

/* The 0x60 library loaded directly, as the runtime does (same file: same instance). */
struct AMBREL {
    PFNFTDCONNECT pfnConnect = nullptr;
    PFNFTDDISCONNECT pfnDisconnect = nullptr;
    PFNFTDSENDCMD pfnSendCmd = nullptr;
    PFNFTDREADCMDSTS pfnReadCmdSts = nullptr;
    bool FLoad()
    {
        std::string szPath = std::string(getenv("YORL_FWDIR")) + szFw60Stem + SzFwWordSize() + ".dll";
#if defined(_WIN32)
        void *hmod = (void *)LoadLibraryA(szPath.c_str());
        auto proc = [&](const char *sz) { return (void *)GetProcAddress((HMODULE)hmod, sz); };
#else
        void *hmod = dlopen(szPath.c_str(), RTLD_NOW);
        auto proc = [&](const char *sz) { return dlsym(hmod, sz); };
#endif
        if (hmod == nullptr)
            return false;
        pfnConnect = (PFNFTDCONNECT)proc("FtdConnect");
        pfnDisconnect = (PFNFTDDISCONNECT)proc("FtdDisconnect");
        pfnSendCmd = (PFNFTDSENDCMD)proc("FtdSendCmd");
        pfnReadCmdSts = (PFNFTDREADCMDSTS)proc("FtdReadCmdSts");
        return pfnConnect && pfnDisconnect && pfnSendCmd && pfnReadCmdSts;
    }
    /* One command: its status code, or -1 when the library refused it. */
    int Sts(int hif, BYTES rgbCmd)
    {
        rgbCmd.insert(rgbCmd.begin(), uint8_t(rgbCmd.size()));
        uint8_t rgb[64] = {}, cb = 0;
        if (!pfnSendCmd(hif, rgbCmd.data(), uint8_t(rgbCmd.size()), &cb, 2000) ||
            !pfnReadCmdSts(hif, rgb, sizeof(rgb), &cb, 10000))
            return -1;
        return rgb[1] & 0x3F;
    }
};

/* A second process on the same interface: it sees the port enabled, cannot
 * take its channel, and its disable leaves the first process's port alone. */
KOR_CHILD_ROLE(jtagneighbour)
{
    (void)argc;
    (void)argv;
    AMBREL ambrel;
    int hif = -1;
    if (!ambrel.FLoad() || !ambrel.pfnConnect("210183F60001", &hif))
        return 10;
    int rgsts[4] = {
        ambrel.Sts(hif, { 2, 0, 0 }),                        /* enable: the channel is taken */
        ambrel.Sts(hif, { 2, 6, 0 }),                        /* get pins: no channel here */
        ambrel.Sts(hif, { 2, 1, 0 }),                        /* disable: nothing of ours */
        ambrel.Sts(hif, { 2, 4, 0 }),                        /* the port bit is still set */
    };
    ambrel.pfnDisconnect(&hif);
    printf("child statuses %d %d %d %d\n", rgsts[0], rgsts[1], rgsts[2], rgsts[3]);
    return rgsts[0] == 3 && rgsts[1] == 26 && rgsts[2] == 0 && rgsts[3] == 0 ? 0 : 1;
}

TEST_F(FtdifwJtagCmd, ADisableFromAnotherProcessLeavesThisProcessesPortWorking)
{
    KorChild child;
    ASSERT_TRUE(child.Start("jtagneighbour"));
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    EXPECT_EQ(code, 0);
    BYTES rgbWalk = { 0x02 }, rgbId(4, 0);
    ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 3), rgbWalk, nullptr), 0);
    ASSERT_EQ(ErcPhase(9, RgbArgs({ 0, 0 }, 32), BYTES(), &rgbId), 0);
    EXPECT_EQ(DwAt(rgbId.data()), idcodeFpga);
}

} // namespace
