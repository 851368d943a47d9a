// Flash image readers: Intel HEX runs and limits, the x16 pair exchange,
// .bit sections and the boards' .bit data rules, the raw reader, the choice
// of reader by the file name, and Corvale's BPI DOWN mirroring.

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "flashimg.h"

namespace {

uint32_t CbMcs(const std::string &sz, const FLASHRULES &rules, FLASHIMG *pimg)
{
    return CbReadMcs(reinterpret_cast<const uint8_t *>(sz.data()), sz.size(), rules, pimg);
}

std::string HexRecord(uint32_t offset, uint32_t type, const std::vector<uint8_t> &rgb)
{
    char sz[16];
    snprintf(sz, sizeof(sz), ":%02X%04X%02X", static_cast<unsigned>(rgb.size()), offset, type);
    std::string szLine = sz;
    for (uint8_t b : rgb) {
        snprintf(sz, sizeof(sz), "%02X", b);
        szLine += sz;
    }
    return szLine + "00\r\n";   // checksums are not checked
}

std::vector<uint8_t> Bytes(const FLASHSEG &seg) { return {seg.pb, seg.pb + seg.cb}; }

const std::string szEnd = ":00000001FF\r\n";

TEST(Mcs, RunsThatContinueEachOtherFormOneSegment)
{
    std::vector<uint8_t> rgb16(16);
    std::string sz;
    for (uint32_t off : {0x0000u, 0x0010u, 0x0020u}) {
        for (int i = 0; i < 16; i++)
            rgb16[i] = static_cast<uint8_t>(off + i);
        sz += HexRecord(off, 0, rgb16);
    }
    sz += HexRecord(0x0100, 0, {0xAA, 0xBB}) + szEnd;
    FLASHIMG img;
    ASSERT_EQ(CbMcs(sz, RulesPentra(), &img), 50u);
    ASSERT_EQ(img.cseg, 2);
    EXPECT_EQ(img.rgseg[0].addr, 0u);
    EXPECT_EQ(img.rgseg[0].cb, 48u);
    EXPECT_EQ(Bytes(img.rgseg[0])[47], 0x2F);
    EXPECT_EQ(img.rgseg[1].addr, 0x100u);
    EXPECT_EQ(Bytes(img.rgseg[1]), (std::vector<uint8_t>{0xAA, 0xBB}));
}

TEST(Mcs, BaseAddressRecords)
{
    FLASHIMG img;
    ASSERT_EQ(CbMcs(HexRecord(0, 4, {0x00, 0x01}) + HexRecord(0x10, 0, {1, 2}) + HexRecord(0, 2, {0x10, 0x00}) +
                        HexRecord(0x4, 0, {3}) + szEnd,
                    RulesPentra(), &img),
              3u);
    ASSERT_EQ(img.cseg, 2);
    EXPECT_EQ(img.rgseg[0].addr, 0x10010u);
    EXPECT_EQ(img.rgseg[1].addr, 0x10004u);   // type 02: the base is the digits times 16, replacing the old one
}

TEST(Mcs, X16ExchangesPairsOnCorvaleOnly)
{
    std::string sz = HexRecord(0, 0, {0x11, 0x22, 0x33, 0x44}) + szEnd;
    FLASHIMG img;
    ASSERT_EQ(CbMcs(sz, RulesCorvale(true), &img), 4u);
    EXPECT_EQ(Bytes(img.rgseg[0]), (std::vector<uint8_t>{0x22, 0x11, 0x44, 0x33}));
    ASSERT_EQ(CbMcs(sz, RulesCorvale(false), &img), 4u);
    EXPECT_EQ(Bytes(img.rgseg[0]), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    // An odd record would put its last byte past itself: refused.
    EXPECT_EQ(CbMcs(HexRecord(0, 0, {1, 2, 3}) + szEnd, RulesCorvale(true), &img), 0u);
    EXPECT_EQ(CbMcs(HexRecord(0, 0, {1, 2, 3}) + szEnd, RulesCorvale(false), &img), 3u);
}

TEST(Mcs, Failures)
{
    FLASHIMG img;
    std::string szData = HexRecord(0, 0, {1, 2});
    struct CASE { const char *szWhat; std::string sz; };
    const CASE rgcase[] = {
        {"blank line", szData + "\r\n" + szEnd},
        {"no end record", szData},
        {"line without colon", szData + "X" + szEnd},
        {"data not hexadecimal", ":02000000zz00\r\n" + szEnd},
        {"data short", ":0200000001\r\n" + szEnd},
        {"count not hexadecimal", ":g2000000010200\r\n" + szEnd},
        {"empty text", ""},
    };
    for (const CASE &c : rgcase) {
        EXPECT_EQ(CbMcs(c.sz, RulesPentra(), &img), 0u) << c.szWhat;
        EXPECT_EQ(img.cseg, 0) << c.szWhat;   // nothing half-read is left
    }
    // Other record types are passed over; an end record alone is an empty image.
    EXPECT_EQ(CbMcs(":020000030000FB\r\n" + szData + szEnd, RulesPentra(), &img), 2u);
    EXPECT_EQ(CbMcs(szEnd, RulesPentra(), &img), 0u);
}

TEST(Mcs, SeventeenRunsAreRefused)
{
    std::string sz;
    for (uint32_t i = 0; i < 16; i++)
        sz += HexRecord(i * 0x100, 0, {1});
    FLASHIMG img;
    EXPECT_EQ(CbMcs(sz + szEnd, RulesPentra(), &img), 16u);
    EXPECT_EQ(img.cseg, 16);
    EXPECT_EQ(CbMcs(sz + HexRecord(0x2000, 0, {1}) + szEnd, RulesPentra(), &img), 0u);
}

// The limit counts bytes: a record whose data would reach it fails before
// it is stored.
TEST(Mcs, BoardLimit)
{
    FLASHRULES rules = RulesPentra();
    rules.cbHexLimit = 40;   // the boards' 32 MB limits, scaled down
    std::vector<uint8_t> rgb16(16, 0x5A);
    FLASHIMG img;
    EXPECT_EQ(CbMcs(HexRecord(0, 0, rgb16) + HexRecord(0x10, 0, rgb16) + HexRecord(0x20, 0, {1, 2, 3, 4, 5, 6, 7}) +
                        szEnd,
                    rules, &img),
              39u);
    EXPECT_EQ(CbMcs(HexRecord(0, 0, rgb16) + HexRecord(0x10, 0, rgb16) + HexRecord(0x20, 0, {1, 2, 3, 4, 5, 6, 7, 8}) +
                        szEnd,
                    rules, &img),
              0u);
    EXPECT_EQ(RulesCorvale(false).cbHexLimit, 0x1FFFFFFu);
    EXPECT_EQ(RulesPentra().cbHexLimit, 0x1FFFFFFu);
    EXPECT_EQ(RulesMiravo3(1).cbHexLimit, 0x2000000u);
}

std::vector<uint8_t> BitFile(const std::vector<uint8_t> &rgbData, bool fExtraKey = false)
{
    std::vector<uint8_t> rgb = {0x00, 0x09, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00, 0x00, 0x01};
    auto Section = [&rgb](char chKey, const std::string &sz) {
        rgb.push_back(static_cast<uint8_t>(chKey));
        rgb.push_back(0);
        rgb.push_back(static_cast<uint8_t>(sz.size() + 1));
        rgb.insert(rgb.end(), sz.begin(), sz.end());
        rgb.push_back(0);
    };
    Section('a', "top.ncd");
    Section('b', "3s500efg320");
    if (fExtraKey) {
        // Key 'x' with length 2: its two bytes are taken as the next keys
        // ('c' and a length byte that never gets used as such).
        rgb.insert(rgb.end(), {'x', 0x00, 0x02});
    }
    Section('c', "2026/12/10");
    Section('d', "12:00:00");
    rgb.push_back('e');
    uint32_t cb = static_cast<uint32_t>(rgbData.size());
    rgb.insert(rgb.end(), {static_cast<uint8_t>(cb >> 24), static_cast<uint8_t>(cb >> 16),
                           static_cast<uint8_t>(cb >> 8), static_cast<uint8_t>(cb)});
    rgb.insert(rgb.end(), rgbData.begin(), rgbData.end());
    return rgb;
}

TEST(Bit, SectionsAndTheBoardsDataRules)
{
    std::vector<uint8_t> rgb = BitFile({0x01, 0x80, 0x12});
    BITHDR hdr;
    ASSERT_TRUE(FReadBit(rgb.data(), rgb.size(), RulesCorvale(false), &hdr));
    EXPECT_STREQ(hdr.szDesign, "top.ncd");
    EXPECT_STREQ(hdr.szPart, "3s500efg320");
    EXPECT_STREQ(hdr.szDate, "2026/12/10");
    EXPECT_STREQ(hdr.szTime, "12:00:00");
    EXPECT_EQ(hdr.cbHdr, 9);
    EXPECT_EQ(hdr.wAfterHdr, 1);
    EXPECT_EQ(hdr.rgbData, (std::vector<uint8_t>{0x80, 0x01, 0x48}));   // bit-reversed

    rgb = BitFile({0x01, 0x02});
    struct CASE { FLASHRULES rules; std::vector<uint8_t> rgbWant; };
    const CASE rgcase[] = {
        {RulesMiravo3(1), {0x40, 0x80}},   // BPI: reversed, then the pair exchanged
        {RulesMiravo3(0), {0x01, 0x02}},
        {RulesMiravo3(2), {0x01, 0x02}},
        {RulesPentra(), {0x01, 0x02}},
    };
    for (const CASE &c : rgcase) {
        BITHDR hdrCase;
        ASSERT_TRUE(FReadBit(rgb.data(), rgb.size(), c.rules, &hdrCase));
        EXPECT_EQ(hdrCase.rgbData, c.rgbWant);
    }
    // An odd length on Miravo3's BPI target: the last byte stays, reversed.
    rgb = BitFile({0x01, 0x02, 0x03});
    BITHDR hdrOdd;
    ASSERT_TRUE(FReadBit(rgb.data(), rgb.size(), RulesMiravo3(1), &hdrOdd));
    EXPECT_EQ(hdrOdd.rgbData, (std::vector<uint8_t>{0x40, 0x80, 0xC0}));
}

TEST(Bit, Failures)
{
    BITHDR hdr;
    // Section "e" of length 0: read on, and fail at the end of the file.
    std::vector<uint8_t> rgb = BitFile({});
    EXPECT_FALSE(FReadBit(rgb.data(), rgb.size(), RulesPentra(), &hdr));
    // Each cut of a good file fails.
    rgb = BitFile({1, 2, 3, 4});
    for (size_t cb = 0; cb < rgb.size(); cb++) {
        BITHDR hdrCut;
        EXPECT_FALSE(FReadBit(rgb.data(), cb, RulesPentra(), &hdrCut)) << cb;
    }
    // A section "e" that says more than the file holds: refused, nothing allocated.
    rgb = BitFile({1, 2});
    rgb[rgb.size() - 6] = 0xFF;
    BITHDR hdrHuge;
    EXPECT_FALSE(FReadBit(rgb.data(), rgb.size(), RulesPentra(), &hdrHuge));
    EXPECT_TRUE(hdrHuge.rgbData.empty());
    // A header field over 260 bytes.
    std::vector<uint8_t> rgbLong = {0x01, 0x05};
    rgbLong.resize(2 + 261 + 2, 0);
    BITHDR hdrLong;
    EXPECT_FALSE(FReadBit(rgbLong.data(), rgbLong.size(), RulesPentra(), &hdrLong));
}

TEST(Bit, UnknownKeyReadsItsLengthOnly)
{
    std::vector<uint8_t> rgb = BitFile({0x5A}, true);
    BITHDR hdr;
    // 'x' 00 02: the length 2 is read, then 'c' is the next key.
    ASSERT_TRUE(FReadBit(rgb.data(), rgb.size(), RulesPentra(), &hdr));
    EXPECT_STREQ(hdr.szDate, "2026/12/10");
    EXPECT_EQ(hdr.rgbData, std::vector<uint8_t>{0x5A});
}

TEST(BigEndian, Reads)
{
    const uint8_t rgb[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    size_t ib = 0;
    uint16_t w;
    uint32_t dw;
    ASSERT_TRUE(FReadWordBe(rgb, sizeof(rgb), &ib, &w));
    EXPECT_EQ(w, 0x1234);
    ib = 0;
    ASSERT_TRUE(FReadDwordBe(rgb, sizeof(rgb), &ib, &dw));
    EXPECT_EQ(dw, 0x12345678u);
    EXPECT_FALSE(FReadWordBe(rgb, sizeof(rgb), &ib, &w));   // one byte left
    EXPECT_EQ(ib, 4u);
}

TEST(Mirror, BpiDownReversesWordsAtTheTopOfTheFlash)
{
    FLASHIMG img;
    img.rgbData = {0x11, 0x22, 0x33, 0x44, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    img.cseg = 2;
    img.rgseg[0] = {0, 4, img.rgbData.data()};
    img.rgseg[1] = {0x100, 6, img.rgbData.data() + 4};
    ASSERT_TRUE(FMirrorBpiDown(&img));
    EXPECT_EQ(img.rgseg[0].addr, 0x1FFFFFCu);
    EXPECT_EQ(Bytes(img.rgseg[0]), (std::vector<uint8_t>{0x33, 0x44, 0x11, 0x22}));
    EXPECT_EQ(img.rgseg[1].addr, 0x2000000u - 0x100 - 6);
    EXPECT_EQ(Bytes(img.rgseg[1]), (std::vector<uint8_t>{0xA5, 0xA6, 0xA3, 0xA4, 0xA1, 0xA2}));
    // A run past the flash's end: refused, nothing moved.
    img.rgseg[1].addr = 0x1FFFFFE;
    std::vector<uint8_t> rgbBefore = img.rgbData;
    EXPECT_FALSE(FMirrorBpiDown(&img));
    EXPECT_EQ(img.rgbData, rgbBefore);
    EXPECT_EQ(img.rgseg[0].addr, 0x1FFFFFCu);
}

std::string SzTemp(const std::string &szName)
{
    const char *szDir = getenv("KOR_TEST_TMP");
    std::string szPath = std::string(szDir ? szDir : "/tmp") + "/flashimg-" + szName;
    return szPath;
}

void WriteFile(const std::string &szPath, const std::string &sz)
{
    FILE *pf = fopen(szPath.c_str(), "wb");
    ASSERT_NE(pf, nullptr);
    fwrite(sz.data(), 1, sz.size(), pf);
    fclose(pf);
}

TEST(Files, ReaderChosenByTheNamesEnding)
{
    std::string szHex = HexRecord(0x10, 0, {1, 2}) + szEnd;
    std::vector<uint8_t> rgbBit = BitFile({0x01});
    std::string szBit(rgbBit.begin(), rgbBit.end());
    WriteFile(SzTemp("a.mcs"), szHex);
    WriteFile(SzTemp("a.MCS"), szHex);
    WriteFile(SzTemp("a.bit"), szBit);
    WriteFile(SzTemp("a.BIT"), szBit);
    WriteFile(SzTemp("empty.bin"), "");
    FLASHIMG img;
    BITHDR hdr;
    ASSERT_TRUE(FLoadProgramFile(SzTemp("a.mcs"), RulesCorvale(false), &img, nullptr));
    EXPECT_EQ(img.rgseg[0].addr, 0x10u);
    // Upper-case endings are raw binary.
    ASSERT_TRUE(FLoadProgramFile(SzTemp("a.MCS"), RulesCorvale(false), &img, nullptr));
    EXPECT_EQ(img.cseg, 1);
    EXPECT_EQ(img.rgseg[0].cb, szHex.size());
    ASSERT_TRUE(FLoadProgramFile(SzTemp("a.bit"), RulesCorvale(false), &img, &hdr));
    EXPECT_EQ(Bytes(img.rgseg[0]), std::vector<uint8_t>{0x80});
    EXPECT_STREQ(hdr.szPart, "3s500efg320");
    ASSERT_TRUE(FLoadProgramFile(SzTemp("a.BIT"), RulesCorvale(false), &img, nullptr));
    EXPECT_EQ(img.rgseg[0].cb, rgbBit.size());
    // An empty raw file: one run of length 0.
    ASSERT_TRUE(FLoadProgramFile(SzTemp("empty.bin"), RulesPentra(), &img, nullptr));
    EXPECT_EQ(img.cseg, 1);
    EXPECT_EQ(img.rgseg[0].cb, 0u);
    EXPECT_FALSE(FLoadProgramFile(SzTemp("missing.bin"), RulesPentra(), &img, nullptr));
    // A data file: raw, at the start address, unchanged.
    ASSERT_TRUE(FLoadDataFile(SzTemp("a.bit"), 0x123456, &img));
    EXPECT_EQ(img.rgseg[0].addr, 0x123456u);
    EXPECT_EQ(Bytes(img.rgseg[0]), rgbBit);
}

TEST(BitReverse, Bytes)
{
    EXPECT_EQ(BReverse(0x01), 0x80);
    EXPECT_EQ(BReverse(0x12), 0x48);
    EXPECT_EQ(BReverse(0xFF), 0xFF);
    for (int b = 0; b < 256; b++)
        EXPECT_EQ(BReverse(BReverse(static_cast<uint8_t>(b))), b);
}

} // namespace
