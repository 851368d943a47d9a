/*
 * ftdifw_sim_test.cpp - the FTDI firmware libraries as the runtime loads
 * them, on simulated FTDI boards: port properties, protocol 1, streams of
 * 1 MiB out and back through the simulated FIFO in both FIFO modes (the
 * simulator's design confirms the bytes), a cancelled transfer followed by a
 * clean one, an unplug in the middle of a transfer, and the command checks.
 */
#include "dvt.h"
#include "fwinstall.h"
#include "d2xxload.h"
#include "fwtrans.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "tvxutil.h"
#include "voziri.h"

#include "ambrel.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "ftdifw", true);

namespace {

KSIMCTL &Sim() { return PkorsimEnv()->simctl; }


class Ftdifw : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char *szStem : { "FTDIFW_60_00000000_00000801_0118-", "FTDIFW_59_00000800_00000000_0117-" }) {
            std::string szName = std::string(szStem) + SzFwWordSize() + ".dll";
            ASSERT_TRUE(FInstallFw(szName, szName));
        }
    }
    void SetUp() override { ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr; }
    void TearDown() override
    {
        if (hif != hifNil)
            TvxClose(hif);
        Sim().FCmd("FTFAULT ft60 clear");
        Sim().FCmd("PLUG ft60");
    }
    void Open(const char *szSN)
    {
        ASSERT_TRUE(TvxOpen(&hif, szSN)) << szSN << " " << TvxGetLastError();
    }
    int ErcCmd(BYTES rgbCmd, uint8_t cbRet = 0, uint8_t *pbRet = nullptr)
    {
        TRANS tr;
        tr.rgbCmd = rgbCmd;
        tr.cbRet = cbRet;
        int erc = ErcRun(hif, tr);
        if (pbRet)
            memcpy(pbRet, tr.rgbRet, cbRet);
        return erc;
    }
    /* Streams cb bytes out and back through port prt; returns the error code. */
    int ErcStream(uint8_t prt, const BYTES &rgbOut, BYTES &rgbIn, TRANS *ptr = nullptr)
    {
        TRANS tr;
        BYTES rgbArgs = RgbLe({ uint32_t(rgbOut.size()), uint32_t(rgbIn.size()) });
        tr.rgbCmd = { 11, 3, prt };
        tr.rgbCmd.insert(tr.rgbCmd.end(), rgbArgs.begin(), rgbArgs.end());
        tr.pbSnd = rgbOut.data();
        tr.cbSnd = uint32_t(rgbOut.size());
        tr.pbRcv = rgbIn.data();
        tr.cbRcv = uint32_t(rgbIn.size());
        tr.cmdDone = 0x83;
        int erc = ErcRun(hif, tr);
        if (ptr)
            *ptr = tr;
        return erc;
    }
    HIF hif = hifNil;
};


