/*
 * e2edev_test.cpp - CPLD, PROM and SVF programming through the whole stack
 * (Brisel, Tvxutil, the runtime, the USB transport, korsim), on the boards
 * of e2edev.cfg, with files made the way the vendor's tools write them: an
 * ISE-style .jed programs and verifies the CoolRunner-II, an iMPACT-style
 * .svf of the same design plays with every TDO check passing; a
 * promgen-style .mcs programs the Platform Flash and the FPGA configures
 * from it after a configuration reset. (The vendor's own files play on the
 * device models in brisel_simdev_test.) What the devices end
 * up with is read from the simulator.
 */
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bitgen.h"
#include "brisel.h"
#include "cr2gen.h"
#include "svfcpld.h"
#include "vendordata.h"
#include "korsimenv.h"
#include "mcsgen.h"
#include "mosk.h"
#include "vesk.h"
#include "voziri.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "e2edev", true);

namespace {

const char szSnProm[] = "SN:210183F10021";      /* xp1: XCF04S (index 0, TDI), XC3S500E (1) */
const char szSnCpld[] = "SN:210183F10022";      /* xc1: XC2C64A (0, TDI), XCF04S (1) */
const char szSnCpld64[] = "SN:210183F10023";    /* xv1: XC2C64A alone */
const char szSnCpld32[] = "SN:210183F10024";    /* xv2: XC2C32A alone */
const unsigned tmsEnd = 120000;

struct REPORT {
    int32_t stc;
    int32_t lValue;
};

/* Reports of the operation threads. */
class RECORDER {
public:
    void Reset()
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgreport.clear();
        cend = 0;
    }
    uint8_t Report(int32_t stc, int32_t lValue)
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgreport.push_back({stc, lValue});
        if (FEnd(stc)) {
            cend++;
            cv.notify_all();
        }
        return 1;
    }
    bool FWaitEnd()
    {
        std::unique_lock<std::mutex> lock(mtx);
        return cv.wait_for(lock, std::chrono::milliseconds(tmsEnd), [&] { return cend > 0; });
    }
    std::vector<REPORT> Reports()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgreport;
    }
    static bool FEnd(int32_t stc)
    {
        return stc == stcDone || stc == stcFailed || stc == stcStatusBad || stc == stcStatusGood ||
               stc == stcChainProgrammed;
    }

private:
    std::mutex mtx;
    std::condition_variable cv;
    std::vector<REPORT> rgreport;
    int cend = 0;
};

RECORDER recorder;
uint8_t BRISELCALL Callback(int32_t stc, int32_t lValue)
{
    return recorder.Report(stc, lValue);
}

bool FWrite(const std::string &strPath, const std::string &strText)
{
    std::ofstream os(strPath, std::ios::binary);
    os << strText;
    return bool(os.flush());
}

class E2eDev : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv() != nullptr && PkorsimEnv()->fOk);
        uint32_t erc = 99;
        ASSERT_TRUE(BriselInit(&erc)) << erc;
        ASSERT_TRUE(BriselSetMode(15, &erc));
        strDir = SzKorTestDir("e2edev");
    }
    void TearDown() override
    {
        uint32_t erc = 0;
        BriselTerm(&erc);
    }
    KSIMCTL &Sim() { return PkorsimEnv()->simctl; }
    std::string Path(const std::string &strName) { return strDir + strName; }

    std::vector<std::string> Identify(const char *szDvc)
    {
        uint32_t erc = 99;
        EXPECT_TRUE(BriselInitScanChain(szDvc, nullptr, &erc)) << erc;
        int32_t cdvc = -1;
        EXPECT_TRUE(BriselGetScdvcCount(&cdvc, &erc));
        std::vector<std::string> rgsz;
        for (int32_t i = 0; i < cdvc; i++) {
            JTDVC jtdvc = {};
            EXPECT_TRUE(BriselGetJtdvc(i, &jtdvc, &erc));
            rgsz.push_back(jtdvc.szName);
        }
        return rgsz;
    }
    /* An operation started with the callback; its reports, exactly one end report last. */
    std::vector<REPORT> Run(int32_t (BRISELCALL *pfn)(const char *, int32_t, StatusCallback, uint32_t *),
                            const char *szDvc, int32_t iscdvc)
    {
        recorder.Reset();
        uint32_t erc = 99;
        EXPECT_TRUE(pfn(szDvc, iscdvc, Callback, &erc)) << erc;
        EXPECT_TRUE(recorder.FWaitEnd());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::vector<REPORT> rgreport = recorder.Reports();
        EXPECT_EQ(std::count_if(rgreport.begin(), rgreport.end(), [](const REPORT &r) { return RECORDER::FEnd(r.stc); }),
                  1);
        return rgreport;
    }
    static int32_t StcEnd(const std::vector<REPORT> &rgreport) { return rgreport.empty() ? 0 : rgreport.back().stc; }
    static int Count(const std::vector<REPORT> &rgreport, int32_t stc)
    {
        return (int)std::count_if(rgreport.begin(), rgreport.end(), [&](const REPORT &r) { return r.stc == stc; });
    }
    std::string Key(const std::string &strCmd, const std::string &strKey)
    {
        std::vector<std::string> rgsz;
        EXPECT_TRUE(Sim().FCmd(strCmd, &rgsz)) << strCmd;
        for (auto &sz : rgsz)
            if (sz.compare(0, strKey.size() + 1, strKey + " ") == 0)
                return sz.substr(strKey.size() + 1);
        return "";
    }
    std::vector<uint8_t> CpldRow(const std::string &strBoard, unsigned irow)
    {
        std::string sz = Sim().SzLine("CPLDROW " + strBoard + " " + std::to_string(irow));
        std::vector<uint8_t> row;
        for (char ch : sz)
            row.push_back(ch == '1');
        return row;
    }
    void SetFile(int32_t iscdvc, const std::string &strPath)
    {
        uint32_t erc = 99;
        ASSERT_TRUE(BriselSetConfigFile(strPath.c_str(), iscdvc, 0, &erc)) << erc;
    }
    std::string strDir;
};

