// FPGA configuration on the chain model: what the FPGA's configuration
// logic receives through CFG_IN in each session, its instruction history,
// progress and abort, and the status read through CFG_OUT.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bitfile.h"
#include "chainfix.h"
#include "chainops.h"
#include "tmpdir.h"

namespace {

enum : uint32_t { opBypass = 0x3F, opIdcode = 0x09, opCfgIn = 0x05, opJstart = 0x0C, opCfgOut = 0x04,
                  opJprogram = 0x0B, opJshutdown = 0x0D };

TMDEVSPEC FpgaSpec()
{
    TMDEVSPEC spec = {6, 0x01C22093, opIdcode, opCfgOut, 32, opCfgIn, true, opJprogram, opJstart};
    return spec;
}

TMDEVSPEC OtherSpec(int cbitIr)
{
    TMDEVSPEC spec = {cbitIr, 0, 0x01, 0, 0, 0, false};
    return spec;
}

/* The chain of the fixture with the FPGA record at index ifpga. */
SCFPGA *PscfpgaSetUp(CHAINFIX &fix, int ifpga, int alg)
{
    SCFPGA *pscfpga = new SCFPGA(&fix.schain);
    pscfpga->cbitIr = 6;
    pscfpga->idcode = 0x01C22093;
    pscfpga->alg = alg;
    const uint32_t rgop[SCFPGA::cop] = {opBypass, opIdcode, opCfgIn, opJstart, opCfgOut, opJprogram, opJshutdown};
    memcpy(pscfpga->rgop, rgop, sizeof(rgop));
    delete fix.schain.rgpscdvc[ifpga];
    fix.schain.rgpscdvc[ifpga] = pscfpga;
    return pscfpga;
}

std::vector<int> BitsOfWords(std::initializer_list<uint32_t> rgw)
{
    std::vector<int> rgbit;
    for (uint32_t w : rgw)
        for (int k = 31; k >= 0; k--)
            rgbit.push_back((w >> k) & 1);
    return rgbit;
}

std::vector<int> BitsOfBytes(const std::vector<uint8_t> &rgb)
{
    std::vector<int> rgbit;
    for (uint8_t b : rgb)
        for (int k = 7; k >= 0; k--)
            rgbit.push_back((b >> k) & 1);
    return rgbit;
}

std::vector<int> Framed(const std::vector<int> &rgbitData)
{
    std::vector<int> rgbit(32, 0);
    rgbit.insert(rgbit.end(), rgbitData.begin(), rgbitData.end());
    return rgbit;
}

std::vector<uint8_t> DataOf(size_t cb)
{
    std::vector<uint8_t> rgb(cb);
    for (size_t i = 0; i < cb; i++)
        rgb[i] = (uint8_t)(i * 13 + (i >> 9) + 1);
    return rgb;
}

void LoadImage(SCFPGA *pscfpga, const std::vector<uint8_t> &rgb)
{
    BITFILE *pbitfile = PbitfileNew();
    ASSERT_TRUE(FParseBinImage(rgb.data(), rgb.size(), pbitfile));
    pscfpga->SetBitfile(pbitfile);
}

int Count(const std::vector<std::pair<int32_t, int32_t>> &rgrep, int32_t stc)
{
    int c = 0;
    for (auto &rep : rgrep)
        c += rep.first == stc;
    return c;
}

} // namespace