TEST_F(Ftdifw, PortPropertiesAndProtocolOneAnswerAsEachConfigurationSays)
{
    Open("SN:210183F60001");
    uint8_t rgb[16] = {};
    /* Port properties: count, then the words; n is capped at 9. */
    ASSERT_EQ(ErcCmd({ 11, 2, 0, 13 }, 9, rgb), 0);
    EXPECT_EQ(rgb[0], 2);
    EXPECT_EQ(DwAt(rgb + 1), 0x80000001u);
    EXPECT_EQ(DwAt(rgb + 5), 0x80000002u);
    EXPECT_EQ(ErcCmd({ 11, 2, 0, 4 }), 13);
    ASSERT_EQ(ErcCmd({ 1, 2, 0 }, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0u);
    EXPECT_EQ(ErcCmd({ 1, 16, 0 }), 1);
    /* Codes from 48 on (unknown protocol 49, unknown command 50) reach clients as 3080. */
    EXPECT_EQ(ErcCmd({ 1, 17, 0 }), 3080);
    EXPECT_EQ(ErcCmd({ 5, 0, 0 }), 3080);
    EXPECT_EQ(ErcCmd({ 0, 1, 0 }), 3080);
    /* A transfer on a port that is not enabled; chunk commands with a wrong length. */
    EXPECT_EQ(ErcCmd({ 11, 5, 0 }), 4);
    EXPECT_EQ(ErcCmd({ 11, 3, 7 }), 12);
    /* The transaction reset answers 0x7A - v. */
    ASSERT_EQ(ErcCmd({ 0, 3, 0, 0x10, 0, 0, 0 }, 4, rgb), 0);
    EXPECT_EQ(DwAt(rgb), 0x6Au);
    TvxClose(hif);
    hif = hifNil;
    Open("SN:210183F59001");
    ASSERT_EQ(ErcCmd({ 11, 2, 0, 9 }, 5, rgb), 0);
    EXPECT_EQ(rgb[0], 1);
    EXPECT_EQ(DwAt(rgb + 1), 0x00000001u);
    EXPECT_EQ(ErcCmd({ 2, 0, 0 }), 3080);      /* no JTAG in this configuration: 49 */
}

struct STREAMCASE {
    const char *szSN;
    const char *szBoard;
    uint8_t prt;
    const char *szMode;         /* the channel's bit mode while streaming */
};

TEST_F(Ftdifw, StreamsAMebibyteOutAndBackThroughTheFifoInBothModes)
{
    const STREAMCASE rgcase[] = {
        { "SN:210183F60001", "ft60", 0, "0" },     /* asynchronous FIFO */
        { "SN:210183F60001", "ft60", 1, "64" },    /* synchronous FIFO */
        { "SN:210183F59001", "ft59", 0, "0" },
    };
    for (const STREAMCASE &sc : rgcase) {
        Open(sc.szSN);
        ASSERT_TRUE(Sim().FCmd(std::string("FTSINKCLEAR ") + sc.szBoard + " A"));
        ASSERT_EQ(ErcCmd({ 11, 0, sc.prt }), 0) << sc.szBoard << " port " << int(sc.prt);
        std::vector<std::string> rgsz;
        Sim().FCmd(std::string("FTDI ") + sc.szBoard, &rgsz);
        bool fMode = false;
        for (auto &sz : rgsz)
            fMode = fMode || sz == std::string("A.mode ") + sc.szMode;
        EXPECT_TRUE(fMode) << sc.szBoard << " port " << int(sc.prt);
        BYTES rgbOut = RgbPattern(1 << 20, sc.prt + 7), rgbIn(1 << 20);
        TRANS tr;
        ASSERT_EQ(ErcStream(sc.prt, rgbOut, rgbIn, &tr), 0);
        EXPECT_EQ(tr.cbOut, rgbOut.size());
        EXPECT_EQ(tr.cbIn, rgbIn.size());
        EXPECT_TRUE(rgbIn == rgbOut);
        std::string szSink = Sim().SzLine(std::string("FTSINK ") + sc.szBoard + " A");
        ASSERT_EQ(szSink.size(), 2u << 20);
        char szHead[9];
        snprintf(szHead, sizeof(szHead), "%02x%02x%02x%02x", rgbOut[0], rgbOut[1], rgbOut[2], rgbOut[3]);
        EXPECT_EQ(szSink.substr(0, 8), szHead);
        EXPECT_EQ(ErcCmd({ 11, 1, sc.prt }), 0);
        TvxClose(hif);
        hif = hifNil;
    }
}

TEST_F(Ftdifw, ACancelledTransferEndsWithCodeTwoAndTheNextIsClean)
{
    Open("SN:210183F60001");
    ASSERT_EQ(ErcCmd({ 11, 0, 0 }), 0);
    /* A read the design cannot fill (nothing was sent): the transfer waits in its reads. */
    uint8_t rgbChunk[8] = {};
    ASSERT_EQ(ErcCmd({ 11, 4, 0, 0, 0, 1, 0, 0, 0x10, 0, 0 }, 0, rgbChunk), 0);   /* read chunk 4096 */
    BYTES rgbNone, rgbIn(64 << 20);
    TRANS tr;
    BYTES rgbArgs = RgbLe({ 0, uint32_t(rgbIn.size()) });
    tr.rgbCmd = { 11, 3, 0 };
    tr.rgbCmd.insert(tr.rgbCmd.end(), rgbArgs.begin(), rgbArgs.end());
    tr.pbRcv = rgbIn.data();
    tr.cbRcv = uint32_t(rgbIn.size());
    tr.cmdDone = 0x83;
    ASSERT_TRUE(Sim().FCmd("FTSOURCE ft60 A pattern 0"));
    ASSERT_TRUE(FStart(hif, tr));
    KorSleepMs(100);
    auto tStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(TvxCancelTrans(hif));
    uint32_t cbOut = 0, cbIn = 0;
    EXPECT_FALSE(TvxGetTransResult(hif, &cbOut, &cbIn, 10000));
    EXPECT_EQ(TvxGetLastError(), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(5));
    ASSERT_TRUE(Sim().FCmd("FTSOURCE ft60 A loopback"));
    ASSERT_EQ(ErcCmd({ 11, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0 }), 0);
    BYTES rgbOut = RgbPattern(100000, 3), rgbBack(100000);
    ASSERT_EQ(ErcStream(0, rgbOut, rgbBack, &tr), 0);
    EXPECT_TRUE(rgbBack == rgbOut);
}

TEST_F(Ftdifw, UnpluggingMidTransferEndsTheCallAndAReplugLetsTheNextOpenWork)
{
    Open("SN:210183F60001");
    ASSERT_EQ(ErcCmd({ 11, 0, 0 }), 0);
    ASSERT_TRUE(Sim().FCmd("FTFAULT ft60 unplugafter 300000"));
    BYTES rgbOut = RgbPattern(1 << 20, 5), rgbIn(1 << 20);
    auto tStart = std::chrono::steady_clock::now();
    TRANS tr;
    int erc = ErcStream(0, rgbOut, rgbIn, &tr);
    EXPECT_NE(erc, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(15));
    EXPECT_LT(tr.cbOut, rgbOut.size());
    TvxClose(hif);
    hif = hifNil;
    ASSERT_TRUE(Sim().FCmd("PLUG ft60"));
    Open("SN:210183F60001");
    ASSERT_EQ(ErcCmd({ 11, 0, 0 }), 0);
    BYTES rgbSmall = RgbPattern(1000, 9), rgbBack(1000);
    ASSERT_EQ(ErcStream(0, rgbSmall, rgbBack), 0);
    EXPECT_TRUE(rgbBack == rgbSmall);
}

/* Channel B of the two-channel board straight through D2XX: FIFO loop-back
 * rounds of 1 MiB, every byte checked, from the first round until the stop
 * file appears (at most 60 s). argv[1]: the folder of the two files. */
KOR_CHILD_ROLE(rawfifob)
{
    if (argc < 2)
        return 9;
    std::string szDir = argv[1];
    const D2XX *pd2xx = PD2xx();
    FT_HANDLE h = nullptr;
    if (pd2xx == nullptr || pd2xx->FT_OpenEx((PVOID) "210183F59002B", FT_OPEN_BY_SERIAL_NUMBER, &h) != FT_OK)
        return 10;
    pd2xx->FT_SetBitMode(h, 0, 0);
    pd2xx->FT_SetTimeouts(h, 2000, 2000);
    pd2xx->FT_Purge(h, 3);
    bool fOk = true;
    int cround = 0;
    auto tStart = std::chrono::steady_clock::now();
    while (fOk && std::chrono::steady_clock::now() - tStart < std::chrono::seconds(60)) {
        BYTES rgbOut = RgbPattern(1 << 20, 100 + cround), rgbIn(1 << 20);
        for (uint32_t ib = 0; ib < rgbOut.size() && fOk; ib += 65536) {
            DWORD cb = 0;
            fOk = pd2xx->FT_Write(h, rgbOut.data() + ib, 65536, &cb) == FT_OK && cb == 65536;
            for (DWORD cbDone = 0; fOk && cbDone < 65536; cbDone += cb)
                fOk = pd2xx->FT_Read(h, rgbIn.data() + ib + cbDone, 65536 - cbDone, &cb) == FT_OK && cb > 0;
        }
        fOk = fOk && rgbIn == rgbOut;
        if (fOk && ++cround == 1)
            std::ofstream(szDir + "rawfifob.started") << "1";
        if (std::ifstream(szDir + "rawfifob.stop").good())
            break;
    }
    pd2xx->FT_Close(h);
    printf("channel B: %d rounds of 1 MiB\n", cround);
    return fOk ? 0 : 1;
}

TEST_F(Ftdifw, TwoProcessesOnTwoChannelsOfOneChipStreamAtOnceWithoutInterference)
{
    std::string szDir = getenv("YORL_FWDIR");
    remove((szDir + "rawfifob.started").c_str());
    remove((szDir + "rawfifob.stop").c_str());
    Open("SN:210183F59002");
    ASSERT_EQ(ErcCmd({ 11, 0, 0 }), 0);
    KorChild child;
    ASSERT_TRUE(child.Start("rawfifob", { szDir }));
    auto tStart = std::chrono::steady_clock::now();
    while (!std::ifstream(szDir + "rawfifob.started").good() && child.FRunning() &&
           std::chrono::steady_clock::now() - tStart < std::chrono::seconds(30))
        KorSleepMs(10);
    ASSERT_TRUE(std::ifstream(szDir + "rawfifob.started").good()) << "channel B never streamed";
    /* While channel B streams in the other process, channel A through the library. */
    for (uint32_t iround = 0; iround < 8; iround++) {
        BYTES rgbOut = RgbPattern(1 << 20, iround), rgbIn(1 << 20);
        TRANS tr;
        ASSERT_EQ(ErcStream(0, rgbOut, rgbIn, &tr), 0) << "round " << iround;
        ASSERT_TRUE(rgbIn == rgbOut) << "round " << iround;
    }
    EXPECT_TRUE(child.FRunning()) << "channel B stopped before channel A was done";
    std::ofstream(szDir + "rawfifob.stop") << "1";
    int code = -1;
    ASSERT_TRUE(child.Wait(90000, &code));
    EXPECT_EQ(code, 0);
    /* The chip saw both streams: 8 MiB on A, at least one round on B. */
    std::vector<std::string> rgsz;
    Sim().FCmd("FTDI ft59two", &rgsz);
    double cbA = 0, cbB = 0;
    for (const std::string &sz : rgsz) {
        if (sz.rfind("A.written ", 0) == 0)
            cbA = atof(sz.c_str() + 10);
        if (sz.rfind("B.written ", 0) == 0)
            cbB = atof(sz.c_str() + 10);
    }
    EXPECT_GE(cbA, 8.0 * (1 << 20));
    EXPECT_GE(cbB, 1.0 * (1 << 20));
    EXPECT_EQ(ErcCmd({ 11, 1, 0 }), 0);
}

bool FBit(const std::vector<uint8_t> &rgb, size_t ibit) { return (rgb[ibit / 8] >> (ibit % 8)) & 1; }

/* The JTAG port of the 0x60 board through Tvxutil, as a scan-chain client drives it. */
class FtdifwJtag : public Ftdifw {
protected:
    void SetUp() override
    {
        Ftdifw::SetUp();
        TvxSetFsadm(fsadmDcapPriv);     /* the 0x60 library's capabilities are private words */
        uint32_t erc = 0;
        ASSERT_TRUE(TvxOpenJtag(&hjtag, "SN:210183F60001", &erc, 0)) << erc;
        ASSERT_TRUE(TvxEnableJtag(hjtag, &erc, 0)) << erc;
    }
    void TearDown() override
    {
        uint32_t erc = 0;
        if (hjtag != nullptr)
            TvxCloseJtag(hjtag, &erc);
        Ftdifw::TearDown();
    }
    /* TMS walk: one clock per character, TDI 0. */
    void Walk(const char *szTms)
    {
        std::vector<uint8_t> rgb((strlen(szTms) + 3) / 4, 0);
        for (size_t k = 0; szTms[k]; k++)
            if (szTms[k] == '1')
                rgb[k / 4] |= uint8_t(1 << (2 * (k % 4) + 1));
        uint32_t erc = 99;
        ASSERT_TRUE(TvxPutTmsTdiBits(hjtag, uint32_t(strlen(szTms)), rgb.data(), 0, nullptr, &erc, 0)) << erc;
    }
    HTVX hjtag = nullptr;
};

TEST_F(FtdifwJtag, IdcodeComesOutAsOnTheMakersFirmware)
{
    Walk("11111010");
    std::vector<uint8_t> rgb(4);
    uint32_t erc = 99;
    ASSERT_TRUE(TvxGetTdoBits(hjtag, 32, 1, 0, rgb.data(), &erc, 0)) << erc;
    EXPECT_EQ(rgb[0] | rgb[1] << 8 | rgb[2] << 16 | uint32_t(rgb[3]) << 24, 0x01C22093u);
    std::vector<std::string> rgsz;
    Sim().FCmd("FTDI ft60", &rgsz);
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "A.mode 2"), rgsz.end());
}

