// A flash operation's device calls (flashdev.h).

#include "flashdev.h"

#include "kelm.h"
#include "mosk.h"
#include "tarv.h"
#include "vesk.h"

bool DEVFLASHPORTS::FOpen()
{
    HIF hifNew = 0;
    if (!KelmOpen(&hifNew, szConn.c_str()))
        return false;
    hif = hifNew;
    return true;
}

bool DEVFLASHPORTS::FEnable()
{
    return VeskEnable(hif) != 0;
}

bool DEVFLASHPORTS::FConfigReset(bool fAssert)
{
    return MoskConfigReset(hif, fAssert ? 1 : 0) != 0;
}

bool DEVFLASHPORTS::FPutReg(uint8_t reg, uint8_t b)
{
    return VeskPutReg(hif, reg, b, 0) != 0;
}

bool DEVFLASHPORTS::FGetReg(uint8_t reg, uint8_t *pb)
{
    return VeskGetReg(hif, reg, pb, 0) != 0;
}

bool DEVFLASHPORTS::FPutRegRepeat(uint8_t reg, const uint8_t *pb, uint32_t cb)
{
    return VeskPutRegRepeat(hif, reg, pb, cb, 0) != 0;
}

bool DEVFLASHPORTS::FGetRegRepeat(uint8_t reg, uint8_t *pb, uint32_t cb)
{
    return VeskGetRegRepeat(hif, reg, pb, cb, 0) != 0;
}

void DEVFLASHPORTS::Disable()
{
    VeskDisable(hif);
}

void DEVFLASHPORTS::TarvDisable()
{
    ::TarvDisable(hif);
}

void DEVFLASHPORTS::Close()
{
    if (hif != 0)
        KelmClose(hif);
    hif = 0;
}
