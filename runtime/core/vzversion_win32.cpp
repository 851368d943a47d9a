/*
 * vzversion_win32.cpp - the product version from the library's own version
 * resource: its file name, its version block, and the value whose path is
 * string 101 followed by "ProductVersion".
 */
#include <windows.h>

#include <string>
#include <vector>

#include "vzcore.h"
#include "vzversion.h"

int FGetProductVersion(char *szVersion, size_t cchVersion)
{
    HMODULE hmod = static_cast<HMODULE>(vzproc.hmod);
    char szFile[MAX_PATH];
    DWORD cch = GetModuleFileNameA(hmod, szFile, sizeof(szFile));
    if (cch == 0 || cch >= sizeof(szFile))
        return 0;
    DWORD dwHandle = 0;
    DWORD cb = GetFileVersionInfoSizeA(szFile, &dwHandle);
    if (cb == 0)
        return 0;
    std::vector<char> vbInfo(cb);
    if (!GetFileVersionInfoA(szFile, 0, cb, vbInfo.data()))
        return 0;
    char szBlock[128];
    if (LoadStringA(hmod, 101, szBlock, sizeof(szBlock)) <= 0)
        return 0;
    std::string szPath = std::string(szBlock) + "ProductVersion";
    char *pchValue = nullptr;
    UINT cchValue = 0;
    if (!VerQueryValueA(vbInfo.data(), szPath.c_str(), reinterpret_cast<void **>(&pchValue), &cchValue) ||
        pchValue == nullptr)
        return 0;
    SzCopy(szVersion, pchValue, cchVersion);
    return 1;
}
