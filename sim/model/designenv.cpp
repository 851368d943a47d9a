// designenv.cpp - the board around a design: memories, options, time, log.

#include "simdesign.h"

#include <cstdlib>

namespace sim {

FLASHARRAY &DESIGNENV::Flash(const std::string &szName, const std::vector<FLASHREGION> &rgregion, FLASHTIMES times)
{
    auto &pflash = mppflash[szName];
    if (!pflash) {
        times.usProgramByte = UsScaled(times.usProgramByte);
        times.usEraseBlock = UsScaled(times.usEraseBlock);
        pflash = std::make_unique<FLASHARRAY>(rgregion, times);
    }
    return *pflash;
}

SPARSEMEM &DESIGNENV::Ram(const std::string &szName, uint32_t cb, uint8_t bFill)
{
    auto it = mpram.find(szName);
    if (it == mpram.end())
        it = mpram.emplace(szName, RAM{ cb, std::make_unique<SPARSEMEM>(bFill) }).first;
    return *it->second.pmem;
}

FLASHARRAY *DESIGNENV::PflashFind(const std::string &szName)
{
    auto it = mppflash.find(szName);
    return it == mppflash.end() ? nullptr : it->second.get();
}

SPARSEMEM *DESIGNENV::PramFind(const std::string &szName, uint32_t *pcb)
{
    auto it = mpram.find(szName);
    if (it == mpram.end())
        return nullptr;
    if (pcb)
        *pcb = it->second.cb;
    return it->second.pmem.get();
}

std::vector<std::string> DESIGNENV::RgszMemories() const
{
    std::vector<std::string> rgsz;
    for (auto &kv : mppflash)
        rgsz.push_back("flash " + kv.first + " " + std::to_string(kv.second->CbSize()));
    for (auto &kv : mpram)
        rgsz.push_back("ram " + kv.first + " " + std::to_string(kv.second.cb));
    return rgsz;
}

std::string DESIGNENV::SzOpt(const std::string &szKey, const std::string &szDefault) const
{
    auto it = mpszOpt.find(szKey);
    return it == mpszOpt.end() ? szDefault : it->second;
}

uint64_t DESIGNENV::UOpt(const std::string &szKey, uint64_t uDefault) const
{
    auto it = mpszOpt.find(szKey);
    if (it == mpszOpt.end() || it->second.empty())
        return uDefault;
    char *pchEnd = nullptr;
    uint64_t u = strtoull(it->second.c_str(), &pchEnd, 0);
    return *pchEnd == '\0' ? u : uDefault;
}

uint64_t DESIGNENV::UsScaled(uint64_t usNominal) const
{
    uint64_t pct = UOpt("timescale", 100);
    if (pct > 100000)
        pct = 100000;
    return usNominal * pct / 100;
}

void DESIGNENV::Log(const std::string &sz)
{
    if (rgszLog.size() < cszLogMax)
        rgszLog.push_back(sz);
}

void DESIGNENV::PowerOn()
{
    for (auto &kv : mpram)
        kv.second.pmem->Clear();
    rgszLog.clear();
}

} // namespace sim
