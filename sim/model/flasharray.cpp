// flasharray.cpp - NOR flash cells: AND-programming, block erase, busy time.

#include "flasharray.h"

#include <algorithm>

namespace sim {

FLASHARRAY::FLASHARRAY(std::vector<FLASHREGION> rgregion, FLASHTIMES timesIn, DEVTIME::FNNOW fnNow)
    : times(timesIn), devtime(std::move(fnNow))
{
    uint64_t addr = 0;
    for (const FLASHREGION &region : rgregion)
        for (uint32_t i = 0; i < region.cblock && addr + region.cb <= 0x100000000ull; i++) {
            rgaddrBlock.push_back(uint32_t(addr));
            addr += region.cb;
        }
    cbSize = uint32_t(std::min<uint64_t>(addr, 0xFFFFFFFFu));
    rgaddrBlock.push_back(cbSize);
    rgfLocked.assign(rgaddrBlock.size() - 1, false);
}

int FLASHARRAY::IblockAt(uint32_t addr) const
{
    if (addr >= cbSize)
        return -1;
    auto it = std::upper_bound(rgaddrBlock.begin(), rgaddrBlock.end(), addr);
    return int(it - rgaddrBlock.begin()) - 1;
}

bool FLASHARRAY::FBlockAt(uint32_t addr, uint32_t *paddrStart, uint32_t *pcb) const
{
    int iblock = IblockAt(addr);
    if (iblock < 0)
        return false;
    *paddrStart = rgaddrBlock[iblock];
    *pcb = rgaddrBlock[iblock + 1] - rgaddrBlock[iblock];
    return true;
}

bool FLASHARRAY::FProgram(uint32_t addr, const uint8_t *pb, size_t cb)
{
    if (FBusy() || addr >= cbSize || cb > cbSize - addr)
        return false;
    for (size_t ib = 0; ib < cb; ib++)
        if (FLocked(uint32_t(addr + ib)))
            return false;
    for (size_t ib = 0; ib < cb; ib++) {
        uint8_t bOld;
        mem.Read(uint32_t(addr + ib), &bOld, 1);
        uint8_t bNew = uint8_t(bOld & pb[ib]);
        if (bNew != bOld)
            mem.Write(uint32_t(addr + ib), &bNew, 1);
    }
    Busy(times.usProgramByte * cb);
    return true;
}

bool FLASHARRAY::FEraseBlock(uint32_t addr)
{
    uint32_t addrStart, cb;
    if (FBusy() || !FBlockAt(addr, &addrStart, &cb) || FLocked(addr))
        return false;
    mem.Fill(addrStart, cb, 0xFF);
    Busy(times.usEraseBlock);
    return true;
}

bool FLASHARRAY::FEraseRange(uint32_t addr, uint32_t cb)
{
    uint32_t addrStart, cbBlock;
    if (FBusy() || !FBlockAt(addr, &addrStart, &cbBlock) || FLocked(addr) || cb > addrStart + cbBlock - addr)
        return false;
    mem.Fill(addr, cb, 0xFF);
    Busy(times.usEraseBlock);
    return true;
}

bool FLASHARRAY::FEraseChip()
{
    if (FBusy() || std::find(rgfLocked.begin(), rgfLocked.end(), true) != rgfLocked.end())
        return false;
    mem.Clear();
    Busy(times.usEraseBlock * (rgaddrBlock.size() - 1));
    return true;
}

void FLASHARRAY::SetLocked(uint32_t addr, bool fLocked)
{
    int iblock = IblockAt(addr);
    if (iblock >= 0)
        rgfLocked[iblock] = fLocked;
}

bool FLASHARRAY::FLocked(uint32_t addr) const
{
    int iblock = IblockAt(addr);
    return iblock >= 0 && rgfLocked[iblock];
}

void FLASHARRAY::Read(uint32_t addr, uint8_t *pb, size_t cb) const
{
    mem.Read(addr, pb, cb);
}

bool FLASHARRAY::FBlank(uint32_t addr, uint32_t cb) const
{
    std::vector<uint8_t> rgb = mem.Read(addr, cb);
    return std::all_of(rgb.begin(), rgb.end(), [](uint8_t b) { return b == 0xFF; });
}

} // namespace sim
