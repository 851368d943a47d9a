/*
 * dir.cpp - ABSDIR, directory listing filtered by a wildcard pattern.
 *
 * The backend hands out every entry; the match is done here, so the rules
 * (see wildcard.cpp) are the same on every platform.
 */
#include "yorli.h"

#include <new>

namespace {

struct DIRI {
    YBDIR *pdir;
    std::string szPattern;
    std::string szPending;   /* matched name not yet handed out */
    bool fPending;
};

void CloseDiri(void *&pvImpl)
{
    DIRI *pdiri = (DIRI *)pvImpl;
    if (pdiri == NULL)
        return;
    YbDirClose(pdiri->pdir);
    delete pdiri;
    pvImpl = NULL;
}

}  // namespace

ABSDIR::ABSDIR() : pvImpl(NULL) {}

ABSDIR::~ABSDIR()
{
    CloseDiri(pvImpl);
}

bool ABSDIR::Init()
{
    if (FYorlFault("ABSDIR.Init"))
        return FYorlFail(ercAbsFailed);
    return true;
}

bool ABSDIR::Term()
{
    CloseDiri(pvImpl);
    return true;
}

bool ABSDIR::OpenDir(const char *szDir, const char *szPattern)
{
    if (szDir == NULL || *szDir == '\0')
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSDIR.OpenDir"))
        return FYorlFail(ercAbsFailed);
    CloseDiri(pvImpl);
    YBDIR *pdir = NULL;
    if (!FYorlCheck(YbDirOpen(szDir, &pdir)))
        return false;
    DIRI *pdiri = new (std::nothrow) DIRI;
    if (pdiri == NULL) {
        YbDirClose(pdir);
        return FYorlFail(ercAbsOutOfMemory);
    }
    pdiri->pdir = pdir;
    pdiri->szPattern = (szPattern == NULL || *szPattern == '\0') ? "*" : szPattern;
    pdiri->fPending = false;
    pvImpl = pdiri;
    return true;
}

bool ABSDIR::GetNextFileName(char *szName, uint32_t cchName)
{
    DIRI *pdiri = (DIRI *)pvImpl;
    if (pdiri == NULL)
        return FYorlFail(ercAbsNotInit);
    if (szName == NULL || cchName == 0)
        return FYorlFail(ercAbsInvalidParameter);
    while (!pdiri->fPending) {
        std::string sz;
        if (!FYorlCheck(YbDirNext(pdiri->pdir, &sz)))
            return false;
        if (sz.empty()) {
            szName[0] = '\0';
            return true;
        }
        if (FYorlWildMatch(pdiri->szPattern.c_str(), sz.c_str())) {
            pdiri->szPending = sz;
            pdiri->fPending = true;
        }
    }
    /* A name that does not fit stays pending for a larger buffer. */
    if (!FYorlCopyOut(pdiri->szPending, szName, cchName))
        return false;
    pdiri->fPending = false;
    return true;
}

bool ABSDIR::CloseDir()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    CloseDiri(pvImpl);
    return true;
}
