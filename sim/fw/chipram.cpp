// chipram.cpp - the chips' own memories: FX2 RAM and CPUCS through 0xA0,
// the FX3 boot loader's RAM, the FX3 EEPROM and SPI flash.
//
// FX2: 0xA0 is served by the chip itself whatever the CPU runs. When the CPU
// is released it starts what was written while it was held: an image when
// those bytes carry a firmware descriptor (board.h), else the host's loader.
// FX3: the boot loader writes and reads RAM at wIndex << 16 | wValue; 0xA0
// without data jumps to the entry address, and the image enumerates anew.

#include "fw.h"

#include <cstring>

namespace sim {

namespace {

constexpr uint16_t addrCpucs = 0xE600;
constexpr uint16_t keyFx3Eeprom = 0x7A16;
constexpr uint16_t keyFx3Spi = 0x19E7;
constexpr size_t cbFx3XferMax = 4096;
constexpr uint32_t cbSpiBlock = 0x10000;

} // namespace

bool FW::FVrRamA0(uint16_t wValue, uint16_t wIndex, const uint8_t *pb, uint16_t cb, FWACT &fwact)
{
    if (bd.cfg.chip == chipFx3) {
        if (bd.fwm != fwmFx3Boot)
            return false;
        uint32_t addr = (uint32_t(wIndex) << 16) | wValue;
        if (cb == 0) {
            // Jump to the entry address: the application starts and enumerates.
            std::vector<uint8_t> rgbRam;
            bd.memFx3Ram.ForEachPage([&](uint32_t, const uint8_t *pbPage, size_t cbPage) {
                rgbRam.insert(rgbRam.end(), pbPage, pbPage + cbPage);
            });
            if (!FFindFwDesc(rgbRam.data(), rgbRam.size(), bd.ident))
                return false;
            bd.fwm = fwmApp;
            bd.key = 0;
            fwact = fwactRenumerate;
            return true;
        }
        if (faults.cFx3ChunkFail > 0) {
            faults.cFx3ChunkFail--;
            return false;
        }
        bd.memFx3Ram.Write(addr, pb, cb);
        return true;
    }
    if (bd.cfg.chip != chipFx2)
        return false;
    if (wValue == addrCpucs) {
        if (cb < 1)
            return false;
        bool fHold = (pb[0] & 1) != 0;
        bool fWasHeld = bd.fCpuReset;
        bd.fCpuReset = fHold;
        if (fHold && !fWasHeld)
            bd.rgbWrittenInReset.clear();
        if (!fHold && fWasHeld)
            Fx2CpuRelease();
        return true;
    }
    if (wValue >= BOARD::cbFx2Ram)
        return true;                // other chip registers: not modelled
    if (size_t(wValue) + cb > BOARD::cbFx2Ram)
        return false;
    memcpy(bd.rgbFx2Ram + wValue, pb, cb);
    if (bd.fCpuReset)
        bd.rgbWrittenInReset.insert(bd.rgbWrittenInReset.end(), pb, pb + cb);
    return true;
}

void FW::Fx2CpuRelease()
{
    // The CPU starts whatever was written while it was held: a firmware
    // image when the bytes carry a descriptor, else the host's loader.
    if (FFindFwDesc(bd.rgbWrittenInReset.data(), bd.rgbWrittenInReset.size(), bd.ident)) {
        bd.fwm = fwmApp;
        Log("FX2 runs image pdid=" + std::to_string(bd.ident.pdid));
    } else if (!bd.rgbWrittenInReset.empty()) {
        bd.fwm = fwmLoader;
        Log("FX2 runs loader");
    }
    bd.key = 0;
    bd.rgbWrittenInReset.clear();
    pphase.reset();
}

bool FW::FVrFx3Mem(bool fIn, uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pb, uint16_t cb,
                   std::vector<uint8_t> &rgbIn)
{
    if (bd.fwm != fwmApp)
        return false;
    if (req == 0xD4) {
        rgbIn.push_back(1);
        return true;
    }
    if (req == 0xD3) {
        if (bd.key != keyFx3Spi)
            return false;
        bd.memSpiFlash.Fill(uint32_t(wIndex) * cbSpiBlock, cbSpiBlock, 0xFF);
        return true;
    }
    uint32_t addr = (uint32_t(wValue) << 16) | wIndex;
    if (cb > cbFx3XferMax)
        return false;
    bool fEeprom = req == 0xD1;
    if (fEeprom && (addr & 0xFFFF) + uint32_t(cb) > 0x10000)
        return false;               // the EEPROM's address counter wraps within 64 KB
    SPARSEMEM &mem = fEeprom ? bd.memFx3Eeprom : bd.memSpiFlash;
    if (fIn) {
        rgbIn = mem.Read(addr, cb);
        return true;
    }
    if (bd.key != (fEeprom ? keyFx3Eeprom : keyFx3Spi))
        return false;
    mem.Write(addr, pb, cb);
    return true;
}

} // namespace sim
