// Brisel's device algorithms and SVF player on korsim's device models:
// SVF files made by the vendor's tools play with every TDO check passing and
// leave the CPLD programmed and DONE; what the devices end up with when a
// step is left out.
#include <gtest/gtest.h>

#include <stdio.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "chainops.h"
#include "model/chain.h"
#include "model/idcodedev.h"
#include "model/xc2c.h"
#include "schain.h"
#include "simport.h"
#include "tmpdir.h"

namespace {

thread_local std::vector<std::pair<int32_t, int32_t>> *prgrepCur;
uint8_t BRISELCALL Record(int32_t stc, int32_t lValue)
{
    prgrepCur->push_back({stc, lValue});
    return 1;
}

std::string StrVendor(const char *szRel)
{
    return std::string(KOR_VENDOR_DATA) + "/" + szRel;
}

bool FVendorHere()
{
    return std::string(KOR_VENDOR_DATA).size() > 0;
}

std::string StrRead(const std::string &strPath)
{
    std::ifstream is(strPath, std::ios::binary);
    std::stringstream ss;
    ss << is.rdbuf();
    return ss.str();
}

/* A simulated chain (model devices, the first nearest TDO) and a Brisel chain over it. */
struct SIMFIX {
    SIMFIX() : port(&chain), dir("simdev")
    {
        schain.FInit();
        schain.pjtport = &port;
        schain.pfnSleepMs = SleepVirtual;
        snprintf(schain.szDataDir, sizeof(schain.szDataDir), "%s", BRISEL_DATA_DIR);
        prgrepCur = &rgrep;
    }
    sim::XC2C *AddXc2c(const char *szName, uint32_t idcode)
    {
        auto pxc2c = std::make_unique<sim::XC2C>(*sim::PgeomXc2c(szName), idcode, UsVirtual);
        sim::XC2C *p = pxc2c.get();
        chain.AddDevice(std::move(pxc2c));
        return p;
    }
    /* Brisel's record of device i (index 0 nearest TDI), as identification makes it. */
    void Identify()
    {
        STREP rep(Record);
        ASSERT_TRUE(FIdentifyChain(&schain, rep));
        rgrep.clear();
    }
    bool FProgram(int iscdvc, const std::string &strPath)
    {
        snprintf(schain.rgpscdvc[iscdvc]->szPath, cchScPath, "%s", strPath.c_str());
        schain.iscdvcSel = iscdvc;
        STREP rep(Record);
        return FProgramDvc(&schain, rep);
    }
    int Count(int32_t stc)
    {
        int c = 0;
        for (auto &r : rgrep)
            c += r.first == stc;
        return c;
    }
    int32_t ValueOf(int32_t stc)
    {
        for (auto &r : rgrep)
            if (r.first == stc)
                return r.second;
        return -1;
    }
    sim::CHAIN chain;
    SIMPORT port;
    SCHAIN schain;
    TMPDIR dir;
    std::vector<std::pair<int32_t, int32_t>> rgrep;
};

/* The rows an SVF programs (ISC_PROGRAM scans of cbitRow + cbitAddr bits), by row number. */
std::vector<std::vector<uint8_t>> RowsProgrammed(const std::string &strSvf, const sim::XC2CGEOM &geom)
{
    std::vector<std::vector<uint8_t>> rgrow(geom.crow);
    std::regex re("SDR " + std::to_string(geom.cbitRow + geom.cbitAddr) + " TDI \\(([0-9a-f\\s]+)\\)");
    std::string strText = std::regex_replace(strSvf, std::regex("\r"), "");
    for (auto it = std::sregex_iterator(strText.begin(), strText.end(), re); it != std::sregex_iterator(); ++it) {
        std::string strHex = std::regex_replace((*it)[1].str(), std::regex("\\s"), "");
        std::vector<uint8_t> rgbit;
        for (size_t ich = strHex.size(); ich-- > 0;) {
            int nib = std::stoi(strHex.substr(ich, 1), nullptr, 16);
            for (int k = 0; k < 4; k++)
                rgbit.push_back((nib >> k) & 1);
        }
        rgbit.resize(geom.cbitRow + geom.cbitAddr);
        unsigned gray = 0;
        for (unsigned k = 0; k < geom.cbitAddr; k++)
            gray = gray << 1 | rgbit[geom.cbitRow + k];
        unsigned irow = 0;
        for (; gray; gray >>= 1)
            irow ^= gray;
        rgbit.resize(geom.cbitRow);
        if (rgrow[irow].empty())
            rgrow[irow] = rgbit;
        else
            for (unsigned k = 0; k < geom.cbitRow; k++)
                rgrow[irow][k] &= rgbit[k];   // programming again only clears cells
    }
    return rgrow;
}

struct VENDORSVF {
    const char *szFile;
    const char *szPart;
    uint32_t idcode;
};

class VendorSvf : public ::testing::TestWithParam<VENDORSVF> {};

TEST_P(VendorSvf, PlaysWithEveryTdoCheckAndLeavesTheCpldProgrammed)
{
    if (!FVendorHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    const VENDORSVF &vs = GetParam();
    SIMFIX fix;
    sim::XC2C *pxc2c = fix.AddXc2c(vs.szPart, vs.idcode);
    // start from another design, so that the erase has something to do
    pxc2c->PowerOn();
    fix.Identify();
    ASSERT_EQ(fix.schain.cscdvc, 1);
    EXPECT_TRUE(fix.FProgram(0, StrVendor(vs.szFile)));
    EXPECT_EQ(fix.Count(ercVerifyFailed), 0);
    EXPECT_EQ(fix.rgrep.back().first, stcDone);
    EXPECT_TRUE(pxc2c->FDone());
    EXPECT_FALSE(pxc2c->FIsc());
    EXPECT_EQ(pxc2c->CEraseShort(), 0u);
    EXPECT_EQ(pxc2c->CProgramShort(), 0u);
    EXPECT_GE(pxc2c->CErases(), 1u);
    auto rgrow = RowsProgrammed(StrRead(StrVendor(vs.szFile)), pxc2c->Geom());
    for (unsigned irow = 0; irow < pxc2c->Geom().crow; irow++) {
        ASSERT_FALSE(rgrow[irow].empty()) << irow;
        EXPECT_EQ(pxc2c->Row(irow), rgrow[irow]) << "row " << irow;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, VendorSvf, ::testing::Values(
    VENDORSVF{"hackrf-xc2c64a/default.svf", "XC2C64A", 0x06E5E093},
    VENDORSVF{"bus_blaster-xc2c32a/BBv2-JTAGkey-v1.4-verilog.svf", "XC2C32A", 0x06E1C093}));

TEST(VendorSvfBroken, WithoutItsEraseTheVerifyFailsAtItsLine)
{
    if (!FVendorHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    std::string strSvf = StrRead(StrVendor("hackrf-xc2c64a/default.svf"));
    SIMFIX fix;
    sim::XC2C *pxc2c = fix.AddXc2c("XC2C64A", 0x06E5E093);
    fix.Identify();
    // another design left row 1 programmed all through
    fix.dir.Write("row1.svf", "SIR 8 TDI (e8);\nSIR 8 TDI (ed);\nRUNTEST 100000 TCK;\nSIR 8 TDI (ea);\n"
                              "SDR 281 TDI (1" + std::string(70, '0') + ");\nRUNTEST 10000 TCK;\n"
                              "SIR 8 TDI (c0);\nRUNTEST 100 TCK;\n");
    ASSERT_TRUE(fix.FProgram(0, fix.dir.StrFile("row1.svf")));
    EXPECT_EQ(pxc2c->Row(1), std::vector<uint8_t>(274, 0));
    std::string strNoErase = std::regex_replace(strSvf, std::regex("SIR 8 TDI \\(ed\\)"), "SIR 8 TDI (ff)");
    fix.dir.Write("noerase.svf", strNoErase);
    fix.rgrep.clear();
    EXPECT_FALSE(fix.FProgram(0, fix.dir.StrFile("noerase.svf")));
    EXPECT_EQ(fix.Count(ercVerifyFailed), 1);
    int line = fix.ValueOf(ercVerifyFailed);
    std::vector<std::string> rgstrLine;
    std::stringstream ss(strSvf);
    for (std::string str; std::getline(ss, str);)
        rgstrLine.push_back(str);
    ASSERT_GT(line, 0);
    ASSERT_LE(line, (int)rgstrLine.size());
    EXPECT_EQ(rgstrLine[line - 1].substr(0, 8), "SDR 274 ") << rgstrLine[line - 1];
    EXPECT_EQ(fix.rgrep.back().first, stcFailed);
    // the whole file, erase included, programs it
    fix.rgrep.clear();
    EXPECT_TRUE(fix.FProgram(0, StrVendor("hackrf-xc2c64a/default.svf")));
    EXPECT_TRUE(pxc2c->FDone());
}

} // namespace
