/*
 * vzversion.h - the library's product version for TvxGetFileVersion.
 */
#ifndef VZVERSION_H
#define VZVERSION_H

#include <stddef.h>

/* Copy the product version into szVersion (cchVersion characters); 0 when
 * the library carries none. */
int FGetProductVersion(char *szVersion, size_t cchVersion);

#endif /* VZVERSION_H */
