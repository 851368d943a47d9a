// The power meter's device over Kelm and Mosk (pwrmosk.h).

#include "pwrmosk.h"

#include "kelm.h"
#include "mosk.h"

static_assert(cchPwrLabel == cchMoskRailLabel, "a rail label as the library gives it");

PWRDEVMOSK::~PWRDEVMOSK()
{
    Close();
}

bool PWRDEVMOSK::FOpen()
{
    HIF hifNew = 0;
    if (!KelmOpen(&hifNew, szConn.c_str()))
        return false;
    hif = hifNew;
    return true;
}

void PWRDEVMOSK::Close()
{
    if (hif != 0)
        KelmClose(hif);
    hif = 0;
}

bool PWRDEVMOSK::FCount(int *pcrail)
{
    return MoskGetPowerSupplyCount(hif, pcrail) != 0;
}

bool PWRDEVMOSK::FProps(int irail, int32_t *pkV, int32_t *pkI)
{
    uint32_t kV = 0, kI = 0;
    if (!MoskGetPowerSupplyProperties(hif, irail, pkV != nullptr ? &kV : nullptr, &kI, nullptr, nullptr))
        return false;
    if (pkV != nullptr)
        *pkV = int32_t(kV);
    *pkI = int32_t(kI);
    return true;
}

bool PWRDEVMOSK::FLabel(int irail, char *szLabel)
{
    return MoskGetPowerSupplyLabel(hif, irail, szLabel) != 0;
}

bool PWRDEVMOSK::FData(int irail, int32_t *prawV, int32_t *prawI)
{
    uint32_t rawV = 0, rawI = 0;
    if (!MoskGetPowerSupplyData(hif, irail, prawV != nullptr ? &rawV : nullptr, &rawI, nullptr, nullptr, nullptr))
        return false;
    if (prawV != nullptr)
        *prawV = int32_t(rawV);
    *prawI = int32_t(rawI);
    return true;
}
