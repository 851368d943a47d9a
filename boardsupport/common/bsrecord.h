// Checks of the plug-in interface records that the plug-in receives (BSINIT)
// and fills (DBS, BSLOGO), the board variant in a product identifier, and
// the two path rules of the entry module: the registry path that names a key
// and its value, and the board's test-image path. No Windows here.
#ifndef BSRECORD_H
#define BSRECORD_H

#include <stddef.h>
#include <stdint.h>

#include "bsplug.h"

enum {
    cbBsDataMax = 260,     // the registry value's bytes read at most
    cchBsValueMax = 255,   // longest value name
    cchBsTestImage = 264,  // the test-image path with its terminator
};

// FInit's refusals: no record, a size other than this build's, a null
// callback (even the progress range, which no plug-in calls), no connection.
bool FBsinitValid(const BSINIT *pbsinit);
// FGetDbs's refusals: index outside 0..ctab-1, no record, wrong size.
bool FDbsFillable(int32_t idbs, int32_t ctab, const DBS *pdbs);
// FGetBslogo writes only into a record of the right size.
bool FBslogoFillable(const BSLOGO *pbslogo);

// Bits 19-8 of a product identifier.
inline int32_t IvariantOf(uint32_t pdid) { return static_cast<int32_t>((pdid >> 8) & 0xFFF); }

// Split szPath in place into key and value name: the value name follows the
// last '\' or ':' (one in the first position does not count), and szPath is
// cut at that separator. Without a separator the whole path is the value name
// and the key is empty (the root key itself). False for a null path or a
// value name over 255 characters.
bool FSplitRegPath(char *szPath, const char **pszKey, const char **pszValue);

// The test image: the data folder followed by szName with ivariant in place
// of its "%d". False (sz empty) when the path does not fit in cch characters.
bool FFormatTestImage(char *sz, size_t cch, const char *szDataPath, const char *szName, int32_t ivariant);

#endif
