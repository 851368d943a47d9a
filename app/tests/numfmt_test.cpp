// Number texts: detection, reading and writing, with the quirks the register
// pages rely on.

#include <gtest/gtest.h>

#include "numfmt.h"

namespace {

struct READCASE {
    const char *sz;
    int nfmt;
    int val;
    BOOL fValid;
};

const READCASE rgreadcase[] = {
    {"00000101", nfmtBin8, 5, TRUE},           // eight 0/1 digits are binary
    {"0000101", nfmtDec, 101, TRUE},           // seven digits are decimal
    {"11111111", nfmtBin8, 255, TRUE},
    {"0x", nfmtHex, 0, TRUE},
    {"0xZZ", nfmtHex, 0, TRUE},
    {"0XaB", nfmtHex, 0xAB, TRUE},
    {"0x1g", nfmtHex, 1, TRUE},                // digits up to the first other character
    {"0x123456789", nfmtHex, -1, TRUE},        // beyond 32 bits: 0xFFFFFFFF
    {"0b", nfmtBin, 0, TRUE},
    {"0b101", nfmtBin, 5, TRUE},
    {"0B11111111111111111111111111111111", nfmtBin, -1, TRUE},
    {"0b111111111111111111111111111111111", nfmtBin, -1, FALSE},   // 33 digits
    {"0b102", nfmtInvalid, -1, FALSE},
    {"-5", nfmtSigned, -5, TRUE},
    {"-2147483648", nfmtSigned, INT32_MIN, TRUE},
    {"-99999999999", nfmtSigned, INT32_MIN, TRUE},
    {"-0", nfmtSigned, -1, FALSE},
    {"-", nfmtSigned, -1, FALSE},
    {"-1x", nfmtInvalid, -1, FALSE},
    {"0", nfmtDec, 0, TRUE},
    {"", nfmtDec, 0, TRUE},
    {"4294967295", nfmtDec, -1, TRUE},
    {"4294967296", nfmtDec, -1, TRUE},
    {"300", nfmtDec, 300, TRUE},
    {"12a", nfmtInvalid, -1, FALSE},
    {" 1", nfmtInvalid, -1, FALSE},
};

TEST(NumberTexts, ReadsEveryFormat)
{
    for (const READCASE &rc : rgreadcase) {
        SCOPED_TRACE(rc.sz);
        EXPECT_EQ(rc.nfmt, NfmtFromSz(rc.sz));
        BOOL fValid = 2;
        EXPECT_EQ(rc.val, ValFromSzChecked(rc.sz, &fValid));
        EXPECT_EQ(rc.fValid, fValid);
        EXPECT_EQ(rc.val, ValFromSz(rc.sz));
    }
}

struct WRITECASE {
    int val;
    int nfmt;
    const char *sz;
};

const WRITECASE rgwritecase[] = {
    {5, nfmtBin8, "00000101"},
    {300, nfmtBin8, "100101100"},
    {-1, nfmtBin8, "11111111111111111111111111111111"},
    {-7, nfmtDec, "-7"},
    {0, nfmtHex, "0x00"},
    {5, nfmtHex, "0x05"},
    {0xAB, nfmtHex, "0xab"},
    {255, nfmtHex, "0xff"},
    {256, nfmtHex, "0x0100"},
    {0x123, nfmtHex, "0x0123"},
    {-1, nfmtHex, "0x0ffffffff"},
    {5, nfmtBin, "00000000000000000000000000000101"},
};

TEST(NumberTexts, WritesEveryFormat)
{
    for (const WRITECASE &wc : rgwritecase) {
        char sz[cchNumTextMin] = "unchanged";
        EXPECT_TRUE(FSzFromVal(wc.val, wc.nfmt, sz));
        EXPECT_STREQ(wc.sz, sz) << wc.val << " in format " << wc.nfmt;
    }
}

TEST(NumberTexts, UnknownWriteFormatLeavesBuffer)
{
    char sz[cchNumTextMin] = "unchanged";
    EXPECT_TRUE(FSzFromVal(12, nfmtSigned, sz));
    EXPECT_STREQ("unchanged", sz);
}

TEST(NumberTexts, WrittenTextsReadBackInTheirFormat)
{
    const int rgval[] = {0, 1, 2, 127, 128, 255};
    for (int val : rgval) {
        char sz[cchNumTextMin];
        for (int nfmt : {nfmtBin8, nfmtDec, nfmtHex}) {
            FSzFromVal(val, nfmt, sz);
            EXPECT_EQ(nfmt, NfmtFromSz(sz)) << sz;
            EXPECT_EQ(val, ValFromSz(sz)) << sz;
        }
    }
}

} // namespace
