/* thd.cpp - POSIX threads. */
#include "check.h"

#include <mutex>
#include <new>
#include <pthread.h>

struct YBTHD {
    pthread_t thread;
    std::mutex mtxJoin;
    bool fJoined;
};

namespace {

/* Owned by the new thread: the handle may be released before it runs. */
struct START {
    void (*pfn)(void *);
    void *pv;
};

void *PvEntry(void *pvStart)
{
    START start = *(START *)pvStart;
    delete (START *)pvStart;
    start.pfn(start.pv);
    return NULL;
}

}  // namespace

ERC YbThdStart(void (*pfn)(void *), void *pv, YBTHD **ppthd)
{
    YBTHD *pthd = new (std::nothrow) YBTHD;
    START *pstart = new (std::nothrow) START{pfn, pv};
    if (pthd == NULL || pstart == NULL) {
        delete pthd;
        delete pstart;
        return ercAbsOutOfMemory;
    }
    pthd->fJoined = false;
    int rc = pthread_create(&pthd->thread, NULL, PvEntry, pstart);
    if (rc != 0) {
        delete pthd;
        delete pstart;
        return ErcErrno(rc);
    }
    *ppthd = pthd;
    return ercAbsNone;
}

ERC YbThdJoin(YBTHD *pthd)
{
    std::lock_guard<std::mutex> lock(pthd->mtxJoin);
    if (!pthd->fJoined) {
        int rc = pthread_join(pthd->thread, NULL);
        if (rc != 0)
            return ErcErrno(rc);
        pthd->fJoined = true;
    }
    return ercAbsNone;
}

void YbThdRelease(YBTHD *pthd)
{
    {
        std::lock_guard<std::mutex> lock(pthd->mtxJoin);
        if (!pthd->fJoined)
            pthread_detach(pthd->thread);
    }
    delete pthd;
}
