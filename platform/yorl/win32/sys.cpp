/* sys.cpp - Win32 utility services: last error, ids, process identity, tick,
 * sleep, paths. */
#include "check.h"

#include <stdlib.h>

namespace {

/* Our own TLS slot: GetLastError would be overwritten by any Win32 call
 * between the failure and the caller's look. */
DWORD ItlsErc()
{
    static const DWORD itls = TlsAlloc();
    return itls;
}

/* Folder of yorl.dll, with a trailing separator. */
bool FModuleDir(std::string *psz)
{
    HMODULE hmod = NULL;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCSTR)&FModuleDir, &hmod))
        return false;
    char sz[MAX_PATH];
    DWORD cch = GetModuleFileNameA(hmod, sz, sizeof(sz));
    if (cch == 0 || cch >= sizeof(sz))
        return false;
    std::string szFile(sz, cch);
    size_t ich = szFile.find_last_of("\\/");
    if (ich == std::string::npos)
        return false;
    *psz = szFile.substr(0, ich + 1);
    return true;
}

/* Counts per second of the performance counter. */
uint64_t CFreqQpc()
{
    static LARGE_INTEGER liFreq;
    if (liFreq.QuadPart == 0)
        QueryPerformanceFrequency(&liFreq);
    return (uint64_t)liFreq.QuadPart;
}

}  // namespace

uint32_t YbGetErc()
{
    DWORD dwSave = GetLastError();
    uint32_t erc = (uint32_t)(uintptr_t)TlsGetValue(ItlsErc());
    SetLastError(dwSave);
    return erc;
}

void YbSetErc(uint32_t erc)
{
    TlsSetValue(ItlsErc(), (void *)(uintptr_t)erc);
}

uint32_t YbIdProcess() { return GetCurrentProcessId(); }
uint32_t YbIdThread() { return GetCurrentThreadId(); }
uint64_t YbTickMs()
{
    /* The performance counter runs from boot for every process alike and,
     * unlike GetTickCount64, to the millisecond. */
    LARGE_INTEGER liNow;
    QueryPerformanceCounter(&liNow);
    uint64_t c = (uint64_t)liNow.QuadPart, cFreq = CFreqQpc();
    return c / cFreq * 1000u + c % cFreq * 1000u / cFreq;
}
void YbSleepMs(uint32_t tms)
{
    /*
     * Sleep may end up to one timer period early, and callers wait out
     * device timings with this: sleep again until the performance counter
     * has seen the whole time.
     */
    if (tms == 0) {
        Sleep(0);
        return;
    }
    uint64_t cFreq = CFreqQpc();
    uint64_t cWant = ((uint64_t)tms * cFreq + 999u) / 1000u;
    LARGE_INTEGER liStart, liNow;
    QueryPerformanceCounter(&liStart);
    DWORD tmsSleep = tms;
    for (;;) {
        Sleep(tmsSleep);
        QueryPerformanceCounter(&liNow);
        uint64_t cGone = (uint64_t)(liNow.QuadPart - liStart.QuadPart);
        if (cGone >= cWant)
            return;
        tmsSleep = (DWORD)(((cWant - cGone) * 1000u + cFreq - 1) / cFreq);
    }
}
char YbChPathSep() { return '\\'; }

bool FYbDefaultPath(char kind, std::string *psz)
{
    std::string szDir;
    switch (kind) {
    case 'd':
        if (!FModuleDir(&szDir))
            return false;
        *psz = szDir + "data\\";
        return true;
    case 'f':
        if (!FModuleDir(&szDir))
            return false;
        *psz = szDir + "firmware\\";
        return true;
    case 't': {
        const char *szAppData = getenv("APPDATA");
        if (szAppData == NULL || *szAppData == '\0') {
            if (!FModuleDir(&szDir))
                return false;
            *psz = szDir + "dvctbl.txt";
            return true;
        }
        /* The per-user folder is made on first use, so the runtime can
         * create the table file in it. */
        std::string szUser = SzYorlDirSep(szAppData) + "Korvanel";
        CreateDirectoryA(szUser.c_str(), NULL);
        *psz = szUser + "\\dvctbl.txt";
        return true;
    }
    default:
        return false;
    }
}
