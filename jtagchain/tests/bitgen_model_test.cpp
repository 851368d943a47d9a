// Files of the test bitstream generator through the exports: association
// checks of their headers, and programming, on the chain model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apifix.h"
#include "bitgen.h"
#include "tmpdir.h"

namespace {

const TMDEVSPEC devFpga = {6, 0x41C22093, 0x09, 0x04, 32, 0x05, true, 0x0B, 0x0C};

std::string StrBitFile(const char *szPart, uint32_t idcode, const char *szDesign, bool fJtagClock)
{
    BGSPEC bgspec;
    bgspec.strPart = szPart;
    bgspec.idcode = idcode;
    bgspec.strDesign = szDesign;
    bgspec.fJtagClock = fJtagClock;
    bgspec.cwordFrames = 3000;
    bgspec.strDate = "2026/12/10";
    bgspec.strTime = "14:00:00";
    std::vector<uint8_t> rgbData;
    EXPECT_TRUE(FBuildConfigData(bgspec, &rgbData));
    std::vector<uint8_t> rgb = BitFileFromData(bgspec, rgbData);
    return std::string(rgb.begin(), rgb.end());
}

} // namespace

TEST(BitgenFiles, AssociationAndProgrammingOfGeneratedFiles)
{
    APIFIX fix({devXcf04s, devFpga});
    TMDEV &dev = fix.model.rgdev[1];
    for (int k = 0; k < 32; k++)
        dev.testReg[k] = (0x00004000u >> (31 - k)) & 1;   /* DONE */
    fix.Identify();
    TMPDIR tmpdir("bitgen-model");
    tmpdir.Write("refio.bit", StrBitFile("3s500efg320", 0x01C22093, "refio", true));
    tmpdir.Write("cclk.bit", StrBitFile("3s500efg320", 0x01C22093, "refio", false));
    tmpdir.Write("small.bit", StrBitFile("3s250evq100", 0x01C1A093, "refio", true));
    struct { const char *szName; int iscdvc; uint32_t fsCheck; uint32_t erc; } rgcase[] = {
        {"small.bit", 1, 3, ercIdcodeConflict},
        {"cclk.bit", 1, 3, ercStartupClockCclk},
        {"refio.bit", 0, 2, ercStartupClockJtag},   /* the PROM gets no file for the JTAG clock */
        {"cclk.bit", 0, 2, 0},
        {"refio.bit", 1, 3, 0},
    };
    for (auto &c : rgcase) {
        uint32_t erc = 99;
        BriselSetConfigFile(tmpdir.StrFile(c.szName).c_str(), c.iscdvc, c.fsCheck, &erc);
        EXPECT_EQ(erc, c.erc) << c.szName << " on " << c.iscdvc;
    }
    uint32_t erc;
    ASSERT_TRUE(BriselProgramDvc("sim:board", 1, RecordStatus, &erc));
    ExpectOneEndLast(fix.RgrepAfterEnd(), stcStatusGood, 0);
    /* the configuration logic saw the sync word, the IDCODE write and the tag */
    ASSERT_GE(dev.rgstream.size(), 4u);
    const std::vector<int> &rgbit = dev.rgstream[3];
    std::vector<uint8_t> rgb;
    for (size_t k = 32; k + 8 <= rgbit.size(); k += 8) {
        uint8_t b = 0;
        for (int j = 0; j < 8; j++)
            b = (uint8_t)((b << 1) | rgbit[k + j]);
        rgb.push_back(b);
    }
    std::string str(rgb.begin(), rgb.end());
    EXPECT_NE(str.find(std::string("\xAA\x99\x55\x66", 4)), std::string::npos);
    EXPECT_NE(str.find(std::string("\x30\x01\xC0\x01\x01\xC2\x20\x93", 8)), std::string::npos);
    EXPECT_NE(str.find("KVDT"), std::string::npos);
    EXPECT_NE(str.find("refio"), std::string::npos);
}
