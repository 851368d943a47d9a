// The sixteen exports over the chain model: results and error codes, the
// description records, file association, and the operation threads with
// their one end report.
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string.h>
#include <thread>
#include <utility>
#include <vector>

#include "apifix.h"
#include "schain.h"
#include "tmpdir.h"

extern SCHAIN *pschainLib;


TEST(BriselApi, InitModeAndTerm)
{
    {
        APIFIX fix({devXc3s500e});
        SCMODE scmode = 9;
        uint32_t erc = 5;
        EXPECT_TRUE(BriselGetMode(&scmode, &erc));
        EXPECT_EQ(scmode, 0u);
        EXPECT_TRUE(BriselSetMode(15, &erc));
        EXPECT_TRUE(BriselGetMode(&scmode, &erc));
        EXPECT_EQ(scmode, 15u);
        EXPECT_FALSE(BriselGetMode(nullptr, &erc));
        EXPECT_EQ(erc, (uint32_t)ercNullParameter);
        int32_t c = 7;
        EXPECT_TRUE(BriselGetScdvcCount(&c, &erc));
        EXPECT_EQ(c, 0);
        EXPECT_FALSE(BriselGetScdvcCount(nullptr, nullptr));
        char szVersion[64];
        EXPECT_TRUE(BriselGetBriselVersion(szVersion));
        EXPECT_STREQ(szVersion, "1.0.0.0");
    }
    /* missing platform objects or data directory: 1013 */
    uint32_t erc = 0;
    ptestsysCur = nullptr;
    EXPECT_FALSE(BriselInit(&erc));
    EXPECT_EQ(erc, (uint32_t)ercInitFailed);
    TESTSYS testsys;
    testsys.fFailDataDir = true;
    ptestsysCur = &testsys;
    TAPMODEL model({devXc3s500e});
    MODELPORT port(&model);
    pjtportCur = &port;
    EXPECT_FALSE(BriselInit(&erc));
    EXPECT_EQ(erc, (uint32_t)ercInitFailed);
    ptestsysCur = nullptr;
    pjtportCur = nullptr;
}

TEST(BriselApi, IdentifiesATwoDeviceChainWithTheFpgaAwayFromTdi)
{
    APIFIX fix({devXcf04s, devXc3s500e});
    fix.Identify();
    int32_t c = 0;
    uint32_t erc;
    ASSERT_TRUE(BriselGetScdvcCount(&c, &erc));
    ASSERT_EQ(c, 2);
    JTDVC jtdvc;
    memset(&jtdvc, 0, sizeof(jtdvc));
    ASSERT_TRUE(BriselGetJtdvc(0, &jtdvc, &erc));
    EXPECT_STREQ(jtdvc.szName, "XCF04S");
    EXPECT_EQ(jtdvc.idbmpNormal, 109);
    EXPECT_EQ(jtdvc.cbFilter, 73);
    memset(&jtdvc, 0, sizeof(jtdvc));
    ASSERT_TRUE(BriselGetJtdvc(1, &jtdvc, &erc));
    EXPECT_STREQ(jtdvc.szName, "XC3S500E");
    EXPECT_EQ(jtdvc.idbmpNormal, 106);
    EXPECT_EQ(jtdvc.idbmpHighlight, 108);
    EXPECT_EQ(jtdvc.idbmpDisabled, 107);
    EXPECT_EQ(jtdvc.idbmpFrame, 105);
    EXPECT_NE(jtdvc.hmodBitmaps, nullptr);
    int32_t cbitIr = 0;
    EXPECT_TRUE(BriselGetIRLength(1, &cbitIr, &erc));
    EXPECT_EQ(cbitIr, 6);
    EXPECT_TRUE(BriselGetIRLength(0, &cbitIr, &erc));
    EXPECT_EQ(cbitIr, 8);
    EXPECT_FALSE(BriselGetIRLength(2, &cbitIr, &erc));
    EXPECT_EQ(erc, (uint32_t)ercNullParameter);
    EXPECT_FALSE(BriselGetIRLength(-1, &cbitIr, &erc));
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    EXPECT_EQ(fix.port.strDvcOpened, "sim:board");
    EXPECT_EQ(fix.model.State(), tmTestLogicReset);
}

