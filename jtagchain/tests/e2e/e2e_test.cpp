/*
 * e2e_test.cpp - Brisel on simulated boards through the whole stack:
 * identification of a two-device and a three-device chain, FPGA
 * configuration from generated .bit and .bin files (checked in the
 * simulated FPGA: DONE, the configuration data it received, the design it
 * runs answering on the register port), refusal of a .bit for another part,
 * abort mid-download, a stuck TDO, and the reports of a programming run; and
 * what an engineer does at the bench: a broken-off bitstream followed by good
 * ones, programming twice, Cancel from another thread (during the download
 * and during the FPGA's pre-configuration), unusable files, two boards,
 * stopping identification and the IDCODE loop. The fixture is e2efix.h;
 * every FPGA part of the device list is in e2e_parts_test.cpp.
 */

#include "e2efix.h"

#include <atomic>

namespace {

TEST_F(E2eTest, IdentifiesATwoAndAThreeDeviceChain)
{
    EXPECT_EQ(Identify(szSn2), (std::vector<std::string>{ "XCF04S", "XC3S500E" }));
    int32_t cbitIr = 0;
    uint32_t erc = 99;
    EXPECT_TRUE(BriselGetIRLength(1, &cbitIr, &erc));
    EXPECT_EQ(cbitIr, 6);
    EXPECT_EQ(Identify(szSn3), (std::vector<std::string>{ "XC2C64A", "XC6SLX9", "XCF04S" }));
    ExpectPortReleased("xf2");
    ExpectPortReleased("xf3");
}

/* The reports of a successful run: FPGA at index s, data of cb bytes. */
std::vector<REPORT> RgreportGolden(int32_t iscdvc, size_t cdvc, size_t cb, int32_t stcEnd)
{
    std::vector<REPORT> rgreport = { { stcLoadingFile, iscdvc } };
    for (size_t i = 0; i <= cdvc; i++)
        rgreport.push_back({ stcQueryContinue, 0 });            /* re-check: every word and the end */
    rgreport.push_back({ stcProgrammingDevice, iscdvc });
    int32_t cchunk = int32_t(cb / 8192);
    rgreport.push_back({ stcProgressRange, cchunk });
    int32_t cchunkLoop = cb % 8192 == 0 ? cchunk - 1 : cchunk;
    for (int32_t k = 0; k < cchunkLoop; k++)
        rgreport.push_back({ stcProgress, k });
    rgreport.push_back({ stcVerifying, 0 });
    rgreport.push_back({ stcEnd, 0 });
    return rgreport;
}

void ExpectReports(const std::vector<REPORT> &rgreport, const std::vector<REPORT> &rgreportGolden)
{
    EXPECT_EQ(rgreport.size(), rgreportGolden.size());
    for (size_t i = 0; i < std::min(rgreport.size(), rgreportGolden.size()); i++)
        EXPECT_TRUE(rgreport[i] == rgreportGolden[i])
            << "report " << i << ": " << rgreport[i].stc << " " << rgreport[i].lValue << ", expected "
            << rgreportGolden[i].stc << " " << rgreportGolden[i].lValue;
}

/* One configuration programmed into the FPGA of a chain, end to end. */
struct PROGCASE {
    const char *szCase;
    const char *szDvc;        /* board connection */
    const char *szBoard;      /* its name in the simulator */
    size_t cdvc;              /* devices in its chain */
    const PARTFILE *ppf;
    uint32_t cword;           /* frame words of the generated design */
    bool fJtagClock;          /* start-up clock of the .bit: JTAG, else CCLK */
    const char *szExt;        /* ".bit" or ".bin" */
    int32_t stcEnd;           /* last report: DONE seen, or status read back good */
};

const PROGCASE rgprogcase[] = {
    /* The Spartan-6 in the middle of the three-device chain, from .bit and .bin. */
    {"S6Bit", szSn3, "xf3", 3, &pfS6lx9, 9000, true, ".bit", stcDone},
    {"S6Bin", szSn3, "xf3", 3, &pfS6lx9, 9000, true, ".bin", stcDone},
    /* The two-device chain (FPGA not nearest TDI), Spartan-3E, status read
     * back through CFG_OUT: a .bin whose start-up runs on CCLK, and a .bit
     * whose start-up runs on TCK in Run-Test/Idle after JSTART (the .bit
     * check requires the JTAG clock for this family). */
    {"S3eBinCclk", szSn2, "xf2", 2, &pfS3e500, 5000, false, ".bin", stcStatusGood},
    {"S3eBitJtagClock", szSn2, "xf2", 2, &pfS3e500, 3000, true, ".bit", stcStatusGood},
};

class E2eProgramTest : public E2eTest, public ::testing::WithParamInterface<PROGCASE> {};

/* The reports of the run against the golden list; the device ends configured
 * with exactly the file's data, runs the design (its registers answer) and
 * the JTAG port is released. */
TEST_P(E2eProgramTest, ProgramsTheFpgaEndToEnd)
{
    const PROGCASE &pc = GetParam();
    ASSERT_EQ(Identify(pc.szDvc).size(), pc.cdvc);
    std::string szName = std::string("prog_") + pc.szCase;
    BYTES rgbData = Generate(szName, *pc.ppf, "refio", pc.cword, pc.fJtagClock);
    ASSERT_GT(rgbData.size(), 8192u) << "more than one transfer of data";
    uint32_t erc = 99;
    ASSERT_TRUE(BriselSetConfigFile(Path(szName + pc.szExt).c_str(), 1, 3, &erc)) << erc;
    std::vector<REPORT> rgreport = Program(pc.szDvc, 1);
    ExpectReports(rgreport, RgreportGolden(1, pc.cdvc, rgbData.size(), pc.stcEnd));
    EXPECT_EQ(Fpga(pc.szBoard, "done"), "1");
    EXPECT_EQ(Fpga(pc.szBoard, "design"), "refio");
    ExpectReceived(pc.szBoard, rgbData);
    ExpectPortReleased(pc.szBoard);
    ExpectDesignRegisters(pc.szBoard, pc.szDvc);
}

INSTANTIATE_TEST_SUITE_P(Configurations, E2eProgramTest, ::testing::ValuesIn(rgprogcase),
                         [](const ::testing::TestParamInfo<PROGCASE> &info) { return info.param.szCase; });

TEST_F(E2eTest, RefusesABitFileForAnotherPart)
{
    ASSERT_EQ(Identify(szSn2).size(), 2u);
    Generate("s3e250", pfS3e250, "refio", 600);
    uint32_t erc = 0;
    EXPECT_FALSE(BriselSetConfigFile(Path("s3e250.bit").c_str(), 1, 3, &erc));
    EXPECT_EQ(erc, uint32_t(ercIdcodeConflict));
}

TEST_F(E2eTest, AbortMidDownloadEndsOnceAndReleasesThePort)
{
    ASSERT_EQ(Identify(szSn2).size(), 2u);
    /* a known state first: configured */
    Generate("s3e_abort", pfS3e500, "refio", 6000);
    uint32_t erc = 99;
    ASSERT_TRUE(BriselSetConfigFile(Path("s3e_abort.bit").c_str(), 1, 3, &erc)) << erc;
    std::vector<REPORT> rgreport = Program(szSn2, 1, stcProgress, 0);
    ASSERT_FALSE(rgreport.empty());
    EXPECT_EQ(rgreport.back(), (REPORT{ stcFailed, 0 }));
    EXPECT_EQ(std::count(rgreport.begin(), rgreport.end(), REPORT{ stcProgress, 1 }), 0);
    ExpectPortReleased("xf2");
    /* the device is left unconfigured ... */
    EXPECT_EQ(Fpga("xf2", "done"), "0");
    /* ... the next operation works on the released port, and the device
     * takes a whole configuration again */
    EXPECT_EQ(Identify(szSn2).size(), 2u);
    BYTES rgbData = Generate("s3e_again", pfS3e500, "refio", 5000);
    ASSERT_TRUE(BriselSetConfigFile(Path("s3e_again.bit").c_str(), 1, 3, &erc)) << erc;
    rgreport = Program(szSn2, 1);
    ExpectReports(rgreport, RgreportGolden(1, 2, rgbData.size(), stcStatusGood));
    EXPECT_EQ(Fpga("xf2", "done"), "1");
    ExpectReceived("xf2", rgbData);
}

/* TDO stuck at 1 never gives the all-zero word that ends the chain: the
 * identification must end with a failure instead of reading on (1001
 * without a callback). Stuck at 0 gives that word at once: the chain read
 * to its end is empty, which ends with stcDone and no device. */
TEST_F(E2eTest, StuckTdoEndsIdentificationPromptly)
{
    for (const char *szLevel : { "1", "0" }) {
        bool fHigh = szLevel[0] == '1';
        ASSERT_TRUE(Sim().FCmd(std::string("FAULT xf2 stucktdo ") + szLevel));
        RECORDER::Get().Reset();
        uint32_t erc = 99;
        auto tStart = std::chrono::steady_clock::now();
        ASSERT_TRUE(BriselInitScanChain(szSn2, E2eCallback, &erc)) << erc;
        ASSERT_TRUE(RECORDER::Get().FWaitEnd(tmsEnd)) << "TDO stuck at " << szLevel;
        EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(10)) << "TDO stuck at " << szLevel;
        std::vector<REPORT> rgreport = RECORDER::Get().Reports();
        ASSERT_FALSE(rgreport.empty());
        EXPECT_EQ(rgreport.back(), (REPORT{ fHigh ? stcFailed : stcDone, 0 })) << "TDO stuck at " << szLevel;
        EXPECT_EQ(std::count_if(rgreport.begin(), rgreport.end(),
                                [](const REPORT &r) { return RECORDER::FEndReport(r.stc); }), 1);
        if (fHigh) {
            /* 32 all-ones words fill the chain with unknown devices; the 33rd fails it */
            EXPECT_LE(std::count_if(rgreport.begin(), rgreport.end(),
                                    [](const REPORT &r) { return r.stc == stcIdcode; }), 32);
        } else {
            /* the first word is the end word: one query, no device */
            EXPECT_EQ(rgreport, (std::vector<REPORT>{ { stcQueryContinue, 0 }, { stcDone, 0 } }));
        }
        int32_t cdvc = -1;
        EXPECT_TRUE(BriselGetScdvcCount(&cdvc, &erc));
        EXPECT_EQ(cdvc, 0) << "TDO stuck at " << szLevel;
        ExpectPortReleased("xf2");
        /* the same without a callback */
        erc = 99;
        EXPECT_EQ(BriselInitScanChain(szSn2, nullptr, &erc), fHigh ? 0 : 1) << "TDO stuck at " << szLevel;
        EXPECT_EQ(erc, fHigh ? uint32_t(ercInitScanChainFailed) : 0u) << "TDO stuck at " << szLevel;
        ASSERT_TRUE(Sim().FCmd("FAULT xf2 clear"));
        ExpectPortReleased("xf2");
    }
    EXPECT_EQ(Identify(szSn2).size(), 2u);
}


