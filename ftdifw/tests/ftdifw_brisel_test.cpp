/*
 * ftdifw_brisel_test.cpp - Brisel programs the FPGA of a simulated FTDI
 * board through the whole FTDI road: Tvxutil, the runtime, DVTP2, the 0x60
 * firmware library, the D2XX stand-in, the simulated MPSSE and the TAP. The
 * simulated FPGA reports DONE, runs the design and received exactly the
 * file's configuration data; the FTDI channel is given back afterwards.
 */
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "bitgen.h"
#include "e2eenv.h"
#include "fwinstall.h"
#include "kor_child.h"
#include "voziri.h"

namespace {

using BYTES = std::vector<uint8_t>;
const char szFt60[] = "SN:210183F60001";

bool FWrite(const std::string &szPath, const BYTES &rgb)
{
    std::ofstream ofs(szPath, std::ios::binary);
    ofs.write(reinterpret_cast<const char *>(rgb.data()), std::streamsize(rgb.size()));
    return ofs.good();
}

BYTES RgbFromHex(const std::string &sz)
{
    BYTES rgb;
    for (size_t ich = 0; ich + 1 < sz.size(); ich += 2)
        rgb.push_back(uint8_t(strtoul(sz.substr(ich, 2).c_str(), nullptr, 16)));
    return rgb;
}

std::string SzFpga(const std::string &szKey)
{
    std::vector<std::string> rgsz;
    PenvE2e()->simctl.FCmd("FPGA ft60", &rgsz);
    for (auto &sz : rgsz)
        if (sz.compare(0, szKey.size() + 1, szKey + " ") == 0)
            return sz.substr(szKey.size() + 1);
    return "";
}

TEST(FtdiBrisel, IdentifiesAndProgramsTheFpgaOfAnFtdiBoard)
{
    ASSERT_TRUE(PenvE2e() != nullptr && PenvE2e()->fOk);
    std::string szLib = std::string("FTDIFW_60_00000000_00000801_0118-") + SzFwWordSize() + ".dll";
    ASSERT_TRUE(FInstallFw(szLib, szLib));
    TvxSetFsadm(fsadmDcapPriv);     /* the 0x60 library's capabilities are private words */
    uint32_t erc = 99;
    ASSERT_TRUE(BriselInitScanChain(szFt60, nullptr, &erc)) << erc;
    int32_t cdvc = -1;
    ASSERT_TRUE(BriselGetScdvcCount(&cdvc, &erc));
    ASSERT_EQ(cdvc, 1);
    JTDVC jtdvc = {};
    ASSERT_TRUE(BriselGetJtdvc(0, &jtdvc, &erc)) << erc;
    EXPECT_NE(std::string(jtdvc.szName).find("3S500E"), std::string::npos) << jtdvc.szName;

    for (const char *szDesign : { "refio" }) {
        BGSPEC bgspec;
        bgspec.strPart = "3s500efg320";
        bgspec.idcode = 0x01C22093;
        bgspec.strDesign = szDesign;
        bgspec.fJtagClock = false;
        bgspec.cwordFrames = 5000;
        bgspec.strDate = "2026/12/10";
        bgspec.strTime = "12:00:00";
        BYTES rgbData;
        ASSERT_TRUE(FBuildConfigData(bgspec, &rgbData));
        std::string szBin = PenvE2e()->szTmpDir + "ftdi_" + szDesign + ".bin";
        ASSERT_TRUE(FWrite(szBin, rgbData));
        ASSERT_TRUE(BriselSetConfigFile(szBin.c_str(), 0, 3, &erc)) << erc;
        RECORDER::Get().Reset();
        ASSERT_TRUE(BriselProgramDvc(szFt60, 0, E2eCallback, &erc)) << erc;
        ASSERT_TRUE(RECORDER::Get().FWaitEnd(60000));
        std::vector<REPORT> rgreport = RECORDER::Get().Reports();
        ASSERT_FALSE(rgreport.empty());
        EXPECT_EQ(rgreport.back().stc, stcStatusGood);
        EXPECT_EQ(SzFpga("done"), "1");
        EXPECT_EQ(SzFpga("design"), szDesign);
        static const uint8_t rgbSync[] = { 0xAA, 0x99, 0x55, 0x66 };
        auto itSync = std::search(rgbData.begin(), rgbData.end(), std::begin(rgbSync), std::end(rgbSync));
        BYTES rgbWant(itSync, rgbData.end());
        BYTES rgbGot = RgbFromHex(PenvE2e()->simctl.SzLine("CFGDATA ft60"));
        EXPECT_EQ(rgbGot.size(), rgbWant.size());
        EXPECT_TRUE(rgbGot == rgbWant);
    }
    std::vector<std::string> rgsz;
    PenvE2e()->simctl.FCmd("FTDI ft60", &rgsz);
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "A.open 0"), rgsz.end());
}

} // namespace
