/*
 * chainops.h - the chain operations behind the exports: identification,
 * re-check, IDCODE loop, device operations and the .bit association check.
 */
#ifndef JTAGCHAIN_CHAINOPS_H
#define JTAGCHAIN_CHAINOPS_H

#include <atomic>

#include "schain.h"

/* Set by a download or SVF play the caller stopped; cleared by the device operations. */
extern std::atomic<bool> fUserAbort;

/* Words read from a chain before identification gives up: no chain of at
 * most 32 devices gives more before its terminating zero word. */
enum { cwordIdentifyMax = 2 * cscdvcMax };

bool FIdentifyChain(SCHAIN *pschain, STREP &rep);
bool FRecheckChain(SCHAIN *pschain, STREP &rep);
bool FLoopIdcode(SCHAIN *pschain, STREP &rep);
bool FProgramDvc(SCHAIN *pschain, STREP &rep);
bool FEraseDvc(SCHAIN *pschain, STREP &rep);
bool FVerifyDvc(SCHAIN *pschain, STREP &rep);
bool FProgramChain(SCHAIN *pschain, STREP &rep);

/* .bit association results. */
enum {
    basAccept = 0,
    basIdcodeConflict = 1,
    basNameMismatch = 2,
    basPartUnknown = 3,
    basFpgaNotJtagClock = 4,
    basPromJtagClock = 5,
};
enum { fsCheckPart = 0x1, fsCheckClock = 0x2 };
int CheckBitAssociation(SCHAIN *pschain, const char *szPath, int iscdvc, uint32_t fsCheck);

#endif
