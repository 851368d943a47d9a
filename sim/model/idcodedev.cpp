// idcodedev.cpp - IDCODE/BYPASS device model.

#include "idcodedev.h"

#include <cstdio>

namespace sim {

IDCODEDEV::IDCODEDEV(const std::string &szNameIn, uint32_t idcodeIn, unsigned cbitIrIn, uint64_t irIdcodeIn)
    : szName(szNameIn), idcode(idcodeIn), cbitIr(cbitIrIn < 2 ? 2 : cbitIrIn),
      irIdcode(irIdcodeIn), irCur(irIdcodeIn)
{
    irIdcode &= MaskIr();
    irCur = irIdcode;
}

unsigned IDCODEDEV::CbitDr() const
{
    return irCur == irIdcode ? 32 : 1;
}

BITS IDCODEDEV::DrCapture()
{
    if (irCur != irIdcode)
        return BITS(1, 0);          // bypass captures 0
    BITS rgbit(32);
    for (unsigned ibit = 0; ibit < 32; ibit++)
        rgbit[ibit] = (idcode >> ibit) & 1;
    return rgbit;
}

std::string IDCODEDEV::SzDescribe() const
{
    char sz[160];
    snprintf(sz, sizeof(sz), "%s idcode=0x%08X irlen=%u ir=0x%llX dr=%s", szName.c_str(), idcode, cbitIr,
             (unsigned long long)irCur, irCur == irIdcode ? "IDCODE" : "BYPASS");
    return sz;
}

} // namespace sim
