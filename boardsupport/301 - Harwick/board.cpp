// Board table of "301 - Harwick".

#include "bsboards.h"
#include "board.h"

namespace {

const BSTABDEF rgtab[] = {
    {104, ivHost, 0, bsstopNone},   // "Config"
    {105, ivHost, 0, bsstopNone},   // "Settings"
};

} // namespace

extern const BSBOARDDEF g_bsbHarwick = {
    0x301, rgtab, BS_COUNT(rgtab), nullptr, 0,
    IDB_LOGO, IDB_MASK, IDS_PRODUCT, 3, IDS_REGISTRY, 0,
};
