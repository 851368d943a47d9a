// Registry path splitting shared by every REGSTORE.

#include "regstore.h"

#include <string.h>

BOOL FSplitRegPath(const char *szPath, char *szKey, char *szValue)
{
    if (szPath == nullptr)
        return FALSE;
    const char *pchSep = nullptr;
    for (const char *pch = szPath; *pch; pch++)
        if (*pch == '\\' || *pch == ':')
            pchSep = pch;
    const char *szName = pchSep ? pchSep + 1 : szPath;
    size_t cchKey = pchSep ? static_cast<size_t>(pchSep - szPath) : 0;
    if (strlen(szName) > cchRegValueNameMax || cchKey > cchPathMax)
        return FALSE;
    memcpy(szKey, szPath, cchKey);
    szKey[cchKey] = '\0';
    strcpy(szValue, szName);
    return TRUE;
}
