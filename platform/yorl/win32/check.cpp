/* check.cpp - Win32 errors to erc, the one table of the Win32 backend. */
#include "check.h"

ERC ErcWin(DWORD dwErr)
{
    switch (dwErr) {
    case ERROR_SUCCESS:
        return ercAbsNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
    case ERROR_PROC_NOT_FOUND:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_DIRECTORY:
        return ercAbsNotFound;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_COMMITMENT_LIMIT:
        return ercAbsOutOfMemory;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_HANDLE:
        return ercAbsInvalidParameter;
    case ERROR_TOO_MANY_POSTS:
        return ercAbsInvalidParameter;
    case ERROR_NOT_OWNER:
        return ercAbsNotOwner;
    case ERROR_TIMEOUT:
    case WAIT_TIMEOUT:
        return ercAbsTimeout;
    default:
        return ercAbsFailed;
    }
}

ERC ErcWait(DWORD dwWait)
{
    switch (dwWait) {
    case WAIT_OBJECT_0:
        return ercAbsNone;
    case WAIT_ABANDONED:
        return ercAbsAbandoned;
    case WAIT_TIMEOUT:
        return ercAbsTimeout;
    default:
        return ErcWinLast();
    }
}