/* What an FPGA engineer does on the bench, one step after the other, each
 * checked in the simulated device. A half-written bitstream (a .bin cut in
 * the middle of its frames, as a copy that broke off would be) leaves the
 * device synchronised in the middle of the configuration: the run must end
 * with a bad status, and the next good file must still configure the device. */
struct BENCHCASE {
    const char *szCase;
    const char *szDvc;
    const char *szBoard;
    size_t cdvc;
    const PARTFILE *ppf;
    int32_t stcGood;          /* end of a good run */
    int32_t stcCut;           /* end of a run of the cut file: never a success */
};

const BENCHCASE rgbenchcase[] = {
    {"S3e", szSn2, "xf2", 2, &pfS3e500, stcStatusGood, stcStatusBad},
    /* no status read in this family: DONE comes from the instruction capture */
    {"S6", szSn3, "xf3", 3, &pfS6lx9, stcDone, stcStatusBad},
};

class E2eBenchTest : public E2eTest, public ::testing::WithParamInterface<BENCHCASE> {};

TEST_P(E2eBenchTest, CutFileThenGoodFileTwiceThenIdentify)
{
    const BENCHCASE &bc = GetParam();
    ASSERT_EQ(Identify(bc.szDvc).size(), bc.cdvc);
    std::string szGood = std::string("bench_") + bc.szCase;
    BYTES rgbData = Generate(szGood, *bc.ppf, "refio", 5000);
    BYTES rgbCut(rgbData.begin(), rgbData.begin() + long(rgbData.size() / 2));
    ASSERT_TRUE(FWrite(Path(szGood + "_cut.bin"), rgbCut));
    uint32_t erc = 99;

    ASSERT_TRUE(BriselSetConfigFile(Path(szGood + "_cut.bin").c_str(), 1, 3, &erc)) << erc;
    std::vector<REPORT> rgreport = Program(bc.szDvc, 1);
    ASSERT_FALSE(rgreport.empty());
    EXPECT_EQ(rgreport.back(), (REPORT{ bc.stcCut, 0 }));
    EXPECT_EQ(Fpga(bc.szBoard, "done"), "0") << "a cut bitstream never starts the device";
    ExpectPortReleased(bc.szBoard);

    /* the chain is still there after the failed run */
    EXPECT_EQ(Identify(bc.szDvc).size(), bc.cdvc);

    ASSERT_TRUE(BriselSetConfigFile(Path(szGood + ".bit").c_str(), 1, 3, &erc)) << erc;
    for (int irun = 0; irun < 2; irun++) {
        rgreport = Program(bc.szDvc, 1);
        ExpectReports(rgreport, RgreportGolden(1, bc.cdvc, rgbData.size(), bc.stcGood));
        EXPECT_EQ(Fpga(bc.szBoard, "done"), "1") << "run " << irun;
        EXPECT_EQ(Fpga(bc.szBoard, "design"), "refio") << "run " << irun;
        ExpectReceived(bc.szBoard, rgbData);
        ExpectPortReleased(bc.szBoard);
    }
    /* and once more without a callback: the export gives the outcome */
    EXPECT_TRUE(BriselProgramDvc(bc.szDvc, 1, nullptr, &erc));
    EXPECT_EQ(erc, 0u);
    EXPECT_EQ(Fpga(bc.szBoard, "done"), "1");
    ExpectReceived(bc.szBoard, rgbData);
    ExpectPortReleased(bc.szBoard);
    EXPECT_EQ(Identify(bc.szDvc).size(), bc.cdvc);
}

