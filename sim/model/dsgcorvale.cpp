// dsgcorvale.cpp - Corvale's test image: the memory manager over the 32 MB
// x16 parallel flash (16 KB boot blocks at both ends, 64 KB between) and the
// self-test commands 2 (RAM), 3 (flash) and 9 (shorts). Times as a parallel
// NOR flash's data sheet gives them: 0.5 s a block, 100 s the whole chip,
// 250 ns a byte with buffered programming.

#include "dsgmemmgr.h"

namespace sim {

std::unique_ptr<SIMDESIGN> PdesignCorvale(DESIGNENV &env)
{
    static const MEMMGRPROFILE profile = {
        "bpi", {{4, 0x4000}, {509, 0x10000}, {8, 0x4000}}, 500000, 100000000, 250, true,
        {{0x02, 2000}, {0x03, 8000}, {0x09, 1000}},
    };
    return PdesignMemMgr(env, profile);
}

} // namespace sim
