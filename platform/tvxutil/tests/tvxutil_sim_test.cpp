/*
 * tvxutil_sim_test.cpp - the JTAG utility calls against a simulated board
 * with a two-device chain: IDCODEs against the board's configuration, the
 * TDO rule across transaction boundaries for TDI bits and TMS/TDI pairs,
 * the errors a caller sees, and an abort from another thread.
 */
#include <atomic>
#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "clisim.h"
#include "tvxutil.h"

CLISIM_ENVIRONMENT();

namespace {

const uint32_t cclkChunk = 1u << 19;   /* Tvxutil's transaction size */

bool FBit(const std::vector<uint8_t> &rgb, size_t i)
{
    return (rgb[i / 8] >> (i % 8)) & 1;
}

class TvxSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PclisimEnv() != nullptr && PclisimEnv()->fOk);
        uint32_t erc = 99;
        ASSERT_TRUE(TvxOpenJtag(&h, szClisimSN, &erc, 0)) << erc;
        EXPECT_EQ(erc, 0u);
        ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
    }
    void TearDown() override
    {
        uint32_t erc = 0;
        if (h != nullptr) {
            EXPECT_TRUE(TvxCloseJtag(h, &erc)) << erc;
        }
        PclisimEnv()->simctl.FCmd("FAULT cli1 clear");
    }
    /* TMS walk: one clock per character of szTms, TDI 0; back once it has
     * gone out (a board with the batch command queues it until then). */
    void Walk(const char *szTms)
    {
        std::vector<uint8_t> rgb((strlen(szTms) + 3) / 4, 0);
        for (size_t i = 0; szTms[i]; i++) {
            if (szTms[i] == '1')
                rgb[i / 4] |= uint8_t(1 << (2 * (i % 4) + 1));
        }
        uint32_t erc = 99;
        ASSERT_TRUE(TvxPutTmsTdiBits(h, uint32_t(strlen(szTms)), rgb.data(), 0, nullptr, &erc, 0)) << erc;
        EXPECT_EQ(erc, 0u);
        ASSERT_TRUE(TvxWaitForTransaction(h, 0, &erc)) << erc;
    }
    /* IDCODEs of the board's configuration, nearest TDO first. */
    std::vector<uint32_t> RgidcodeBoard()
    {
        std::vector<std::string> rgsz;
        EXPECT_TRUE(PclisimEnv()->simctl.FCmd("TAP cli1", &rgsz));
        std::vector<uint32_t> rgidcode;
        for (const std::string &sz : rgsz) {
            size_t ich = sz.find("idcode=0x");
            if (sz.rfind("dev ", 0) == 0 && ich != std::string::npos)
                rgidcode.push_back(uint32_t(std::stoul(sz.substr(ich + 9, 8), nullptr, 16)));
        }
        return rgidcode;
    }

    HTVX h = nullptr;
};

TEST_F(TvxSim, IdcodesOfTheChainMatchTheBoard)
{
    std::vector<uint32_t> rgidcodeBoard = RgidcodeBoard();
    ASSERT_EQ(rgidcodeBoard.size(), 2u);
    /* Reset, Run-Test/Idle, Select-DR, Capture-DR; the next clocks give bit 0 on. */
    Walk("11111010");
    uint8_t rgb[8] = {};
    uint32_t erc = 99;
    ASSERT_TRUE(TvxGetTdoBits(h, 64, 1, 0, rgb, &erc, 0)) << erc;
    EXPECT_EQ(erc, 0u);
    uint32_t idcode0 = rgb[0] | rgb[1] << 8 | rgb[2] << 16 | uint32_t(rgb[3]) << 24;
    uint32_t idcode1 = rgb[4] | rgb[5] << 8 | rgb[6] << 16 | uint32_t(rgb[7]) << 24;
    EXPECT_EQ(idcode0, rgidcodeBoard[0]);
    EXPECT_EQ(idcode1, rgidcodeBoard[1]);
    EXPECT_EQ(idcode0, 0x01C22093u);
    EXPECT_EQ(idcode1, 0x05045093u);
}

