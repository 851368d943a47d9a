/*
 * enmmg.cpp - enumeration: synchronous, asynchronous on its own thread,
 * stop and free.
 */
#include "enmmg.h"

#include <stdio.h>

#include "mag.h"
#include "magmg.h"
#include "vzcore.h"
#include "yorl.h"

ENMMG enmmg;

namespace {

const uint32_t tptLast = 0x8000;

/* Transports whose devices a synchronous enumeration discovers: USB, PAR, SER. */
bool FDiscSync(uint32_t tpt)
{
    return tpt == 1 || tpt == 4 || tpt == 8;
}

void RecordLockFailure(const char *szOp, const char *szMtx)
{
    char szMsg[128];
    bool fTimeout = pabsutil->GetLastErc() == ercAbsTimeout;
    snprintf(szMsg, sizeof(szMsg), "%s %s %s", szOp, szMtx, fTimeout ? "timeout" : "error");
    FRecordErc(fTimeout ? ercApiLockTimeout : ercInternalError, szMsg);
}

/* fStopEnum is read under pmtxEnumStop (MAG::FIsEnumStopped): written under it too. */
void SetStopFlag(int fStop)
{
    ABSMTX *pmtx = vzproc.pmtxEnumStop;
    if (pmtx && pmtx->Lock(tmsLockTimeout)) {
        vzproc.fStopEnum = fStop;
        pmtx->Unlock();
    }
}

} // namespace

int FDtpMaskSelects(uint32_t dtpMask, uint32_t tpt, uint32_t ptc)
{
    uint32_t ptcMask = dtpMask >> 16;
    return (dtpMask & 0xFFFF & tpt) != 0 && (ptcMask == 0 || (ptc & ptcMask) != 0);
}

int ENMMG::FInit()
{
    fRunning = 0;
    fListFree = 1;
    fFreePending = 0;
    fThdHeld = 0;
    if (!dvcmg.FInit())
        return 0;
    pthd = pabsfact->InstABSTHD();
    if (pthd == nullptr || !pthd->Init()) {
        if (pthd)
            pabsfact->RlsABSTHD(pthd);
        pthd = nullptr;
        dvcmg.Term();
        return 0;
    }
    return 1;
}

void ENMMG::Term()
{
    StopForUnload();
    if (pthd) {
        pthd->Term();
        pabsfact->RlsABSTHD(pthd);
        pthd = nullptr;
    }
    fThdHeld = 0;
    dvcmg.Term();
}

/*
 * The managers' discovery loops see the stop flag; the list's end is
 * waited for so that no enumeration code runs once the library is gone.
 * Under the Windows loader lock the thread's end cannot be waited for:
 * clearing fRunning is then its last act in this library's code.
 */
void ENMMG::StopForUnload()
{
    if (pthd == nullptr)
        return;
    if (fRunning.load()) {
        SetStopFlag(1);
        while (fRunning.load())
            pabsutil->SleepMs(1);
    }
    if (!vzproc.fLoaderLock)
        ReapThread();
}

void ENMMG::ReapThread()
{
    if (fThdHeld && pthd) {
        pthd->WaitExit();
        fThdHeld = 0;
    }
}

int ENMMG::FLockEnum(const char *szOp)
{
    ABSMTX *pmtx = vzproc.pmtxEnum;
    if (pmtx == nullptr) {
        FRecordErc(ercInternalError, "ENMMG pmtxEnum missing");
        return 0;
    }
    if (pmtx->Lock(tmsLockTimeout))
        return 1;
    RecordLockFailure(szOp, "pmtxEnum");
    return 0;
}

void ENMMG::UnlockEnum()
{
    vzproc.pmtxEnum->Unlock();
}

/* Step 1 and 2 of both enumerations: claim the list. */
int ENMMG::FBeginEnum(const char *szOp)
{
    if (!FLockEnum(szOp))
        return 0;
    if (fRunning.load() || !fListFree) {
        UnlockEnum();
        char szMsg[96];
        snprintf(szMsg, sizeof(szMsg), "%s Enum list not free", szOp);
        FRecordErc(ercEnumListNotFree, szMsg);
        return 0;
    }
    fListFree = 0;
    fRunning = 1;
    fFreePending = 0;
    SetStopFlag(0);
    UnlockEnum();
    return 1;
}

/*
 * The end of an enumeration. A list freed while it ran is emptied again
 * here, so nothing the managers appended after the free stays behind.
 * When the lock cannot be had, fRunning still goes back to 0 (it is
 * atomic), so the pollers end.
 */
void ENMMG::EndEnum(const char *szOp)
{
    if (!FLockEnum(szOp)) {
        fRunning = 0;
        return;
    }
    if (fFreePending) {
        dvcmg.FClear();
        fListFree = 1;
        fFreePending = 0;
    }
    fRunning = 0;
    UnlockEnum();
}

