/*
 * rdfile.h - a configuration file read whole, for the text readers (SVF,
 * JEDEC, Intel HEX), which parse from memory.
 */
#ifndef JTAGCHAIN_RDFILE_H
#define JTAGCHAIN_RDFILE_H

#include <stddef.h>

#include <vector>

/* The file's bytes; false when it cannot be opened or read, or is larger than cbMax. */
bool FReadWholeFile(const char *szPath, size_t cbMax, std::vector<char> &rgch, bool *pfOpened);

#endif /* JTAGCHAIN_RDFILE_H */