TEST_F(E2eDev, JedecFileProgramsVerifiesAndErasesTheCpld)
{
    ASSERT_EQ(Identify(szSnCpld), (std::vector<std::string>{"XC2C64A", "XCF04S"}));
    const CR2PART &part = *PpartCr2("XC2C64A");
    std::vector<uint8_t> rgfuse = RgfuseOfSeed(part.cfuse, 11);
    ASSERT_TRUE(FWrite(Path("cpld.jed"), StrJedec("XC2C64A", rgfuse, true)));
    SetFile(0, Path("cpld.jed"));
    std::vector<REPORT> rgreport = Run(BriselProgramDvc, szSnCpld, 0);
    EXPECT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Count(rgreport, stcProgress), (int)part.crow);
    EXPECT_EQ(Key("CPLD xc1", "done"), "1");
    EXPECT_EQ(Key("CPLD xc1", "eraseshort"), "0");
    EXPECT_EQ(Key("CPLD xc1", "programshort"), "0");
    CR2LAYOUT lay = LayoutCr2(part);
    for (unsigned irow : {0u, 1u, 47u, part.crow - 2, part.crow - 1})
        EXPECT_EQ(CpldRow("xc1", irow), RowProgrammed(part, lay, rgfuse, irow, 0)) << "row " << irow;

    rgreport = Run(BriselVerifyDvc, szSnCpld, 0);
    EXPECT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Count(rgreport, stcVerifying), 1);

    /* a file for another design does not verify; erase leaves the device blank and not DONE */
    ASSERT_TRUE(FWrite(Path("other.jed"), StrJedec("XC2C64A", RgfuseOfSeed(part.cfuse, 12), false)));
    SetFile(0, Path("other.jed"));
    rgreport = Run(BriselVerifyDvc, szSnCpld, 0);
    EXPECT_EQ(StcEnd(rgreport), stcFailed);
    EXPECT_EQ(Count(rgreport, ercVerifyFailed), 1);
    rgreport = Run(BriselEraseDvc, szSnCpld, 0);
    EXPECT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Key("CPLD xc1", "done"), "0");
    EXPECT_EQ(CpldRow("xc1", 5), std::vector<uint8_t>(part.cbitRow, 1));
}

