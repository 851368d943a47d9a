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

#include "bitgen.h"
#include "chainops.h"
#include "cr2gen.h"
#include "mcsgen.h"
#include "model/board.h"
#include "model/xcf.h"
#include "model/xcfp.h"
#include "model/xfpga.h"
#include "model/chain.h"
#include "model/idcodedev.h"
#include "model/xc2c.h"
#include "schain.h"
#include "simport.h"
#include "tmpdir.h"
#include "vendordata.h"

namespace {

thread_local std::vector<std::pair<int32_t, int32_t>> *prgrepCur;
uint8_t BRISELCALL Record(int32_t stc, int32_t lValue)
{
    prgrepCur->push_back({stc, lValue});
    return 1;
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
    void AddPlain(const char *szName, uint32_t idcode, unsigned cbitIr)
    {
        chain.AddDevice(std::make_unique<sim::IDCODEDEV>(szName, idcode, cbitIr, 1));
    }
    sim::XCF *AddXcf(const char *szName, uint32_t idcode)
    {
        auto pxcf = std::make_unique<sim::XCF>(*sim::PgeomXcf(szName), idcode, UsVirtual);
        sim::XCF *p = pxcf.get();
        chain.AddDevice(std::move(pxcf));
        return p;
    }
    bool FRun(bool (*pfn)(SCHAIN *, STREP &), int iscdvc)
    {
        schain.iscdvcSel = iscdvc;
        STREP rep(Record);
        return pfn(&schain, rep);
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
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    const VENDORSVF &vs = GetParam();
    SIMFIX fix;
    sim::XC2C *pxc2c = fix.AddXc2c(vs.szPart, vs.idcode);
    // start from another design, so that the erase has something to do
    pxc2c->PowerOn();
    fix.Identify();
    ASSERT_EQ(fix.schain.cscdvc, 1);
    EXPECT_TRUE(fix.FProgram(0, vendordata::SzFile(vs.szFile)));
    EXPECT_EQ(fix.Count(ercVerifyFailed), 0);
    EXPECT_EQ(fix.rgrep.back().first, stcDone);
    EXPECT_TRUE(pxc2c->FDone());
    EXPECT_FALSE(pxc2c->FIsc());
    EXPECT_EQ(pxc2c->CEraseShort(), 0u);
    EXPECT_EQ(pxc2c->CProgramShort(), 0u);
    EXPECT_GE(pxc2c->CErases(), 1u);
    auto rgrow = RowsProgrammed(StrRead(vendordata::SzFile(vs.szFile)), pxc2c->Geom());
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
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    std::string strSvf = StrRead(vendordata::SzFile("hackrf-xc2c64a/default.svf"));
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
    EXPECT_TRUE(fix.FProgram(0, vendordata::SzFile("hackrf-xc2c64a/default.svf")));
    EXPECT_TRUE(pxc2c->FDone());
}

/* CPLD with one device on either side: positions 0, 1 and 2 of a three-device chain. */
class CpldAtPosition : public ::testing::TestWithParam<int> {};

TEST_P(CpldAtPosition, GeneratedJedecProgramsVerifiesAndStartsTheDevice)
{
    int icpld = GetParam();   /* Brisel's index, 0 nearest TDI */
    SIMFIX fix;
    sim::XC2C *pxc2c = nullptr;
    for (int isim = 2; isim >= 0; isim--) {   /* the simulator's device 0 is nearest TDO */
        if (isim == icpld)
            pxc2c = fix.AddXc2c("XC2C64A", 0x06E5E093);
        else if (isim == 0)
            fix.AddXcf("XCF04S", 0x05046093);
        else
            fix.AddPlain("XC3S500E", 0x01C22093, 6);
    }
    fix.Identify();
    ASSERT_EQ(fix.schain.cscdvc, 3);
    const CR2PART &part = *PpartCr2("XC2C64A");
    std::vector<uint8_t> rgfuse = RgfuseOfSeed(part.cfuse, 7 + icpld);
    fix.dir.Write("d.jed", StrJedec("XC2C64A", rgfuse, true));
    fix.schain.scmode = 15;
    ASSERT_TRUE(fix.FProgram(icpld, fix.dir.StrFile("d.jed")));
    EXPECT_EQ(fix.rgrep.back().first, stcDone);
    EXPECT_EQ(fix.Count(stcProgressRange), 1);
    EXPECT_EQ(fix.ValueOf(stcProgressRange), (int32_t)part.crow);
    EXPECT_EQ(fix.Count(stcProgress), (int)part.crow);
    EXPECT_TRUE(pxc2c->FDone());
    EXPECT_FALSE(pxc2c->FProtected());
    EXPECT_EQ(pxc2c->CEraseShort() + pxc2c->CProgramShort() + pxc2c->CProgramUnerased(), 0u);
    CR2LAYOUT lay = LayoutCr2(part);
    for (unsigned irow = 0; irow < part.crow; irow++)
        ASSERT_EQ(pxc2c->Row(irow), RowProgrammed(part, lay, rgfuse, irow, 0)) << "row " << irow;

    fix.rgrep.clear();
    EXPECT_TRUE(fix.FRun(FVerifyDvc, icpld));
    EXPECT_EQ(fix.Count(stcVerifying), 1);
    EXPECT_EQ(fix.rgrep.back().first, stcDone);

    /* the same design programmed a second time (the device already runs it) */
    fix.rgrep.clear();
    EXPECT_TRUE(fix.FProgram(icpld, fix.dir.StrFile("d.jed")));
    EXPECT_TRUE(fix.FRun(FVerifyDvc, icpld));

    /* another design: the verify of the first one fails */
    std::vector<uint8_t> rgfuse2 = RgfuseOfSeed(part.cfuse, 99);
    fix.dir.Write("e.jed", StrJedec("XC2C64A", rgfuse2, false));
    ASSERT_TRUE(fix.FProgram(icpld, fix.dir.StrFile("e.jed")));
    fix.rgrep.clear();
    snprintf(fix.schain.rgpscdvc[icpld]->szPath, cchScPath, "%s", fix.dir.StrFile("d.jed").c_str());
    EXPECT_FALSE(fix.FRun(FVerifyDvc, icpld));
    EXPECT_EQ(fix.Count(ercVerifyFailed), 1);
    EXPECT_EQ(fix.rgrep.back().first, stcFailed);

    /* erase: DONE goes low, every cell reads 1 */
    fix.rgrep.clear();
    EXPECT_TRUE(fix.FRun(FEraseDvc, icpld));
    EXPECT_EQ(fix.Count(stcEraseStart), 1);
    EXPECT_EQ(fix.Count(stcEraseEnd), 1);
    EXPECT_FALSE(pxc2c->FDone());
    for (unsigned irow = 0; irow < part.crow; irow++)
        ASSERT_EQ(pxc2c->Row(irow), std::vector<uint8_t>(part.cbitRow, 1));
}

INSTANTIATE_TEST_SUITE_P(Chain, CpldAtPosition, ::testing::Values(0, 1, 2));

TEST(Cpld, SecurityPatternOfTheModeWordProtectsTheDevice)
{
    SIMFIX fix;
    sim::XC2C *pxc2c = fix.AddXc2c("XC2C32A", 0x06E1C093);
    fix.Identify();
    const CR2PART &part = *PpartCr2("XC2C32A");
    std::vector<uint8_t> rgfuse = RgfuseOfSeed(part.cfuse, 3);
    fix.dir.Write("d.jed", StrJedec("XC2C32A", rgfuse, true));
    fix.schain.scmode = 0x1F;   /* security pattern 1 */
    ASSERT_TRUE(fix.FProgram(0, fix.dir.StrFile("d.jed")));
    EXPECT_TRUE(pxc2c->FProtected());
    EXPECT_TRUE(pxc2c->FDone());
    CR2LAYOUT lay = LayoutCr2(part);
    EXPECT_EQ(pxc2c->Row(part.crow - 1), RowProgrammed(part, lay, rgfuse, part.crow - 1, 1));
    /* read protected: the read-back differs */
    EXPECT_FALSE(fix.FRun(FVerifyDvc, 0));
    EXPECT_EQ(fix.Count(ercVerifyFailed), 1);
    /* an erase clears the protection */
    ASSERT_TRUE(fix.FRun(FEraseDvc, 0));
    EXPECT_FALSE(pxc2c->FProtected());
}

TEST(Cpld, FilesAndMapsThatDoNotFit)
{
    SIMFIX fix;
    sim::XC2C *pxc2c = fix.AddXc2c("XC2C64A", 0x06E5E093);
    fix.Identify();
    const CR2PART &part = *PpartCr2("XC2C64A");
    std::vector<uint8_t> rgfuse = RgfuseOfSeed(part.cfuse, 5);
    std::string strJed = StrJedec("XC2C64A", rgfuse, true);
    struct { const char *szName; std::string strText; int32_t stcWant; } rgcase[] = {
        {"other.jed", StrJedec("XC2C32A", RgfuseOfSeed(12274, 1), true), stcFileReadFailed},
        {"nostx.jed", strJed.substr(strJed.find('\x02') + 1), stcFileReadFailed},
        {"broken.jed", std::string(strJed).replace(strJed.find("L000016 ") + 10, 1, "x"), stcFileReadFailed},
        {"sum.jed", std::string(strJed).replace(strJed.find("\nC") + 2, 1, strJed[strJed.find("\nC") + 2] == '0' ? "1" : "0"),
         stcFileReadFailed},
        {"toolong.jed", StrJedec("XC2C64A", RgfuseOfSeed(part.cfuse + 1, 5), true), stcFileReadFailed},
    };
    for (auto &c : rgcase) {
        fix.dir.Write(c.szName, c.strText);
        fix.rgrep.clear();
        EXPECT_FALSE(fix.FProgram(0, fix.dir.StrFile(c.szName))) << c.szName;
        EXPECT_EQ(fix.Count(c.stcWant), 1) << c.szName;
        EXPECT_EQ(fix.Count(stcEraseStart), 0) << c.szName;   /* refused before the device is touched */
        EXPECT_EQ(fix.rgrep.back().first, stcFailed) << c.szName;
    }
    /* a wrong transmission checksum alone (line ends changed) is fine */
    std::string strTx = strJed.substr(0, strJed.size() - 6) + "0000\r\n";
    fix.dir.Write("tx.jed", strTx);
    EXPECT_TRUE(fix.FProgram(0, fix.dir.StrFile("tx.jed")));
    /* a missing file; no map for the part */
    fix.rgrep.clear();
    EXPECT_FALSE(fix.FProgram(0, fix.dir.StrFile("missing.jed")));
    EXPECT_EQ(fix.Count(stcFileNotFound), 1);
    setenv("XILINX", fix.dir.StrDir().c_str(), 1);   /* a tool installation without the map */
    fix.rgrep.clear();
    EXPECT_FALSE(fix.FProgram(0, fix.dir.StrFile("tx.jed")));
    unsetenv("XILINX");
    EXPECT_EQ(fix.Count(stcNoMapFile), 1);
    EXPECT_TRUE(pxc2c->FDone());
}

TEST(Cpld, TheVendorsJedecFileLoadsThroughOurMap)
{
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    SIMFIX fix;
    sim::XC2C *pxc2c = fix.AddXc2c("XC2C64A", 0x06E5E093);
    fix.Identify();
    ASSERT_TRUE(fix.FProgram(0, vendordata::SzFile("hackrf-xc2c64a/top.jed")));
    EXPECT_TRUE(pxc2c->FDone());
    EXPECT_TRUE(fix.FRun(FVerifyDvc, 0));
}

/* A configuration (CCLK start-up, design "refio") and its PROM image. */
std::vector<uint8_t> RgbConfigRefio(BGSPEC &bgspec)
{
    bgspec.strPart = "3s500efg320";
    bgspec.idcode = 0x01C22093;
    bgspec.strDesign = "refio";
    bgspec.fJtagClock = false;
    bgspec.cwordFrames = 30000;
    bgspec.strDate = "2026/12/10";
    bgspec.strTime = "12:00:00";
    std::vector<uint8_t> rgbConfig;
    EXPECT_TRUE(FBuildConfigData(bgspec, &rgbConfig));
    return rgbConfig;
}

/* A board with an unconfigured Spartan-3E (nearest TDO) and its PROM; the devices' clock is the tests'. */
std::unique_ptr<sim::BOARD> PboardWithProm(const char *szProm, uint32_t idcodeProm)
{
    sim::BOARDCFG cfg;
    cfg.szDesign = "none";
    sim::JDEVCFG jdFpga;
    jdFpga.szModel = "XC3S500E";
    jdFpga.idcode = 0x01C22093;
    jdFpga.cbitIr = 6;
    jdFpga.irIdcode = 0x09;
    jdFpga.szFamily = "s3e";
    sim::JDEVCFG jdProm;
    jdProm.szModel = szProm;
    jdProm.idcode = idcodeProm;
    jdProm.cbitIr = sim::XCFP::FKnown(szProm) ? 16 : 8;
    jdProm.irIdcode = 0xFE;
    jdProm.szKind = "prom";
    cfg.rgjdevcfg = {jdFpga, jdProm};
    sim::DEVTIME::FnNowDefault() = UsVirtual;
    auto pbd = std::make_unique<sim::BOARD>(cfg);
    sim::DEVTIME::FnNowDefault() = sim::DEVTIME::UsSteady;
    return pbd;
}

/* A promgen-style .mcs of a generated bitstream programs the PROM; the FPGA then configures from it. */
TEST(Prom, McsProgramsVerifiesAndTheFpgaBootsFromIt)
{
    BGSPEC bgspec;
    std::vector<uint8_t> rgbConfig = RgbConfigRefio(bgspec);
    std::vector<uint8_t> rgbImage = RgbPromImage(rgbConfig);
    auto pbd = PboardWithProm("XCF04S", 0x05046093);
    sim::BOARD &bd = *pbd;
    SIMFIX fix;
    fix.port.pchain = &bd.chain;
    fix.Identify();
    ASSERT_EQ(fix.schain.cscdvc, 2);
    sim::XCF *pxcf = dynamic_cast<sim::XCF *>(bd.chain.Pjdev(1));
    sim::XFPGA *pxfpga = dynamic_cast<sim::XFPGA *>(bd.chain.Pjdev(0));
    ASSERT_TRUE(pxcf && pxfpga);

    fix.dir.Write("d.mcs", StrMcs(rgbImage));
    fix.schain.scmode = 15;
    ASSERT_TRUE(fix.FProgram(0, fix.dir.StrFile("d.mcs")));
    EXPECT_EQ(fix.rgrep.back().first, stcDone);
    EXPECT_EQ(pxcf->CEraseShort() + pxcf->CProgramShort(), 0u);
    const std::vector<uint8_t> &rgbArray = pxcf->Array();
    ASSERT_GE(rgbArray.size(), rgbImage.size());
    EXPECT_TRUE(std::equal(rgbImage.begin(), rgbImage.end(), rgbArray.begin()));
    EXPECT_TRUE(std::all_of(rgbArray.begin() + (long)rgbImage.size(), rgbArray.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_FALSE(pxcf->FIsp());
    fix.rgrep.clear();
    EXPECT_TRUE(fix.FRun(FVerifyDvc, 0));
    EXPECT_EQ(fix.rgrep.back().first, stcDone);

    /* the board's configuration reset: the FPGA loads the design from the PROM */
    EXPECT_FALSE(pxfpga->Cfg().FDone());
    bd.ConfigureFromProm();
    EXPECT_TRUE(pxfpga->Cfg().FDone());
    EXPECT_TRUE(pxfpga->FRunning());
    EXPECT_EQ(pxfpga->Cfg().SzTag(), "refio");

    /* the same data from the .bit file gives the same flash */
    fix.dir.Write("d.bit", std::string((const char *)BitFileFromData(bgspec, rgbConfig).data(),
                                       BitFileFromData(bgspec, rgbConfig).size()));
    ASSERT_TRUE(fix.FProgram(0, fix.dir.StrFile("d.bit")));
    EXPECT_TRUE(std::equal(rgbImage.begin(), rgbImage.end(), pxcf->Array().begin()));

    /* erase: blank flash, the verify of the file fails */
    ASSERT_TRUE(fix.FRun(FEraseDvc, 0));
    EXPECT_EQ(pxcf->CbUsed(), 0u);
    fix.rgrep.clear();
    EXPECT_FALSE(fix.FRun(FVerifyDvc, 0));
    EXPECT_EQ(fix.Count(ercVerifyFailed), 1);
}

TEST(Prom, ParallelPlatformFlashProgramsAndTheFpgaBootsFromIt)
{
    BGSPEC bgspec;
    std::vector<uint8_t> rgbImage = RgbPromImage(RgbConfigRefio(bgspec));
    auto pbd = PboardWithProm("XCF32P", 0x05059093);
    SIMFIX fix;
    fix.port.pchain = &pbd->chain;
    fix.Identify();
    ASSERT_EQ(fix.schain.cscdvc, 2);
    EXPECT_EQ(fix.schain.rgpscdvc[0]->cbitIr, 16);
    sim::XCFP *pxcfp = dynamic_cast<sim::XCFP *>(pbd->chain.Pjdev(1));
    sim::XFPGA *pxfpga = dynamic_cast<sim::XFPGA *>(pbd->chain.Pjdev(0));
    ASSERT_TRUE(pxcfp && pxfpga);
    /* something old in the flash, which the erase must clear */
    std::vector<uint8_t> rgbOld(200000, 0x00);
    fix.dir.Write("old.mcs", StrMcs(rgbOld));
    fix.schain.scmode = 15;
    ASSERT_TRUE(fix.FProgram(0, fix.dir.StrFile("old.mcs")));
    fix.dir.Write("p.mcs", StrMcs(rgbImage, 0));
    fix.rgrep.clear();
    uint64_t usStart = UsVirtual();
    ASSERT_TRUE(fix.FProgram(0, fix.dir.StrFile("p.mcs")));
    /* the waits of mode 15: the 140 s erase shortened to a fifth, 28 s */
    uint64_t usSlept = UsVirtual() - usStart;
    EXPECT_GE(usSlept, 28000000u);
    EXPECT_LT(usSlept, 40000000u);
    EXPECT_EQ(fix.rgrep.back().first, stcDone);
    EXPECT_EQ(fix.ValueOf(stcProgressRange), (int32_t)((rgbImage.size() + 31) / 32));
    EXPECT_EQ(pxcfp->CEraseShort() + pxcfp->CProgramShort(), 0u);
    EXPECT_EQ(pxcfp->Done(), 0xCEu);
    const std::vector<uint8_t> &rgbArray = pxcfp->Array();
    EXPECT_TRUE(std::equal(rgbImage.begin(), rgbImage.end(), rgbArray.begin()));
    EXPECT_TRUE(std::all_of(rgbArray.begin() + (long)rgbImage.size(), rgbArray.end(), [](uint8_t b) { return b == 0xFF; }));
    pbd->ConfigureFromProm();
    EXPECT_TRUE(pxfpga->FRunning());
    EXPECT_EQ(pxfpga->Cfg().SzTag(), "refio");

    /* the parallel PROM's instructions give no read-back: its verify fails at once, without
     * opening the port, and the flash keeps the design */
    int cOpen = fix.port.cOpen;
    uint64_t cclk = pbd->chain.Cclk();
    fix.rgrep.clear();
    EXPECT_FALSE(fix.FRun(FVerifyDvc, 0));
    EXPECT_EQ(fix.rgrep, (std::vector<std::pair<int32_t, int32_t>>{{stcFailed, 0}}));
    EXPECT_EQ(fix.port.cOpen, cOpen);
    EXPECT_EQ(pbd->chain.Cclk(), cclk);
    EXPECT_TRUE(std::equal(rgbImage.begin(), rgbImage.end(), pxcfp->Array().begin()));
}

} // namespace
