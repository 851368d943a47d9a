// The two utilities every plug-in carries: a string of the plug-in's own
// string table, and one registry value named by a single path.
#ifndef BSUTIL_H
#define BSUTIL_H

#include <windows.h>

enum { cchBsString = 257 };   // longest string loaded, terminator included

// Empties sz, then loads string ids of the plug-in's module into it (at
// most cchBsString characters, so sz holds that many); a missing string
// leaves sz empty. Returns sz.
char *SzLoadInto(UINT ids, char *sz);

// The value named by the last component of szPath (after the last '\' or
// ':'), below hkeyRoot in the key the rest names, read whatever its type
// into pbData (at most 260 bytes). szPath is cut in place at that separator.
BOOL FRegGetValue(HKEY hkeyRoot, char *szPath, void *pbData);

#endif
