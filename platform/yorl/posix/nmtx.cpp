/* nmtx.cpp - POSIX named mutex: a robust mutex in a presence file. */
#include "lock.h"
#include "presence.h"

#include <atomic>
#include <new>

struct YBNMTX {
    PRESENCE pres;
    std::atomic<int> cHeld;   /* levels held by its owner, when a thread of ours */
};

namespace {

pthread_mutex_t *Pmtx(YBNMTX *pnmtx)
{
    return &PhdrPresence(&pnmtx->pres)->mtx;
}

}  // namespace

ERC YbNmtxOpen(const std::string &szNs, const char *szName, bool fOwned,
               YBNMTX **ppnmtx, bool *pfExisted)
{
    YBNMTX *pnmtx = new (std::nothrow) YBNMTX;
    if (pnmtx == NULL)
        return ercAbsOutOfMemory;
    pnmtx->cHeld.store(0);
    bool fCreated = false;
    ERC erc = ErcPresenceOpen(szNs, 'm', szName, 0, &pnmtx->pres, &fCreated);
    if (erc == ercAbsNone && fCreated) {
        erc = ErcLockInit(Pmtx(pnmtx), true);
        /* Nobody else can see the mutex before PresenceReady. */
        if (erc == ercAbsNone && fOwned)
            erc = YbNmtxLock(pnmtx, tmsInfinite);
        if (erc == ercAbsNone)
            PresenceReady(&pnmtx->pres);
        else
            PresenceClose(&pnmtx->pres, true);
    }
    if (erc != ercAbsNone) {
        delete pnmtx;
        return erc;
    }
    *pfExisted = !fCreated;
    *ppnmtx = pnmtx;
    return ercAbsNone;
}

ERC YbNmtxLock(YBNMTX *pnmtx, uint32_t tms)
{
    ERC erc = ErcLockTake(Pmtx(pnmtx), tms);
    /* One owner at a time: levels counted for an owner that ended are
     * void, the new owner holds one. */
    if (erc == ercAbsNone)
        pnmtx->cHeld.fetch_add(1);
    else if (erc == ercAbsAbandoned)
        pnmtx->cHeld.store(1);
    return erc;
}

ERC YbNmtxUnlock(YBNMTX *pnmtx)
{
    ERC erc = ErcLockGive(Pmtx(pnmtx));
    if (erc == ercAbsNone)
        pnmtx->cHeld.fetch_sub(1);
    return erc;
}

void YbNmtxClose(YBNMTX *pnmtx)
{
    while (YbNmtxUnlock(pnmtx) == ercAbsNone) {
    }
    /* Held by another thread of ours: its robust list runs through the
     * page, so the page stays mapped. */
    PresenceClose(&pnmtx->pres, pnmtx->cHeld.load() == 0);
    delete pnmtx;
}
