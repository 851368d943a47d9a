// The chain primitives on the chain model: what each device's registers hold
// after instruction and data shifts, the TDO convention, and failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chainfix.h"

namespace {

const uint32_t opTestReg = 0x02;

TMDEVSPEC Dev(int cbitIr, uint32_t idcode = 0, int cbitTest = 0)
{
    TMDEVSPEC spec = {cbitIr, idcode, 0x01, opTestReg, cbitTest, 0, false};
    return spec;
}

uint32_t AllOnes(int cbit) { return cbit >= 32 ? 0xFFFFFFFFu : (1u << cbit) - 1; }

std::vector<int> Bits(const std::vector<uint8_t> &rgb, uint32_t cbit)
{
    std::vector<int> rgbit;
    for (uint32_t k = 0; k < cbit; k++)
        rgbit.push_back((rgb[k / 8] >> (k % 8)) & 1);
    return rgbit;
}

std::vector<uint8_t> Pattern(uint32_t cbit, uint32_t seed)
{
    std::vector<uint8_t> rgb((cbit + 7) / 8 + 1);
    for (size_t i = 0; i < rgb.size(); i++)
        rgb[i] = (uint8_t)(seed * 131 + i * 37 + (i >> 3));
    return rgb;
}

} // namespace

struct IRCASE {
    std::vector<int> rgcbitIr;
    int iscdvc;
    uint32_t op;
};

TEST(ChainShiftIr, TargetGetsTheOpcodeEveryOtherDeviceBypass)
{
    const IRCASE rgcase[] = {
        {{8}, 0, 0x09},
        {{1}, 0, 0x0},
        {{6, 8, 8}, 0, 0x05},
        {{6, 8, 8}, 1, 0x3C},
        {{6, 8, 8}, 2, 0xC2},
        {{2, 2}, 1, 0x1},
        {{32, 5}, 0, 0x12345678},
        {{5, 32}, 1, 0x87654321},
        {{4, 7, 1, 16, 3}, 3, 0x8001},
        {{1, 1, 1}, 1, 0x0},
    };
    for (const IRCASE &c : rgcase) {
        std::vector<TMDEVSPEC> rgspec;
        for (int cbit : c.rgcbitIr)
            rgspec.push_back(Dev(cbit));
        CHAINFIX fix(rgspec);
        fix.ModelTo("01");   /* Select-DR-Scan */
        STREP rep(LogStatus);
        HTVX h = fix.schain.HOpenJtag(rep);
        ASSERT_NE(h, nullptr);
        ASSERT_TRUE(fix.schain.FShiftIr(c.iscdvc, c.op, h, rep));
        EXPECT_FALSE(rep.FEnded());
        EXPECT_EQ(fix.model.State(), tmSelectDr);
        for (size_t i = 0; i < c.rgcbitIr.size(); i++) {
            const TMDEV &dev = fix.model.rgdev[i];
            ASSERT_EQ(dev.rgirUpdated.size(), 1u);
            uint32_t irWant = (int)i == c.iscdvc ? c.op : AllOnes(c.rgcbitIr[i]);
            EXPECT_EQ(dev.rgirUpdated[0], irWant) << "device " << i << " of case iscdvc " << c.iscdvc;
        }
        fix.schain.FCloseJtag(h);
    }
}

TEST(ChainShiftIr, OneDeviceClocksWalkOpcodeAndLastBitWithTms1)
{
    CHAINFIX fix({Dev(6)});
    fix.ModelTo("01");
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    ASSERT_TRUE(fix.schain.FShiftIr(0, 0x2A, h, rep));
    EXPECT_EQ(fix.model.strTms, "100" "00000" "1" "11");
    fix.schain.FCloseJtag(h);
}

TEST(ChainShiftIr, DeviceNearestTdoGetsOnesAfterItsOpcode)
{
    /* Device 2 of 6, 8, 8: no leading ones; 8 opcode bits, 13 ones, TDI 1 with TMS 1. */
    CHAINFIX fix({Dev(6), Dev(8), Dev(8)});
    fix.ModelTo("01");
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    ASSERT_TRUE(fix.schain.FShiftIr(2, 0x81, h, rep));
    EXPECT_EQ(fix.model.strTms, "100" + std::string(8 + 13, '0') + "1" "11");
    fix.schain.FCloseJtag(h);
}

