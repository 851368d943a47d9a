/* check.cpp - errno to erc, the one table of the POSIX backend. */
#include "check.h"

ERC ErcErrno(int err)
{
    switch (err) {
    case 0:
        return ercAbsNone;
    case ENOENT:
    case ENOTDIR:
        return ercAbsNotFound;
    case ENOMEM:
    case ENOSPC:
    case EAGAIN:
        return ercAbsOutOfMemory;
    case EINVAL:
    case ENAMETOOLONG:
    case EFAULT:
        return ercAbsInvalidParameter;
    case ETIMEDOUT:
        return ercAbsTimeout;
    default:
        return ercAbsFailed;
    }
}
