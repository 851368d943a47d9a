// dsgmiravo3.cpp - the Miravo3 memory-manager design (dsgmiravo3.h).

#include "dsgmiravo3.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

namespace sim {

namespace {

constexpr uint32_t cbMemory = 0x1000000;
constexpr uint32_t idDesign = 0x00D00142;
constexpr uint32_t idSpiBig = 0x20DA18;

enum : uint8_t {
    stsDone = 1, stsBusy = 2, stsDataIn = 3, stsDataOut = 4,
};

enum MEMKIND { memNone, memSpi, memBpi, memRam };

class DSGMIRAVO3 : public SIMDESIGN {
public:
    explicit DSGMIRAVO3(DESIGNENV &envIn);
    bool FPut(uint8_t reg, uint8_t b) override;
    bool FGet(uint8_t reg, uint8_t &b) override;

private:
    void Command(uint8_t cmd);
    void Finish(uint8_t bResult) { bStatus = stsDone; this->bResult = bResult; }
    FLASHARRAY *Pflash(MEMKIND mem) { return mem == memSpi ? pspi : mem == memBpi ? pbpi : nullptr; }
    void FlushProgram();
    uint8_t BStatusNow();
    uint8_t BReadNext();
    uint32_t Addr() const { return uint32_t(rgb[0x94]) << 24 | rgb[0x89] << 16 | rgb[0x88] << 8 | rgb[0x87]; }
    uint32_t Len() const { return uint32_t(rgb[0x93]) << 24 | rgb[0x92] << 16 | rgb[0x91] << 8 | rgb[0x90]; }

