// Board table of "007 - Corvale".

#include "bsboards.h"
#include "board.h"

namespace {

const BSVK rgvk[] = {bsvkTestOld, bsvkPower, bsvkFlashBpi};

const BSTABDEF rgtab[] = {
    {100, ivHost, 0, bsstopNone},   // "Config"
    {127, 2, 112, bsstopNone},      // "Flash"
    {101, 0, 101, bsstopTest},      // "Test"
    {58112, 1, 108, bsstopNone},    // "Power"
    {102, ivHost, 0, bsstopNone},   // "Register I/O"
    {103, ivHost, 0, bsstopNone},   // "File I/O"
    {104, ivHost, 0, bsstopNone},   // "I/O Ex"
    {105, ivHost, 0, bsstopNone},   // "Settings"
};

} // namespace

extern const BSBOARDDEF g_bsbCorvale = {
    0x007, rgtab, BS_COUNT(rgtab), rgvk, BS_COUNT(rgvk),
    IDB_LOGO, IDB_MASK, IDS_PRODUCT, 2, IDS_REGISTRY, IDS_TESTIMAGE,
};
