/*
 * dvttrans.cpp - DVT members that start, collect and cancel transactions,
 * and the plain accessors.
 */
#include <stdio.h>
#include <string.h>

#include "dvt.h"
#include "tfp.h"
#include "vzcore.h"
#include "yorl.h"

uint32_t DVT::GetDtp() { return dtp; }
TFP *DVT::GetPtfp() { return &tfp; }
void DVT::SetDwDscn(uint32_t dw) { dwDscn = dw; }
uint32_t DVT::DwDscn() { return dwDscn; }
void DVT::SetTimeout(uint32_t tms) { tmsTimeout = tms; }
uint32_t DVT::GetTimeout() { return tmsTimeout; }
uint32_t DVT::GetCbDataOut() { return cbDataOut; }
uint32_t DVT::GetCbDataIn() { return cbDataIn; }
uint8_t DVT::AptActive() { return aptActive; }
int32_t DVT::PrtActive() { return prtActive; }

int DVT::FGetSzConnect(char *szConnOut)
{
    if (szConnOut == nullptr) {
        FRecordErc(ercInvalidParameter, "DVT::FGetSzConnect szConn = NULL");
        return 0;
    }
    SzCopy(szConnOut, szConn, cchConnMax);
    return 1;
}

int DVT::FDoTrans(TFP *ptfp)
{
    if (!FLockDvt())
        return 0;
    int fOk = 0;
    int fIdleNow = FIdleUnderCs(0);
    if (szConn[0] == '\0') {
        FRecordErc(ercDeviceNotConnected, "DVT::FDoTrans");
    } else if (!fIdleNow) {
        FRecordErc(ercTransferPending, "DVT::FDoTrans");
    } else {
        if (ptfp)
            memcpy(&tfp, ptfp, sizeof(tfp));
        if (!FCheckTfp(&tfp)) {
            FRecordErc(ercInvalidTFP, "DVT::FDoTrans");
        } else if (!psemTrans->Release(1)) {
            FRecordErc(ercInternalError, "DVT::FDoTrans psemTrans->Release(1)");
        } else {
            /*
             * The transaction thread has been released: it will take the
             * transaction however long that takes, so the hand-off is waited
             * for to its end and the transaction counts as started.
             */
            fOk = 1;
            while (!psemTransRdy->Wait(tmsSysTimeout)) {
                if (pabsutil->GetLastErc() != ercAbsTimeout) {
                    FRecordErc(ercInternalError, "DVT::FDoTrans psemTransRdy->Wait");
                    fOk = 0;
                    break;
                }
            }
            SetIdleUnderCs(0);
        }
    }
    return FUnlockDvt() && fOk;
}

/*
 * Wait up to tmsWait for the outstanding transaction. 1: it completed (the
 * handle is idle again); 0: *pfTimedOut tells a time-out from a failure.
 */
int DVT::FWaitTransRdy(uint32_t tmsWait, int *pfTimedOut)
{
    *pfTimedOut = 0;
    if (!psemTransRdy->Wait(tmsWait)) {
        *pfTimedOut = pabsutil->GetLastErc() == ercAbsTimeout;
        return 0;
    }
    SetIdleUnderCs(1);
    return 1;
}

int DVT::FGetTransResult(uint32_t *pcbOut, uint32_t *pcbIn, uint32_t tmsWait)
{
    if (!FLockDvt())
        return 0;
    int fOk = 0;
    int fIdleNow = FIdleUnderCs(1);
    uint32_t cbOut = 0, cbIn = 0;
    int fCounts = 0;
    if (fIdleNow) {
        fOk = ercTrans == 0;
        if (!fOk)
            FRecordErc(ercTrans, "DVT::FGetTransResult device status");
    } else {
        int fTimedOut = 0;
        if (FWaitTransRdy(tmsWait, &fTimedOut)) {
            /* Counts of this transaction, before a callback can start the next. */
            cbOut = cbDataOut;
            cbIn = cbDataIn;
            fCounts = 1;
            fOk = ercTrans == 0;
            if (!fOk)
                FRecordErc(ercTrans, "DVT::FGetTransResult device status");
            if (tfp.pfnTransDone)
                tfp.pfnTransDone(this);
        } else if (fTimedOut) {
            FRecordErc(ercTransferPending, "DVT::FGetTransStat device status");
        } else {
            FRecordErc(ercInternalError, "DVT::FGetTransStat ABSSEM::Wait failed");
        }
    }
    if (!fCounts && FEnterCs()) {
        cbOut = cbDataOut;
        cbIn = cbDataIn;
        FLeaveCs();
    }
    if (pcbOut)
        *pcbOut = cbOut;
    if (pcbIn)
        *pcbIn = cbIn;
    return FUnlockDvt() && fOk;
}

int DVT::FProcessTransaction(TFP *ptfp, int fNoWait)
{
    if (!FDoTrans(ptfp))
        return 0;
    if (fNoWait)
        return 1;
    return FGetTransResult(nullptr, nullptr, tmsInfinite);
}

int DVT::FCancelTrans()
{
    if (!FLockDvt())
        return 0;
    int fOk = psemTransCancel->Release(1);
    if (!fOk)
        FRecordErc(ercInternalError, "DVT::FCancelTrans psemTransCancel->Release(1)");
    return FUnlockDvt() && fOk;
}

int DVT::FIsChannelSecure(int fData, int *pfSecure, uint32_t tmsWait)
{
    const char *szFn = fData ? "DVT::FIsDataChannelSecure" : "DVT::FIsControlChannelSecure";
    char szMsg[128];
    if (pfSecure == nullptr) {
        snprintf(szMsg, sizeof(szMsg), "%s NULL parameter specified", szFn);
        FRecordErc(ercInvalidParameter, szMsg);
        return 0;
    }
    if (!FLockDvt()) {
        snprintf(szMsg, sizeof(szMsg), "%s failed to lock DVT", szFn);
        FRecordErc(ercInternalError, szMsg);
        return 0;
    }
    int fOk = 1;
    int fIdleNow = FIdleUnderCs(1);
    int fTimedOut = 0;
    if (!fIdleNow) {
        if (FWaitTransRdy(tmsWait, &fTimedOut)) {
            if (tfp.pfnTransDone)
                tfp.pfnTransDone(this);
        } else {
            fOk = 0;
            snprintf(szMsg, sizeof(szMsg),
                     fTimedOut ? "%s timed out while waiting for data transfer to complete" : "%s wait failed", szFn);
            FRecordErc(fTimedOut ? ercTransferPending : ercInternalError, szMsg);
        }
    }
    *pfSecure = fData ? fDataSecure : fCtrlSecure;
    if (!pmtxDvt->Unlock()) {
        snprintf(szMsg, sizeof(szMsg), "%s failed to unlock DVT", szFn);
        FRecordErc(ercInternalError, szMsg);
        return 0;
    }
    return fOk;
}

int DVT::FIsControlChannelSecure(int *pfSecure, uint32_t tmsWait)
{
    return FIsChannelSecure(0, pfSecure, tmsWait);
}

int DVT::FIsDataChannelSecure(int *pfSecure, uint32_t tmsWait)
{
    return FIsChannelSecure(1, pfSecure, tmsWait);
}
