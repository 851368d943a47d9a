/*
 * tvxutil_bench.cpp - client-side CPU time per megabit shifted through
 * Tvxutil to a simulated board, beside the time the megabit takes on the
 * wire at 30 MHz TCK, and their ratio (goal: at most 0.1).
 *
 *   sh tests/support/simwine.sh <tree>/bin/korsim platform/vesk/tests/clisim.cfg bench \
 *       <tree>/bin/tvxutil_bench [megabits]      (default 64)
 *
 * The CPU time is this process's (every thread: the caller, the runtime's
 * transaction threads and the USB transport); the simulator runs in its own
 * process and is not counted.
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <vector>

#include "clisim.h"
#include "tvxutil.h"

namespace {

double SecCpu()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double SecWall()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

const uint32_t cbitMbit = 1000000;

/* Shifts cmbit megabits, one call per megabit; false on a failure. */
bool FRun(HTVX h, int cmbit, bool fTdo, double *psecCpu, double *psecWall)
{
    std::vector<uint8_t> rgbTdi(cbitMbit / 8, 0x6B), rgbTdo(cbitMbit / 8);
    double secCpu = SecCpu(), secWall = SecWall();
    for (int i = 0; i < cmbit; i++) {
        uint32_t erc = 0;
        if (!TvxPutTdiBits(h, cbitMbit, rgbTdi.data(), 0, fTdo, fTdo ? rgbTdo.data() : nullptr, &erc, 0) ||
            !TvxWaitForTransaction(h, 0, &erc)) {
            fprintf(stderr, "shift failed: %u\n", erc);
            return false;
        }
    }
    *psecCpu = SecCpu() - secCpu;
    *psecWall = SecWall() - secWall;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int cmbit = argc > 1 ? atoi(argv[1]) : 64;
    if (cmbit <= 0)
        cmbit = 64;
    CLISIMENV env(KORSIM_CONFIG, "bench", true);
    env.SetUp();
    if (!env.fOk) {
        fprintf(stderr, "simulator not reachable: %s\n", env.szErr.c_str());
        return 1;
    }
    HTVX h = nullptr;
    uint32_t erc = 0;
    if (!TvxOpenJtag(&h, szClisimSN, &erc, 0) || !TvxEnableJtag(h, &erc, 0)) {
        fprintf(stderr, "JTAG port: error %u\n", erc);
        env.TearDown();
        return 1;
    }
    /* Shift-DR through the two devices' data registers. */
    const uint8_t bWalk[] = {0xAA, 0x22};   /* TMS 1,1,1,1, then 1,0,1,0 */
    TvxPutTmsTdiBits(h, 8, bWalk, 0, nullptr, &erc, 0);

    const double msWire = 1000.0 * cbitMbit / 30e6;
    printf("Tvxutil to korsim, %d Mbit per run, one call per Mbit\n", cmbit);
    printf("%-14s %14s %14s %14s %8s\n", "shift", "cpu ms/Mbit", "wall ms/Mbit", "wire ms/Mbit", "ratio");
    int rc = 0;
    for (bool fTdo : {false, true}) {
        double secCpu = 0, secWall = 0;
        if (!FRun(h, cmbit, fTdo, &secCpu, &secWall)) {
            rc = 1;
            break;
        }
        double msCpu = 1000.0 * secCpu / cmbit;
        printf("%-14s %14.3f %14.3f %14.3f %8.3f\n", fTdo ? "TDI + TDO" : "TDI", msCpu, 1000.0 * secWall / cmbit,
               msWire, msCpu / msWire);
    }
    TvxCloseJtag(h, &erc);
    env.TearDown();
    return rc;
}
