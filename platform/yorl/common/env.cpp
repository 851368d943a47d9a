/* env.cpp - environment variables read by the library. */
#include "yorli.h"

#include <stdlib.h>

namespace {
uint32_t tmsTickOffset;
}

std::string SzYorlEnv(const char *szVar)
{
    const char *sz = getenv(szVar);
    return sz != NULL ? std::string(sz) : std::string();
}

std::string SzYorlNamespace()
{
    return SzYorlEnv("YORL_NAMESPACE");
}

/* A decimal added modulo 2^32 to every tick; values beyond 32 bits wrap. */
void YorlTickLoad(const char *szOffset)
{
    tmsTickOffset = 0;
    if (szOffset == NULL || *szOffset == '\0')
        return;
    char *pchEnd = NULL;
    unsigned long long n = strtoull(szOffset, &pchEnd, 10);
    if (*pchEnd == '\0')
        tmsTickOffset = (uint32_t)n;
}

uint32_t TmsYorlTickOffset()
{
    return tmsTickOffset;
}
