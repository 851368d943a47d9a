/*
 * tvxutil.cpp - the JTAG utility calls over the JTAG protocol (protocol 2,
 * port 0) of the runtime's devices.
 *
 * Every call runs to its end before it returns (nothing is queued), so
 * TvxWaitForTransaction has nothing left to wait for. An abort from another
 * thread raises the port's abort flag: the clocking call cancels its running
 * transaction within one collection poll and fails with
 * ercTransferCancelled, and so does every later clocking call until
 * TvxClearConfigStatus.
 */
#include "tvxutil.h"

#include "jtshift.h"
#include "jtxtbl.h"
#include "xact.h"

namespace {

using namespace jtshift;

/* Error code out; the result for the caller. */
int32_t FOut(uint32_t *perc, int fOk)
{
    if (perc != nullptr)
        *perc = fOk ? uint32_t(ercNoErc) : uint32_t(xact::ErcLast());
    return fOk ? 1 : 0;
}

int32_t FErr(uint32_t *perc, int erc, const char *szMsg)
{
    xact::FFail(erc, szMsg);
    if (perc != nullptr)
        *perc = uint32_t(erc);
    return 0;
}

std::shared_ptr<JTX> PjtxFind(HTVX h, uint32_t *perc, const char *szFn)
{
    std::shared_ptr<JTX> pjtx = jtxtbl.PjtxOf(h);
    if (pjtx == nullptr)
        FErr(perc, ercInvalidHif, szFn);
    return pjtx;
}

/* One clocking call, cut into transactions. */
int32_t FShift(HTVX h, const JSHIFT &js, uint32_t *perc, const char *szFn)
{
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, szFn);
    if (pjtx == nullptr)
        return 0;
    if (!pjtx->fEnabled)
        return FErr(perc, ercCapabilityNotEnabled, szFn);
    if (pjtx->fAbort.load() != 0)
        return FErr(perc, ercTransferCancelled, szFn);
    pjtx->fBusy = 1;
    int erc = ercNoErc;
    for (uint32_t iclk = 0; iclk < js.cclk && erc == ercNoErc;) {
        uint32_t cclk = CclkChunk(js, iclk);
        TFP tfp;
        BuildChunk(js, iclk, cclk, &tfp);
        uint32_t cOut = 0, cIn = 0;
        if (!xact::FRun(pjtx->hif, &tfp, &cOut, &cIn, &pjtx->fAbort))
            erc = xact::ErcLast();
        else if (js.jsh != jshTdo && cOut < cclk)
            erc = ercDataSndLess;       /* counts are in clocks */
        else if (tfp.cbRcv != 0 && cIn < cclk)
            erc = ercDataRcvLess;
        if (pjtx->fAbort.load() != 0)
            erc = ercTransferCancelled;
        iclk += cclk;
    }
    pjtx->fBusy = 0;
    if (erc != ercNoErc)
        return FErr(perc, erc, szFn);
    return FOut(perc, 1);
}

} // namespace

extern "C" {

TVXAPI int32_t TVXCALL TvxOpenJtag(HTVX *ph, const char *szDvc, uint32_t *perc, uint32_t dwReserved)
{
    if (ph == nullptr || szDvc == nullptr)
        return FErr(perc, ercInvalidParameter, "TvxOpenJtag");
    *ph = nullptr;
    auto pjtx = std::make_shared<JTX>();
    if (!TvxOpen(&pjtx->hif, szDvc))
        return FOut(perc, 0);
    *ph = jtxtbl.HtvxAdd(pjtx);
    return FOut(perc, 1);
}

TVXAPI int32_t TVXCALL TvxEnableJtag(HTVX h, uint32_t *perc, uint32_t dwReserved)
{
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, "TvxEnableJtag");
    if (pjtx == nullptr)
        return 0;
    if (!pjtx->fEnabled) {
        if (!xact::FEnable(pjtx->hif, xact::dcapJtag, xact::aptJtag, 0))
            return FOut(perc, 0);
        pjtx->fEnabled = true;
    }
    return FOut(perc, 1);
}

TVXAPI int32_t TVXCALL TvxDisableJtag(HTVX h, uint32_t *perc, uint32_t dwReserved)
{
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, "TvxDisableJtag");
    if (pjtx == nullptr)
        return 0;
    if (!pjtx->fEnabled)
        return FOut(perc, 1);
    pjtx->fEnabled = false;
    return FOut(perc, xact::FDisable(pjtx->hif, xact::dcapJtag, xact::aptJtag, 0));
}

