/* mtx.cpp - POSIX process mutex: a robust recursive pthread mutex. */
#include "lock.h"

#include <atomic>
#include <new>

struct YBMTX {
    pthread_mutex_t mtx;
    std::atomic<int> cHeld;   /* levels held by its owner, when a thread of ours */
};

ERC YbMtxCreate(bool fOwned, YBMTX **ppmtx)
{
    YBMTX *pmtx = new (std::nothrow) YBMTX;
    if (pmtx == NULL)
        return ercAbsOutOfMemory;
    pmtx->cHeld.store(0);
    ERC erc = ErcLockInit(&pmtx->mtx, false);
    if (erc == ercAbsNone && fOwned)
        erc = YbMtxLock(pmtx, tmsInfinite);
    if (erc != ercAbsNone) {
        delete pmtx;
        return erc;
    }
    *ppmtx = pmtx;
    return ercAbsNone;
}

ERC YbMtxLock(YBMTX *pmtx, uint32_t tms)
{
    ERC erc = ErcLockTake(&pmtx->mtx, tms);
    /* One owner at a time: levels counted for an owner that ended are
     * void, the new owner holds one. */
    if (erc == ercAbsNone)
        pmtx->cHeld.fetch_add(1);
    else if (erc == ercAbsAbandoned)
        pmtx->cHeld.store(1);
    return erc;
}

ERC YbMtxUnlock(YBMTX *pmtx)
{
    ERC erc = ErcLockGive(&pmtx->mtx);
    if (erc == ercAbsNone)
        pmtx->cHeld.fetch_sub(1);
    return erc;
}

void YbMtxClose(YBMTX *pmtx)
{
    while (YbMtxUnlock(pmtx) == ercAbsNone) {
    }
    /* Still held by another thread: freeing it would break that thread's
     * robust list, so the memory is left to it. */
    if (pmtx->cHeld.load() != 0)
        return;
    pthread_mutex_destroy(&pmtx->mtx);
    delete pmtx;
}