int ENMMG::FDoEnum(int *pcdvc)
{
    if (!FBeginEnum("ENMMG::FDoEnum"))
        return 0;
    for (uint32_t tpt = 1; tpt <= tptLast; tpt <<= 1) {
        uint8_t cmag = magmg.CmagFromTpt(tpt);
        for (uint8_t imag = 0; imag < cmag; imag++) {
            MAG *pmag = magmg.PmagFromTptIndex(tpt, imag, nullptr);
            if (pmag)
                pmag->FEnum(1, FDiscSync(tpt), 0, nullptr, &dvcmg);
        }
    }
    FGetEnumCount(pcdvc);
    EndEnum("ENMMG::FDoEnum");
    return 1;
}

int ENMMG::FDoStartEnum(uint32_t dtpTblIn, uint32_t dtpDiscIn, uint32_t dinfoFilterIn, void *pInfoSetIn)
{
    if (!FBeginEnum("ENMMG::FDoStartEnum"))
        return 0;
    dtpTbl = dtpTblIn;
    dtpDisc = dtpDiscIn;
    dinfoFilter = dinfoFilterIn;
    pInfoSet = pInfoSetIn;
    /* The previous enumeration thread has done its work (fRunning was 0):
     * reap it before the object takes the next one. */
    ReapThread();
    if (pthd != nullptr && pthd->Init() && pthd->Create(EnumThreadProc, this, 0)) {
        fThdHeld = 1;
        return 1;
    }
    FRecordErc(ercInternalError, "Create Thread Enum failed");
    if (FLockEnum("ENMMG::FDoStartEnum")) {
        fRunning = 0;
        fListFree = 1;
        UnlockEnum();
    } else {
        fRunning = 0;
    }
    return 0;
}

uint32_t ENMMG::EnumThreadProc(void *pv)
{
    static_cast<ENMMG *>(pv)->DoEnumThread();
    return 0;
}

void ENMMG::DoEnumThread()
{
    for (uint32_t tpt = 1; tpt <= tptLast; tpt <<= 1) {
        uint8_t cmag = magmg.CmagFromTpt(tpt);
        for (uint8_t imag = 0; imag < cmag; imag++) {
            uint16_t ptc = 0;
            MAG *pmag = magmg.PmagFromTptIndex(tpt, imag, &ptc);
            if (pmag == nullptr)
                continue;
            int fTbl = FDtpMaskSelects(dtpTbl, tpt, ptc);
            int fDisc = FDtpMaskSelects(dtpDisc, tpt, ptc);
            if (fTbl || fDisc)
                pmag->FEnum(fTbl, fDisc, dinfoFilter, pInfoSet, &dvcmg);
        }
    }
    EndEnum("ENMMG::DoEnumThread");
}

int ENMMG::FDoEnumEx(int *pcdvc, uint32_t dtpTblIn, uint32_t dtpDiscIn, uint32_t dinfoFilterIn, void *pInfoSetIn)
{
    if (!FDoStartEnum(dtpTblIn, dtpDiscIn, dinfoFilterIn, pInfoSetIn)) {
        if (pcdvc)
            *pcdvc = 0;
        return 0;
    }
    while (!FIsEnumFinished())
        pabsutil->SleepMs(1);
    return FGetEnumCount(pcdvc);
}

int ENMMG::FIsEnumFinished()
{
    if (!FLockEnum("ENMMG::FIsEnumFinished"))
        return 0;
    int fFinished = fRunning.load() == 0;
    UnlockEnum();
    return fFinished;
}

int ENMMG::FDoStopEnum()
{
    ABSMTX *pmtx = vzproc.pmtxEnumStop;
    if (pmtx == nullptr || !pmtx->Lock(tmsLockTimeout)) {
        RecordLockFailure("ENMMG::FDoStopEnum", "pmtxEnumStop");
        return 0;
    }
    vzproc.fStopEnum = 1;
    pmtx->Unlock();
    while (!FIsEnumFinished())
        pabsutil->SleepMs(1);
    return 1;
}

int ENMMG::FGetEnumCount(int *pcdvc)
{
    if (!FLockEnum("ENMMG::FGetEnumCount"))
        return 0;
    if (pcdvc)
        *pcdvc = dvcmg.CdvcMac();
    UnlockEnum();
    return 1;
}

int ENMMG::FGetDvcFromIndex(int idvc, DVC *pdvc)
{
    if (!FLockEnum("ENMMG::FGetDvcFromIndex"))
        return 0;
    int f = dvcmg.FGetDvc(idvc, pdvc);
    UnlockEnum();
    return f;
}

int ENMMG::FGetEdvcFromIndex(int idvc, EDVC *pedvc)
{
    if (!FLockEnum("ENMMG::FGetEdvcFromIndex"))
        return 0;
    int f = dvcmg.FGetEdvc(idvc, pedvc);
    UnlockEnum();
    return f;
}

/*
 * Freeing while an enumeration runs empties the list now and once more at
 * the enumeration's end; the list is free only after that end.
 */
int ENMMG::FDoFreeDvcEnum()
{
    if (!FLockEnum("ENMMG::FDoFreeDvcEnum"))
        return 0;
    dvcmg.FClear();
    if (fRunning.load())
        fFreePending = 1;
    else
        fListFree = 1;
    UnlockEnum();
    return 1;
}