TVXAPI int32_t TVXCALL TvxCloseJtag(HTVX h, uint32_t *perc)
{
    std::shared_ptr<JTX> pjtx = jtxtbl.PjtxRemove(h);
    if (pjtx == nullptr)
        return FErr(perc, ercInvalidHif, "TvxCloseJtag");
    if (pjtx->fEnabled) {
        pjtx->fEnabled = false;
        xact::FDisable(pjtx->hif, xact::dcapJtag, xact::aptJtag, 0);
    }
    return FOut(perc, TvxClose(pjtx->hif));
}

TVXAPI int32_t TVXCALL TvxPutTmsTdiBits(HTVX h, uint32_t cclk, const uint8_t *pbPairs, int32_t fTdo,
                                        uint8_t *pbTdo, uint32_t *perc, uint32_t dwReserved)
{
    if (cclk != 0 && (pbPairs == nullptr || (fTdo && pbTdo == nullptr)))
        return FErr(perc, ercInvalidParameter, "TvxPutTmsTdiBits");
    JSHIFT js = {jshPairs, cclk, pbPairs, fTdo ? pbTdo : nullptr, false, false};
    return FShift(h, js, perc, "TvxPutTmsTdiBits");
}

TVXAPI int32_t TVXCALL TvxPutTdiBits(HTVX h, uint32_t cbit, const uint8_t *pbTdi, int32_t tms, int32_t fTdo,
                                     uint8_t *pbTdo, uint32_t *perc, uint32_t dwReserved)
{
    if (cbit != 0 && (pbTdi == nullptr || (fTdo && pbTdo == nullptr)))
        return FErr(perc, ercInvalidParameter, "TvxPutTdiBits");
    JSHIFT js = {jshTdi, cbit, pbTdi, fTdo ? pbTdo : nullptr, tms != 0, false};
    return FShift(h, js, perc, "TvxPutTdiBits");
}

TVXAPI int32_t TVXCALL TvxGetTdoBits(HTVX h, uint32_t cbit, int32_t tdi, int32_t tms, uint8_t *pbTdo,
                                     uint32_t *perc, uint32_t dwReserved)
{
    if (cbit != 0 && pbTdo == nullptr)
        return FErr(perc, ercInvalidParameter, "TvxGetTdoBits");
    JSHIFT js = {jshTdo, cbit, nullptr, pbTdo, tms != 0, tdi != 0};
    return FShift(h, js, perc, "TvxGetTdoBits");
}

TVXAPI int32_t TVXCALL TvxWaitForTransaction(HTVX h, uint32_t dwReserved, uint32_t *perc)
{
    return PjtxFind(h, perc, "TvxWaitForTransaction") != nullptr ? FOut(perc, 1) : 0;
}

TVXAPI int32_t TVXCALL TvxAbortConfigTransaction(HTVX h, uint32_t dwReserved, uint32_t *perc)
{
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, "TvxAbortConfigTransaction");
    if (pjtx == nullptr)
        return 0;
    pjtx->fAbort = 1;
    if (perc != nullptr)
        *perc = ercNoErc;
    return 1;
}

TVXAPI int32_t TVXCALL TvxQueryConfigStatus(HTVX h, uint32_t dwReserved, uint8_t *pbStatus, uint32_t *perc)
{
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, "TvxQueryConfigStatus");
    if (pjtx == nullptr)
        return 0;
    int fBusy = pjtx->fBusy.load();
    /* Bit 0: a call clocks the port; bit 1: the port was aborted and not yet cleared. */
    if (pbStatus != nullptr)
        *pbStatus = uint8_t((fBusy ? 1 : 0) | (pjtx->fAbort.load() ? 2 : 0));
    if (perc != nullptr)
        *perc = ercNoErc;
    return fBusy ? 1 : 0;
}

TVXAPI int32_t TVXCALL TvxClearConfigStatus(HTVX h, uint32_t dwReserved, uint32_t *perc)
{
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, "TvxClearConfigStatus");
    if (pjtx == nullptr)
        return 0;
    pjtx->fAbort = 0;
    if (perc != nullptr)
        *perc = ercNoErc;
    return 1;
}

} /* extern "C" */