TEST(FpgaDownload, ConfigurationLogicReceivesTheBitstreamAtAnyChainPlace)
{
    struct { std::vector<int> rgcbitIr; int ifpga; size_t cb; } rgcase[] = {
        {{6}, 0, 100},
        {{8, 6}, 1, 8192},
        {{6, 8}, 0, 10000},
        {{8, 8, 6, 16}, 2, 20000},
    };
    for (auto &c : rgcase) {
        std::vector<TMDEVSPEC> rgspec;
        for (size_t i = 0; i < c.rgcbitIr.size(); i++)
            rgspec.push_back((int)i == c.ifpga ? FpgaSpec() : OtherSpec(c.rgcbitIr[i]));
        CHAINFIX fix(rgspec);
        SCFPGA *pscfpga = PscfpgaSetUp(fix, c.ifpga, 3);
        std::vector<uint8_t> rgb = DataOf(c.cb);
        LoadImage(pscfpga, rgb);
        STREP rep(LogStatus);
        ASSERT_TRUE(pscfpga->FDownload(c.ifpga, rep)) << c.cb;
        EXPECT_FALSE(rep.FEnded());
        const TMDEV &dev = fix.model.rgdev[c.ifpga];
        ASSERT_EQ(dev.rgstream.size(), 1u);
        EXPECT_EQ(dev.rgstream[0], Framed(BitsOfBytes(rgb))) << "fpga at " << c.ifpga << ", " << c.cb << " bytes";
        /* JPROGRAM (pre-configuration), JPROGRAM and BYPASS (the clear, seen
         * in the instruction capture), CFG_IN, JSTART; BYPASS elsewhere */
        std::vector<uint32_t> rgirWant = {opJprogram, opJprogram, opBypass, opCfgIn, opJstart};
        EXPECT_EQ(dev.rgirUpdated, rgirWant);
        for (size_t i = 0; i < c.rgcbitIr.size(); i++) {
            if ((int)i == c.ifpga)
                continue;
            for (uint32_t ir : fix.model.rgdev[i].rgirUpdated)
                EXPECT_EQ(ir, (1u << c.rgcbitIr[i]) - 1);
        }
        EXPECT_EQ(fix.model.State(), tmTestLogicReset);
        /* the pre-configuration's session, then the download's, which clears the device first */
        EXPECT_EQ(fix.port.cOpen, 2);
        EXPECT_EQ(fix.port.cClose, 2);
        /* whole chunks: range, then one progress each but the last */
        int cchunk = (int)(c.cb / 8192);
        EXPECT_EQ(Count(fix.stlog.rgrep, stcProgressRange), 1);
        EXPECT_EQ(Count(fix.stlog.rgrep, stcProgress), c.cb % 8192 == 0 ? cchunk - 1 : cchunk);
    }
}

TEST(FpgaDownload, Family1PreConfigurationAndStartup)
{
    CHAINFIX fix({OtherSpec(8), FpgaSpec()});
    SCFPGA *pscfpga = PscfpgaSetUp(fix, 1, 1);
    std::vector<uint8_t> rgb = DataOf(64);
    LoadImage(pscfpga, rgb);
    STREP rep(LogStatus);
    ASSERT_TRUE(pscfpga->FDownload(1, rep));
    const TMDEV &dev = fix.model.rgdev[1];
    std::vector<uint32_t> rgirWant = {opCfgIn,    opJstart, opCfgIn, opJstart, opCfgIn, opJstart,
                                      opJprogram, opBypass, opCfgIn, opJstart};
    EXPECT_EQ(dev.rgirUpdated, rgirWant);
    ASSERT_EQ(dev.rgstream.size(), 4u);
    EXPECT_EQ(dev.rgstream[0], Framed(BitsOfWords({0x30012001, 0x00A0BF3D, 0x30008001, 0x00000005, 0x30008001,
                                                   0x00000007, 0x00000000})));
    EXPECT_EQ(dev.rgstream[1], Framed(BitsOfWords({0x30008001, 0x00000008, 0x30012001, 0x00A03FFF, 0x30008001,
                                                   0x00000005, 0x30008001, 0x00000007, 0x00000000})));
    EXPECT_EQ(dev.rgstream[3], Framed(BitsOfBytes(rgb)));
    /* Start-up: under JSTART, 16 clocks in Shift-DR to Run-Test/Idle, then the
     * clocks that run the start-up sequence, in Run-Test/Idle. */
    std::string strStartup = "00" "0000000000000000" "110" + std::string(32, '0');
    ASSERT_GE(fix.model.strTms.size(), strStartup.size());
    EXPECT_EQ(fix.model.strTms.substr(fix.model.strTms.size() - strStartup.size()), strStartup);
    EXPECT_EQ(fix.model.State(), tmRunTestIdle);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
}

