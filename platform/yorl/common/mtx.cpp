/* mtx.cpp - ABSMTX, the process mutex (recursive, Windows mutex rules). */
#include "yorli.h"

#define PMTX ((YBMTX *)pvImpl)

ABSMTX::ABSMTX() : pvImpl(NULL) {}

ABSMTX::~ABSMTX()
{
    if (pvImpl != NULL)
        YbMtxClose(PMTX);
}

bool ABSMTX::Init()
{
    if (FYorlFault("ABSMTX.Init"))
        return FYorlFail(ercAbsFailed);
    return true;
}

bool ABSMTX::Term()
{
    if (pvImpl != NULL)
        YbMtxClose(PMTX);
    pvImpl = NULL;
    return true;
}

bool ABSMTX::Create(bool fOwned)
{
    if (FYorlFault("ABSMTX.Create"))
        return FYorlFail(ercAbsFailed);
    YBMTX *pmtx = NULL;
    if (!FYorlCheck(YbMtxCreate(fOwned, &pmtx)))
        return false;
    if (pvImpl != NULL)
        YbMtxClose(PMTX);
    pvImpl = pmtx;
    return true;
}

bool ABSMTX::Lock(uint32_t tms)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (FYorlFault("ABSMTX.Lock"))
        return FYorlFail(ercAbsFailed);
    ERC erc = YbMtxLock(PMTX, tms);
    /* An owner thread that ended holding it leaves it to us. */
    return erc == ercAbsAbandoned || FYorlCheck(erc);
}

bool ABSMTX::Unlock()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    return FYorlCheck(YbMtxUnlock(PMTX));
}
