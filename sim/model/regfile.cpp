// regfile.cpp - the register file the running design answers through.

#include "regfile.h"

#include <cstring>

namespace sim {

void REGFILE::Reset()
{
    memset(rgb, 0, sizeof(rgb));
    mpregstream.clear();
    mpregfeed.clear();
    rgwriteLog.clear();
    pdesign.reset();
}

void REGFILE::Feed(uint8_t reg, const std::vector<uint8_t> &rgbFeed)
{
    auto &q = mpregfeed[reg];
    q.insert(q.end(), rgbFeed.begin(), rgbFeed.end());
}

uint8_t REGFILE::TakeRepeat(uint8_t reg)
{
    auto it = mpregfeed.find(reg);
    if (!FServes() || it == mpregfeed.end() || it->second.empty())
        return Get(reg);
    uint8_t b = it->second.front();
    it->second.pop_front();
    return b;
}

uint8_t REGFILE::Get(uint8_t reg)
{
    if (!FServes())
        return 0xFF;
    uint8_t b = 0;
    if (pdesign && pdesign->FGet(reg, b))
        return b;
    return rgb[reg];
}

void REGFILE::Put(uint8_t reg, uint8_t b)
{
    if (!FServes())
        return;
    if (rgwriteLog.size() < cwriteLogMax)
        rgwriteLog.emplace_back(reg, b);
    if (!pdesign || !pdesign->FPut(reg, b))
        rgb[reg] = b;
    auto &rgbStream = mpregstream[reg];
    if (rgbStream.size() < cbStreamMax)
        rgbStream.push_back(b);
}

} // namespace sim
