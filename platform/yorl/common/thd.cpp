/*
 * thd.cpp - ABSTHD, the thread object.
 *
 * The running flag lives in a block shared by the object and the thread,
 * freed by whichever lets go last, so Term may leave the thread running on
 * after the object is gone.
 */
#include "yorli.h"

#include <atomic>
#include <new>

namespace {

struct THDBLK {
    PFNABSTHD pfn;
    void *pvArg;
    std::atomic<int> cref;
    std::atomic<bool> fRunning;
    YBTHD *pthd;
};

void ReleaseBlk(THDBLK *pblk)
{
    if (pblk->cref.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete pblk;
}

void ThreadEntry(void *pv)
{
    THDBLK *pblk = (THDBLK *)pv;
    pblk->pfn(pblk->pvArg);
    pblk->fRunning.store(false, std::memory_order_release);
    ReleaseBlk(pblk);
}

/* Lets the thread run on; the object no longer refers to it. */
void Detach(void *&pvImpl)
{
    THDBLK *pblk = (THDBLK *)pvImpl;
    if (pblk == NULL)
        return;
    YbThdRelease(pblk->pthd);
    ReleaseBlk(pblk);
    pvImpl = NULL;
}

}  // namespace

ABSTHD::ABSTHD() : pvImpl(NULL) {}

ABSTHD::~ABSTHD()
{
    Detach(pvImpl);
}

bool ABSTHD::Init()
{
    if (FYorlFault("ABSTHD.Init"))
        return FYorlFail(ercAbsFailed);
    Detach(pvImpl);
    return true;
}

bool ABSTHD::Term()
{
    Detach(pvImpl);
    return true;
}

bool ABSTHD::Create(PFNABSTHD pfn, void *pvArg, uint32_t fFlags)
{
    if (pfn == NULL || fFlags != 0)
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSTHD.Create"))
        return FYorlFail(ercAbsFailed);
    THDBLK *pblk = new (std::nothrow) THDBLK;
    if (pblk == NULL)
        return FYorlFail(ercAbsOutOfMemory);
    pblk->pfn = pfn;
    pblk->pvArg = pvArg;
    pblk->cref.store(2);
    pblk->fRunning.store(true);
    pblk->pthd = NULL;
    YBTHD *pthd = NULL;
    ERC erc = YbThdStart(ThreadEntry, pblk, &pthd);
    if (erc != ercAbsNone) {
        delete pblk;
        return FYorlFail(erc);
    }
    Detach(pvImpl);
    pblk->pthd = pthd;
    pvImpl = pblk;
    return true;
}

bool ABSTHD::FRunning()
{
    THDBLK *pblk = (THDBLK *)pvImpl;
    return pblk != NULL && pblk->fRunning.load(std::memory_order_acquire);
}

bool ABSTHD::WaitExit()
{
    THDBLK *pblk = (THDBLK *)pvImpl;
    if (pblk == NULL)
        return FYorlFail(ercAbsNotInit);
    return FYorlCheck(YbThdJoin(pblk->pthd));
}
