// Board-table rules (bstable.h).

#include "bstable.h"

uint32_t IdsProductOf(const BSBOARDDEF &bsb, int32_t ivariant)
{
    if (ivariant < 0 || ivariant >= bsb.cvariantNamed)
        return 0;
    return bsb.idsProductBase + static_cast<uint32_t>(ivariant);
}

bool FTabOffered(const BSBOARDDEF &bsb, const BSTABDEF &tab, bool (*fViewBuilt)(BSVK))
{
    if (tab.iview == ivHost)
        return true;
    return tab.iview >= 0 && tab.iview < bsb.cview && fViewBuilt(bsb.rgvk[tab.iview]);
}