INSTANTIATE_TEST_SUITE_P(Boards, E2eBenchTest, ::testing::ValuesIn(rgbenchcase),
                         [](const ::testing::TestParamInfo<BENCHCASE> &info) { return info.param.szCase; });

/* Two boards, one chain each: programming the FPGA of one board leaves the
 * other board's FPGA running its design; the operations follow the
 * connection name given to each export, not the last identified chain. */
TEST_F(E2eTest, ProgrammingOneBoardLeavesTheOtherRunning)
{
    BYTES rgbS3e = Generate("both_s3e", pfS3e500, "refio", 3000);
    BYTES rgbS6 = Generate("both_s6", pfS6lx9, "refio", 3000);
    uint32_t erc = 99;
    ASSERT_EQ(Identify(szSn2).size(), 2u);
    ASSERT_TRUE(BriselSetConfigFile(Path("both_s3e.bit").c_str(), 1, 3, &erc)) << erc;
    ASSERT_EQ(Program(szSn2, 1).back(), (REPORT{ stcStatusGood, 0 }));
    ASSERT_EQ(Identify(szSn3).size(), 3u);
    ASSERT_TRUE(BriselSetConfigFile(Path("both_s6.bit").c_str(), 1, 3, &erc)) << erc;
    ASSERT_EQ(Program(szSn3, 1).back(), (REPORT{ stcDone, 0 }));
    for (const char *szBoard : { "xf2", "xf3" }) {
        EXPECT_EQ(Fpga(szBoard, "done"), "1") << szBoard;
        EXPECT_EQ(Fpga(szBoard, "design"), "refio") << szBoard;
        ExpectPortReleased(szBoard);
    }
    ExpectReceived("xf2", rgbS3e);
    ExpectReceived("xf3", rgbS6);
    /* the chain in the library is xf3's: a device operation on xf2 meets
     * another chain and must not touch either device */
    std::vector<REPORT> rgreport = Program(szSn2, 1);
    EXPECT_EQ(std::count(rgreport.begin(), rgreport.end(), REPORT{ stcChainMismatch, 1 }), 1);
    EXPECT_EQ(rgreport.back(), (REPORT{ stcFailed, 0 }));
    EXPECT_EQ(std::count_if(rgreport.begin(), rgreport.end(), [](const REPORT &r) { return r.stc == stcProgressRange; }), 0);
    for (const char *szBoard : { "xf2", "xf3" }) {
        EXPECT_EQ(Fpga(szBoard, "done"), "1") << szBoard;
        ExpectPortReleased(szBoard);
    }
    ExpectReceived("xf2", rgbS3e);
    ExpectReceived("xf3", rgbS6);
}

