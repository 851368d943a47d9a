/*
 * simport.h - a JTAG port straight onto a simulated chain of korsim's
 * device models (Linux trees), with a clock of its own: the chain's sleeps
 * advance it, so the devices' erase and program times pass at once.
 */
#ifndef JTAGCHAIN_TESTS_SIMPORT_H
#define JTAGCHAIN_TESTS_SIMPORT_H

#include <stdint.h>

#include "jtport.h"
#include "model/chain.h"

class SIMPORT : public JTPORT {
public:
    explicit SIMPORT(sim::CHAIN *pchainIn) : pchain(pchainIn) {}
    bool FOpen(HTVX *ph, const char *szDvc, uint32_t *perc);
    bool FEnable(HTVX h, uint32_t *perc);
    bool FDisable(HTVX h, uint32_t *perc);
    bool FClose(HTVX h, uint32_t *perc);
    bool FPutTmsTdiBits(HTVX h, uint32_t cclk, const uint8_t *pbPairs, bool fTdo, uint8_t *pbTdo, uint32_t *perc);
    bool FPutTdiBits(HTVX h, uint32_t cbit, const uint8_t *pbTdi, int tms, bool fTdo, uint8_t *pbTdo,
                     uint32_t *perc);
    bool FGetTdoBits(HTVX h, uint32_t cbit, int tdi, int tms, uint8_t *pbTdo, uint32_t *perc);
    bool FWaitForTransaction(HTVX h, uint32_t *perc);
    bool FAbortConfigTransaction(HTVX h, uint32_t *perc);
    bool FQueryConfigStatus(HTVX h, uint8_t *pbStatus, uint32_t *perc);
    bool FClearConfigStatus(HTVX h, uint32_t *perc);

    sim::CHAIN *pchain;
    uint64_t cclk = 0;
    int cOpen = 0, cClose = 0;
};

/* The virtual clock in microseconds (the devices' wall time) and the sleep that advances it. */
uint64_t UsVirtual();
void SleepVirtual(uint32_t tms);

#endif
