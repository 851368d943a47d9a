// The status handlers of the scan-chain requests: for each request kind, the
// library's status codes become lines, progress moves and one completion,
// in the order the handlers make them, with the answers the library gets.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brisel.h"
#include "scstat.h"

namespace {

// Records every effect in order: "line TEXT", "pos N", "range N",
// "complete ID VALUE", "end".
class RECSINK : public SCSINK {
public:
    std::vector<std::string> rgsz;
    BOOL fChainReport = TRUE;
    BOOL fEndFails = FALSE;

    void Line(const char *sz) override { rgsz.push_back(std::string("line ") + sz); }
    void SetPos(int pos) override { rgsz.push_back("pos " + std::to_string(pos)); }
    void SetRange(int n) override { rgsz.push_back("range " + std::to_string(n)); }
    void Complete(int id, int value) override
    {
        rgsz.push_back("complete " + std::to_string(id) + " " + std::to_string(value));
    }
    BOOL FEndRunning() override
    {
        rgsz.push_back("end");
        return !fEndFails;
    }
    BOOL FEndThenComplete(int id, int value) override
    {
        if (fEndFails)
            return FALSE;
        rgsz.push_back("end");
        Complete(id, value);
        return TRUE;
    }
    BOOL FChainReport() override { return fChainReport; }
};

struct STEP {
    int32_t stc;
    int32_t value;
    int answer;   // -1: not looked at
};

struct HANDLERCASE {
    const char *szName;
    uint32_t rqt;
    int cLoop;
    std::vector<STEP> rgstep;
    std::vector<std::string> rgszExpected;
};

const HANDLERCASE rghandlercase[] = {
    {"program, progress then done", rqtProgram, 0,
     {{stcQueryContinue, 0, 1}, {stcProgressRange, 40, 1}, {stcProgress, 10, 1}, {stcProgress, 40, 1},
      {stcVerifying, 0, 1}, {stcDone, 0, -1}},
     {"pos 0", "range 40", "line Programming...", "pos 10", "pos 40", "line Verifying programming of device...",
      "line Programming Successful.", "pos 0", "complete 1044 0", "end"}},
    {"program ends with a good status check", rqtProgram, 0, {{stcStatusGood, 0, -1}},
     {"pos 0", "line Programming Successful.", "complete 1044 0", "end"}},
    {"program ends with a bad status check", rqtProgram, 0, {{stcStatusBad, 0, -1}},
     {"pos 0", "line Verification of device programming failed.", "complete 1044 1004", "end"}},
    {"program fails twice: reported once", rqtProgram, 0, {{stcFailed, 0, -1}, {stcFailed, 0, -1}},
     {"line Programming Failed.", "pos 0", "complete 1044 1004", "end"}},
    {"program: file messages go on, unknown codes stop", rqtProgram, 0,
     {{stcFileNotFound, 0, 1}, {stcFileReadFailed, 0, 1}, {stcChainMismatch, 0, 1}, {stcLongCommand, 0, 1},
      {stcEraseStart, 0, 1}, {stcNoMapFile, 0, 1}, {stcLoadingFile, 0, 1}, {stcIdcode, 5, 0}},
     {"line Configuration file not found.", "line Failed to read configuration file.",
      "line Scan chain does not match previously initialized chain.",
      "line Executing long instruction, this may take a few moments...", "line Erasing device...",
      "line No map file found.  Xilinx ISE must be installed."}},
    {"erase", rqtErase, 0, {{stcEraseStart, 0, 1}, {stcEraseEnd, 0, 1}, {stcDone, 0, -1}},
     {"line Erasing device...", "line Erase Succesful.", "complete 1046 0", "end"}},
    {"erase fails twice", rqtErase, 0, {{stcFileNotFound, 0, 0}, {stcFailed, 0, -1}, {stcFailed, 0, -1}},
     {"line Erase Failed.", "complete 1046 1005", "end"}},
    {"init chain: the operation ends before its completion", rqtInitChain, 0,
     {{stcIdcode, 0x01C22093, 1}, {stcIdcode, 0x05046093, 1}, {stcQueryContinue, 0, 1}, {stcDone, 0, -1}},
     {"line Found device ID: 01c22093", "line Found device ID: 05046093", "line Initialization Complete.", "end",
      "complete 1047 0"}},
    {"init chain fails", rqtInitChain, 0, {{stcFailed, 0, -1}, {stcFailed, 0, 1}},
     {"line Initialization Failed.", "end", "complete 1047 1001"}},
    {"get device ID, leading zeros", rqtGetId, 1, {{stcQueryContinue, 0, 1}, {stcIdcode, 0x93, 1}, {stcDone, 0, -1}},
     {"line Device ID: 00000093", "complete 1048 0", "end"}},
    {"get device ID fails", rqtGetId, 1, {{stcFailed, 0, -1}}, {"line Failed to get device ID.", "complete 1048 1009", "end"}},
    {"loop device ID, 4 reads", rqtGetId, 4,
     {{stcQueryContinue, 0, 1}, {stcIdcode, 0x05046093, 1}, {stcQueryContinue, 0, 1}, {stcIdcode, 0x05046093, 1},
      {stcIdcode, 0x05046093, 1}, {stcIdcode, 0x05046093, 1}, {stcDone, 0, -1}},
     {"pos 0", "range 10000", "pos 2500", "pos 5000", "pos 7500", "pos 10000",
      "line Device ID:  05046093 -  successfully looped 4 iterations.", "complete 1049 0", "pos 0", "end"}},
    {"loop device ID, a read differs", rqtGetId, 3,
     {{stcQueryContinue, 0, 1}, {stcIdcode, 0x05046093, 1}, {stcIdcode, -1, 1}, {stcFailed, 0, -1}, {stcDone, 0, -1}},
     {"pos 0", "range 10000", "pos 3333", "pos 6666", "line Failed to loop device ID.", "complete 1049 1009", "pos 0",
      "end"}},
    {"first read invalid", rqtGetId, 1, {{stcQueryContinue, 0, 1}, {stcIdcode, -1, 1}, {stcDone, 0, -1}},
     {"line Device ID: Invalid", "complete 1048 0", "end"}},
};

TEST(ScStat, HandlersTurnStatusIntoLinesProgressAndOneCompletion)
{
    for (const HANDLERCASE &c : rghandlercase) {
        SCOPED_TRACE(c.szName);
        SCSTAT scstat;
        RECSINK sink;
        scstat.Begin(c.rqt, c.cLoop);
        for (const STEP &step : c.rgstep) {
            uint8_t answer = scstat.FStatus(&sink, step.stc, step.value);
            if (step.answer >= 0) {
                EXPECT_EQ(answer, step.answer) << "code " << step.stc;
            }
        }
        EXPECT_EQ(sink.rgsz, c.rgszExpected);
    }
}

// A quiet chain initialisation (at device selection) shows nothing but
// still keeps the IDCODEs and completes; a new one starts the list afresh.
TEST(ScStat, QuietInitChainKeepsIdcodes)
{
    SCSTAT scstat;
    RECSINK sink;
    sink.fChainReport = FALSE;
    scstat.Begin(rqtInitChain, 0);
    scstat.FStatus(&sink, stcIdcode, 0x15045093);
    scstat.FStatus(&sink, stcIdcode, 0x01414093);
    scstat.FStatus(&sink, stcDone, 0);
    EXPECT_EQ(sink.rgsz, (std::vector<std::string>{"end", "complete 1047 0"}));
    ASSERT_EQ(scstat.Cidcode(), 2);
    EXPECT_EQ(scstat.Idcode(0), 0x15045093u);
    EXPECT_EQ(scstat.Idcode(1), 0x01414093u);
    EXPECT_EQ(scstat.Idcode(2), 0u);
    scstat.Begin(rqtProgram, 0);
    EXPECT_EQ(scstat.Cidcode(), 2) << "other requests keep the last chain's IDCODEs";
    scstat.Begin(rqtInitChain, 0);
    EXPECT_EQ(scstat.Cidcode(), 0);
}

// A time-out on "mCallback" leaves the init-chain completion unsent.
TEST(ScStat, InitChainWithoutTheMutexSendsNoCompletion)
{
    SCSTAT scstat;
    RECSINK sink;
    sink.fEndFails = TRUE;
    scstat.Begin(rqtInitChain, 0);
    scstat.FStatus(&sink, stcDone, 0);
    EXPECT_EQ(sink.rgsz, (std::vector<std::string>{"line Initialization Complete."}));
}

// More IDCODEs than the record holds are not kept beyond its room.
TEST(ScStat, IdcodeListIsBounded)
{
    SCSTAT scstat;
    RECSINK sink;
    sink.fChainReport = FALSE;
    scstat.Begin(rqtInitChain, 0);
    for (int i = 0; i < cidcodeMax + 5; i++)
        EXPECT_EQ(scstat.FStatus(&sink, stcIdcode, i), 1);
    EXPECT_EQ(scstat.Cidcode(), cidcodeMax);
    EXPECT_EQ(scstat.Idcode(cidcodeMax - 1), static_cast<uint32_t>(cidcodeMax - 1));
}

TEST(ScStat, NoRequestStopsTheLibrary)
{
    SCSTAT scstat;
    RECSINK sink;
    EXPECT_EQ(scstat.FStatus(&sink, stcQueryContinue, 0), 0);
    EXPECT_TRUE(sink.rgsz.empty());
}

} // namespace