/* A .bit for another part associated without the check (as a board-support
 * plug-in does): the device refuses the bitstream by its IDCODE word, the run
 * ends with a bad status, and the right file configures the device next. */
TEST_F(E2eTest, BitstreamForAnotherPartIsRefusedByTheDeviceThenTheRightOneWorks)
{
    ASSERT_EQ(Identify(szSn2).size(), 2u);
    Generate("other_part", pfS3e250, "refio", 3000);
    BYTES rgbData = Generate("right_part", pfS3e500, "refio", 3000);
    uint32_t erc = 99;
    ASSERT_TRUE(BriselSetConfigFile(Path("other_part.bit").c_str(), 1, 0, &erc)) << erc;
    std::vector<REPORT> rgreport = Program(szSn2, 1);
    ASSERT_FALSE(rgreport.empty());
    EXPECT_EQ(rgreport.back(), (REPORT{ stcStatusBad, 0 }));
    EXPECT_EQ(Fpga("xf2", "done"), "0");
    ExpectPortReleased("xf2");
    ASSERT_TRUE(BriselSetConfigFile(Path("right_part.bit").c_str(), 1, 3, &erc)) << erc;
    rgreport = Program(szSn2, 1);
    ExpectReports(rgreport, RgreportGolden(1, 2, rgbData.size(), stcStatusGood));
    EXPECT_EQ(Fpga("xf2", "done"), "1");
    ExpectReceived("xf2", rgbData);
}