TEST_F(FtdifwJtag, LongTdiShiftAndPairsComeBackThroughTheTap)
{
    /* Around every step and transaction size: TDI bit k + 1 comes out at clock 32 + k. */
    for (uint32_t cbit : { 100u, 8u * 60000u + 3u, (1u << 19) + 13u }) {
        std::vector<uint8_t> rgbTdi = RgbPattern((cbit + 7) / 8, cbit), rgbTdo((cbit + 7) / 8, 0xEE);
        Walk("11111010");
        uint32_t erc = 99;
        ASSERT_TRUE(TvxPutTdiBits(hjtag, cbit, rgbTdi.data(), 0, 1, rgbTdo.data(), &erc, 0)) << erc;
        ASSERT_TRUE(TvxWaitForTransaction(hjtag, 0, &erc)) << erc;
        uint32_t idcode = 0;
        for (int k = 0; k < 32; k++)
            idcode |= uint32_t(FBit(rgbTdo, k)) << k;
        EXPECT_EQ(idcode, 0x01C22093u) << cbit;
        size_t cbad = 0;
        for (size_t k = 0; k + 33 < cbit; k++)
            cbad += FBit(rgbTdo, 32 + k) != FBit(rgbTdi, k + 1);
        EXPECT_EQ(cbad, 0u) << cbit;
    }
    /* Pairs from Capture-IR: the unconfigured FPGA captures 01, ISC_DONE 0, 0, INIT_B 1, DONE 0; then TDI follows. */
    Walk("111110110");
    const uint32_t cclk = 300;
    std::vector<uint8_t> rgbTdi = RgbPattern((cclk + 7) / 8, 3), rgbPairs((cclk + 3) / 4, 0), rgbTdo((cclk + 7) / 8, 0);
    for (uint32_t k = 0; k < cclk; k++)
        rgbPairs[k / 4] |= uint8_t(FBit(rgbTdi, k) << (2 * (k % 4)));
    uint32_t erc = 99;
    ASSERT_TRUE(TvxPutTmsTdiBits(hjtag, cclk, rgbPairs.data(), 1, rgbTdo.data(), &erc, 0)) << erc;
    const char *szCapture = "100010";
    for (int k = 0; k < 6; k++)
        EXPECT_EQ(FBit(rgbTdo, k), szCapture[k] == '1') << "IR bit " << k;
    size_t cbad = 0;
    for (uint32_t k = 0; k + 7 < cclk; k++)
        cbad += FBit(rgbTdo, 6 + k) != FBit(rgbTdi, k + 1);
    EXPECT_EQ(cbad, 0u);
}