TEST(BriselApi, IdentificationReportsOnItsOwnThreadInOrder)
{
    APIFIX fix({devXc2c64a, devXc3s500e, devXcf04s});
    uint32_t erc = 5;
    ASSERT_TRUE(BriselInitScanChain("sim:board", RecordStatus, &erc));
    EXPECT_EQ(erc, 0u);
    RGREP rgrep = fix.RgrepAfterEnd();
    RGREP rgrepWant = {
        {stcQueryContinue, 0}, {stcIdcode, 0x05046093},
        {stcQueryContinue, 0}, {stcIdcode, 0x41C22093},
        {stcQueryContinue, 0}, {stcIdcode, 0x06E5E093},
        {stcQueryContinue, 0}, {stcDone, 0},
    };
    EXPECT_EQ(rgrep, rgrepWant);
    EXPECT_NE(fix.reprec.idThread, std::this_thread::get_id());
    JTDVC jtdvc;
    memset(&jtdvc, 0, sizeof(jtdvc));
    ASSERT_TRUE(BriselGetJtdvc(0, &jtdvc, &erc));
    EXPECT_STREQ(jtdvc.szName, "XC2C64A");
    EXPECT_EQ(jtdvc.cbFilter, 49);
    memset(&jtdvc, 0, sizeof(jtdvc));
    ASSERT_TRUE(BriselGetJtdvc(2, &jtdvc, &erc));
    EXPECT_STREQ(jtdvc.szName, "XCF04S");
}

TEST(BriselApi, IdentificationFailuresEndWithOneFailedReport)
{
    struct {
        const char *szCase; int tdoStuck; bool fStop; bool fFailOpen; int32_t cDvc; int32_t stcEnd; bool fSyncOk;
    } rgcase[] = {
        {"TDO stuck at 1", 1, false, false, 0, stcFailed, false},
        {"TDO stuck at 0", 0, false, false, 0, stcDone, true},   /* ends at once: an empty chain */
        {"stopped by the callback", -1, true, false, 0, stcFailed, true},
        {"port does not open", -1, false, true, 0, stcFailed, false},
    };
    for (auto &c : rgcase) {
        APIFIX fix({devXc3s500e, devXcf04s});
        fix.Identify();
        fix.model.SetStuckTdo(c.tdoStuck);
        fix.port.fFailOpen = c.fFailOpen;
        if (c.fStop)
            fix.reprec.stcAnswerFalse = stcQueryContinue;
        uint32_t erc = 5;
        auto tStart = std::chrono::steady_clock::now();
        ASSERT_TRUE(BriselInitScanChain("sim:board", RecordStatus, &erc)) << c.szCase;
        RGREP rgrep = fix.RgrepAfterEnd();
        EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(5)) << c.szCase;
        ExpectOneEndLast(rgrep, c.stcEnd, 0);
        int32_t cDvc = -1;
        EXPECT_TRUE(BriselGetScdvcCount(&cDvc, &erc));
        EXPECT_EQ(cDvc, c.cDvc) << c.szCase;
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose) << c.szCase;
        /* the same without a callback (nothing to stop it): the export gives 1001 on failure */
        EXPECT_EQ(BriselInitScanChain("sim:board", nullptr, &erc), c.fSyncOk ? 1 : 0) << c.szCase;
        EXPECT_EQ(erc, c.fSyncOk ? 0u : (uint32_t)ercInitScanChainFailed) << c.szCase;
    }
}

/* Nothing identified (no device list): the chain was read to its end and is
 * empty; the identification succeeds with it, and the list is not created. */
TEST(BriselApi, MissingDeviceListGivesAnEmptyChain)
{
    APIFIX fix({devXc3s500e});
    fix.Identify();
    TMPDIR tmpdir("api-nolist");
    fix.testsys.strDataDir = tmpdir.StrDir();
    uint32_t erc;
    ASSERT_TRUE(BriselInit(&erc));   /* picks up the new data directory */
    ASSERT_TRUE(BriselInitScanChain("sim:board", RecordStatus, &erc));
    RGREP rgrep = fix.RgrepAfterEnd();
    ExpectOneEndLast(rgrep, stcDone, 0);
    EXPECT_EQ(CountReports(rgrep, stcIdcode), 0);
    int32_t c = -1;
    BriselGetScdvcCount(&c, &erc);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    erc = 99;
    EXPECT_EQ(BriselInitScanChain("sim:board", nullptr, &erc), 1);
    EXPECT_EQ(erc, 0u);
    EXPECT_FALSE(std::filesystem::exists(tmpdir.StrFile("briseldvclist.txt")));
}