/* Files that never reach the device: the run ends with the file's report and
 * stcFailed, the device keeps the design it runs and the port is free. */
TEST_F(E2eTest, UnusableFilesLeaveTheRunningDesignAlone)
{
    ASSERT_EQ(Identify(szSn2).size(), 2u);
    BYTES rgbData = Generate("keep", pfS3e500, "refio", 3000);
    uint32_t erc = 99;
    ASSERT_TRUE(BriselSetConfigFile(Path("keep.bit").c_str(), 1, 3, &erc)) << erc;
    ASSERT_EQ(Program(szSn2, 1).back(), (REPORT{ stcStatusGood, 0 }));

    BYTES rgbBit;
    {
        FILE *pf = fopen(Path("keep.bit").c_str(), "rb");
        ASSERT_TRUE(pf != nullptr);
        int ch;
        while ((ch = fgetc(pf)) != EOF)
            rgbBit.push_back(uint8_t(ch));
        fclose(pf);
    }
    ASSERT_TRUE(FWrite(Path("short.bit"), BYTES(rgbBit.begin(), rgbBit.end() - 100)));
    ASSERT_TRUE(FWrite(Path("empty.bin"), BYTES()));
    ASSERT_TRUE(FWrite(Path("upper.BIT"), rgbBit));
    const struct {
        const char *szFile;
        std::vector<REPORT> rgreport;
    } rgcase[] = {
        { "missing.bin", { { stcLoadingFile, 1 }, { stcFileNotFound, 0 }, { stcFailed, 0 } } },
        { "short.bit", { { stcLoadingFile, 1 }, { stcFileReadFailed, 0 }, { stcFailed, 0 } } },
        { "empty.bin", { { stcLoadingFile, 1 }, { stcFileReadFailed, 0 }, { stcFailed, 0 } } },
        /* the type is taken from the extension as written: no FPGA file type */
        { "upper.BIT", { { stcFailed, 0 } } },
    };
    for (const auto &c : rgcase) {
        /* association with no check: the run must catch it */
        ASSERT_TRUE(BriselSetConfigFile(Path(c.szFile).c_str(), 1, 0, &erc)) << c.szFile;
        std::vector<REPORT> rgreport = Program(szSn2, 1);
        EXPECT_EQ(rgreport, c.rgreport) << c.szFile;
        EXPECT_EQ(Fpga("xf2", "done"), "1") << c.szFile;
        EXPECT_EQ(Fpga("xf2", "design"), "refio") << c.szFile;
        ExpectPortReleased("xf2");
    }
}

