/*
 * jtport.h - the JTAG port as the chain primitives see it.
 *
 * One operation per call of the JTAG utility library (tvxutil.h), same
 * arguments and bit conventions. The library's port forwards to that
 * library; tests put a model of the chain behind it.
 */
#ifndef JTAGCHAIN_JTPORT_H
#define JTAGCHAIN_JTPORT_H

#include <stdint.h>

#include "tvxutil.h"

class JTPORT {
public:
    virtual ~JTPORT() {}
    virtual bool FOpen(HTVX *ph, const char *szDvc, uint32_t *perc) = 0;
    virtual bool FEnable(HTVX h, uint32_t *perc) = 0;
    virtual bool FDisable(HTVX h, uint32_t *perc) = 0;
    virtual bool FClose(HTVX h, uint32_t *perc) = 0;
    virtual bool FPutTmsTdiBits(HTVX h, uint32_t cclk, const uint8_t *pbPairs, bool fTdo, uint8_t *pbTdo,
                                uint32_t *perc) = 0;
    virtual bool FPutTdiBits(HTVX h, uint32_t cbit, const uint8_t *pbTdi, int tms, bool fTdo, uint8_t *pbTdo,
                             uint32_t *perc) = 0;
    virtual bool FGetTdoBits(HTVX h, uint32_t cbit, int tdi, int tms, uint8_t *pbTdo, uint32_t *perc) = 0;
    virtual bool FWaitForTransaction(HTVX h, uint32_t *perc) = 0;
    virtual bool FAbortConfigTransaction(HTVX h, uint32_t *perc) = 0;
    /* True while the port's transaction is still busy. */
    virtual bool FQueryConfigStatus(HTVX h, uint8_t *pbStatus, uint32_t *perc) = 0;
    virtual bool FClearConfigStatus(HTVX h, uint32_t *perc) = 0;
};

/* The port over the JTAG utility library. In a build without that library
 * every open fails, so operations end with stcFailed. */
JTPORT *PjtportTvx();

#endif /* JTAGCHAIN_JTPORT_H */
