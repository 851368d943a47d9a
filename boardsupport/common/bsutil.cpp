// SzLoadInto and FRegGetValue (bsutil.h).

#include "bsutil.h"

#include "bsboard.h"
#include "bsrecord.h"

char *SzLoadInto(UINT ids, char *sz)
{
    sz[0] = '\0';
    if (LoadStringA(g_bsmod.hinst, ids, sz, cchBsString) <= 0)
        sz[0] = '\0';
    return sz;
}

BOOL FRegGetValue(HKEY hkeyRoot, char *szPath, void *pbData)
{
    const char *szKey, *szValue;
    if (!FSplitRegPath(szPath, &szKey, &szValue))
        return FALSE;
    HKEY hkey;
    if (RegOpenKeyExA(hkeyRoot, szKey, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return FALSE;
    DWORD cb = cbBsDataMax;
    LONG lErr = RegQueryValueExA(hkey, szValue, nullptr, nullptr, static_cast<BYTE *>(pbData), &cb);
    RegCloseKey(hkey);
    return lErr == ERROR_SUCCESS;
}
