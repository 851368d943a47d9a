// SVF reader and player on the chain model: the statements read from text
// as tools write it, refused text with its line, and what the devices end
// up with after a play (instruction, test register, TAP state, clocks), the
// TDO comparison, header and trailer patterns, scans longer than one piece,
// RUNTEST clocks and times, stop and missing files.
#include <gtest/gtest.h>

#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "chainfix.h"
#include "chainops.h"
#include "svfcmd.h"
#include "svfplay.h"
#include "tmpdir.h"

namespace {

std::vector<SVFCMD> Parse(const std::string &str)
{
    std::vector<SVFCMD> rgcmd;
    int line = -1;
    std::string strErr;
    EXPECT_TRUE(FParseSvfText(str.data(), str.size(), rgcmd, &line, &strErr)) << line << ": " << strErr;
    return rgcmd;
}

std::string Hex(const std::vector<uint8_t> &rgb)
{
    std::string str;
    char sz[3];
    for (size_t ib = rgb.size(); ib-- > 0;) {
        snprintf(sz, sizeof(sz), "%02x", rgb[ib]);
        str += sz;
    }
    return str;
}

TEST(SvfParse, StatementsAsToolsWriteThem)
{
    std::string str =
        "// Created by a tool\r\n"
        "! a comment line\r\n"
        "TRST OFF;\r\nENDIR IDLE;\r\nenddr drpause;\r\n"
        "FREQUENCY 1E6 HZ;\r\n"
        "STATE  IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;\r\n"
        "SIR 8 TDI (ff) TDO (01) MASK (03) ;\r\n"
        "SDR 40 TDI (00000\r\n  000ff) SMASK (ff\nffffffff) // trailing comment\r\n;\r\n"
        "RUNTEST DRPAUSE 20 TCK;\r\n"
        "RUNTEST IDLE 2 TCK 1.00E-02 SEC MAXIMUM 1 SEC ENDSTATE RESET;\r\n"
        "RUNTEST 1.5E-2 SEC;\r\n"
        "HDR 0;\r\nTIR 3 TDI (7);\r\nPIOMAP (IN A);\r\n";
    std::vector<SVFCMD> rgcmd = Parse(str);
    ASSERT_EQ(rgcmd.size(), 12u);
    EXPECT_EQ(rgcmd[0].svfk, svfkTrst);
    EXPECT_EQ(rgcmd[2].svfk, svfkEndDr);
    EXPECT_EQ(rgcmd[2].tapst, tapstDrPause);
    EXPECT_EQ(rgcmd[3].hz, 1e6);
    EXPECT_EQ(rgcmd[4].rgtapst, (std::vector<int>{tapstIrExit2, tapstIrUpdate, tapstDrSelect, tapstDrCapture,
                                                  tapstDrExit1, tapstDrPause}));
    EXPECT_EQ(rgcmd[5].line, 8);
    EXPECT_EQ(Hex(rgcmd[5].scan.tdo), "01");
    EXPECT_EQ(Hex(rgcmd[5].scan.mask), "03");
    EXPECT_EQ(rgcmd[6].line, 9);
    EXPECT_EQ(rgcmd[6].scan.cbit, 40u);
    EXPECT_EQ(Hex(rgcmd[6].scan.tdi), "00000000ff");
    EXPECT_EQ(Hex(rgcmd[6].scan.smask), "ffffffffff");
    EXPECT_TRUE(rgcmd[6].scan.tdo.empty());
    EXPECT_EQ(rgcmd[7].tapst, tapstDrPause);
    EXPECT_EQ(rgcmd[7].cclk, 20u);
    EXPECT_EQ(rgcmd[8].cclk, 2u);
    EXPECT_DOUBLE_EQ(rgcmd[8].secMin, 0.01);
    EXPECT_EQ(rgcmd[8].tapstEnd, tapstReset);
    EXPECT_EQ(rgcmd[9].cclk, 0u);
    EXPECT_DOUBLE_EQ(rgcmd[9].secMin, 0.015);
    EXPECT_EQ(rgcmd[9].tapst, tapstNone);
    EXPECT_EQ(rgcmd[10].scan.cbit, 0u);
    EXPECT_EQ(Hex(rgcmd[11].scan.tdi), "07");
}

TEST(SvfParse, ValuesFillFromTheRightAndDropWhatIsTooLong)
{
    // ten ones from 3FF; one then fifteen zeros from 1; eight ones from 1FF
    std::vector<SVFCMD> rgcmd = Parse("SIR 10 TDI (3FF);\nSDR 16 TDI (1);\nSDR 8 TDI (1FF);\n");
    ASSERT_EQ(rgcmd.size(), 3u);
    EXPECT_EQ(Hex(rgcmd[0].scan.tdi), "03ff");
    EXPECT_EQ(Hex(rgcmd[1].scan.tdi), "0001");
    EXPECT_EQ(Hex(rgcmd[2].scan.tdi), "ff");
}

TEST(SvfParse, RefusedTextGivesItsLine)
{
    const struct { const char *sz; int line; } rgcase[] = {
        {"SIR 8 TDI (ff);\nBOGUS 1;\n", 2},
        {"SIR 8 TDI (ff)\n", 1},                         // no ";" before the end
        {"\n\nSDR 8 TDI (fg);\n", 3},                    // not a hexadecimal digit
        {"SDR 8 TDI (ff;\n", 1},                         // value not closed
        {"SDR TDI (ff);\n", 1},                          // no length
        {"SDR 8 TDX (ff);\n", 1},
        {"SDR 8 TDI ff;\n", 1},
        {"STATE IDLE DRSHIFT;\n", 1},                    // not a stable end
        {"ENDDR DRSHIFT;\n", 1},
        {"RUNTEST IDLE;\n", 1},                          // neither count nor time
        {"RUNTEST 10 XYZ;\n", 1},
        {"RUNTEST 1.5 TCK;\n", 1},
        {"TRST MAYBE;\n", 1},
        {"PIO (HLX);\n", 1},                             // parallel vectors: not on a JTAG port
        {"SDR 8 TDI (ff);\n(00);\n", 2},
        {"SIR 8 TDI (ff) junk;\n", 1},
        {"; \n", 1},
        {"FREQUENCY 1E6;\n", 1},
        {"SDR 99999999999 TDI (0);\n", 1},
        {"\x01SDR 8 TDI(0);\n", 1},
    };
    for (auto &c : rgcase) {
        std::vector<SVFCMD> rgcmd;
        int line = -1;
        std::string strErr;
        EXPECT_FALSE(FParseSvfText(c.sz, strlen(c.sz), rgcmd, &line, &strErr)) << c.sz;
        EXPECT_EQ(line, c.line) << c.sz;
        EXPECT_FALSE(strErr.empty()) << c.sz;
    }
}

// A device with a test register of cbitTest bits under opcode 0x10 (IR 8).
TMDEVSPEC TestDev(int cbitIr, uint32_t idcode, int cbitTest)
{
    TMDEVSPEC spec = {cbitIr, idcode, 0x01, 0x10, cbitTest, 0, false};
    return spec;
}

struct SVFFIX {
    explicit SVFFIX(const std::vector<TMDEVSPEC> &rgspec) : fix(rgspec), dir("svf") {}
    bool FPlay(const std::string &strText, int iscdvc = 0)
    {
        dir.Write("t.svf", strText);
        fix.schain.iscdvcSel = iscdvc;
        snprintf(fix.schain.rgpscdvc[iscdvc]->szPath, cchScPath, "%s", dir.StrFile("t.svf").c_str());
        STREP rep(LogStatus);
        return FProgramDvc(&fix.schain, rep);
    }
    std::vector<int> TestReg(int idev) { return fix.model.rgdev[idev].testReg; }
    int CountOf(int32_t stc)
    {
        int c = 0;
        for (auto &r : fix.stlog.rgrep)
            c += r.first == stc;
        return c;
    }
    CHAINFIX fix;
    TMPDIR dir;
};

std::vector<int> BitsOf(uint64_t v, int cbit)
{
    std::vector<int> rgbit;
    for (int k = 0; k < cbit; k++)
        rgbit.push_back((int)((v >> k) & 1));
    return rgbit;
}

TEST(SvfPlay, ScansReachTheDeviceAndTdoIsCompared)
{
    SVFFIX sf({TestDev(8, 0x06E5E093, 16)});
    EXPECT_TRUE(sf.FPlay("SIR 8 TDI (01);\nSDR 32 TDI (0) TDO (f6e5f093) MASK (0fff8fff);\n"
                         "SIR 8 TDI (10);\nSDR 16 TDI (ABCD);\nSDR 16 TDI (1234) TDO (abcd);\n"));
    EXPECT_EQ(sf.TestReg(0), BitsOf(0x1234, 16));
    EXPECT_EQ(sf.fix.model.State(), tmRunTestIdle);
    EXPECT_EQ(sf.fix.stlog.rgrep.back(), std::make_pair((int32_t)stcDone, 0));
    EXPECT_EQ(sf.fix.port.cOpen, sf.fix.port.cClose);

    // a TDO that differs under the mask stops the play at its line
    SVFFIX sf2({TestDev(8, 0x06E5E093, 16)});
    EXPECT_FALSE(sf2.FPlay("SIR 8 TDI (10);\nSDR 16 TDI (ABCD);\n\nSDR 16 TDI (1234) TDO (abcf);\n"
                           "SDR 16 TDI (5555);\n"));
    EXPECT_EQ(sf2.CountOf(ercVerifyFailed), 1);
    for (auto &r : sf2.fix.stlog.rgrep) {
        if (r.first == ercVerifyFailed) {
            EXPECT_EQ(r.second, 4);
        }
    }
    EXPECT_EQ(sf2.TestReg(0), BitsOf(0x1234, 16));   // the statement after it never ran
    EXPECT_EQ(sf2.fix.stlog.rgrep.back().first, stcFailed);
    EXPECT_EQ(sf2.fix.model.State(), tmRunTestIdle);
    EXPECT_EQ(sf2.fix.port.cOpen, sf2.fix.port.cClose);

    // outside the mask a difference does not count
    SVFFIX sf3({TestDev(8, 0x06E5E093, 16)});
    EXPECT_TRUE(sf3.FPlay("SIR 8 TDI (10);\nSDR 16 TDI (ABCD);\nSDR 16 TDI (0) TDO (abcf) MASK (fff0);\n"));
}

TEST(SvfPlay, HeaderAndTrailerCoverTheOtherDevices)
{
    // device 0 nearest TDI (IR 6, the target), device 1 nearest TDO (IR 8):
    // the header goes first and ends in device 1
    SVFFIX sf({TestDev(6, 0, 12), TestDev(8, 0, 4)});
    EXPECT_TRUE(sf.FPlay("HIR 8 TDI (ff);\nHDR 1 TDI (0);\nSIR 6 TDI (10);\nSDR 12 TDI (a5c) TDO (000);\n"
                         "SDR 12 TDI (3c3) TDO (a5c);\n"));
    EXPECT_EQ(sf.TestReg(0), BitsOf(0x3C3, 12));
    EXPECT_EQ(sf.fix.model.rgdev[0].irCur, 0x10u);
    EXPECT_EQ(sf.fix.model.rgdev[1].irCur, 0xFFu);
    EXPECT_EQ(sf.TestReg(1), BitsOf(0, 4));
}

TEST(SvfPlay, HeaderTwoBitsTrailerOneBitAndTheEndState)
{
    // a DR scan of 4 bits A with a header of 2 zero bits and a trailer 1:
    // TDI 0,0, 0,1,0,1, then 1 with TMS 1; ENDDR DRPAUSE leaves it in Pause-DR
    SVFFIX sf({TestDev(8, 0, 7)});
    EXPECT_TRUE(sf.FPlay("SIR 8 TDI (10);\nHDR 2 TDI (0);\nTDR 1 TDI (1);\nENDDR DRPAUSE;\nSDR 4 TDI (A);\n"));
    EXPECT_EQ(sf.fix.model.State(), tmPauseDr);
    EXPECT_TRUE(sf.FPlay("SIR 8 TDI (10);\nHDR 2 TDI (0);\nTDR 1 TDI (1);\nSDR 4 TDI (A);\n"));
    // the 7-bit register holds the last 7 bits shifted, the first at bit 0
    EXPECT_EQ(sf.TestReg(0), (std::vector<int>{0, 0, 0, 1, 0, 1, 1}));
}

TEST(SvfPlay, ScansLongerThanOnePiece)
{
    const int cbit = 20011;
    SVFFIX sf({TestDev(8, 0, cbit)});
    std::string strHex, strHexNext;
    std::vector<int> rgbit(cbit);
    uint32_t x = 12345;
    for (int k = 0; k < cbit; k++) {
        x = x * 1103515245u + 12345u;
        rgbit[k] = (x >> 16) & 1;
    }
    // hex of the bits, most significant digit first, wrapped every 64 digits as tools write them
    int cdig = (cbit + 3) / 4;
    for (int idig = cdig - 1; idig >= 0; idig--) {
        int nib = 0;
        for (int k = 0; k < 4; k++)
            if (idig * 4 + k < cbit && rgbit[idig * 4 + k])
                nib |= 1 << k;
        strHex += "0123456789abcdef"[nib];
        if (idig % 64 == 0 && idig != 0)
            strHex += "\n";
    }
    EXPECT_TRUE(sf.FPlay("SIR 8 TDI (10);\nSDR 20011 TDI (" + strHex + ");\nSDR 20011 TDI (0) TDO (" + strHex +
                         ");\n"));
    EXPECT_EQ(sf.TestReg(0), std::vector<int>(cbit, 0));
    EXPECT_LE(sf.fix.port.cbitMaxPut, 8000u);
    // the same value read back with one bit flipped in the third piece fails
    SVFFIX sf2({TestDev(8, 0, cbit)});
    std::string strBad = strHex;
    strBad[strBad.size() - 4200] = strBad[strBad.size() - 4200] == '0' ? '1' : '0';
    EXPECT_FALSE(sf2.FPlay("SIR 8 TDI (10);\nSDR 20011 TDI (" + strHex + ");\nSDR 20011 TDI (0) TDO (" +
                           strBad + ");\n"));
    EXPECT_EQ(sf2.CountOf(ercVerifyFailed), 1);
}

TEST(SvfPlay, RunTestClocksTimesAndStates)
{
    SVFFIX sf({TestDev(8, 0, 4)});
    std::string strSvf = "STATE RESET;\nSTATE RESET;\nSTATE IDLE;\nSTATE IDLE;\nRUNTEST 20000 TCK;\n";
    ASSERT_TRUE(sf.FPlay(strSvf));
    // reset walk; Idle to Test-Logic-Reset, one TMS 1 clock there; to Idle, one TMS 0 clock there; 20000 TMS 0 clocks
    std::string &strTms = sf.fix.model.strTms;
    EXPECT_EQ(strTms.substr(0, 6), "111110");
    EXPECT_EQ(strTms.substr(6, 6), "111100");
    EXPECT_EQ(strTms.size(), 6u + 3 + 1 + 1 + 1 + 20000);
    EXPECT_EQ(strTms.find('1', 10), std::string::npos);

    // minimum times are slept; the run and end states are honoured
    SVFFIX sf2({TestDev(8, 0, 4)});
    ASSERT_TRUE(sf2.FPlay("RUNTEST DRPAUSE 20 TCK 1.00E-02 SEC ENDSTATE IRPAUSE;\n"));
    EXPECT_EQ(sf2.fix.model.State(), tmPauseIr);
    EXPECT_EQ(sf2.fix.rgtmsSlept, (std::vector<uint32_t>{10}));
    SVFFIX sf3({TestDev(8, 0, 4)});
    ASSERT_TRUE(sf3.FPlay("RUNTEST 1.5E-4 SEC;\nSTATE DRPAUSE;\n"));
    EXPECT_EQ(sf3.fix.rgtmsSlept, (std::vector<uint32_t>{1}));
    EXPECT_EQ(sf3.fix.model.State(), tmPauseDr);
    // more than a million clocks are announced first
    SVFFIX sf4({TestDev(8, 0, 4)});
    ASSERT_TRUE(sf4.FPlay("RUNTEST 1000001 TCK;\n"));
    EXPECT_EQ(sf4.CountOf(stcLongCommand), 1);
    EXPECT_EQ(sf4.fix.model.cclk, 6u + 1000001u);
}

TEST(SvfPlay, ReportsStopAndFiles)
{
    SVFFIX sf({TestDev(8, 0, 4)});
    ASSERT_TRUE(sf.FPlay("SIR 8 TDI (10);\nSDR 4 TDI (5);\n"));
    std::vector<std::pair<int32_t, int32_t>> rgWant = {
        {stcLoadingFile, 0}, {stcProgressRange, 2}, {stcProgrammingDevice, 0}, {stcProgress, 0}, {stcProgress, 1},
        {stcDone, 0}};
    EXPECT_EQ(sf.fix.stlog.rgrep, rgWant);

    // the answer false to the first progress report stops the play
    SVFFIX sf2({TestDev(8, 0, 4)});
    sf2.fix.stlog.cAnswerFalseAt = 3;
    EXPECT_FALSE(sf2.FPlay("SIR 8 TDI (10);\nSDR 4 TDI (5);\n"));
    EXPECT_TRUE(fUserAbort.load());
    EXPECT_EQ(sf2.TestReg(0), BitsOf(0, 4));
    EXPECT_EQ(sf2.fix.stlog.rgrep.back().first, stcFailed);
    EXPECT_EQ(sf2.fix.model.State(), tmRunTestIdle);

    // a missing file and one that cannot be read (a folder): the SVF could not be read, line 0;
    // then an unknown statement (nothing is played), a scan that never had TDI
    for (const char *szName : {"missing.svf", "folder.svf"}) {
        SVFFIX sf3({TestDev(8, 0, 4)});
        sf3.fix.schain.iscdvcSel = 0;
        std::string strPath = sf3.dir.StrFile(szName);
        if (strcmp(szName, "folder.svf") == 0)
            ASSERT_TRUE(std::filesystem::create_directory(strPath));
        snprintf(sf3.fix.schain.rgpscdvc[0]->szPath, cchScPath, "%s", strPath.c_str());
        {
            STREP rep(LogStatus);
            EXPECT_FALSE(FProgramDvc(&sf3.fix.schain, rep));
        }
        std::vector<std::pair<int32_t, int32_t>> rgWant = {{stcLoadingFile, 0}, {stcFileReadFailed, 0}, {stcFailed, 0}};
        EXPECT_EQ(sf3.fix.stlog.rgrep, rgWant) << szName;
        EXPECT_EQ(sf3.fix.port.cOpen, 0) << szName;
    }

    SVFFIX sf4({TestDev(8, 0, 4)});
    EXPECT_FALSE(sf4.FPlay("SIR 8 TDI (10);\nSDR 4 TDI (5);\nLOOP 3;\n"));
    EXPECT_EQ(sf4.fix.port.cOpen, 0);
    EXPECT_EQ(sf4.fix.stlog.rgrep[1], std::make_pair((int32_t)stcFileReadFailed, 3));

    SVFFIX sf5({TestDev(8, 0, 4)});
    EXPECT_FALSE(sf5.FPlay("SIR 8 TDI (10);\nSDR 4 TDO (5);\n"));
    EXPECT_EQ(sf5.CountOf(stcFileReadFailed), 1);
    EXPECT_EQ(sf5.fix.port.cOpen, sf5.fix.port.cClose);
}

TEST(SvfPlay, TdiKeptForTheSameLengthAndAPortFailure)
{
    SVFFIX sf({TestDev(8, 0, 8)});
    EXPECT_TRUE(sf.FPlay("SIR 8 TDI (10);\nSDR 8 TDI (5a);\nSDR 8 TDO (5a);\n"));
    EXPECT_EQ(sf.TestReg(0), BitsOf(0x5A, 8));

    SVFFIX sf2({TestDev(8, 0, 8)});
    sf2.fix.port.ccallFailAt = 4;
    EXPECT_FALSE(sf2.FPlay("SIR 8 TDI (10);\nSDR 8 TDI (5a);\nSDR 8 TDO (5a);\n"));
    EXPECT_EQ(sf2.fix.stlog.rgrep.back().first, stcFailed);
    EXPECT_EQ(sf2.fix.port.cOpen, sf2.fix.port.cClose);
}

} // namespace
