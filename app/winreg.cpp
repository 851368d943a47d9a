// The registry routines over advapi32.

#include "szload.h"

BOOL FRegGetValue(HKEY hkeyRoot, const char *szPath, void *pb, DWORD cb)
{
    char szKey[cchPathMax + 1], szValue[cchRegValueNameMax + 1];
    if (!FSplitRegPath(szPath, szKey, szValue))
        return FALSE;
    HKEY hkey;
    if (RegOpenKeyExA(hkeyRoot, szKey, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return FALSE;
    DWORD cbRead = cb;
    LONG lerr = RegQueryValueExA(hkey, szValue, nullptr, nullptr, static_cast<BYTE *>(pb), &cbRead);
    RegCloseKey(hkey);
    return lerr == ERROR_SUCCESS;
}

// The text is written with its terminating zero.
BOOL FRegSetSz(HKEY hkeyRoot, const char *szPath, const char *sz)
{
    char szKey[cchPathMax + 1], szValue[cchRegValueNameMax + 1];
    if (sz == nullptr || !FSplitRegPath(szPath, szKey, szValue))
        return FALSE;
    HKEY hkey;
    DWORD dwDisp;
    if (RegCreateKeyExA(hkeyRoot, szKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &hkey,
                        &dwDisp) != ERROR_SUCCESS)
        return FALSE;
    LONG lerr = RegSetValueExA(hkey, szValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(sz),
                               static_cast<DWORD>(strlen(sz) + 1));
    RegCloseKey(hkey);
    return lerr == ERROR_SUCCESS;
}

namespace {

HKEY HkeyOf(REGROOT root)
{
    return root == regrootLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

} // namespace

BOOL WINREG::FGetValue(REGROOT root, const char *szPath, void *pb, size_t cb)
{
    return FRegGetValue(HkeyOf(root), szPath, pb, static_cast<DWORD>(cb));
}

BOOL WINREG::FSetSz(REGROOT root, const char *szPath, const char *sz)
{
    return FRegSetSz(HkeyOf(root), szPath, sz);
}
