/* shm.cpp - ABSSHM, the named shared segment. */
#include "yorli.h"

#define PSHM ((YBSHM *)pvImpl)

ABSSHM::ABSSHM() : pvImpl(NULL) {}

ABSSHM::~ABSSHM()
{
    if (pvImpl != NULL)
        YbShmClose(PSHM);
}

bool ABSSHM::Init()
{
    if (FYorlFault("ABSSHM.Init"))
        return FYorlFail(ercAbsFailed);
    return true;
}

bool ABSSHM::Term()
{
    if (pvImpl != NULL)
        YbShmClose(PSHM);
    pvImpl = NULL;
    return true;
}

bool ABSSHM::Create(const char *szName, void **ppv, uint32_t cb)
{
    if (szName == NULL || *szName == '\0' || ppv == NULL || cb == 0)
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSSHM.Create"))
        return FYorlFail(ercAbsFailed);
    if (pvImpl != NULL)
        YbShmClose(PSHM);
    pvImpl = NULL;
    YBSHM *pshm = NULL;
    void *pv = NULL;
    if (!FYorlCheck(YbShmOpen(SzYorlNamespace(), szName, cb, &pshm, &pv)))
        return false;
    pvImpl = pshm;
    *ppv = pv;
    return true;
}
