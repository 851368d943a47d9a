// designctl.cpp - control-channel commands for designs and board memories.

#include "designctl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace sim {

namespace {

constexpr uint64_t cbMemMax = uint64_t(1) << 32;

bool FNumArg(const std::vector<std::string> &rgszArg, size_t iarg, uint64_t &v)
{
    if (iarg >= rgszArg.size() || rgszArg[iarg].empty())
        return false;
    char *pchEnd = nullptr;
    v = strtoull(rgszArg[iarg].c_str(), &pchEnd, 0);
    return *pchEnd == '\0' && rgszArg[iarg][0] != '-';
}

std::string SzHexByte(uint8_t b)
{
    static const char rgch[] = "0123456789ABCDEF";
    return std::string{ rgch[b >> 4], rgch[b & 15] };
}

// A memory of the board by name, as one address space of cb bytes.
struct MEMREF {
    FLASHARRAY *pflash = nullptr;
    SPARSEMEM *pram = nullptr;
    uint32_t cb = 0;
};

bool FMemRef(BOARD &bd, const std::string &szName, MEMREF &mem, std::string &szErr)
{
    if ((mem.pflash = bd.env.PflashFind(szName)) != nullptr)
        mem.cb = mem.pflash->CbSize();
    else if ((mem.pram = bd.env.PramFind(szName, &mem.cb)) == nullptr) {
        szErr = "no memory '" + szName + "' on this board (yet)";
        return false;
    }
    return true;
}

// The file is written whole or not at all.
bool FSave(const MEMREF &mem, const std::string &szFile, uint64_t addr, uint64_t cb, std::string &szErr)
{
    std::string szTmp = szFile + ".tmp" + std::to_string(getpid());
    FILE *pf = fopen(szTmp.c_str(), "wb");
    if (pf == nullptr) {
        szErr = "cannot create " + szTmp;
        return false;
    }
    bool fOk = true;
    std::vector<uint8_t> rgb;
    for (uint64_t ib = 0; ib < cb && fOk; ib += rgb.size()) {
        rgb.resize(size_t(std::min<uint64_t>(cb - ib, 1 << 20)));
        if (mem.pflash)
            mem.pflash->Read(uint32_t(addr + ib), rgb.data(), rgb.size());
        else
            mem.pram->Read(uint32_t(addr + ib), rgb.data(), rgb.size());
        fOk = fwrite(rgb.data(), 1, rgb.size(), pf) == rgb.size();
    }
    fOk = fclose(pf) == 0 && fOk;
    if (!fOk || rename(szTmp.c_str(), szFile.c_str()) != 0) {
        remove(szTmp.c_str());
        szErr = "cannot write " + szFile;
        return false;
    }
    return true;
}

bool FLoad(const MEMREF &mem, const std::string &szFile, uint64_t addr, std::string &szErr)
{
    FILE *pf = fopen(szFile.c_str(), "rb");
    if (pf == nullptr) {
        szErr = "cannot open " + szFile;
        return false;
    }
    std::vector<uint8_t> rgb(1 << 20);
    bool fOk = true;
    size_t cbRead;
    while (fOk && (cbRead = fread(rgb.data(), 1, rgb.size(), pf)) > 0) {
        if (addr + cbRead > mem.cb) {
            szErr = "the file runs past the memory's end";
            fOk = false;
            break;
        }
        if (mem.pflash)
            mem.pflash->Poke(uint32_t(addr), rgb.data(), cbRead);
        else
            mem.pram->Write(uint32_t(addr), rgb.data(), cbRead);
        addr += cbRead;
    }
    fclose(pf);
    return fOk;
}

} // namespace

