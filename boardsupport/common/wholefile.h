// A file written whole or not at all: the bytes go to a temporary file
// beside it, which replaces the file only when every byte was written and
// the file was closed without error. Dropped unfinished, the temporary file
// goes and the old file (if any) stays as it was.
#ifndef WHOLEFILE_H
#define WHOLEFILE_H

#include <stdint.h>
#include <stdio.h>

#include <string>

class WHOLEFILE {
public:
    WHOLEFILE() = default;
    WHOLEFILE(const WHOLEFILE &) = delete;
    WHOLEFILE &operator=(const WHOLEFILE &) = delete;
    ~WHOLEFILE() { Abandon(); }

    bool FCreate(const std::string &szPathIn);
    bool FWrite(const uint8_t *pb, size_t cb);
    // Closes the temporary file and puts it in the file's place.
    bool FCommit();
    void Abandon();

private:
    FILE *pfile = nullptr;
    std::string szPath, szTemp;
};

#endif
