/*
 * fwcore.cpp - the firmware record of each interface and its state machine:
 * the command check and dispatch by protocol, the system protocol (abort,
 * transaction reset), data phases armed by the protocols and their final
 * status. Runs on the interface's worker thread; the client's threads only
 * hand over buffers (FtdInitReadWrite) and read progress (FtdGetTransSts).
 */
#include <string.h>

#include "fwlib.h"
#include "yorl.h"

FWIF rgfwif[cintfMax];

namespace {

void FwNoStep(int) {}
void FwNoDone(int) {}

void FwClearData(int i)
{
    FWIF &fwif = rgfwif[i];
    fwif.fBuffersSet = 0;
    fwif.pbSnd = nullptr;
    fwif.cbSndDone = fwif.cbSnd = 0;
    fwif.pbRcv = nullptr;
    fwif.cbRcvDone = fwif.cbRcv = 0;
    while (fwif.psemTransDone != nullptr && fwif.psemTransDone->Wait(0)) {
    }
}

void FwResetPhase(int i)
{
    FWIF &fwif = rgfwif[i];
    fwif.fws = 0;
    fwif.pfnStep = FwNoStep;
    fwif.pfnDone = FwNoDone;
    fwif.pfnAbort = nullptr;
    fwif.fCompletionSeen = 0;
    fwif.stsPhase = fwif.fsStsCounts = 0;
    fwif.cOutDone = fwif.cOutTotal = fwif.cInDone = fwif.cInTotal = 0;
    fwif.aptCur = fwif.cmdCur = fwif.prtCur = fwif.cmdCompletion = 0xFF;
    fwif.fsPrtBuffered = 0;
}

bool FWellFormed(const FWIF &fwif)
{
    return fwif.cbCmdRcvd == fwif.rgbCmd[0] + 1 && fwif.rgbCmd[0] >= 2;
}

/* Ends the phase early: code 2 (abort) unless a failure code is set. */
void FwEndPhase(int i, bool fAbort)
{
    FWIF &fwif = rgfwif[i];
    if (fwif.fws == 0)
        return;
    if (fAbort && fwif.pfnAbort != nullptr) {
        PFNFW pfn = fwif.pfnAbort;
        fwif.pfnAbort = nullptr;
        pfn(i);
    }
    fwif.pfnStep = FwNoStep;
    fwif.pfnDone = FwDoneSts;
    if (fwif.stsPhase == 0)
        fwif.stsPhase = fAbort ? stsCancelled : stsSndRcvLess;
    fwif.fws = fwif.fCompletionSeen ? 5 : 4;
    fwif.cbRcv = 0;
    fwif.cbSnd = 0;
}

void FwSysCmd(int i)
{
    FWIF &fwif = rgfwif[i];
    switch (fwif.rgbCmd[2]) {
    case 2:
        FwEndPhase(i, true);
        break;
    case 3: {
        uint32_t v = DwArg(i, 0);
        FwResetTrans(i);
        FFtdevClrPorts(i);
        uint32_t r = 0x7Au - v;
        fwif.rgbSts[1] = 0;
        fwif.cbStsReady = 1;
        FwPutRet(i, &r, 4);
        break;
    }
    default:
        FwSetSts(i, stsUnknownCommand);
        break;
    }
}

void FwDispatchCmd(int i)
{
    FWIF &fwif = rgfwif[i];
    if (!FWellFormed(fwif)) {
        FwSetSts(i, stsBadLength);
        return;
    }
    fwif.aptCur = fwif.rgbCmd[1];
    fwif.cmdCur = fwif.rgbCmd[2];
    if (fwif.rgbCmd[0] >= 3)
        fwif.prtCur = fwif.rgbCmd[3];
    switch (fwif.aptCur) {
    case 0: FwSysCmd(i); break;
    case 1: Apt1Dispatch(i); break;
#if AMBREL_JTAG
    case 2: JtagDispatch(i); break;
#endif
    case 11: StmDispatch(i); break;
    default: FwSetSts(i, stsUnknownProtocol); break;
    }
}

/* A command that arrives while a data phase runs. */
void FwPhaseCmd(int i)
{
    FWIF &fwif = rgfwif[i];
    if (FWellFormed(fwif)) {
        if (fwif.rgbCmd[1] == fwif.aptCur && fwif.rgbCmd[2] == fwif.cmdCompletion) {
            fwif.fCompletionSeen = 1;
            return;
        }
        /* Abort and reset act; an unknown system command ends the phase like any other
         * command (its answer is the final status with code 50), so no caller waits for
         * a status that would never come. */
        if (fwif.rgbCmd[1] == 0 && (fwif.rgbCmd[2] == 2 || fwif.rgbCmd[2] == 3)) {
            FwSysCmd(i);
            return;
        }
    }
    MbxDiscardSts(i);
    fwif.stsPhase = stsUnknownCommand;
    fwif.fws = 5;
}

void FwCompletionCheck(int i)
{
    if (rgfwif[i].fCompletionSeen)
        rgfwif[i].fws = 5;
}

} // namespace

uint32_t DwArg(int i, int iarg)
{
    const uint8_t *pb = rgfwif[i].rgbCmd + 4 + 4 * iarg;
    return uint32_t(pb[0]) | uint32_t(pb[1]) << 8 | uint32_t(pb[2]) << 16 | uint32_t(pb[3]) << 24;
}

