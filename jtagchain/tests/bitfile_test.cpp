// .bit and .bin readers over exact-size heap buffers (run under
// AddressSanitizer): every length is checked against what is left.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "bitfile.h"

namespace {

/* Builds .bit images field by field. */
struct BITIMG {
    std::vector<uint8_t> rgb;
    BITIMG &U8(uint8_t b) { rgb.push_back(b); return *this; }
    BITIMG &U16(uint16_t w) { return U8((uint8_t)(w >> 8)).U8((uint8_t)w); }
    BITIMG &U32(uint32_t dw) { return U16((uint16_t)(dw >> 16)).U16((uint16_t)dw); }
    BITIMG &Bytes(const void *pv, size_t cb)
    {
        rgb.insert(rgb.end(), (const uint8_t *)pv, (const uint8_t *)pv + cb);
        return *this;
    }
    BITIMG &Text(char chKey, const char *sz)
    {
        size_t cb = strlen(sz) + 1;
        return U8((uint8_t)chKey).U16((uint16_t)cb).Bytes(sz, cb);
    }
    BITIMG &Header()
    {
        static const uint8_t rgbHdr[9] = {0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00};
        return U16(9).Bytes(rgbHdr, 9).U16(1);
    }
    BITIMG &Data(const std::vector<uint8_t> &rgbData)
    {
        return U8('e').U32((uint32_t)rgbData.size()).Bytes(rgbData.data(), rgbData.size());
    }
};

BITIMG ImgStandard(const std::vector<uint8_t> &rgbData)
{
    BITIMG img;
    img.Header().Text('a', "design.ncd;UserID=0xFFFFFFFF").Text('b', "3s500efg320").Text('c', "2026/12/10")
        .Text('d', "13:30:00").Data(rgbData);
    return img;
}

/* Parse from a heap block of exactly the image's size. */
bool FParseExact(const std::vector<uint8_t> &rgb, BITFILE **ppbitfile)
{
    uint8_t *pb = (uint8_t *)malloc(rgb.size() ? rgb.size() : 1);
    memcpy(pb, rgb.data(), rgb.size());
    BITFILE *pbitfile = PbitfileNew();
    bool fOk = FParseBitImage(pb, rgb.size(), pbitfile);
    free(pb);
    *ppbitfile = pbitfile;
    return fOk;
}

std::vector<uint8_t> DataOf(size_t cb)
{
    std::vector<uint8_t> rgb(cb);
    for (size_t i = 0; i < cb; i++)
        rgb[i] = (uint8_t)(i * 7 + 3);
    return rgb;
}

} // namespace

TEST(BitFile, StandardFileGivesSectionsAndData)
{
    std::vector<uint8_t> rgbData = DataOf(1000);
    BITFILE *pbitfile;
    ASSERT_TRUE(FParseExact(ImgStandard(rgbData).rgb, &pbitfile));
    EXPECT_EQ(pbitfile->cbHeader, 9);
    EXPECT_EQ(pbitfile->wSecond, 1);
    EXPECT_STREQ(pbitfile->rgszSect[0], "design.ncd;UserID=0xFFFFFFFF");
    EXPECT_STREQ(SzBitPart(pbitfile), "3s500efg320");
    EXPECT_STREQ(pbitfile->rgszSect[2], "2026/12/10");
    EXPECT_STREQ(pbitfile->rgszSect[3], "13:30:00");
    ASSERT_EQ(pbitfile->cbData, 1000u);
    EXPECT_EQ(std::vector<uint8_t>(pbitfile->pbData, pbitfile->pbData + 1000), rgbData);
    ReleaseBitfile(pbitfile);
}

TEST(BitFile, EveryTruncationIsRefused)
{
    std::vector<uint8_t> rgb = ImgStandard(DataOf(64)).rgb;
    for (size_t cb = 0; cb < rgb.size(); cb++) {
        BITFILE *pbitfile;
        EXPECT_FALSE(FParseExact(std::vector<uint8_t>(rgb.begin(), rgb.begin() + cb), &pbitfile)) << cb;
        ReleaseBitfile(pbitfile);
    }
}

TEST(BitFile, MalformedHeadersAreRefused)
{
    struct { const char *szCase; BITIMG img; } rgcase[] = {
        {"no e section", BITIMG().Header().Text('a', "x").Text('b', "3s500e")},
        {"empty bitstream", BITIMG().Header().Text('b', "3s500e").U8('e').U32(0)},
        {"e longer than the file", BITIMG().Header().Text('b', "3s500e").U8('e').U32(100).Bytes("abcd", 4)},
        {"e length near 4 GiB", BITIMG().Header().Text('b', "3s500e").U8('e').U32(0xFFFFFFF0u).Bytes("ab", 2)},
        {"header longer than the file", BITIMG().U16(0xFFFF).Bytes("abc", 3)},
        {"section length past the end", BITIMG().Header().U8('c').U16(0x8000).Bytes("2026\0", 5)},
        {"unknown key with a length past the end", BITIMG().Header().U8('z').U16(500).Bytes("ab", 2)},
        {"nothing after the header", BITIMG().Header()},
    };
    for (auto &c : rgcase) {
        BITFILE *pbitfile;
        EXPECT_FALSE(FParseExact(c.img.rgb, &pbitfile)) << c.szCase;
        ReleaseBitfile(pbitfile);
    }
}

TEST(BitFile, UnknownSectionsArePassedOverWithTheirBytes)
{
    BITIMG img;
    img.Header().Text('a', "top.ncd").U8('x').U16(4).Bytes("e\0\0\x05", 4).Text('b', "6slx9tqg144").Data(DataOf(16));
    BITFILE *pbitfile;
    ASSERT_TRUE(FParseExact(img.rgb, &pbitfile));
    EXPECT_STREQ(SzBitPart(pbitfile), "6slx9tqg144");
    EXPECT_EQ(pbitfile->cbData, 16u);
    ReleaseBitfile(pbitfile);
}

