// The self-test page's device calls (tstkelm.h).

#include "tstkelm.h"

#include "kelm.h"
#include "mosk.h"
#include "vesk.h"

bool TSTSITEKELM::FOpen(uint32_t *phif)
{
    HIF hif = 0;
    if (!KelmOpen(&hif, SzConn()))
        return false;
    *phif = hif;
    return true;
}

bool TSTSITEKELM::FClose(uint32_t hif)
{
    return KelmClose(hif) != 0;
}

bool TSTSITEKELM::FEnable(uint32_t hif)
{
    return VeskEnable(hif) != 0;
}

void TSTSITEKELM::Disable(uint32_t hif)
{
    VeskDisable(hif);
}

bool TSTSITEKELM::FPutReg(uint32_t hif, uint8_t reg, uint8_t b)
{
    return VeskPutReg(hif, reg, b, 0) != 0;
}

bool TSTSITEKELM::FGetReg(uint32_t hif, uint8_t reg, uint8_t *pb)
{
    return VeskGetReg(hif, reg, pb, 0) != 0;
}

bool TSTSITEKELM::FConfigReset(uint32_t hif, bool fAssert)
{
    return MoskConfigReset(hif, fAssert ? 1 : 0) != 0;
}
