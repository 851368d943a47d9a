/*
 * tvxutil_sim_test.cpp - the JTAG utility calls against a simulated board
 * with a two-device chain: IDCODEs against the board's configuration, the
 * TDO rule across transaction boundaries for TDI bits and TMS/TDI pairs,
 * the errors a caller sees, and an abort from another thread.
 */
#include <chrono>
#include <random>
#include <sstream>

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
    /* TMS walk: one clock per character of szTms, TDI 0. */
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

std::vector<uint8_t> RgbRandom(size_t cb, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> rgb(cb);
    for (auto &b : rgb)
        b = uint8_t(rng());
    return rgb;
}

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

TEST(TvxSimPrivate, PortAmongThePrivateCapabilitiesIsEnabled)
{
    ASSERT_TRUE(PclisimEnv() != nullptr && PclisimEnv()->fOk);
    HTVX h = nullptr;
    uint32_t erc = 0;
    ASSERT_TRUE(TvxOpenJtag(&h, szClisimPrivSN, &erc, 0)) << erc;
    ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
    EXPECT_EQ(PclisimEnv()->simctl.SzState("cli2", "jtagports"), "1");
    const uint8_t rgbWalk[] = {0xAA, 0x22};    /* reset, Run-Test/Idle, Select-DR, Capture-DR */
    ASSERT_TRUE(TvxPutTmsTdiBits(h, 8, rgbWalk, 0, nullptr, &erc, 0)) << erc;
    uint8_t rgb[4] = {};
    ASSERT_TRUE(TvxGetTdoBits(h, 32, 1, 0, rgb, &erc, 0)) << erc;
    EXPECT_EQ(rgb[0] | rgb[1] << 8 | rgb[2] << 16 | uint32_t(rgb[3]) << 24, 0x01C22093u);
    EXPECT_TRUE(TvxTstFsadm(fsadmDcapPriv)) << "the private capabilities were made visible";
    EXPECT_TRUE(TvxCloseJtag(h, &erc)) << erc;
}

} // namespace
