/*
 * tap.h - TAP controller states, the path table of walks between them and
 * the bit-reverse table.
 */
#ifndef JTAGCHAIN_TAP_H
#define JTAGCHAIN_TAP_H

#include <stdint.h>

/* TAP states, numbered as the SVF state names. */
enum {
    tapstReset = 0,     /* Test-Logic-Reset */
    tapstIdle = 1,      /* Run-Test/Idle */
    tapstDrSelect = 2,
    tapstDrCapture = 3,
    tapstDrShift = 4,
    tapstDrExit1 = 5,
    tapstDrPause = 6,
    tapstDrExit2 = 7,
    tapstDrUpdate = 8,
    tapstIrSelect = 9,
    tapstIrCapture = 10,
    tapstIrShift = 11,
    tapstIrExit1 = 12,
    tapstIrPause = 13,
    tapstIrExit2 = 14,
    tapstIrUpdate = 15,
    ctapst = 16,
    tapstNone = 16,     /* no state (unknown SVF name) */
};

/* A walk: cclk clocks, TMS of clock k in bit k of fsTms; TDI 0. */
struct TAPWALK {
    uint8_t cclk;
    uint8_t fsTms;
};

/* The walk the library clocks from state tapstFrom to tapstTo. A walk that
 * ends in a shift state passes that state's capture (a scan captures anew),
 * and no walk passes Test-Logic-Reset unless it ends there. */
TAPWALK TapWalk(int tapstFrom, int tapstTo);

/* The state after one clock with the given TMS value (IEEE 1149.1). */
int TapstNext(int tapst, int tms);

/* The state a walk ends in. */
int TapstAfterWalk(int tapst, TAPWALK walk);

/* Byte with its bit order reversed (bit 0 becomes bit 7). */
extern const uint8_t rgbBitReverse[256];

/* Pair bytes of a walk (bit 2k TDI, bit 2k + 1 TMS); pbPairs holds (cclk + 3) / 4 bytes. */
void WalkToPairs(TAPWALK walk, uint8_t *pbPairs);

#endif /* JTAGCHAIN_TAP_H */
