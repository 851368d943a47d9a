#include "simport.h"

#include <atomic>

namespace {
int hDummy;
HTVX const hSim = &hDummy;
std::atomic<uint64_t> usVirtual{0};

void SetTdo(uint8_t *pbTdo, uint32_t k, bool f)
{
    if (f)
        pbTdo[k / 8] |= (uint8_t)(1u << (k % 8));
    else
        pbTdo[k / 8] &= (uint8_t)~(1u << (k % 8));
}
}

uint64_t UsVirtual() { return usVirtual.load(); }
void SleepVirtual(uint32_t tms) { usVirtual += (uint64_t)tms * 1000; }

bool SIMPORT::FOpen(HTVX *ph, const char *, uint32_t *perc)
{
    *ph = hSim;
    *perc = 0;
    cOpen++;
    return true;
}

bool SIMPORT::FEnable(HTVX, uint32_t *perc) { *perc = 0; return true; }
bool SIMPORT::FDisable(HTVX, uint32_t *perc) { *perc = 0; return true; }

bool SIMPORT::FClose(HTVX, uint32_t *perc)
{
    *perc = 0;
    cClose++;
    return true;
}

bool SIMPORT::FPutTmsTdiBits(HTVX, uint32_t cclkPut, const uint8_t *pbPairs, bool fTdo, uint8_t *pbTdo,
                             uint32_t *perc)
{
    for (uint32_t k = 0; k < cclkPut; k++) {
        int bPair = pbPairs[k / 4] >> (2 * (k % 4));
        bool f = pchain->FClock((bPair >> 1) & 1, bPair & 1);
        if (fTdo)
            SetTdo(pbTdo, k, f);
    }
    cclk += cclkPut;
    *perc = 0;
    return true;
}

bool SIMPORT::FPutTdiBits(HTVX, uint32_t cbit, const uint8_t *pbTdi, int tms, bool fTdo, uint8_t *pbTdo,
                          uint32_t *perc)
{
    for (uint32_t k = 0; k < cbit; k++) {
        bool f = pchain->FClock(tms != 0, (pbTdi[k / 8] >> (k % 8)) & 1);
        if (fTdo)
            SetTdo(pbTdo, k, f);
    }
    cclk += cbit;
    *perc = 0;
    return true;
}

bool SIMPORT::FGetTdoBits(HTVX, uint32_t cbit, int tdi, int tms, uint8_t *pbTdo, uint32_t *perc)
{
    for (uint32_t k = 0; k < cbit; k++)
        SetTdo(pbTdo, k, pchain->FClock(tms != 0, tdi != 0));
    cclk += cbit;
    *perc = 0;
    return true;
}

bool SIMPORT::FWaitForTransaction(HTVX, uint32_t *perc) { *perc = 0; return true; }
bool SIMPORT::FAbortConfigTransaction(HTVX, uint32_t *perc) { *perc = 0; return true; }

bool SIMPORT::FQueryConfigStatus(HTVX, uint8_t *pbStatus, uint32_t *perc)
{
    *pbStatus = 0;
    *perc = 0;
    return false;
}

bool SIMPORT::FClearConfigStatus(HTVX, uint32_t *perc) { *perc = 0; return true; }
