/*
 * mpsse_conformance_test.cpp - the simulated FT2232H's MPSSE driven with the
 * command sequences of FTDI's published MPSSE application notes through the
 * D2XX functions, checked against the answers the notes give and against
 * the TAP and pins of the board (control channel). Nothing of our host
 * code is involved.
 */
#include "ftdtest.h"

#include <chrono>
#include <thread>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "mpsse", true);

namespace {

using BYTES = std::vector<uint8_t>;

const uint32_t idcodeFpga = 0x01C22093, idcodeProm = 0x05045093;

class Mpsse : public FTDTEST {
protected:
    void SetUp() override
    {
        FTDTEST::SetUp();
        if (HasFatalFailure())
            return;
        h = HOpen(std::string(szFpgaSerial) + "A");
        ASSERT_NE(h, nullptr);
        // Set-up of the application notes: reset, no event characters,
        // time-outs, latency, reset mode then MPSSE, bad-command sync.
        ASSERT_EQ(pd2xx->FT_ResetDevice(h), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetUSBParameters(h, 65536, 65536), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetChars(h, 0, 0, 0, 0), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetTimeouts(h, 2000, 2000), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetLatencyTimer(h, 2), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetBitMode(h, 0, FT_BITMODE_RESET), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetBitMode(h, 0, FT_BITMODE_MPSSE), FT_STATUS(FT_OK));
        ASSERT_EQ(Xfer({ 0xAA }, 2), BYTES({ 0xFA, 0xAA }));
        // 60 MHz clock, no adaptive or three-phase clocking, 5 MHz TCK;
        // TCK, TDI, TMS outputs, TMS high, TCK low.
        Xfer({ 0x8A, 0x97, 0x8D, 0x86, 0x05, 0x00, 0x80, 0x08, 0x0B, 0x85 }, 0);
    }

    // Writes the commands (and a send immediate when answers are expected)
    // and reads cbAnswer bytes.
    BYTES Xfer(BYTES rgbCmd, size_t cbAnswer)
    {
        if (cbAnswer > 0)
            rgbCmd.push_back(0x87);
        DWORD cbWritten = 0;
        EXPECT_EQ(pd2xx->FT_Write(h, rgbCmd.data(), DWORD(rgbCmd.size()), &cbWritten), FT_STATUS(FT_OK));
        EXPECT_EQ(cbWritten, rgbCmd.size());
        BYTES rgb(cbAnswer);
        DWORD cbRead = 0;
        if (cbAnswer > 0) {
            EXPECT_EQ(pd2xx->FT_Read(h, rgb.data(), DWORD(cbAnswer), &cbRead), FT_STATUS(FT_OK));
            rgb.resize(cbRead);
        }
        return rgb;
    }
    DWORD CbQueued()
    {
        DWORD cb = 0;
        EXPECT_EQ(pd2xx->FT_GetQueueStatus(h, &cb), FT_STATUS(FT_OK));
        return cb;
    }
    std::string SzTap()
    {
        std::vector<std::string> rgsz;
        Sim().FCmd("TAP fpgaft", &rgsz);
        return rgsz.empty() ? "" : rgsz[0].substr(6);
    }
    uint64_t CclkTap()
    {
        std::vector<std::string> rgsz;
        Sim().FCmd("TAP fpgaft", &rgsz);
        return rgsz.size() > 1 ? strtoull(rgsz[1].substr(7).c_str(), nullptr, 10) : 0;
    }
    // Test-Logic-Reset, then TMS 0 1 0 0 (LSB first): Shift-DR.
    void ToShiftDr() { Xfer({ 0x4B, 0x05, 0x3F, 0x4B, 0x03, 0x02 }, 0); }

