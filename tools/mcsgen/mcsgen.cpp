#include "mcsgen.h"

#include <stdio.h>

namespace {

std::string StrRecord(uint8_t type, uint16_t addr, const uint8_t *pb, size_t cb)
{
    char sz[16];
    uint8_t sum = (uint8_t)(cb + (addr >> 8) + (addr & 0xFF) + type);
    snprintf(sz, sizeof(sz), ":%02X%04X%02X", (unsigned)cb, addr, type);
    std::string str = sz;
    for (size_t ib = 0; ib < cb; ib++) {
        snprintf(sz, sizeof(sz), "%02X", pb[ib]);
        str += sz;
        sum = (uint8_t)(sum + pb[ib]);
    }
    snprintf(sz, sizeof(sz), "%02X\r\n", (uint8_t)(0x100 - sum) & 0xFF);
    return str + sz;
}

} // namespace

std::vector<uint8_t> RgbPromImage(const std::vector<uint8_t> &rgbConfig)
{
    std::vector<uint8_t> rgb(rgbConfig.size());
    for (size_t ib = 0; ib < rgb.size(); ib++) {
        uint8_t b = rgbConfig[ib], r = 0;
        for (int k = 0; k < 8; k++)
            r |= (uint8_t)(((b >> k) & 1) << (7 - k));
        rgb[ib] = r;
    }
    return rgb;
}

std::string StrMcs(const std::vector<uint8_t> &rgbImage, uint32_t ibStart)
{
    std::string str;
    uint32_t ibUpper = 0xFFFFFFFFu;
    for (size_t ib = 0; ib < rgbImage.size();) {
        uint32_t ibAbs = ibStart + (uint32_t)ib;
        if ((ibAbs >> 16) != ibUpper) {
            ibUpper = ibAbs >> 16;
            uint8_t rgbUpper[2] = {(uint8_t)(ibUpper >> 8), (uint8_t)ibUpper};
            str += StrRecord(0x04, 0, rgbUpper, 2);
        }
        size_t cb = rgbImage.size() - ib < 16 ? rgbImage.size() - ib : 16;
        uint32_t cbToBoundary = 0x10000 - (ibAbs & 0xFFFF);
        if (cb > cbToBoundary)
            cb = cbToBoundary;
        str += StrRecord(0x00, (uint16_t)ibAbs, &rgbImage[ib], cb);
        ib += cb;
    }
    return str + StrRecord(0x01, 0, nullptr, 0);
}
