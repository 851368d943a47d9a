/*
 * shm.cpp - Win32 shared segment: a named mapping of the paging file.
 *
 * A mapping does not tell its size, so a small header goes in front of the
 * caller's bytes: the first process to look stores the size there, every
 * later one compares (one compare-exchange, no race with the creator).
 * New mappings are zero-filled by the system.
 */
#include "check.h"
#include "names.h"

#include <new>

struct YBSHM {
    HANDLE h;
    void *pvView;
};

namespace {

struct SHMHDR {
    volatile LONG cbData;
    LONG rglReserved[15];
};

}  // namespace

ERC YbShmOpen(const std::string &szNs, const char *szName, uint32_t cb,
              YBSHM **ppshm, void **ppv)
{
    std::string szObj = SzObjectName(szNs, szName);
    if (szObj.size() >= MAX_PATH || cb > 0x7FFFFFFFu - sizeof(SHMHDR))
        return ercAbsInvalidParameter;
    DWORD cbMap = (DWORD)(sizeof(SHMHDR) + cb);
    HANDLEHOLDER hh(CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, cbMap, szObj.c_str()));
    if (hh.h == NULL)
        return ErcWinLast();
    void *pvView = MapViewOfFile(hh.h, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (pvView == NULL)
        return ErcWinLast();
    MEMORY_BASIC_INFORMATION mbi;
    SHMHDR *phdr = (SHMHDR *)pvView;
    bool fFits = VirtualQuery(pvView, &mbi, sizeof(mbi)) != 0 && mbi.RegionSize >= cbMap;
    LONG cbOld = fFits ? InterlockedCompareExchange(&phdr->cbData, (LONG)cb, 0) : -1;
    if (cbOld != 0 && cbOld != (LONG)cb) {
        UnmapViewOfFile(pvView);
        return ercAbsSizeMismatch;
    }
    YBSHM *pshm = new (std::nothrow) YBSHM{hh.h, pvView};
    if (pshm == NULL) {
        UnmapViewOfFile(pvView);
        return ercAbsOutOfMemory;
    }
    hh.Detach();
    *ppshm = pshm;
    *ppv = (unsigned char *)pvView + sizeof(SHMHDR);
    return ercAbsNone;
}

void YbShmClose(YBSHM *pshm)
{
    UnmapViewOfFile(pshm->pvView);
    CloseHandle(pshm->h);
    delete pshm;
}
