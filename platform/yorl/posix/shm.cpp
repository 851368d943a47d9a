/* shm.cpp - POSIX shared segment: the data part of a presence file. */
#include "presence.h"

#include <new>

struct YBSHM {
    PRESENCE pres;
};

ERC YbShmOpen(const std::string &szNs, const char *szName, uint32_t cb,
              YBSHM **ppshm, void **ppv)
{
    YBSHM *pshm = new (std::nothrow) YBSHM;
    if (pshm == NULL)
        return ercAbsOutOfMemory;
    bool fCreated = false;
    ERC erc = ErcPresenceOpen(szNs, 's', szName, cb, &pshm->pres, &fCreated);
    if (erc != ercAbsNone) {
        delete pshm;
        return erc;
    }
    if (fCreated)
        PresenceReady(&pshm->pres);
    *ppshm = pshm;
    *ppv = pshm->pres.pbMap + CbPresenceHeader();
    return ercAbsNone;
}

void YbShmClose(YBSHM *pshm)
{
    PresenceClose(&pshm->pres, true);
    delete pshm;
}