TEST(ChainShiftIr, FromIdleEndsInTheAskedState)
{
    struct { int tapstEnd; TMSTATE tmWant; size_t cUpdate; } rgcase[] = {
        {tapstIdle, tmRunTestIdle, 1},
        {tapstIrPause, tmPauseIr, 0},
        {tapstIrExit1, tmExit1Ir, 0},
    };
    for (auto &c : rgcase) {
        CHAINFIX fix({Dev(6), Dev(8)});
        fix.ModelTo("0");   /* Run-Test/Idle */
        STREP rep(LogStatus);
        HTVX h = fix.schain.HOpenJtag(rep);
        ASSERT_TRUE(fix.schain.FShiftIrFromIdle(1, 0x33, h, c.tapstEnd, rep));
        EXPECT_EQ(fix.model.State(), c.tmWant);
        ASSERT_EQ(fix.model.rgdev[1].rgirUpdated.size(), c.cUpdate);
        if (c.cUpdate) {
            EXPECT_EQ(fix.model.rgdev[1].rgirUpdated[0], 0x33u);
            EXPECT_EQ(fix.model.rgdev[0].rgirUpdated[0], 0x3Fu);
        }
        fix.schain.FCloseJtag(h);
    }
}

TEST(ChainShiftIr, CaptureVariantLoadsAnyOpcodeIntoTheTarget)
{
    for (int iscdvc = 0; iscdvc < 3; iscdvc++) {
        CHAINFIX fix({Dev(6), Dev(8), Dev(5)});
        fix.ModelTo("0");
        STREP rep(LogStatus);
        HTVX h = fix.schain.HOpenJtag(rep);
        uint8_t rgbTdo[8];
        ASSERT_TRUE(fix.schain.FShiftIrCapture(iscdvc, 0x12, h, tapstIdle, rgbTdo, rep));
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(fix.model.rgdev[i].irCur, i == iscdvc ? 0x12u : AllOnes(fix.model.rgdev[i].spec.cbitIr))
                << iscdvc << " " << i;
        fix.schain.FCloseJtag(h);
    }
}

