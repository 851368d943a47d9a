/*
 * magmg.h - MAGMG, the registry of the process's transport managers.
 *
 * Row r holds the managers of transport bit 1 << r in registration order.
 * Written only during start-up and shut-down, when no client call runs, so
 * it has no lock. Records no errors of its own: failures answer 0 or NULL.
 */
#ifndef MAGMG_H
#define MAGMG_H

#include <stdint.h>

class MAG;

class MAGMG {
public:
    int FInit();
    void Term();
    void FClear();
    int FAddMag(uint32_t tpt, uint32_t ptc, MAG *pmag);
    /* The manager's FInit and its registration as (tpt, ptc), unless it is
     * registered there already; a failed registration ends it again (Term). */
    int FStartMag(uint32_t tpt, uint32_t ptc, MAG *pmag);
    MAG *PmagFromTptPtc(uint32_t tpt, uint32_t ptc);
    MAG *PmagFromTptIndex(uint32_t tpt, uint8_t imag, uint16_t *pptc);
    uint8_t CmagFromTpt(uint32_t tpt);

    enum { ctptMax = 16, cmagTptMax = 16 };

private:
    struct MAGENT {
        uint16_t ptc;              /* 0 = empty */
        MAG *pmag;
    };
    struct MAGROW {
        MAGENT rgent[cmagTptMax];
        uint8_t cent;
    };
    /* Row of a single transport bit among bits 0 to 15, or NULL. */
    MAGROW *ProwFromTpt(uint32_t tpt);

    MAGROW rgrow[ctptMax];
};

extern MAGMG magmg;

#endif /* MAGMG_H */
