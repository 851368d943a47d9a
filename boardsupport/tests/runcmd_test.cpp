// The memory-manager designs' command handshake against scripted register
// ports: every result value, where the command and the polls stop, how long
// it waits in each polling rule, and the address and length register order.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "runcmd.h"

namespace {

// A register port that answers status reads from a script and records every
// access and wait.
class SCRIPTPORT : public CMDPORT {
public:
    std::deque<int> rgstatus;   // -1: the read fails; after the script: busy
    int bResult = 0x00;
    bool fResultFails = false;
    int cputOk = 1000;          // writes that succeed before they fail
    int cpollCancel = -1;       // the cancel request appears after this many polls
    std::vector<std::string> rgsz;
    uint32_t msSlept = 0;
    int cpoll = 0;

    bool FPutReg(uint8_t reg, uint8_t b) override
    {
        rgsz.push_back("put " + std::to_string(reg) + " " + std::to_string(b));
        return cputOk-- > 0;
    }
    bool FGetReg(uint8_t reg, uint8_t *pb) override
    {
        if (reg == regResult) {
            *pb = static_cast<uint8_t>(bResult);
            return !fResultFails;
        }
        cpoll++;
        int sts = stsBusy;
        if (!rgstatus.empty()) {
            sts = rgstatus.front();
            rgstatus.pop_front();
        }
        *pb = static_cast<uint8_t>(sts);
        return sts >= 0;
    }
    void SleepMs(uint32_t ms) override { msSlept += ms; }
    bool FCancelled() override { return cpollCancel >= 0 && cpoll >= cpollCancel; }
};

TEST(RunCmd, Results)
{
    struct CASE {
        const char *szWhat;
        int cmd, tsec;
        std::deque<int> rgstatus;
        int bResult;
        int rcWant;
    };
    const CASE rgcase[] = {
        {"done at once", 0x13, 1, {stsDone}, 1, 1},
        {"done after busy", 0x43, 5, {stsBusy, stsBusyFF, stsDone}, 0, 0},
        {"design's failure byte", 0x53, 240, {stsDone}, 0x22, 0x22},
        {"program ready for data", cmdProgram, 1, {stsBusy, stsDataIn}, 0, 0},
        {"data-in is busy for others", 0x13, 1, {stsDataIn, stsDataIn, stsDone}, 0, 0},
        {"read ready with data", cmdRead, 1, {stsDataOut}, 0, 0},
        {"data-out after program", cmdProgram, 1, {stsDataOut}, 0, rcUnexpected},
        {"unknown status", 0x01, 1, {7}, 0, rcUnexpected},
        {"status read fails", 0x01, 1, {stsBusy, -1}, 0, rcStatusFailed},
        {"time-out after 10 polls", 0x01, 1, {}, 0, rcTimeOut},
        {"no wait asked", 0x01, -1, {stsDone}, 0, rcTimeOut},
        {"wait only", -1, 10, {stsBusy, stsDone}, 0, 0},
    };
    for (const CASE &c : rgcase) {
        SCRIPTPORT port;
        port.rgstatus = c.rgstatus;
        port.bResult = c.bResult;
        EXPECT_EQ(RunCmd(port, c.cmd, c.tsec), c.rcWant) << c.szWhat;
        // The command is written once, first; a negative command writes nothing.
        if (c.cmd >= 0) {
            ASSERT_FALSE(port.rgsz.empty()) << c.szWhat;
            EXPECT_EQ(port.rgsz[0], "put 128 " + std::to_string(c.cmd)) << c.szWhat;
        }
        EXPECT_EQ(port.rgsz.size(), c.cmd >= 0 ? 1u : 0u) << c.szWhat;
    }
}

TEST(RunCmd, FailuresOfTheWritesAndTheResult)
{
    SCRIPTPORT port;
    port.cputOk = 0;
    EXPECT_EQ(RunCmd(port, 0x01, 1), rcWriteFailed);
    EXPECT_EQ(port.cpoll, 0);
    SCRIPTPORT portResult;
    portResult.rgstatus = {stsDone};
    portResult.fResultFails = true;
    EXPECT_EQ(RunCmd(portResult, 0x01, 1), rcResultFailed);
}

TEST(RunCmd, PollingTimesAndCancel)
{
    // Flash views: 10 x tsec polls, 100 ms apart, after the first 10 ms.
    SCRIPTPORT port;
    EXPECT_EQ(RunCmd(port, 0x01, 3), rcTimeOut);
    EXPECT_EQ(port.cpoll, 30);
    EXPECT_EQ(port.msSlept, 10u + 30 * 100);
    SCRIPTPORT portZero;
    EXPECT_EQ(RunCmd(portZero, 0x01, 0), rcTimeOut);
    EXPECT_EQ(portZero.cpoll, 0);
    // Memory programming view: one poll more, so a wait of 0 still looks once.
    SCRIPTPORT portMem;
    portMem.rgstatus = {stsDone};
    EXPECT_EQ(RunCmd(portMem, 0x01, 0, rcpollMemory), 0);
    SCRIPTPORT portMemBusy;
    EXPECT_EQ(RunCmd(portMemBusy, 0x01, 2, rcpollMemory), rcTimeOut);
    EXPECT_EQ(portMemBusy.cpoll, 21);
    SCRIPTPORT portMemNeg;
    portMemNeg.rgstatus = {stsDone};
    EXPECT_EQ(RunCmd(portMemNeg, 0x01, -1, rcpollMemory), rcTimeOut);
    EXPECT_EQ(portMemNeg.cpoll, 0);
    // A cancel request ends a busy wait; a finished command still gives its result.
    SCRIPTPORT portCancel;
    portCancel.cpollCancel = 3;
    EXPECT_EQ(RunCmd(portCancel, 0x53, 240), rcCancelled);
    EXPECT_EQ(portCancel.cpoll, 3);
    SCRIPTPORT portDone;
    portDone.cpollCancel = 0;
    portDone.rgstatus = {stsDone};
    EXPECT_EQ(RunCmd(portDone, 0x13, 1), 0);
}

TEST(RunCmd, AddressAndLengthRegisters)
{
    SCRIPTPORT port;
    ASSERT_TRUE(FPutAddress(port, 0x01234567));
    ASSERT_TRUE(FPutLength(port, 0x89ABCDEF));
    EXPECT_EQ(port.rgsz, (std::vector<std::string>{"put 148 1", "put 137 35", "put 136 69", "put 135 103",
                                                    "put 147 137", "put 146 171", "put 145 205", "put 144 239"}));
    // A failed write stops the sequence.
    SCRIPTPORT portFail;
    portFail.cputOk = 2;
    EXPECT_FALSE(FPutAddress(portFail, 0x10));
    EXPECT_EQ(portFail.rgsz.size(), 3u);
}

} // namespace
