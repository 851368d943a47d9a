// Generated configuration files read back with a packet walker of the test's
// own: sync, register writes, CRC checks (automatic CRC words included),
// design tag, start-up clock bit; and the CRC of the generator against every
// CRC word of the vendor's own files.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "bitfile.h"
#include "bitgen.h"
#include "cfgstrm.h"
#include "dvclist.h"
#include "schain.h"
#include "vendordata.h"

namespace {

struct WALK {
    bool fSync = false;
    std::map<int, std::vector<uint32_t>> mpregrgw;   /* every word written, by register */
    std::vector<uint32_t> rgcmd;
    int ccrcOk = 0, ccrcBad = 0;
    int ccrcAuto = 0;           /* of them automatic CRC words */
    bool fDesyncLast = false;
};

/* The packets of a file from its sync word: 32-bit words (Spartan-3/3E, one
 * automatic CRC word after each block of frame data), or 16-bit words
 * (Spartan-3A: no automatic CRC word; Spartan-6: two). The CRC comes from
 * the generator (CrcNext), so the vendor's files check it. */
WALK Walk(const std::vector<uint8_t> &rgb, int cbitWord, int cwordAutoCrc)
{
    WALK walk;
    bool f16 = cbitWord == 16;
    size_t cbWord = cbitWord / 8;
    const int regFdri = f16 ? 3 : 2, regCmd = f16 ? 5 : 4;
    size_t ib = vendordata::IbSync(rgb);
    if (ib + 4 > rgb.size())
        return walk;
    walk.fSync = true;
    ib += f16 ? 2 : 4;
    if (f16 && vendordata::WordAt(rgb, ib, true) == 0x5566)
        ib += 2;
    auto next = [&]() {
        uint32_t w = vendordata::WordAt(rgb, ib, f16);
        ib += cbWord;
        return w;
    };
    uint32_t crc = 0;
    auto check = [&](uint32_t crcFile, bool fAuto) {
        (crcFile == crc ? walk.ccrcOk : walk.ccrcBad)++;
        walk.ccrcAuto += fAuto;
        if (!f16)
            crc = 0;
    };
    int regLast = -1;
    while (ib + cbWord <= rgb.size()) {
        uint32_t hdr = next();
        int type = (int)(hdr >> (cbitWord - 3));
        int op = (int)((hdr >> (cbitWord - 5)) & 3);
        int reg;
        uint32_t cword;
        if (type == 1) {
            reg = f16 ? (int)((hdr >> 5) & 0x3F) : (int)((hdr >> 13) & 0x1F);
            cword = f16 ? (hdr & 0x1F) : (hdr & 0x7FF);
            regLast = reg;
        } else if (type == 2) {
            reg = f16 ? (int)((hdr >> 5) & 0x3F) : regLast;
            cword = f16 ? next() << 16 : hdr & 0x07FFFFFF;
            if (f16)
                cword |= next();
        } else {
            continue;   /* no-op or dummy */
        }
        if (op != 2)
            continue;
        if (reg == 0) {
            uint32_t crcFile = next();
            if (f16)
                crcFile = crcFile << 16 | next();
            check(crcFile, false);
            continue;
        }
        for (uint32_t i = 0; i < cword && ib + cbWord <= rgb.size(); i++) {
            uint32_t w = next();
            walk.fDesyncLast = false;
            walk.mpregrgw[reg].push_back(w);
            crc = CrcNext(crc, cbitWord, reg, w);
            if (reg == regCmd) {
                walk.rgcmd.push_back(w);
                if (w == 7)
                    crc = 0;
                walk.fDesyncLast = w == 13;
            }
        }
        if (reg == regFdri && cword > 0 && cwordAutoCrc > 0) {
            uint32_t crcFile = next();
            if (cwordAutoCrc == 2)
                crcFile = crcFile << 16 | next();
            check(crcFile, true);
        }
    }
    return walk;
}

struct BGCASE {
    const char *szPart;
    int cbitWord;
    int regFdri;
    bool fJtagClock;
    int cwordAutoCrc;
    int ccrcAuto;   /* automatic CRC checks: one per block of frame data */
};

} // namespace

