// How the File I/O page stores a download and reads an upload: window-free,
// on plain files.
#ifndef ORRIN_FILESAVE_H
#define ORRIN_FILESAVE_H

#include <stddef.h>

#include "ortypes.h"

enum { modeSaveAppend = 1, modeSaveReplace = 2, modeSaveOverwrite = 3 };

enum {
    ercSaveOk = 0,
    ercSaveNoOpen = 1,    // the file could not be opened
    ercSaveShort = 2,     // not every byte was written
};

// Store cb bytes in szPath: append to it, replace it, or overwrite it from
// byte ibStart (an overwrite of a file that does not exist creates it and
// writes from its start).
int ErcSaveDownload(const char *szPath, int mode, int32_t ibStart, const uint8_t *pb, size_t cb);

// Size of a file open for reading, -1 on failure.
long CbFileSize(const char *szPath);

#endif
