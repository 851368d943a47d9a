// Board table of "006 - Miravo2".

#include "bsboards.h"
#include "board.h"

namespace {

const BSVK rgvk[] = {bsvkTestOld, bsvkMemory};

const BSTABDEF rgtab[] = {
    {100, ivHost, 0, bsstopNone},   // "Config"
    {124, 1, 102, bsstopNone},      // "Memory"
    {101, 0, 101, bsstopTest},      // "Test"
    {102, ivHost, 0, bsstopNone},   // "Register I/O"
    {103, ivHost, 0, bsstopNone},   // "File I/O"
    {104, ivHost, 0, bsstopNone},   // "I/O Ex"
    {105, ivHost, 0, bsstopNone},   // "Settings"
};

} // namespace

extern const BSBOARDDEF g_bsbMiravo2 = {
    0x006, rgtab, BS_COUNT(rgtab), rgvk, BS_COUNT(rgvk),
    IDB_LOGO, IDB_MASK, IDS_PRODUCT, 3, IDS_REGISTRY, IDS_TESTIMAGE,
};