TEST(FpgaDownload, Family2ClearsWithJprogramAndShutsDown)
{
    CHAINFIX fix({FpgaSpec()});
    SCFPGA *pscfpga = PscfpgaSetUp(fix, 0, 2);
    LoadImage(pscfpga, DataOf(40));
    STREP rep(LogStatus);
    ASSERT_TRUE(pscfpga->FDownload(0, rep));
    const TMDEV &dev = fix.model.rgdev[0];
    std::vector<uint32_t> rgirWant = {opJprogram, opCfgIn, opJshutdown, opJprogram, opBypass, opCfgIn, opJstart};
    EXPECT_EQ(dev.rgirUpdated, rgirWant);
    std::vector<int> rgbitWant(32 + 31, 0);
    std::vector<int> rgbitWords = BitsOfWords({0xFFFFFFFF, 0xAA995566, 0x30008001, 0x00000007, 0, 0});
    rgbitWant.insert(rgbitWant.end(), rgbitWords.begin(), rgbitWords.end());
    EXPECT_EQ(dev.rgstream.at(0), rgbitWant);
    EXPECT_EQ(fix.model.State(), tmTestLogicReset);
}

TEST(FpgaDownload, StopAnswerAbortsWithOneFailure)
{
    CHAINFIX fix({FpgaSpec(), OtherSpec(8)});
    SCFPGA *pscfpga = PscfpgaSetUp(fix, 0, 3);
    LoadImage(pscfpga, DataOf(3 * 8192 + 5));
    fUserAbort = false;
    {
        STREP rep(LogStatus);
        /* answer false to the second progress report */
        fix.stlog.cAnswerFalseAt = 2;   /* range, progress 0, progress 1 */
        EXPECT_FALSE(pscfpga->FDownload(0, rep));
        EXPECT_EQ(rep.StcEnd(), stcFailed);
    }
    EXPECT_TRUE(fUserAbort);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    EXPECT_EQ(fix.stlog.rgrep.back().first, stcFailed);
    EXPECT_EQ(Count(fix.stlog.rgrep, stcFailed), 1);
    fUserAbort = false;
}

/* A download that ends in the middle of the bitstream, for whatever reason,
 * must leave the configuration logic cleared (JPROGRAM the last instruction
 * the FPGA took), the TAP in Test-Logic-Reset, every port it opened closed,
 * and one failure reported. */
MODELPORT *pportAbortAt;
uint8_t BRISELCALL AbortPortAtSecondProgress(int32_t stc, int32_t lValue)
{
    LogStatus(stc, lValue);
    if (stc == stcProgress && lValue == 1)
        pportAbortAt->fAborted = true;   /* as an abort from another thread */
    return 1;
}

/* Clocking calls the port had taken when the download's progress range was
 * reported: where the data shifts begin. */
MODELPORT *pportAtRange;
int ccallAtRange;
bool FClockingCall(const std::string &str)
{
    return str == "pairs" || str == "tdi" || str == "tdo" || str == "wait";
}
uint8_t BRISELCALL MarkProgressRange(int32_t stc, int32_t lValue)
{
    if (stc == stcProgressRange)
        ccallAtRange = (int)std::count_if(pportAtRange->rgstrCall.begin(), pportAtRange->rgstrCall.end(), FClockingCall);
    return LogStatus(stc, lValue);
}