/* TDO stuck at 0 gives the end word first: one read, then an empty chain. */
TEST(BriselApi, TdoStuckAt0EndsAfterTheFirstWord)
{
    APIFIX fix({devXc3s500e, devXcf04s});
    fix.Identify();
    fix.model.SetStuckTdo(0);
    uint32_t erc = 5;
    ASSERT_TRUE(BriselInitScanChain("sim:board", RecordStatus, &erc));
    RGREP rgrep = fix.RgrepAfterEnd();
    RGREP rgrepWant = {{stcQueryContinue, 0}, {stcDone, 0}};
    EXPECT_EQ(rgrep, rgrepWant);
    int32_t c = -1;
    BriselGetScdvcCount(&c, &erc);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    /* the end walk still leaves the chain in Test-Logic-Reset */
    EXPECT_EQ(fix.model.State(), tmTestLogicReset);
}

TEST(BriselApi, JtdvcCopiesSizesAndRefusals)
{
    APIFIX fix({devXc3s500e});
    fix.Identify();
    uint32_t erc;
    JTDVC jtdvc;
    memset(&jtdvc, 0, sizeof(jtdvc));
    char szDummy[4];
    jtdvc.szFilter = szDummy;
    ASSERT_TRUE(BriselGetJtdvc(0, &jtdvc, &erc));
    EXPECT_EQ(jtdvc.cbFilter, 49);
    EXPECT_EQ(jtdvc.szFilter, nullptr);

    char rgchFilter[128];
    memset(rgchFilter, 'x', sizeof(rgchFilter));
    jtdvc.cbFilter = sizeof(rgchFilter);
    jtdvc.szFilter = rgchFilter;
    ASSERT_TRUE(BriselGetJtdvc(0, &jtdvc, &erc));
    const char rgchWant[] = "FPGA Config Files (*.bit; *.svf)\0*.bit; *.svf\0";
    EXPECT_EQ(memcmp(rgchFilter, rgchWant, sizeof(rgchWant)), 0);
    EXPECT_EQ(jtdvc.cbFilter, 128);

    JTDVC jtdvcSmall;
    memset(&jtdvcSmall, 0x5A, sizeof(jtdvcSmall));
    jtdvcSmall.cbFilter = 10;
    JTDVC jtdvcBefore = jtdvcSmall;
    EXPECT_FALSE(BriselGetJtdvc(0, &jtdvcSmall, &erc));
    EXPECT_EQ(erc, (uint32_t)ercBufferTooSmall);
    EXPECT_EQ(memcmp(&jtdvcSmall, &jtdvcBefore, sizeof(JTDVC)), 0);

    EXPECT_FALSE(BriselGetJtdvc(1, &jtdvc, &erc));
    EXPECT_EQ(erc, (uint32_t)ercNullParameter);
    EXPECT_FALSE(BriselGetJtdvc(-1, &jtdvc, &erc));
}

namespace {

/* A .bit file with a part name and 40 data bytes; byte 29 bit 0 is the JTAG start-up clock. */
void WriteBit(const TMPDIR &tmpdir, const std::string &strName, const char *szPart, bool fJtagClock)
{
    std::string str;
    auto u16 = [&](int w) { str.push_back((char)(w >> 8)); str.push_back((char)w); };
    u16(9);
    str.append("\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00", 9);
    u16(1);
    str.push_back('a'); u16(6); str.append("t.ncd", 6);
    str.push_back('b'); u16((int)strlen(szPart) + 1); str.append(szPart, strlen(szPart) + 1);
    str.push_back('e'); u16(0); u16(40);
    std::string strData(40, '\xFF');
    strData[29] = fJtagClock ? 0x05 : 0x04;
    str += strData;
    tmpdir.Write(strName, str);
}

} // namespace

