/*
 * fwmbx.cpp - the mailbox of each interface: one command slot and one
 * status slot between the client's threads and the interface's worker,
 * handed over with three semaphores used as events. The worker blocks up
 * to 5 ms while the interface is idle and only polls while a command or a
 * data phase is in progress.
 */
#include <string.h>

#include "fwlib.h"
#include "yorl.h"

namespace {

struct FTDMBX {
    uint8_t rgbCmd[cbPkt];
    uint8_t cbCmd;
    ABSSEM *psemCmdFree;
    ABSSEM *psemCmdRdy;
    uint8_t rgbSts[cbPkt];
    uint8_t cbSts;
    ABSSEM *psemStsRdy;
    int32_t fBlocking;
};

FTDMBX rgmbx[cintfMax];

void Drain(ABSSEM *psem)
{
    while (psem != nullptr && psem->Wait(0)) {
    }
}

void SemRelease(ABSSEM **ppsem)
{
    if (*ppsem == nullptr)
        return;
    (*ppsem)->Term();
    pabsfact->RlsABSSEM(*ppsem);
    *ppsem = nullptr;
}

void MbxClear(FTDMBX &mbx)
{
    mbx.cbCmd = 0;
    mbx.cbSts = 0;
    mbx.fBlocking = 1;
}

} // namespace

int FMbxInitAll()
{
    for (FTDMBX &mbx : rgmbx) {
        MbxClear(mbx);
        mbx.psemCmdFree = mbx.psemCmdRdy = mbx.psemStsRdy = nullptr;
    }
    return 1;
}

void MbxTermAll()
{
    for (int i = 0; i < cintfMax; i++)
        MbxDestroy(i);
}

int FMbxCreate(int i)
{
    if (i < 0 || i >= cintfMax)
        return 0;
    FTDMBX &mbx = rgmbx[i];
    MbxClear(mbx);
    ABSSEM **rgppsem[] = { &mbx.psemCmdFree, &mbx.psemCmdRdy, &mbx.psemStsRdy };
    bool fOk = true;
    for (ABSSEM **ppsem : rgppsem) {
        if (*ppsem != nullptr)
            (*ppsem)->Term();
        else
            *ppsem = pabsfact->InstABSSEM();
        fOk = fOk && *ppsem != nullptr && (*ppsem)->Init() && (*ppsem)->Create(0, 0);
    }
    if (!fOk)
        MbxDestroy(i);
    return fOk;
}

void MbxDestroy(int i)
{
    FTDMBX &mbx = rgmbx[i];
    MbxClear(mbx);
    SemRelease(&mbx.psemCmdFree);
    SemRelease(&mbx.psemCmdRdy);
    SemRelease(&mbx.psemStsRdy);
}

bool FMbxExists(int i)
{
    return i >= 0 && i < cintfMax && rgmbx[i].psemCmdFree != nullptr && rgmbx[i].psemCmdRdy != nullptr &&
           rgmbx[i].psemStsRdy != nullptr;
}

void MbxResetForWorker(int i)
{
    FTDMBX &mbx = rgmbx[i];
    Drain(mbx.psemCmdFree);
    Drain(mbx.psemCmdRdy);
    mbx.cbCmd = 0;
    mbx.psemCmdFree->Release(1);
    MbxDiscardSts(i);
}

void MbxDiscardSts(int i)
{
    Drain(rgmbx[i].psemStsRdy);
    rgmbx[i].cbSts = 0;
}

void MbxStep(int i)
{
    FTDMBX &mbx = rgmbx[i];
    FWIF &fwif = rgfwif[i];
    bool fIdle = (fwif.fws == 0 || fwif.fws == 6) && fwif.cbCmdRcvd == 0 && fwif.cbStsReady == 0 &&
                 fwif.fsPrtBuffered == 0;
    mbx.fBlocking = fIdle;
    if (fwif.cbCmdRcvd == 0 && mbx.psemCmdRdy->Wait(mbx.fBlocking ? 5 : 0)) {
        Drain(mbx.psemCmdRdy);
        uint8_t cb = mbx.cbCmd > uint8_t(cbPkt) ? uint8_t(cbPkt) : mbx.cbCmd;
        memcpy(fwif.rgbCmd, mbx.rgbCmd, cb);
        fwif.cbCmdRcvd = cb;
        mbx.cbCmd = 0;
        mbx.psemCmdFree->Release(1);
    }
    if (fwif.cbStsReady != 0 && mbx.cbSts == 0) {
        fwif.rgbSts[0] = fwif.cbStsReady;
        mbx.cbSts = uint8_t(fwif.cbStsReady + 1);
        memcpy(mbx.rgbSts, fwif.rgbSts, mbx.cbSts);
        fwif.cbStsReady = 0;
        mbx.psemStsRdy->Release(1);
    }
}

int FMbxSendCmd(int i, const uint8_t *pb, uint8_t cb, uint32_t tms)
{
    FTDMBX &mbx = rgmbx[i];
    if (!mbx.psemCmdFree->Wait(tms)) {
        pabsutil->SetLastErc(ercFwTimeout);
        return 0;
    }
    Drain(mbx.psemCmdFree);
    memcpy(mbx.rgbCmd, pb, cb);
    mbx.cbCmd = cb;
    if (!mbx.psemCmdRdy->Release(1)) {
        pabsutil->SetLastErc(ercFwSignalFailed);
        return 0;
    }
    return 1;
}

int FMbxReadSts(int i, uint8_t *pb, uint8_t cb, uint8_t *pcbSts, uint32_t tms)
{
    FTDMBX &mbx = rgmbx[i];
    if (!mbx.psemStsRdy->Wait(tms)) {
        pabsutil->SetLastErc(ercFwTimeout);
        return 0;
    }
    Drain(mbx.psemStsRdy);
    *pcbSts = mbx.cbSts;
    if (cb < mbx.cbSts) {
        mbx.psemStsRdy->Release(1);
        pabsutil->SetLastErc(ercFwStsBufferSmall);
        return 0;
    }
    memcpy(pb, mbx.rgbSts, mbx.cbSts);
    mbx.cbSts = 0;
    return 1;
}
