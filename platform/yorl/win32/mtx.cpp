/* mtx.cpp - Win32 process mutex: an unnamed mutex object. */
#include "check.h"

#include <new>

struct YBMTX {
    HANDLE h;
};

ERC YbMtxCreate(bool fOwned, YBMTX **ppmtx)
{
    HANDLE h = CreateMutexA(NULL, fOwned ? TRUE : FALSE, NULL);
    if (h == NULL)
        return ErcWinLast();
    YBMTX *pmtx = new (std::nothrow) YBMTX{h};
    if (pmtx == NULL) {
        CloseHandle(h);
        return ercAbsOutOfMemory;
    }
    *ppmtx = pmtx;
    return ercAbsNone;
}

ERC YbMtxLock(YBMTX *pmtx, uint32_t tms)
{
    return ErcWait(WaitForSingleObject(pmtx->h, tms));
}

ERC YbMtxUnlock(YBMTX *pmtx)
{
    return ReleaseMutex(pmtx->h) ? (ERC)ercAbsNone : ErcWinLast();
}

void YbMtxClose(YBMTX *pmtx)
{
    while (ReleaseMutex(pmtx->h)) {
    }
    CloseHandle(pmtx->h);
    delete pmtx;
}
