/*
 * nmtx.cpp - ABSNMTX and ABSNMTX2, the named mutexes.
 *
 * The two differ only in what Lock reports when the previous owner ended
 * holding the mutex: ABSNMTX succeeds, ABSNMTX2 fails with 33 while the
 * caller holds the mutex all the same.
 */
#include "yorli.h"

#define PNMTX ((YBNMTX *)pvImpl)

ABSNMTX::ABSNMTX() : fReportAbandon(false), pvImpl(NULL) {}

ABSNMTX::~ABSNMTX()
{
    if (pvImpl != NULL)
        YbNmtxClose(PNMTX);
}

bool ABSNMTX::Init()
{
    if (FYorlFault(fReportAbandon ? "ABSNMTX2.Init" : "ABSNMTX.Init"))
        return FYorlFail(ercAbsFailed);
    return true;
}

bool ABSNMTX::Term()
{
    if (pvImpl != NULL)
        YbNmtxClose(PNMTX);
    pvImpl = NULL;
    return true;
}

bool ABSNMTX::Create(const char *szName, bool fOwned)
{
    if (szName == NULL || *szName == '\0')
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault(fReportAbandon ? "ABSNMTX2.Create" : "ABSNMTX.Create"))
        return FYorlFail(ercAbsFailed);
    if (pvImpl != NULL)
        YbNmtxClose(PNMTX);
    pvImpl = NULL;
    YBNMTX *pnmtx = NULL;
    bool fExisted = false;
    if (!FYorlCheck(YbNmtxOpen(SzYorlNamespace(), szName, fOwned, &pnmtx, &fExisted)))
        return false;
    pvImpl = pnmtx;
    /* Owned creation of an existing name: no ownership, object stays bound. */
    if (fOwned && fExisted)
        return FYorlFail(ercAbsTimeout);
    return true;
}

bool ABSNMTX::Lock(uint32_t tms)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (FYorlFault(fReportAbandon ? "ABSNMTX2.Lock" : "ABSNMTX.Lock"))
        return FYorlFail(ercAbsFailed);
    ERC erc = YbNmtxLock(PNMTX, tms);
    if (erc == ercAbsAbandoned && !fReportAbandon)
        return true;
    return FYorlCheck(erc);
}

bool ABSNMTX::Unlock()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    return FYorlCheck(YbNmtxUnlock(PNMTX));
}

ABSNMTX2::ABSNMTX2()
{
    fReportAbandon = true;
}

ABSNMTX2::~ABSNMTX2() {}
