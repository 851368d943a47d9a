/* path.cpp - path helpers shared by the utility and library objects. */
#include "yorli.h"

#include <string.h>

bool FYorlPathName(const char *sz)
{
    return strchr(sz, '/') != NULL || strchr(sz, '\\') != NULL || strchr(sz, ':') != NULL;
}

std::string SzYorlDirSep(const std::string &szDir)
{
    if (szDir.empty())
        return szDir;
    char chLast = szDir[szDir.size() - 1];
    if (chLast == '/' || chLast == YbChPathSep())
        return szDir;
    return szDir + YbChPathSep();
}

bool FYorlCopyOut(const std::string &sz, char *szOut, uint32_t cchOut)
{
    if (szOut == NULL || sz.size() + 1 > cchOut)
        return FYorlFail(ercAbsInvalidParameter);
    memcpy(szOut, sz.c_str(), sz.size() + 1);
    return true;
}
