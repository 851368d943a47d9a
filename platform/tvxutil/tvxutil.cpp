/*
 * tvxutil.cpp - the JTAG utility calls over the JTAG protocol (protocol 2,
 * port 0) of the runtime's devices.
 *
 * On a board whose port offers the batch command (bit 17 of the port
 * property word, read at enable), the calls that capture nothing are queued
 * (jtbatch.h) and go out with the next capturing call, with
 * TvxWaitForTransaction, with the disable or close, or once the queue holds
 * a transport's worth; a failure of queued clocks is reported by the call
 * that sends them. Elsewhere every call runs to its end before it returns.
 * An abort from another thread raises the port's abort flag: the clocking
 * call cancels its running transaction within one collection poll and fails
 * with ercTransferCancelled, and so does every later clocking call until
 * TvxClearConfigStatus; clocks still queued are dropped.
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

/* Send the port's queued shifts as one batch transaction; an error code. */
int ErcFlush(JTX &jtx)
{
    if (jtx.batch.FEmpty())
        return ercNoErc;
    if (jtx.fAbort.load() != 0) {
        jtx.batch.Clear();
        return ercTransferCancelled;
    }
    TFP tfp;
    jtx.batch.BuildTfp(&tfp);
    uint32_t cOut = 0, cIn = 0;
    int erc = ercNoErc;
    if (!xact::FRun(jtx.hif, &tfp, &cOut, &cIn, &jtx.fAbort))
        erc = xact::ErcLast();
    else if (cOut < jtx.batch.CbOps())
        erc = ercDataSndLess;           /* counts are in bytes */
    else if (cIn < jtx.batch.CbTdo())
        erc = ercDataRcvLess;
    if (jtx.fAbort.load() != 0)
        erc = ercTransferCancelled;
    if (erc == ercNoErc) {
        jtx.batch.ScatterTdo();
        jtx.batch.Sent();
    } else {
        jtx.batch.Clear();
    }
    return erc;
}

/* One clocking call into the port's batch queue; a call that captures sends it. */
int ErcShiftBatched(JTX &jtx, const JSHIFT &js)
{
    bool fCapture = js.jsh == jshTdo || js.pbTdo != nullptr;
    uint32_t cclkPiece = js.jsh == jshPairs ? uint32_t(cclkPairsPiece) : uint32_t(cclkChunkMax);
    int erc = ercNoErc;
    for (uint32_t iclk = 0; iclk < js.cclk && erc == ercNoErc;) {
        uint32_t cclk = js.cclk - iclk < cclkPiece ? js.cclk - iclk : cclkPiece;
        if (!jtx.batch.FEmpty() && jtx.batch.CbOps() + JTBATCH::CbOpsMax(js, cclk) > cbBatchMax)
            erc = ErcFlush(jtx);
        if (erc != ercNoErc)
            break;
        jtx.batch.AddShift(js, iclk, cclk);
        iclk += cclk;
        if (jtx.batch.CbOps() >= cbBatchMax)
            erc = ErcFlush(jtx);
    }
    if (erc == ercNoErc && fCapture)
        erc = ErcFlush(jtx);
    if (erc != ercNoErc)
        jtx.batch.Clear();
    return erc;
}

/* The queue sent, marked busy meanwhile; an error code. */
int ErcFlushBusy(JTX &jtx)
{
    if (jtx.batch.FEmpty())
        return ercNoErc;
    jtx.fBusy = 1;
    int erc = ErcFlush(jtx);
    jtx.fBusy = 0;
    return erc;
}

/* Whether the enabled port offers the batch command (port property bit 17). */
bool FPortOffersBatch(HIF hif)
{
    TFP tfp;
    xact::ClearTfp(&tfp);
    uint8_t *pb = xact::PbSetCmd(tfp.rgbCmd, xact::aptJtag, 2 /* port properties */, 1);
    pb[0] = 5;                          /* port count and one property word */
    uint8_t cprt = 0, rgbProp[4] = {0};
    xact::AddReply(&tfp.rplyCmd, 1, &cprt);
    xact::AddReply(&tfp.rplyCmd, 4, rgbProp);
    if (!xact::FRun(hif, &tfp))
        return false;
    return cprt >= 1 && ((xact::U32(rgbProp) >> ibitPropBatch) & 1) != 0;
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
    if (pjtx->fBatch) {
        erc = ErcShiftBatched(*pjtx, js);
        pjtx->fBusy = 0;
        if (erc != ercNoErc)
            return FErr(perc, erc, szFn);
        return FOut(perc, 1);
    }
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
        pjtx->batch.Clear();
        /* A board that cannot tell keeps one transaction per call. */
        pjtx->fBatch = FPortOffersBatch(pjtx->hif);
        TvxSetLastErrorNoLog(ercNoErc);
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
    /* Queued clocks go out first; the ones an abort dropped are no failure. */
    int erc = ErcFlushBusy(*pjtx);
    pjtx->fEnabled = false;
    int fDisabled = xact::FDisable(pjtx->hif, xact::dcapJtag, xact::aptJtag, 0);
    if (erc != ercNoErc && erc != ercTransferCancelled)
        return FErr(perc, erc, "TvxDisableJtag");
    return FOut(perc, fDisabled);
}

TVXAPI int32_t TVXCALL TvxCloseJtag(HTVX h, uint32_t *perc)
{
    std::shared_ptr<JTX> pjtx = jtxtbl.PjtxRemove(h);
    if (pjtx == nullptr)
        return FErr(perc, ercInvalidHif, "TvxCloseJtag");
    if (pjtx->fEnabled) {
        ErcFlushBusy(*pjtx);
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
    std::shared_ptr<JTX> pjtx = PjtxFind(h, perc, "TvxWaitForTransaction");
    if (pjtx == nullptr)
        return 0;
    int erc = ErcFlushBusy(*pjtx);
    if (erc != ercNoErc)
        return FErr(perc, erc, "TvxWaitForTransaction");
    return FOut(perc, 1);
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