TEST(FpgaDownload, BrokenOffDownloadLeavesTheDeviceCleared)
{
    enum BREAK { brkStopAnswer, brkPortFails, brkPortAborted };
    const struct {
        const char *szCase;
        BREAK brk;
        int alg;
        int ifpga;
    } rgcase[] = {
        {"stop answer, family 1", brkStopAnswer, 1, 0},
        {"stop answer, family 3, FPGA toward TDO", brkStopAnswer, 3, 1},
        {"port call fails, family 1", brkPortFails, 1, 0},
        {"port call fails, family 2, FPGA toward TDO", brkPortFails, 2, 1},
        {"port aborted, family 1", brkPortAborted, 1, 1},
        {"port aborted, family 4", brkPortAborted, 4, 0},
    };
    const std::vector<uint8_t> rgbData = DataOf(6 * 8192 + 5);
    for (auto &c : rgcase) {
        /* where the middle of the data is, counted in clocking calls */
        int ccallMid = 0;
        if (c.brk == brkPortFails) {
            std::vector<TMDEVSPEC> rgspec = {OtherSpec(8), OtherSpec(8)};
            rgspec[c.ifpga] = FpgaSpec();
            CHAINFIX fixRef(rgspec);
            SCFPGA *pscfpgaRef = PscfpgaSetUp(fixRef, c.ifpga, c.alg);
            LoadImage(pscfpgaRef, rgbData);
            pportAtRange = &fixRef.port;
            ccallAtRange = 0;
            STREP rep(MarkProgressRange);
            ASSERT_TRUE(pscfpgaRef->FDownload(c.ifpga, rep)) << c.szCase;
            ASSERT_GT(ccallAtRange, 0) << c.szCase;
            /* one call per whole chunk after the range: among the six whole chunks */
            ccallMid = ccallAtRange + 3;
        }
        std::vector<TMDEVSPEC> rgspec = {OtherSpec(8), OtherSpec(8)};
        rgspec[c.ifpga] = FpgaSpec();
        CHAINFIX fix(rgspec);
        SCFPGA *pscfpga = PscfpgaSetUp(fix, c.ifpga, c.alg);
        LoadImage(pscfpga, rgbData);
        fUserAbort = false;
        StatusCallback pfn = LogStatus;
        if (c.brk == brkStopAnswer)
            fix.stlog.cAnswerFalseAt = 2;   /* range, progress 0, progress 1 */
        else if (c.brk == brkPortFails)
            fix.port.ccallFailAt = ccallMid;
        else {
            pportAbortAt = &fix.port;
            pfn = AbortPortAtSecondProgress;
        }
        {
            STREP rep(pfn);
            EXPECT_FALSE(pscfpga->FDownload(c.ifpga, rep)) << c.szCase;
            EXPECT_EQ(rep.StcEnd(), stcFailed) << c.szCase;
        }
        EXPECT_EQ(fUserAbort.load(), c.brk == brkStopAnswer) << c.szCase;
        EXPECT_LT(Count(fix.stlog.rgrep, stcProgress), 6) << c.szCase << ": the download went on";
        const TMDEV &dev = fix.model.rgdev[c.ifpga];
        ASSERT_FALSE(dev.rgirUpdated.empty()) << c.szCase;
        EXPECT_EQ(dev.rgirUpdated.back(), (uint32_t)opJprogram) << c.szCase;
        EXPECT_EQ(fix.model.State(), tmTestLogicReset) << c.szCase;
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose) << c.szCase;
        EXPECT_EQ(Count(fix.stlog.rgrep, stcFailed), 1) << c.szCase;
        fUserAbort = false;
    }
}