TEST_F(E2eDev, SvfOfTheSameDesignPlaysWithEveryTdoCheck)
{
    ASSERT_EQ(Identify(szSnCpld).size(), 2u);
    const CR2PART &part = *PpartCr2("XC2C64A");
    std::vector<uint8_t> rgfuse = RgfuseOfSeed(part.cfuse, 21);
    CR2LAYOUT lay = LayoutCr2(part);
    std::vector<std::vector<uint8_t>> rgrow;
    for (unsigned irow = 0; irow < part.crow; irow++)
        rgrow.push_back(RowProgrammed(part, lay, rgfuse, irow, 0));
    ASSERT_TRUE(FWrite(Path("cpld.svf"), StrSvfCpld(part, rgrow)));
    SetFile(0, Path("cpld.svf"));
    std::vector<REPORT> rgreport = Run(BriselProgramDvc, szSnCpld, 0);
    EXPECT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Count(rgreport, ercVerifyFailed), 0);
    EXPECT_EQ(Key("CPLD xc1", "done"), "1");
    EXPECT_EQ(CpldRow("xc1", 30), rgrow[30]);

    /* the .jed of the same design verifies what the SVF programmed */
    ASSERT_TRUE(FWrite(Path("same.jed"), StrJedec("XC2C64A", rgfuse, true)));
    SetFile(0, Path("same.jed"));
    EXPECT_EQ(StcEnd(Run(BriselVerifyDvc, szSnCpld, 0)), stcDone);

    /* a row whose expected TDO differs fails the play at that statement's line */
    std::vector<std::vector<uint8_t>> rgrowBad = rgrow;
    rgrowBad[40][100] ^= 1;
    std::string strBad = StrSvfCpld(part, rgrow);
    std::string strBadVerify = StrSvfCpld(part, rgrowBad);
    /* program the true rows, but expect the changed one in the verify */
    size_t ichVerify = strBad.find("// Verification.");
    strBad = strBad.substr(0, ichVerify) + strBadVerify.substr(strBadVerify.find("// Verification."));
    ASSERT_TRUE(FWrite(Path("bad.svf"), strBad));
    SetFile(0, Path("bad.svf"));
    rgreport = Run(BriselProgramDvc, szSnCpld, 0);
    EXPECT_EQ(StcEnd(rgreport), stcFailed);
    ASSERT_EQ(Count(rgreport, ercVerifyFailed), 1);
    int32_t line = std::find_if(rgreport.begin(), rgreport.end(),
                                [](const REPORT &r) { return r.stc == ercVerifyFailed; })->lValue;
    std::istringstream is(strBad);
    std::string strLine;
    for (int32_t i = 0; i < line && std::getline(is, strLine); i++) {
    }
    EXPECT_EQ(strLine.compare(0, 8, "SDR 274 "), 0) << line << ": " << strLine;
}

/* The vendor's own SVF files (erase, program, verify of a CPLD alone in its
 * chain; one with LF, one with CRLF line ends) play with every TDO check of
 * their verify passing, and leave the device started. */
TEST_F(E2eDev, TheVendorsSvfFilesPlayThroughTheStack)
{
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (KOR_VENDOR_DIR or shared/testdata/vendor)";
    struct VSVF {
        const char *szSn, *szBoard, *szPart, *szFile;
    } rgvsvf[] = {
        {szSnCpld64, "xv1", "XC2C64A", "hackrf-xc2c64a/default.svf"},
        {szSnCpld32, "xv2", "XC2C32A", "bus_blaster-xc2c32a/BBv2-JTAGkey-v1.4-verilog.svf"},
    };
    for (const VSVF &v : rgvsvf) {
        ASSERT_EQ(Identify(v.szSn), (std::vector<std::string>{v.szPart})) << v.szFile;
        EXPECT_EQ(Key(std::string("CPLD ") + v.szBoard, "done"), "0") << v.szFile;
        SetFile(0, vendordata::SzFile(v.szFile));
        std::vector<REPORT> rgreport = Run(BriselProgramDvc, v.szSn, 0);
        EXPECT_EQ(StcEnd(rgreport), stcDone) << v.szFile;
        EXPECT_EQ(Count(rgreport, ercVerifyFailed), 0) << v.szFile;
        std::string strCpld = std::string("CPLD ") + v.szBoard;
        EXPECT_EQ(Key(strCpld, "done"), "1") << v.szFile;
        EXPECT_EQ(Key(strCpld, "eraseshort"), "0") << v.szFile;
        EXPECT_EQ(Key(strCpld, "programshort"), "0") << v.szFile;
    }
}

/* The vendor's promgen .mcs (type-04 records, data bit-swapped) programs the
 * PROM: the flash holds the .bit file's configuration data, every byte's
 * bits reversed, and is blank after it. */
TEST_F(E2eDev, TheVendorsMcsProgramsThePromThroughTheStack)
{
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (KOR_VENDOR_DIR or shared/testdata/vendor)";
    vendordata::VBIT vbit;
    ASSERT_TRUE(vendordata::FReadBit(vendordata::SzFile("openmsp430-s3/leds.bit"), &vbit));
    std::vector<uint8_t> rgbImage = vbit.rgbData;
    for (uint8_t &b : rgbImage) {
        uint8_t bRev = 0;
        for (int k = 0; k < 8; k++)
            bRev |= ((b >> k) & 1) << (7 - k);
        b = bRev;
    }
    ASSERT_GT(rgbImage.size(), 0x10000u);
    ASSERT_EQ(Identify(szSnProm), (std::vector<std::string>{"XCF04S", "XC3S500E"}));
    SetFile(0, vendordata::SzFile("openmsp430-s3/leds.mcs"));
    std::vector<REPORT> rgreport = Run(BriselProgramDvc, szSnProm, 0);
    ASSERT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Key("PROM xp1", "used"), std::to_string(rgbImage.size()));
    for (size_t ibAt : {size_t(0), size_t(0x10000 - 8), size_t(0x10000 + 0x321), rgbImage.size() - 16}) {
        char szHex[80];
        for (size_t ib = 0; ib < 16; ib++)
            snprintf(szHex + 2 * ib, 3, "%02x", rgbImage[ibAt + ib]);
        EXPECT_EQ(Sim().SzLine("PROMMEM xp1 " + std::to_string(ibAt) + " 16"), szHex) << ibAt;
    }
    EXPECT_EQ(Sim().SzLine("PROMMEM xp1 " + std::to_string(rgbImage.size()) + " 4"), "ffffffff");
    EXPECT_EQ(StcEnd(Run(BriselVerifyDvc, szSnProm, 0)), stcDone);
}

