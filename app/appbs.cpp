// APP board-support host: selecting a device, finding, loading and
// initialising its plug-in, identifying a generic board by its scan chain,
// unloading, and the four callbacks the plug-in receives.

#include "app.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "appset.h"
#include "bsident.h"
#include "brisel.h"
#include "dvclst.h"
#include "kelm.h"
#include "resource.h"
#include "sclib.h"
#include "szload.h"
#include "vwapp.h"
#include "vwconn.h"
#include "wrkthd.h"

namespace {

// The Settings page alone, when no plug-in is loaded.
void ShowSettingsOnly(VWAPP *pvwapp)
{
    InvalidateRect(pvwapp->Hwnd(), nullptr, TRUE);
    DBS *pdbs = static_cast<DBS *>(calloc(1, sizeof(DBS)));
    if (pdbs != nullptr) {
        pdbs->cb = sizeof(DBS);
        snprintf(pdbs->szName, sizeof(pdbs->szName), "%s", SzLoad(IDS_PAGE_SETTINGS));
        if (!pvwapp->FAddPage(0, nullptr, pdbs, pdbs->szName))
            free(pdbs);
    }
    pvwapp->ShowPage(0);
}

// An export of the plug-in, by name; null when missing.
template <typename PFN> PFN PfnBind(HMODULE hmod, const char *szName)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void *>(GetProcAddress(hmod, szName)));
}

// Host callbacks: they may be called from any thread of the plug-in.
int32_t BSCALL HostLog(const char *sz)
{
    g_app.Pvwapp()->AppendStatusLine(sz);
    return 0;
}

int32_t BSCALL HostSetProgressRange(int32_t, int32_t n)
{
    g_app.Pvwapp()->SetProgressRange(n);
    return 0;
}

int32_t BSCALL HostLockHost(uint8_t fLock)
{
    BOOL fEnable = fLock == 0;
    EnableWindow(g_app.Pvwapp()->HwndTab(), fEnable);
    if (g_app.Pvwapp()->PvwConn() != nullptr)
        EnableWindow(g_app.Pvwapp()->PvwConn()->Hwnd(), fEnable);
    return 0;
}

// Identify the chain, associate the file with device idvc without checks and
// program it, all on the caller's thread. FALSE when no device is selected.
uint8_t BSCALL HostConfigureFpga(int32_t idvc, const char *szPath)
{
    char szConn[sizeof(DVC::szConn)];
    const DVC *pdvc = g_app.Pdvclst()->PdvcSel();
    if (pdvc == nullptr || szPath == nullptr)
        return 0;
    memcpy(szConn, pdvc->szConn, sizeof(szConn));
    szConn[sizeof(szConn) - 1] = '\0';
    uint32_t erc = 0;
    if (!BriselInitScanChain(szConn, nullptr, &erc) || !BriselSetConfigFile(szPath, idvc, 0, &erc))
        return 0;
    return BriselProgramDvc(szConn, idvc, nullptr, &erc) ? 1 : 0;
}

} // namespace

BOOL APP::SelectDevice(BOOL fForce)
{
    fForceInit = fForce ? 1 : 0;
    if (!FUnloadBoardSupport() || pdvclst->PdvcSel() == nullptr) {
        ShowSettingsOnly(pvwapp);
        fDeviceSwitch = 0;
        return FALSE;
    }
    pvwapp->AppendStatusLine(SzLoad(IDS_LOADINGBOARD));
    pdid = pdvclst->PdvcentSel()->pdid;
    prodnum = ProdnumFromPdid(pdid);
    if (pappset->FInitScStrt() || fForceInit) {
        fChainReport = 0;
        if (psclib->FInitChain(pvwapp->Hwnd()))
            return TRUE;
    }
    return LoadBoardSupport();
}

uint32_t APP::PdidFromChain(const DVCENT *pent)
{
    if (pent == nullptr)
        return 1;
    uint32_t rgidcode[2] = {};
    int cidcode = pwrkthd->Cidcode();
    for (int i = 0; i < cidcode && i < 2; i++)
        rgidcode[i] = pwrkthd->Idcode(i);
    return PdidFromIdcodes(cidcode, rgidcode);
}

