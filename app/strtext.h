// Texts of the string table that the portable parts use as well. The
// resource script takes them from here, so the table and the code hold one
// text each.
#ifndef ORRIN_STRTEXT_H
#define ORRIN_STRTEXT_H

#define SZ_REG_DATAPATH   "Software\\Korvanel\\Shared\\DataPath"
#define SZ_REG_DVCLAST    "Software\\Korvanel\\Stapol\\DvcLast"
#define SZ_REG_CONFIGFILE "Software\\Korvanel\\Stapol\\ConfigFile%d"
#define SZ_REG_DATAFILE   "Software\\Korvanel\\Stapol\\DataFile%d"
#define SZ_REG_SHOWRPTWIN "Software\\Korvanel\\Stapol\\ShowRptWin"
#define SZ_REG_INITSCSTRT "Software\\Korvanel\\Stapol\\InitScStrt"
#define SZ_NO_DEVICES     "No Devices Connected"

#define SZ_DATAPATH_FAILED "Failed to read DataPath from Registry."

#endif
