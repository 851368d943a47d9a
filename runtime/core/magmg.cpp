/*
 * magmg.cpp - the manager registry.
 */
#include <string.h>

#include "mag.h"
#include "magmg.h"

MAGMG magmg;

MAGMG::MAGROW *MAGMG::ProwFromTpt(uint32_t tpt)
{
    tpt &= 0xFFFF;
    if (tpt == 0 || (tpt & (tpt - 1)) != 0)
        return nullptr;
    int irow = 0;
    while ((tpt >> irow) != 1)
        irow++;
    return &rgrow[irow];
}

int MAGMG::FInit()
{
    FClear();
    return 1;
}

void MAGMG::Term()
{
    FClear();
}

void MAGMG::FClear()
{
    memset(rgrow, 0, sizeof(rgrow));
}

int MAGMG::FAddMag(uint32_t tpt, uint32_t ptc, MAG *pmag)
{
    tpt &= 0xFFFF;
    ptc &= 0xFFFF;
    MAGROW *prow = ProwFromTpt(tpt);
    if (pmag == nullptr || ptc == 0 || prow == nullptr)
        return 0;
    for (int ient = 0; ient < prow->cent; ient++) {
        if (prow->rgent[ient].ptc == ptc)
            return 0;
    }
    if (prow->cent >= cmagTptMax)
        return 0;
    prow->rgent[prow->cent].ptc = (uint16_t)ptc;
    prow->rgent[prow->cent].pmag = pmag;
    prow->cent++;
    return 1;
}

int MAGMG::FStartMag(uint32_t tpt, uint32_t ptc, MAG *pmag)
{
    /* Registered already (the shipped library does it at start-up): nothing to do. */
    if (PmagFromTptPtc(tpt, ptc) == pmag)
        return 1;
    if (!pmag->FInit())
        return 0;
    if (!FAddMag(tpt, ptc, pmag)) {
        pmag->Term();
        return 0;
    }
    return 1;
}

MAG *MAGMG::PmagFromTptPtc(uint32_t tpt, uint32_t ptc)
{
    MAGROW *prow = ProwFromTpt(tpt);
    if (prow == nullptr || tpt == 0 || ptc == 0)
        return nullptr;
    for (int ient = 0; ient < prow->cent; ient++) {
        if (prow->rgent[ient].ptc == ptc)
            return prow->rgent[ient].pmag;
    }
    return nullptr;
}

MAG *MAGMG::PmagFromTptIndex(uint32_t tpt, uint8_t imag, uint16_t *pptc)
{
    MAGROW *prow = ProwFromTpt(tpt);
    if (prow == nullptr || imag >= prow->cent || prow->rgent[imag].ptc == 0)
        return nullptr;
    if (pptc)
        *pptc = prow->rgent[imag].ptc;
    return prow->rgent[imag].pmag;
}

uint8_t MAGMG::CmagFromTpt(uint32_t tpt)
{
    MAGROW *prow = ProwFromTpt(tpt);
    return prow ? prow->cent : 0;
}