TEST(Bitgen, GeneratedFilesCarryIdcodeTagCrcAndStartupClock)
{
    const BGCASE rgcase[] = {
        {"3s500efg320", 32, 2, true, 1, 1},
        {"3s500efg320", 32, 2, false, 1, 1},
        {"3s1000ft256", 32, 2, true, 1, 1},
        {"3s200avq100", 16, 3, true, 0, 0},
        {"3sd1800acs484", 16, 3, false, 0, 0},
        {"6slx9tqg144", 16, 3, true, 2, 1},
        {"6slx45tfgg484", 16, 3, true, 2, 1},
    };
    SCHAIN schain;
    schain.FInit();
    snprintf(schain.szDataDir, sizeof(schain.szDataDir), "%s", BITGEN_DATA_DIR);
    for (const BGCASE &c : rgcase) {
        BGSPEC bgspec;
        bgspec.strPart = c.szPart;
        uint32_t mask;
        bgspec.idcode = LookupPartIdcode(&schain, ("xc" + bgspec.strPart).c_str(), &mask);
        ASSERT_NE(bgspec.idcode, 0u) << c.szPart;
        bgspec.strDesign = std::string("refio-") + c.szPart;
        bgspec.fJtagClock = c.fJtagClock;
        bgspec.cwordFrames = 301;
        bgspec.strDate = "2026/12/10";
        bgspec.strTime = "13:00:00";
        std::vector<uint8_t> rgbData;
        ASSERT_TRUE(FBuildConfigData(bgspec, &rgbData));
        std::vector<uint8_t> rgbBit = BitFileFromData(bgspec, rgbData);

        BITFILE *pbitfile = PbitfileNew();
        ASSERT_TRUE(FParseBitImage(rgbBit.data(), rgbBit.size(), pbitfile)) << c.szPart;
        EXPECT_STREQ(SzBitPart(pbitfile), c.szPart);
        EXPECT_EQ(std::vector<uint8_t>(pbitfile->pbData, pbitfile->pbData + pbitfile->cbData), rgbData);
        if (c.cbitWord == 32) {
            EXPECT_EQ(pbitfile->pbData[29] & 1, c.fJtagClock ? 1 : 0) << c.szPart;
        }
        ReleaseBitfile(pbitfile);

        WALK walk = Walk(rgbData, c.cbitWord, c.cwordAutoCrc);
        ASSERT_TRUE(walk.fSync) << c.szPart;
        std::vector<uint32_t> &rgwIdcode = walk.mpregrgw[14];
        uint32_t idcode = c.cbitWord == 32 ? rgwIdcode.at(0) : (rgwIdcode.at(0) << 16) | rgwIdcode.at(1);
        EXPECT_EQ(idcode, bgspec.idcode) << c.szPart;
        std::vector<uint32_t> &rgwFdri = walk.mpregrgw[c.regFdri];
        ASSERT_EQ(rgwFdri.size(), 301u) << c.szPart;
        /* the tag block: "KVDT", length, text */
        std::vector<uint8_t> rgbFdri;
        for (uint32_t w : rgwFdri)
            for (int k = c.cbitWord / 8 - 1; k >= 0; k--)
                rgbFdri.push_back((uint8_t)(w >> (8 * k)));
        EXPECT_EQ(std::string(rgbFdri.begin(), rgbFdri.begin() + 4), "KVDT");
        uint32_t cch = (rgbFdri[4] << 24) | (rgbFdri[5] << 16) | (rgbFdri[6] << 8) | rgbFdri[7];
        EXPECT_EQ(std::string(rgbFdri.begin() + 8, rgbFdri.begin() + 8 + cch), bgspec.strDesign);
        EXPECT_EQ(walk.ccrcOk, 2) << c.szPart;
        EXPECT_EQ(walk.ccrcBad, 0) << c.szPart;
        EXPECT_EQ(walk.ccrcAuto, c.ccrcAuto) << c.szPart;
        ASSERT_GE(walk.rgcmd.size(), 5u);
        EXPECT_EQ(walk.rgcmd.front(), 7u);   /* RCRC */
        EXPECT_TRUE(walk.fDesyncLast) << c.szPart;
        bool fStart = false;
        for (uint32_t cmd : walk.rgcmd)
            fStart |= cmd == 5;
        EXPECT_TRUE(fStart);
    }
}

TEST(Bitgen, UsualSizeFollowsThePartAndTagsDiffer)
{
    BGSPEC bgspec;
    bgspec.strPart = "3s500efg320";
    bgspec.idcode = 0x01C22093;
    bgspec.strDesign = "a";
    bgspec.fJtagClock = true;
    bgspec.cwordFrames = 0;
    std::vector<uint8_t> rgbA, rgbB;
    ASSERT_TRUE(FBuildConfigData(bgspec, &rgbA));
    EXPECT_NEAR((double)rgbA.size() * 8, 2270208.0, 4096.0);
    bgspec.strDesign = "b";
    ASSERT_TRUE(FBuildConfigData(bgspec, &rgbB));
    EXPECT_EQ(rgbA.size(), rgbB.size());
    EXPECT_NE(rgbA, rgbB);
    bgspec.idcode = 0x06E5E093;   /* a CPLD: no configuration format */
    EXPECT_FALSE(FBuildConfigData(bgspec, &rgbA));
}

/* The generator's CRC against the vendor's files: every CRC word they carry
 * (written, and automatic after frame data) is what CrcNext computes over
 * the same register writes. */
TEST(Bitgen, CrcWordsAgreeWithTheVendorsFiles)
{
    std::vector<std::string> rgszFile = vendordata::RgszFiles(".bit");
    if (rgszFile.empty())
        GTEST_SKIP() << "no vendor .bit files (shared/testdata/vendor or KOR_VENDOR_DIR): not run";
    for (const std::string &szFile : rgszFile) {
        vendordata::VBIT vbit;
        ASSERT_TRUE(vendordata::FReadBit(szFile, &vbit)) << szFile;
        vendordata::VFAM vfam = vendordata::VfamOfPart(vbit.szPart);
        ASSERT_NE(vfam, vendordata::vfamNone) << szFile;
        int cwordAuto = vfam == vendordata::vfamS3A ? 0 : vfam == vendordata::vfamS6 ? 2 : 1;
        WALK walk = Walk(vbit.rgbData, vendordata::F16(vfam) ? 16 : 32, cwordAuto);
        ASSERT_TRUE(walk.fSync) << szFile;
        EXPECT_GE(walk.ccrcOk, 2) << szFile;
        EXPECT_EQ(walk.ccrcBad, 0) << szFile;
        EXPECT_EQ(walk.ccrcAuto > 0, cwordAuto > 0) << szFile;
        EXPECT_TRUE(walk.fDesyncLast) << szFile;
    }
}
