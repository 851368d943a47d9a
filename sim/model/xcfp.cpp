// xcfp.cpp - Platform Flash XCFxxP PROM model.

#include "xcfp.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

uint32_t SizeOf(const std::string &szName)
{
    return szName == "XCF08P" ? 1u << 20 : szName == "XCF16P" ? 2u << 20 : szName == "XCF32P" ? 4u << 20 : 0;
}

uint64_t ValueOf(const BITS &rgbit)
{
    uint64_t v = 0;
    for (size_t ibit = 0; ibit < rgbit.size() && ibit < 64; ibit++)
        v |= uint64_t(rgbit[ibit] & 1) << ibit;
    return v;
}

} // namespace

bool XCFP::FKnown(const std::string &szName)
{
    return SizeOf(szName) != 0;
}

XCFP::XCFP(const std::string &szNameIn, uint32_t idcodeIn, DEVTIME::FNNOW fnNow)
    : szName(szNameIn), idcode(idcodeIn), time(std::move(fnNow)), rgbArray(SizeOf(szNameIn), 0xFF),
      rgbData(cbPage, 0xFF)
{
    PowerOn();
}

void XCFP::PowerOn()
{
    fErasing = fProgramming = false;
    fIsp = false;
    maskUnlocked = 0;
    addr = 0;
    irCur = irIdcode;
}

void XCFP::Reset()
{
    Settle();
    irCur = irIdcode;
}

void XCFP::Settle()
{
    uint64_t us = time.UsNow() - usStart;
    if (fErasing) {
        fErasing = false;
        if (us < usErase) {
            cEraseShort++;
        } else {
            /* blocks of equal size, the last one to the end of the flash */
            size_t cbBlock = rgbArray.size() / cblock;
            for (unsigned iblock = 0; iblock < cblock; iblock++) {
                size_t ibEnd = iblock + 1 == cblock ? rgbArray.size() : (iblock + 1) * cbBlock;
                if (maskErase & maskUnlocked & (1u << iblock))
                    std::fill(rgbArray.begin() + long(iblock * cbBlock), rgbArray.begin() + long(ibEnd), uint8_t(0xFF));
            }
            regDone = 0xFF;
        }
    }
    if (fProgramming) {
        fProgramming = false;
        if (us < usProgram) {
            cProgramShort++;
            return;
        }
        switch (irProgrammed) {
        case irDataShift:
            for (uint32_t k = 0; k < cbPage; k++)
                rgbArray[addrProgram + k] &= rgbData[k];
            cPagesProgrammed++;
            break;
        case irBtc: regBtc &= regLoaded; break;
        case irSucr: regSucr &= regLoaded; break;
        case irCcb: regCcb &= regLoaded; break;
        case irDone: regDone &= regLoaded; break;
        default: break;
        }
    }
}

void XCFP::UpdateIr(uint64_t ir)
{
    Settle();
    irCur = ir & 0xFFFF;
    if (!fIsp) {
        if (irCur == irConfig && fnConfig)
            fnConfig();
        return;
    }
    if (irCur == irNormrst) {
        fIsp = false;
    } else if (irCur == irProgram && irData != 0) {
        if (irData == irDataShift && addr + cbPage > rgbArray.size())
            return;
        fProgramming = true;
        usStart = time.UsNow();
        irProgrammed = irData;
        addrProgram = addr;
        if (irData == irDataShift)
            addr += cbPage;      // the next page follows without a new address
    }
}

unsigned XCFP::CbitDr() const
{
    switch (irCur) {
    case irIdcode: return 32;
    case irIspen: return 8;
    case irUnlock: case irErase: case irAddressShift: return 24;
    case irDataShift: return cbPage * 8;
    case irBtc: return 32;
    case irSucr: case irCcb: return 16;
    case irDone: return 8;
    default: return 1;
    }
}

BITS XCFP::DrCapture()
{
    BITS rgbit(CbitDr(), 0);
    if (irCur == irIdcode)
        for (unsigned ibit = 0; ibit < 32; ibit++)
            rgbit[ibit] = (idcode >> ibit) & 1;
    return rgbit;
}

void XCFP::UpdateDr(const BITS &rgbit)
{
    if (rgbit.size() != CbitDr())
        return;
    uint64_t v = ValueOf(rgbit);
    if (irCur == irIspen) {
        fIsp = true;
        return;
    }
    if (!fIsp)
        return;
    switch (irCur) {
    case irUnlock:
        maskUnlocked = uint32_t(v);
        break;
    case irErase:
        Settle();
        fErasing = true;
        maskErase = uint32_t(v);
        usStart = time.UsNow();
        break;
    case irAddressShift:
        addr = uint32_t(v);
        break;
    case irDataShift:
        for (uint32_t ib = 0; ib < cbPage; ib++) {
            uint8_t b = 0;
            for (unsigned k = 0; k < 8; k++)
                b |= uint8_t((rgbit[ib * 8 + k] & 1) << k);
            rgbData[ib] = b;
        }
        irData = irCur;
        break;
    case irBtc: case irSucr: case irCcb: case irDone:
        regLoaded = uint32_t(v);
        irData = irCur;
        break;
    default:
        break;
    }
}

const std::vector<uint8_t> &XCFP::Array()
{
    uint64_t us = time.UsNow() - usStart;
    if ((fErasing && us >= usErase) || (fProgramming && us >= usProgram))
        Settle();
    return rgbArray;
}

std::string XCFP::SzDescribe() const
{
    char sz[200];
    snprintf(sz, sizeof(sz), "%s idcode=0x%08X irlen=16 ir=0x%04llX isp=%d addr=0x%06X", szName.c_str(), idcode,
             (unsigned long long)irCur, fIsp ? 1 : 0, addr);
    return sz;
}

} // namespace sim
