#include "tap.h"

#include <string.h>

namespace {

/* TMS values in clock order; "" is the empty walk. Rows: from, columns: to. */
const char *const rgszWalk[ctapst][ctapst] = {
    /* RESET */     {"", "0", "01", "010", "0100", "0101", "01010", "010101", "0101011", "011", "0110", "01100", "01101", "011010", "0110101", "011011"},
    /* IDLE */      {"111", "", "1", "10", "100", "101", "1010", "10101", "1011", "11", "110", "1100", "1101", "11010", "110101", "11011"},
    /* DRSELECT */  {"11", "110", "", "0", "00", "01", "010", "0101", "011", "1", "10", "100", "101", "1010", "10101", "1011"},
    /* DRCAPTURE */ {"11111", "110", "111", "", "0", "1", "10", "101", "11", "1111", "11110", "111100", "111101", "1111010", "11110101", "1111011"},
    /* DRSHIFT */   {"11111", "110", "111", "1110", "", "1", "10", "101", "11", "1111", "11110", "111100", "111101", "1111010", "11110101", "1111011"},
    /* DREXIT1 */   {"1111", "10", "11", "110", "1100", "", "0", "01", "1", "111", "1110", "11100", "11101", "111010", "1110101", "111011"},
    /* DRPAUSE */   {"11111", "110", "111", "1110", "11100", "11101", "", "1", "11", "1111", "11110", "111100", "111101", "1111010", "11110101", "1111011"},
    /* DREXIT2 */   {"1111", "10", "11", "110", "1100", "1101", "11010", "", "1", "111", "1110", "11100", "11101", "111010", "1110101", "111011"},
    /* DRUPDATE */  {"111", "0", "1", "10", "100", "101", "1010", "10101", "", "11", "110", "1100", "1101", "11010", "110101", "11011"},
    /* IRSELECT */  {"1", "0110", "0111", "01110", "011100", "011101", "0111010", "01110101", "0111011", "", "0", "00", "01", "010", "0101", "011"},
    /* IRCAPTURE */ {"11111", "110", "111", "1110", "11100", "11101", "111010", "1110101", "111011", "1111", "", "0", "1", "10", "101", "11"},
    /* IRSHIFT */   {"11111", "110", "111", "1110", "11100", "11101", "111010", "1110101", "111011", "1111", "11110", "", "1", "10", "101", "11"},
    /* IREXIT1 */   {"1111", "10", "11", "110", "1100", "1101", "11010", "110101", "11011", "111", "1110", "11100", "", "0", "01", "1"},
    /* IRPAUSE */   {"11111", "110", "111", "1110", "11100", "11101", "111010", "1110101", "111011", "1111", "11110", "111100", "111101", "", "1", "11"},
    /* IREXIT2 */   {"1111", "10", "11", "110", "1100", "1101", "11010", "110101", "11011", "111", "1110", "11100", "11101", "111010", "", "1"},
    /* IRUPDATE */  {"111", "0", "1", "10", "100", "101", "1010", "10101", "1011", "11", "110", "1100", "1101", "11010", "110101", ""},
};


/* Next state for TMS 0 and TMS 1. */
const uint8_t rgtapstNext[ctapst][2] = {
    {tapstIdle, tapstReset},          /* RESET */
    {tapstIdle, tapstDrSelect},       /* IDLE */
    {tapstDrCapture, tapstIrSelect},  /* DRSELECT */
    {tapstDrShift, tapstDrExit1},     /* DRCAPTURE */
    {tapstDrShift, tapstDrExit1},     /* DRSHIFT */
    {tapstDrPause, tapstDrUpdate},    /* DREXIT1 */
    {tapstDrPause, tapstDrExit2},     /* DRPAUSE */
    {tapstDrShift, tapstDrUpdate},    /* DREXIT2 */
    {tapstIdle, tapstDrSelect},       /* DRUPDATE */
    {tapstIrCapture, tapstReset},     /* IRSELECT */
    {tapstIrShift, tapstIrExit1},     /* IRCAPTURE */
    {tapstIrShift, tapstIrExit1},     /* IRSHIFT */
    {tapstIrPause, tapstIrUpdate},    /* IREXIT1 */
    {tapstIrPause, tapstIrExit2},     /* IRPAUSE */
    {tapstIrShift, tapstIrUpdate},    /* IREXIT2 */
    {tapstIdle, tapstDrSelect},       /* IRUPDATE */
};

} // namespace

/* Entry i is i with its bits in reverse order. */
const uint8_t rgbBitReverse[256] = {
#define R2(n) n, n + 2 * 64, n + 1 * 64, n + 3 * 64
#define R4(n) R2(n), R2(n + 2 * 16), R2(n + 1 * 16), R2(n + 3 * 16)
#define R6(n) R4(n), R4(n + 2 * 4), R4(n + 1 * 4), R4(n + 3 * 4)
    R6(0), R6(2), R6(1), R6(3)
#undef R6
#undef R4
#undef R2
};

TAPWALK TapWalk(int tapstFrom, int tapstTo)
{
    TAPWALK walk = {0, 0};
    if (tapstFrom < 0 || tapstFrom >= ctapst || tapstTo < 0 || tapstTo >= ctapst)
        return walk;
    const char *sz = rgszWalk[tapstFrom][tapstTo];
    for (; sz[walk.cclk] != '\0'; walk.cclk++)
        if (sz[walk.cclk] == '1')
            walk.fsTms |= (uint8_t)(1u << walk.cclk);
    return walk;
}

int TapstNext(int tapst, int tms)
{
    if (tapst < 0 || tapst >= ctapst)
        return tapstNone;
    return rgtapstNext[tapst][tms ? 1 : 0];
}

int TapstAfterWalk(int tapst, TAPWALK walk)
{
    for (int k = 0; k < walk.cclk; k++)
        tapst = TapstNext(tapst, (walk.fsTms >> k) & 1);
    return tapst;
}

void WalkToPairs(TAPWALK walk, uint8_t *pbPairs)
{
    memset(pbPairs, 0, (walk.cclk + 3u) / 4u);
    for (int k = 0; k < walk.cclk; k++)
        if ((walk.fsTms >> k) & 1)
            pbPairs[k / 4] |= (uint8_t)(2u << (2 * (k % 4)));
}
