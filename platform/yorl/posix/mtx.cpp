/*
 * mtx.cpp - POSIX process mutex: a robust recursive pthread mutex that hands
 * a release over to the threads already waiting for it.
 *
 * A pthread mutex lets the releasing thread take it straight back, before a
 * waiter has run; a thread that polls under the mutex in short slices (a
 * transfer result awaited 25 ms at a time) then starves another thread that
 * needs the mutex briefly (a cancel of that transfer). A release made while
 * others wait therefore goes to one of them: a thread that did not wait
 * steps back until a waiter has taken it, or none waits any longer.
 */
#include "lock.h"

#include <atomic>
#include <new>

#include <time.h>

struct YBMTX {
    pthread_mutex_t mtx;
    std::atomic<int> cHeld;        /* levels held by its owner, when a thread of ours */
    std::atomic<pid_t> tidOwner;   /* 0 when free */
    int cLevels;                   /* the owner's levels: touched only by the owner, holding it */
    std::atomic<int> cWaiting;     /* threads blocked taking it */
    std::atomic<bool> fHandOver;   /* released while others waited: one of them is next */
};

namespace {

bool FPast(const struct timespec &tsEnd)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec > tsEnd.tv_sec || (ts.tv_sec == tsEnd.tv_sec && ts.tv_nsec >= tsEnd.tv_nsec);
}

/* Milliseconds left until tsEnd, rounded up (0 when past). */
uint32_t TmsLeft(const struct timespec &tsEnd)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    int64_t ns = (int64_t)(tsEnd.tv_sec - ts.tv_sec) * 1000000000LL + (tsEnd.tv_nsec - ts.tv_nsec);
    return ns <= 0 ? 0 : (uint32_t)((ns + 999999) / 1000000);
}

/* A thread that is not waiting yet lets the waiters have a release first. */
bool FGiveWay(YBMTX *pmtx, uint32_t tms)
{
    if (tms == 0 || !pmtx->fHandOver.load() || pmtx->cWaiting.load() == 0)
        return true;
    struct timespec tsEnd = TsDeadline(tms == tmsInfinite ? 3600u * 1000u : tms);
    while (pmtx->fHandOver.load() && pmtx->cWaiting.load() > 0) {
        if (tms != tmsInfinite && FPast(tsEnd))
            return false;
        struct timespec tsNap = {0, 200000L};
        nanosleep(&tsNap, NULL);
    }
    return true;
}

} // namespace

ERC YbMtxCreate(bool fOwned, YBMTX **ppmtx)
{
    YBMTX *pmtx = new (std::nothrow) YBMTX;
    if (pmtx == NULL)
        return ercAbsOutOfMemory;
    pmtx->cHeld.store(0);
    pmtx->tidOwner.store(0);
    pmtx->cLevels = 0;
    pmtx->cWaiting.store(0);
    pmtx->fHandOver.store(false);
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
    pid_t tid = TidSelf();
    ERC erc;
    if (pmtx->tidOwner.load() == tid) {
        erc = ErcLockTake(&pmtx->mtx, 0);   /* one more level of our own */
    } else {
        struct timespec tsEnd = TsDeadline(tms == tmsInfinite ? 0 : tms);
        if (!FGiveWay(pmtx, tms))
            return ercAbsTimeout;
        uint32_t tmsTake = tms == tmsInfinite || tms == 0 ? tms : TmsLeft(tsEnd);
        pmtx->cWaiting.fetch_add(1);
        erc = ErcLockTake(&pmtx->mtx, tmsTake);
        pmtx->cWaiting.fetch_sub(1);
    }
    if (erc != ercAbsNone && erc != ercAbsAbandoned)
        return erc;
    if (erc == ercAbsNone && pmtx->tidOwner.load() == tid) {
        pmtx->cLevels++;
    } else {
        pmtx->cLevels = 1;
        pmtx->tidOwner.store(tid);
        pmtx->fHandOver.store(false);
    }
    /* One owner at a time: levels counted for an owner that ended are
     * void, the new owner holds one. */
    if (erc == ercAbsNone)
        pmtx->cHeld.fetch_add(1);
    else
        pmtx->cHeld.store(1);
    return erc;
}

ERC YbMtxUnlock(YBMTX *pmtx)
{
    bool fOwner = pmtx->tidOwner.load() == TidSelf();
    bool fLast = fOwner && pmtx->cLevels == 1;
    if (fLast) {
        pmtx->cLevels = 0;
        pmtx->tidOwner.store(0);
        if (pmtx->cWaiting.load() > 0)
            pmtx->fHandOver.store(true);
    }
    ERC erc = ErcLockGive(&pmtx->mtx);
    if (erc == ercAbsNone) {
        pmtx->cHeld.fetch_sub(1);
        if (fOwner && !fLast)
            pmtx->cLevels--;
    } else if (fLast) {
        pmtx->cLevels = 1;
        pmtx->tidOwner.store(TidSelf());
        pmtx->fHandOver.store(false);
    }
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
