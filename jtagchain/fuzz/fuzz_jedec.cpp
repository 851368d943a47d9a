// JEDEC reader: any bytes, with and without a part to check.
#include <stddef.h>
#include <stdint.h>

#include "jedec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    JEDEC jed;
    std::string strErr;
    FParseJedec((const char *)pb, cb, nullptr, jed, &strErr);
    FParseJedec((const char *)pb, cb, "XC2C64A", jed, &strErr);
    return 0;
}
