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

// Status lines of the scan-chain requests (string table 302 to 418).
#define SZ_SC_SETCONFIG     "Set Config file for %s:  "
#define SZ_SC_PREPPROGRAM   "Preparing to program %s..."
#define SZ_SC_PROGRAMMING   "Programming..."
#define SZ_SC_NOTFOUND      "Configuration file not found."
#define SZ_SC_READFAILED    "Failed to read configuration file."
#define SZ_SC_MISMATCH      "Scan chain does not match previously initialized chain."
#define SZ_SC_LONGCMD       "Executing long instruction, this may take a few moments..."
#define SZ_SC_NOMAPFILE     "No map file found.  Xilinx ISE must be installed."
#define SZ_SC_VERIFYFAILED  "Verification of device programming failed."
#define SZ_SC_VERIFYING     "Verifying programming of device..."
#define SZ_SC_ERASING       "Erasing device..."
#define SZ_SC_GETTINGID     "Getting device ID of %s..."
#define SZ_SC_LOOPINGID     "Looping device ID of %s..."
#define SZ_SC_DEVICEID      "Device ID: %s"
#define SZ_SC_LOOPEDID      "Device ID:  %s -  successfully looped %d iterations."
#define SZ_SC_FOUNDID       "Found device ID: %s"
#define SZ_SC_INITDONE      "Initialization Complete."
#define SZ_SC_INITFAILED    "Initialization Failed."
#define SZ_SC_PROGFAILED    "Programming Failed."
#define SZ_SC_PROGOK        "Programming Successful."
#define SZ_SC_ERASEOK       "Erase Succesful."
#define SZ_SC_ERASEFAILED   "Erase Failed."
#define SZ_SC_GETIDFAILED   "Failed to get device ID."
#define SZ_SC_LOOPIDFAILED  "Failed to loop device ID."
#define SZ_SC_INITIALIZING  "Initializing Scan Chain..."

// Status lines of the register and stream transfers (string table 325 to 332).
#define SZ_XF_NOCONNECT     "Failed to connect and enable device for transfer."
#define SZ_XF_WRITEFAILED   "Failed to write to register 0x%x."
#define SZ_XF_READFAILED    "Failed to read from register 0x%x."

#endif
