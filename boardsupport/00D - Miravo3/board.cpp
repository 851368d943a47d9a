// Board table of "00D - Miravo3".

#include "bsboards.h"
#include "board.h"

namespace {

const BSVK rgvk[] = {bsvkTestNew, bsvkMemoryProg};

const BSTABDEF rgtab[] = {
    {100, ivHost, 0, bsstopNone},   // "Config"
    {127, 1, 112, bsstopCancelWait}, // "Memory"
    {101, 0, 101, bsstopRequest},   // "Test"
    {102, ivHost, 0, bsstopNone},   // "Register I/O"
    {103, ivHost, 0, bsstopNone},   // "File I/O"
    {104, ivHost, 0, bsstopNone},   // "I/O Ex"
    {105, ivHost, 0, bsstopNone},   // "Settings"
};

} // namespace

extern const BSBOARDDEF g_bsbMiravo3 = {
    0x00D, rgtab, BS_COUNT(rgtab), rgvk, BS_COUNT(rgvk),
    IDB_LOGO, IDB_MASK, IDS_PRODUCT, 2, IDS_REGISTRY, IDS_TESTIMAGE,
};
