// test_fwcore.cpp - command, status and data endpoints: the system protocol,
// data phases, the JTAG, stream, register and board-management protocols.

#include "simfixture.h"

#include "boardproto.h"

using namespace usbwire;

namespace {

using BYTES = std::vector<uint8_t>;

class FwTest : public SIMTEST {
protected:
    void SetUp() override
    {
        SIMTEST::SetUp();
        OpenBoard(host, "alpha");
        ASSERT_EQ(host.Claim(), stsOk);
    }

    // A data phase: command, bytes both ways at once, completion; returns
    // the final status and the bytes received.
    BYTES Phase(const BYTES &rgbCmd, const BYTES &rgbOut, uint32_t cbIn, BYTES *prgbIn)
    {
        BYTES rgbSts = host.Command(rgbCmd);
        EXPECT_EQ(rgbSts, (BYTES{ 1, 0 }));
        uint32_t tagOut = rgbOut.empty() ? 0 : host.Submit(epDataOut, uint32_t(rgbOut.size()), rgbOut);
        uint32_t tagIn = cbIn == 0 ? 0 : host.Submit(epDataIn, cbIn);
        if (tagOut) {
            WXFER xfer = host.Wait(tagOut);
            EXPECT_EQ(xfer.sts, stsOk);
            EXPECT_EQ(xfer.cb, rgbOut.size());
        }
        if (tagIn) {
            WXFER xfer = host.Wait(tagIn);
            EXPECT_EQ(xfer.sts, stsOk);
            if (prgbIn)
                *prgbIn = xfer.rgb;
        }
        BYTES rgbDone = rgbCmd;
        rgbDone.resize(4);
        rgbDone[0] = 3;
        rgbDone[2] |= 0x80;
        return host.Command(rgbDone);
    }
};

struct CMDCASE {
    const char *szWhat;
    BYTES rgbCmd;
    BYTES rgbSts;
};

TEST_F(FwTest, CommandChecksAndSystemProtocol)
{
    const CMDCASE rgcase[] = {
        { "transaction reset 0x10", { 7, 0, 3, 0, 0x10, 0, 0, 0 }, { 5, 0, 0x6A, 0, 0, 0 } },
        { "transaction reset 0x100", { 7, 0, 3, 0, 0, 1, 0, 0 }, { 5, 0, 0x7A, 0xFF, 0xFF, 0xFF } },
        { "transaction reset 0x7A", { 7, 0, 3, 0, 0x7A, 0, 0, 0 }, { 5, 0, 0, 0, 0, 0 } },
        { "length byte too large", { 4, 0, 3, 0 }, { 1, 51 } },
        { "length byte below 2", { 1, 0 }, { 1, 51 } },
        { "unknown protocol", { 3, 5, 0, 0 }, { 1, 49 } },
        { "unknown system command", { 3, 0, 1, 0 }, { 1, 50 } },
        { "protocol 1 port count", { 4, 1, 2, 0, 5 }, { 5, 0, 0, 0, 0, 0 } },
        { "protocol 1 command 3", { 3, 1, 3, 0 }, { 1, 1 } },
        { "JTAG port properties", { 4, 2, 2, 0, 5 }, { 6, 0, 1, 3, 0, 2, 0 } },
        { "JTAG port count only", { 4, 2, 2, 0, 1 }, { 2, 0, 1 } },
        { "JTAG properties, bad n", { 4, 2, 2, 0, 3 }, { 1, 13 } },
        { "JTAG not enabled", { 3, 2, 4, 0 }, { 1, 4 } },
        { "JTAG port 1", { 3, 2, 0, 1 }, { 1, 12 } },
        { "JTAG command 40", { 3, 2, 40, 0 }, { 1, 50 } },
        { "stream properties, n capped", { 4, 11, 2, 0, 200 }, { 10, 0, 2, 1, 0, 0, 0, 2, 0, 0, 0 } },
        { "stream port 2", { 3, 11, 0, 2 }, { 1, 12 } },
        { "register port count", { 4, 3, 2, 0, 1 }, { 2, 0, 1 } },
        { "board management not enabled", { 3, 4, 4, 0 }, { 1, 4 } },
    };
    for (const CMDCASE &cc : rgcase)
        EXPECT_EQ(SzHexOf(host.Command(cc.rgbCmd)), SzHexOf(cc.rgbSts)) << cc.szWhat;
}

TEST_F(FwTest, AbortWhileIdleHasNoStatus)
{
    ASSERT_EQ(host.WriteCmd({ 3, 0, 2, 0 }), stsOk);
    uint32_t tag = host.Submit(epSts, 64);
    EXPECT_FALSE(host.FDone(tag));
    EXPECT_EQ(host.Cancel(epSts), stsOk);
    WXFER xfer = host.Wait(tag);
    EXPECT_EQ(xfer.sts, stsCancelled);
    EXPECT_EQ(xfer.cb, 0u);
    EXPECT_EQ(host.Command({ 3, 1, 3, 0 }), (BYTES{ 1, 1 }));
}

TEST_F(FwTest, StreamLoopbackBothWaysAtOnce)
{
    EXPECT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    BYTES rgbOut(5000);
    for (size_t i = 0; i < rgbOut.size(); i++)
        rgbOut[i] = uint8_t(i * 13 + 1);
    BYTES rgbIn;
    BYTES rgbCmd = { 11, 11, 3, 0 };
    for (uint8_t b : RgbU32(5000)) rgbCmd.push_back(b);
    for (uint8_t b : RgbU32(5000)) rgbCmd.push_back(b);
    EXPECT_EQ(SzHexOf(Phase(rgbCmd, rgbOut, 5000, &rgbIn)), "09C08813000088130000");
    EXPECT_EQ(rgbIn, rgbOut);
    EXPECT_EQ(simctl.SzLine("SINK alpha"), SzHexOf(rgbOut));
    EXPECT_EQ(simctl.SzState("alpha", "phase"), "idle");
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("LOG alpha", &rgsz));
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "PHASE apt=11 cmd=3 out=5000 in=5000 sts=0"), rgsz.end());
}