TEST(BriselApi, ConfigFileAssociation)
{
    APIFIX fix({devXcf04s, devXc3s500e});
    fix.Identify();
    TMPDIR tmpdir("api-assoc");
    WriteBit(tmpdir, "good.bit", "3s500efg320", true);
    WriteBit(tmpdir, "cclk.bit", "3s500efg320", false);
    WriteBit(tmpdir, "other.bit", "3s250efg320", true);
    WriteBit(tmpdir, "unknown.bit", "3s9999e", true);
    WriteBit(tmpdir, "prom.bit", "3s500efg320", true);
    struct { std::string strPath; int iscdvc; uint32_t fsCheck; int32_t fOk; uint32_t erc; bool fStored; } rgcase[] = {
        {tmpdir.StrFile("good.bit"), 1, 3, 1, 0, true},
        {tmpdir.StrFile("unknown.bit"), 1, 1, 0, ercDeviceUnknown, true},        /* keeps good.bit */
        {tmpdir.StrFile("other.bit"), 1, 1, 0, ercIdcodeConflict, false},        /* clears */
        {tmpdir.StrFile("good.bit"), 1, 3, 1, 0, true},
        {tmpdir.StrFile("cclk.bit"), 1, 2, 0, ercStartupClockCclk, false},
        {tmpdir.StrFile("cclk.bit"), 1, 0, 1, 0, true},
        {tmpdir.StrFile("prom.bit"), 0, 2, 0, ercStartupClockJtag, false},
        {tmpdir.StrFile("cclk.bit"), 0, 2, 1, 0, true},
        {tmpdir.StrFile("missing.bit"), 1, 3, 1, 0, true},                       /* unreadable: accepted */
        {tmpdir.StrFile("other.BIT"), 1, 3, 1, 0, true},                         /* not ".bit": no check */
        {"no-dot-at-all", 1, 3, 1, 0, true},
    };
    /* fStored: the path is the device's now (a failure: its previous path is kept, or else cleared) */
    std::string rgstrStored[2];
    for (auto &c : rgcase) {
        uint32_t erc = 99;
        EXPECT_EQ(BriselSetConfigFile(c.strPath.c_str(), c.iscdvc, c.fsCheck, &erc), c.fOk) << c.strPath;
        EXPECT_EQ(erc, c.erc) << c.strPath;
        std::string &strWant = rgstrStored[c.iscdvc];
        if (c.fOk)
            strWant = c.strPath;
        else if (!c.fStored)
            strWant.clear();
        for (int iscdvc = 0; iscdvc < 2; iscdvc++)
            EXPECT_EQ(std::string(pschainLib->PscdvcFromIscdvc(iscdvc)->szPath), rgstrStored[iscdvc])
                << c.strPath << " then device " << iscdvc;
    }
    uint32_t erc;
    EXPECT_TRUE(BriselSetConfigFile(nullptr, 1, 0, &erc));
    EXPECT_STREQ(pschainLib->PscdvcFromIscdvc(1)->szPath, "") << "no path clears the association";
    EXPECT_FALSE(BriselSetConfigFile("x.svf", 2, 0, &erc));
    EXPECT_EQ(erc, (uint32_t)ercNullParameter);
}

TEST(BriselApi, OperationsWithACallbackReturnAtOnceAndReportOneEnd)
{
    APIFIX fix({devXcf04s, devXc3s500e});
    fix.Identify();
    uint32_t erc = 5;
    /* a device without a file */
    ASSERT_TRUE(BriselProgramDvc("sim:board", 1, RecordStatus, &erc));
    EXPECT_EQ(erc, 0u);
    ExpectOneEndLast(fix.RgrepAfterEnd(), stcFailed, 0);
    /* without a callback: the export's own code */
    EXPECT_FALSE(BriselProgramDvc("sim:board", 1, nullptr, &erc));
    EXPECT_EQ(erc, (uint32_t)ercProgramFailed);
    EXPECT_FALSE(BriselEraseDvc("sim:board", 1, nullptr, &erc));
    EXPECT_EQ(erc, (uint32_t)ercEraseFailed);
    EXPECT_FALSE(BriselVerifyDvc("sim:board", 1, nullptr, &erc));
    EXPECT_EQ(erc, (uint32_t)ercVerifyFailed);
}