TEST(BitFile, TextWithNulInsideItsLengthIsKeptAsGiven)
{
    BITIMG img;
    img.Header().U8('b').U16(8).Bytes("3s50\0xyz", 8).Data(DataOf(4));
    BITFILE *pbitfile;
    ASSERT_TRUE(FParseExact(img.rgb, &pbitfile));
    EXPECT_STREQ(SzBitPart(pbitfile), "3s50");
    EXPECT_EQ(pbitfile->rgcbSect[1], 8);
    ReleaseBitfile(pbitfile);
}

/* Texts are stored as read: one without a NUL inside its length, or of
 * length 0, is accepted and ends after its bytes. */
TEST(BitFile, TextsWithoutNulOrOfLengthZeroAreAccepted)
{
    struct { const char *szCase; BITIMG img; const char *szPart; uint16_t cbPart; const char *szDate; } rgcase[] = {
        {"part without NUL", BITIMG().Header().Text('a', "x.ncd").U8('b').U16(3).Bytes("3s5", 3).Data(DataOf(8)),
         "3s5", 3, nullptr},
        {"empty part", BITIMG().Header().U8('b').U16(0).Data(DataOf(8)), "", 0, nullptr},
        {"date without NUL before the part", BITIMG().Header().U8('c').U16(10).Bytes("2026/12/10", 10)
                                                  .Text('b', "6slx9csg324").Data(DataOf(8)),
         "6slx9csg324", 12, "2026/12/10"},
    };
    for (auto &c : rgcase) {
        BITFILE *pbitfile;
        ASSERT_TRUE(FParseExact(c.img.rgb, &pbitfile)) << c.szCase;
        ASSERT_NE(SzBitPart(pbitfile), nullptr) << c.szCase;
        EXPECT_STREQ(SzBitPart(pbitfile), c.szPart) << c.szCase;
        EXPECT_EQ(pbitfile->rgcbSect[1], c.cbPart) << c.szCase;
        if (c.szDate != nullptr)
            EXPECT_STREQ(pbitfile->rgszSect[2], c.szDate) << c.szCase;
        EXPECT_EQ(pbitfile->cbData, 8u) << c.szCase;
        ReleaseBitfile(pbitfile);
    }
}

TEST(BitFile, RepeatedSectionKeepsTheLastOne)
{
    BITIMG img;
    img.Header().Text('b', "3s250e").Text('b', "3s1600e").Data(DataOf(4));
    BITFILE *pbitfile;
    ASSERT_TRUE(FParseExact(img.rgb, &pbitfile));
    EXPECT_STREQ(SzBitPart(pbitfile), "3s1600e");
    ReleaseBitfile(pbitfile);
}

TEST(BitFile, BytesAfterTheDataAreIgnored)
{
    BITIMG img = ImgStandard(DataOf(10));
    img.Bytes("trailer", 7);
    BITFILE *pbitfile;
    ASSERT_TRUE(FParseExact(img.rgb, &pbitfile));
    EXPECT_EQ(pbitfile->cbData, 10u);
    ReleaseBitfile(pbitfile);
}

TEST(BinFile, WholeContentIsTheDataWithEmptyTexts)
{
    std::vector<uint8_t> rgb = DataOf(333);
    uint8_t *pb = (uint8_t *)malloc(rgb.size());
    memcpy(pb, rgb.data(), rgb.size());
    BITFILE *pbitfile = PbitfileNew();
    ASSERT_TRUE(FParseBinImage(pb, rgb.size(), pbitfile));
    free(pb);
    EXPECT_EQ(pbitfile->cbHeader, 1);
    EXPECT_EQ(pbitfile->wSecond, 0);
    for (int isect = 0; isect < csectBitText; isect++)
        EXPECT_STREQ(pbitfile->rgszSect[isect], "");
    EXPECT_EQ(std::vector<uint8_t>(pbitfile->pbData, pbitfile->pbData + pbitfile->cbData), rgb);
    ReleaseBitfile(pbitfile);
}

TEST(BinFile, EmptyFileIsRefused)
{
    BITFILE *pbitfile = PbitfileNew();
    uint8_t b = 0;
    EXPECT_FALSE(FParseBinImage(&b, 0, pbitfile));
    ReleaseBitfile(pbitfile);
}

TEST(BitFile, FilesAreReadFromTheirStart)
{
    std::string strDir = getenv("KOR_TEST_TMP") ? getenv("KOR_TEST_TMP") : ".";
    std::string strPath = strDir + "/brisel_bitfile_test.bit";
    std::vector<uint8_t> rgb = ImgStandard(DataOf(5000)).rgb;
    FILE *pf = fopen(strPath.c_str(), "w+b");
    if (pf == nullptr) {
        strPath = "brisel_bitfile_test.bit";
        pf = fopen(strPath.c_str(), "w+b");
    }
    ASSERT_NE(pf, nullptr);
    fwrite(rgb.data(), 1, rgb.size(), pf);   /* the position is now at the end */
    BITFILE *pbitfile = PbitfileNew();
    EXPECT_TRUE(FReadBitFile(pf, pbitfile));
    EXPECT_EQ(pbitfile->cbData, 5000u);
    ReleaseBitfile(pbitfile);
    pbitfile = PbitfileNew();
    EXPECT_TRUE(FReadBinFile(pf, pbitfile));
    EXPECT_EQ(pbitfile->cbData, rgb.size());
    ReleaseBitfile(pbitfile);
    fclose(pf);
    remove(strPath.c_str());
}
