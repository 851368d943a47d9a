// dsgbusbridge.cpp - the bus-bridge and switches test designs.

#include "dsgbusbridge.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

const uint32_t cbRam = 16u << 20;
const uint32_t cbBlock = 128u << 10;

uint32_t CodeClamped(uint32_t code)
{
    return std::min<uint32_t>(std::max<uint32_t>(code, 18), 24);
}

std::string SzHex(uint32_t u)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%X", u);
    return sz;
}

} // namespace

bool FGetSwitchesButtons(const DESIGNENV &env, uint8_t reg, uint8_t &b)
{
    if (reg == 0x80) {
        b = uint8_t(env.UOpt("buttons") & 0xF0);
        return true;
    }
    if (reg == 0x82) {
        b = uint8_t(env.UOpt("switches"));
        return true;
    }
    return false;
}

bool DSGSWITCHES::FPut(uint8_t reg, uint8_t)
{
    return reg == 0x80 || reg == 0x82;   // inputs: writes change nothing
}

bool DSGSWITCHES::FGet(uint8_t reg, uint8_t &b)
{
    return FGetSwitchesButtons(env, reg, b);
}

// The flash is made at the size the code gives the first time a design of
// the board runs; the code register reports the option as it stands.
DSGBUSBRIDGE::DSGBUSBRIDGE(DESIGNENV &envIn, uint32_t codeDefault)
    : SIMDESIGN(envIn),
      codeFlash(uint32_t(envIn.UOpt("flashcode", codeDefault))),
      cbFlash(0),
      usReady(DESIGNENV::UsNow() + envIn.UsScaled(envIn.UOpt("readyms", 300) * 1000)),
      flash(envIn.Flash("flash", {{(1u << CodeClamped(codeFlash)) / cbBlock, cbBlock}})),
      nor(flash, 0x0089, 0x0018)
{
    cbFlash = flash.CbSize();
    envIn.Ram("ram", cbRam);
}

std::unique_ptr<SIMDESIGN> DSGBUSBRIDGE::PdesignMiravo2(DESIGNENV &env)
{
    return std::make_unique<DSGBUSBRIDGE>(env, 24);
}

std::unique_ptr<SIMDESIGN> DSGBUSBRIDGE::PdesignMiravo(DESIGNENV &env)
{
    return std::make_unique<DSGBUSBRIDGE>(env, 22);
}

bool DSGBUSBRIDGE::FFlashBusy()
{
    return env.UOpt("fault.erasehang") != 0 || flash.FBusy();
}

void DSGBUSBRIDGE::RamWrite()
{
    uint32_t addr = Addr() % cbRam;
    uint32_t bitAlias = uint32_t(env.UOpt("fault.ramalias", 32));
    if (bitAlias < 32)
        addr &= ~(1u << bitAlias);
    env.Ram("ram", cbRam).Write(addr, &bOut, 1);
    env.Log("ram write " + SzHex(addr) + " " + SzHex(bOut));
}

uint8_t DSGBUSBRIDGE::BRamRead()
{
    uint32_t addr = Addr() % cbRam;
    uint32_t bitAlias = uint32_t(env.UOpt("fault.ramalias", 32));
    if (bitAlias < 32)
        addr &= ~(1u << bitAlias);
    uint8_t b = env.Ram("ram", cbRam).Read(addr, 1)[0];
    return uint8_t(b & ~env.UOpt("fault.ramstuck"));
}

void DSGBUSBRIDGE::Control(uint8_t b)
{
    switch (b) {
    case 0xFB:
        if (bCtlLast == 0xF9)
            RamWrite();
        break;
    case 0xFA:
        bIn = BRamRead();
        break;
    case 0x37:
        if (bCtlLast == 0x35) {
            if (bOut == 0xD0 && FFlashBusy() == false)
                env.Log("flash erase " + SzHex((IwFlash() * 2) & ~(cbBlock - 1)));
            nor.Write(IwFlash(), bOut);
        }
        break;
    case 0x36: {
        uint16_t w = nor.Read(IwFlash());
        if (env.UOpt("fault.erasehang") != 0)
            w &= 0x7F;
        bIn = uint8_t(w);
        break;
    }
    default:
        break;
    }
    bCtlLast = b;
}

bool DSGBUSBRIDGE::FPut(uint8_t reg, uint8_t b)
{
    switch (reg) {
    case 0:
        Control(b);
        return true;
    case 1:
    case 2:
    case 3:
        rgbAddr[reg - 1] = b;
        iWordWrite = iWordRead = 0;
        return true;
    case 4:
        bOut = b;
        return true;
    case 7:
        if (iWordWrite++ == 0) {
            bWordLow = b;
        } else {
            iWordWrite = 0;
            uint16_t w = uint16_t(bWordLow | b << 8);
            uint16_t wStuck = uint16_t(env.UOpt("fault.flashstuck") * 0x101);
            nor.Write(IwFlash(), 0x40);
            nor.Write(IwFlash(), uint16_t(w | wStuck));
            env.Log("flash program " + SzHex(IwFlash() * 2) + " " + SzHex(w));
        }
        return true;
    case 5:
    case 8:
    case 14:
    case 0x80:
    case 0x82:
        return true;   // read-only: writes change nothing
    default:
        return false;
    }
}

bool DSGBUSBRIDGE::FGet(uint8_t reg, uint8_t &b)
{
    switch (reg) {
    case 1:
    case 2:
    case 3:
        b = rgbAddr[reg - 1];
        return true;
    case 4:
        b = bOut;
        return true;
    case 5:
        b = bIn;
        return true;
    case 7:
        if (iWordRead++ == 0) {
            wRead = nor.Read(IwFlash());
            b = uint8_t(wRead);
        } else {
            iWordRead = 0;
            b = uint8_t(wRead >> 8);
        }
        return true;
    case 8:
        b = env.UOpt("fault.noready") == 0 && DESIGNENV::UsNow() >= usReady ? 1 : 0;
        return true;
    case 14:
        b = uint8_t(env.UOpt("flashcode", codeFlash));
        return true;
    default:
        return FGetSwitchesButtons(env, reg, b);
    }
}

} // namespace sim
