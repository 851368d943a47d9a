/*
 * dll.cpp - ABSDLL, dynamic libraries.
 *
 * A name with a directory part is loaded as given. A bare name is tried in
 * the forms the backend lists (the platform's decoration, the library's own
 * folder first); the first that loads wins. The fault slot
 * "ABSDLL.GetProc.<name>" makes a library lack that name.
 */
#include "yorli.h"

ABSDLL::ABSDLL() : pvImpl(NULL) {}
ABSDLL::~ABSDLL() {}

bool ABSDLL::Init()
{
    if (FYorlFault("ABSDLL.Init"))
        return FYorlFail(ercAbsFailed);
    return true;
}

bool ABSDLL::Term() { return true; }

bool ABSDLL::Load(const char *szName, HABSMOD *phmod)
{
    if (szName == NULL || *szName == '\0' || phmod == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    *phmod = NULL;
    if (FYorlFault("ABSDLL.Load"))
        return FYorlFail(ercAbsFailed);
    std::vector<std::string> vszFile;
    if (FYorlPathName(szName))
        vszFile.push_back(szName);
    else
        YbDllCandidates(szName, &vszFile);
    ERC erc = ercAbsNotFound;
    for (const std::string &szFile : vszFile) {
        void *hmod = NULL;
        erc = YbDllOpen(szFile.c_str(), &hmod);
        if (erc == ercAbsNone) {
            *phmod = hmod;
            return true;
        }
    }
    return FYorlFail(erc);
}

bool ABSDLL::Free(HABSMOD hmod)
{
    if (hmod == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(YbDllClose(hmod));
}

bool ABSDLL::GetProc(HABSMOD hmod, const char *szProc, void **ppfn)
{
    if (hmod == NULL || szProc == NULL || ppfn == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    *ppfn = NULL;
    if (FYorlFault((std::string("ABSDLL.GetProc.") + szProc).c_str()))
        return FYorlFail(ercAbsNotFound);
    return FYorlCheck(YbDllSym(hmod, szProc, ppfn));
}