TEST(BriselApi, BadIndexOrNoThreadFailsTheExportWithoutReports)
{
    APIFIX fix({devXc3s500e});
    fix.Identify();
    struct { const char *szCase; int32_t (*pfnRun)(uint32_t *); uint32_t erc; } rgcase[] = {
        {"program 5", [](uint32_t *perc) { return BriselProgramDvc("sim:board", 5, RecordStatus, perc); }, ercProgramFailed},
        {"erase -1", [](uint32_t *perc) { return BriselEraseDvc("sim:board", -1, RecordStatus, perc); }, ercEraseFailed},
        {"verify 1", [](uint32_t *perc) { return BriselVerifyDvc("sim:board", 1, RecordStatus, perc); }, ercVerifyFailed},
        {"idcode 1", [](uint32_t *perc) { return BriselGetIDCODE("sim:board", 1, 3, RecordStatus, perc); }, ercDeviceUnknown},
    };
    for (auto &c : rgcase) {
        uint32_t erc = 0;
        EXPECT_FALSE(c.pfnRun(&erc)) << c.szCase;
        EXPECT_EQ(erc, c.erc) << c.szCase;
    }
    fix.testsys.fFailThreads = true;
    uint32_t erc = 0;
    EXPECT_FALSE(BriselInitScanChain("sim:board", RecordStatus, &erc));
    EXPECT_EQ(erc, (uint32_t)ercInitScanChainFailed);
    EXPECT_FALSE(BriselProgramSC("sim:board", RecordStatus, &erc));
    EXPECT_EQ(erc, (uint32_t)ercProgramFailed);
    EXPECT_FALSE(BriselGetIDCODE("sim:board", 0, 1, RecordStatus, &erc));
    EXPECT_EQ(erc, (uint32_t)ercDeviceUnknown);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(fix.reprec.rgrep.empty());
}

TEST(BriselApi, IdcodeLoop)
{
    struct { const char *szCase; int cLoop; bool fSwap; RGREP rgrepWant; } rgcase[] = {
        {"three rounds", 3, false,
         {{stcQueryContinue, 0},
          {stcQueryContinue, 0}, {stcQueryContinue, 0}, {stcIdcode, 0x41C22093}, {stcQueryContinue, 0},
          {stcQueryContinue, 0}, {stcQueryContinue, 0}, {stcIdcode, 0x41C22093}, {stcQueryContinue, 0},
          {stcQueryContinue, 0}, {stcQueryContinue, 0}, {stcIdcode, 0x41C22093}, {stcQueryContinue, 0},
          {stcDone, 0x41C22093}}},
        {"no round", 0, false, {{stcQueryContinue, 0}, {stcDone, 0}}},
        {"another word at the place", 1, true,
         {{stcQueryContinue, 0}, {stcQueryContinue, 0}, {stcQueryContinue, 0}, {stcIdcode, -1}, {stcQueryContinue, 0},
          {stcFailed, -1}}},
    };
    for (auto &c : rgcase) {
        /* device 0 nearest TDI: its word is the second one out */
        APIFIX fix({devXc3s500e, devXcf04s});
        fix.Identify();
        if (c.fSwap)
            fix.model.rgdev[0].spec.idcode = 0x41C1A093;
        uint32_t erc = 5;
        ASSERT_TRUE(BriselGetIDCODE("sim:board", 0, c.cLoop, RecordStatus, &erc));
        RGREP rgrep = fix.RgrepAfterEnd();
        EXPECT_EQ(rgrep, c.rgrepWant) << c.szCase;
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    }
}

TEST(BriselApi, AbortWithoutAnOpenPortFails)
{
    APIFIX fix({devXc3s500e});
    uint32_t erc = 0;
    EXPECT_FALSE(BriselAbortProg(&erc));
    EXPECT_EQ(erc, (uint32_t)ercAbortFailed);
}

TEST(BriselApi, ProgramChainReportsEachDeviceThenTheCount)
{
    APIFIX fix({devXcf04s, devXc3s500e});
    fix.Identify();
    uint32_t erc;
    ASSERT_TRUE(BriselSetConfigFile("a.svf", 0, 0, &erc));
    ASSERT_TRUE(BriselSetConfigFile("b.svf", 1, 0, &erc));
    ASSERT_TRUE(BriselProgramSC("sim:board", RecordStatus, &erc));
    std::unique_lock<std::mutex> lock(fix.reprec.mtx);
    fix.reprec.cv.wait_for(lock, std::chrono::seconds(20),
                           [&] { return CountReports(fix.reprec.rgrep, stcChainProgrammed) > 0; });
    lock.unlock();
    fix.WaitThreads();
    /* each device's SVF file is missing: it cannot be read, and the device fails */
    RGREP rgrepWant = {{stcLoadingFile, 0}, {stcFileReadFailed, 0}, {stcFailed, 0},
                       {stcLoadingFile, 1}, {stcFileReadFailed, 0}, {stcFailed, 0}, {stcChainProgrammed, 0}};
    EXPECT_EQ(fix.reprec.rgrep, rgrepWant);
}

