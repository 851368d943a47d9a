// regfile.cpp - register file of the reference design.

#include "regfile.h"

#include <cstring>

namespace sim {

void REGFILE::Reset()
{
    memset(rgb, 0, sizeof(rgb));
    mpregstream.clear();
}

void REGFILE::Put(uint8_t reg, uint8_t b)
{
    if (!FServes())
        return;
    rgb[reg] = b;
    auto &rgbStream = mpregstream[reg];
    if (rgbStream.size() < cbStreamMax)
        rgbStream.push_back(b);
}

} // namespace sim
