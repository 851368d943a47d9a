// VWAPP page table: adding, inserting and removing the tab pages, and the
// page queries.

#include "vwapp.h"

#include <stdlib.h>

#include <commctrl.h>
#include <stdio.h>

#include "app.h"
#include "resource.h"
#include "szload.h"
#include "vwcfg.h"
#include "vwfile.h"
#include "vwioex.h"
#include "vwreg.h"
#include "vwset.h"

namespace {

// The built-in pages a plug-in may ask for by name.
DLGVIEW *PviewBuiltin(const char *szName, int *pidTemplate)
{
    struct {
        UINT idsName;
        int idTemplate;
        DLGVIEW *(*pfnNew)();
    } static const rgbuiltin[] = {
        {IDS_PAGE_CONFIG, IDD_CONFIG, [] { return static_cast<DLGVIEW *>(new VWCFG); }},
        {IDS_PAGE_REGIO, IDD_REGIO, [] { return static_cast<DLGVIEW *>(new VWREG); }},
        {IDS_PAGE_FILEIO, IDD_FILEIO, [] { return static_cast<DLGVIEW *>(new VWFILE); }},
        {IDS_PAGE_IOEX, IDD_IOEX, [] { return static_cast<DLGVIEW *>(new VWIOEX); }},
        {IDS_PAGE_SETTINGS, IDD_SETTINGS, [] { return static_cast<DLGVIEW *>(new VWSET); }},
    };
    for (const auto &builtin : rgbuiltin)
        if (strcmp(szName, SzLoad(builtin.idsName)) == 0) {
            *pidTemplate = builtin.idTemplate;
            return builtin.pfnNew();
        }
    return nullptr;
}

} // namespace

HWND VWAPP::HwndPage(int i) const
{
    if (i < 0 || i >= cpage)
        return nullptr;
    return rgppage[i]->pview ? rgppage[i]->pview->Hwnd() : rgppage[i]->hwnd;
}

HWND VWAPP::HwndCurPage() const { return HwndPage(ipageCur); }

DLGVIEW *VWAPP::PviewCurPage() const { return PviewPage(ipageCur); }

HWND VWAPP::HwndFindPage(const char *szName) const
{
    for (int i = 0; i < cpage; i++)
        if (strcmp(rgppage[i]->szName, szName) == 0)
            return HwndPage(i);
    return nullptr;
}

SIZE VWAPP::SizeLargestPage() const
{
    SIZE size = {0, 0};
    for (int i = 0; i < cpage; i++) {
        RECT rc;
        GetWindowRect(HwndPage(i), &rc);
        if (rc.right - rc.left > size.cx)
            size.cx = rc.right - rc.left;
        if (rc.bottom - rc.top > size.cy)
            size.cy = rc.bottom - rc.top;
    }
    return size;
}

