/*
 * vzversion_posix.cpp - the product version, built in (shared objects
 * carry no version resource).
 */
#include "vzcore.h"
#include "vzversion.h"

int FGetProductVersion(char *szVersion, size_t cchVersion)
{
    SzCopy(szVersion, VOZIRI_PRODUCT_VERSION, cchVersion);
    return 1;
}