TEST(FpgaStatus, DoneBitAndErrorBit)
{
    struct { uint32_t status; bool fConfigured; } rgcase[] = {
        {0x00004000, true}, {0x0000FF7F, true}, {0x00000000, false}, {0x00004080, false}, {0xFFFFBFFF, false},
    };
    for (auto &c : rgcase) {
        for (int ifpga = 0; ifpga < 3; ifpga++) {
            std::vector<TMDEVSPEC> rgspec = {OtherSpec(8), OtherSpec(8), OtherSpec(8)};
            rgspec[ifpga] = FpgaSpec();
            CHAINFIX fix(rgspec);
            SCFPGA *pscfpga = PscfpgaSetUp(fix, ifpga, 1);
            TMDEV &dev = fix.model.rgdev[ifpga];
            for (int k = 0; k < 32; k++)
                dev.testReg[k] = (c.status >> (31 - k)) & 1;   /* most significant bit out first */
            STREP rep(LogStatus);
            EXPECT_EQ(pscfpga->FCheckStatus(ifpga, 2 - ifpga, rep), c.fConfigured) << std::hex << c.status << " " << ifpga;
            EXPECT_FALSE(rep.FEnded());
            /* STAT is read between sync and desync */
            ASSERT_EQ(dev.rgstream.size(), 2u);
            EXPECT_EQ(dev.rgstream[0], Framed(BitsOfWords({0xFFFFFFFF, 0xAA995566, 0x2800E001, 0x20000000, 0x20000000})));
            EXPECT_EQ(dev.rgstream[1], Framed(BitsOfWords({0x30008001, 0x0000000D, 0x20000000, 0x20000000})));
            EXPECT_EQ(fix.model.State(), tmTestLogicReset);
            EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
        }
    }
}

/* Families without a status read: DONE is bit 5 of the FPGA's own
 * instruction capture, found behind the captures of the devices toward TDO
 * (which show bit 5 set themselves, so a wrong offset shows). */
TEST(FpgaStatus, DoneFromTheInstructionCapture)
{
    const struct {
        int ifpga;
        bool fDone;
        std::vector<int> rgcbitIrOther;
    } rgcase[] = {
        {0, true, {8, 8}}, {0, false, {8, 8}}, {1, true, {8, 5}}, {1, false, {8, 5}},
        {2, true, {7, 9}}, {2, false, {7, 9}}, {0, true, {}}, {0, false, {}},
    };
    for (auto &c : rgcase) {
        std::vector<TMDEVSPEC> rgspec;
        for (int cbitIr : c.rgcbitIrOther)
            rgspec.push_back(OtherSpec(cbitIr));
        rgspec.insert(rgspec.begin() + c.ifpga, FpgaSpec());
        CHAINFIX fix(rgspec);
        for (size_t i = 0; i < rgspec.size(); i++) {
            if ((int)i != c.ifpga)
                fix.model.rgdev[i].irCaptureHigh = 0xFFFFFFFCu;   /* every status bit set */
        }
        SCFPGA *pscfpga = PscfpgaSetUp(fix, c.ifpga, 5);
        /* INIT and the others set, DONE as the case says */
        fix.model.rgdev[c.ifpga].irCaptureHigh = c.fDone ? 0x3Cu : 0x1Cu;
        STREP rep(LogStatus);
        EXPECT_EQ(pscfpga->FCheckDone(c.ifpga, rep), c.fDone) << c.ifpga << " " << c.fDone;
        EXPECT_FALSE(rep.FEnded());
        EXPECT_EQ(fix.model.State(), tmTestLogicReset);
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
        /* only BYPASS went into the devices */
        for (auto &dev : fix.model.rgdev)
            for (uint32_t ir : dev.rgirUpdated)
                EXPECT_EQ(ir, (1u << dev.spec.cbitIr) - 1) << c.ifpga;
    }
}

