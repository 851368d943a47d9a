/*
 * modelport.h - a JTAG port over the chain model, with a log of the calls
 * and faults on demand.
 */
#ifndef JTAGCHAIN_TESTS_MODELPORT_H
#define JTAGCHAIN_TESTS_MODELPORT_H

#include <atomic>
#include <string>
#include <vector>

#include "jtport.h"
#include "tapmodel.h"

class MODELPORT : public JTPORT {
public:
    explicit MODELPORT(TAPMODEL *ptapmodel) : pmodel(ptapmodel) {}
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

    TAPMODEL *pmodel;
    std::vector<std::string> rgstrCall;   /* "open", "put", ... in order */
    int ccallFailAt = -1;                 /* the clocking call of this number (from 0) fails */
    bool fFailOpen = false;
    bool fFailEnable = false;
    int cOpen = 0;
    int cClose = 0;
    std::string strDvcOpened;
    uint32_t cbitMaxPut = 0;              /* longest single put */
    std::atomic<bool> fAborted{false};    /* clocking calls fail until the next open or clear */
    std::atomic<int> cAbort{0};
private:
    bool FClockCall(const char *szName, HTVX h, uint32_t *perc);
    int ccallClock = 0;
    bool fOpen = false;
};

#endif
