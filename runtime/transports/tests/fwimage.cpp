/* fwimage.cpp - firmware image files for tests (fwimage.h). */
#include "fwimage.h"

#include <stdio.h>

namespace {
void Put(std::vector<uint8_t> *prgb, uint32_t w, int cb)
{
    for (int i = 0; i < cb; i++)
        prgb->push_back((uint8_t)(w >> (8 * i)));
}

std::string SzName(const char *szPrefix, const FWIDENT &ident, const char *szExt)
{
    char sz[64];
    snprintf(sz, sizeof(sz), "%s_%02X_%08X_%08X_%04X.%s", szPrefix, (unsigned)(ident.pdid & 0xFF),
             (unsigned)ident.dcapPub, (unsigned)ident.dcapPriv, (unsigned)ident.fwver, szExt);
    return sz;
}

std::string SzHexRecord(uint8_t type, uint16_t addr, const uint8_t *pb, size_t cb)
{
    char sz[16];
    std::string szRec = ":";
    uint8_t sum = (uint8_t)(cb + (addr >> 8) + addr + type);
    snprintf(sz, sizeof(sz), "%02X%04X%02X", (unsigned)cb, (unsigned)addr, (unsigned)type);
    szRec += sz;
    for (size_t i = 0; i < cb; i++) {
        snprintf(sz, sizeof(sz), "%02X", pb[i]);
        szRec += sz;
        sum = (uint8_t)(sum + pb[i]);
    }
    snprintf(sz, sizeof(sz), "%02X\n", (unsigned)(uint8_t)(0u - sum));
    return szRec + sz;
}

/* Code bytes of an image: a jump, filler, the descriptor at 0x0100. */
std::vector<uint8_t> RgbFx2Code(const FWIDENT &ident)
{
    std::vector<uint8_t> rgb(0x100, 0x00);
    rgb[0] = 0x02, rgb[1] = 0x01, rgb[2] = 0x20;
    for (size_t i = 3; i < rgb.size(); i++)
        rgb[i] = (uint8_t)(i * 13);
    std::vector<uint8_t> rgbDesc = RgbFwDescriptor(ident);
    rgb.insert(rgb.end(), rgbDesc.begin(), rgbDesc.end());
    return rgb;
}
} // namespace

std::vector<uint8_t> RgbFwDescriptor(const FWIDENT &ident)
{
    std::vector<uint8_t> rgb = {'K', 'S', 'I', 'M', 'F', 'W', '0', '1'};
    Put(&rgb, ident.pdid, 4);
    Put(&rgb, ident.fwver, 2);
    Put(&rgb, ident.dcapPub, 4);
    Put(&rgb, ident.dcapPriv, 4);
    return rgb;
}

std::string SzFx2HexName(const FWIDENT &ident) { return SzName("FX2FW", ident, "HEX"); }
std::string SzFx2IicName(const FWIDENT &ident) { return SzName("FX2FW", ident, "IIC"); }
std::string SzFx3ImgName(const FWIDENT &ident) { return SzName("FX3FW", ident, "img"); }

std::string SzFx2Hex(const FWIDENT &ident, bool fExternal)
{
    std::string sz;
    std::vector<uint8_t> rgb = RgbFx2Code(ident);
    for (size_t ib = 0; ib < rgb.size(); ib += 16)
        sz += SzHexRecord(0, (uint16_t)ib, &rgb[ib], rgb.size() - ib < 16 ? rgb.size() - ib : 16);
    if (fExternal) {
        uint8_t rgbExt[32];
        for (int i = 0; i < 32; i++)
            rgbExt[i] = (uint8_t)(0xA0 + i);
        sz += SzHexRecord(0, 0x8000, rgbExt, 16);
        sz += SzHexRecord(0, 0x8010, rgbExt + 16, 16);
    }
    sz += SzHexRecord(1, 0, nullptr, 0);
    return sz;
}

std::vector<uint8_t> RgbFx2Iic(const FWIDENT &ident, uint16_t idVendor)
{
    std::vector<uint8_t> rgb = {0xC2};
    Put(&rgb, idVendor, 2);
    rgb.push_back((uint8_t)ident.pdid);
    rgb.push_back(0);
    Put(&rgb, 0, 2);          /* product id and device release: unused here */
    Put(&rgb, 0, 2);
    rgb.push_back(0);         /* configuration byte */
    std::vector<uint8_t> rgbCode = RgbFx2Code(ident);
    /* one record: length (big-endian), address (big-endian), bytes */
    rgb.push_back((uint8_t)(rgbCode.size() >> 8));
    rgb.push_back((uint8_t)rgbCode.size());
    rgb.push_back(0), rgb.push_back(0);
    rgb.insert(rgb.end(), rgbCode.begin(), rgbCode.end());
    /* last record: releases the CPU (CPUCS 0xE600 = 0) */
    rgb.insert(rgb.end(), {0x80, 0x01, 0xE6, 0x00, 0x00});
    return rgb;
}

std::vector<uint8_t> RgbFx3Img(const FWIDENT &ident, bool fBadSum)
{
    std::vector<uint8_t> rgb = {'C', 'Y', 0x1C, 0xB0};
    std::vector<uint8_t> rgbCode(8192 + 52);
    for (size_t i = 0; i < rgbCode.size(); i++)
        rgbCode[i] = (uint8_t)(i * 31 + 5);
    std::vector<uint8_t> rgbDesc = RgbFwDescriptor(ident);
    rgbDesc.resize(24, 0);    /* a whole number of words */
    std::vector<uint8_t> rgbData(rgbDesc);
    uint32_t sum = 0;
    auto section = [&](const std::vector<uint8_t> &rgbSec, uint32_t addr) {
        Put(&rgb, (uint32_t)(rgbSec.size() / 4), 4);
        Put(&rgb, addr, 4);
        rgb.insert(rgb.end(), rgbSec.begin(), rgbSec.end());
        for (size_t i = 0; i < rgbSec.size(); i += 4)
            sum += (uint32_t)rgbSec[i] | (uint32_t)rgbSec[i + 1] << 8 | (uint32_t)rgbSec[i + 2] << 16 |
                   (uint32_t)rgbSec[i + 3] << 24;
    };
    section(rgbCode, 0x40003000);
    section(rgbData, 0x40010000);
    Put(&rgb, 0, 4);
    Put(&rgb, 0x40003000, 4);   /* entry */
    Put(&rgb, fBadSum ? sum + 1 : sum, 4);
    return rgb;
}

bool FWriteFile(const std::string &szPath, const std::vector<uint8_t> &rgb)
{
    FILE *pf = fopen(szPath.c_str(), "wb");
    if (pf == nullptr)
        return false;
    bool fOk = fwrite(rgb.data(), 1, rgb.size(), pf) == rgb.size();
    return (fclose(pf) == 0) && fOk;
}

bool FWriteFile(const std::string &szPath, const std::string &sz)
{
    return FWriteFile(szPath, std::vector<uint8_t>(sz.begin(), sz.end()));
}