TEST_F(FtdifwJtag, JprogramClearsTheFpga)
{
    /* Reset, Shift-IR; JPROGRAM (0x0B) LSB first, the last bit with TMS 1; Update-IR, Run-Test/Idle. */
    Walk("111110110" "0");
    uint8_t bIr = 0x0B;
    uint32_t erc = 99;
    ASSERT_TRUE(TvxPutTdiBits(hjtag, 5, &bIr, 0, 0, nullptr, &erc, 0)) << erc;
    uint8_t bLast = 0;
    ASSERT_TRUE(TvxPutTdiBits(hjtag, 1, &bLast, 1, 0, nullptr, &erc, 0)) << erc;
    Walk("10");
    /* every clock asked for has gone out (the port offers the batch command, so they were queued) */
    ASSERT_TRUE(TvxWaitForTransaction(hjtag, 0, &erc)) << erc;
    std::vector<std::string> rgsz;
    ASSERT_TRUE(Sim().FCmd("FPGA ft60", &rgsz));
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "done 0"), rgsz.end());
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "init 0"), rgsz.end());     /* clearing for 1000 TCK */
    ASSERT_TRUE(Sim().FCmd("TAP ft60", &rgsz));
    EXPECT_EQ(rgsz[0], "state Run-Test/Idle");
}