TEST_F(TvxSim, LongTdiShiftComesBackBehindTheIdcodes)
{
    /*
     * From Capture-DR, 64 clocks give the two IDCODEs; the clock that leaves
     * Capture-DR shifts nothing in, so TDI bit k + 1 comes out at clock 64 + k.
     */
    const uint32_t cbit = 2 * cclkChunk + 13;
    std::vector<uint8_t> rgbTdi = RgbRandom((cbit + 7) / 8, 7);
    std::vector<uint8_t> rgbTdo((cbit + 7) / 8, 0xEE);
    Walk("11111010");
    uint32_t erc = 99;
    ASSERT_TRUE(TvxPutTdiBits(h, cbit, rgbTdi.data(), 0, 1, rgbTdo.data(), &erc, 0)) << erc;
    ASSERT_TRUE(TvxWaitForTransaction(h, 0, &erc)) << erc;
    uint32_t idcode0 = 0;
    for (int i = 0; i < 32; i++)
        idcode0 |= uint32_t(FBit(rgbTdo, i)) << i;
    EXPECT_EQ(idcode0, 0x01C22093u);
    size_t cbad = 0, ibad = 0;
    for (size_t k = 0; k + 65 < cbit; k++) {
        if (FBit(rgbTdo, 64 + k) != FBit(rgbTdi, k + 1) && cbad++ == 0)
            ibad = k + 1;
    }
    EXPECT_EQ(cbad, 0u) << "first TDI bit lost: " << ibad;
}

TEST_F(TvxSim, PairsCaptureTheInstructionRegistersAndFollowWithTdi)
{
    /* Reset, Run-Test/Idle, Select-DR, Select-IR, Capture-IR. */
    Walk("111110110");
    const uint32_t cclk = cclkChunk + 100;
    std::vector<uint8_t> rgbTdi = RgbRandom((cclk + 7) / 8, 9);
    std::vector<uint8_t> rgbPairs((cclk + 3) / 4, 0);
    for (uint32_t k = 0; k < cclk; k++)
        rgbPairs[k / 4] |= uint8_t(FBit(rgbTdi, k) << (2 * (k % 4)));
    std::vector<uint8_t> rgbTdo((cclk + 7) / 8, 0);
    uint32_t erc = 99;
    ASSERT_TRUE(TvxPutTmsTdiBits(h, cclk, rgbPairs.data(), 1, rgbTdo.data(), &erc, 0)) << erc;
    /* 6-bit and 8-bit registers, each capturing ...01. */
    const char *szCapture = "10000010000000";
    for (int i = 0; i < 14; i++)
        EXPECT_EQ(FBit(rgbTdo, i), szCapture[i] == '1') << "IR bit " << i;
    size_t cbad = 0;
    for (uint32_t k = 0; k + 15 < cclk; k++)
        cbad += FBit(rgbTdo, 14 + k) != FBit(rgbTdi, k + 1);
    EXPECT_EQ(cbad, 0u);
}

