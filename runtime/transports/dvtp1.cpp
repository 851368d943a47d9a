/*
 * dvtp1.cpp - DVTP1: transactions over the endpoints of the maker's USB
 * firmware, the transaction-reset handshake of the first opener, and the
 * abort of a running data phase.
 */
#include <string.h>

#include "dvtp1.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint32_t tmsPkt = 500;           /* packet writes and bounded status reads */
const uint32_t tmsSlice = 10;          /* data-phase waits */
const uint32_t cbXferMax = 0x2000000;
const int cstsAttempts = 10;
const uint8_t rgbAbort[4] = {0x03, 0x00, 0x02, 0x00};

bool FResetReply(const uint8_t *rgb, uint32_t cb, uint32_t n)
{
    uint32_t r = 0x7Au - n;
    return cb == 6 && rgb[0] == 5 && rgb[1] == 0 && rgb[2] == (uint8_t)r && rgb[3] == (uint8_t)(r >> 8) &&
           rgb[4] == (uint8_t)(r >> 16) && rgb[5] == (uint8_t)(r >> 24);
}
} // namespace

DVTP1::DVTP1() : pusbtp(nullptr)
{
    dtp = dtpUsbFirmware;
}

DVTP1::~DVTP1() {}

int DVTP1::FXInit()
{
    pusbtp = pabsfact->InstABSUSBTP();
    if (pusbtp == nullptr)
        return FRecordErc(ercInsufficientResources, "DVTP1::FXInit InstABSUSBTP"), 0;
    if (!pusbtp->Init()) {
        pusbtp->Term();
        pabsfact->RlsABSUSBTP(pusbtp);
        pusbtp = nullptr;
        return FRecordErc(ercInternalError, "DVTP1::FXInit ABSUSBTP::Init"), 0;
    }
    return 1;
}

void DVTP1::XTerm()
{
    if (pusbtp == nullptr)
        return;
    pusbtp->Term();
    pabsfact->RlsABSUSBTP(pusbtp);
    pusbtp = nullptr;
}

int DVTP1::FXConnect(int fFirstOpener)
{
    if (pusbtp == nullptr || !pusbtp->Connect(szConn))
        return FRecordErc(ercConnectionFailed, "DVTP1::FXConnect Connect failed"), 0;
    if (!fFirstOpener)
        return 1;
    bool fOk = false;
    if (!pusbtp->Claim()) {
        FRecordErc(ercConnectionFailed, "DVTP1::FXConnect pusbtp->Claim() failed");
    } else {
        fOk = FTransReset() != 0;
        if (!pusbtp->Release()) {
            FRecordErc(ercConnectionFailed, "DVTP1::FXConnect pusbtp->Release() failed");
            fOk = false;
        }
    }
    if (!fOk)
        pusbtp->Disconnect();
    return fOk;
}

void DVTP1::XDisconnect()
{
    if (pusbtp == nullptr || pusbtp->Disconnect())
        return;
    if (pabsutil->GetLastErc() == ercAbsIoCancelled)
        FRecordErc(ercInternalError, "DVTP1::XDisconnect() pending I/O cancelled");
    else
        FRecordErc(ercInternalError, "DVTP1::XDisconnect() pusbtp->Disconnect failed");
}

int DVTP1::FTransWaitErc(uint8_t endp, uint32_t *pcb, uint32_t *perc)
{
    *perc = 1;
    *pcb = 0;
    if (!pusbtp->WaitEp(endp, tmsPkt) && !pusbtp->CancelEp(endp))
        return 0;
    if (pusbtp->GetEpResult(endp, pcb))
        return 1;
    *perc = pabsutil->GetLastErc();
    return 0;
}

int DVTP1::FTransWait(uint8_t endp, uint32_t *pcb)
{
    uint32_t erc;
    return FTransWaitErc(endp, pcb, &erc);
}

int DVTP1::FTransReset()
{
    uint32_t n = pabsutil->GetTickMs();
    uint8_t rgbPkt[8] = {0x07, 0x00, 0x03, 0x00, (uint8_t)n, (uint8_t)(n >> 8), (uint8_t)(n >> 16),
                         (uint8_t)(n >> 24)};
    uint8_t rgbSts[cbStsPktMax];
    uint32_t cb = 0;
    if (!pusbtp->StartRead(endpSts, rgbSts, sizeof(rgbSts)))
        return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset Read endpSts failed"), 0;
    if (!pusbtp->StartWrite(endpCmd, rgbPkt, sizeof(rgbPkt))) {
        pusbtp->CancelEp(endpSts);
        return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset Write endpCmd failed"), 0;
    }
    if (!FTransWait(endpCmd, &cb) || cb != sizeof(rgbPkt)) {
        pusbtp->CancelEp(endpSts);
        return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset FTransWait endpCmd failed"), 0;
    }
    if (!FTransWait(endpSts, &cb))
        return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset FTransWait endpSts failed"), 0;
    if (FResetReply(rgbSts, cb, n))
        return 1;
    /* a stale status packet of an interrupted transaction: one more read */
    if (!pusbtp->StartRead(endpSts, rgbSts, sizeof(rgbSts)))
        return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset Read endpSts 2 failed"), 0;
    if (!FTransWait(endpSts, &cb))
        return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset FTransWait endpSts 2 failed"), 0;
    if (FResetReply(rgbSts, cb, n))
        return 1;
    return FRecordErc(ercConnectionFailed, "DVTP1::FTransReset"), 0;
}

