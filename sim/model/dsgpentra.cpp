// dsgpentra.cpp - Pentra's test image: the memory manager over the 16 MB
// SPI flash (256 blocks of 64 KB) and the self-test commands 2 and 3. Times
// as an SPI NOR flash's data sheet gives them: 0.4 s a 64 KB sector, 80 s
// the whole chip, a 256-byte page in about 0.5 ms.

#include "dsgmemmgr.h"

namespace sim {

std::unique_ptr<SIMDESIGN> PdesignPentra(DESIGNENV &env)
{
    static const MEMMGRPROFILE profile = {
        "spi", {{256, 0x10000}}, 400000, 80000000, 2000, false, {{0x02, 2000}, {0x03, 3000}},
    };
    return PdesignMemMgr(env, profile);
}

} // namespace sim
