/*
 * The JTAG port over the JTAG utility library. A build without that
 * library (BRISEL_HAVE_TVXUTIL undefined) gets a port that opens nothing.
 */
#include "jtport.h"

namespace {

#if defined(BRISEL_HAVE_TVXUTIL)

class TVXPORT : public JTPORT {
public:
    bool FOpen(HTVX *ph, const char *szDvc, uint32_t *perc) { return TvxOpenJtag(ph, szDvc, perc, 0) != 0; }
    bool FEnable(HTVX h, uint32_t *perc) { return TvxEnableJtag(h, perc, 0) != 0; }
    bool FDisable(HTVX h, uint32_t *perc) { return TvxDisableJtag(h, perc, 0) != 0; }
    bool FClose(HTVX h, uint32_t *perc) { return TvxCloseJtag(h, perc) != 0; }
    bool FPutTmsTdiBits(HTVX h, uint32_t cclk, const uint8_t *pbPairs, bool fTdo, uint8_t *pbTdo, uint32_t *perc)
    {
        return TvxPutTmsTdiBits(h, cclk, pbPairs, fTdo ? 1 : 0, pbTdo, perc, 0) != 0;
    }
    bool FPutTdiBits(HTVX h, uint32_t cbit, const uint8_t *pbTdi, int tms, bool fTdo, uint8_t *pbTdo,
                     uint32_t *perc)
    {
        return TvxPutTdiBits(h, cbit, pbTdi, tms, fTdo ? 1 : 0, pbTdo, perc, 0) != 0;
    }
    bool FGetTdoBits(HTVX h, uint32_t cbit, int tdi, int tms, uint8_t *pbTdo, uint32_t *perc)
    {
        return TvxGetTdoBits(h, cbit, tdi, tms, pbTdo, perc, 0) != 0;
    }
    bool FWaitForTransaction(HTVX h, uint32_t *perc) { return TvxWaitForTransaction(h, 0, perc) != 0; }
    bool FAbortConfigTransaction(HTVX h, uint32_t *perc) { return TvxAbortConfigTransaction(h, 0, perc) != 0; }
    bool FQueryConfigStatus(HTVX h, uint8_t *pbStatus, uint32_t *perc)
    {
        return TvxQueryConfigStatus(h, 0, pbStatus, perc) != 0;
    }
    bool FClearConfigStatus(HTVX h, uint32_t *perc) { return TvxClearConfigStatus(h, 0, perc) != 0; }
};

#else

/* No JTAG utility library in this build: every port call fails. */
class TVXPORT : public JTPORT {
public:
    enum { ercNoPort = 1 };
    bool FFail(uint32_t *perc)
    {
        if (perc != nullptr)
            *perc = ercNoPort;
        return false;
    }
    bool FOpen(HTVX *ph, const char *, uint32_t *perc) { *ph = nullptr; return FFail(perc); }
    bool FEnable(HTVX, uint32_t *perc) { return FFail(perc); }
    bool FDisable(HTVX, uint32_t *perc) { return FFail(perc); }
    bool FClose(HTVX, uint32_t *perc) { return FFail(perc); }
    bool FPutTmsTdiBits(HTVX, uint32_t, const uint8_t *, bool, uint8_t *, uint32_t *perc) { return FFail(perc); }
    bool FPutTdiBits(HTVX, uint32_t, const uint8_t *, int, bool, uint8_t *, uint32_t *perc) { return FFail(perc); }
    bool FGetTdoBits(HTVX, uint32_t, int, int, uint8_t *, uint32_t *perc) { return FFail(perc); }
    bool FWaitForTransaction(HTVX, uint32_t *perc) { return FFail(perc); }
    bool FAbortConfigTransaction(HTVX, uint32_t *perc) { return FFail(perc); }
    bool FQueryConfigStatus(HTVX, uint8_t *, uint32_t *perc) { return FFail(perc); }
    bool FClearConfigStatus(HTVX, uint32_t *perc) { return FFail(perc); }
};

#endif

TVXPORT tvxport;

} // namespace

JTPORT *PjtportTvx()
{
    return &tvxport;
}
