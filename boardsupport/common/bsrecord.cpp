// Record checks and path rules of the plug-in entry module (bsrecord.h).

#include "bsrecord.h"

#include <stdio.h>
#include <string.h>

bool FBsinitValid(const BSINIT *pbsinit)
{
    return pbsinit != nullptr && pbsinit->cb == sizeof(BSINIT) && pbsinit->pfnLog != nullptr &&
           pbsinit->pfnSetProgressRange != nullptr && pbsinit->pfnLockHost != nullptr &&
           pbsinit->pfnConfigureFpga != nullptr && pbsinit->szConn[0] != '\0';
}

bool FDbsFillable(int32_t idbs, int32_t ctab, const DBS *pdbs)
{
    return idbs >= 0 && idbs < ctab && pdbs != nullptr && pdbs->cb == sizeof(DBS);
}

bool FBslogoFillable(const BSLOGO *pbslogo)
{
    return pbslogo != nullptr && pbslogo->cb == sizeof(BSLOGO);
}

bool FSplitRegPath(char *szPath, const char **pszKey, const char **pszValue)
{
    if (szPath == nullptr)
        return false;
    char *pchSep = nullptr;
    for (char *pch = szPath + (szPath[0] != '\0' ? 1 : 0); *pch != '\0'; pch++)
        if (*pch == '\\' || *pch == ':')
            pchSep = pch;
    const char *szValue = szPath;
    if (pchSep != nullptr) {
        *pchSep = '\0';
        szValue = pchSep + 1;
    }
    if (strlen(szValue) > cchBsValueMax)
        return false;
    *pszKey = pchSep != nullptr ? szPath : "";
    *pszValue = szValue;
    return true;
}

bool FFormatTestImage(char *sz, size_t cch, const char *szDataPath, const char *szName, int32_t ivariant)
{
    if (cch == 0)
        return false;
    // The name comes from the string table: only its first "%d" is replaced,
    // every other character is copied as it stands.
    const char *pchD = strstr(szName, "%d");
    int cchName = pchD != nullptr ? static_cast<int>(pchD - szName) : static_cast<int>(strlen(szName));
    const char *szRest = pchD != nullptr ? pchD + 2 : "";
    char szVariant[16] = "";
    if (pchD != nullptr)
        snprintf(szVariant, sizeof(szVariant), "%d", static_cast<int>(ivariant));
    int cchOut = snprintf(sz, cch, "%s%.*s%s%s", szDataPath, cchName, szName, szVariant, szRest);
    if (cchOut < 0 || static_cast<size_t>(cchOut) >= cch) {
        sz[0] = '\0';
        return false;
    }
    return true;
}
