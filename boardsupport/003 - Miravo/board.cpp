// Board table of "003 - Miravo".

#include "bsboards.h"
#include "board.h"

namespace {

const BSVK rgvk[] = {bsvkTestOld};

const BSTABDEF rgtab[] = {
    {106, ivHost, 0, bsstopNone},   // "Config"
    {107, 0, 103, bsstopTest},      // "Test"
    {108, ivHost, 0, bsstopNone},   // "Register I/O"
    {109, ivHost, 0, bsstopNone},   // "File I/O"
    {110, ivHost, 0, bsstopNone},   // "I/O Ex"
    {111, ivHost, 0, bsstopNone},   // "Settings"
};

} // namespace

extern const BSBOARDDEF g_bsbMiravo = {
    0x003, rgtab, BS_COUNT(rgtab), rgvk, BS_COUNT(rgvk),
    IDB_LOGO, IDB_MASK, IDS_PRODUCT, 4, IDS_REGISTRY, IDS_TESTIMAGE,
};
