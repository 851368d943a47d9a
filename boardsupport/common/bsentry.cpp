// The entry module of every board-support plug-in: the library entry and the
// seven exports, over the plug-in's board table (bsboard.h).

#include "bsboard.h"

#include <stdio.h>
#include <string.h>

BSMOD g_bsmod;

namespace {

// Read the registry value named by the last component of szPath (the key is
// what comes before it) from HKLM into pb (cb bytes).
BOOL FReadHklm(const char *szPath, void *pb, DWORD cb)
{
    char szKey[MAX_PATH];
    snprintf(szKey, sizeof(szKey), "%s", szPath);
    char *pchSep = strrchr(szKey, '\\');
    if (pchSep == nullptr || strlen(pchSep + 1) > 255)
        return FALSE;
    *pchSep = '\0';
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return FALSE;
    DWORD cbRead = cb;
    LONG lErr = RegQueryValueExA(hkey, pchSep + 1, nullptr, nullptr, static_cast<BYTE *>(pb), &cbRead);
    RegCloseKey(hkey);
    return lErr == ERROR_SUCCESS;
}

void ForgetCallbacks()
{
    g_bsmod.pfnLog = nullptr;
    g_bsmod.pfnSetProgressRange = nullptr;
    g_bsmod.pfnLockHost = nullptr;
    g_bsmod.pfnConfigureFpga = nullptr;
}

} // namespace

char *SzBsLoad(UINT ids, char *sz, int cch)
{
    if (LoadStringA(g_bsmod.hinst, ids, sz, cch) <= 0)
        sz[0] = '\0';
    return sz;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hinst, DWORD, LPVOID)
{
    g_bsmod.hinst = hinst;
    return TRUE;
}

extern "C" {

uint8_t BSCALL FInit(BSINIT *pbsinit)
{
    if (pbsinit == nullptr || pbsinit->cb != sizeof(BSINIT) || pbsinit->pfnLog == nullptr ||
        pbsinit->pfnSetProgressRange == nullptr || pbsinit->pfnLockHost == nullptr ||
        pbsinit->pfnConfigureFpga == nullptr || pbsinit->szConn[0] == '\0')
        return 0;
    g_bsmod.pdid = pbsinit->pdid;
    g_bsmod.dwInfo = pbsinit->dwInfo;
    g_bsmod.ivariant = static_cast<int32_t>((pbsinit->pdid >> 8) & 0xFFF);
    g_bsmod.pfnLog = pbsinit->pfnLog;
    g_bsmod.pfnSetProgressRange = pbsinit->pfnSetProgressRange;
    g_bsmod.pfnLockHost = pbsinit->pfnLockHost;
    g_bsmod.pfnConfigureFpga = pbsinit->pfnConfigureFpga;
    snprintf(g_bsmod.szConn, sizeof(g_bsmod.szConn), "%.*s", cchBsConn - 1, pbsinit->szConn);
    char szReg[MAX_PATH];
    memset(g_bsmod.szDataPath, 0, sizeof(g_bsmod.szDataPath));
    if (!FReadHklm(SzBsLoad(g_bsboard.idsRegistry, szReg, sizeof(szReg)), g_bsmod.szDataPath,
                   sizeof(g_bsmod.szDataPath) - 1))
        return 0;
    if (g_bsboard.pfnInitViews != nullptr && !g_bsboard.pfnInitViews())
        return 0;
    return 1;
}

void BSCALL Term(void)
{
    if (g_bsboard.pfnTermViews != nullptr)
        g_bsboard.pfnTermViews();
    ForgetCallbacks();
}

int32_t BSCALL Cdbs(void)
{
    return g_bsboard.ctab;
}

uint8_t BSCALL FGetDbs(int32_t idbs, DBS *pdbs)
{
    if (idbs < 0 || idbs >= g_bsboard.ctab || pdbs == nullptr || pdbs->cb != sizeof(DBS))
        return 0;
    const BSTAB &tab = g_bsboard.rgtab[idbs];
    SzBsLoad(tab.idsName, pdbs->szName, sizeof(pdbs->szName));
    pdbs->pfnCreate = tab.pfnCreate;
    pdbs->pfnDestroy = tab.pfnDestroy;
    pdbs->pfnStop = tab.pfnStop;
    return 1;
}

uint8_t BSCALL FGetBslogo(BSLOGO *pbslogo)
{
    if (pbslogo == nullptr || pbslogo->cb != sizeof(BSLOGO))
        return 0;
    pbslogo->idBitmap1 = g_bsboard.idbmpLogo;
    pbslogo->idBitmap2 = g_bsboard.idbmpMask;
    pbslogo->hinst = g_bsmod.hinst;
    return 1;
}

int32_t BSCALL CchProduct(void)
{
    char sz[cchBsProductMin];
    return static_cast<int32_t>(strlen(SzBsLoad(g_bsboard.idsProductBase + g_bsmod.ivariant, sz, sizeof(sz))));
}

uint8_t BSCALL FGetSzProduct(char *szProduct)
{
    if (szProduct != nullptr)
        SzBsLoad(g_bsboard.idsProductBase + g_bsmod.ivariant, szProduct, cchBsProductMin);
    return 1;
}

} // extern "C"