    FT_HANDLE h = nullptr;
};

uint8_t BReverse(uint8_t b)
{
    uint8_t bRev = 0;
    for (int ibit = 0; ibit < 8; ibit++)
        bRev = uint8_t(bRev | (((b >> ibit) & 1) << (7 - ibit)));
    return bRev;
}

BYTES RgbLe(uint32_t dw0, uint32_t dw1)
{
    BYTES rgb;
    for (uint32_t dw : { dw0, dw1 })
        for (int ib = 0; ib < 4; ib++)
            rgb.push_back(uint8_t(dw >> (8 * ib)));
    return rgb;
}

TEST_F(Mpsse, BadCommandsAnswerFaAndTheCommandAndTheEngineGoesOn)
{
    EXPECT_EQ(Xfer({ 0xAB }, 2), BYTES({ 0xFA, 0xAB }));
    // A bad command between good ones: the good ones still answer.
    BYTES rgb = Xfer({ 0x81, 0x9F, 0x83 }, 4);
    ASSERT_EQ(rgb.size(), 4u);
    EXPECT_EQ(rgb[1], 0xFA);
    EXPECT_EQ(rgb[2], 0x9F);
    EXPECT_EQ(MpFtdi("fpgaft")["A.badcommands"], "3");
}

TEST_F(Mpsse, LoopbackEchoesEveryDataCommand)
{
    Xfer({ 0x84 }, 0);
    const BYTES rgbData = { 0xA5, 0x3C, 0x81 };
    for (uint8_t op : { 0x31, 0x34, 0x39, 0x3C }) {
        BYTES rgbCmd = { op, 0x02, 0x00 };
        rgbCmd.insert(rgbCmd.end(), rgbData.begin(), rgbData.end());
        EXPECT_EQ(Xfer(rgbCmd, 3), rgbData) << "opcode " << int(op);
    }
    // Five bits: MSB first they end at the bottom of the answer, LSB first at the top.
    EXPECT_EQ(Xfer({ 0x33, 0x04, 0xB0 }, 1), BYTES({ 0x16 }));
    EXPECT_EQ(Xfer({ 0x3B, 0x04, 0x0D }, 1), BYTES({ 0x68 }));
    Xfer({ 0x85 }, 0);
    EXPECT_EQ(MpFtdi("fpgaft")["A.loopback"], "0");
}

struct TMSCASE {
    uint8_t bTms;       // LSB first
    uint8_t cbit;
    const char *szState;
};

TEST_F(Mpsse, TmsCommandsWalkTheTapFromReset)
{
    const TMSCASE rgcase[] = {
        { 0x00, 1, "Run-Test/Idle" }, { 0x02, 2, "Select-DR-Scan" }, { 0x02, 3, "Capture-DR" },
        { 0x02, 4, "Shift-DR" },      { 0x0A, 4, "Exit1-DR" },       { 0x0A, 5, "Pause-DR" },
        { 0x06, 3, "Select-IR-Scan" }, { 0x06, 5, "Shift-IR" },      { 0x36, 6, "Update-IR" },
        { 0x7E, 7, "Test-Logic-Reset" },
    };
    for (const TMSCASE &tc : rgcase) {
        Xfer({ 0x4B, 0x05, 0x3F }, 0);
        EXPECT_EQ(SzTap(), "Test-Logic-Reset");
        Xfer({ 0x4B, uint8_t(tc.cbit - 1), tc.bTms }, 0);
        EXPECT_EQ(SzTap(), tc.szState) << "TMS " << int(tc.bTms) << " x" << int(tc.cbit);
    }
    // The TMS pin keeps the last level put out.
    Xfer({ 0x4B, 0x00, 0x01 }, 0);
    EXPECT_EQ(Xfer({ 0x81 }, 1)[0] & 0x08, 0x08);
}

TEST_F(Mpsse, IdcodesComeOutOnTheRisingEdgeInEitherBitOrder)
{
    ToShiftDr();
    // Read only, LSB first, rising edge: the two IDCODEs, device nearest TDO first.
    EXPECT_EQ(Xfer({ 0x28, 0x07, 0x00 }, 8), RgbLe(idcodeFpga, idcodeProm));
    ToShiftDr();
    BYTES rgbMsb = Xfer({ 0x20, 0x07, 0x00 }, 8);
    BYTES rgbLe = RgbLe(idcodeFpga, idcodeProm);
    ASSERT_EQ(rgbMsb.size(), 8u);
    for (size_t ib = 0; ib < 8; ib++)
        EXPECT_EQ(rgbMsb[ib], BReverse(rgbLe[ib])) << ib;
    // Bits: 7 bits LSB first end at the top; the 8th leaves Shift-DR with TMS and read.
    ToShiftDr();
    BYTES rgb = Xfer({ 0x2A, 0x06, 0x6B, 0x00, 0x01 }, 2);
    ASSERT_EQ(rgb.size(), 2u);
    EXPECT_EQ(rgb[0] >> 1, int(idcodeFpga & 0x7F));
    EXPECT_EQ(rgb[1] >> 7, int((idcodeFpga >> 7) & 1));
    EXPECT_EQ(SzTap(), "Exit1-DR");
    // A read on the falling edge sees TDO after the clock: one bit later.
    ToShiftDr();
    rgb = Xfer({ 0x2E, 0x07 }, 1);
    ASSERT_EQ(rgb.size(), 1u);
    EXPECT_EQ(rgb[0], uint8_t(idcodeFpga >> 1));
}

TEST_F(Mpsse, DataWrittenOnEitherEdgeAndOrderComesBackThroughTheChain)
{
    // 64 bits of data registers: what goes in comes out 64 clocks later, in
    // the order it went in, when read in the order it was written.
    const BYTES rgbPattern = { 0x12, 0xF0, 0x5A, 0x01, 0x80, 0xC3, 0x7E, 0x99 };
    for (uint8_t op : { 0x39, 0x31, 0x3C, 0x34 }) {
        ToShiftDr();
        BYTES rgbCmd = { op, 0x07, 0x00 };
        rgbCmd.insert(rgbCmd.end(), rgbPattern.begin(), rgbPattern.end());
        BYTES rgbFirst = Xfer(rgbCmd, 8);
        BYTES rgbCmd2 = { op, 0x07, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 };
        BYTES rgbOut = Xfer(rgbCmd2, 8);
        bool fRisingRead = !(op & 0x04);
        if (fRisingRead) {
            EXPECT_EQ(rgbOut, rgbPattern) << "opcode " << int(op);
            if (op & 0x08) {
                EXPECT_EQ(rgbFirst, RgbLe(idcodeFpga, idcodeProm)) << "opcode " << int(op);
            }
        } else {
            EXPECT_EQ(rgbOut.size(), 8u) << "opcode " << int(op);
        }
    }
    // Bit commands: 3 + 5 bits MSB first (1 0 1, then 0 1 0 1 1), 56 zero
    // bits behind them, then the 8 bits read LSB first: first in at the bottom.
    ToShiftDr();
    Xfer({ 0x13, 0x02, 0xA0, 0x13, 0x04, 0x58, 0x19, 0x06, 0x00, 0, 0, 0, 0, 0, 0, 0 }, 0);
    EXPECT_EQ(Xfer({ 0x2A, 0x07 }, 1), BYTES({ 0xD5 }));
}

TEST_F(Mpsse, GpioBytesReadWhatIsDrivenAndTheInputsElsewhere)
{
    // Low byte: TCK, TDI, TMS and bits 4, 6 driven; TDO (bit 2) reads the
    // chain (1 outside the shift states), inputs 5 and 7 read their level.
    Xfer({ 0x4B, 0x05, 0x3F, 0x80, 0x4A, 0x5B }, 0);
    EXPECT_EQ(Xfer({ 0x81 }, 1), BYTES({ uint8_t(0x4A | 0x04 | 0x20 | 0x80) }));
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 7 0"));
    EXPECT_EQ(Xfer({ 0x81 }, 1), BYTES({ uint8_t(0x4A | 0x04 | 0x20) }));
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 7 1"));
    // High byte: the low nibble driven, the high nibble inputs.
    Xfer({ 0x82, 0x5A, 0x0F }, 0);
    EXPECT_EQ(Xfer({ 0x83 }, 1), BYTES({ 0xFA }));
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 13 0"));
    EXPECT_EQ(Xfer({ 0x83 }, 1), BYTES({ 0xDA }));
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 13 1"));
    EXPECT_EQ(MpFtdi("fpgaft")["A.highdir"], "15");
}

struct CLOCKCASE {
    BYTES rgbCmd;
    const char *szTck;
};

TEST_F(Mpsse, DivisorAndDivideByFiveSetTheClock)
{
    const CLOCKCASE rgcase[] = {
        { { 0x8A, 0x86, 0x00, 0x00 }, "30000000" }, { { 0x8A, 0x86, 0x1D, 0x00 }, "1000000" },
        { { 0x8B, 0x86, 0x00, 0x00 }, "6000000" },  { { 0x8A, 0x86, 0xFF, 0xFF }, "457" },
        { { 0x8A, 0x86, 0x02, 0x00 }, "10000000" },
    };
    for (const CLOCKCASE &cc : rgcase) {
        Xfer(cc.rgbCmd, 0);
        EXPECT_EQ(MpFtdi("fpgaft")["A.tck"], cc.szTck);
    }
}

TEST_F(Mpsse, ClocksWithoutDataReachTheTapOnlyWhileTckIsDriven)
{
    Xfer({ 0x4B, 0x05, 0x3F }, 0);
    uint64_t cclk = CclkTap();
    Xfer({ 0x8E, 0x06, 0x8F, 0x01, 0x00 }, 0);
    EXPECT_EQ(CclkTap(), cclk + 7 + 16);
    EXPECT_EQ(SzTap(), "Test-Logic-Reset");     // TMS held high
    // TCK an input: the engine clocks, the board sees nothing.
    Xfer({ 0x80, 0x08, 0x0A, 0x8E, 0x07 }, 0);
    EXPECT_EQ(CclkTap(), cclk + 23);
    // A pin write that raises a driven TCK is one clock of its own.
    Xfer({ 0x80, 0x00, 0x0B, 0x80, 0x01, 0x0B, 0x80, 0x00, 0x0B }, 0);
    EXPECT_EQ(CclkTap(), cclk + 24);
    EXPECT_EQ(SzTap(), "Run-Test/Idle");
}

TEST_F(Mpsse, WaitOnIoHoldsTheCommandsBehindIt)
{
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 5 0"));
    DWORD cbWritten = 0;
    BYTES rgbCmd = { 0x88, 0x81, 0x87 };
    ASSERT_EQ(pd2xx->FT_Write(h, rgbCmd.data(), 3, &cbWritten), FT_STATUS(FT_OK));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(CbQueued(), 0u);
    EXPECT_EQ(MpFtdi("fpgaft")["A.waiting"], "1");
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 5 1"));
    uint8_t b = 0;
    DWORD cbRead = 0;
    EXPECT_EQ(pd2xx->FT_Read(h, &b, 1, &cbRead), FT_STATUS(FT_OK));
    EXPECT_EQ(cbRead, 1u);
    // 0x89 waits for the low level: already there, no hold.
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 5 0"));
    EXPECT_EQ(Xfer({ 0x89, 0x81 }, 1).size(), 1u);
    ASSERT_TRUE(Sim().FCmd("FTPIN fpgaft A 5 1"));
}

TEST_F(Mpsse, AnswersWaitForSendImmediateOrTheLatencyTimer)
{
    ASSERT_EQ(pd2xx->FT_SetLatencyTimer(h, 100), FT_STATUS(FT_OK));
    DWORD cbWritten = 0;
    uint8_t bCmd = 0x81;
    ASSERT_EQ(pd2xx->FT_Write(h, &bCmd, 1, &cbWritten), FT_STATUS(FT_OK));
    EXPECT_EQ(CbQueued(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(CbQueued(), 1u);
    EXPECT_EQ(Xfer({ 0x81 }, 2).size(), 2u);    // the send immediate brings both
    EXPECT_EQ(CbQueued(), 0u);
}

TEST_F(Mpsse, ACommandSplitOverWritesRunsOnceComplete)
{
    Xfer({ 0x80 }, 0);
    Xfer({ 0x4A }, 0);
    EXPECT_EQ(MpFtdi("fpgaft")["A.pending"], "2");
    Xfer({ 0x0B }, 0);
    EXPECT_EQ(Xfer({ 0x81 }, 1)[0] & 0x0B, 0x0A);
    EXPECT_EQ(MpFtdi("fpgaft")["A.pending"], "0");
}

TEST_F(Mpsse, PurgeDropsAnswersNotYetRead)
{
    DWORD cbWritten = 0;
    BYTES rgbCmd = { 0x81, 0x81, 0x87 };
    ASSERT_EQ(pd2xx->FT_Write(h, rgbCmd.data(), 3, &cbWritten), FT_STATUS(FT_OK));
    EXPECT_EQ(CbQueued(), 2u);
    ASSERT_EQ(pd2xx->FT_Purge(h, FT_PURGE_RX | FT_PURGE_TX), FT_STATUS(FT_OK));
    EXPECT_EQ(CbQueued(), 0u);
    EXPECT_EQ(Xfer({ 0xAA }, 2), BYTES({ 0xFA, 0xAA }));
}

} // namespace