void FwSetSts(int i, uint8_t sts)
{
    rgfwif[i].rgbSts[1] = sts;
    rgfwif[i].cbStsReady = 1;
}

void FwPutRet(int i, const void *pv, uint8_t cb)
{
    FWIF &fwif = rgfwif[i];
    if (fwif.cbStsReady + cb > cbPkt - 1)
        return;
    memcpy(fwif.rgbSts + 1 + fwif.cbStsReady, pv, cb);
    fwif.cbStsReady = uint8_t(fwif.cbStsReady + cb);
}

int FFwInitAll()
{
    for (int i = 0; i < cintfMax; i++) {
        memset(static_cast<void *>(&rgfwif[i]), 0, sizeof(rgfwif[i]));
        FwResetPhase(i);
    }
    return 1;
}

void FwTermAll()
{
    for (int i = 0; i < cintfMax; i++)
        FwTermIntf(i);
}

int FFwInitIntf(int i)
{
    FWIF &fwif = rgfwif[i];
    if (fwif.psemTransDone != nullptr)
        fwif.psemTransDone->Term();
    else
        fwif.psemTransDone = pabsfact->InstABSSEM();
    if (fwif.psemTransDone == nullptr || !fwif.psemTransDone->Init() || !fwif.psemTransDone->Create(0, 0)) {
        FwTermIntf(i);
        return 0;
    }
    fwif.cbCmdRcvd = fwif.cbStsReady = 0;
    FwClearData(i);
    FwResetPhase(i);
    return 1;
}

void FwTermIntf(int i)
{
    FWIF &fwif = rgfwif[i];
    if (fwif.psemTransDone != nullptr) {
        fwif.psemTransDone->Term();
        pabsfact->RlsABSSEM(fwif.psemTransDone);
        fwif.psemTransDone = nullptr;
    }
    fwif.pbSnd = fwif.pbRcv = nullptr;
}

void FwResetTrans(int i)
{
    FwResetPhase(i);
    rgfwif[i].cbCmdRcvd = 0;
    rgfwif[i].cbStsReady = 0;
    FwClearData(i);
}

void FwArmPhase(int i, uint8_t fwsStart, PFNFW pfnStep, PFNFW pfnDone, PFNFW pfnAbort)
{
    FWIF &fwif = rgfwif[i];
    fwif.fws = fwsStart;
    fwif.pfnStep = pfnStep;
    fwif.pfnDone = pfnDone;
    fwif.pfnAbort = pfnAbort;
    fwif.fCompletionSeen = 0;
    fwif.stsPhase = 0;
}

void FwFailPhase(int i)
{
    FwEndPhase(i, false);
}

void FwPhaseFinished(int i)
{
    rgfwif[i].fws = rgfwif[i].fCompletionSeen ? 5 : 4;
}

void FwDoneSts(int i)
{
    FWIF &fwif = rgfwif[i];
    fwif.rgbSts[1] = uint8_t(fwif.stsPhase | fwif.fsStsCounts);
    fwif.cbStsReady = 1;
    if (fwif.fsStsCounts & 0x80)
        FwPutRet(i, &fwif.cOutDone, 4);
    if (fwif.fsStsCounts & 0x40)
        FwPutRet(i, &fwif.cInDone, 4);
}

void FwStep(int i)
{
    FWIF &fwif = rgfwif[i];
    bool fCmd = fwif.cbCmdRcvd != 0;
    switch (fwif.fws) {
    case 0:
        if (!fCmd)
            return;
        FwClearData(i);
        if (!(FWellFormed(fwif) && fwif.rgbCmd[1] == 0 && fwif.rgbCmd[2] == 2)) {
            MbxDiscardSts(i);
            fwif.cbStsReady = 0;
            FwSetSts(i, stsOk);
            FwDispatchCmd(i);
        }
        fwif.cbCmdRcvd = 0;
        return;
    case 1:
        if (fCmd) {
            FwPhaseCmd(i);
            fwif.cbCmdRcvd = 0;
            if (fwif.fws == 1)
                FwCompletionCheck(i);
        } else if (fwif.fBuffersSet) {
            fwif.fws = 2;
        }
        return;
    case 2:
        if (fCmd) {
            FwPhaseCmd(i);
            fwif.cbCmdRcvd = 0;
        }
        if (fwif.fws != 2)
            return;
        if (fwif.cbSnd == 0 && fwif.cbRcv == 0) {
            FwCompletionCheck(i);
            return;
        }
        fwif.pfnStep(i);
        if (fwif.cbSndDone >= fwif.cbSnd && fwif.cbRcvDone >= fwif.cbRcv)
            fwif.psemTransDone->Release(1);
        return;
    case 3:
        if (fCmd) {
            FwPhaseCmd(i);
            fwif.cbCmdRcvd = 0;
        }
        if (fwif.fws == 3)
            fwif.pfnStep(i);
        return;
    case 4:
        if (fCmd) {
            FwPhaseCmd(i);
            fwif.cbCmdRcvd = 0;
        }
        if (fwif.fws == 4)
            FwCompletionCheck(i);
        return;
    case 5:
        fwif.pfnDone(i);
        fwif.fws = 6;
        return;
    case 6:
        FwResetPhase(i);
        return;
    default:
        FwFailPhase(i);
        return;
    }
}
