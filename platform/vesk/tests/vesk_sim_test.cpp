/*
 * vesk_sim_test.cpp - the register port against a simulated board: single
 * registers, register sets and 1 MiB blocks through one register, in both
 * directions, synchronous and overlapped, cancel, the errors a caller sees,
 * and a board that vanishes in the middle of a transfer.
 */
#include <chrono>
#include <random>

#include "clisim.h"
#include "vesk.h"

CLISIM_ENVIRONMENT();

namespace {

const uint32_t cbBlock = 1u << 20;

class VeskSim : public CLISIMTEST {
protected:
    void SetUp() override
    {
        CLISIMTEST::SetUp();
        ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
    }
    void TearDown() override
    {
        if (hif != hifNil) {
            EXPECT_TRUE(VeskDisable(hif)) << TvxGetLastError();
        }
        CLISIMTEST::TearDown();
    }
    std::string SzRegs() { return Lines("REGS cli1").at(0); }
    std::string SzStream(int reg) { return Lines("REGSTREAM cli1 " + std::to_string(reg)).at(0); }
    /* Waits for the overlapped transfer the way the plug-ins do: 25 ms at a time. */
    int FAwait(uint32_t *pcbOut, uint32_t *pcbIn, int cpollMax = 4000)
    {
        for (int i = 0; i < cpollMax; i++) {
            if (TvxGetTransResult(hif, pcbOut, pcbIn, 25))
                return 1;
            if (TvxGetLastError() != ercTransferPending)
                return 0;
        }
        ADD_FAILURE() << "overlapped transfer never ended";
        return 0;
    }
};

/*
 * A cancelled transfer ends with its data phase short of the block (the
 * transport's 7) or with the device's "cancelled" (2).
 */
bool FCancelErc(int erc)
{
    return erc == ercTransferCancelled || erc == ercDataSndLess;
}

TEST_F(VeskSim, SingleRegistersLandInTheDesign)
{
    struct { uint8_t reg, val; } rgcase[] = {{0, 0x5A}, {1, 0x00}, {0x7F, 0xFF}, {0xFF, 0xA5}, {0x10, 0x01}};
    for (auto &c : rgcase) {
        ASSERT_TRUE(VeskPutReg(hif, c.reg, c.val, 0)) << TvxGetLastError();
        uint8_t b = uint8_t(~c.val);
        ASSERT_TRUE(VeskGetReg(hif, c.reg, &b, 0)) << TvxGetLastError();
        EXPECT_EQ(b, c.val) << "register " << int(c.reg);
        EXPECT_EQ(SzRegs().substr(2 * c.reg, 2), SzHex(&c.val, 1)) << "register " << int(c.reg);
    }
}

TEST_F(VeskSim, RegisterSetsWriteInOrderAndReadEachRegister)
{
    /* Register 0x30 is written twice: the later value stays. */
    const uint8_t rgbPair[] = {0x30, 0x11, 0x31, 0x22, 0x32, 0x33, 0x30, 0x44, 0xFE, 0x55};
    ASSERT_TRUE(VeskPutRegSet(hif, rgbPair, sizeof(rgbPair) / 2, 0)) << TvxGetLastError();
    std::string szRegs = SzRegs();
    EXPECT_EQ(szRegs.substr(2 * 0x30, 6), "442233");
    EXPECT_EQ(szRegs.substr(2 * 0xFE, 2), "55");

    const uint8_t rgbReg[] = {0x32, 0x30, 0xFE, 0x31, 0x30};
    uint8_t rgbData[5] = {};
    ASSERT_TRUE(VeskGetRegSet(hif, rgbReg, rgbData, 5, 0)) << TvxGetLastError();
    const uint8_t rgbWant[] = {0x33, 0x44, 0x55, 0x22, 0x44};
    EXPECT_EQ(SzHex(rgbData, 5), SzHex(rgbWant, 5));
}

TEST_F(VeskSim, MegabyteThroughOneRegisterSynchronous)
{
    std::vector<uint8_t> rgb = RgbRandom(cbBlock, 1);
    ASSERT_TRUE(VeskPutRegRepeat(hif, 0x40, rgb.data(), cbBlock, 0)) << TvxGetLastError();
    EXPECT_EQ(SzStream(0x40), SzHex(rgb.data(), rgb.size()));

    ASSERT_TRUE(Sim().FCmd("SETREG cli1 65 0xC3"));
    std::vector<uint8_t> rgbIn(cbBlock, 0);
    ASSERT_TRUE(VeskGetRegRepeat(hif, 65, rgbIn.data(), cbBlock, 0)) << TvxGetLastError();
    EXPECT_EQ(std::count(rgbIn.begin(), rgbIn.end(), 0xC3), (long)cbBlock);
}

TEST_F(VeskSim, MegabyteThroughOneRegisterOverlapped)
{
    std::vector<uint8_t> rgb = RgbRandom(cbBlock, 2);
    ASSERT_TRUE(TvxSetTransTimeout(hif, 0xFFFFFFFF));
    ASSERT_TRUE(VeskPutRegRepeat(hif, 0x42, rgb.data(), cbBlock, 1)) << TvxGetLastError();
    uint32_t cbOut = 0, cbIn = 0;
    ASSERT_TRUE(FAwait(&cbOut, &cbIn)) << TvxGetLastError();
    EXPECT_EQ(cbOut, cbBlock);
    EXPECT_EQ(cbIn, 0u);
    EXPECT_EQ(SzStream(0x42), SzHex(rgb.data(), rgb.size()));

    ASSERT_TRUE(Sim().FCmd("SETREG cli1 67 0x3C"));
    std::vector<uint8_t> rgbIn(cbBlock, 0);
    ASSERT_TRUE(VeskGetRegRepeat(hif, 67, rgbIn.data(), cbBlock, 1)) << TvxGetLastError();
    ASSERT_TRUE(FAwait(&cbOut, &cbIn)) << TvxGetLastError();
    EXPECT_EQ(cbIn, cbBlock);
    EXPECT_EQ(std::count(rgbIn.begin(), rgbIn.end(), 0x3C), (long)cbBlock);
}

TEST_F(VeskSim, OverlappedTransferCancelledAndHandleStillServes)
{
    std::vector<uint8_t> rgb = RgbRandom(cbBlock, 3);
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 4096"));
    ASSERT_TRUE(VeskPutRegRepeat(hif, 0x44, rgb.data(), cbBlock, 1)) << TvxGetLastError();
    uint32_t cbOut = 0, cbIn = 0;
    /* The transfer is stuck: it is still running after a few polls. */
    for (int i = 0; i < 4; i++) {
        EXPECT_FALSE(TvxGetTransResult(hif, &cbOut, &cbIn, 25));
        EXPECT_EQ(TvxGetLastError(), ercTransferPending);
    }
    auto tStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(TvxCancelTrans(hif));
    EXPECT_FALSE(FAwait(&cbOut, &cbIn));
    EXPECT_PRED1(FCancelErc, TvxGetLastError());
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(10));  // far inside the 30 s transaction time-out
    EXPECT_LT(cbOut, cbBlock);

