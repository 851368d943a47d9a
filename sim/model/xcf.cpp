// xcf.cpp - Platform Flash serial PROM model.

#include "xcf.h"

#include <cstdio>

namespace sim {

namespace {

const XCFGEOM rggeom[] = {
    { "XCF01S", 1u << 17, 256 },
    { "XCF02S", 1u << 18, 512 },
    { "XCF04S", 1u << 19, 512 },
};

BITS BitsOf(uint64_t v, unsigned cbit)
{
    BITS rgbit(cbit);
    for (unsigned ibit = 0; ibit < cbit; ibit++)
        rgbit[ibit] = (v >> ibit) & 1;
    return rgbit;
}

uint64_t ValueOf(const BITS &rgbit)
{
    uint64_t v = 0;
    for (size_t ibit = 0; ibit < rgbit.size() && ibit < 64; ibit++)
        v |= uint64_t(rgbit[ibit] & 1) << ibit;
    return v;
}

} // namespace

const XCFGEOM *PgeomXcf(const std::string &szName)
{
    for (auto &geom : rggeom)
        if (szName == geom.szName)
            return &geom;
    return nullptr;
}

XCF::XCF(const XCFGEOM &geomIn, uint32_t idcodeIn, DEVTIME::FNNOW fnNow)
    : geom(geomIn), idcode(idcodeIn), time(std::move(fnNow)), rgbArray(geomIn.cbArray, 0xFF), ctl(0),
      rgbPageBuf(geomIn.cbPage, 0xFF)
{
    ctl = (1u << CbitCtl()) - 1;
    PowerOn();
}

void XCF::PowerOn()
{
    cyc = cycNone;      // a cycle under way is cut by the power
    fIsp = false;
    addr = 0;
    irCur = irIdcode;
}

void XCF::Reset()
{
    Settle();
    irCur = irIdcode;
}

void XCF::Settle()
{
    if (cyc == cycNone)
        return;
    uint64_t us = time.UsNow() - usCycleStart;
    CYCLE cycDone = cyc;
    cyc = cycNone;
    switch (cycDone) {
    case cycErase:
        if (us < usErase) {
            cEraseShort++;
            return;
        }
        rgbArray.assign(geom.cbArray, 0xFF);
        ctl = (1u << CbitCtl()) - 1;
        cErases++;
        break;
    case cycControlErase:
        if (us < usControlErase) {
            cEraseShort++;
            return;
        }
        ctl = (1u << CbitCtl()) - 1;
        break;
    case cycProgram:
        if (us < usProgram) {
            cProgramShort++;
            return;
        }
        if (addrCycle == AddrCtl()) {
            ctl &= ctlBuf;
        } else {
            uint32_t ib = addrCycle / 32 * geom.cbPage;
            for (uint32_t k = 0; k < geom.cbPage; k++)
                rgbArray[ib + k] &= rgbPageBuf[k];
            cPagesProgrammed++;
        }
        break;
    case cycNone:
        break;
    }
}

void XCF::UpdateIr(uint64_t ir)
{
    Settle();
    irCur = ir & 0xFF;
    if (!fIsp) {
        if (irCur == irConfig && fnConfig)
            fnConfig();
        return;
    }
    switch (irCur) {
    case irFerase:
        cyc = cycErase;
        usCycleStart = time.UsNow();
        break;
    case irSerase:
        cyc = cycControlErase;
        usCycleStart = time.UsNow();
        break;
    case irFpgm:
        if (addr == AddrCtl() || (addr % 32 == 0 && addr / 32 < Cpage())) {
            cyc = cycProgram;
            usCycleStart = time.UsNow();
            addrCycle = addr;
            if (addr != AddrCtl())
                addr += 32;      // the next page follows without a new address
        }
        break;
    case irNormrst:
        fIsp = false;
        break;
    default:
        break;
    }
}

unsigned XCF::CbitDr() const
{
    switch (irCur) {
    case irIdcode:
        return 32;
    case irIspen:
        return 6;
    case irFaddr:
        return 16;
    case irFdata0:
    case irFvfy1:
        return geom.cbPage * 8;
    case irFdata3:
    case irFvfy3:
        return CbitCtl();
    default:
        return 1;
    }
}

BITS XCF::DrCapture()
{
    switch (irCur) {
    case irIdcode:
        return BitsOf(idcode, 32);
    case irFvfy1: {
        Settle();
        BITS rgbit(geom.cbPage * 8, 0);
        if (fIsp && addr % 32 == 0 && addr / 32 < Cpage()) {
            const uint8_t *pb = &rgbArray[addr / 32 * geom.cbPage];
            for (uint32_t ibit = 0; ibit < geom.cbPage * 8; ibit++)
                rgbit[ibit] = (pb[ibit / 8] >> (ibit % 8)) & 1;
        }
        return rgbit;
    }
    case irFvfy3:
        Settle();
        return BitsOf(fIsp ? ctl : 0, CbitCtl());
    default:
        return BITS(CbitDr(), 0);
    }
}

void XCF::UpdateDr(const BITS &rgbit)
{
    if (rgbit.size() != CbitDr())
        return;
    switch (irCur) {
    case irIspen:
        if (ValueOf(rgbit) == 0x34)
            fIsp = true;
        break;
    case irFaddr:
        if (fIsp)
            addr = uint32_t(ValueOf(rgbit));
        break;
    case irFdata0:
        if (fIsp)
            for (uint32_t ib = 0; ib < geom.cbPage; ib++) {
                uint8_t b = 0;
                for (unsigned k = 0; k < 8; k++)
                    b |= uint8_t((rgbit[ib * 8 + k] & 1) << k);
                rgbPageBuf[ib] = b;
            }
        break;
    case irFdata3:
        if (fIsp)
            ctlBuf = uint32_t(ValueOf(rgbit));
        break;
    default:
        break;
    }
}

const std::vector<uint8_t> &XCF::Array()
{
    if (cyc != cycNone) {
        uint64_t us = time.UsNow() - usCycleStart;
        uint64_t usNeed = cyc == cycErase ? usErase : cyc == cycControlErase ? usControlErase : usProgram;
        if (us >= usNeed)
            Settle();
    }
    return rgbArray;
}

std::string XCF::SzDescribe() const
{
    char sz[200];
    snprintf(sz, sizeof(sz), "%s idcode=0x%08X irlen=8 ir=0x%02llX isp=%d addr=0x%04X", geom.szName, idcode,
             (unsigned long long)irCur, fIsp ? 1 : 0, addr);
    return sz;
}

} // namespace sim