    FLASHARRAY *pspi;
    FLASHARRAY *pbpi;
    SPARSEMEM *pram;
    uint8_t rgb[256] = {};
    uint8_t bStatus = stsDone;
    uint8_t bResult = 0;
    uint32_t uValue = 0;
    uint8_t cmdCur = 0;
    // A waiting operation: a flash busy with an erase, or a transfer.
    FLASHARRAY *pflashBusy = nullptr;
    MEMKIND memXfer = memNone;
    bool fXferIn = false;
    uint32_t addrXfer = 0;       // next memory address of the transfer
    uint32_t cbXferLeft = 0;
    uint32_t addrPending = 0;    // program data not yet in the array
    std::vector<uint8_t> rgbPending;
    std::set<uint32_t> setaddrFlip;
};

DSGMIRAVO3::DSGMIRAVO3(DESIGNENV &envIn) : SIMDESIGN(envIn)
{
    bool fSpiBig = (env.UOpt("miravo3.spiid", 0x20BA18) & 0xFFFFFF) == idSpiBig;
    // SPI page program about 2 us a byte, sector erase some hundreds of ms;
    // the parallel flash's buffered program and block erase likewise.
    pspi = &env.Flash("spi", { fSpiBig ? FLASHREGION{ 128, 0x20000 } : FLASHREGION{ 256, 0x10000 } },
                      FLASHTIMES{ 2, 300000 });
    pbpi = &env.Flash("bpi", { { 4, 0x8000 }, { 127, 0x20000 } }, FLASHTIMES{ 1, 400000 });
    pram = &env.Ram("ram", cbMemory, 0x00);
    std::stringstream ss(env.SzOpt("miravo3.readflip"));
    std::string sz;
    while (std::getline(ss, sz, ','))
        if (!sz.empty())
            setaddrFlip.insert(uint32_t(strtoul(sz.c_str(), nullptr, 0)));
}

void DSGMIRAVO3::FlushProgram()
{
    if (rgbPending.empty() || pflashBusy == nullptr || pflashBusy->FBusy())
        return;
    uint32_t cb = uint32_t(rgbPending.size());
    if (addrPending < pflashBusy->CbSize()) {
        uint32_t cbIn = std::min(cb, pflashBusy->CbSize() - addrPending);
        if (!pflashBusy->FProgram(addrPending, rgbPending.data(), cbIn))
            bResult = 1;
    }
    rgbPending.clear();
    addrPending += cb;
}

uint8_t DSGMIRAVO3::BStatusNow()
{
    if (env.UOpt("miravo3.stuck") != 0)
        return stsBusy;
    if (bStatus == stsBusy && pflashBusy != nullptr) {
        FlushProgram();
        if (!pflashBusy->FBusy() && rgbPending.empty()) {
            pflashBusy = nullptr;
            Finish(bResult);
        }
    }
    return bStatus;
}

void DSGMIRAVO3::Command(uint8_t cmd)
{
    // A new command ends whatever ran before (a transfer left unfinished).
    memXfer = memNone;
    rgbPending.clear();
    pflashBusy = nullptr;
    cmdCur = cmd;
    uint32_t addr = Addr(), cb = Len();
    char szEvent[64];
    snprintf(szEvent, sizeof(szEvent), "cmd 0x%02X addr 0x%08X len 0x%08X", cmd, addr, cb);
    env.Log(szEvent);
    if (env.FHasOpt("miravo3.failcmd") && env.UOpt("miravo3.failcmd") == cmd) {
        Finish(2);
        return;
    }
    switch (cmd) {
    case 0x01: Finish(0); return;
    case 0x05: uValue = idDesign; Finish(0); return;
    case 0x12: uValue = uint32_t(env.UOpt("miravo3.bpiid", 0x8821)); Finish(0); return;
    case 0x13: uValue = uint32_t(env.UOpt("miravo3.spiid", 0x20BA18)); Finish(0); return;
    case 0x14: uValue = uint32_t(env.UOpt("miravo3.ramid", 0x0343)); Finish(0); return;
    case 0x23: {
        uint32_t addrBlock, cbBlock;
        if (!pspi->FBlockAt(addr, &addrBlock, &cbBlock)) {
            Finish(2);
            return;
        }
        Finish(pspi->FBlank(addrBlock, cbBlock) ? 0 : 1);
        return;
    }
    case 0x33:
    case 0x22: {
        FLASHARRAY *pflash = cmd == 0x33 ? pspi : pbpi;
        if (pflash->FBusy() || !pflash->FEraseBlock(addr)) {
            Finish(1);
            return;
        }
        pflashBusy = pflash;
        bResult = 0;
        bStatus = stsBusy;
        return;
    }
    case 0x43: case 0x32: case 0x24:
    case 0x53: case 0x42: case 0x34: {
        fXferIn = cmd == 0x43 || cmd == 0x32 || cmd == 0x24;
        memXfer = cmd == 0x43 || cmd == 0x53 ? memSpi : cmd == 0x32 || cmd == 0x42 ? memBpi : memRam;
        addrXfer = addrPending = addr;
        cbXferLeft = cb;
        bResult = 0;
        bStatus = fXferIn ? stsDataIn : stsDataOut;
        if (cb == 0) {
            memXfer = memNone;
            Finish(0);
        }
        return;
    }
    default:
        Finish(0xFF);
        return;
    }
}

uint8_t DSGMIRAVO3::BReadNext()
{
    uint8_t b = 0xFF;
    if (addrXfer < cbMemory) {
        if (memXfer == memRam)
            pram->Read(addrXfer, &b, 1);
        else
            Pflash(memXfer)->Read(addrXfer, &b, 1);
        if (setaddrFlip.count(addrXfer))
            b ^= 0x01;
    }
    addrXfer++;
    if (--cbXferLeft == 0) {
        memXfer = memNone;
        Finish(0);
    }
    return b;
}

bool DSGMIRAVO3::FPut(uint8_t reg, uint8_t b)
{
    switch (reg) {
    case 0x80:
        rgb[reg] = b;
        Command(b);
        return true;
    case 0xA0:
        if (memXfer == memNone || !fXferIn)
            return true;   // data nobody asked for
        if (memXfer == memRam) {
            if (addrXfer < cbMemory)
                pram->Write(addrXfer, &b, 1);
        } else {
            rgbPending.push_back(b);
            pflashBusy = Pflash(memXfer);
            if (rgbPending.size() >= 4096)
                FlushProgram();
        }
        addrXfer++;
        if (--cbXferLeft == 0) {
            if (memXfer == memRam) {
                Finish(0);
            } else {
                bStatus = stsBusy;
                FlushProgram();
            }
            memXfer = memNone;
        }
        return true;
    case 0x81: case 0x82: case 0x83: case 0x84: case 0x85: case 0x86:
        return true;   // read-only
    default:
        rgb[reg] = b;
        return true;
    }
}

bool DSGMIRAVO3::FGet(uint8_t reg, uint8_t &b)
{
    switch (reg) {
    case 0x81: b = BStatusNow(); return true;
    case 0x82: b = bResult; return true;
    case 0x83: case 0x84: case 0x85: case 0x86:
        b = uint8_t(uValue >> (8 * (reg - 0x83)));
        return true;
    case 0xA0:
        b = memXfer != memNone && !fXferIn ? BReadNext() : 0xFF;
        return true;
    default:
        b = rgb[reg];
        return true;
    }
}

} // namespace

std::unique_ptr<SIMDESIGN> PdesignNewMiravo3(DESIGNENV &env)
{
    return std::make_unique<DSGMIRAVO3>(env);
}

} // namespace sim