/* BriselAbortProg from another thread while the bitstream goes out (the
 * desktop program's Cancel): the run ends with one stcFailed, the port is
 * released, and the device, left in the middle of a bitstream, takes the
 * next whole configuration. */
uint8_t BRISELCALL AbortFromOtherThreadAtProgress(int32_t stc, int32_t lValue)
{
    if (stc == stcProgress && lValue == 0) {
        std::thread thd([] {
            uint32_t erc = 99;
            BriselAbortProg(&erc);
        });
        thd.join();
    }
    return RECORDER::Get().Report(stc, lValue);
}

TEST_F(E2eTest, AbortFromAnotherThreadThenProgramAgain)
{
    ASSERT_EQ(Identify(szSn2).size(), 2u);
    BYTES rgbData = Generate("s3e_cancel", pfS3e500, "refio", 9000);
    uint32_t erc = 99;
    ASSERT_TRUE(BriselSetConfigFile(Path("s3e_cancel.bit").c_str(), 1, 3, &erc)) << erc;
    RECORDER::Get().Reset();
    ASSERT_TRUE(BriselProgramDvc(szSn2, 1, AbortFromOtherThreadAtProgress, &erc)) << erc;
    ASSERT_TRUE(RECORDER::Get().FWaitEnd(tmsEnd));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<REPORT> rgreport = RECORDER::Get().Reports();
    EXPECT_EQ(CountEndsOf(rgreport), 1u);
    ASSERT_FALSE(rgreport.empty());
    EXPECT_EQ(rgreport.back(), (REPORT{ stcFailed, 0 }));
    EXPECT_EQ(Fpga("xf2", "done"), "0");
    ExpectPortReleased("xf2");

    std::vector<REPORT> rgreportAgain = Program(szSn2, 1);
    ExpectReports(rgreportAgain, RgreportGolden(1, 2, rgbData.size(), stcStatusGood));
    EXPECT_EQ(Fpga("xf2", "done"), "1");
    ExpectReceived("xf2", rgbData);
    ExpectPortReleased("xf2");
}

/* Cancel as soon as the device's programming starts: another thread calls
 * BriselAbortProg until it is accepted, which happens while the FPGA's
 * pre-configuration holds the port (the first port the run opens after
 * stcProgrammingDevice). */
