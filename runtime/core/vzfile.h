/*
 * vzfile.h - the few file-system calls of the runtime that differ between
 * systems: the current directory, and replacing a file by a new one whole.
 */
#ifndef VZFILE_H
#define VZFILE_H

#include <stddef.h>
#include <stdio.h>

/* The current directory into szDir (cchDir characters with the terminator),
 * by the system's own call; 0 when it cannot be read or does not fit. */
int FGetCurrentDir(char *szDir, size_t cchDir);

/* Flushes pfile and asks the system to put its bytes on the disk. */
int FFlushFileToDisk(FILE *pfile);

/* Moves szNew over szOld in one step: afterwards szOld is either the old
 * file or the new one, never a part of either. */
int FReplaceFile(const char *szNew, const char *szOld);

#endif /* VZFILE_H */
