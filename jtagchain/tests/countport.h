/*
 * countport.h - a JTAG port for the benches: counts the clocks and the
 * calls (waits included) and reads TDO as zeros.
 */
#ifndef JTAGCHAIN_TESTS_COUNTPORT_H
#define JTAGCHAIN_TESTS_COUNTPORT_H

#include <string.h>

#include "jtport.h"

class COUNTPORT : public JTPORT {
public:
    uint64_t cclk = 0;
    uint64_t ccall = 0;
    int h = 0;
    bool FOpen(HTVX *ph, const char *, uint32_t *perc) { *ph = &h; *perc = 0; return true; }
    bool FEnable(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FDisable(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FClose(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FPutTmsTdiBits(HTVX, uint32_t c, const uint8_t *, bool fTdo, uint8_t *pbTdo, uint32_t *perc)
    {
        return FClock(c, fTdo ? pbTdo : nullptr, perc);
    }
    bool FPutTdiBits(HTVX, uint32_t c, const uint8_t *, int, bool fTdo, uint8_t *pbTdo, uint32_t *perc)
    {
        return FClock(c, fTdo ? pbTdo : nullptr, perc);
    }
    bool FGetTdoBits(HTVX, uint32_t c, int, int, uint8_t *pbTdo, uint32_t *perc) { return FClock(c, pbTdo, perc); }
    bool FWaitForTransaction(HTVX, uint32_t *perc) { ccall++; *perc = 0; return true; }
    bool FAbortConfigTransaction(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FQueryConfigStatus(HTVX, uint8_t *pb, uint32_t *perc) { *pb = 0; *perc = 0; return false; }
    bool FClearConfigStatus(HTVX, uint32_t *perc) { *perc = 0; return true; }

private:
    bool FClock(uint32_t c, uint8_t *pbTdo, uint32_t *perc)
    {
        if (pbTdo != nullptr)
            memset(pbTdo, 0, (c + 7) / 8);
        cclk += c;
        ccall++;
        *perc = 0;
        return true;
    }
};

#endif
