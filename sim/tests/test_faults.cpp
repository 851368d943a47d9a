// test_faults.cpp - faults injected through the control channel and what a
// host sees of them on the wire.

#include "simfixture.h"

using namespace usbwire;

namespace {

using BYTES = std::vector<uint8_t>;

class FaultTest : public SIMTEST {
protected:
    void SetUp() override
    {
        SIMTEST::SetUp();
        OpenBoard(host, "alpha");
        ASSERT_EQ(host.Claim(), stsOk);
    }

    BYTES ResetCmd(uint32_t n)
    {
        BYTES rgb = { 7, 0, 3, 0 };
        for (uint8_t b : RgbU32(n))
            rgb.push_back(b);
        return rgb;
    }
};

TEST_F(FaultTest, StaleStatusIsSeenBeforeTheResetReply)
{
    for (unsigned cstale : { 1u, 2u }) {
        ASSERT_TRUE(simctl.FCmd("FAULT alpha stale " + std::to_string(cstale)));
        // As the host's reset handshake does it: read posted before the write.
        uint32_t tagRead = host.Submit(epSts, 64);
        ASSERT_EQ(host.WriteCmd(ResetCmd(0x1000)), stsOk);
        BYTES rgbReply = { 5, 0, 0x7A, 0xF0, 0xFF, 0xFF };
        EXPECT_NE(host.Wait(tagRead).rgb, rgbReply);
        for (unsigned i = 1; i < cstale; i++)
            EXPECT_NE(host.ReadSts(), rgbReply);
        EXPECT_EQ(host.ReadSts(), rgbReply);
    }
}

TEST_F(FaultTest, ZeroLengthStatusReads)
{
    ASSERT_TRUE(simctl.FCmd("FAULT alpha zlp 2"));
    ASSERT_EQ(host.WriteCmd({ 3, 1, 3, 0 }), stsOk);
    for (int i = 0; i < 2; i++) {
        WXFER xfer = host.Wait(host.Submit(epSts, 64));
        EXPECT_EQ(xfer.sts, stsOk);
        EXPECT_EQ(xfer.cb, 0u);
    }
    EXPECT_EQ(host.ReadSts(), (BYTES{ 1, 1 }));
}

TEST_F(FaultTest, PipeErrorLosesTheCommand)
{
    ASSERT_TRUE(simctl.FCmd("FAULT alpha pipe 1"));
    ASSERT_TRUE(simctl.FCmd("LOGCLEAR alpha"));
    EXPECT_EQ(host.WriteCmd({ 3, 1, 3, 0 }), stsStall);
    EXPECT_EQ(host.WriteCmd({ 3, 1, 3, 0 }), stsOk);
    EXPECT_EQ(host.ReadSts(), (BYTES{ 1, 1 }));
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("LOG alpha", &rgsz));
    EXPECT_EQ(std::count(rgsz.begin(), rgsz.end(), "CMD 03010300"), 1);
}

TEST_F(FaultTest, ClaimHeldElsewhere)
{
    ASSERT_EQ(host.Release(), stsOk);
    ASSERT_TRUE(simctl.FCmd("FAULT alpha claim on"));
    EXPECT_EQ(host.Claim(), stsBusy);
    EXPECT_EQ(simctl.SzState("alpha", "claim"), "elsewhere");
    ASSERT_TRUE(simctl.FCmd("FAULT alpha claim off"));
    EXPECT_EQ(host.Claim(), stsOk);
}

TEST_F(FaultTest, UnplugBetweenTransactions)
{
    uint32_t tagRead = host.Submit(epSts, 64);
    ASSERT_TRUE(simctl.FCmd("UNPLUG alpha"));
    EXPECT_EQ(host.Wait(tagRead).sts, stsNoDevice);
    EXPECT_EQ(host.Claim(), stsNoDevice);
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsNoDevice);
    EXPECT_EQ(host.Wait(host.Submit(epCmd, 4, { 3, 1, 3, 0 })).sts, stsNoDevice);
    ASSERT_TRUE(simctl.FCmd("PLUG alpha"));
    OpenBoard(host, "alpha");
    EXPECT_EQ(host.Claim(), stsOk);
    EXPECT_EQ(host.Command({ 3, 1, 3, 0 }), (BYTES{ 1, 1 }));
}

