/*
 * vzfile_win32.cpp - the runtime's file-system calls on Windows. Paths are
 * in the system's ANSI code page, as the C library's fopen takes them.
 */
#include "vzfile.h"

#include <io.h>
#include <windows.h>

int FGetCurrentDir(char *szDir, size_t cchDir)
{
    if (szDir == nullptr || cchDir == 0)
        return 0;
    /* The result is the length without the terminator when it fitted, and
     * the room it needs (terminator included) when it did not. */
    DWORD cch = GetCurrentDirectoryA((DWORD)cchDir, szDir);
    if (cch == 0 || cch >= cchDir) {
        szDir[0] = '\0';
        return 0;
    }
    return 1;
}

int FFlushFileToDisk(FILE *pfile)
{
    return fflush(pfile) == 0 && _commit(_fileno(pfile)) == 0;
}

int FReplaceFile(const char *szNew, const char *szOld)
{
    return MoveFileExA(szNew, szOld, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
