/*
 * e2efix.h - the fixture of the end-to-end tests: the boards' connection
 * names, generated configuration files, programming runs with the recorder,
 * and what the simulator shows of the FPGAs afterwards.
 */
#ifndef KOR_E2EFIX_H
#define KOR_E2EFIX_H

#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <chrono>
#include <string>
#include <thread>
#include <vector>
#include "bitgen.h"
#include "e2eenv.h"

#if defined(E2E_HAVE_VESK)
#  include "vesk.h"
#  include "voziri.h"
#endif

using BYTES = std::vector<uint8_t>;

const char szSn2[] = "SN:210183F10002";     /* xf2: XCF04S (index 0, TDI), XC3S500E (index 1) */
const char szSn3[] = "SN:210183F10003";     /* xf3: XC2C64A (0, TDI), XC6SLX9 (1), XCF04S (2) */

const unsigned tmsEnd = 60000;

struct PARTFILE {
    const char *szPart;
    uint32_t idcode;
};
const PARTFILE pfS3e500 = { "3s500efg320", 0x01C22093 };
const PARTFILE pfS3e250 = { "3s250efg320", 0x01C1A093 };
const PARTFILE pfS6lx9 = { "6slx9tqg144", 0x04001093 };

inline BYTES RgbFromHex(const std::string &sz)
{
    BYTES rgb;
    for (size_t ich = 0; ich + 1 < sz.size(); ich += 2)
        rgb.push_back(uint8_t(strtoul(sz.substr(ich, 2).c_str(), nullptr, 16)));
    return rgb;
}

/* The sync word: AA995566, or AA99 alone (Spartan-3A); the dummy words
 * before it are all ones. */
inline size_t IbSync(const BYTES &rgb)
{
    static const uint8_t rgbSync[] = { 0xAA, 0x99 };
    return size_t(std::search(rgb.begin(), rgb.end(), std::begin(rgbSync), std::end(rgbSync)) - rgb.begin());
}

inline bool FWrite(const std::string &szPath, const BYTES &rgb)
{
    FILE *pf = fopen(szPath.c_str(), "wb");
    if (pf == nullptr)
        return false;
    bool fOk = fwrite(rgb.data(), 1, rgb.size(), pf) == rgb.size();
    return fclose(pf) == 0 && fOk;
}

inline size_t CountEndsOf(const std::vector<REPORT> &rgreport)
{
    return size_t(std::count_if(rgreport.begin(), rgreport.end(),
                                [](const REPORT &r) { return RECORDER::FEndReport(r.stc); }));
}

