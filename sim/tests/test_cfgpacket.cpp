// test_cfgpacket.cpp - the FPGA configuration logic alone: packets fed bit
// by bit as CFG_IN would, start-up, reads for CFG_OUT.

#include "model/cfgpacket.h"
#include "vendordata.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

// Feeds words most significant bit first, as one scan.
void Scan(CFGLOGIC &cfg, const std::vector<uint32_t> &rgw, unsigned cbitJunk = 0, unsigned cbitTail = 0)
{
    cfg.BeginScan();
    for (unsigned i = 0; i < cbitJunk; i++)
        cfg.BitIn(i & 1);
    for (uint32_t w : rgw)
        for (int ibit = int(cfg.CbitWord()) - 1; ibit >= 0; ibit--)
            cfg.BitIn((w >> ibit) & 1);
    for (unsigned i = 0; i < cbitTail; i++)
        cfg.BitIn(true);
    cfg.EndScan();
}

uint32_t WordOut(CFGLOGIC &cfg)
{
    std::vector<uint8_t> rgbit = cfg.RgbitOut();
    uint32_t w = 0;
    for (uint8_t bit : rgbit)
        w = (w << 1) | bit;
    return w;
}

// 32-bit words (Spartan-3E): COR with the JTAG start-up clock (bit 16),
// WCFG, frames through a type-2 FDRI write carrying the tag "ab" and its
// automatic CRC word, START.
std::vector<uint32_t> RgwS3e(uint32_t idcode, uint32_t cor = 0x00010000, uint32_t cchTag = 2)
{
    const uint32_t rgwFrames[] = { 0x4B564454, cchTag, 0x61620000, 0x12345678 };
    CFGCRC crc(false);
    crc.Feed(9, cor);
    crc.Feed(14, idcode);
    crc.Feed(4, 1);
    for (uint32_t w : rgwFrames)
        crc.Feed(2, w);
    return { 0xFFFFFFFF, 0xAA995566,
             0x30012001, cor,                               // COR
             0x3001C001, idcode,                            // IDCODE
             0x30008001, 0x00000001,                        // CMD WCFG
             0x30004000, 0x50000004,                        // FDRI, type 2: 4 words
             rgwFrames[0], rgwFrames[1], rgwFrames[2], rgwFrames[3],
             crc.Value(),                                   // automatic CRC
             0x30008001, 0x00000005,                        // CMD START
             0x30008001, 0x0000000D,                        // CMD DESYNC
             0x20000000 };
}

TEST(CfgLogic, SyncAtAnyBitThenStartUpOnTheJtagClock)
{
    CFGLOGIC cfg(xfamS3E, 0x01C22093);
    Scan(cfg, RgwS3e(0x11C22093), 7);      // the version nibble is not compared
    EXPECT_FALSE(cfg.FIdError());
    EXPECT_FALSE(cfg.FSynced());
    EXPECT_TRUE(cfg.FJtagStartupClock());
    ASSERT_EQ(cfg.RgbFdri().size(), 16u);
    EXPECT_TRUE(cfg.FStartArmed());
    for (int i = 0; i < 3; i++)
        cfg.StartupClockJtag();
    EXPECT_FALSE(cfg.FDone());
    cfg.StartupClockJtag();
    EXPECT_TRUE(cfg.FDone());
    EXPECT_FALSE(cfg.FRunning());
    cfg.StartupClockJtag();
    cfg.StartupClockJtag();
    EXPECT_TRUE(cfg.FRunning());
    EXPECT_EQ(cfg.SzTag(), "ab");
    EXPECT_TRUE(cfg.FTakeRunChange());
    EXPECT_FALSE(cfg.FTakeRunChange());
    // The recorded scan starts at the sync word.
    ASSERT_GE(cfg.RgbConfigScan().size(), 4u);
    EXPECT_EQ(cfg.RgbConfigScan()[0], 0xAA);
    EXPECT_EQ(cfg.RgbConfigScan().size(), (RgwS3e(0).size() - 1) * 4);
}

TEST(CfgLogic, StartUpClockSources)
{
    struct CASE { uint32_t cor; bool fDoneAfterScan; };
    const CASE rgcase[] = { { 0x00000000, true }, { 0x00008000, false }, { 0x00010000, false } };
    for (const CASE &c : rgcase) {
        CFGLOGIC cfg(xfamS3E, 0x01C22093);
        Scan(cfg, RgwS3e(0x01C22093, c.cor));
        EXPECT_EQ(cfg.FDone(), c.fDoneAfterScan) << std::hex << c.cor;
        for (int i = 0; i < 8; i++)
            cfg.StartupClockJtag();
        // the user clock (01) is not wired: the sequence never runs
        EXPECT_EQ(cfg.FDone(), c.cor != 0x00008000) << std::hex << c.cor;
    }
}