/* The 0x60 library as the runtime loaded it (same file: same instance). */
struct AMBREL {
    PFNFTDCONNECT pfnConnect = nullptr;
    PFNFTDDISCONNECT pfnDisconnect = nullptr;
    PFNFTDSENDCMD pfnSendCmd = nullptr;
    PFNFTDREADCMDSTS pfnReadCmdSts = nullptr;
    PFNFTDINITREADWRITE pfnInitReadWrite = nullptr;
    PFNFTDGETTRANSSTS pfnGetTransSts = nullptr;
    PFNFTDGETLASTERC pfnGetLastErc = nullptr;
    bool FLoad()
    {
        std::string szPath = std::string(getenv("YORL_FWDIR")) + "FTDIFW_60_00000000_00000801_0118-" + SzFwWordSize() + ".dll";
#if defined(_WIN32)
        void *hmod = (void *)LoadLibraryA(szPath.c_str());
        auto proc = [&](const char *sz) { return (void *)GetProcAddress((HMODULE)hmod, sz); };
#else
        void *hmod = dlopen(szPath.c_str(), RTLD_NOW);
        auto proc = [&](const char *sz) { return dlsym(hmod, sz); };
#endif
        if (hmod == nullptr)
            return false;
        pfnConnect = (PFNFTDCONNECT)proc("FtdConnect");
        pfnDisconnect = (PFNFTDDISCONNECT)proc("FtdDisconnect");
        pfnSendCmd = (PFNFTDSENDCMD)proc("FtdSendCmd");
        pfnReadCmdSts = (PFNFTDREADCMDSTS)proc("FtdReadCmdSts");
        pfnInitReadWrite = (PFNFTDINITREADWRITE)proc("FtdInitReadWrite");
        pfnGetTransSts = (PFNFTDGETTRANSSTS)proc("FtdGetTransSts");
        pfnGetLastErc = (PFNFTDGETLASTERC)proc("FtdGetLastErc");
        return pfnConnect && pfnDisconnect && pfnSendCmd && pfnReadCmdSts && pfnInitReadWrite && pfnGetTransSts &&
               pfnGetLastErc;
    }
};

