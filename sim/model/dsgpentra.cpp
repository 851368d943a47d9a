// dsgpentra.cpp - Pentra's test image: the memory manager over the 16 MB
// SPI flash (256 blocks of 64 KB) and the self-test commands 2 and 3.

#include "dsgmemmgr.h"

namespace sim {

std::unique_ptr<SIMDESIGN> PdesignPentra(DESIGNENV &env)
{
    static const MEMMGRPROFILE profile = {
        "spi", {{256, 0x10000}}, {1, 150000}, 500, false, {{0x02, 2000}, {0x03, 3000}},
    };
    return PdesignMemMgr(env, profile);
}

} // namespace sim