namespace {

const TMDEVSPEC devXc3s500eCfg = {6, 0x41C22093, 0x09, 0x04, 32, 0x05, true, 0x0B, 0x0C};

/* An FPGA that answers CFG_OUT with DONE set. */
void SetDone(TMDEV &dev)
{
    for (int k = 0; k < 32; k++)
        dev.testReg[k] = (0x00004000u >> (31 - k)) & 1;
}

uint8_t BRISELCALL AbortAtFirstProgress(int32_t stc, int32_t lValue)
{
    if (stc == stcProgress && lValue == 0) {
        uint32_t erc = 9;
        EXPECT_TRUE(BriselAbortProg(&erc));
        EXPECT_EQ(erc, 0u);
    }
    return RecordStatus(stc, lValue);
}

} // namespace

TEST(BriselApi, ProgramsTheFpgaFromABinFileWithTheGoldenReports)
{
    APIFIX fix({devXcf04s, devXc3s500eCfg});
    SetDone(fix.model.rgdev[1]);
    fix.Identify();
    TMPDIR tmpdir("api-program");
    std::string strData(20000, '\0');
    for (size_t i = 0; i < strData.size(); i++)
        strData[i] = (char)(i * 7);
    tmpdir.Write("design.bin", strData);
    uint32_t erc = 5;
    ASSERT_TRUE(BriselSetConfigFile(tmpdir.StrFile("design.bin").c_str(), 1, 3, &erc));
    ASSERT_TRUE(BriselProgramDvc("sim:board", 1, RecordStatus, &erc));
    RGREP rgrep = fix.RgrepAfterEnd();
    RGREP rgrepWant = {
        {stcLoadingFile, 1},
        {stcQueryContinue, 0}, {stcQueryContinue, 0}, {stcQueryContinue, 0},
        {stcProgrammingDevice, 1},
        {stcProgressRange, 2}, {stcProgress, 0}, {stcProgress, 1},
        {stcVerifying, 0},
        {stcStatusGood, 0},
    };
    EXPECT_EQ(rgrep, rgrepWant);
    /* the configuration logic got the file's bytes, most significant bit first */
    const TMDEV &dev = fix.model.rgdev[1];
    ASSERT_GE(dev.rgstream.size(), 4u);
    const std::vector<int> &rgbit = dev.rgstream[3];
    ASSERT_EQ(rgbit.size(), 32 + strData.size() * 8);
    bool fSame = true;
    for (size_t ib = 0; ib < strData.size() && fSame; ib++)
        for (int k = 0; k < 8; k++)
            fSame &= rgbit[32 + ib * 8 + k] == (((uint8_t)strData[ib] >> (7 - k)) & 1);
    EXPECT_TRUE(fSame);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
}

TEST(BriselApi, NotConfiguredFpgaEndsWithStatusBad)
{
    APIFIX fix({devXc3s500eCfg});
    fix.Identify();
    TMPDIR tmpdir("api-statusbad");
    tmpdir.Write("d.bin", std::string(100, '\x55'));
    uint32_t erc;
    ASSERT_TRUE(BriselSetConfigFile(tmpdir.StrFile("d.bin").c_str(), 0, 0, &erc));
    ASSERT_TRUE(BriselProgramDvc("sim:board", 0, RecordStatus, &erc));
    ExpectOneEndLast(fix.RgrepAfterEnd(), stcStatusBad, 0);
    /* a bitstream that did not start the device is cleared away (JPROGRAM),
     * so that the next download meets configuration logic at its start */
    ASSERT_FALSE(fix.model.rgdev[0].rgirUpdated.empty());
    EXPECT_EQ(fix.model.rgdev[0].rgirUpdated.back(), 0x0Bu);
    EXPECT_EQ(fix.model.State(), tmTestLogicReset);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    EXPECT_FALSE(BriselProgramDvc("sim:board", 0, nullptr, &erc));
    EXPECT_EQ(erc, (uint32_t)ercProgramFailed);
}

