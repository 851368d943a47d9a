// Board table of "008 - Tullen2".

#include "bsboards.h"
#include "board.h"

namespace {

const BSVK rgvk[] = {bsvkTestOld};

const BSTABDEF rgtab[] = {
    {106, ivHost, 0, bsstopNone},   // "Config"
    {109, 0, 7, bsstopTest},        // "Test"
    {110, ivHost, 0, bsstopNone},   // "Register I/O"
    {107, ivHost, 0, bsstopNone},   // "File I/O"
    {108, ivHost, 0, bsstopNone},   // "I/O Ex"
    {111, ivHost, 0, bsstopNone},   // "Settings"
};

} // namespace

extern const BSBOARDDEF g_bsbTullen2 = {
    0x008, rgtab, BS_COUNT(rgtab), rgvk, BS_COUNT(rgvk),
    IDB_LOGO, IDB_MASK, IDS_PRODUCT, 3, IDS_REGISTRY, IDS_TESTIMAGE,
};
