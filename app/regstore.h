// The registry as the settings see it: a store of values addressed by a root
// and one path text whose last component (after the last backslash or colon)
// is the value name. The program's store is the Windows registry
// (winreg.cpp); the native tests use one in memory.
#ifndef ORRIN_REGSTORE_H
#define ORRIN_REGSTORE_H

#include <stddef.h>

#include "ortypes.h"

enum REGROOT { regrootLocalMachine, regrootCurrentUser };

// A text value is read with room for the longest text and its terminator.
enum { cchRegValueNameMax = 255, cbRegTextRead = cchPathMax + 1 };

class REGSTORE {
public:
    virtual ~REGSTORE() = default;
    // Read the value at szPath into pb (cb bytes); FALSE when it is missing,
    // larger than cb or the path is unusable.
    virtual BOOL FGetValue(REGROOT root, const char *szPath, void *pb, size_t cb) = 0;
    // Create the key when needed and set the value as a text; FALSE on failure.
    virtual BOOL FSetSz(REGROOT root, const char *szPath, const char *sz) = 0;
};

// Split szPath into key path and value name: szKey (cchPathMax + 1) receives
// the text before the last backslash or colon (empty when there is none),
// szValue (cchRegValueNameMax + 1) the text after it. FALSE for no path or a
// value name of more than 255 characters.
BOOL FSplitRegPath(const char *szPath, char *szKey, char *szValue);

#endif
