/* sem.cpp - Win32 semaphore object. */
#include "check.h"

#include <new>

struct YBSEM {
    HANDLE h;
};

ERC YbSemCreate(int32_t cInit, int32_t cMax, YBSEM **ppsem)
{
    HANDLE h = CreateSemaphoreA(NULL, cInit, cMax, NULL);
    if (h == NULL)
        return ErcWinLast();
    YBSEM *psem = new (std::nothrow) YBSEM{h};
    if (psem == NULL) {
        CloseHandle(h);
        return ercAbsOutOfMemory;
    }
    *ppsem = psem;
    return ercAbsNone;
}

ERC YbSemRelease(YBSEM *psem, int32_t c)
{
    return ReleaseSemaphore(psem->h, c, NULL) ? (ERC)ercAbsNone : ErcWinLast();
}

ERC YbSemWait(YBSEM *psem, uint32_t tms)
{
    return ErcWait(WaitForSingleObject(psem->h, tms));
}

void YbSemClose(YBSEM *psem)
{
    CloseHandle(psem->h);
    delete psem;
}