TEST_F(FaultTest, UnplugDuringADataPhase)
{
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_TRUE(simctl.FCmd("FAULT alpha unplugcmd 2"));
    ASSERT_EQ(host.Command({ 11, 11, 3, 0, 0, 0, 0, 0, 16, 0, 0, 0 }), (BYTES{ 1, 0 }));
    uint32_t tagIn = host.Submit(epDataIn, 16);
    EXPECT_FALSE(host.FDone(tagIn));
    EXPECT_EQ(host.WriteCmd({ 3, 11, 0x83, 0 }), stsOk);       // the device leaves after taking it
    EXPECT_EQ(host.Wait(tagIn).sts, stsNoDevice);
    EXPECT_EQ(simctl.SzState("alpha", "present"), "0");
}

TEST_F(FaultTest, ShortDataInEndsTheTransfer)
{
    ASSERT_TRUE(simctl.FCmd("SOURCE alpha pattern 0x40"));
    ASSERT_TRUE(simctl.FCmd("FAULT alpha short 10"));
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Command({ 11, 11, 3, 0, 0, 0, 0, 0, 100, 0, 0, 0 }), (BYTES{ 1, 0 }));
    WXFER xfer = host.Wait(host.Submit(epDataIn, 100));
    EXPECT_EQ(xfer.sts, stsOk);
    EXPECT_EQ(SzHexOf(xfer.rgb), "40414243444546474849");
    ASSERT_EQ(host.WriteCmd({ 3, 0, 2, 0 }), stsOk);
    EXPECT_EQ(host.Command({ 3, 11, 0x83, 0 }), (BYTES{ 5, 0x42, 10, 0, 0, 0 }));
}

TEST_F(FaultTest, TransferTimeOutReportsWhatMoved)
{
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_TRUE(simctl.FCmd("FAULT alpha stall 3"));
    ASSERT_EQ(host.Command({ 11, 11, 3, 0, 8, 0, 0, 0, 0, 0, 0, 0 }), (BYTES{ 1, 0 }));
    WXFER xfer = host.Wait(host.Submit(epDataOut, 8, BYTES(8, 7), 30));
    EXPECT_EQ(xfer.sts, stsTimeout);
    EXPECT_EQ(xfer.cb, 3u);
}

TEST_F(FaultTest, StalledVendorRequestAndStuckTdo)
{
    ASSERT_TRUE(simctl.FCmd("FAULT alpha stallreq 0xE4"));
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsStall);
    EXPECT_EQ(host.VendorIn(0xE2, 0, 0, 16, rgb), stsOk);
    ASSERT_TRUE(simctl.FCmd("FAULT alpha stucktdo 1"));
    ASSERT_EQ(host.Command({ 3, 2, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Command({ 9, 2, 11, 0, 0, 0, 8, 0, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Wait(host.Submit(epDataOut, 1, { 0x5F })).sts, stsOk);
    ASSERT_EQ(host.Command({ 3, 2, 0x8B, 0 }), (BYTES{ 5, 0x80, 8, 0, 0, 0 }));
    ASSERT_EQ(host.Command({ 9, 2, 9, 0, 0, 0, 32, 0, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(SzHexOf(host.Wait(host.Submit(epDataIn, 4)).rgb), "FFFFFFFF");
    std::string szErr;
    EXPECT_TRUE(simctl.FCmd("FAULT alpha clear"));
    EXPECT_FALSE(simctl.FCmd("FAULT alpha wobble 1", nullptr, &szErr));
    EXPECT_EQ(szErr, "unknown fault wobble");
}

} // namespace
