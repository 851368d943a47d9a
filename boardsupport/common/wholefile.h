// A file the plug-ins write whole or not at all: the bytes go to a temporary
// file beside it, which is read back and checked (length and content hash)
// before it replaces the target; any failure removes the temporary file and
// leaves an older target untouched. Portable.
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

    // Creates the temporary file for szPath; false when it cannot be created.
    bool FCreate(const std::string &szPath);
    // Appends cb bytes; false on a short write.
    bool FWrite(const uint8_t *pb, size_t cb);
    // Closes, reads the temporary file back, and puts it in the target's
    // place; false (nothing replaced) when any of it fails.
    bool FCommit();
    // Drops what was written.
    void Abandon();

private:
    FILE *pf = nullptr;
    std::string szPath, szTemp;
    uint64_t cbWritten = 0;
    uint64_t hash = 0;
};

#endif
