// APP board-support host: selecting a device, and unloading the plug-in.
//
// TODO: finding, loading and binding the plug-in for the selected board
// (LoadBoardSupport) and the chain identification before it arrive with the
// plug-in host; until then a selected board gets the Settings page only.

#include "app.h"

#include <stdio.h>
#include <stdlib.h>

#include "dvclst.h"
#include "resource.h"
#include "szload.h"
#include "vwapp.h"
#include "vwconn.h"

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

} // namespace

BOOL APP::SelectDevice(BOOL)
{
    if (!FUnloadBoardSupport() || pdvclst->PdvcSel() == nullptr) {
        ShowSettingsOnly(pvwapp);
        fDeviceSwitch = 0;
        return FALSE;
    }
    pvwapp->AppendStatusLine(SzLoad(IDS_LOADINGBOARD));
    pdid = pdvclst->PdvcentSel()->pdid;
    prodnum = static_cast<int32_t>((pdid & 0xFFF00000u) >> 20);
    return LoadBoardSupport();
}

BOOL APP::LoadBoardSupport()
{
    pvwapp->AppendStatusLine(SzLoad(IDS_BS_NODEFAULT));
    ShowSettingsOnly(pvwapp);
    fDeviceSwitch = 0;
    fForceInit = 0;
    return FALSE;
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
    InvalidateRect(pvwapp->Hwnd(), nullptr, TRUE);
    if (pvwapp->PvwConn() != nullptr)
        SetDlgItemTextA(pvwapp->PvwConn()->Hwnd(), IDC_CONN_PRODUCT, "");
    if (!FreeLibrary(hinstBs))
        return FALSE;
    hinstBs = nullptr;
    return TRUE;
}