bool FDesignControl(BOARD &bd, const std::string &szCmd, const std::vector<std::string> &rgszArg,
                    std::vector<std::string> &rgszData, bool &fOk, std::string &szErr)
{
    uint64_t addr = 0, cb = 0, b = 0;
    MEMREF mem;
    fOk = true;
    if (szCmd == "DOPT" && rgszArg.size() == 3) {
        if (bd.env.FHasOpt(rgszArg[2]))
            rgszData.push_back(bd.env.SzOpt(rgszArg[2]));
        else {
            szErr = "no option " + rgszArg[2];
            fOk = false;
        }
    } else if (szCmd == "DOPT" && rgszArg.size() == 4) {
        if (rgszArg[3] == "-")
            bd.env.ClearOpt(rgszArg[2]);
        else
            bd.env.SetOpt(rgszArg[2], rgszArg[3]);
    } else if (szCmd == "DOPTS") {
        for (auto &kv : bd.env.MpszOpt())
            rgszData.push_back(kv.first + " " + kv.second);
    } else if (szCmd == "DESIGN" && rgszArg.size() >= 3) {
        std::vector<std::string> rgszDesignArg(rgszArg.begin() + 2, rgszArg.end());
        if (!bd.regs.pdesign || !bd.regs.FServes()) {
            szErr = "no design with controls runs";
            fOk = false;
        } else if (!bd.regs.pdesign->FControl(rgszDesignArg, rgszData, szErr)) {
            if (szErr.empty())
                szErr = "the design has no control '" + rgszArg[2] + "'";
            fOk = false;
        }
    } else if (szCmd == "DLOG") {
        rgszData = bd.env.RgszLog();
    } else if (szCmd == "DLOGCLEAR") {
        bd.env.ClearLog();
    } else if (szCmd == "REGLOG") {
        std::string sz;
        for (auto &write : bd.regs.rgwriteLog) {
            if (!sz.empty())
                sz += ' ';
            sz += SzHexByte(write.first) + ":" + SzHexByte(write.second);
        }
        rgszData.push_back(sz);
    } else if (szCmd == "REGLOGCLEAR") {
        bd.regs.rgwriteLog.clear();
    } else if (szCmd == "MEMSAVE" && (rgszArg.size() == 4 || rgszArg.size() == 6)) {
        fOk = FMemRef(bd, rgszArg[2], mem, szErr);
        if (fOk && rgszArg.size() == 6 &&
            !(FNumArg(rgszArg, 4, addr) && FNumArg(rgszArg, 5, cb) && addr + cb <= mem.cb && cb <= cbMemMax)) {
            szErr = "bad range";
            fOk = false;
        } else if (fOk && rgszArg.size() == 4) {
            cb = mem.cb;
        }
        fOk = fOk && FSave(mem, rgszArg[3], addr, cb, szErr);
    } else if (szCmd == "MEMLOAD" && (rgszArg.size() == 4 || rgszArg.size() == 5)) {
        fOk = FMemRef(bd, rgszArg[2], mem, szErr);
        if (fOk && rgszArg.size() == 5 && !(FNumArg(rgszArg, 4, addr) && addr < mem.cb)) {
            szErr = "bad address";
            fOk = false;
        }
        fOk = fOk && FLoad(mem, rgszArg[3], addr, szErr);
    } else if (szCmd == "MEMFILL" && rgszArg.size() == 6) {
        fOk = FMemRef(bd, rgszArg[2], mem, szErr);
        if (fOk && !(FNumArg(rgszArg, 3, addr) && FNumArg(rgszArg, 4, cb) && FNumArg(rgszArg, 5, b) &&
                     addr + cb <= mem.cb && b < 256)) {
            szErr = "bad range or byte";
            fOk = false;
        }
        if (fOk && mem.pflash) {
            std::vector<uint8_t> rgb(size_t(std::min<uint64_t>(cb, 1 << 20)), uint8_t(b));
            for (uint64_t ib = 0; ib < cb; ib += rgb.size())
                mem.pflash->Poke(uint32_t(addr + ib), rgb.data(), size_t(std::min<uint64_t>(cb - ib, rgb.size())));
        } else if (fOk) {
            mem.pram->Fill(uint32_t(addr), size_t(cb), uint8_t(b));
        }
    } else if (szCmd == "MEMINFO") {
        for (auto &sz : bd.env.RgszMemories())
            rgszData.push_back(sz);
    } else {
        return false;
    }
    return true;
}

} // namespace sim
