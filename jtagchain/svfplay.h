/*
 * svfplay.h - the SVF player: plays a Serial Vector Format file on the
 * whole chain.
 *
 * The file's own header and trailer patterns take care of the other
 * devices. Every TDO value the file gives is compared (under its MASK); a
 * difference stops the play. Reports: stcLoadingFile (device index),
 * stcFileReadFailed with the line of a statement the parser refused (0 when
 * the file is missing or cannot be read), stcProgressRange (statements),
 * stcProgrammingDevice, stcLongCommand before a scan or RUNTEST of more than
 * a million bits or clocks, stcProgress per statement (false stops the play
 * and sets fUserAbort), ercVerifyFailed with the line of a statement whose
 * TDO differs.
 */
#ifndef JTAGCHAIN_SVFPLAY_H
#define JTAGCHAIN_SVFPLAY_H

#include <stdint.h>

#include <vector>

#include "schain.h"
#include "svfcmd.h"

/* Play the selected device's configuration file; true when every statement ran and matched. */
bool FPlaySvf(SCHAIN *pschain, STREP &rep);

/* Play parsed statements on an open port (the player's core, for the bench
 * and the tests). *pline gets the line of the statement that failed. */
bool FPlaySvfCmds(SCHAIN *pschain, HTVX h, const std::vector<SVFCMD> &rgcmd, STREP &rep, int *pline);

#endif /* JTAGCHAIN_SVFPLAY_H */