    /* The next transfers work. */
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    ASSERT_TRUE(VeskPutReg(hif, 0x45, 0x99, 0)) << TvxGetLastError();
    uint8_t b = 0;
    ASSERT_TRUE(VeskGetReg(hif, 0x45, &b, 0)) << TvxGetLastError();
    EXPECT_EQ(b, 0x99);
}

TEST_F(VeskSim, SynchronousCancelFromAnotherThread)
{
    /* A user cancel on a worker's handle while its synchronous transfer is stuck. */
    std::vector<uint8_t> rgb = RgbRandom(cbBlock, 4);
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 100"));
    std::thread thd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_TRUE(TvxCancelTrans(hif));
    });
    auto tStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(VeskPutRegRepeat(hif, 0x46, rgb.data(), cbBlock, 0));
    EXPECT_PRED1(FCancelErc, TvxGetLastError());
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(10));  // far inside the 30 s transaction time-out
    thd.join();
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
}

TEST_F(VeskSim, CallerErrors)
{
    uint8_t b = 0;
    EXPECT_FALSE(VeskGetReg(hif, 1, nullptr, 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(VeskGetRegRepeat(hif, 1, nullptr, 16, 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(VeskPutRegSet(hif, nullptr, 2, 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_TRUE(VeskGetRegRepeat(hif, 1, &b, 0, 0)) << "an empty block moves nothing";

    EXPECT_FALSE(VeskGetReg(hifNil, 1, &b, 0));
    EXPECT_FALSE(VeskEnable(63));
    EXPECT_NE(TvxGetLastError(), ercNoErc);

    /* After the port is released, transfers fail with "not enabled" from the device. */
    ASSERT_TRUE(VeskDisable(hif));
    EXPECT_EQ(Sim().SzState(szClisimBoard, "regport"), "0");
    EXPECT_FALSE(VeskPutReg(hif, 1, 2, 0));
    EXPECT_EQ(TvxGetLastError(), ercCapabilityNotEnabled);
    ASSERT_TRUE(VeskEnable(hif));
    EXPECT_EQ(Sim().SzState(szClisimBoard, "regport"), "1");
}

TEST_F(VeskSim, RegisterSetCountsAreChecked)
{
    /* A set names at least one register; a count from a negative int is refused before
     * anything reads the caller's lists. */
    const uint8_t rgbPair[] = {0x60, 0x01};
    const uint8_t rgbReg[] = {0x60};
    uint8_t rgbData[1] = {0x77};
    struct { const char *szCall; int f; } rgcall[] = {
        {"VeskPutRegSet(0 pairs)", VeskPutRegSet(hif, rgbPair, 0, 0)},
        {"VeskPutRegSet(-1 pairs)", VeskPutRegSet(hif, rgbPair, uint32_t(-1), 0)},
        {"VeskPutRegSet(null pairs)", VeskPutRegSet(hif, nullptr, 1, 0)},
        {"VeskGetRegSet(0 registers)", VeskGetRegSet(hif, rgbReg, rgbData, 0, 0)},
        {"VeskGetRegSet(-1 registers)", VeskGetRegSet(hif, rgbReg, rgbData, uint32_t(-1), 0)},
        {"VeskGetRegSet(-5 registers, overlapped)", VeskGetRegSet(hif, rgbReg, rgbData, uint32_t(-5), 1)},
        {"VeskGetRegSet(null registers)", VeskGetRegSet(hif, nullptr, rgbData, 1, 0)},
        {"VeskGetRegSet(null data)", VeskGetRegSet(hif, rgbReg, nullptr, 1, 0)},
    };
    for (auto &c : rgcall) {
        SCOPED_TRACE(c.szCall);
        EXPECT_FALSE(c.f);
    }
    EXPECT_FALSE(VeskGetRegSet(hif, rgbReg, rgbData, uint32_t(-5), 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(VeskPutRegSet(hif, rgbPair, 0, 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_EQ(rgbData[0], 0x77);
    EXPECT_EQ(SzRegs().substr(2 * 0x60, 2), "00") << "nothing was written";
    /* The handle still serves. */
    ASSERT_TRUE(VeskGetRegSet(hif, rgbReg, rgbData, 1, 0)) << TvxGetLastError();
    EXPECT_EQ(rgbData[0], 0x00);
}

TEST_F(VeskSim, BoardVanishingMidTransferFailsTheCall)
{
    std::vector<uint8_t> rgb = RgbRandom(cbBlock, 5);
    ASSERT_TRUE(TvxSetTransTimeout(hif, 2000));
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 8192"));
    std::thread thd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_TRUE(Sim().FCmd("UNPLUG cli1"));
    });
    auto tStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(VeskPutRegRepeat(hif, 0x48, rgb.data(), cbBlock, 0));
    int erc = TvxGetLastError();
    EXPECT_NE(erc, ercNoErc);
    EXPECT_NE(erc, ercTransferPending);
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(10));  // far inside the 30 s transaction time-out
    thd.join();
    EXPECT_FALSE(VeskDisable(hif)) << "the board is gone";
    TvxClose(hif);
    hif = hifNil;
    ASSERT_TRUE(Sim().FCmd("PLUG cli1"));
    ASSERT_TRUE(Sim().FCmd("WAIT cli1 present"));
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
}

} // namespace

namespace {

/*
 * The plug-ins close their handle on every exit path, also when the register
 * port is still enabled (a failed transfer skips VeskDisable): closing must
 * give the port's claim back, so that the next handle of the board can
 * enable it and reach the same design.
 */
TEST_F(VeskSim, ClosingAnEnabledHandleFreesThePortForTheNext)
{
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE("round " + std::to_string(i));
        ASSERT_TRUE(VeskPutReg(hif, 0x40, uint8_t(0x60 + i), 0)) << TvxGetLastError();
        ASSERT_TRUE(TvxClose(hif)) << TvxGetLastError();
        hif = hifNil;
        ASSERT_TRUE(TvxOpen(&hif, szClisimSN)) << TvxGetLastError();
        ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
        uint8_t b = 0;
        ASSERT_TRUE(VeskGetReg(hif, 0x40, &b, 0)) << TvxGetLastError();
        EXPECT_EQ(b, 0x60 + i);
    }
}

} // namespace

namespace {

/*
 * The memory pages end a cancelled overlapped transfer without collecting its
 * result: cancel, then at once VeskDisable and close. The disable must wait
 * the cancelled transfer out (and cancel one that was left running) and
 * switch the board's port off, and the next handle must find the board
 * serving again.
 */
TEST_F(VeskSim, DisableRightAfterCancellingAnOverlappedTransfer)
{
    struct { bool fRead; bool fCallerCancels; } rgcase[] = {{false, true}, {true, true}, {false, false}};
    for (auto &c : rgcase) {
        bool fRead = c.fRead;
        SCOPED_TRACE(std::string(fRead ? "read" : "write") + (c.fCallerCancels ? ", cancelled" : ", left running"));
        std::vector<uint8_t> rgb = RgbRandom(cbBlock, 5);
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 4096"));
        if (fRead)
            ASSERT_TRUE(VeskGetRegRepeat(hif, 0x47, rgb.data(), cbBlock, 1)) << TvxGetLastError();
        else
            ASSERT_TRUE(VeskPutRegRepeat(hif, 0x47, rgb.data(), cbBlock, 1)) << TvxGetLastError();
        uint32_t cbOut = 0, cbIn = 0;
        EXPECT_FALSE(TvxGetTransResult(hif, &cbOut, &cbIn, 25));
        if (c.fCallerCancels)
            ASSERT_TRUE(TvxCancelTrans(hif));
        auto tStart = std::chrono::steady_clock::now();
        EXPECT_TRUE(VeskDisable(hif)) << TvxGetLastError();
        EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(10));
        EXPECT_EQ(Sim().SzState(szClisimBoard, "regport"), "0");
        TvxClose(hif);
        hif = hifNil;
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
        ASSERT_TRUE(TvxOpen(&hif, szClisimSN)) << TvxGetLastError();
        ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
        ASSERT_TRUE(VeskPutReg(hif, 0x48, 0x5C, 0)) << TvxGetLastError();
        uint8_t b = 0;
        ASSERT_TRUE(VeskGetReg(hif, 0x48, &b, 0)) << TvxGetLastError();
        EXPECT_EQ(b, 0x5C);
    }
}

} // namespace