TEST_F(FwTest, LargestTransfersOfADataPhase)
{
    // 0x2000001 bytes out go as one transfer of 0x2000000 bytes and one of 1;
    // the same bytes come back in two reads.
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    BYTES rgbCmd = { 11, 11, 3, 0, 1, 0, 0, 2, 1, 0, 0, 2 };
    ASSERT_EQ(host.Command(rgbCmd), (BYTES{ 1, 0 }));
    BYTES rgbOut(0x2000000);
    for (size_t i = 0; i < rgbOut.size(); i++)
        rgbOut[i] = uint8_t(i >> 12);
    uint32_t tagIn = host.Submit(epDataIn, 0x2000000);
    WXFER xfer = host.Wait(host.Submit(epDataOut, 0x2000000, rgbOut));
    EXPECT_EQ(xfer.sts, stsOk);
    EXPECT_EQ(xfer.cb, 0x2000000u);
    xfer = host.Wait(tagIn);
    EXPECT_EQ(xfer.cb, 0x2000000u);
    EXPECT_TRUE(xfer.rgb == rgbOut);
    tagIn = host.Submit(epDataIn, 1);
    EXPECT_EQ(host.Wait(host.Submit(epDataOut, 1, { 0xEE })).cb, 1u);
    EXPECT_EQ(host.Wait(tagIn).rgb, BYTES{ 0xEE });
    EXPECT_EQ(host.Command({ 3, 11, 0x83, 0 }), (BYTES{ 9, 0xC0, 1, 0, 0, 2, 1, 0, 0, 2 }));
}