TEST(ChainShiftIr, CaptureVariantLoadsBypassAndReadsTheCapturedIr)
{
    /* The first clock after Capture-IR shifts nothing: the shift must still
     * fill every instruction register, for every device index. */
    for (int iscdvc = 0; iscdvc < 3; iscdvc++) {
        CHAINFIX fix({Dev(6), Dev(8), Dev(5)});
        fix.ModelTo("0");
        STREP rep(LogStatus);
        HTVX h = fix.schain.HOpenJtag(rep);
        uint8_t rgbTdo[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        uint32_t opBypass = AllOnes(fix.schain.rgpscdvc[iscdvc]->cbitIr);
        ASSERT_TRUE(fix.schain.FShiftIrCapture(iscdvc, opBypass, h, tapstIdle, rgbTdo, rep));
        ASSERT_TRUE(fix.schain.FShiftIrCapture(iscdvc, opBypass, h, tapstIdle, rgbTdo, rep));
        EXPECT_EQ(fix.model.State(), tmRunTestIdle);
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(fix.model.rgdev[i].irCur, AllOnes(fix.model.rgdev[i].spec.cbitIr)) << iscdvc << " " << i;
        /* the buffer starts with the captured IR of the device nearest TDO, 00001 */
        EXPECT_EQ(rgbTdo[0] & 0x1F, 0x01);
        fix.schain.FCloseJtag(h);
    }
}

struct DRCASE {
    std::vector<int> rgcbitIr;
    int iscdvc;
    int cbitData;
};

/* Select the test register in the target and BYPASS elsewhere; ends in Run-Test/Idle. */
static HTVX HSelectTestReg(CHAINFIX &fix, int iscdvc, STREP &rep)
{
    fix.ModelTo("0");
    HTVX h = fix.schain.HOpenJtag(rep);
    EXPECT_TRUE(fix.schain.FShiftIrFromIdle(iscdvc, opTestReg, h, tapstIdle, rep));
    fix.model.strTms.clear();
    return h;
}

const DRCASE rgdrcase[] = {
    {{6}, 0, 1},
    {{6}, 0, 32},
    {{6, 8, 8}, 0, 13},
    {{6, 8, 8}, 1, 32},
    {{6, 8, 8}, 2, 40},
    {{4, 4, 4, 4, 4}, 3, 17},
    {{4, 4, 4, 4, 4}, 1, 2},
    {{5, 5}, 1, 1},
};

TEST(ChainShiftDr, DataLandsInTheTargetPastBypassLeadAndTrail)
{
    for (const DRCASE &c : rgdrcase) {
        std::vector<TMDEVSPEC> rgspec;
        for (size_t i = 0; i < c.rgcbitIr.size(); i++)
            rgspec.push_back(Dev(c.rgcbitIr[i], 0, (int)i == c.iscdvc ? c.cbitData : 0));
        CHAINFIX fix(rgspec);
        STREP rep(LogStatus);
        HTVX h = HSelectTestReg(fix, c.iscdvc, rep);
        ASSERT_EQ(fix.model.State(), tmRunTestIdle);
        std::vector<uint8_t> rgb = Pattern(c.cbitData, c.iscdvc + 7);
        uint32_t cbitLead = (uint32_t)(c.rgcbitIr.size() - 1 - c.iscdvc);
        uint32_t cbitTrail = (uint32_t)c.iscdvc;
        ASSERT_TRUE(fix.schain.FShiftDr(c.iscdvc, rgb.data(), c.cbitData, cbitTrail, cbitLead, h, rep));
        EXPECT_EQ(fix.model.State(), tmRunTestIdle);
        const TMDEV &dev = fix.model.rgdev[c.iscdvc];
        ASSERT_EQ(dev.rgtestUpdated.size(), 1u);
        EXPECT_EQ(dev.rgtestUpdated[0], Bits(rgb, c.cbitData)) << "index " << c.iscdvc << " n " << c.cbitData;
        /* clocks: walk 100, lead, data + trail with the last one TMS 1, walk 10 */
        std::string strWant = "100" + std::string(cbitLead + c.cbitData + cbitTrail - 1, '0') + "1" + "10";
        EXPECT_EQ(fix.model.strTms, strWant);
        fix.schain.FCloseJtag(h);
    }
}

TEST(ChainShiftDr, EnterMoreLeaveGiveTheSameRegister)
{
    for (const DRCASE &c : rgdrcase) {
        if (c.cbitData < 3)
            continue;
        std::vector<TMDEVSPEC> rgspec;
        for (size_t i = 0; i < c.rgcbitIr.size(); i++)
            rgspec.push_back(Dev(c.rgcbitIr[i], 0, (int)i == c.iscdvc ? c.cbitData : 0));
        CHAINFIX fix(rgspec);
        STREP rep(LogStatus);
        HTVX h = HSelectTestReg(fix, c.iscdvc, rep);
        std::vector<uint8_t> rgb = Pattern(c.cbitData, 3);
        uint32_t cbitLead = (uint32_t)(c.rgcbitIr.size() - 1 - c.iscdvc);
        /* 1 bit, then 1 bit, then the rest; the pieces start on whole bytes */
        std::vector<uint8_t> rgbA = {(uint8_t)(rgb[0] & 1)}, rgbB = {(uint8_t)((rgb[0] >> 1) & 1)};
        std::vector<uint8_t> rgbRest(rgb.size());
        for (int k = 2; k < c.cbitData; k++)
            rgbRest[(k - 2) / 8] |= (uint8_t)(((rgb[k / 8] >> (k % 8)) & 1) << ((k - 2) % 8));
        ASSERT_TRUE(fix.schain.FShiftDrEnter(c.iscdvc, rgbA.data(), nullptr, 1, cbitLead, h, rep));
        ASSERT_TRUE(fix.schain.FShiftDrMore(c.iscdvc, rgbB.data(), 1, 0, h, rep));
        ASSERT_TRUE(fix.schain.FShiftDrLeave(c.iscdvc, rgbRest.data(), c.cbitData - 2, c.iscdvc, h, rep));
        EXPECT_EQ(fix.model.State(), tmRunTestIdle);
        ASSERT_EQ(fix.model.rgdev[c.iscdvc].rgtestUpdated.size(), 1u);
        EXPECT_EQ(fix.model.rgdev[c.iscdvc].rgtestUpdated[0], Bits(rgb, c.cbitData));
        fix.schain.FCloseJtag(h);
    }
}

TEST(ChainShiftDr, PauseVariantWaitsOneSecondInPauseDr)
{
    CHAINFIX fix({Dev(6), Dev(8, 0, 24), Dev(8)});
    STREP rep(LogStatus);
    HTVX h = HSelectTestReg(fix, 1, rep);
    std::vector<uint8_t> rgb = Pattern(24, 9);
    ASSERT_TRUE(fix.schain.FWalk(h, "100", rep));   /* Shift-DR */
    fix.model.strTms.clear();
    ASSERT_TRUE(fix.schain.FShiftDrPause(1, rgb.data(), 24, 1, 1, h, rep));
    EXPECT_EQ(fix.model.strTms, std::string(1 + 24, '0') + "1" + "0" + "110");
    EXPECT_EQ(fix.rgtmsSlept, std::vector<uint32_t>{1000});
    EXPECT_EQ(fix.model.State(), tmRunTestIdle);
    EXPECT_EQ(fix.model.rgdev[1].rgtestUpdated.at(0), Bits(rgb, 24));
    fix.schain.FCloseJtag(h);
}

TEST(ChainShiftDr, LongFillsGoInPiecesOfAtMost2048Bits)
{
    CHAINFIX fix({Dev(6, 0, 5000)});
    STREP rep(LogStatus);
    HTVX h = HSelectTestReg(fix, 0, rep);
    ASSERT_TRUE(fix.schain.FWalk(h, "100", rep));
    ASSERT_TRUE(fix.schain.FPutOnes(h, 4999, rep));
    EXPECT_LE(fix.port.cbitMaxPut, 2048u);
    ASSERT_TRUE(fix.schain.FPutLastBit(h, 1, rep));
    ASSERT_TRUE(fix.schain.FWalk(h, "10", rep));
    EXPECT_EQ(fix.model.rgdev[0].rgtestUpdated.at(0), std::vector<int>(5000, 1));
    fix.schain.FCloseJtag(h);
}

TEST(ChainShiftDr, NoTrailAndNoDataFailsCleanly)
{
    CHAINFIX fix({Dev(6)});
    fix.ModelTo("0");
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    uint8_t b = 0;
    EXPECT_FALSE(fix.schain.FShiftDr(0, &b, 0, 0, 0, h, rep));
    EXPECT_EQ(rep.StcEnd(), stcFailed);
    EXPECT_EQ(fix.port.cClose, 1);
}

TEST(ChainRead, IdcodesComeOutNearestTdoFirstThenZero)
{
    CHAINFIX fix({Dev(6, 0x01C22093), Dev(8, 0x05045093), Dev(8, 0x16D4A093)});
    fix.ModelTo("");
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    ASSERT_TRUE(fix.schain.FWalk(h, "11111010", rep));   /* Capture-DR */
    uint32_t rgidcode[4];
    for (uint32_t &idcode : rgidcode) {
        uint8_t rgb[4];
        ASSERT_TRUE(fix.schain.FReadIdcode(h, rgb, rep));
        idcode = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16) | ((uint32_t)rgb[3] << 24);
    }
    EXPECT_EQ(rgidcode[0], 0x16D4A093u);
    EXPECT_EQ(rgidcode[1], 0x05045093u);
    EXPECT_EQ(rgidcode[2], 0x01C22093u);
    EXPECT_EQ(rgidcode[3], 0u);
    /* one stcQueryContinue per word */
    EXPECT_EQ(fix.stlog.rgrep.size(), 4u);
    fix.schain.FCloseJtag(h);
}

