#include "modelport.h"

namespace {
int hDummy;
HTVX const hModel = &hDummy;
}

bool MODELPORT::FOpen(HTVX *ph, const char *szDvc, uint32_t *perc)
{
    rgstrCall.push_back("open");
    strDvcOpened = szDvc ? szDvc : "";
    if (fFailOpen) {
        *perc = 1;
        return false;
    }
    cOpen++;
    fOpen = true;
    fAborted = false;
    *ph = hModel;
    *perc = 0;
    return true;
}

bool MODELPORT::FEnable(HTVX h, uint32_t *perc)
{
    rgstrCall.push_back("enable");
    *perc = fFailEnable ? 1 : 0;
    return !fFailEnable && h == hModel && fOpen;
}

bool MODELPORT::FDisable(HTVX h, uint32_t *perc)
{
    rgstrCall.push_back("disable");
    *perc = 0;
    return true;
}

bool MODELPORT::FClose(HTVX h, uint32_t *perc)
{
    rgstrCall.push_back("close");
    *perc = 0;
    if (!fOpen || h != hModel)
        return false;
    fOpen = false;
    cClose++;
    return true;
}

bool MODELPORT::FClockCall(const char *szName, HTVX h, uint32_t *perc)
{
    rgstrCall.push_back(szName);
    *perc = 0;
    if (!fOpen || h != hModel) {
        *perc = 2;
        return false;
    }
    if (fAborted) {
        *perc = 4;
        return false;
    }
    if (ccallClock++ == ccallFailAt) {
        *perc = 3;
        return false;
    }
    return true;
}

bool MODELPORT::FPutTmsTdiBits(HTVX h, uint32_t cclk, const uint8_t *pbPairs, bool fTdo, uint8_t *pbTdo,
                               uint32_t *perc)
{
    if (!FClockCall("pairs", h, perc))
        return false;
    for (uint32_t k = 0; k < cclk; k++) {
        int bPair = pbPairs[k / 4] >> (2 * (k % 4));
        int tdo = pmodel->Clock((bPair >> 1) & 1, bPair & 1);
        if (fTdo) {
            if (tdo)
                pbTdo[k / 8] |= (uint8_t)(1u << (k % 8));
            else
                pbTdo[k / 8] &= (uint8_t)~(1u << (k % 8));
        }
    }
    return true;
}

bool MODELPORT::FPutTdiBits(HTVX h, uint32_t cbit, const uint8_t *pbTdi, int tms, bool fTdo, uint8_t *pbTdo,
                            uint32_t *perc)
{
    if (!FClockCall("tdi", h, perc))
        return false;
    if (cbit > cbitMaxPut)
        cbitMaxPut = cbit;
    for (uint32_t k = 0; k < cbit; k++) {
        int tdo = pmodel->Clock(tms, (pbTdi[k / 8] >> (k % 8)) & 1);
        if (fTdo) {
            if (tdo)
                pbTdo[k / 8] |= (uint8_t)(1u << (k % 8));
            else
                pbTdo[k / 8] &= (uint8_t)~(1u << (k % 8));
        }
    }
    return true;
}

bool MODELPORT::FGetTdoBits(HTVX h, uint32_t cbit, int tdi, int tms, uint8_t *pbTdo, uint32_t *perc)
{
    if (!FClockCall("tdo", h, perc))
        return false;
    for (uint32_t k = 0; k < cbit; k++) {
        int tdo = pmodel->Clock(tms, tdi);
        if (tdo)
            pbTdo[k / 8] |= (uint8_t)(1u << (k % 8));
        else
            pbTdo[k / 8] &= (uint8_t)~(1u << (k % 8));
    }
    return true;
}

bool MODELPORT::FWaitForTransaction(HTVX h, uint32_t *perc)
{
    if (!fOpen) {
        /* the close sequence waits too */
        rgstrCall.push_back("wait");
        *perc = 0;
        return true;
    }
    return FClockCall("wait", h, perc);
}

bool MODELPORT::FAbortConfigTransaction(HTVX h, uint32_t *perc)
{
    /* may come from another thread: touches nothing but the flag */
    fAborted = true;
    cAbort++;
    *perc = 0;
    return true;
}

bool MODELPORT::FQueryConfigStatus(HTVX h, uint8_t *pbStatus, uint32_t *perc)
{
    *pbStatus = 0;
    *perc = 0;
    return false;
}

bool MODELPORT::FClearConfigStatus(HTVX h, uint32_t *perc)
{
    fAborted = false;
    *perc = 0;
    return true;
}
