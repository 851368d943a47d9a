// dsgmiravo2mem.cpp - the Miravo2 memory design's bus bridge.

#include "dsgmiravo2mem.h"

#include <cstdio>

namespace sim {

namespace {

const uint8_t ctlStrobe1 = 0x15, ctlStrobe2 = 0x17, ctlIdle = 0x1F, ctlStatus = 0x16, ctlStream = 0x3F;
const uint8_t bitReady = 0x80;

std::string SzHexAddr(uint32_t addr)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%06X", addr);
    return sz;
}

} // namespace

DSGMIRAVO2MEM::DSGMIRAVO2MEM(DESIGNENV &envIn)
    : SIMDESIGN(envIn), ram(envIn.Ram("ram", cbMem)),
      flash(envIn.Flash("flash", {{cbMem / cbBlock, cbBlock}}, FLASHTIMES{0, 20000})), bpi(flash, 0, 0)
{
}

void DSGMIRAVO2MEM::Control(uint8_t b)
{
    switch (b) {
    case ctlStrobe1:
        istrobe = 1;
        return;
    case ctlStrobe2:
        istrobe = istrobe == 1 ? 2 : 0;
        return;
    case ctlIdle:
        if (istrobe == 2)
            FlashCommand();
        istrobe = 0;
        fWindow = false;
        return;
    case ctlStatus:
        fWindow = true;
        istrobe = 0;
        return;
    case ctlStream:
        addrStream = AddrRegs();
        bLowPending = -1;
        iwRead = -1;
        istrobe = 0;
        return;
    default:
        istrobe = 0;
        return;
    }
}

void DSGMIRAVO2MEM::FlashCommand()
{
    uint32_t addr = AddrRegs();
    bool fEraseStep = false;
    // A confirm that follows the erase set-up starts a block erase.
    if (bCmd == 0xD0 && fEraseArmed)
        fEraseStep = true;
    fEraseArmed = bCmd == 0x20;
    bpi.Write(addr / 2, bCmd);
    iwRead = -1;
    if (!fEraseStep)
        return;
    uint32_t addrBlock = addr - addr % cbBlock;
    env.Log("erase " + SzHexAddr(addrBlock));
    if (env.FHasOpt("flash.erasezero")) {
        const uint8_t b0 = 0;
        flash.Poke(addrBlock + uint32_t(env.UOpt("flash.erasezero") % cbBlock), &b0, 1);
    }
}

void DSGMIRAVO2MEM::FlashStreamPut(uint8_t b)
{
    uint32_t addr = addrStream;
    addrStream = (addrStream + 1) % cbMem;
    iwRead = -1;
    if (env.FHasOpt("flash.programflip") && env.UOpt("flash.programflip") == addr)
        b ^= 0x01;
    if (addr % 2 == 0) {
        bLowPending = b;
        return;
    }
    uint16_t w = uint16_t((bLowPending < 0 ? 0xFF : bLowPending) | b << 8);
    bLowPending = -1;
    bpi.Write(addr / 2, 0x40);
    bpi.Write(addr / 2, w);
}

uint8_t DSGMIRAVO2MEM::FlashStreamGet()
{
    uint32_t addr = addrStream;
    addrStream = (addrStream + 1) % cbMem;
    if (iwRead != int64_t(addr / 2)) {
        wRead = bpi.Read(addr / 2);
        iwRead = addr / 2;
    }
    return uint8_t(addr % 2 ? wRead >> 8 : wRead);
}

bool DSGMIRAVO2MEM::FPut(uint8_t reg, uint8_t b)
{
    switch (reg) {
    case 0:
        Control(b);
        return false;
    case 1:
    case 2:
    case 3:
        rgbAddr[reg - 1] = b;
        return false;
    case 4:
        bCmd = b;
        return false;
    case 6: {
        uint8_t bRam = uint8_t((b & ~env.UOpt("ram.stuck0", 0)) | env.UOpt("ram.stuck1", 0));
        ram.Write(addrStream, &bRam, 1);
        addrStream = (addrStream + 1) % cbMem;
        return true;
    }
    case 7:
        FlashStreamPut(b);
        return true;
    default:
        return false;
    }
}

bool DSGMIRAVO2MEM::FGet(uint8_t reg, uint8_t &b)
{
    switch (reg) {
    case 5:
        b = 0;
        if (fWindow) {
            b = uint8_t(bpi.Read(AddrRegs() / 2));
            if (env.FHasOpt("flash.erasenotready"))
                b &= uint8_t(~bitReady);
        }
        return true;
    case 6:
        ram.Read(addrStream, &b, 1);
        addrStream = (addrStream + 1) % cbMem;
        return true;
    case 7:
        b = FlashStreamGet();
        return true;
    default:
        return false;
    }
}

std::unique_ptr<SIMDESIGN> PdesignMiravo2Mem(DESIGNENV &env)
{
    return std::make_unique<DSGMIRAVO2MEM>(env);
}

} // namespace sim