TEST_F(TvxSim, CallerErrors)
{
    uint8_t rgb[4] = {};
    uint32_t erc = 0;
    EXPECT_FALSE(TvxPutTdiBits(h, 8, nullptr, 0, 0, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercInvalidParameter));
    EXPECT_FALSE(TvxPutTdiBits(h, 8, rgb, 0, 1, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercInvalidParameter));
    EXPECT_FALSE(TvxGetTdoBits(h, 8, 0, 0, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercInvalidParameter));
    EXPECT_TRUE(TvxPutTdiBits(h, 0, nullptr, 0, 0, nullptr, &erc, 0)) << "no clocks, nothing to do";
    EXPECT_EQ(erc, 0u);

    ASSERT_TRUE(TvxDisableJtag(h, &erc, 0)) << erc;
    EXPECT_EQ(PclisimEnv()->simctl.SzState(szClisimBoard, "jtagports"), "0");
    EXPECT_FALSE(TvxPutTdiBits(h, 8, rgb, 0, 0, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercCapabilityNotEnabled));
    ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
    EXPECT_EQ(PclisimEnv()->simctl.SzState(szClisimBoard, "jtagports"), "1");

    HTVX hOther = nullptr;
    EXPECT_FALSE(TvxOpenJtag(&hOther, "SN:999999999999", &erc, 0));
    EXPECT_NE(erc, 0u);
    EXPECT_EQ(hOther, nullptr);

    HTVX hClosed = nullptr;
    ASSERT_TRUE(TvxOpenJtag(&hClosed, szClisimSN, &erc, 0)) << erc;
    ASSERT_TRUE(TvxCloseJtag(hClosed, &erc)) << erc;
    EXPECT_FALSE(TvxPutTdiBits(hClosed, 8, rgb, 0, 0, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
    EXPECT_FALSE(TvxEnableJtag(hClosed, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
    EXPECT_FALSE(TvxCloseJtag(hClosed, &erc));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
}

TEST_F(TvxSim, AbortFromAnotherThreadEndsAStuckShift)
{
    const uint32_t cbit = 64u << 20;
    std::vector<uint8_t> rgbTdi(cbit / 8, 0x55);
    Walk("11111010");
    ASSERT_TRUE(PclisimEnv()->simctl.FCmd("FAULT cli1 stall 1000"));
    uint32_t ercShift = 99;
    int32_t fShift = 1;
    std::chrono::steady_clock::time_point tEnd;
    std::thread thd([&] {
        fShift = TvxPutTdiBits(h, cbit, rgbTdi.data(), 0, 0, nullptr, &ercShift, 0);
        tEnd = std::chrono::steady_clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    uint8_t bStatus = 0;
    uint32_t erc = 99;
    EXPECT_TRUE(TvxQueryConfigStatus(h, 0, &bStatus, &erc)) << "the shift is still running";
    EXPECT_EQ(bStatus & 1, 1);
    auto tAbort = std::chrono::steady_clock::now();
    ASSERT_TRUE(TvxAbortConfigTransaction(h, 0, &erc));
    EXPECT_EQ(erc, 0u);
    thd.join();
    EXPECT_FALSE(fShift);
    EXPECT_EQ(ercShift, uint32_t(ercTransferCancelled));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - tAbort).count();
    EXPECT_LT(ms, 10000);  // far inside the 30 s transaction time-out
    printf("stuck shift ended %lld ms after the abort\n", (long long)ms);

    /* Aborted until cleared: the next shift fails at once. */
    EXPECT_FALSE(TvxQueryConfigStatus(h, 0, &bStatus, &erc));
    EXPECT_EQ(bStatus, 2);
    ASSERT_TRUE(PclisimEnv()->simctl.FCmd("FAULT cli1 clear"));
    EXPECT_FALSE(TvxPutTdiBits(h, 8, rgbTdi.data(), 0, 0, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercTransferCancelled));
    ASSERT_TRUE(TvxClearConfigStatus(h, 0, &erc));
    Walk("11111010");
    uint8_t rgb[4] = {};
    ASSERT_TRUE(TvxGetTdoBits(h, 32, 1, 0, rgb, &erc, 0)) << erc;
    EXPECT_EQ(rgb[0] | rgb[1] << 8 | rgb[2] << 16 | uint32_t(rgb[3]) << 24, 0x01C22093u);
}

TEST_F(TvxSim, AbortFromAnotherThreadEndsALongShift)
{
    /* No fault: the port clocks all the time; the abort cuts the shift short. */
    const uint32_t cbit = 1u << 30;
    std::vector<uint8_t> rgbTdi(cbit / 8, 0xA5);
    Walk("11111010");
    uint32_t ercShift = 99;
    int32_t fShift = 1;
    std::chrono::steady_clock::time_point tEnd;
    std::thread thd([&] {
        fShift = TvxPutTdiBits(h, cbit, rgbTdi.data(), 0, 0, nullptr, &ercShift, 0);
        tEnd = std::chrono::steady_clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto tAbort = std::chrono::steady_clock::now();
    uint32_t erc = 99;
    ASSERT_TRUE(TvxAbortConfigTransaction(h, 0, &erc));
    thd.join();
    EXPECT_FALSE(fShift) << "128 MB of TDI did not go out within 100 ms";
    EXPECT_EQ(ercShift, uint32_t(ercTransferCancelled));
    /* Promptly: the whole shift would keep the port busy for minutes. */
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - tAbort).count();
    EXPECT_LT(ms, 10000);  // far inside the 30 s transaction time-out
    printf("long shift ended %lld ms after the abort\n", (long long)ms);
    EXPECT_TRUE(TvxClearConfigStatus(h, 0, &erc));
}

} // namespace

namespace {

TEST_F(TvxSim, BoardVanishingMidShiftFailsTheCall)
{
    const uint32_t cbit = 64u << 20;
    std::vector<uint8_t> rgbTdi(cbit / 8, 0x0F);
    Walk("11111010");
    KSIMCTL &sim = PclisimEnv()->simctl;
    ASSERT_TRUE(sim.FCmd("FAULT cli1 stall 2000"));
    std::thread thd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_TRUE(sim.FCmd("UNPLUG cli1"));
    });
    auto tStart = std::chrono::steady_clock::now();
    uint32_t erc = 0;
    EXPECT_FALSE(TvxPutTdiBits(h, cbit, rgbTdi.data(), 0, 0, nullptr, &erc, 0));
    EXPECT_NE(erc, 0u);
    EXPECT_NE(erc, uint32_t(ercTransferPending));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - tStart);
    EXPECT_LT(ms.count(), 31000) << "past the transaction time-out";
    printf("shift failed with %u after %lld ms\n", erc, (long long)ms.count());
    thd.join();
    EXPECT_FALSE(TvxGetTdoBits(h, 8, 0, 0, rgbTdi.data(), &erc, 0)) << "the board is gone";
    EXPECT_NE(erc, 0u);
    TvxCloseJtag(h, &erc);
    h = nullptr;
    ASSERT_TRUE(sim.FCmd("PLUG cli1"));
    ASSERT_TRUE(sim.FCmd("WAIT cli1 present"));
}

} // namespace

namespace {

/*
 * A port among the private capabilities is enabled whatever the caller's
 * capability switch (Fsadm 4), and the switch, which is the whole
 * process's, is left as the caller had it: set or clear.
 */
TEST(TvxSimPrivate, PortAmongThePrivateCapabilitiesIsEnabled)
{
    ASSERT_TRUE(PclisimEnv() != nullptr && PclisimEnv()->fOk);
    for (bool fCallerPriv : {false, true}) {
        SCOPED_TRACE(fCallerPriv ? "switch set by the caller" : "switch clear");
        if (fCallerPriv)
            TvxSetFsadm(fsadmDcapPriv);
        else
            TvxClrFsadm(fsadmDcapPriv);
        HTVX h = nullptr;
        uint32_t erc = 0;
        ASSERT_TRUE(TvxOpenJtag(&h, szClisimPrivSN, &erc, 0)) << erc;
        ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
        EXPECT_EQ(PclisimEnv()->simctl.SzState("cli2", "jtagports"), "1");
        EXPECT_EQ(TvxTstFsadm(fsadmDcapPriv) != 0, fCallerPriv) << "the caller's capability switch changed";
        const uint8_t rgbWalk[] = {0xAA, 0x22};    /* reset, Run-Test/Idle, Select-DR, Capture-DR */
        ASSERT_TRUE(TvxPutTmsTdiBits(h, 8, rgbWalk, 0, nullptr, &erc, 0)) << erc;
        uint8_t rgb[4] = {};
        ASSERT_TRUE(TvxGetTdoBits(h, 32, 1, 0, rgb, &erc, 0)) << erc;
        EXPECT_EQ(rgb[0] | rgb[1] << 8 | rgb[2] << 16 | uint32_t(rgb[3]) << 24, 0x01C22093u);
        EXPECT_TRUE(TvxCloseJtag(h, &erc)) << erc;
        EXPECT_EQ(PclisimEnv()->simctl.SzState("cli2", "jtagports"), "0");
    }
    TvxClrFsadm(fsadmDcapPriv);
}

} // namespace

namespace {

/* The TAP of the board: its state and the clocks it has seen. */
struct TAPSEEN {
    std::string szState;
    uint64_t cclk = 0;
};

TAPSEEN TapseenBoard()
{
    std::vector<std::string> rgsz;
    TAPSEEN ts;
    EXPECT_TRUE(PclisimEnv()->simctl.FCmd("TAP cli1", &rgsz));
    for (const std::string &sz : rgsz) {
        if (sz.rfind("state ", 0) == 0)
            ts.szState = sz.substr(6);
        else if (sz.rfind("clocks ", 0) == 0)
            ts.cclk = std::stoull(sz.substr(7));
    }
    return ts;
}

/* The clocking calls, as the tables below name them. */
enum KCALL { kcallGetTdo, kcallPutTdi, kcallPairs };

const char *SzKcall(KCALL kcall)
{
    switch (kcall) {
    case kcallGetTdo:
        return "GetTdo";
    case kcallPutTdi:
        return "PutTdi";
    default:
        return "Pairs";
    }
}

/* cclk clocks with TMS held at fTms (pairs: every pair's TMS) and TDI 0. */
int32_t FClock(HTVX h, KCALL kcall, uint32_t cclk, bool fTms, uint8_t *pbTdo, uint32_t *perc)
{
    switch (kcall) {
    case kcallGetTdo:
        return TvxGetTdoBits(h, cclk, 0, fTms, pbTdo, perc, 0);
    case kcallPutTdi: {
        std::vector<uint8_t> rgbTdi((cclk + 7) / 8 + 1, 0);
        return TvxPutTdiBits(h, cclk, rgbTdi.data(), fTms, pbTdo != nullptr, pbTdo, perc, 0);
    }
    default: {
        std::vector<uint8_t> rgbPairs((cclk + 3) / 4 + 1, fTms ? 0xAA : 0x00);
        return TvxPutTmsTdiBits(h, cclk, rgbPairs.data(), pbTdo != nullptr, pbTdo, perc, 0);
    }
    }
}

/*
 * Short captures from Capture-DR: the TDO bits are the IDCODE of the device
 * nearest TDO from bit 0 on; bits above the count in the last byte read 0
 * and the byte after the last one stays the caller's.
 */
struct TDOCASE {
    KCALL kcall;
    uint32_t cclk;
};

class TvxSimTdo : public TvxSim, public ::testing::WithParamInterface<TDOCASE> {};

TEST_P(TvxSimTdo, CapturedBitsFillOnlyTheirBytes)
{
    const TDOCASE &tc = GetParam();
    const uint64_t idcodes = 0x0504509301C22093ull;   /* nearest TDO in the low word */
    Walk("11111010");
    uint32_t cb = (tc.cclk + 7) / 8;
    std::vector<uint8_t> rgbTdo(cb + 1, 0xEE);
    uint32_t erc = 99;
    ASSERT_TRUE(FClock(h, tc.kcall, tc.cclk, false, rgbTdo.data(), &erc)) << erc;
    EXPECT_EQ(erc, 0u);
    for (uint32_t ib = 0; ib < cb; ib++) {
        uint32_t cbitHere = tc.cclk - 8 * ib < 8 ? tc.cclk - 8 * ib : 8;
        uint8_t bWant = uint8_t((idcodes >> (8 * ib)) & ((1u << cbitHere) - 1));
        EXPECT_EQ(int(rgbTdo[ib]), int(bWant)) << "byte " << ib;
    }
    EXPECT_EQ(int(rgbTdo[cb]), 0xEE) << "written past the last TDO byte";
    TAPSEEN ts = TapseenBoard();
    EXPECT_EQ(ts.szState, "Shift-DR");
}

INSTANTIATE_TEST_SUITE_P(Table, TvxSimTdo,
    ::testing::Values(TDOCASE{kcallGetTdo, 1}, TDOCASE{kcallGetTdo, 5}, TDOCASE{kcallGetTdo, 13},
                      TDOCASE{kcallGetTdo, 32}, TDOCASE{kcallGetTdo, 61}, TDOCASE{kcallPutTdi, 1},
                      TDOCASE{kcallPutTdi, 7}, TDOCASE{kcallPutTdi, 33}, TDOCASE{kcallPairs, 1},
                      TDOCASE{kcallPairs, 3}, TDOCASE{kcallPairs, 29}),
    [](const ::testing::TestParamInfo<TDOCASE> &info) {
        return std::string(SzKcall(info.param.kcall)) + "_" + std::to_string(info.param.cclk);
    });

/*
 * Every clock asked for goes out, with TMS as asked: from Run-Test/Idle the
 * board's TAP counts exactly the clocks and ends in the state that TMS led it
 * to, also across the transaction boundaries of long calls.
 */
struct TMSCASE {
    KCALL kcall;
    uint32_t cclk;
    bool fTms;
    const char *szState;
};

class TvxSimTms : public TvxSim, public ::testing::WithParamInterface<TMSCASE> {};

TEST_P(TvxSimTms, ClocksAndHeldTmsReachTheTap)
{
    const TMSCASE &tc = GetParam();
    Walk("111110");
    TAPSEEN tsBefore = TapseenBoard();
    ASSERT_EQ(tsBefore.szState, "Run-Test/Idle");
    uint32_t erc = 99;
    std::vector<uint8_t> rgbTdo((tc.cclk + 7) / 8 + 1, 0);
    ASSERT_TRUE(FClock(h, tc.kcall, tc.cclk, tc.fTms, tc.kcall == kcallGetTdo ? rgbTdo.data() : nullptr, &erc))
        << erc;
    ASSERT_TRUE(TvxWaitForTransaction(h, 0, &erc)) << erc;
    TAPSEEN ts = TapseenBoard();
    EXPECT_EQ(ts.cclk - tsBefore.cclk, tc.cclk);
    EXPECT_EQ(ts.szState, tc.szState);
}

INSTANTIATE_TEST_SUITE_P(Table, TvxSimTms,
    ::testing::Values(TMSCASE{kcallGetTdo, 1, true, "Select-DR-Scan"},
                      TMSCASE{kcallGetTdo, 2, true, "Select-IR-Scan"},
                      TMSCASE{kcallGetTdo, 9, false, "Run-Test/Idle"},
                      TMSCASE{kcallPutTdi, 3, true, "Test-Logic-Reset"},
                      TMSCASE{kcallPutTdi, 11, false, "Run-Test/Idle"},
                      TMSCASE{kcallPutTdi, cclkChunk + 3, false, "Run-Test/Idle"},
                      TMSCASE{kcallPairs, 2, true, "Select-IR-Scan"},
                      TMSCASE{kcallPairs, 6, false, "Run-Test/Idle"},
                      TMSCASE{kcallPairs, 2 * cclkChunk + 1, true, "Test-Logic-Reset"}),
    [](const ::testing::TestParamInfo<TMSCASE> &info) {
        return std::string(SzKcall(info.param.kcall)) + "_" + std::to_string(info.param.cclk) +
               (info.param.fTms ? "_Tms1" : "_Tms0");
    });

/*
 * The abort's neighbours as their callers use them: the scan-chain library
 * counts an abort with error code 0 as done, and its player's recovery calls
 * the status query until it answers false.
 */
TEST_F(TvxSim, AbortQueryAndClearOnAnIdlePortAndOnAClosedHandle)
{
    uint32_t erc = 99;
    uint8_t bStatus = 0xFF;
    EXPECT_FALSE(TvxQueryConfigStatus(h, 0, &bStatus, &erc)) << "an idle port is not busy";
    EXPECT_EQ(erc, 0u);
    EXPECT_EQ(bStatus, 0);

    /* An abort between two calls is not lost: the next clocking call fails. */
    ASSERT_TRUE(TvxAbortConfigTransaction(h, 0, &erc));
    EXPECT_EQ(erc, 0u);
    TAPSEEN tsBefore = TapseenBoard();
    const uint8_t rgbWalk[] = {0xAA, 0x02};
    EXPECT_FALSE(TvxPutTmsTdiBits(h, 6, rgbWalk, 0, nullptr, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercTransferCancelled));
    EXPECT_EQ(TapseenBoard().cclk, tsBefore.cclk) << "an aborted port clocks nothing";
    EXPECT_FALSE(TvxQueryConfigStatus(h, 0, &bStatus, &erc));
    EXPECT_EQ(bStatus, 2);
    ASSERT_TRUE(TvxClearConfigStatus(h, 0, &erc));
    EXPECT_EQ(erc, 0u);
    ASSERT_TRUE(TvxPutTmsTdiBits(h, 6, rgbWalk, 0, nullptr, &erc, 0)) << erc;
    ASSERT_TRUE(TvxWaitForTransaction(h, 0, &erc)) << erc;
    EXPECT_EQ(TapseenBoard().szState, "Run-Test/Idle");

    HTVX hClosed = nullptr;
    ASSERT_TRUE(TvxOpenJtag(&hClosed, szClisimSN, &erc, 0)) << erc;
    ASSERT_TRUE(TvxCloseJtag(hClosed, &erc)) << erc;
    erc = 0;
    EXPECT_FALSE(TvxAbortConfigTransaction(hClosed, 0, &erc));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif)) << "an abort that reached no port is no success";
    EXPECT_FALSE(TvxQueryConfigStatus(hClosed, 0, &bStatus, &erc)) << "ends the recovery loop";
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
    EXPECT_FALSE(TvxClearConfigStatus(hClosed, 0, &erc));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
    EXPECT_FALSE(TvxWaitForTransaction(hClosed, 0, &erc));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
    EXPECT_FALSE(TvxDisableJtag(hClosed, &erc, 0));
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
}

} // namespace

