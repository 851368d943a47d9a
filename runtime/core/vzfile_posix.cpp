/*
 * vzfile_posix.cpp - the runtime's file-system calls on POSIX systems.
 */
#include "vzfile.h"

#include <stdio.h>
#include <unistd.h>

int FGetCurrentDir(char *szDir, size_t cchDir)
{
    if (szDir == nullptr || cchDir == 0)
        return 0;
    if (getcwd(szDir, cchDir) == nullptr) {
        szDir[0] = '\0';
        return 0;
    }
    return 1;
}

int FFlushFileToDisk(FILE *pfile)
{
    return fflush(pfile) == 0 && fsync(fileno(pfile)) == 0;
}

int FReplaceFile(const char *szNew, const char *szOld)
{
    return rename(szNew, szOld) == 0;
}
