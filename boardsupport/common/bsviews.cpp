// The plug-in's views and their tab callbacks (bsviews.h).

#include "bsviews.h"

#include <new>

#include "dlgvbs.h"
#include "vwflash.h"
#include "vwmem.h"
#include "vwmemprog.h"
#include "vwpwr.h"
#include "vwtstnew.h"
#include "vwtstold.h"

#include <new>

namespace {

const BSBOARDDEF *g_pbsb;
DLGVBS *g_rgpview[cviewMax];
BSSTOP g_rgstop[cviewMax];
int g_rgidd[cviewMax];
BSTAB g_rgtab[64];

// The three tab callbacks of view i.
template <int i> HWND BSCALL CreateTab(HWND hwndParent)
{
    DLGVBS *pview = g_rgpview[i];
    if (pview == nullptr)
        return nullptr;
    if (pview->HwndDlg() == nullptr && !pview->FCreateDlg(g_bsmod.hinst, hwndParent, g_rgidd[i]))
        return nullptr;
    return pview->HwndDlg();
}

template <int i> uint8_t BSCALL DestroyTab()
{
    if (g_rgpview[i] != nullptr)
        g_rgpview[i]->Destroy();
    return 1;
}

template <int i> uint8_t BSCALL StopTab()
{
    if (g_rgpview[i] != nullptr && g_rgstop[i] != bsstopNone)
        StopView(g_rgpview[i], g_rgstop[i]);
    return 1;
}

const PFNDBSCREATE rgpfnCreate[cviewMax] = {CreateTab<0>, CreateTab<1>, CreateTab<2>, CreateTab<3>};
const PFNDBSDESTROY rgpfnDestroy[cviewMax] = {DestroyTab<0>, DestroyTab<1>, DestroyTab<2>, DestroyTab<3>};
const PFNDBSSTOP rgpfnStop[cviewMax] = {StopTab<0>, StopTab<1>, StopTab<2>, StopTab<3>};

// The views in the board table's order, each followed by its own FInit; the
// first failure ends it (the views made so far stay until Term).
BOOL InitViews()
{
    for (int i = 0; i < g_pbsb->cview && i < cviewMax; i++) {
        if (!FViewBuilt(g_pbsb->rgvk[i]))
            continue;
        g_rgpview[i] = PviewNew(g_pbsb->rgvk[i], *g_pbsb);
        if (g_rgpview[i] == nullptr || !g_rgpview[i]->FInit())
            return FALSE;
    }
    return TRUE;
}

void TermViews()
{
    for (DLGVBS *&pview : g_rgpview) {
        delete pview;
        pview = nullptr;
    }
}

} // namespace

bool FViewBuilt(BSVK vk)
{
    switch (vk) {
    case bsvkPower:
    case bsvkTestOld:
    case bsvkTestNew:
    case bsvkFlashBpi:
    case bsvkFlashSpi:
    case bsvkMemoryProg:
    case bsvkMemory:
        return true;
    default:
        return false;
    }
}

DLGVBS *PviewNew(BSVK vk, const BSBOARDDEF &bsb)
{
    switch (vk) {
    case bsvkPower:
        return new VWPWR(bsb.prodnum == 0x00C ? g_pwrPentra : g_pwrCorvale);
    case bsvkTestOld: {
        const TSTOLDPROFILE *pprof = PtstoldProfile(bsb.prodnum);
        return pprof != nullptr ? new VWTSTOLD(*pprof) : nullptr;
    }
    case bsvkTestNew:
        return new (std::nothrow) VWTSTNEW(bsb.prodnum == 0x00C ? tstkPentra : tstkMiravo3);
    case bsvkFlashBpi:
        return new VWFLASH(g_flprofCorvale);
    case bsvkFlashSpi:
        return new VWFLASH(g_flprofPentra);
    case bsvkMemoryProg:
        return new VWMEMPROG;
    case bsvkMemory:
        return new (std::nothrow) VWMEM();
    default:
        return nullptr;
    }
}

void StopView(DLGVBS *pview, BSSTOP stop)
{
    switch (stop) {
    case bsstopTest:   // only the older self-test page stops its test
        static_cast<VWTSTOLD *>(pview)->FStopTest();
        break;
    case bsstopCancelWait:   // only the memory programming page cancels and waits
        static_cast<VWMEMPROG *>(pview)->CancelAndWait();
        break;
    case bsstopRequest:   // only the newer self-test page asks its test to stop
        static_cast<VWTSTNEW *>(pview)->RequestStop();
        break;
    default:
        break;
    }
}

BSBOARD BsboardFrom(const BSBOARDDEF &bsb)
{
    g_pbsb = &bsb;
    int ctab = 0;
    for (int i = 0; i < bsb.ctab && ctab < BS_COUNT(g_rgtab); i++) {
        const BSTABDEF &tab = bsb.rgtab[i];
        if (!FTabOffered(bsb, tab, FViewBuilt) || tab.iview >= cviewMax)
            continue;
        if (tab.iview == ivHost) {
            g_rgtab[ctab++] = {tab.idsName, nullptr, nullptr, nullptr};
            continue;
        }
        g_rgstop[tab.iview] = tab.stop;
        g_rgidd[tab.iview] = static_cast<int>(tab.idd);
        g_rgtab[ctab++] = {tab.idsName, rgpfnCreate[tab.iview], rgpfnDestroy[tab.iview], rgpfnStop[tab.iview]};
    }
    return {ctab,          g_rgtab,          bsb.idbmpLogo,    bsb.idbmpMask, bsb.idsProductBase,
            bsb.cvariantNamed, bsb.idsRegistry, bsb.idsTestImage, InitViews,     TermViews};
}
