/* dll.cpp - Win32 dynamic libraries (LoadLibrary search order). */
#include "check.h"

void YbDllCandidates(const char *szName, std::vector<std::string> *pvsz)
{
    std::string sz(szName);
    if (sz.find('.') == std::string::npos)
        sz += ".dll";
    pvsz->push_back(sz);
}

ERC YbDllOpen(const char *szFile, void **phmod)
{
    std::string sz(szFile);
    for (char &ch : sz)
        if (ch == '/')
            ch = '\\';
    /* No error box for a missing or broken library. */
    UINT modeOld = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE hmod = LoadLibraryA(sz.c_str());
    DWORD dwErr = GetLastError();
    SetErrorMode(modeOld);
    if (hmod == NULL) {
        ERC erc = ErcWin(dwErr);
        return erc == ercAbsOutOfMemory ? erc : (ERC)ercAbsNotFound;
    }
    *phmod = (void *)hmod;
    return ercAbsNone;
}

ERC YbDllSym(void *hmod, const char *szProc, void **ppfn)
{
    FARPROC pfn = GetProcAddress((HMODULE)hmod, szProc);
    if (pfn == NULL)
        return ercAbsNotFound;
    *ppfn = (void *)pfn;
    return ercAbsNone;
}

ERC YbDllClose(void *hmod)
{
    return FreeLibrary((HMODULE)hmod) ? (ERC)ercAbsNone : ErcWinLast();
}