int DVTP1::FXTrans()
{
    TFP *ptfp = &tfp;
    if (!pusbtp->Claim()) {
        uint32_t erc = pabsutil->GetLastErc();
        if (erc == ercAbsUsbDeviceGone || erc == ercAbsUsbDeviceGone2)
            ercTrans = ercDeviceNotConnected;
        else if (erc == ercAbsClaimFailed)
            ercTrans = ercDeviceInUse;
        else
            ercTrans = ercInternalError;
        return 0;
    }
    if (ptfp->rgbCmd[0] != 0 && !FCmdPhase()) {
        pusbtp->Release();
        return 0;
    }
    bool fFailed = false;
    if ((ptfp->cbSnd != 0 || ptfp->cbRcv != 0) && !FDataPhase())
        fFailed = true;
    /* After a failed data phase the final status tells that the device ended
     * the phase (code 2); the shortfall found here stays the result. */
    int ercData = ercTrans;
    if (ptfp->rgbCmdDone[0] != 0 && !FCompletionPhase())
        fFailed = true;
    if (fFailed && ercData != 0 && ercTrans == ercTransferCancelled)
        ercTrans = ercData;
    if (fFailed) {
        if (ptfp->cbSnd != 0)
            pusbtp->ResetEp(endpDataOut);
        if (ptfp->cbRcv != 0)
            pusbtp->ResetEp(endpDataIn);
    }
    pusbtp->Release();
    return !fFailed;
}

/* Writes a command packet (length byte and the bytes it counts), retrying
 * once after a pipe error. */
int DVTP1::FWriteCmd(const uint8_t *rgbPkt)
{
    uint32_t cbPkt = (uint32_t)rgbPkt[0] + 1;
    if (cbPkt > cbCmdPktMax)
        return 0;
    uint32_t cb = 0, erc = 0;
    if (!pusbtp->StartWrite(endpCmd, rgbPkt, cbPkt))
        return 0;
    if (!FTransWaitErc(endpCmd, &cb, &erc)) {
        if (erc != ercAbsPipeError || !pusbtp->StartWrite(endpCmd, rgbPkt, cbPkt) || !FTransWait(endpCmd, &cb))
            return 0;
    }
    return cb == cbPkt;
}

/* Sends a command packet with the read of its status already waiting on
 * the wire (one exchange instead of two); a failed send takes the read back. */
int DVTP1::FSendCmdReadSts(const uint8_t *rgbPkt, uint8_t *rgbSts, uint32_t *pcb, bool fWaitFinal)
{
    *pcb = 0;
    bool fStsStarted = pusbtp->StartRead(endpSts, rgbSts, cbStsPktMax);
    if (!FWriteCmd(rgbPkt)) {
        if (fStsStarted)
            pusbtp->CancelEp(endpSts);
        ercTrans = ercCmdSendFailed;
        return 0;
    }
    return FReadSts(rgbSts, pcb, fWaitFinal, fStsStarted);
}

int DVTP1::FCmdPhase()
{
    uint8_t rgbSts[cbStsPktMax];
    uint32_t cb = 0;
    if (!FSendCmdReadSts(tfp.rgbCmd, rgbSts, &cb, false))
        return 0;
    return FProcessSts(rgbSts, cb, &tfp.rplyCmd);
}

/*
 * Up to 10 status reads until one brings bytes (the first one already
 * started when fStarted). Bounded reads (500 ms) for
 * the command phase and after a cancel; the final status of a completion
 * (fWaitFinal) is awaited until it comes or the transaction is cancelled.
 */
int DVTP1::FReadSts(uint8_t *rgbSts, uint32_t *pcb, bool fWaitFinal, bool fStarted)
{
    *pcb = 0;
    for (int iAttempt = 0; iAttempt < cstsAttempts && *pcb == 0; iAttempt++) {
        if (!(iAttempt == 0 && fStarted) && !pusbtp->StartRead(endpSts, rgbSts, cbStsPktMax)) {
            ercTrans = ercStsReceiveFailed;
            return 0;
        }
        if (!fWaitFinal || fCancelSent) {
            uint32_t erc = 0;
            if (!FTransWaitErc(endpSts, pcb, &erc)) {
                *pcb = 0;
                if (erc != ercAbsPipeError) {
                    ercTrans = ercStsReceiveFailed;
                    return 0;
                }
            }
            continue;
        }
        ABSSEM *psem = PsemTransCancel();
        for (;;) {
            if (pusbtp->WaitEp(endpSts, 0)) {
                if (!pusbtp->GetEpResult(endpSts, pcb)) {
                    *pcb = 0;
                    if (pabsutil->GetLastErc() != ercAbsPipeError) {
                        ercTrans = ercStsReceiveFailed;
                        return 0;
                    }
                }
                break;
            }
            bool fCancel = psem == nullptr || psem->Wait(0) || pabsutil->GetLastErc() != ercAbsTimeout;
            if (fCancel) {
                if (!FAbort()) {
                    pusbtp->CancelEp(endpSts);
                    ercTrans = ercStsReceiveFailed;
                    return 0;
                }
                if (!FTransWait(endpSts, pcb)) {
                    ercTrans = ercStsReceiveFailed;
                    return 0;
                }
                break;
            }
            /* nothing yet: wait on the wire (a status ends the wait at once),
             * then look at the cancel signal again */
            pusbtp->WaitEp(endpSts, tmsSlice);
        }
    }
    return 1;
}