TEST_F(Ftdifw, EntryPointsRefuseIndicesThatAreNotConnectedHereAndKeepABigStatus)
{
    AMBREL ambrel;
    ASSERT_TRUE(ambrel.FLoad());
    const uint8_t rgbCmd[] = { 4, 11, 2, 0, 9 };
    uint8_t rgb[64], cb = 0;
    uint32_t cbR = 0, cbS = 0;
    for (int hif : { -1, 64, 63 }) {
        EXPECT_FALSE(ambrel.pfnSendCmd(hif, rgbCmd, 5, &cb, 10));
        EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidHandle) << hif;
        EXPECT_FALSE(ambrel.pfnReadCmdSts(hif, rgb, 64, &cb, 10));
        EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidHandle) << hif;
        EXPECT_FALSE(ambrel.pfnInitReadWrite(hif, rgb, rgb, 64, 64));
        EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidHandle) << hif;
        EXPECT_FALSE(ambrel.pfnGetTransSts(hif, &cbR, &cbS));
        EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidHandle) << hif;
    }
    int hif = -1;
    EXPECT_FALSE(ambrel.pfnConnect("0123456789ABCDEF", &hif));
    EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidArg);
    ASSERT_TRUE(ambrel.pfnConnect("210183F60001", &hif));
    EXPECT_FALSE(ambrel.pfnSendCmd(hif, rgbCmd, 65, &cb, 10));
    EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidHandle);
    EXPECT_FALSE(ambrel.pfnGetTransSts(hif, &cbR, &cbS));
    EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwInvalidArg);       /* nothing armed */
    /* Port properties: an 11-byte status; a 1-byte buffer keeps it for the next read. */
    ASSERT_TRUE(ambrel.pfnSendCmd(hif, rgbCmd, 5, &cb, 1000));
    EXPECT_FALSE(ambrel.pfnReadCmdSts(hif, rgb, 1, &cb, 2000));
    EXPECT_EQ(ambrel.pfnGetLastErc(), ercFwStsBufferSmall);
    EXPECT_EQ(cb, 11);      /* length byte, status, count, two words */
    ASSERT_TRUE(ambrel.pfnReadCmdSts(hif, rgb, 64, &cb, 2000));
    EXPECT_EQ(cb, 11);
    EXPECT_EQ(rgb[2], 2);
    /* An unknown system command during a data phase ends it with its final status (code 50). */
    const uint8_t rgbEnable[] = { 3, 11, 0, 0 };
    ASSERT_TRUE(ambrel.pfnSendCmd(hif, rgbEnable, 4, &cb, 1000));
    ASSERT_TRUE(ambrel.pfnReadCmdSts(hif, rgb, 64, &cb, 5000));
    ASSERT_EQ(rgb[1], 0);
    const uint8_t rgbXfer[] = { 11, 11, 3, 0, 0x10, 0, 0, 0, 0, 0, 0, 0 };
    ASSERT_TRUE(ambrel.pfnSendCmd(hif, rgbXfer, 12, &cb, 1000));
    ASSERT_TRUE(ambrel.pfnReadCmdSts(hif, rgb, 64, &cb, 2000));
    const uint8_t rgbSys[] = { 2, 0, 9 };
    ASSERT_TRUE(ambrel.pfnSendCmd(hif, rgbSys, 3, &cb, 1000));
    ASSERT_TRUE(ambrel.pfnReadCmdSts(hif, rgb, 64, &cb, 2000));
    EXPECT_EQ(rgb[1] & 0x3F, 50);
    const uint8_t rgbDisable[] = { 3, 11, 1, 0 };
    ASSERT_TRUE(ambrel.pfnSendCmd(hif, rgbDisable, 4, &cb, 1000));
    ASSERT_TRUE(ambrel.pfnReadCmdSts(hif, rgb, 64, &cb, 5000));
    ASSERT_TRUE(ambrel.pfnDisconnect(&hif));
    EXPECT_EQ(hif, -1);
}

} // namespace
