// Erase walks, x16 pads and size checks of the flash views (flashplan.h).

#include "flashplan.h"

uint32_t CbBlockCorvale(uint32_t addr)
{
    return addr >= 0x10000 && addr <= 0x1FDFFFF ? 0x10000 : 0x4000;
}

uint32_t CbBlockPentra(uint32_t)
{
    return 0x10000;
}

uint32_t CbBlockMiravo3Bpi(uint32_t addr)
{
    return addr >= 0x20000 && addr <= 0x101FFFF ? 0x20000 : 0x8000;
}

uint32_t CbBlockMiravo3Spi(uint32_t idSpi, uint32_t)
{
    return (idSpi & 0xFFFFFF) == 0x20DA18 ? 0x20000 : 0x10000;
}

std::vector<uint32_t> RgaddrEraseWalk(uint32_t addr, uint32_t cb, PFNCBBLOCK pfnCbBlock)
{
    std::vector<uint32_t> rgaddr;
    if (cb == 0)
        return rgaddr;
    uint64_t addrEnd = static_cast<uint64_t>(addr) + cb;
    uint64_t a = addr - addr % pfnCbBlock(addr);
    while (a < addrEnd && a <= 0xFFFFFFFFu) {
        rgaddr.push_back(static_cast<uint32_t>(a));
        a += pfnCbBlock(static_cast<uint32_t>(a));
    }
    return rgaddr;
}

PADDED PadToWords(uint32_t addr, uint32_t cb)
{
    PADDED padded = {addr, cb, false, false};
    if (padded.addr % 2 != 0) {
        padded.addr--;
        padded.cb++;
        padded.fLead = true;
    }
    if ((padded.addr + padded.cb) % 2 != 0) {
        padded.cb++;
        padded.fTail = true;
    }
    return padded;
}

bool FImageFits(const FLASHIMG &img, uint32_t cbMem)
{
    for (int i = 0; i < img.cseg; i++)
        if (img.rgseg[i].addr > cbMem || img.rgseg[i].cb > cbMem - img.rgseg[i].addr)
            return false;
    return true;
}
