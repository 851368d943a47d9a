/*
 * check.h - the POSIX backend's mapping of OS results to erc codes.
 *
 * Every failing OS call of the backend goes through ErcErrno once, where
 * it failed; the mutex results with a meaning of their own (owner died,
 * busy, not owner) are mapped in lock.cpp.
 */
#ifndef YORL_POSIX_CHECK_H
#define YORL_POSIX_CHECK_H

#include "yorli.h"

#include <errno.h>

/* erc code of errno value err (0 gives 0). */
ERC ErcErrno(int err);

/* For calls returning -1 and setting errno. */
inline ERC ErcSys(int rc)
{
    return rc == -1 ? ErcErrno(errno) : (ERC)ercAbsNone;
}

#endif /* YORL_POSIX_CHECK_H */
