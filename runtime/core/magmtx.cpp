/*
 * magmtx.cpp - making, locking and releasing a transport manager's mutex.
 */
#include "magmtx.h"
#include "vzcore.h"
#include "yorl.h"

ABSMTX *PmtxMagNew(bool fOwned, const MAGMTXFAIL &fail)
{
    ABSMTX *pmtx = pabsfact->InstABSMTX();
    if (pmtx == nullptr)
        return FRecordErc(ercInternalError, fail.szInst), nullptr;
    const char *szFail = nullptr;
    if (!pmtx->Init())
        szFail = fail.szInit;
    else if (!pmtx->Create(fOwned))
        szFail = fail.szCreate;
    if (szFail == nullptr)
        return pmtx;
    FRecordErc(ercInternalError, szFail);
    FMagMtxRelease(&pmtx);
    return nullptr;
}

bool FMagMtxRelease(ABSMTX **ppmtx)
{
    ABSMTX *pmtx = *ppmtx;
    if (pmtx == nullptr)
        return true;
    bool fOk = pmtx->Term();
    fOk = pabsfact->RlsABSMTX(pmtx) && fOk;
    *ppmtx = nullptr;
    return fOk;
}

int FMagLock(ABSMTX *pmtx, const char *szFail)
{
    if (pmtx == nullptr || !pmtx->Lock(tmsLockTimeout))
        return FRecordErc(ercApiLockTimeout, szFail), 0;
    return 1;
}

int FMagUnlock(ABSMTX *pmtx, const char *szFail)
{
    if (pmtx == nullptr || !pmtx->Unlock())
        return FRecordErc(ercInternalError, szFail), 0;
    return 1;
}
