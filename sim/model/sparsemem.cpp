// sparsemem.cpp - page map memory.

#include "sparsemem.h"

namespace sim {

void SPARSEMEM::Write(uint32_t addr, const uint8_t *pb, size_t cb)
{
    for (size_t ib = 0; ib < cb; ib++) {
        uint32_t a = uint32_t(addr + ib);
        auto &page = mppage[a / cbPage];
        if (page.empty())
            page.assign(cbPage, bFill);
        page[a % cbPage] = pb[ib];
    }
}

void SPARSEMEM::Read(uint32_t addr, uint8_t *pb, size_t cb) const
{
    for (size_t ib = 0; ib < cb; ib++) {
        uint32_t a = uint32_t(addr + ib);
        auto it = mppage.find(a / cbPage);
        pb[ib] = it == mppage.end() ? bFill : it->second[a % cbPage];
    }
}

std::vector<uint8_t> SPARSEMEM::Read(uint32_t addr, size_t cb) const
{
    std::vector<uint8_t> rgb(cb);
    Read(addr, rgb.data(), cb);
    return rgb;
}

void SPARSEMEM::Fill(uint32_t addr, size_t cb, uint8_t b)
{
    std::vector<uint8_t> rgb(cb, b);
    Write(addr, rgb.data(), cb);
}

} // namespace sim
