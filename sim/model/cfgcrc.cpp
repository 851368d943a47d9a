// cfgcrc.cpp - CRC of the simulated FPGA configuration logic.

#include "cfgcrc.h"

namespace sim {

namespace {

constexpr uint32_t crc22Mask = 0x3FFFFF;
constexpr uint32_t crc22Taps = 0x009081;

} // namespace

void CFGCRC::Feed(unsigned reg, uint32_t w)
{
    if (f22) {
        uint32_t fb = (crc >> 21) & 1;
        crc = (crc << 1) & crc22Mask;
        if (fb)
            crc ^= crc22Taps;
        crc ^= ((reg & 0x3F) << 16) | (w & 0xFFFF);
        return;
    }
    uint64_t val = (uint64_t(reg & 0x1F) << 32) | w;
    for (unsigned ibit = 0; ibit < 37; ibit++) {
        unsigned fb = unsigned(crc ^ (val >> ibit)) & 1;
        crc >>= 1;
        if (fb)
            crc ^= 0xA001;
    }
}

bool CFGCRC::FCheck(uint32_t crcWant)
{
    bool fOk = f22 ? (crcWant & crc22Mask) == crc : (crcWant & 0xFFFF) == crc;
    if (!f22)
        crc = 0;
    return fOk;
}

} // namespace sim