int VWAPP::CyTabHeader() const
{
    RECT rc = {};
    if (hwndTab != nullptr)
        SendMessageA(hwndTab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
    return rc.bottom;
}

// Every page window at (3, 5 + header height) in the tab control, as its child.
void VWAPP::PlacePages()
{
    int cyHeader = CyTabHeader();
    for (int i = 0; i < cpage; i++) {
        HWND hwndPage = HwndPage(i);
        SetParent(hwndPage, hwndTab);
        SetWindowPos(hwndPage, nullptr, 3, 5 + cyHeader, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}

// Add page i: a page of the program (a descriptor without entry points,
// named after the page, or a view) or a plug-in page. On success the page
// owns the plug-in descriptor (a page of the program frees it at once); on
// failure the caller keeps it, and whatever was made for the page is gone
// again (a plug-in window through its pfnDestroy).
BOOL VWAPP::FAddPage(int i, DLGVIEW *pview, DBS *pdbs, const char *szName)
{
    if (pdbs != nullptr && pview == nullptr && pdbs->pfnCreate == nullptr && pdbs->pfnDestroy == nullptr &&
        pdbs->pfnStop == nullptr) {
        int idTemplate = 0;
        DLGVIEW *pviewNew = PviewBuiltin(szName, &idTemplate);
        if (pviewNew == nullptr)
            return FALSE;
        if (!pviewNew->FInit() || !pviewNew->FCreateDlg(g_app.Hinst(), hwnd, idTemplate) ||
            !FInsertPage(i, nullptr, pviewNew, nullptr, szName)) {
            pviewNew->Destroy();
            delete pviewNew;
            return FALSE;
        }
        // The name may live in the descriptor: the page keeps its own copy.
        szName = rgppage[i]->szName;
        free(pdbs);
    } else if (pdbs != nullptr && pview == nullptr) {
        if (pdbs->pfnCreate == nullptr)
            return FALSE;
        HWND hwndPage = pdbs->pfnCreate(hwndTab);
        if (hwndPage == nullptr || !FInsertPage(i, hwndPage, nullptr, pdbs, szName)) {
            if (pdbs->pfnDestroy != nullptr)
                pdbs->pfnDestroy();
            return FALSE;
        }
    } else if (pview != nullptr && pdbs == nullptr) {
        if (!FInsertPage(i, nullptr, pview, nullptr, szName))
            return FALSE;
    } else {
        return FALSE;
    }
    if (ipageCur == -1)
        ipageCur = 0;
    SIZE size = SizeLargestPage();
    for (int ipage = 0; ipage < cpage; ipage++)
        SetWindowPos(HwndPage(ipage), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    TCITEMA tci = {};
    tci.mask = TCIF_TEXT | TCIF_IMAGE;
    tci.pszText = const_cast<char *>(szName);
    tci.iImage = -1;
    SendMessageA(hwndTab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tci));
    PlacePages();
    return TRUE;
}

BOOL VWAPP::FInsertPage(int i, HWND hwndPage, DLGVIEW *pview, DBS *pdbs, const char *szName)
{
    if ((hwndPage == nullptr) == (pview == nullptr) || cpage >= cpageMax || i < 0 || i > cpage)
        return FALSE;
    PAGE *ppage = static_cast<PAGE *>(calloc(1, sizeof(PAGE)));
    if (ppage == nullptr)
        return FALSE;
    ppage->pview = pview;
    ppage->hwnd = hwndPage;
    ppage->pdbs = pdbs;
    snprintf(ppage->szName, sizeof(ppage->szName), "%s", szName ? szName : "");
    memmove(&rgppage[i + 1], &rgppage[i], sizeof(rgppage[0]) * static_cast<size_t>(cpage - i));
    rgppage[i] = ppage;
    cpage++;
    return TRUE;
}

BOOL VWAPP::FRemovePage(int i)
{
    if (i < 0 || i >= cpage)
        return FALSE;
    PAGE *ppage = rgppage[i];
    if (ppage->pview != nullptr) {
        ppage->pview->Destroy();
        delete ppage->pview;
    } else {
        if (ppage->pdbs != nullptr && ppage->pdbs->pfnDestroy != nullptr)
            ppage->pdbs->pfnDestroy();
        ppage->hwnd = nullptr;
        free(ppage->pdbs);
    }
    free(ppage);
    memmove(&rgppage[i], &rgppage[i + 1], sizeof(rgppage[0]) * static_cast<size_t>(cpage - i - 1));
    rgppage[--cpage] = nullptr;
    return TRUE;
}

void VWAPP::RemoveAllPages()
{
    while (cpage > 0) {
        PAGE *ppage = rgppage[0];
        if (ppage->pdbs != nullptr && ppage->pdbs->pfnStop != nullptr)
            ppage->pdbs->pfnStop();
        else if (ppage->pview != nullptr && strcmp(ppage->szName, SzLoad(IDS_PAGE_IOEX)) == 0)
            SendMessageA(HwndPage(0), WM_COMMAND, IDC_PAGE_IOEXSTOP, 0);
        SetParent(HwndPage(0), nullptr);
        SendMessageA(hwndTab, TCM_DELETEITEM, 0, 0);
        FRemovePage(0);
    }
    ipageCur = -1;
    g_app.SetHwndPage(nullptr);
}