std::thread thdCancel;
std::atomic<bool> fCancelAccepted{false};
uint8_t BRISELCALL CancelAtProgrammingDevice(int32_t stc, int32_t lValue)
{
    if (stc == stcProgrammingDevice) {
        thdCancel = std::thread([] {
            auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            uint32_t erc = 0;
            while (std::chrono::steady_clock::now() < tEnd) {
                if (BriselAbortProg(&erc)) {
                    fCancelAccepted = true;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    return RECORDER::Get().Report(stc, lValue);
}

/* A cancel accepted before the bitstream goes out ends the run with one
 * failure: no data, the design the FPGA ran before goes on or the device is
 * left cleared, never a success; the next run programs the device. */
TEST_F(E2eTest, CancelDuringThePreConfigurationEndsTheRun)
{
    ASSERT_EQ(Identify(szSn3).size(), 3u);
    BYTES rgbData = Generate("s6_cancel", pfS6lx9, "refio", 9000);
    uint32_t erc = 99;
    ASSERT_TRUE(BriselSetConfigFile(Path("s6_cancel.bit").c_str(), 1, 3, &erc)) << erc;
    RECORDER::Get().Reset();
    fCancelAccepted = false;
    ASSERT_TRUE(BriselProgramDvc(szSn3, 1, CancelAtProgrammingDevice, &erc)) << erc;
    ASSERT_TRUE(RECORDER::Get().FWaitEnd(tmsEnd));
    if (thdCancel.joinable())
        thdCancel.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<REPORT> rgreport = RECORDER::Get().Reports();
    ASSERT_TRUE(fCancelAccepted) << "BriselAbortProg never accepted during the run";
    EXPECT_EQ(CountEndsOf(rgreport), 1u);
    ASSERT_FALSE(rgreport.empty());
    EXPECT_EQ(rgreport.back(), (REPORT{ stcFailed, 0 }));
    EXPECT_EQ(std::count_if(rgreport.begin(), rgreport.end(), [](const REPORT &r) { return r.stc == stcProgress; }),
              0) << "the bitstream went out after the cancel";
    EXPECT_NE(Fpga("xf3", "cfgbytes"), std::to_string(rgbData.size() - IbSync(rgbData)));
    ExpectPortReleased("xf3");

    std::vector<REPORT> rgreportAgain = Program(szSn3, 1);
    ExpectReports(rgreportAgain, RgreportGolden(1, 3, rgbData.size(), stcDone));
    EXPECT_EQ(Fpga("xf3", "design"), "refio");
    ExpectReceived("xf3", rgbData);
}

/* A callback that answers false to the n-th stcQueryContinue (1 = the
 * first; 0 = never) and keeps the reports. One run at a time. */
class STOPREC {
public:
    static STOPREC &Get()
    {
        static STOPREC stoprec;
        return stoprec;
    }
    void Reset(int cqueryStop)
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgreport.clear();
        cqueryLeft = cqueryStop;
        cend = 0;
    }
    bool FWaitEnd()
    {
        std::unique_lock<std::mutex> lock(mtx);
        bool fEnded = cv.wait_for(lock, std::chrono::milliseconds(tmsEnd), [&] { return cend > 0; });
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));   /* nothing may follow the end */
        return fEnded;
    }
    std::vector<REPORT> Reports()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgreport;
    }
    static uint8_t BRISELCALL Callback(int32_t stc, int32_t lValue)
    {
        STOPREC &sr = Get();
        std::lock_guard<std::mutex> lock(sr.mtx);
        sr.rgreport.push_back({ stc, lValue });
        if (RECORDER::FEndReport(stc)) {
            sr.cend++;
            sr.cv.notify_all();
        }
        return stc == stcQueryContinue && sr.cqueryLeft > 0 && --sr.cqueryLeft == 0 ? 0 : 1;
    }

private:
    std::mutex mtx;
    std::condition_variable cv;
    std::vector<REPORT> rgreport;
    int cqueryLeft = 0;
    int cend = 0;
};


/* The IDCODE loop: rounds read the device's IDCODE; a stop at any query ends
 * with stcFailed (-1 for the loop's first query, else 0 first) and releases
 * the port; the loop then runs again. */
TEST_F(E2eTest, IdcodeLoopRunsStopsAndRunsAgain)
{
    ASSERT_EQ(Identify(szSn3).size(), 3u);
    const uint32_t idcodeS6 = 0x04001093;
    for (int cqueryStop : { 0, 1, 2, 5, 0 }) {
        STOPREC::Get().Reset(cqueryStop);
        uint32_t erc = 99;
        ASSERT_TRUE(BriselGetIDCODE(szSn3, 1, 3, STOPREC::Callback, &erc)) << erc;
        ASSERT_TRUE(STOPREC::Get().FWaitEnd()) << "stop at " << cqueryStop;
        std::vector<REPORT> rgreport = STOPREC::Get().Reports();
        ASSERT_FALSE(rgreport.empty());
        EXPECT_EQ(CountEndsOf(rgreport), 1u) << "stop at " << cqueryStop;
        EXPECT_TRUE(RECORDER::FEndReport(rgreport.back().stc));
        if (cqueryStop == 0) {
            /* the device's own word, version field included */
            EXPECT_EQ(std::count_if(rgreport.begin(), rgreport.end(), [&](const REPORT &r) {
                          return r.stc == stcIdcode && (uint32_t(r.lValue) & 0x0FFFFFFFu) == idcodeS6;
                      }), 3);
            EXPECT_EQ(rgreport.back().stc, stcDone);
            EXPECT_EQ(uint32_t(rgreport.back().lValue) & 0x0FFFFFFFu, idcodeS6);
            EXPECT_EQ(std::count(rgreport.begin(), rgreport.end(), REPORT{ stcIdcode, -1 }), 0);
        } else {
            EXPECT_EQ(rgreport.back().stc, stcFailed) << "stop at " << cqueryStop;
            EXPECT_EQ(rgreport.back().lValue, cqueryStop == 1 ? -1 : 0) << "stop at " << cqueryStop;
        }
        ExpectPortReleased("xf3");
    }
    /* synchronous: a device past the end of the chain is refused */
    uint32_t erc = 99;
    EXPECT_TRUE(BriselGetIDCODE(szSn3, 2, 2, nullptr, &erc)) << erc;
    EXPECT_FALSE(BriselGetIDCODE(szSn3, 3, 2, nullptr, &erc));
    EXPECT_EQ(erc, uint32_t(ercDeviceUnknown));
    ExpectPortReleased("xf3");
}

/* Identification stopped at any of its word queries ends with one
 * stcFailed (0), leaves no half chain behind and releases the port; the
 * next identification finds the whole chain again. */
TEST_F(E2eTest, IdentificationStoppedLeavesNoHalfChain)
{
    for (int cqueryStop : { 1, 2, 3, 4 }) {
        STOPREC::Get().Reset(cqueryStop);
        uint32_t erc = 99;
        ASSERT_TRUE(BriselInitScanChain(szSn3, STOPREC::Callback, &erc)) << erc;
        ASSERT_TRUE(STOPREC::Get().FWaitEnd()) << "stop at " << cqueryStop;
        std::vector<REPORT> rgreport = STOPREC::Get().Reports();
        EXPECT_EQ(CountEndsOf(rgreport), 1u) << "stop at " << cqueryStop;
        ASSERT_FALSE(rgreport.empty());
        EXPECT_EQ(rgreport.back(), (REPORT{ stcFailed, 0 })) << "stop at " << cqueryStop;
        EXPECT_EQ(std::count(rgreport.begin(), rgreport.end(), REPORT{ stcQueryContinue, 0 }), cqueryStop);
        int32_t cdvc = -1;
        EXPECT_TRUE(BriselGetScdvcCount(&cdvc, &erc));
        EXPECT_EQ(cdvc, 0) << "stop at " << cqueryStop;
        ExpectPortReleased("xf3");
        EXPECT_EQ(Identify(szSn3), (std::vector<std::string>{ "XC2C64A", "XC6SLX9", "XCF04S" }));
    }
}

} // namespace