// Search the folder of szPattern (a folder followed by "\*") and its
// sub-folders for a plug-in of product prodnumFind; the last path set wins.
void APP::FindBoardSupport(const char *szPattern, int32_t prodnumFind)
{
    WIN32_FIND_DATAA fd;
    HANDLE hfind = FindFirstFileA(szPattern, &fd);
    if (hfind == INVALID_HANDLE_VALUE)
        return;
    size_t cchFolder = strlen(szPattern) - 1;   // the pattern without its "*"
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0)
                continue;
            char szSub[MAX_PATH + 4];
            if (cchFolder + strlen(fd.cFileName) > MAX_PATH - 1)
                continue;
            snprintf(szSub, sizeof(szSub), "%.*s%s\\*", static_cast<int>(cchFolder), szPattern, fd.cFileName);
            FindBoardSupport(szSub, prodnumFind);
        } else if (FBsFileServes(fd.cFileName, prodnumFind)) {
            snprintf(szBsPath, sizeof(szBsPath), "%.*s%s", static_cast<int>(cchFolder), szPattern, fd.cFileName);
            break;
        }
    } while (FindNextFileA(hfind, &fd));
    FindClose(hfind);
}

// A failed load: the Settings page only.
// The board libraries the plug-ins import besides the device libraries the
// program links (configuration reset and rails, JTAG port) stay loaded for
// the program's run once a plug-in is loaded, as those do: a board switch
// then does not load and unload them each time (an unloaded library leaves
// the handles of its run time behind).
static void KeepBoardLibrariesLoaded()
{
    static bool fLoaded = false;
    if (fLoaded)
        return;
    fLoaded = true;
    LoadLibraryA("mosk.dll");
    LoadLibraryA("tarv.dll");
}

BOOL APP::FFallback()
{
    ShowSettingsOnly(pvwapp);
    fDeviceSwitch = 0;
    fForceInit = 0;
    return FALSE;
}

