// Generated configuration files read back with a packet walker of the test's
// own: sync, register writes, CRC checks, design tag, start-up clock bit.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "bitfile.h"
#include "bitgen.h"
#include "dvclist.h"
#include "schain.h"

namespace {

struct WALK {
    bool fSync = false;
    std::map<int, std::vector<uint32_t>> mpregrgw;   /* every word written, by register */
    std::vector<uint32_t> rgcmd;
    int ccrcOk = 0, ccrcBad = 0;
    bool fDesyncLast = false;
};

/* CRC-16 x^16+x^15+x^2+1 over the bit string data (LSB first) then address. */
uint16_t CrcBits(uint16_t crc, const std::vector<int> &rgbit)
{
    for (int bit : rgbit) {
        bool fTop = (crc & 0x8000) != 0;
        crc = (uint16_t)((crc << 1) & 0xFFFF);
        if (fTop != (bit != 0))
            crc ^= 0x8005;
    }
    return crc;
}

WALK Walk(const std::vector<uint8_t> &rgb, int cbitWord)
{
    WALK walk;
    size_t cbWord = cbitWord / 8;
    auto wordAt = [&](size_t ib) {
        uint32_t w = 0;
        for (size_t k = 0; k < cbWord; k++)
            w = (w << 8) | rgb[ib + k];
        return w;
    };
    size_t ib = 0;
    /* find the sync word */
    for (; ib + 4 <= rgb.size(); ib += cbWord)
        if (rgb[ib] == 0xAA && rgb[ib + 1] == 0x99 && rgb[ib + 2] == 0x55 && rgb[ib + 3] == 0x66)
            break;
    if (ib + 4 > rgb.size())
        return walk;
    walk.fSync = true;
    ib += 4;
    uint16_t crc = 0;
    int cbitReg = cbitWord == 32 ? 5 : 6;
    while (ib + cbWord <= rgb.size()) {
        uint32_t hdr = wordAt(ib);
        ib += cbWord;
        int type = (int)(hdr >> (cbitWord - 3));
        int op = (int)((hdr >> (cbitWord - 5)) & 3);
        int reg;
        uint32_t cword;
        if (type == 1) {
            reg = cbitWord == 32 ? (int)((hdr >> 13) & 0x1F) : (int)((hdr >> 5) & 0x3F);
            cword = cbitWord == 32 ? (hdr & 0x7FF) : (hdr & 0x1F);
            if (op == 2 && cword == 0 && ib + cbWord <= rgb.size() && (wordAt(ib) >> (cbitWord - 3)) == 2) {
                /* type 2 follows */
                uint32_t hdr2 = wordAt(ib);
                ib += cbWord;
                if (cbitWord == 32) {
                    cword = hdr2 & 0x07FFFFFF;
                } else {
                    cword = (wordAt(ib) << 16) | wordAt(ib + 2);
                    ib += 4;
                }
            }
        } else if (type == 2 && cbitWord == 16) {
            reg = (int)((hdr >> 5) & 0x3F);
            cword = (wordAt(ib) << 16) | wordAt(ib + 2);
            ib += 4;
        } else {
            continue;   /* no-op or dummy */
        }
        if (op != 2)
            continue;
        for (uint32_t i = 0; i < cword && ib + cbWord <= rgb.size(); i++, ib += cbWord) {
            uint32_t w = wordAt(ib);
            walk.fDesyncLast = false;
            if (reg == 0) {
                (w == crc ? walk.ccrcOk : walk.ccrcBad)++;
                crc = 0;
                continue;
            }
            walk.mpregrgw[reg].push_back(w);
            std::vector<int> rgbit;
            for (int k = 0; k < cbitWord; k++)
                rgbit.push_back((w >> k) & 1);
            for (int k = 0; k < cbitReg; k++)
                rgbit.push_back((reg >> k) & 1);
            crc = CrcBits(crc, rgbit);
            int regCmd = cbitWord == 32 ? 4 : 5;
            if (reg == regCmd) {
                walk.rgcmd.push_back(w);
                if (w == 7)
                    crc = 0;
                walk.fDesyncLast = w == 13;
            }
        }
    }
    return walk;
}

struct BGCASE {
    const char *szPart;
    int cbitWord;
    int regFdri;
    bool fJtagClock;
};

} // namespace

TEST(Bitgen, GeneratedFilesCarryIdcodeTagCrcAndStartupClock)
{
    const BGCASE rgcase[] = {
        {"3s500efg320", 32, 2, true},
        {"3s500efg320", 32, 2, false},
        {"3s1000ft256", 32, 2, true},
        {"3s200avq100", 16, 3, true},
        {"3sd1800acs484", 16, 3, false},
        {"6slx9tqg144", 16, 3, true},
        {"6slx45tfgg484", 16, 3, true},
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

        WALK walk = Walk(rgbData, c.cbitWord);
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
