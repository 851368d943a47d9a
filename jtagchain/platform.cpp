/*
 * The library's platform: threads, data directory and waits from the
 * OS-abstraction library, the module handle and the version text.
 */
#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include "brsys.h"
#include "sztext.h"
#include "yorl.h"

#ifndef BRISEL_VERSION
#  define BRISEL_VERSION "1.0.0.0"
#endif

namespace {

class YORLSYS : public BRSYS {
public:
    bool FStartThread(PFNBRTHD pfn, void *pvArg)
    {
        ABSTHD *pthd = pabsfact->InstABSTHD();
        if (pthd == nullptr)
            return false;
        bool fOk = pthd->Init() && pthd->Create(pfn, pvArg, 0);
        /* release the object without waiting: the thread runs on to its end */
        pthd->Term();
        pabsfact->RlsABSTHD(pthd);
        return fOk;
    }
    bool FGetDataDir(char *szPath, uint32_t cchPath) { return pabsutil->FGetDataDir(szPath, cchPath); }
    void SleepMs(uint32_t tms) { pabsutil->SleepMs(tms); }
};

YORLSYS yorlsys;

#if defined(_WIN32)
HMODULE hmodLib;
#endif

} // namespace

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE hinst, DWORD dwReason, LPVOID)
{
    hmodLib = hinst;
    return TRUE;
}
#endif

BRSYS *PbrsysPlatform()
{
    return (pabsfact != nullptr && pabsutil != nullptr) ? &yorlsys : nullptr;
}

JTPORT *PjtportPlatform()
{
    return PjtportTvx();
}

void *HmodBrisel()
{
#if defined(_WIN32)
    return hmodLib;
#else
    Dl_info dlinfo;
    if (dladdr((void *)&HmodBrisel, &dlinfo) == 0)
        return nullptr;
    return dlinfo.dli_fbase;
#endif
}

bool FGetVersionText(char *szVersion, uint32_t cchVersion)
{
#if defined(_WIN32)
    char szFile[MAX_PATH];
    if (GetModuleFileNameA(hmodLib, szFile, sizeof(szFile)) == 0)
        return false;
    DWORD dwHandle = 0;
    DWORD cb = GetFileVersionInfoSizeA(szFile, &dwHandle);
    if (cb == 0)
        return false;
    HGLOBAL hglb = GlobalAlloc(GMEM_MOVEABLE, cb);
    if (hglb == nullptr)
        return false;
    bool fOk = false;
    void *pv = GlobalLock(hglb);
    char szBlock[64];
    if (pv != nullptr && GetFileVersionInfoA(szFile, 0, cb, pv) &&
        LoadStringA(hmodLib, 3, szBlock, sizeof(szBlock)) > 0 &&
        SzAppendBounded(szBlock, "ProductVersion", sizeof(szBlock))) {
        char *szValue = nullptr;
        UINT cchValue = 0;
        if (VerQueryValueA(pv, szBlock, (void **)&szValue, &cchValue) && szValue != nullptr)
            fOk = SzCopyBounded(szVersion, szValue, cchVersion);
    }
    GlobalUnlock(hglb);
    GlobalFree(hglb);
    return fOk;
#else
    return SzCopyBounded(szVersion, BRISEL_VERSION, cchVersion);
#endif
}