namespace {

/*
 * An abort from another thread that lands between two short calls of the
 * operation (the usual case: an operation is mostly short walks and shifts)
 * is not lost: no call that starts after the abort returned succeeds.
 */
TEST_F(TvxSim, AbortAmongShortCallsStopsEveryLaterCall)
{
    Walk("111110");
    std::atomic<bool> fAborted{false};
    std::atomic<int> ccallLate{0}, ccall{0};
    uint32_t ercLast = 0;
    std::thread thd([&] {
        const uint8_t rgbPairs[] = {0x00, 0x00};
        uint8_t rgbTdoShort[1] = {};
        for (int i = 0; i < 200000; i++) {
            bool fAfter = fAborted.load();
            uint32_t erc = 99;
            int32_t f = (i & 1) ? TvxPutTmsTdiBits(h, 8, rgbPairs, 0, nullptr, &erc, 0)
                                : TvxGetTdoBits(h, 8, 0, 0, rgbTdoShort, &erc, 0);
            ccall++;
            if (f && fAfter)
                ccallLate++;
            if (!f) {
                ercLast = erc;
                return;
            }
        }
    });
    while (ccall.load() < 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    uint32_t erc = 99;
    ASSERT_TRUE(TvxAbortConfigTransaction(h, 0, &erc));
    fAborted = true;
    thd.join();
    EXPECT_EQ(ccallLate.load(), 0) << "calls that succeeded after the abort";
    EXPECT_EQ(ercLast, uint32_t(ercTransferCancelled));
    uint8_t bStatus = 0;
    EXPECT_FALSE(TvxQueryConfigStatus(h, 0, &bStatus, &erc));
    ASSERT_TRUE(TvxClearConfigStatus(h, 0, &erc));
    Walk("111110");
    EXPECT_EQ(TapseenBoard().szState, "Run-Test/Idle");
}

} // namespace

namespace {

/*
 * However an operation ends, the board's JTAG port is off after the close
 * and the next opener (the next operation, or the flash pages' release) finds
 * it free: closed after a disable, closed while still enabled, and closed
 * after an abort that was never cleared.
 */
TEST_F(TvxSim, CloseLeavesThePortOffForTheNextOpener)
{
    struct { const char *szCase; bool fDisable; bool fAbort; } rgcase[] = {
        {"disable, then close", true, false},
        {"close while enabled", false, false},
        {"close after an abort", false, true},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(c.szCase);
        uint32_t erc = 99;
        Walk("111110");
        if (c.fAbort)
            ASSERT_TRUE(TvxAbortConfigTransaction(h, 0, &erc));
        if (c.fDisable)
            ASSERT_TRUE(TvxDisableJtag(h, &erc, 0)) << erc;
        ASSERT_TRUE(TvxCloseJtag(h, &erc)) << erc;
        h = nullptr;
        EXPECT_EQ(PclisimEnv()->simctl.SzState(szClisimBoard, "jtagports"), "0");
        ASSERT_TRUE(TvxOpenJtag(&h, szClisimSN, &erc, 0)) << erc;
        ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
        Walk("11111010");
        uint8_t rgb[4] = {};
        ASSERT_TRUE(TvxGetTdoBits(h, 32, 0, 0, rgb, &erc, 0)) << erc;
        EXPECT_EQ(rgb[0] | rgb[1] << 8 | rgb[2] << 16 | uint32_t(rgb[3]) << 24, 0x01C22093u);
    }
}

} // namespace

namespace {

/*
 * The same calls reach the board alike whether its port offers the batch
 * command (shifts queued and sent as batch transactions) or not (one
 * transaction per call): the TDO the caller gets, the clocks the TAP saw
 * and its state; only the number of transactions differs.
 */
struct ROADCASE {
    const char *szRoad;
    uint32_t dprpJtag;
    bool fBatch;
};

class TvxSimRoad : public ::testing::TestWithParam<ROADCASE> {};

/* Command packets of the board's log with protocol 2 and command cmd. */
size_t CcmdLogged(uint8_t cmd)
{
    std::vector<std::string> rgsz;
    EXPECT_TRUE(PclisimEnv()->simctl.FCmd("LOG cli1", &rgsz));
    char szPrefix[16];
    snprintf(szPrefix, sizeof(szPrefix), "02%02X", cmd);
    size_t c = 0;
    for (const std::string &sz : rgsz)
        c += sz.rfind("CMD ", 0) == 0 && sz.size() >= 10 && sz.compare(6, 4, szPrefix) == 0;
    return c;
}

TEST_P(TvxSimRoad, CallsReachTheBoardAlike)
{
    const ROADCASE &rc = GetParam();
    KSIMCTL &sim = PclisimEnv()->simctl;
    ASSERT_TRUE(sim.FCmd("JTAGPROPS cli1 " + std::to_string(rc.dprpJtag)));
    HTVX h = nullptr;
    uint32_t erc = 99;
    ASSERT_TRUE(TvxOpenJtag(&h, szClisimSN, &erc, 0)) << erc;
    ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
    ASSERT_TRUE(sim.FCmd("LOGCLEAR cli1"));
    uint64_t cclk0 = TapseenBoard().cclk;

    /* Reset, Run-Test/Idle, Select-DR, Capture-DR. */
    const uint8_t rgbWalk[] = {0xAA, 0x22};
    ASSERT_TRUE(TvxPutTmsTdiBits(h, 8, rgbWalk, 0, nullptr, &erc, 0)) << erc;
    /* 70 pairs in Shift-DR, random TDI, the last with TMS 1, TDO captured. */
    const uint32_t cclkPairs = 70;
    std::vector<uint8_t> rgbTdi = RgbRandom((cclkPairs + 7) / 8, 11);
    std::vector<uint8_t> rgbPairs((cclkPairs + 3) / 4, 0);
    for (uint32_t k = 0; k < cclkPairs; k++)
        rgbPairs[k / 4] |= uint8_t((FBit(rgbTdi, k) | (k + 1 == cclkPairs ? 2 : 0)) << (2 * (k % 4)));
    std::vector<uint8_t> rgbTdo((cclkPairs + 7) / 8 + 1, 0xEE);
    ASSERT_TRUE(TvxPutTmsTdiBits(h, cclkPairs, rgbPairs.data(), 1, rgbTdo.data(), &erc, 0)) << erc;
    /* Update-DR, Run-Test/Idle; a long wait there; then TMS 1 to Test-Logic-Reset, TDO captured. */
    const uint8_t rgbToIdle[] = {0x02};
    ASSERT_TRUE(TvxPutTmsTdiBits(h, 2, rgbToIdle, 0, nullptr, &erc, 0)) << erc;
    const uint32_t cclkIdle = 100000;
    std::vector<uint8_t> rgbZeros(cclkIdle / 8, 0);
    ASSERT_TRUE(TvxPutTdiBits(h, cclkIdle, rgbZeros.data(), 0, 0, nullptr, &erc, 0)) << erc;
    uint8_t bTdoReset = 0xEE;
    ASSERT_TRUE(TvxGetTdoBits(h, 3, 0, 1, &bTdoReset, &erc, 0)) << erc;
    ASSERT_TRUE(TvxWaitForTransaction(h, 0, &erc)) << erc;

    const uint64_t idcodes = 0x0504509301C22093ull;
    for (uint32_t k = 0; k < 64; k++)
        EXPECT_EQ(FBit(rgbTdo, k), ((idcodes >> k) & 1) != 0) << "IDCODE bit " << k;
    for (uint32_t k = 64; k + 1 < cclkPairs; k++)
        EXPECT_EQ(FBit(rgbTdo, k), FBit(rgbTdi, k - 63)) << "TDI back at clock " << k;
    EXPECT_EQ(rgbTdo[cclkPairs / 8] >> (cclkPairs % 8), 0) << "bits above the last captured one";
    EXPECT_EQ(rgbTdo[(cclkPairs + 7) / 8], 0xEE) << "written past the last TDO byte";
    EXPECT_EQ(bTdoReset >> 3, 0);
    TAPSEEN ts = TapseenBoard();
    EXPECT_EQ(ts.cclk - cclk0, 8 + cclkPairs + 2 + cclkIdle + 3);
    EXPECT_EQ(ts.szState, "Test-Logic-Reset");
    size_t cbatch = CcmdLogged(23);
    if (rc.fBatch) {
        EXPECT_EQ(cbatch, 2u) << "one batch up to each capture";
        EXPECT_EQ(CcmdLogged(8) + CcmdLogged(9) + CcmdLogged(10), 0u);
    } else {
        EXPECT_EQ(cbatch, 0u);
        EXPECT_EQ(CcmdLogged(10), 3u);
    }
    EXPECT_TRUE(TvxCloseJtag(h, &erc)) << erc;
    ASSERT_TRUE(sim.FCmd("JTAGPROPS cli1 " + std::to_string(0x00020003)));
}

INSTANTIATE_TEST_SUITE_P(Roads, TvxSimRoad,
    ::testing::Values(ROADCASE{"batch", 0x00020003, true}, ROADCASE{"plain", 0x00000003, false}),
    [](const ::testing::TestParamInfo<ROADCASE> &info) { return std::string(info.param.szRoad); });

} // namespace
