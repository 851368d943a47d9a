/* nmtx.cpp - Win32 named mutex: a named mutex object. */
#include "check.h"
#include "names.h"

#include <new>

struct YBNMTX {
    HANDLE h;
};

ERC YbNmtxOpen(const std::string &szNs, const char *szName, bool fOwned,
               YBNMTX **ppnmtx, bool *pfExisted)
{
    std::string szObj = SzObjectName(szNs, szName);
    if (szObj.size() >= MAX_PATH)
        return ercAbsInvalidParameter;
    SetLastError(ERROR_SUCCESS);
    /* An existing mutex is opened without ownership, whatever fOwned says. */
    HANDLE h = CreateMutexA(NULL, fOwned ? TRUE : FALSE, szObj.c_str());
    if (h == NULL)
        return ErcWinLast();
    bool fExisted = GetLastError() == ERROR_ALREADY_EXISTS;
    YBNMTX *pnmtx = new (std::nothrow) YBNMTX{h};
    if (pnmtx == NULL) {
        CloseHandle(h);
        return ercAbsOutOfMemory;
    }
    *pfExisted = fExisted;
    *ppnmtx = pnmtx;
    return ercAbsNone;
}

ERC YbNmtxLock(YBNMTX *pnmtx, uint32_t tms)
{
    return ErcWait(WaitForSingleObject(pnmtx->h, tms));
}

ERC YbNmtxUnlock(YBNMTX *pnmtx)
{
    return ReleaseMutex(pnmtx->h) ? (ERC)ercAbsNone : ErcWinLast();
}

void YbNmtxClose(YBNMTX *pnmtx)
{
    while (ReleaseMutex(pnmtx->h)) {
    }
    CloseHandle(pnmtx->h);
    delete pnmtx;
}
