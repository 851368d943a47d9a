/* thd.cpp - Win32 threads (_beginthreadex, so the C runtime knows them). */
#include "check.h"

#include <new>
#include <process.h>

struct YBTHD {
    HANDLE h;
};

namespace {

/* Owned by the new thread: the handle may be released before it runs. */
struct START {
    void (*pfn)(void *);
    void *pv;
};

unsigned __stdcall Entry(void *pvStart)
{
    START start = *(START *)pvStart;
    delete (START *)pvStart;
    start.pfn(start.pv);
    return 0;
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
    uintptr_t h = _beginthreadex(NULL, 0, Entry, pstart, 0, NULL);
    if (h == 0) {
        delete pthd;
        delete pstart;
        return ercAbsOutOfMemory;
    }
    pthd->h = (HANDLE)h;
    *ppthd = pthd;
    return ercAbsNone;
}

ERC YbThdJoin(YBTHD *pthd)
{
    return WaitForSingleObject(pthd->h, INFINITE) == WAIT_OBJECT_0 ? (ERC)ercAbsNone : ErcWinLast();
}

void YbThdRelease(YBTHD *pthd)
{
    CloseHandle(pthd->h);
    delete pthd;
}