TEST_F(E2eDev, McsProgramsThePromAndTheFpgaBootsFromIt)
{
    ASSERT_EQ(Identify(szSnProm), (std::vector<std::string>{"XCF04S", "XC3S500E"}));
    BGSPEC bgspec;
    bgspec.strPart = "3s500efg320";
    bgspec.idcode = 0x01C22093;
    bgspec.strDesign = "refio";
    bgspec.fJtagClock = false;     /* a PROM file runs its start-up on CCLK */
    bgspec.cwordFrames = 20000;    /* an image past 64 KB: the file needs a second type-04 record */
    bgspec.strDate = "2026/12/10";
    bgspec.strTime = "12:00:00";
    std::vector<uint8_t> rgbConfig;
    ASSERT_TRUE(FBuildConfigData(bgspec, &rgbConfig));
    std::vector<uint8_t> rgbImage = RgbPromImage(rgbConfig);
    ASSERT_GT(rgbImage.size(), 0x10000u);
    std::string strMcs = StrMcs(rgbImage);
    ASSERT_NE(strMcs.find(":020000040001F9"), std::string::npos);
    ASSERT_TRUE(FWrite(Path("boot.mcs"), strMcs));
    SetFile(0, Path("boot.mcs"));
    std::vector<REPORT> rgreport = Run(BriselProgramDvc, szSnProm, 0);
    ASSERT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Count(rgreport, stcEraseStart), 1);
    EXPECT_EQ(Key("PROM xp1", "eraseshort"), "0");
    EXPECT_EQ(Key("PROM xp1", "programshort"), "0");
    EXPECT_EQ(Key("PROM xp1", "isp"), "0");
    EXPECT_EQ(Key("PROM xp1", "used"), std::to_string(rgbImage.size()));
    for (size_t ibAt : {size_t(4096), size_t(0x10000 + 0x100)}) {
        char szHex[80];
        for (size_t ib = 0; ib < 16; ib++)
            snprintf(szHex + 2 * ib, 3, "%02x", rgbImage[ibAt + ib]);
        EXPECT_EQ(Sim().SzLine("PROMMEM xp1 " + std::to_string(ibAt) + " 16"), szHex) << ibAt;
    }
    EXPECT_EQ(StcEnd(Run(BriselVerifyDvc, szSnProm, 0)), stcDone);

    /* the FPGA is not configured until its configuration reset is pulsed */
    EXPECT_EQ(Key("FPGA xp1", "done"), "0");
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, szSnProm)) << TvxGetLastError();
    ASSERT_TRUE(MoskConfigReset(hif, 1)) << TvxGetLastError();
    EXPECT_EQ(Key("FPGA xp1", "done"), "0");
    ASSERT_TRUE(MoskConfigReset(hif, 0)) << TvxGetLastError();
    EXPECT_EQ(Key("FPGA xp1", "done"), "1");
    EXPECT_EQ(Key("FPGA xp1", "design"), "refio");
    /* the design answers on the register port */
    ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
    uint8_t b = 0;
    EXPECT_TRUE(VeskGetReg(hif, 0xFF, &b, 0)) << TvxGetLastError();
    EXPECT_EQ(b, 0x52);
    EXPECT_TRUE(VeskDisable(hif));
    EXPECT_TRUE(TvxClose(hif));

    /* erased, the PROM no longer verifies and gives the FPGA nothing */
    rgreport = Run(BriselEraseDvc, szSnProm, 0);
    EXPECT_EQ(StcEnd(rgreport), stcDone);
    EXPECT_EQ(Key("PROM xp1", "used"), "0");
    rgreport = Run(BriselVerifyDvc, szSnProm, 0);
    EXPECT_EQ(StcEnd(rgreport), stcFailed);
    EXPECT_EQ(Count(rgreport, ercVerifyFailed), 1);
}

} // namespace
