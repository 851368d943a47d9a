/*
 * usb_hex_test.cpp - the Intel HEX reader and the checks of an FX3 image
 * file that come before any byte goes to a device.
 */
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fwimage.h"
#include "usbc.h"
#include "usbtestenv.h"

namespace {

std::string SzTemp(const char *szLeaf)
{
    return SzUsbTempDir("hex") + szLeaf;
}

struct HEXCASE {
    const char *szName;
    const char *szFile;
    uint32_t cbExpected;          /* 0: the read fails */
};

const HEXCASE rghexcase[] = {
    {"two records form one segment",
     ":10000000000102030405060708090A0B0C0D0E0F00\n:10001000101112131415161718191A1B1C1D1E1F00\n:00000001FF\n", 32},
    {"extended segment base",
     ":020000020100FB\n:02001000ABCD00\n:00000001FF\n", 2},
    {"base moves data past the image",
     ":020000021000EC\n:02001000ABCD00\n:00000001FF\n", 0},
    {"no end record", ":02000000ABCD00\n", 0},
    {"only the end record", ":00000001FF\n", 0},
    {"record longer than its line", ":10000000000102\n:00000001FF\n", 0},
    {"record runs past the image", ":10FFF800000102030405060708090A0B0C0D0E0F00\n:00000001FF\n", 0},
    {"address 0xFFFF", ":01FFFF00AA00\n:00000001FF\n", 0},
    {"not a hexadecimal digit", ":02000000ABXD00\n:00000001FF\n", 0},
    {"line without a colon", "02000000ABCD00\n:00000001FF\n", 0},
    {"blank-separated fields", ": 02 0000 00 ABCD 00\n: 00 0000 01 FF\n", 2},
    {"other record types are ignored", ":04000005000000CD2A\n:01000000AA00\n:00000001FF\n", 1},
};

TEST(UsbHex, ReadsAndRejects)
{
    std::unique_ptr<FX2IMG> pimg(new FX2IMG);
    for (const HEXCASE &c : rghexcase) {
        std::string szPath = SzTemp("case.hex");
        ASSERT_TRUE(FWriteFile(szPath, std::string(c.szFile)));
        EXPECT_EQ(USBC::FReadHexFile(szPath.c_str(), pimg.get()), c.cbExpected) << c.szName;
    }
}

TEST(UsbHex, SegmentsAndPlacement)
{
    std::unique_ptr<FX2IMG> pimg(new FX2IMG);
    std::string szPath = SzTemp("seg.hex");
    ASSERT_TRUE(FWriteFile(szPath, std::string(":020000020100FB\n:02001000ABCD00\n:020000020000FC\n"
                                               ":0201000011220000\n:02002000334400\n:02002200556600\n"
                                               ":00000001FF\n")));
    ASSERT_EQ(USBC::FReadHexFile(szPath.c_str(), pimg.get()), 8u);
    ASSERT_EQ(pimg->cseg, 3u);
    EXPECT_EQ(pimg->rgseg[0].addr, 0x1010u);
    EXPECT_EQ(pimg->rgb[0x1010], 0xAB);
    EXPECT_EQ(pimg->rgseg[1].addr, 0x0100u);
    EXPECT_EQ(pimg->rgseg[2].addr, 0x0020u);
    EXPECT_EQ(pimg->rgseg[2].cb, 4u);
    EXPECT_EQ(pimg->rgseg[2].pb, pimg->rgb + 0x20);
    EXPECT_EQ(USBC::FReadHexFile("", pimg.get()), 0u);
    EXPECT_EQ(USBC::FReadHexFile(SzTemp("missing.hex").c_str(), pimg.get()), 0u);
}

/* Internal RAM ends at 0x4000, where external RAM (another request) begins:
 * no segment runs across it, neither by joining records nor within one. */
TEST(UsbHex, SegmentsEndAtTheExternalRam)
{
    struct SEG {
        uint32_t addr, cb;
    };
    struct CASE {
        const char *szName;
        const char *szFile;
        std::vector<SEG> rgseg;
    } rgcase[] = {
        {"joined records", ":103FF000000102030405060708090A0B0C0D0E0F00\n:10400000101112131415161718191A1B1C1D1E1F00\n"
                           ":10401000202122232425262728292A2B2C2D2E2F00\n:00000001FF\n",
         {{0x3FF0, 16}, {0x4000, 32}}},
        {"one record across", ":103FF800000102030405060708090A0B0C0D0E0F00\n:10400800101112131415161718191A1B1C1D1E1F00\n"
                              ":00000001FF\n",
         {{0x3FF8, 8}, {0x4000, 24}}},
        {"ends at the boundary", ":103FF000000102030405060708090A0B0C0D0E0F00\n:00000001FF\n", {{0x3FF0, 16}}},
    };
    std::unique_ptr<FX2IMG> pimg(new FX2IMG);
    for (const CASE &c : rgcase) {
        std::string szPath = SzTemp("ext.hex");
        ASSERT_TRUE(FWriteFile(szPath, std::string(c.szFile)));
        uint32_t cb = 0;
        for (const SEG &seg : c.rgseg)
            cb += seg.cb;
        ASSERT_EQ(USBC::FReadHexFile(szPath.c_str(), pimg.get()), cb) << c.szName;
        ASSERT_EQ(pimg->cseg, c.rgseg.size()) << c.szName;
        for (size_t i = 0; i < c.rgseg.size(); i++) {
            EXPECT_EQ(pimg->rgseg[i].addr, c.rgseg[i].addr) << c.szName << " " << i;
            EXPECT_EQ(pimg->rgseg[i].cb, c.rgseg[i].cb) << c.szName << " " << i;
            EXPECT_EQ(pimg->rgseg[i].pb, pimg->rgb + c.rgseg[i].addr) << c.szName << " " << i;
        }
        EXPECT_EQ(pimg->rgb[0x4000], c.rgseg.size() > 1 ? (c.rgseg[0].addr == 0x3FF0 ? 0x10 : 0x08) : 0x00)
            << c.szName;
        memset(pimg->rgb, 0, sizeof(pimg->rgb));
    }
}

/* Records that do not continue each other need a segment each: 4095 fit,
 * a 4096th ends the reading as a failure instead of running past the
 * segment table. */
TEST(UsbHex, SegmentTableLimit)
{
    std::unique_ptr<FX2IMG> pimg(new FX2IMG);
    struct CASE {
        uint32_t cseg;
        uint32_t cbExpected;
    } rgcase[] = {{4095, 4095}, {4096, 0}, {8000, 0}};
    for (const CASE &c : rgcase) {
        std::string szFile;
        for (uint32_t i = 0; i < c.cseg; i++) {
            /* one byte every other address: no record continues the last */
            uint32_t addr = (i * 2) & 0xFFFF, base = (i * 2) >> 16;
            char szLine[64];
            snprintf(szLine, sizeof(szLine), ":02000002%04X00\n:01%04X00%02X00\n", base << 12, addr, i & 0xFF);
            szFile += szLine;
        }
        szFile += ":00000001FF\n";
        std::string szPath = SzTemp("segs.hex");
        ASSERT_TRUE(FWriteFile(szPath, szFile));
        EXPECT_EQ(USBC::FReadHexFile(szPath.c_str(), pimg.get()), c.cbExpected) << c.cseg;
        if (c.cbExpected != 0) {
            EXPECT_EQ(pimg->cseg, c.cseg);
        }
    }
}

TEST(UsbHex, GeneratedImageReads)
{
    std::unique_ptr<FX2IMG> pimg(new FX2IMG);
    FWIDENT ident = {0x30100203, 0x0301, 0x801, 0};
    std::string szPath = SzTemp(SzFx2HexName(ident).c_str());
    ASSERT_TRUE(FWriteFile(szPath, SzFx2Hex(ident, true)));
    ASSERT_EQ(USBC::FReadHexFile(szPath.c_str(), pimg.get()), 0x100u + 22 + 32);
    ASSERT_EQ(pimg->cseg, 2u);
    EXPECT_EQ(pimg->rgseg[1].addr, 0x8000u);
    EXPECT_EQ(memcmp(pimg->rgb + 0x100, "KSIMFW01", 8), 0);
}

/* FX3 image files that are refused before any request goes out. */
TEST(UsbHex, Fx3ImageChecks)
{
    ABSUSB *pusb = pabsfact->InstABSUSB();
    ASSERT_NE(pusb, nullptr);
    ASSERT_TRUE(pusb->Init());
    FWIDENT ident = {0x00200180, 0x0100, 0x801, 0};
    std::vector<uint8_t> rgbGood = RgbFx3Img(ident);
    struct CASE {
        const char *szName;
        std::vector<uint8_t> rgb;
        const char *szMsgTail;
    };
    std::vector<uint8_t> rgbHuge = {'C', 'Y', 0, 0, 0x01, 0x00, 0x00, 0x40, 0, 0, 0, 0, 1, 2, 3, 4};
    std::vector<uint8_t> rgbWrap = {'C', 'Y', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    std::vector<uint8_t> rgbPastTop = {'C', 'Y', 0, 0, 2, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<uint8_t> rgbShort(rgbGood.begin(), rgbGood.begin() + 100);
    const CASE rgcase[] = {
        {"signature", {'X', 'Y', 0, 0}, "invalid firmware signature"},
        {"empty", {}, "failed to read firmware image signature"},
        {"header", {'C', 'Y', 0}, "failed to read dummy bytes from firmware image"},
        {"length beyond the file", rgbHuge, "failed to read section from firmware image file"},
        {"length whose bytes overflow", rgbWrap, "failed to read section from firmware image file"},
        {"section past the address space", rgbPastTop, "failed to read section from firmware image file"},
        {"truncated section", rgbShort, "failed to read section from firmware image file"},
    };
    for (const CASE &c : rgcase) {
        std::string szPath = SzTemp("case.img");
        ASSERT_TRUE(FWriteFile(szPath, c.rgb));
        TvxSetLastErrorNoLog(0);
        EXPECT_FALSE(usbc.FWriteFX3FirmwareImg2RAM(pusb, szPath.c_str())) << c.szName;
        EXPECT_EQ(TvxGetLastError(), ercConfigFileError) << c.szName;
    }
    EXPECT_FALSE(usbc.FWriteFX3FirmwareImg2RAM(pusb, SzTemp("none.img").c_str()));
    EXPECT_EQ(TvxGetLastError(), ercConfigFileError);
    pusb->Term();
    pabsfact->RlsABSUSB(pusb);
}

/* FX2 boot images (.IIC): the first bytes name the maker and the entry's
 * firmware id; the whole image must fit below the E2PROM size. */
TEST(UsbHex, BootImageChecks)
{
    const uint8_t fwid = 0x05;
    const uint16_t vid = UsbVidMaker();
    auto rgbBoot = [&](size_t cb) {
        std::vector<uint8_t> rgb(cb, 0x5A);
        const uint8_t rgbHead[5] = {0xC2, (uint8_t)vid, (uint8_t)(vid >> 8), fwid, 0x00};
        memcpy(rgb.data(), rgbHead, cb < 5 ? cb : 5);
        return rgb;
    };
    struct CASE {
        const char *szName;
        std::vector<uint8_t> rgb;
        bool fValid;
    };
    std::vector<uint8_t> rgbOtherLead = rgbBoot(64), rgbOtherVid = rgbBoot(64), rgbOtherFwid = rgbBoot(64),
                         rgbByte4 = rgbBoot(64);
    rgbOtherLead[0] = 0xC0;
    rgbOtherVid[2] ^= 0x01;
    rgbOtherFwid[3] = fwid + 1;
    rgbByte4[4] = 0x01;
    const CASE rgcase[] = {
        {"header alone", rgbBoot(5), true},
        {"largest image", rgbBoot(16383), true},
        {"as large as the E2PROM", rgbBoot(16384), false},
        {"larger than the E2PROM", rgbBoot(20000), false},
        {"four bytes", rgbBoot(4), false},
        {"empty", {}, false},
        {"other lead byte", rgbOtherLead, false},
        {"other vendor id", rgbOtherVid, false},
        {"other firmware id", rgbOtherFwid, false},
        {"byte 4 not zero", rgbByte4, false},
    };
    for (const CASE &c : rgcase) {
        FWIMG img;
        memset(&img, 0, sizeof(img));
        img.fwid = fwid;
        std::string szPath = SzTemp("FX2FW_05_00000001_00000000_0301.IIC");
        snprintf(img.szPath, sizeof(img.szPath), "%s", szPath.c_str());
        ASSERT_TRUE(FWriteFile(szPath, c.rgb));
        TvxSetLastErrorNoLog(0);
        EXPECT_EQ(usbc.FCheckBootFirmware(&img) != 0, c.fValid) << c.szName;
        EXPECT_EQ(TvxGetLastError(), c.fValid ? 0 : (int)ercConfigFileError) << c.szName;
    }
    FWIMG imgMissing;
    memset(&imgMissing, 0, sizeof(imgMissing));
    snprintf(imgMissing.szPath, sizeof(imgMissing.szPath), "%s", SzTemp("none.iic").c_str());
    EXPECT_FALSE(usbc.FCheckBootFirmware(&imgMissing));
    EXPECT_EQ(TvxGetLastError(), ercConfigFileError);
}

} // namespace
