// CoolRunner-II map reader: any text; every key found lies inside the map.
#include <stddef.h>
#include <stdint.h>

#include "cr2map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    CPLDMAP map;
    if (!map.FParse((const char *)pb, cb))
        return 0;
    uint32_t line, col;
    for (uint32_t n = 0; n < 64; n++)
        for (uint32_t mapc = mapcFuse; mapc <= mapcUser; mapc++)
            if (map.FFind(KeyMap(mapc, n), &line, &col) && (line > map.lineLast || col > map.colLast))
                __builtin_trap();
    return 0;
}
