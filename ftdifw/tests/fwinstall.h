/*
 * fwinstall.h - installs a firmware library built beside the test program
 * into the firmware folder (YORL_FWDIR) under a catalogue name, once:
 * written whole, then renamed; a file already there (perhaps loaded by a
 * process) is left as it is.
 */
#ifndef KOR_FWINSTALL_H
#define KOR_FWINSTALL_H

#include <string>

/* szFile: the file beside the program; szName: its name in the firmware folder. */
bool FInstallFw(const std::string &szFile, const std::string &szName);
/* The build's word size in the catalogue's names: "64bit" or "32bit". */
inline const char *SzFwWordSize() { return sizeof(void *) == 8 ? "64bit" : "32bit"; }

#endif