TEST(ChainRead, ReadDrGetsOneDevicesRegisterPastTheBypassBits)
{
    for (int iscdvc = 0; iscdvc < 3; iscdvc++) {
        CHAINFIX fix({Dev(6, 0x11111093), Dev(8, 0x22222093), Dev(8, 0x33333093)});
        fix.ModelTo("0");
        STREP rep(LogStatus);
        HTVX h = fix.schain.HOpenJtag(rep);
        ASSERT_TRUE(fix.schain.FShiftIrFromIdle(iscdvc, 0x01, h, tapstIdle, rep));   /* IDCODE */
        uint8_t rgb[4] = {0};
        ASSERT_TRUE(fix.schain.FReadDr(iscdvc, rgb, 32, 2 - iscdvc, h, rep));
        uint32_t idcode = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16) | ((uint32_t)rgb[3] << 24);
        EXPECT_EQ(idcode, fix.model.rgdev[iscdvc].spec.idcode) << iscdvc;
        EXPECT_EQ(fix.model.State(), tmShiftDr);
        fix.schain.FCloseJtag(h);
    }
}

TEST(ChainRead, StopAnswerClosesThePortWithoutAReport)
{
    CHAINFIX fix({Dev(6, 0x01C22093)});
    fix.stlog.cAnswerFalseAt = 0;
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    uint8_t rgb[4];
    EXPECT_FALSE(fix.schain.FReadIdcode(h, rgb, rep));
    EXPECT_FALSE(rep.FEnded());
    EXPECT_EQ(fix.port.cClose, 1);
}