BOOL APP::LoadBoardSupport()
{
    BOOL fInit = pappset->FInitScStrt() || fForceInit;
    fDefaultBoard = 0;
    DVCENT *pent = pdvclst->PdvcentSel();
    if (pent == nullptr)
        return FFallback();
    if (fInit && prodnum == 1) {
        uint32_t r = PdidFromChain(pent);
        pdid = r;
        if (r != 0) {
            pent->pdid = r;
            prodnum = ProdnumFromPdid(r);
            if (prodnum == 0)
                fDefaultBoard = 1;
        } else {
            fDefaultBoard = 1;
        }
    }
    uint32_t dwInfo = 0;
    if (!KelmGetInfo(const_cast<DVC *>(pdvclst->PdvcSel()), kinfoCaps, &dwInfo))
        dwInfo = 0;

    char szDataPath[cchPathMax + 1] = "";
    pappset->FGetDataPath(szDataPath);
    char szPattern[MAX_PATH + 32];
    snprintf(szPattern, sizeof(szPattern), "%s\\BoardSupport\\*", szDataPath);
    szBsPath[0] = '\0';
    FindBoardSupport(szPattern, prodnum);
    if (szBsPath[0] == '\0') {
        snprintf(szBsPath, sizeof(szBsPath), "%s\\BoardSupport\\000 - Unknown.dll", szDataPath);
        pvwapp->AppendStatusLine(SzLoad(fInit ? IDS_BS_NOFIND : IDS_BS_NOAUTOINIT));
        fDefaultBoard = 1;
    }

    KeepBoardLibrariesLoaded();
    hinstBs = LoadLibraryA(szBsPath);
    if (hinstBs == nullptr) {
        pvwapp->AppendStatusLine(SzLoad(IDS_BS_NODEFAULT));
        fDefaultBoard = 1;
        return FFallback();
    }
    pfnFInit = PfnBind<PFNBSFINIT>(hinstBs, "FInit");
    pfnTerm = PfnBind<PFNBSTERM>(hinstBs, "Term");
    pfnCdbs = PfnBind<PFNBSCDBS>(hinstBs, "Cdbs");
    pfnFGetDbs = PfnBind<PFNBSFGETDBS>(hinstBs, "FGetDbs");
    pfnFGetBslogo = PfnBind<PFNBSFGETBSLOGO>(hinstBs, "FGetBslogo");
    pfnFGetSzProduct = PfnBind<PFNBSFGETSZPRODUCT>(hinstBs, "FGetSzProduct");
    if (!pfnFInit || !pfnTerm || !pfnCdbs || !pfnFGetDbs || !pfnFGetBslogo || !pfnFGetSzProduct) {
        pvwapp->AppendStatusLine(SzLoad(IDS_BS_NOLOAD));
        return FFallback();
    }

    BSINIT bsinit = {};
    bsinit.cb = sizeof(BSINIT);
    bsinit.pdid = pdid;
    bsinit.dwInfo = dwInfo;
    snprintf(bsinit.szConn, sizeof(bsinit.szConn), "%s", pdvclst->PdvcSel()->szConn);
    bsinit.pfnLog = HostLog;
    bsinit.pfnSetProgressRange = HostSetProgressRange;
    bsinit.pfnLockHost = HostLockHost;
    bsinit.pfnConfigureFpga = HostConfigureFpga;
    if ((pfnFInit(&bsinit) & 0xFF) == 0) {
        pvwapp->AppendStatusLine(SzLoad(IDS_BS_NOLOAD));
        FUnloadBoardSupport();
        return FFallback();
    }

    bslogo = BSLOGO();
    bslogo.cb = sizeof(BSLOGO);
    pfnFGetBslogo(&bslogo);
    hbmpLogo = LoadBitmapA(bslogo.hinst, MAKEINTRESOURCEA(bslogo.idBitmap1 & 0xFFFF));
    hbmpMask = LoadBitmapA(bslogo.hinst, MAKEINTRESOURCEA(bslogo.idBitmap2 & 0xFFFF));
    char szProduct[264] = "";
    pfnFGetSzProduct(szProduct);
    if (szProduct[0] != '\0' && pvwapp->PvwConn() != nullptr)
        SetDlgItemTextA(pvwapp->PvwConn()->Hwnd(), IDC_CONN_PRODUCT, szProduct);
    InvalidateRect(pvwapp->Hwnd(), nullptr, TRUE);

    int cdbs = pfnCdbs();
    for (int i = 0; i < cdbs; i++) {
        DBS *pdbs = static_cast<DBS *>(calloc(1, sizeof(DBS)));
        if (pdbs != nullptr) {
            pdbs->cb = sizeof(DBS);
            pfnFGetDbs(i, pdbs);
        }
        if (pdbs == nullptr || !pvwapp->FAddPage(i, nullptr, pdbs, pdbs->szName)) {
            pvwapp->AppendStatusLine(SzLoad(IDS_BS_NOLOAD));
            free(pdbs);
            FUnloadBoardSupport();
            return FFallback();
        }
    }

    if (fInit) {
        fChainReport = 1;
        fForceInit = 1;
        HWND hwndConfig = pvwapp->HwndFindPage(SzLoad(IDS_PAGE_CONFIG));
        if (hwndConfig != nullptr)
            SendMessageA(hwndConfig, WM_COMMAND, IDC_PAGE_INITCHAIN, 0);
        else
            fDeviceSwitch = 0;   // no page ends the switch otherwise
    } else {
        fDeviceSwitch = 0;
    }
    if (pvwapp->Cpage() > 0)
        pvwapp->ShowPage(0);
    if (fDefaultBoard) {
        fDeviceSwitch = 0;
        pvwapp->AppendStatusLine(SzLoad(IDS_BS_DEFAULT));
    } else {
        pvwapp->AppendStatusLine(SzLoad(IDS_BS_LOADED));
    }
    fForceInit = 0;
    return TRUE;
}

BOOL APP::FUnloadBoardSupport()
{
    pvwapp->RemoveAllPages();
    if (hinstBs == nullptr)
        return TRUE;
    if (hbmpLogo != nullptr)
        DeleteObject(hbmpLogo);
    if (hbmpMask != nullptr)
        DeleteObject(hbmpMask);
    hbmpLogo = hbmpMask = nullptr;
    if (pfnTerm != nullptr)
        pfnTerm();
    pfnFInit = nullptr;
    pfnTerm = nullptr;
    pfnCdbs = nullptr;
    pfnFGetDbs = nullptr;
    pfnFGetBslogo = nullptr;
    pfnFGetSzProduct = nullptr;
    InvalidateRect(pvwapp->Hwnd(), nullptr, TRUE);
    if (pvwapp->PvwConn() != nullptr)
        SetDlgItemTextA(pvwapp->PvwConn()->Hwnd(), IDC_CONN_PRODUCT, "");
    if (!FreeLibrary(hinstBs))
        return FALSE;
    hinstBs = nullptr;
    return TRUE;
}
