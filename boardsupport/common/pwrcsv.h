// The meter page's "Save Buffer...": every recorded sample, newest first,
// as CSV lines of "%f" numbers under the board's header (Corvale: volts,
// amperes and watts of each rail; Pentra: amperes and watts). The file is
// written whole or not at all: a temporary file beside it replaces it once
// every line is written and flushed. Portable: no windows.h.
#ifndef PWRCSV_H
#define PWRCSV_H

#include <string>

#include "pwrprofile.h"

// One sample's line, line end included.
std::string SzCsvLine(const PWRPROFILE &prof, const PWRSMP &smp);

// Writes buf to szPath; false (szPath untouched) when the file cannot be
// created, written or put in place.
bool FSaveCsv(const PWRPROFILE &prof, const PWRBUF &buf, const char *szPath);

#endif
