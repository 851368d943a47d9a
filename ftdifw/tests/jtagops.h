/*
 * jtagops.h - JTAG operations for the firmware library's JTAG tests, in the
 * three forms the tests compare: what the TAP model says they give, the
 * batch program (command 23) that runs them in one data phase, and the
 * single JTAG commands (5 to 11) that do the same one by one.
 */
#ifndef JTAGOPS_H
#define JTAGOPS_H

#include <stdint.h>

#include <random>
#include <vector>

#include "fwtrans.h"
#include "tapmodel.h"

/* One operation. op 1 to 16 are the batch operations; opPairs (TMS/TDI
 * pairs, command 10) exists only as a single command. Operations 9 to 16
 * need a port that offers them: 9 waits n microseconds, 12 and 14 take the
 * mask n, 11, 13 and 15 return a u32. */
enum { opPairs = 10 };

struct JOP {
    uint8_t op = 0;
    uint32_t n = 0;             /* bits, clocks or pairs */
    bool fTms = false;          /* ops 5 to 7: TMS of the last bit */
    uint8_t bPins = 0;          /* op 1: bit 2 TMS, bit 1 TDI, bit 0 TCK */
    BYTES rgbData;              /* TMS bits, TDI bits or pairs */
};

/* Runs op on the model; appends the TDO bytes it returns. */
void ModelRun(TAPMODEL &tap, const JOP &jop, BYTES &rgbTdo);
/* TDO bytes op returns. */
uint32_t CbTdo(const JOP &jop);
/* Appends op to a batch program. */
void AppendBatch(const JOP &jop, BYTES &rgbOps);

/* Random operations that keep the chain off the instruction register:
 * tapStart is where the chain is before them. rgcbitBig are counts around
 * the thresholds, picked now and then; fPinOps mixes in operations 9 and 11
 * to 15. */
std::vector<JOP> RgjopRandom(std::mt19937 &rng, const TAPMODEL &tapStart, size_t cjop,
                             const std::vector<uint32_t> &rgcbitBig, bool fPairs, bool fPinOps = false);

/* One operation of this kind and count with random data, starting from tap;
 * TMS bits at random never go into the instruction column. */
JOP JopRandom(std::mt19937 &rng, const TAPMODEL &tap, uint8_t op, uint32_t n);
/* A TMS walk as operation 3. */
JOP JopTms(const char *szTms);

#endif
