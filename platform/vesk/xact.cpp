/*
 * xact.cpp - transactions of the client libraries over the runtime.
 */
#include "xact.h"

#include <string.h>

namespace xact {

using boardproto::cmdDisablePort;
using boardproto::cmdEnablePort;

void ClearTfp(TFP *ptfp)
{
    memset(ptfp, 0, sizeof(*ptfp));
}

uint8_t *PbSetCmd(uint8_t *rgbPkt, uint8_t apt, uint8_t cmd, uint8_t cbArg)
{
    rgbPkt[0] = uint8_t(3 + cbArg);
    rgbPkt[1] = apt;
    rgbPkt[2] = cmd;
    rgbPkt[3] = 0;
    return rgbPkt + 4;
}

void SetDone(uint8_t *rgbPkt, uint8_t apt, uint8_t cmd)
{
    PbSetCmd(rgbPkt, apt, uint8_t(cmd | 0x80), 0);
}

void AddReply(TFPRPLY *prply, uint8_t cb, uint8_t *pb)
{
    if (prply->crply >= crplyMax)
        return;
    prply->rgrply[prply->crply].cb = cb;
    prply->rgrply[prply->crply].pb = pb;
    prply->crply++;
}

int FFail(int erc, const char *szMsg)
{
    TvxSetLastErrorLog(erc, szMsg);
    return 0;
}

int ErcLast()
{
    int erc = TvxGetLastError();
    return erc != ercNoErc ? erc : ercInternalError;
}

DVT *PdvtOf(HIF hif)
{
    DVT *pdvt = nullptr;
    if (!TvxGetDvt(hif, &pdvt) || pdvt == nullptr) {
        if (TvxGetLastError() == ercNoErc)
            TvxSetLastErrorLog(ercInvalidHif, "client: no device behind the handle");
        return nullptr;
    }
    return pdvt;
}

int FStart(HIF hif, TFP *ptfp)
{
    DVT *pdvt = PdvtOf(hif);
    return pdvt != nullptr && pdvt->FDoTrans(ptfp);
}

int FFinish(HIF hif, uint32_t *pcOut, uint32_t *pcIn, const std::atomic<int> *pfAbort)
{
    /*
     * Short waits: the runtime holds the handle's lock while it waits, and a
     * cancel from another thread (KelmCancelTrans) needs that lock.
     */
    bool fCancelled = false;
    for (;;) {
        if (TvxGetTransResult(hif, pcOut, pcIn, tmsPoll))
            return 1;
        if (TvxGetLastError() != ercTransferPending)
            return 0;
        if (pfAbort != nullptr && !fCancelled && pfAbort->load() != 0) {
            TvxCancelTrans(hif);
            fCancelled = true;
        }
    }
}

int FRun(HIF hif, TFP *ptfp, uint32_t *pcOut, uint32_t *pcIn, const std::atomic<int> *pfAbort)
{
    return FStart(hif, ptfp) && FFinish(hif, pcOut, pcIn, pfAbort);
}

int FRunCmd(HIF hif, uint8_t apt, uint8_t cmd, const uint8_t *pbArg, uint8_t cbArg, uint8_t *pbRet,
            uint8_t cbRet)
{
    TFP tfp;
    ClearTfp(&tfp);
    uint8_t *pb = PbSetCmd(tfp.rgbCmd, apt, cmd, cbArg);
    if (cbArg != 0)
        memcpy(pb, pbArg, cbArg);
    if (cbRet != 0)
        AddReply(&tfp.rplyCmd, cbRet, pbRet);
    return FRun(hif, &tfp);
}

namespace {

/* Failures that another capability view cannot mend. */
bool FRetryable(int erc)
{
    switch (erc) {
    case ercTransferPending:
    case ercPortConflict:
    case ercInvalidHif:
    case ercInvalidParameter:
    case ercApiLockTimeout:
    case ercDeviceNotConnected:
        return false;
    default:
        return true;
    }
}

} // namespace

int FLockCap(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt)
{
    DVT *pdvt = PdvtOf(hif);
    if (pdvt == nullptr)
        return 0;
    if (pdvt->FEnableApt(dcap, apt, prt))
        return 1;
    if (TvxTstFsadm(fsadmDcapPriv) || !FRetryable(TvxGetLastError()))
        return 0;
    /* Ports among the private capabilities are seen with Fsadm 4 only. The
     * switch is the whole process's: it is set for this enable alone and
     * then put back as the caller had it (clear, or the test above would
     * not have come here). */
    TvxSetFsadm(fsadmDcapPriv);
    int fEnabled = pdvt->FEnableApt(dcap, apt, prt);
    int erc = ErcLast();
    TvxClrFsadm(fsadmDcapPriv);
    TvxSetLastErrorNoLog(fEnabled ? ercNoErc : erc);
    return fEnabled;
}

int FUnlockCap(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt)
{
    DVT *pdvt = PdvtOf(hif);
    return pdvt != nullptr && pdvt->FDisableApt(dcap, apt, prt);
}

int FEnable(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt)
{
    if (!FLockCap(hif, dcap, apt, prt))
        return 0;
    if (FRunCmd(hif, apt, cmdEnablePort, nullptr, 0, nullptr, 0))
        return 1;
    int erc = ErcLast();
    FUnlockCap(hif, dcap, apt, prt);
    TvxSetLastErrorNoLog(erc);
    return 0;
}

void SettleTrans(HIF hif)
{
    uint32_t cOut = 0, cIn = 0;
    if (TvxGetTransResult(hif, &cOut, &cIn, 0) || TvxGetLastError() != ercTransferPending)
        return;
    TvxCancelTrans(hif);
    while (!TvxGetTransResult(hif, &cOut, &cIn, tmsPoll) && TvxGetLastError() == ercTransferPending) {
    }
}

int FDisable(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt)
{
    /* A transfer left running (an overlapped one after a user cancel) would refuse the disable. */
    SettleTrans(hif);
    int fOk = FRunCmd(hif, apt, cmdDisablePort, nullptr, 0, nullptr, 0);
    int erc = fOk ? ercNoErc : ErcLast();
    int fUnlocked = FUnlockCap(hif, dcap, apt, prt);
    if (!fOk) {
        TvxSetLastErrorNoLog(erc);
        return 0;
    }
    return fUnlocked;
}

} // namespace xact