TEST(BriselApi, AbortMidDownloadEndsOnceAndReleasesThePort)
{
    APIFIX fix({devXc3s500eCfg, devXcf04s});
    SetDone(fix.model.rgdev[0]);
    fix.Identify();
    TMPDIR tmpdir("api-abort");
    tmpdir.Write("big.bin", std::string(5 * 8192 + 1, '\x33'));
    uint32_t erc;
    ASSERT_TRUE(BriselSetConfigFile(tmpdir.StrFile("big.bin").c_str(), 0, 0, &erc));
    ASSERT_TRUE(BriselProgramDvc("sim:board", 0, AbortAtFirstProgress, &erc));
    RGREP rgrep = fix.RgrepAfterEnd();
    ExpectOneEndLast(rgrep, stcFailed, 0);
    EXPECT_EQ(CountReports(rgrep, stcProgress), 1);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    /* the port is released: a new operation opens it again and works */
    fix.reprec.rgrep.clear();
    fix.reprec.cEnd = 0;
    ASSERT_TRUE(BriselProgramDvc("sim:board", 0, RecordStatus, &erc));
    ExpectOneEndLast(fix.RgrepAfterEnd(), stcStatusGood, 0);
}

/* Cancel (BriselAbortProg) during a chain run stops the chain at the device
 * it was at: the next device's file is not even loaded. */
TEST(BriselApi, AbortDuringChainProgrammingStopsTheChain)
{
    APIFIX fix({devXc3s500eCfg, devXc3s500eCfg});
    SetDone(fix.model.rgdev[0]);
    SetDone(fix.model.rgdev[1]);
    fix.Identify();
    TMPDIR tmpdir("api-abort-chain");
    tmpdir.Write("big.bin", std::string(3 * 8192 + 1, '\x33'));
    uint32_t erc;
    ASSERT_TRUE(BriselSetConfigFile(tmpdir.StrFile("big.bin").c_str(), 0, 0, &erc));
    ASSERT_TRUE(BriselSetConfigFile(tmpdir.StrFile("big.bin").c_str(), 1, 0, &erc));
    ASSERT_TRUE(BriselProgramSC("sim:board", AbortAtFirstProgress, &erc));
    std::unique_lock<std::mutex> lock(fix.reprec.mtx);
    fix.reprec.cv.wait_for(lock, std::chrono::seconds(20),
                           [&] { return CountReports(fix.reprec.rgrep, stcChainProgrammed) > 0; });
    lock.unlock();
    fix.WaitThreads();
    RGREP &rgrep = fix.reprec.rgrep;
    EXPECT_EQ(CountReports(rgrep, stcLoadingFile), 1);
    EXPECT_EQ(CountReports(rgrep, stcFailed), 1);
    ASSERT_FALSE(rgrep.empty());
    EXPECT_EQ(rgrep.back(), std::make_pair((int32_t)stcChainProgrammed, (int32_t)0));
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    /* the device that was stopped is left cleared, the other never took CFG_IN */
    ASSERT_FALSE(fix.model.rgdev[0].rgirUpdated.empty());
    EXPECT_EQ(fix.model.rgdev[0].rgirUpdated.back(), 0x0Bu);
    const std::vector<uint32_t> &rgirOther = fix.model.rgdev[1].rgirUpdated;
    EXPECT_EQ(std::count(rgirOther.begin(), rgirOther.end(), 0x05u), 0);
}

TEST(BriselApi, UnsupportedCombinationsFailWithoutTraffic)
{
    APIFIX fix({devXcf04s, devXc3s500eCfg});
    fix.Identify();
    int cOpen = fix.port.cOpen;
    uint32_t erc;
    ASSERT_TRUE(BriselSetConfigFile("x.jed", 1, 0, &erc));   /* a .jed file for an FPGA */
    ASSERT_TRUE(BriselProgramDvc("sim:board", 1, RecordStatus, &erc));
    ExpectOneEndLast(fix.RgrepAfterEnd(), stcFailed, 0);
    EXPECT_EQ(fix.port.cOpen, cOpen);   /* no JTAG traffic */
}