TEST(FpgaLoad, MissingUnreadableAndGoodFiles)
{
    TMPDIR tmpdir("fpga-load");
    CHAINFIX fix({FpgaSpec()});
    SCFPGA *pscfpga = PscfpgaSetUp(fix, 0, 1);
    struct { const char *szName; std::string strContent; bool fBit; bool fOk; int32_t stc; } rgcase[] = {
        {"missing.bit", "", true, false, stcFileNotFound},
        {"short.bit", std::string("\x00\x09\x0F\xF0", 4), true, false, stcFileReadFailed},
        {"empty.bin", "", false, false, stcFileReadFailed},
        {"good.bin", "\xAA\x99\x55\x66", false, true, 0},
    };
    for (auto &c : rgcase) {
        if (c.strContent.size() || c.fBit == false)
            tmpdir.Write(c.szName, c.strContent);
        snprintf(pscfpga->szPath, sizeof(pscfpga->szPath), "%s", tmpdir.StrFile(c.szName).c_str());
        fix.stlog.rgrep.clear();
        STREP rep(LogStatus);
        EXPECT_EQ(c.fBit ? pscfpga->FLoadBitFile(rep) : pscfpga->FLoadBinFile(rep), c.fOk) << c.szName;
        if (!c.fOk) {
            ASSERT_FALSE(fix.stlog.rgrep.empty());
            EXPECT_EQ(fix.stlog.rgrep.back().first, c.stc) << c.szName;
        } else {
            ASSERT_NE(pscfpga->pbitfile, nullptr);
            EXPECT_EQ(pscfpga->pbitfile->cbData, 4u);
        }
    }
}

/* A device that does not show the clear (DONE stays high from the design it
 * runs, or INIT_B stays low) gets no data: the download fails with one
 * failure, so that the old design can never pass for the new one. */
TEST(FpgaDownload, DeviceThatDoesNotClearGetsNoData)
{
    const struct { const char *szCase; uint32_t irCapture; } rgcase[] = {
        {"DONE stays high", 0x3C},
        {"INIT_B stays low", 0x00},
    };
    for (auto &c : rgcase) {
        TMDEVSPEC spec = FpgaSpec();
        spec.opClear = 0;   /* JPROGRAM changes nothing in this device */
        CHAINFIX fix({OtherSpec(8), spec});
        SCFPGA *pscfpga = PscfpgaSetUp(fix, 1, 3);
        fix.model.rgdev[1].irCaptureHigh = c.irCapture;
        LoadImage(pscfpga, DataOf(100));
        {
            STREP rep(LogStatus);
            EXPECT_FALSE(pscfpga->FDownload(1, rep)) << c.szCase;
            EXPECT_EQ(rep.StcEnd(), stcFailed) << c.szCase;
        }
        const TMDEV &dev = fix.model.rgdev[1];
        EXPECT_TRUE(dev.rgstream.empty()) << c.szCase << ": no CFG_IN data";
        EXPECT_EQ(Count(fix.stlog.rgrep, stcProgressRange), 0) << c.szCase;
        EXPECT_EQ(Count(fix.stlog.rgrep, stcFailed), 1) << c.szCase;
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose) << c.szCase;
        EXPECT_EQ(fix.model.State(), tmTestLogicReset) << c.szCase;
    }
}

/* A cancel accepted while the pre-configuration runs (its port call fails
 * as the abort makes it, with the cancel flag up) ends the operation with
 * one failure: no clear, no data. */
TEST(FpgaDownload, CancelDuringThePreConfigurationStopsTheDownload)
{
    for (int alg : {1, 3, 5}) {
        CHAINFIX fix({FpgaSpec(), OtherSpec(8)});
        SCFPGA *pscfpga = PscfpgaSetUp(fix, 0, alg);
        LoadImage(pscfpga, DataOf(9000));
        fix.port.ccallFailAt = 3;
        fUserAbort = true;
        {
            STREP rep(LogStatus);
            EXPECT_FALSE(pscfpga->FDownload(0, rep)) << "ALG " << alg;
            EXPECT_EQ(rep.StcEnd(), stcFailed) << "ALG " << alg;
        }
        fUserAbort = false;
        const TMDEV &dev = fix.model.rgdev[0];
        EXPECT_EQ(Count(fix.stlog.rgrep, stcProgressRange), 0) << "ALG " << alg;
        EXPECT_EQ(Count(fix.stlog.rgrep, stcFailed), 1) << "ALG " << alg;
        for (auto &rgbit : dev.rgstream)
            EXPECT_LT(rgbit.size(), 1000u) << "ALG " << alg << ": bitstream data sent";
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose) << "ALG " << alg;
    }
}