TEST(ChainPort, OpenAndEnableFailuresReportFailedAndLeaveNothingOpen)
{
    for (int iCase = 0; iCase < 2; iCase++) {
        CHAINFIX fix({Dev(6)});
        fix.schain.FSetDvcName("#tpt_0001#ptc_0002#SIM1");
        (iCase == 0 ? fix.port.fFailOpen : fix.port.fFailEnable) = true;
        STREP rep(LogStatus);
        EXPECT_EQ(fix.schain.HOpenJtag(rep), nullptr);
        EXPECT_EQ(rep.StcEnd(), stcFailed);
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
        EXPECT_EQ(fix.port.strDvcOpened, "#tpt_0001#ptc_0002#SIM1");
        uint32_t erc = 0;
        EXPECT_FALSE(fix.schain.FAbortOpenPort(&erc));
    }
}

TEST(ChainPort, AFailingCallAnywhereClosesOnceAndReportsFailed)
{
    /* count the calls of a whole instruction + data shift, then fail each in turn */
    int ccall;
    {
        CHAINFIX fix({Dev(6), Dev(8, 0, 12), Dev(8)});
        STREP rep(LogStatus);
        HTVX h = HSelectTestReg(fix, 1, rep);
        size_t icallStart = fix.port.rgstrCall.size();
        uint8_t rgb[2] = {0x5A, 0x0A};
        ASSERT_TRUE(fix.schain.FShiftDr(1, rgb, 12, 1, 1, h, rep));
        ccall = (int)(fix.port.rgstrCall.size() - icallStart);
        fix.schain.FCloseJtag(h);
    }
    ASSERT_GT(ccall, 3);
    for (int icall = 0; icall < ccall; icall++) {
        CHAINFIX fix({Dev(6), Dev(8, 0, 12), Dev(8)});
        STREP rep(LogStatus);
        HTVX h = HSelectTestReg(fix, 1, rep);
        fix.port.ccallFailAt = (int)(fix.port.rgstrCall.size()) - 2;   /* the open and enable do not count */
        /* count only clocking calls from here */
        int cClock = 0;
        for (const std::string &str : fix.port.rgstrCall)
            if (str != "open" && str != "enable" && str != "disable" && str != "close")
                cClock++;
        fix.port.ccallFailAt = cClock + icall;
        uint8_t rgb[2] = {0x5A, 0x0A};
        EXPECT_FALSE(fix.schain.FShiftDr(1, rgb, 12, 1, 1, h, rep)) << icall;
        EXPECT_EQ(rep.StcEnd(), stcFailed);
        EXPECT_EQ(fix.port.cClose, 1) << icall;
        EXPECT_EQ(fix.port.rgstrCall.back(), "close");
    }
}

TEST(ChainPort, AbortReachesOnlyThePortOpenNow)
{
    CHAINFIX fix({Dev(6)});
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    uint32_t erc = 5;
    EXPECT_TRUE(fix.schain.FAbortOpenPort(&erc));
    EXPECT_EQ(erc, 0u);
    EXPECT_EQ(fix.port.cAbort, 1);
    fix.schain.FCloseJtag(h);
    EXPECT_FALSE(fix.schain.FAbortOpenPort(&erc));
}

TEST(ChainShiftIr, ADeviceWithoutIrLengthRefusesTheShift)
{
    CHAINFIX fix({Dev(6), Dev(8)});
    fix.schain.rgpscdvc[0]->cbitIr = 0;   /* an UNKNOWN device */
    fix.ModelTo("01");
    STREP rep(LogStatus);
    HTVX h = fix.schain.HOpenJtag(rep);
    EXPECT_FALSE(fix.schain.FShiftIr(1, 0x05, h, rep));
    EXPECT_EQ(rep.StcEnd(), stcFailed);
    EXPECT_EQ(fix.port.cClose, 1);
    EXPECT_TRUE(fix.model.rgdev[1].rgirUpdated.empty());
}
