/* sem.cpp - ABSSEM, the counting semaphore. A maximum of 0 means none. */
#include "yorli.h"

#define PSEM ((YBSEM *)pvImpl)

ABSSEM::ABSSEM() : pvImpl(NULL) {}

ABSSEM::~ABSSEM()
{
    if (pvImpl != NULL)
        YbSemClose(PSEM);
}

bool ABSSEM::Init()
{
    if (FYorlFault("ABSSEM.Init"))
        return FYorlFail(ercAbsFailed);
    return true;
}

bool ABSSEM::Term()
{
    if (pvImpl != NULL)
        YbSemClose(PSEM);
    pvImpl = NULL;
    return true;
}

bool ABSSEM::Create(int32_t cInit, int32_t cMax)
{
    if (cInit < 0 || cMax < 0 || (cMax > 0 && cInit > cMax))
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSSEM.Create"))
        return FYorlFail(ercAbsFailed);
    YBSEM *psem = NULL;
    if (!FYorlCheck(YbSemCreate(cInit, cMax == 0 ? INT32_MAX : cMax, &psem)))
        return false;
    if (pvImpl != NULL)
        YbSemClose(PSEM);
    pvImpl = psem;
    return true;
}

bool ABSSEM::Release(int32_t c)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (c <= 0)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(YbSemRelease(PSEM, c));
}

bool ABSSEM::Wait(uint32_t tms)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    return FYorlCheck(YbSemWait(PSEM, tms));
}