class E2eTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PenvE2e() != nullptr && PenvE2e()->fOk); }
    void TearDown() override
    {
        Sim().FCmd("FAULT xf2 clear");
        Sim().FCmd("FAULT xf3 clear");
    }

    KSIMCTL &Sim() { return PenvE2e()->simctl; }

    /* A generated configuration: writes NAME.bit and NAME.bin; the data. */
    BYTES Generate(const std::string &szName, const PARTFILE &pf, const std::string &szDesign, uint32_t cword,
                   bool fJtagClock = true)
    {
        BGSPEC bgspec;
        bgspec.strPart = pf.szPart;
        bgspec.idcode = pf.idcode;
        bgspec.strDesign = szDesign;
        bgspec.fJtagClock = fJtagClock;
        bgspec.cwordFrames = cword;
        bgspec.strDate = "2026/12/10";
        bgspec.strTime = "12:00:00";
        BYTES rgbData;
        EXPECT_TRUE(FBuildConfigData(bgspec, &rgbData));
        EXPECT_TRUE(FWrite(Path(szName + ".bit"), BitFileFromData(bgspec, rgbData)));
        EXPECT_TRUE(FWrite(Path(szName + ".bin"), rgbData));
        return rgbData;
    }
    std::string Path(const std::string &szName) { return PenvE2e()->szTmpDir + szName; }

    /* Identification, synchronous; the chain's device names, index 0 first. */
    std::vector<std::string> Identify(const char *szDvc)
    {
        uint32_t erc = 99;
        EXPECT_TRUE(BriselInitScanChain(szDvc, nullptr, &erc)) << erc;
        int32_t cdvc = -1;
        EXPECT_TRUE(BriselGetScdvcCount(&cdvc, &erc));
        std::vector<std::string> rgsz;
        for (int32_t i = 0; i < cdvc; i++) {
            JTDVC jtdvc = {};
            EXPECT_TRUE(BriselGetJtdvc(i, &jtdvc, &erc)) << erc;
            rgsz.push_back(jtdvc.szName);
        }
        return rgsz;
    }

    /* A programming run with the recorder as callback; its reports. */
    std::vector<REPORT> Program(const char *szDvc, int32_t iscdvc, int32_t stcStop = 0, int32_t lStop = -1)
    {
        RECORDER::Get().Reset(stcStop, lStop);
        uint32_t erc = 99;
        EXPECT_TRUE(BriselProgramDvc(szDvc, iscdvc, E2eCallback, &erc)) << erc;
        EXPECT_EQ(erc, 0u);
        EXPECT_TRUE(RECORDER::Get().FWaitEnd(tmsEnd));
        /* the end report is the last one: nothing follows it */
        std::vector<REPORT> rgreport = RECORDER::Get().Reports();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(RECORDER::Get().Reports().size(), rgreport.size());
        size_t cend = size_t(std::count_if(rgreport.begin(), rgreport.end(),
                                           [](const REPORT &r) { return RECORDER::FEndReport(r.stc); }));
        EXPECT_EQ(cend, 1u);
        EXPECT_TRUE(!rgreport.empty() && RECORDER::FEndReport(rgreport.back().stc));
        return rgreport;
    }

    /* A key of the FPGA of the board (szDev: its chain position from TDO,
     * default the first FPGA). */
    std::string Fpga(const std::string &szBoard, const std::string &szKey, const std::string &szDev = "")
    {
        std::vector<std::string> rgsz;
        EXPECT_TRUE(Sim().FCmd("FPGA " + szBoard + (szDev.empty() ? "" : " " + szDev), &rgsz));
        for (auto &sz : rgsz)
            if (sz.compare(0, szKey.size() + 1, szKey + " ") == 0)
                return sz.substr(szKey.size() + 1);
        return "";
    }

    /* The simulated FPGA received the file's data from its sync word on. */
    void ExpectReceived(const std::string &szBoard, const BYTES &rgbData, const std::string &szDev = "")
    {
        BYTES rgbGot = RgbFromHex(Sim().SzLine("CFGDATA " + szBoard + (szDev.empty() ? "" : " " + szDev)));
        BYTES rgbWant(rgbData.begin() + long(IbSync(rgbData)), rgbData.end());
        EXPECT_EQ(rgbGot.size(), rgbWant.size());
        EXPECT_TRUE(rgbGot == rgbWant);
    }

    /* Register 0xFF of the running design (0x52: refio), written and read back. */
    void ExpectDesignRegisters(const std::string &szBoard, const char *szSn)
    {
#if defined(E2E_HAVE_VESK)
        HIF hif = hifNil;
        ASSERT_TRUE(TvxOpen(&hif, szSn)) << TvxGetLastError();
        ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
        uint8_t b = 0;
        EXPECT_TRUE(VeskGetReg(hif, 0xFF, &b, 0)) << TvxGetLastError();
        EXPECT_EQ(b, 0x52);
        EXPECT_TRUE(VeskPutReg(hif, 0x21, 0x6B, 0)) << TvxGetLastError();
        EXPECT_TRUE(VeskGetReg(hif, 0x21, &b, 0)) << TvxGetLastError();
        EXPECT_EQ(b, 0x6B);
        EXPECT_TRUE(VeskDisable(hif));
        EXPECT_TRUE(TvxClose(hif));
#else
        (void)szSn;
        std::string szRegs = Sim().SzLine("REGS " + szBoard);
        ASSERT_EQ(szRegs.size(), 512u);
        EXPECT_EQ(szRegs.substr(510), "52");
#endif
    }

    /* The JTAG port is released: no claim, no port enabled. */
    void ExpectPortReleased(const std::string &szBoard)
    {
        EXPECT_EQ(Sim().SzState(szBoard, "claim"), "none");
        EXPECT_EQ(Sim().SzState(szBoard, "jtagports"), "0");
    }
};

#endif
