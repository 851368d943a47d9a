// Intel HEX reader: any text.
#include <stddef.h>
#include <stdint.h>

#include "ihex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    HEXIMAGE img;
    if (FParseHexText((const char *)pb, cb, img) && img.ibEnd > img.rgb.size())
        __builtin_trap();   /* the image holds every byte it says it has */
    return 0;
}
