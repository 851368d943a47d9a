// The entry module of every board-support plug-in: the library entry and the
// seven exports, over the plug-in's BSBOARD (bsboard.h).

#include "bsboard.h"
#include "bsdetach.h"
#include "bsutil.h"

#include <string.h>

BSMOD g_bsmod;

namespace {

void ForgetCallbacks()
{
    g_bsmod.pfnLog = nullptr;
    g_bsmod.pfnSetProgressRange = nullptr;
    g_bsmod.pfnLockHost = nullptr;
    g_bsmod.pfnConfigureFpga = nullptr;
}

// String of the product name of the board's variant into sz (cchBsString
// characters); "" for a variant the plug-in has no name for.
char *SzProduct(char *sz)
{
    int32_t iv = g_bsmod.ivariant;
    if (iv < 0 || iv >= g_bsboard.cvariantNamed) {
        sz[0] = '\0';
        return sz;
    }
    return SzLoadInto(g_bsboard.idsProductBase + static_cast<UINT>(iv), sz);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hinst, DWORD dwReason, LPVOID pvReserved)
{
    g_bsmod.hinst = hinst;
    // Unloaded by the program (not the process ending): give back what the
    // run-time keeps for the unloading thread.
    if (dwReason == DLL_PROCESS_DETACH && pvReserved == nullptr)
        ReleaseThreadRecords(hinst);
    return TRUE;
}

extern "C" {

uint8_t BSCALL FInit(BSINIT *pbsinit)
{
    if (!FBsinitValid(pbsinit))
        return 0;
    g_bsmod.pdid = pbsinit->pdid;
    g_bsmod.dwInfo = pbsinit->dwInfo;
    g_bsmod.ivariant = IvariantOf(pbsinit->pdid);
    g_bsmod.pfnLog = pbsinit->pfnLog;
    g_bsmod.pfnSetProgressRange = pbsinit->pfnSetProgressRange;
    g_bsmod.pfnLockHost = pbsinit->pfnLockHost;
    g_bsmod.pfnConfigureFpga = pbsinit->pfnConfigureFpga;
    memcpy(g_bsmod.szConn, pbsinit->szConn, sizeof(g_bsmod.szConn) - 1);
    g_bsmod.szConn[sizeof(g_bsmod.szConn) - 1] = '\0';

    char szReg[cchBsString];
    memset(g_bsmod.szDataPath, 0, sizeof(g_bsmod.szDataPath));
    g_bsmod.szTestImage[0] = '\0';
    if (!FRegGetValue(HKEY_LOCAL_MACHINE, SzLoadInto(g_bsboard.idsRegistry, szReg), g_bsmod.szDataPath))
        return 0;
    if (g_bsboard.idsTestImage != 0) {
        char szName[cchBsString];
        if (!FFormatTestImage(g_bsmod.szTestImage, sizeof(g_bsmod.szTestImage), g_bsmod.szDataPath,
                              SzLoadInto(g_bsboard.idsTestImage, szName), g_bsmod.ivariant))
            return 0;
    }
    if (g_bsboard.pfnInitViews != nullptr && !g_bsboard.pfnInitViews())
        return 0;
    return 1;
}

// The views go first: a view that ends its work may still report through
// the host's callbacks.
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
    if (!FDbsFillable(idbs, g_bsboard.ctab, pdbs))
        return 0;
    const BSTAB &tab = g_bsboard.rgtab[idbs];
    char szName[cchBsString];
    SzLoadInto(tab.idsName, szName);
    memcpy(pdbs->szName, szName, sizeof(pdbs->szName) - 1);
    pdbs->szName[sizeof(pdbs->szName) - 1] = '\0';
    pdbs->pfnCreate = tab.pfnCreate;
    pdbs->pfnDestroy = tab.pfnDestroy;
    pdbs->pfnStop = tab.pfnStop;
    return 1;
}

uint8_t BSCALL FGetBslogo(BSLOGO *pbslogo)
{
    if (!FBslogoFillable(pbslogo))
        return 0;
    pbslogo->idBitmap1 = g_bsboard.idbmpLogo;
    pbslogo->idBitmap2 = g_bsboard.idbmpMask;
    pbslogo->hinst = g_bsmod.hinst;
    return 1;
}

int32_t BSCALL CchProduct(void)
{
    char sz[cchBsString];
    return static_cast<int32_t>(strlen(SzProduct(sz)));
}

uint8_t BSCALL FGetSzProduct(char *szProduct)
{
    if (szProduct != nullptr)
        SzProduct(szProduct);
    return 1;
}

} // extern "C"