TEST(CfgLogic, FramesNeedWcfgAndTheRightIdcode)
{
    CFGLOGIC cfg(xfamS3E, 0x01C22093);
    Scan(cfg, { 0xAA995566, 0x30004000, 0x50000001, 0x4B564454 });      // FDRI without WCFG
    EXPECT_TRUE(cfg.RgbFdri().empty());
    cfg.Clear();
    Scan(cfg, RgwS3e(0x01C1A093));
    EXPECT_TRUE(cfg.FIdError());
    EXPECT_TRUE(cfg.RgbFdri().empty());
    EXPECT_FALSE(cfg.FStartArmed());
    EXPECT_EQ(cfg.Stat() & 0x80u, 0x80u);
}

TEST(CfgLogic, WordsRestartWithEveryScanAndDesyncEndsThePackets)
{
    CFGLOGIC cfg(xfamS3E, 0x01C22093);
    Scan(cfg, { 0xAA995566 }, 0, 5);        // 5 stray bits after the sync word
    EXPECT_TRUE(cfg.FSynced());
    // The next scan starts a new word: the read header is whole.
    Scan(cfg, { 0x2800E001, 0x20000000 });
    EXPECT_EQ(WordOut(cfg) & 0x00002000u, 0x00002000u);     // INIT_B
    Scan(cfg, { 0x30008001, 0x0000000D });
    EXPECT_FALSE(cfg.FSynced());
    Scan(cfg, { 0x2800E001 });                              // ignored out of sync
    EXPECT_TRUE(cfg.RgbitOut().empty());
}

TEST(CfgLogic, SixteenBitPacketsAndType2Counts)
{
    CFGLOGIC cfg(xfamS6, 0x24001093);
    ASSERT_EQ(cfg.CbitWord(), 16u);
    std::vector<uint32_t> rgwWrongId = { 0xAA99, 0x5566, 0x31C2, 0x0401, 0x1093 };     // XC6SLX100
    Scan(cfg, rgwWrongId);
    EXPECT_TRUE(cfg.FIdError());
    cfg.Clear();
    const uint32_t rgwFrames[] = { 0x4B56, 0x4454, 0x0000, 0x0002, 0x7879, 0x0000 };
    CFGCRC crc(true);
    for (auto [reg, w] : { std::pair<unsigned, uint32_t>{ 14, 0x2400 }, { 14, 0x1093 }, { 10, 0x3FE2 }, { 5, 1 } })
        crc.Feed(reg, w);
    for (uint32_t w : rgwFrames)
        crc.Feed(3, w);
    Scan(cfg, { 0xFFFF, 0xAA99, 0x5566,
                0x31C2, 0x2400, 0x1093,                     // IDCODE (reg 14), 2 words
                0x3141, 0x3FE2,                             // COR1 (reg 10): JTAG clock
                0x30A1, 0x0001,                             // CMD WCFG
                0x5060, 0x0000, 0x0006,                     // FDRI (reg 3) type 2, 6 words
                rgwFrames[0], rgwFrames[1], rgwFrames[2], rgwFrames[3], rgwFrames[4], rgwFrames[5],
                crc.Value() >> 16, crc.Value() & 0xFFFF,    // the two automatic CRC words
                0x2901, 0x2000 });                          // read STAT (reg 8), 1 word
    EXPECT_FALSE(cfg.FIdError());
    EXPECT_EQ(cfg.RgbFdri().size(), 12u);
    EXPECT_TRUE(cfg.FJtagStartupClock());
    Scan(cfg, { 0x30A1, 0x0005, 0x2902, 0x2000 });           // START; read STAT, 2 words
    std::vector<uint8_t> rgbit = cfg.RgbitOut();
    EXPECT_EQ(rgbit.size(), 16u + 32u);                      // the earlier read, then two STAT words
    for (int i = 0; i < 6; i++)
        cfg.StartupClockJtag();
    EXPECT_TRUE(cfg.FRunning());
    EXPECT_EQ(cfg.SzTag(), "xy");
    EXPECT_EQ(cfg.Stat() & 0x3003u, 0x3000u);               // DONE, INIT_B, no errors
    // A type-2 read: its count follows in two words, no data words after it.
    Scan(cfg, { 0x4900, 0x0000, 0x0001, 0x30A1, 0x000D });      // still in sync
    EXPECT_EQ(WordOut(cfg), cfg.Stat());
    EXPECT_FALSE(cfg.FSynced());
}

TEST(CfgLogic, TagLongerThanTheFramesGivesNoTag)
{
    CFGLOGIC cfg(xfamS3E, 0x01C22093);
    std::vector<uint32_t> rgw = RgwS3e(0x01C22093, 0, 0x00000100);      // tag length 256
    Scan(cfg, rgw);
    EXPECT_TRUE(cfg.FRunning());
    EXPECT_EQ(cfg.SzTag(), "");
}