int DVTP1::FDataPhase()
{
    ABSSEM *psem = PsemTransCancel();
    if (psem == nullptr) {
        ercTrans = ercInternalError;
        return 0;
    }
    uint32_t cbSent = 0, cbRcvd = 0, cbChunkOut = 0, cbChunkIn = 0;
    bool fOutPending = false, fInPending = false;
    int ercLoop = 0;
    for (;;) {
        if (cbSent >= tfp.cbSnd && cbRcvd >= tfp.cbRcv)
            return 1;
        if (!fOutPending && cbSent < tfp.cbSnd) {
            cbChunkOut = tfp.cbSnd - cbSent < cbXferMax ? tfp.cbSnd - cbSent : cbXferMax;
            if (!pusbtp->StartWrite(endpDataOut, tfp.pbSnd + cbSent, cbChunkOut)) {
                ercLoop = ercDataSndLess;
                break;
            }
            fOutPending = true;
        }
        if (!fInPending && cbRcvd < tfp.cbRcv) {
            cbChunkIn = tfp.cbRcv - cbRcvd < cbXferMax ? tfp.cbRcv - cbRcvd : cbXferMax;
            if (!pusbtp->StartRead(endpDataIn, tfp.pbRcv + cbRcvd, cbChunkIn)) {
                ercLoop = ercDataRcvLess;
                break;
            }
            fInPending = true;
        }
        uint8_t rgendp[2];
        uint32_t cendp = 0;
        if (fOutPending)
            rgendp[cendp++] = endpDataOut;
        if (fInPending)
            rgendp[cendp++] = endpDataIn;
        uint8_t endpDone = 0;
        if (pusbtp->WaitAnyEp(rgendp, &endpDone, cendp, tmsSlice)) {
            uint32_t cb = 0;
            bool fOut = endpDone == endpDataOut;
            bool fOk = pusbtp->GetEpResult(endpDone, &cb);
            if (fOut)
                fOutPending = false;
            else
                fInPending = false;
            if (fOut)
                cbSent += cb;
            else
                cbRcvd += cb;
            if (!fOk || cb != (fOut ? cbChunkOut : cbChunkIn)) {
                ercLoop = fOut ? ercDataSndLess : ercDataRcvLess;
                break;
            }
            SetCbData(cbSent, cbRcvd);
        } else if (pabsutil->GetLastErc() != ercAbsTimeout) {
            break;
        }
        if (psem->Wait(0) || pabsutil->GetLastErc() != ercAbsTimeout)
            break;
    }
    (void)ercLoop;
    FAbort();
    uint32_t cb = 0;
    if (fOutPending) {
        if (pusbtp->WaitEp(endpDataOut, 0) && pusbtp->GetEpResult(endpDataOut, &cb))
            cbSent += cb;
        else
            pusbtp->CancelEp(endpDataOut);
    }
    if (fInPending) {
        if (pusbtp->WaitEp(endpDataIn, 0) && pusbtp->GetEpResult(endpDataIn, &cb))
            cbRcvd += cb;
        else
            pusbtp->CancelEp(endpDataIn);
    }
    SetCbData(cbSent, cbRcvd);
    bool fSndShort = cbSent < tfp.cbSnd, fRcvShort = cbRcvd < tfp.cbRcv;
    if (fSndShort && fRcvShort)
        ercTrans = ercDataSndLessRcvLess;
    else if (fSndShort)
        ercTrans = ercDataSndLess;
    else if (fRcvShort)
        ercTrans = ercDataRcvLess;
    else if (ercLoop)
        ercTrans = ercLoop;
    else
        ercTrans = ercTransferCancelled;
    return 0;
}

int DVTP1::FCompletionPhase()
{
    if (PsemTransCancel() == nullptr) {
        ercTrans = ercInternalError;
        return 0;
    }
    uint8_t rgbSts[cbStsPktMax];
    uint32_t cb = 0;
    if (!FSendCmdReadSts(tfp.rgbCmdDone, rgbSts, &cb, true))
        return 0;
    return FProcessSts(rgbSts, cb, &tfp.rplyCmdDone);
}

int DVTP1::FAbort()
{
    fCancelSent = 1;
    uint32_t cb = 0;
    if (!pusbtp->StartWrite(endpCmd, rgbAbort, sizeof(rgbAbort)))
        return 0;
    return FTransWait(endpCmd, &cb) && cb == sizeof(rgbAbort);
}