TEST_F(FwTest, StreamCommandsCheckTheirLength)
{
    EXPECT_EQ(host.Command({ 3, 11, 5, 0 }), (BYTES{ 1, 4 }));      // not enabled
    EXPECT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 4, 11, 5, 0, 0 }), (BYTES{ 1, 51 }));
    EXPECT_EQ(host.Command({ 11, 11, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0 }), (BYTES{ 1, 51 }));    // nothing to move
    EXPECT_EQ(host.Command({ 11, 11, 7, 0, 0, 0, 0, 0, 100, 0, 0, 0 }),
              (BYTES{ 9, 0, 0xD0, 0x07, 0, 0, 100, 0, 0, 0 }));
    EXPECT_EQ(host.Command({ 3, 11, 5, 0 }), (BYTES{ 9, 0, 0, 0, 1, 0, 0, 0, 1, 0 }));
    EXPECT_EQ(host.Command({ 3, 11, 1, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(simctl.SzState("alpha", "streamports"), "00");
}

TEST_F(FwTest, AbortDuringAPhaseReportsWhatMoved)
{
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_TRUE(simctl.FCmd("FAULT alpha stall 50"));
    BYTES rgbCmd = { 11, 11, 3, 0, 100, 0, 0, 0, 0, 0, 0, 0 };
    ASSERT_EQ(host.Command(rgbCmd), (BYTES{ 1, 0 }));
    uint32_t tag = host.Submit(epDataOut, 100, BYTES(100, 0x5A));
    EXPECT_FALSE(host.FDone(tag));
    ASSERT_EQ(host.WriteCmd({ 3, 0, 2, 0 }), stsOk);       // abort: no status of its own
    EXPECT_EQ(host.Cancel(epDataOut), stsOk);
    WXFER xfer = host.Wait(tag);
    EXPECT_EQ(xfer.sts, stsCancelled);
    EXPECT_EQ(xfer.cb, 50u);
    EXPECT_EQ(host.Command({ 3, 11, 0x83, 0 }), (BYTES{ 5, 0x82, 50, 0, 0, 0 }));
    // The fault served one phase; the next one moves everything.
    EXPECT_EQ(SzHexOf(Phase(rgbCmd, BYTES(100, 1), 0, nullptr)), "058064000000");
}

TEST_F(FwTest, CompletionBeforeTheDataIsAnsweredWhenTheWorkIsDone)
{
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Command({ 11, 11, 3, 0, 4, 0, 0, 0, 0, 0, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.WriteCmd({ 3, 11, 0x83, 0 }), stsOk);
    uint32_t tagSts = host.Submit(epSts, 64);
    EXPECT_FALSE(host.FDone(tagSts));
    EXPECT_EQ(host.Wait(host.Submit(epDataOut, 4, { 1, 2, 3, 4 })).cb, 4u);
    EXPECT_EQ(host.Wait(tagSts).rgb, (BYTES{ 5, 0x80, 4, 0, 0, 0 }));
}

TEST_F(FwTest, AnotherCommandEndsThePhaseWithCode50)
{
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Command({ 11, 11, 3, 0, 0, 0, 0, 0, 8, 0, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 3, 11, 5, 0 }), (BYTES{ 5, 0x40 | 50, 0, 0, 0, 0 }));
    EXPECT_EQ(simctl.SzState("alpha", "phase"), "idle");
}

TEST_F(FwTest, JtagReadsTheIdcodesOfTheChain)
{
    ASSERT_EQ(host.Command({ 3, 2, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 3, 2, 4, 0 }), (BYTES{ 5, 0, 0x80, 0x96, 0x98, 0 }));     // 10 MHz
    EXPECT_EQ(host.Command({ 7, 2, 3, 0, 0x40, 0x78, 0x7D, 0x01 }), (BYTES{ 5, 0, 0x40, 0x78, 0x7D, 0x01 }));
    EXPECT_EQ(host.Command({ 4, 2, 3, 0, 0 }), (BYTES{ 1, 51 }));
    EXPECT_EQ(host.Command({ 3, 2, 12, 0 }), (BYTES{ 1, 51 }));      // gated command, wrong length
    EXPECT_EQ(host.Command({ 4, 2, 12, 0, 1 }), (BYTES{ 1, 1 }));    // not offered

    // TMS 1 1 1 1 1 0 1 0: Test-Logic-Reset, Run-Test/Idle, Select-DR, Capture-DR.
    EXPECT_EQ(SzHexOf(Phase({ 9, 2, 11, 0, 0, 0, 8, 0, 0, 0 }, { 0x5F }, 0, nullptr)), "058008000000");
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("TAP alpha", &rgsz));
    EXPECT_EQ(rgsz[0], "state Capture-DR");
    // 64 bits with TMS 0 and capture: the first clock leaves Capture-DR.
    BYTES rgbTdo;
    EXPECT_EQ(SzHexOf(Phase({ 9, 2, 8, 0, 1, 0, 64, 0, 0, 0 }, BYTES(8, 0xFF), 8, &rgbTdo)),
              "09C04000000040000000");
    EXPECT_EQ(SzHexOf(rgbTdo), "9320C20193500405");
    ASSERT_TRUE(simctl.FCmd("TAP alpha", &rgsz));
    EXPECT_EQ(rgsz[0], "state Shift-DR");
    EXPECT_NE(rgsz[2].find("XC3S500E idcode=0x01C22093"), std::string::npos);
}

TEST_F(FwTest, JtagPairsAndReadTdo)
{
    ASSERT_EQ(host.Command({ 3, 2, 0, 0 }), (BYTES{ 1, 0 }));
    // Pairs (TMS, TDI): five resets, idle, select-DR, capture-DR as TMS/TDI
    // pairs, 4 per byte: TMS in the upper bit of each pair.
    BYTES rgbPairs = { 0xAA, 0x22 };      // TMS 1 1 1 1 | 1 0 1 0, TDI 0
    EXPECT_EQ(SzHexOf(Phase({ 8, 2, 10, 0, 0, 8, 0, 0, 0 }, rgbPairs, 0,
                            nullptr)),
              "058008000000");
    BYTES rgbTdo;
    // Read 40 TDO bits with TMS 0 TDI 1: device 0's IDCODE, then device 1's low byte.
    EXPECT_EQ(SzHexOf(Phase({ 9, 2, 9, 0, 0, 1, 40, 0, 0, 0 }, {}, 5, &rgbTdo)), "054028000000");
    EXPECT_EQ(SzHexOf(rgbTdo), "9320C20193");
}

TEST_F(FwTest, JtagBatchRunsAnOperationStream)
{
    ASSERT_EQ(host.Command({ 3, 2, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 3, 2, 24, 0 }), (BYTES{ 5, 0, 0, 0, 0, 0 }));
    BYTES rgbOps = { 3, 8, 0, 0, 0, 0x5F,                        // TMS to Capture-DR
                     6, 64, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // 64 bits, TMS stays 0
                     2 };                                          // read pins
    BYTES rgbCmd = { 11, 2, 23, 0, uint8_t(rgbOps.size()), 0, 0, 0, 9, 0, 0, 0 };
    BYTES rgbTdo;
    EXPECT_EQ(SzHexOf(Phase(rgbCmd, rgbOps, 9, &rgbTdo)), "09C01500000009000000");
    // Both IDCODEs, then the pins: TMS 0, TDI 1, TDO 0, TCK 0.
    EXPECT_EQ(SzHexOf(rgbTdo), "9320C2019350040504");
}

// A long shift in Shift-DR (the chain's fast path): the two IDCODEs come
// out first, then the TDI bits once they passed both registers.
TEST_F(FwTest, JtagBatchLongShiftComesBackBehindTheIdcodes)
{
    ASSERT_EQ(host.Command({ 3, 2, 0, 0 }), (BYTES{ 1, 0 }));
    const uint32_t cbit = 200;
    BYTES rgbTdi(cbit / 8);
    for (size_t ib = 0; ib < rgbTdi.size(); ib++)
        rgbTdi[ib] = uint8_t(0x3C ^ (ib * 37));
    BYTES rgbOps = { 3, 8, 0, 0, 0, 0x5F,            // TMS to Capture-DR
                     6, 1, 0, 0, 0, 0, 0x01 };       // one bit (TDI 1) leaves Capture-DR
    BYTES rgbHead = { 6, uint8_t(cbit), 0, 0, 0, 0 };  // the long run, TMS stays 0
    rgbOps.insert(rgbOps.end(), rgbHead.begin(), rgbHead.end());
    rgbOps.insert(rgbOps.end(), rgbTdi.begin(), rgbTdi.end());
    const uint32_t cbTdo = 1 + cbit / 8;
    BYTES rgbCmd = { 11, 2, 23, 0, uint8_t(rgbOps.size()), 0, 0, 0, uint8_t(cbTdo), 0, 0, 0 };
    BYTES rgbTdo;
    Phase(rgbCmd, rgbOps, cbTdo, &rgbTdo);
    ASSERT_EQ(rgbTdo.size(), size_t(cbTdo));
    // clock k's TDO: bit k of the two IDCODEs, then the TDI of clock k - 63
    // (the clock that leaves Capture-DR captures and shifts nothing in)
    std::vector<int> rgbitIn;
    for (uint32_t i = 0; i < cbit; i++)
        rgbitIn.push_back((rgbTdi[i / 8] >> (i % 8)) & 1);
    const uint64_t idcodes = 0x0504509301C22093ull;
    EXPECT_EQ(rgbTdo[0] & 1, int(idcodes & 1));
    for (uint32_t k = 1; k <= cbit; k++) {
        int fWant = k < 64 ? int((idcodes >> k) & 1) : rgbitIn[k - 64];
        EXPECT_EQ((rgbTdo[1 + (k - 1) / 8] >> ((k - 1) % 8)) & 1, fWant) << "clock " << k;
    }
}

TEST_F(FwTest, JtagBatchFailuresEndThePhase)
{
    ASSERT_EQ(host.Command({ 3, 2, 0, 0 }), (BYTES{ 1, 0 }));
    struct { BYTES rgbOps; uint32_t cbTdo; uint8_t sts; uint32_t cbOpsDone; } rgfail[] = {
        { { 0 }, 4, 13, 0 },                        // unassigned operation
        { { 8, 1, 0, 0, 0, 17 }, 4, 13, 5 },        // a clock run, then operation 17
        { { 9, 0, 0, 0, 0 }, 0, 32, 0 },            // needs a batch property bit
        { { 2 }, 0, 13, 0 },                        // TDO with no room for it
        { { 3, 9, 0, 0, 0, 0xFF }, 0, 13, 0 },      // stream ends inside the operation
    };
    for (auto &fail : rgfail) {
        BYTES rgbCmd = { 11, 2, 23, 0, uint8_t(fail.rgbOps.size()), 0, 0, 0, uint8_t(fail.cbTdo), 0, 0, 0 };
        ASSERT_EQ(host.Command(rgbCmd), (BYTES{ 1, 0 }));
        uint32_t tagIn = fail.cbTdo ? host.Submit(epDataIn, fail.cbTdo) : 0;
        EXPECT_EQ(host.Wait(host.Submit(epDataOut, uint32_t(fail.rgbOps.size()), fail.rgbOps)).sts, stsOk);
        if (tagIn) {
            WXFER xfer = host.Wait(tagIn);      // ends short: the device has nothing more
            EXPECT_EQ(xfer.sts, stsOk);
            EXPECT_EQ(xfer.cb, 0u);
        }
        BYTES rgbFinal = host.Command({ 3, 2, 0x97, 0 });
        ASSERT_GE(rgbFinal.size(), 6u);
        EXPECT_EQ(rgbFinal[1] & 0x3F, fail.sts) << SzHexOf(fail.rgbOps);
        EXPECT_EQ(rgbFinal[2], fail.cbOpsDone) << SzHexOf(fail.rgbOps);
    }
}

TEST_F(FwTest, RegisterPortSingleAndBlock)
{
    using namespace boardproto;
    EXPECT_EQ(host.Command({ 5, aptReg, regCmdPut, 0, 0x10, 0xA5 }), (BYTES{ 1, 4 }));
    ASSERT_EQ(host.Command({ 3, aptReg, cmdEnablePort, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 5, aptReg, regCmdPut, 0, 0x10, 0xA5 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 4, aptReg, regCmdGet, 0, 0x10 }), (BYTES{ 2, 0, 0xA5 }));
    EXPECT_EQ(host.Command({ 4, aptReg, regCmdGet, 1, 0x10 }), (BYTES{ 1, 12 }));
    EXPECT_EQ(host.Command({ 5, aptReg, regCmdGet, 0, 0x10, 0 }), (BYTES{ 1, 51 }));
    BYTES rgbBlock = { 1, 2, 3, 4, 5, 6 };
    EXPECT_EQ(SzHexOf(Phase({ 8, aptReg, regCmdPutRepeat, 0, 0xA0, 6, 0, 0, 0 }, rgbBlock, 0, nullptr)),
              "058006000000");
    EXPECT_EQ(simctl.SzLine("REGSTREAM alpha 0xA0"), "010203040506");
    BYTES rgbIn;
    EXPECT_EQ(SzHexOf(Phase({ 8, aptReg, regCmdGetRepeat, 0, 0xA0, 3, 0, 0, 0 }, {}, 3, &rgbIn)), "054003000000");
    EXPECT_EQ(rgbIn, (BYTES{ 6, 6, 6 }));
    EXPECT_EQ(SzHexOf(Phase({ 7, aptReg, regCmdPutSet, 0, 2, 0, 0, 0 }, { 0x20, 0x11, 0x21, 0x22 }, 0, nullptr)),
              "058004000000");
    EXPECT_EQ(SzHexOf(Phase({ 7, aptReg, regCmdGetSet, 0, 3, 0, 0, 0 }, { 0x21, 0x20, 0x10 }, 3, &rgbIn)),
              "09C00300000003000000");
    EXPECT_EQ(rgbIn, (BYTES{ 0x22, 0x11, 0xA5 }));
}

// Bytes fed on the control channel come out of repeat reads of their
// register first, in order; then the register's value again.
TEST_F(FwTest, RegisterRepeatReadsGiveFedBytesFirst)
{
    using namespace boardproto;
    ASSERT_EQ(host.Command({ 3, aptReg, cmdEnablePort, 0 }), (BYTES{ 1, 0 }));
    ASSERT_TRUE(simctl.FCmd("SETREG alpha 0x41 0x66"));
    ASSERT_TRUE(simctl.FCmd("REGFEED alpha 0x41 0102"));
    ASSERT_TRUE(simctl.FCmd("REGFEED alpha 0x41 03"));
    EXPECT_FALSE(simctl.FCmd("REGFEED alpha 256 01"));
    BYTES rgbIn;
    Phase({ 8, aptReg, regCmdGetRepeat, 0, 0x41, 5, 0, 0, 0 }, {}, 5, &rgbIn);
    EXPECT_EQ(rgbIn, (BYTES{ 1, 2, 3, 0x66, 0x66 }));
    Phase({ 8, aptReg, regCmdGetRepeat, 0, 0x40, 2, 0, 0, 0 }, {}, 2, &rgbIn);
    EXPECT_EQ(rgbIn, (BYTES{ 0, 0 })) << "other registers are not fed";
}

TEST_F(FwTest, BoardManagementRailsAndConfigurationReset)
{
    using namespace boardproto;
    ASSERT_EQ(host.Command({ 3, aptMgmt, cmdEnablePort, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 3, aptMgmt, mgmtCmdRailCount, 0 }), (BYTES{ 5, 0, 2, 0, 0, 0 }));
    EXPECT_EQ(host.Command({ 4, aptMgmt, mgmtCmdRailProps, 0, 1 }),
              (BYTES{ 9, 0, 0xE8, 3, 0, 0, 0xD0, 7, 0, 0 }));
    ASSERT_TRUE(simctl.FCmd("SETRAIL alpha 1 2600 130"));
    EXPECT_EQ(host.Command({ 4, aptMgmt, mgmtCmdRailData, 0, 1 }), (BYTES{ 9, 0, 0x28, 0x0A, 0, 0, 130, 0, 0, 0 }));
    BYTES rgbLabel = host.Command({ 4, aptMgmt, mgmtCmdRailLabel, 0, 0 });
    ASSERT_EQ(rgbLabel.size(), 34u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&rgbLabel[2])), "VCCINT");
    EXPECT_EQ(host.Command({ 4, aptMgmt, mgmtCmdRailData, 0, 2 }), (BYTES{ 1, 13 }));
    EXPECT_EQ(simctl.SzState("alpha", "done"), "1");
    EXPECT_EQ(host.Command({ 4, aptMgmt, mgmtCmdConfigReset, 0, 1 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(simctl.SzState("alpha", "done"), "0");
    EXPECT_EQ(simctl.SzState("alpha", "configreset"), "1");
}

TEST_F(FwTest, TransactionResetEndsAPhaseAndDisablesPorts)
{
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Command({ 11, 11, 3, 0, 9, 0, 0, 0, 0, 0, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(host.Command({ 7, 0, 3, 0, 1, 0, 0, 0 }), (BYTES{ 5, 0, 0x79, 0, 0, 0 }));
    EXPECT_EQ(simctl.SzState("alpha", "phase"), "idle");
    EXPECT_EQ(host.Command({ 3, 11, 5, 0 }), (BYTES{ 1, 4 }));
}

} // namespace