// The CRC of each family against values the vendor's tools wrote: after
// the automatic CRC word that ends the frames of a Spartan-3E file, the
// commands GRESTORE, LFRM, START and CTL 0 give 5F57 (in every such file).
TEST(CfgCrc, SixteenBitFormMatchesTheVendorsFiles)
{
    CFGCRC crc(false);
    for (auto [reg, w] : { std::pair<unsigned, uint32_t>{ 4, 0x0A }, { 4, 0x03 }, { 4, 0x05 }, { 5, 0 } })
        crc.Feed(reg, w);
    EXPECT_EQ(crc.Value(), 0x5F57u);
    EXPECT_TRUE(crc.FCheck(0x5F57));
    EXPECT_EQ(crc.Value(), 0u);             // starts anew after a check
    crc.Feed(4, 0x0A);
    EXPECT_FALSE(crc.FCheck(0x5F57));
    EXPECT_EQ(crc.Value(), 0u);
}

TEST(CfgCrc, TwentyTwoBitFormRunsOnAcrossChecks)
{
    CFGCRC crc(true);
    crc.Feed(5, 0x0A);
    uint32_t crcOne = crc.Value();
    EXPECT_EQ(crcOne, (5u << 16) | 0x0A);   // the first word goes in as it is, address above it
    EXPECT_TRUE(crc.FCheck(crcOne | 0xFFC00000u));     // bits above 21 are not compared
    crc.Feed(5, 0x03);
    EXPECT_EQ(crc.Value(), ((crcOne << 1) ^ (5u << 16) ^ 0x03) & 0x3FFFFF);
    for (int i = 0; i < 40; i++)
        crc.Feed(1, 0xFFFF);
    EXPECT_LE(crc.Value(), 0x3FFFFFu);
}

// Every vendor .bit configures the configuration logic of its family, fed
// as one CFG_IN scan behind stray bits; the scan recorded from the sync word
// on is the file's data; one flipped bit of frame data fails the CRC check,
// keeps DONE low and INIT_B low.
TEST(CfgLogic, VendorFilesConfigureAndAFlippedBitFailsTheCrc)
{
    std::vector<std::string> rgszFile = vendordata::RgszFiles(".bit");
    if (rgszFile.empty())
        GTEST_SKIP() << "no vendor .bit files (shared/testdata/vendor or KOR_VENDOR_DIR): not run";
    const XFAM rgxfam[] = { xfamS3, xfamS3, xfamS3E, xfamS3A, xfamS6 };
    for (const std::string &szFile : rgszFile) {
        vendordata::VBIT vbit;
        ASSERT_TRUE(vendordata::FReadBit(szFile, &vbit)) << szFile;
        vendordata::VFAM vfam = vendordata::VfamOfPart(vbit.szPart);
        ASSERT_NE(vfam, vendordata::vfamNone) << szFile << ": part " << vbit.szPart;
        bool f16 = vendordata::F16(vfam);
        uint32_t idcode = vendordata::IdcodeOf(vbit.rgbData, f16);
        ASSERT_NE(idcode, 0u) << szFile;
        size_t ibFlip = vendordata::IbInFrames(vbit.rgbData, f16);
        ASSERT_NE(ibFlip, 0u) << szFile;
        for (bool fFlip : { false, true }) {
            CFGLOGIC cfg(rgxfam[vfam], idcode);
            std::vector<uint8_t> rgb = vbit.rgbData;
            if (fFlip)
                rgb[ibFlip] ^= 0x08;
            cfg.BeginScan();
            for (int i = 0; i < 13; i++)
                cfg.BitIn(false);
            for (uint8_t b : rgb)
                for (int ibit = 7; ibit >= 0; ibit--)
                    cfg.BitIn((b >> ibit) & 1);
            cfg.EndScan();
            for (int i = 0; i < 16; i++)
                cfg.StartupClockJtag();
            EXPECT_EQ(cfg.FCrcError(), fFlip) << szFile;
            EXPECT_EQ(cfg.FDone(), !fFlip) << szFile;
            EXPECT_EQ(cfg.FRunning(), !fFlip) << szFile;
            EXPECT_EQ(cfg.FInitB(), !fFlip) << szFile;
            EXPECT_FALSE(cfg.FIdError()) << szFile;
            EXPECT_FALSE(cfg.FSynced()) << szFile << ": DESYNC ends the bitstream";
            if (!fFlip) {
                std::vector<uint8_t> rgbWant(vbit.rgbData.begin() + long(vendordata::IbSync(vbit.rgbData)),
                                             vbit.rgbData.end());
                EXPECT_TRUE(cfg.RgbConfigScan() == rgbWant) << szFile;
            }
        }
    }
}

} // namespace
