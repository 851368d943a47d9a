// xc2c.cpp - CoolRunner-II CPLD model.

#include "xc2c.h"

#include <cstdio>

namespace sim {

namespace {

// Rows, cells per row, address bits, done cell (row count - 2).
const XC2CGEOM rggeom[] = {
    { "XC2C32", 50, 260, 6, 250 },   { "XC2C32A", 50, 260, 6, 250 },
    { "XC2C64", 98, 274, 7, 265 },   { "XC2C64A", 98, 274, 7, 265 },
    { "XC2C128", 82, 752, 7, 743 },  { "XC2C256", 98, 1364, 7, 1355 },
    { "XC2C384", 122, 1868, 7, 1859 }, { "XC2C512", 162, 1980, 8, 1971 },
};

} // namespace

const XC2CGEOM *PgeomXc2c(const std::string &szName)
{
    for (auto &geom : rggeom)
        if (szName == geom.szName)
            return &geom;
    return nullptr;
}

XC2C::XC2C(const XC2CGEOM &geomIn, uint32_t idcodeIn, DEVTIME::FNNOW fnNow)
    : geom(geomIn), idcode(idcodeIn), time(std::move(fnNow)), rgrow(geomIn.crow, BITS(geomIn.cbitRow, 1))
{
    PowerOn();
}

void XC2C::PowerOn()
{
    // the array is non-volatile; a cycle under way is cut by the power
    fErasing = fProgramming = false;
    fIsc = false;
    fConfigured = true;
    Reset();
}

void XC2C::Reset()
{
    Settle(true);
    irCur = irIdcode;
}

void XC2C::Settle(bool fEraseToo)
{
    uint64_t usNow = time.UsNow();
    if (fErasing && fEraseToo) {
        fErasing = false;
        if (usNow - usEraseStart >= usErase) {
            for (auto &row : rgrow)
                row.assign(geom.cbitRow, 1);
            cErases++;
        } else {
            cEraseShort++;
        }
    }
    if (fProgramming) {
        fProgramming = false;
        if (usNow - usProgramStart < usProgram) {
            cProgramShort++;
            return;
        }
        BITS &row = rgrow[irowProgram];
        bool fUnerased = false;
        for (unsigned ibit = 0; ibit < geom.cbitRow; ibit++) {
            if (rgbitProgram[ibit] == 0) {
                fUnerased |= row[ibit] == 0;
                row[ibit] = 0;
            }
        }
        cProgramUnerased += fUnerased;
        cRowsProgrammed++;
    }
}

bool XC2C::FDone() const
{
    return fConfigured && !fIsc && !FCell(geom.crow - 2, geom.ibitDone);
}

bool XC2C::FProtected() const
{
    for (unsigned isec = 0; isec < csec; isec++)
        if (!FCell(geom.crow - 1, 8 + isec))
            return true;
    return false;
}

uint64_t XC2C::IrCapture() const
{
    return 1u | (FDone() ? 1u << 2 : 0) | (fIsc ? 1u << 3 : 0) | (FProtected() ? 1u << 4 : 0);
}

void XC2C::UpdateIr(uint64_t ir)
{
    Settle(true);
    irCur = ir & 0xFF;
    if (irCur == irIscEnable) {
        fIsc = true;
        fConfigured = false;
    } else if (irCur == irIscDisable && fIsc) {
        fIsc = false;
        fConfigured = true;      // the device loads its configuration from the array
    } else if (irCur == irIscErase && fIsc) {
        fErasing = true;
        usEraseStart = time.UsNow();
    }
}

unsigned XC2C::CbitDr() const
{
    switch (irCur) {
    case irIdcode:
    case irUsercode:
        return 32;
    case irIscProgram:
    case irIscRead:
        return geom.cbitRow + geom.cbitAddr;
    default:
        return 1;
    }
}

unsigned XC2C::IrowFromAddr(const BITS &rgbit) const
{
    // the address follows the cells, most significant bit first; rows go by Gray code
    unsigned gray = 0;
    for (unsigned ibit = 0; ibit < geom.cbitAddr; ibit++)
        gray = (gray << 1) | (rgbit[geom.cbitRow + ibit] & 1);
    unsigned irow = 0;
    for (; gray != 0; gray >>= 1)
        irow ^= gray;
    return irow;
}

BITS XC2C::DrCapture()
{
    Settle(false);
    if (irCur == irIdcode || irCur == irUsercode) {
        uint32_t w = irCur == irIdcode ? idcode : 0xFFFFFFFF;
        BITS rgbit(32);
        for (unsigned ibit = 0; ibit < 32; ibit++)
            rgbit[ibit] = (w >> ibit) & 1;
        return rgbit;
    }
    if (irCur == irIscRead || irCur == irIscProgram) {
        BITS rgbit(geom.cbitRow + geom.cbitAddr, 0);
        if (irCur == irIscRead && fIsc && !FProtected() && irowRead < geom.crow)
            for (unsigned ibit = 0; ibit < geom.cbitRow; ibit++)
                rgbit[ibit] = rgrow[irowRead][ibit];
        return rgbit;
    }
    return BITS(1, 0);
}

void XC2C::UpdateDr(const BITS &rgbit)
{
    Settle(false);
    if (!fIsc || rgbit.size() != geom.cbitRow + geom.cbitAddr)
        return;
    unsigned irow = IrowFromAddr(rgbit);
    if (irCur == irIscRead) {
        irowRead = irow;
    } else if (irCur == irIscProgram && irow < geom.crow && !FProtected()) {
        fProgramming = true;
        usProgramStart = time.UsNow();
        irowProgram = irow;
        rgbitProgram.assign(rgbit.begin(), rgbit.begin() + geom.cbitRow);
    }
}

void XC2C::Tck(TAPSTATE)
{
    time.Tck();
}

BITS XC2C::Row(unsigned irow)
{
    // a cycle that has had its time is done by now
    uint64_t usNow = time.UsNow();
    if ((fErasing && usNow - usEraseStart >= usErase) || (fProgramming && usNow - usProgramStart >= usProgram))
        Settle(true);
    return irow < geom.crow ? rgrow[irow] : BITS();
}

std::string XC2C::SzDescribe() const
{
    char sz[200];
    snprintf(sz, sizeof(sz), "%s idcode=0x%08X irlen=8 ir=0x%02llX isc=%d done=%d protect=%d", geom.szName, idcode,
             (unsigned long long)irCur, fIsc ? 1 : 0, FDone() ? 1 : 0, FProtected() ? 1 : 0);
    return sz;
}

} // namespace sim