TEST(BriselApi, ThirtyTwoDevicesFitTheThirtyThirdEmptiesTheChain)
{
    for (int cdvc : {32, 33}) {
        APIFIX fix(std::vector<TMDEVSPEC>(cdvc, devXc3s500e));
        uint32_t erc = 5;
        EXPECT_EQ(BriselInitScanChain("sim:board", nullptr, &erc), cdvc == 32 ? 1 : 0) << cdvc;
        int32_t c = -1;
        EXPECT_TRUE(BriselGetScdvcCount(&c, &erc));
        EXPECT_EQ(c, cdvc == 32 ? 32 : 0);
        EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
    }
}

TEST(BriselApi, IdcodeLoopFindsTheDevicePastAnUnidentifiedWord)
{
    /* device nearest TDO has a vendor's IDCODE with no family of its own in the list: passed over */
    const TMDEVSPEC devOdd = {4, 0x0AAAA093, 0x01, 0, 0, 0, false};   /* Xilinx vendor code, unknown family */
    APIFIX fix({devXc3s500e, devOdd});
    TMPDIR tmpdir("api-odd");
    tmpdir.Write("briseldvclist.txt",
                 "VENDOR {\nXILINX 093h 0FFFh\n}\nXILINX {\nFAMILY {\nXC3S$E 01C00000h 0FE00000h\n}\n"
                 "XC3S$E {\nTYPE = FPGA\nIRLEN = 6\nALG = 1\nDEVICES {\n500 01C22093h 0FFFFFFFh\n}\n}\n}\n");
    fix.testsys.strDataDir = tmpdir.StrDir();
    uint32_t erc;
    ASSERT_TRUE(BriselInit(&erc));
    fix.Identify();
    int32_t c = 0;
    BriselGetScdvcCount(&c, &erc);
    ASSERT_EQ(c, 1);
    ASSERT_TRUE(BriselGetIDCODE("sim:board", 0, 2, RecordStatus, &erc));
    RGREP rgrep = fix.RgrepAfterEnd();
    ExpectOneEndLast(rgrep, stcDone, 0x41C22093);
    EXPECT_EQ(CountReports(rgrep, stcIdcode), 2);
}

namespace {

/* The operation thread waits at its first progress report until the test
 * thread has aborted the transfer. */
std::mutex mtxAbort;
std::condition_variable cvAbort;
bool fAtProgress = false, fAbortDone = false;

uint8_t BRISELCALL WaitForAbort(int32_t stc, int32_t lValue)
{
    if (stc == stcProgress && lValue == 0) {
        std::unique_lock<std::mutex> lock(mtxAbort);
        fAtProgress = true;
        cvAbort.notify_all();
        cvAbort.wait_for(lock, std::chrono::seconds(20), [] { return fAbortDone; });
    }
    return RecordStatus(stc, lValue);
}

} // namespace

TEST(BriselApi, AbortFromAnotherThreadStopsTheDownload)
{
    APIFIX fix({devXc3s500eCfg, devXcf04s});
    SetDone(fix.model.rgdev[0]);
    fix.Identify();
    TMPDIR tmpdir("api-abort-thread");
    tmpdir.Write("big.bin", std::string(4 * 8192, '\x0F'));
    uint32_t erc;
    ASSERT_TRUE(BriselSetConfigFile(tmpdir.StrFile("big.bin").c_str(), 0, 0, &erc));
    ASSERT_TRUE(BriselProgramDvc("sim:board", 0, WaitForAbort, &erc));
    {
        std::unique_lock<std::mutex> lock(mtxAbort);
        ASSERT_TRUE(cvAbort.wait_for(lock, std::chrono::seconds(20), [] { return fAtProgress; }));
    }
    EXPECT_TRUE(BriselAbortProg(&erc));
    EXPECT_EQ(erc, 0u);
    {
        std::lock_guard<std::mutex> lock(mtxAbort);
        fAbortDone = true;
        cvAbort.notify_all();
    }
    RGREP rgrep = fix.RgrepAfterEnd();
    ExpectOneEndLast(rgrep, stcFailed, 0);
    EXPECT_EQ(CountReports(rgrep, stcProgress), 1);
    EXPECT_EQ(fix.port.cAbort, 1);
    EXPECT_EQ(fix.port.cOpen, fix.port.cClose);
}
