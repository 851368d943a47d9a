/*
 * vzcore.h - internal header of the runtime core: process-wide state,
 * error recording and the start-up entry points.
 */
#ifndef VZCORE_H
#define VZCORE_H

#include <stdint.h>

#include <atomic>

#include "voziri.h"

class ABSMTX;
class ABSNMTX;
class ABSSHM;
class DVTOPN;

enum {
    cchLogFileMax = 261,           /* "ORRIN_RT_LOGFILE" holds at most 260 characters */
    cchLogFileBuf = cchLogFileMax + 13,   /* a directory of 260 and "\DebugErc.log" */
    cbShmDvtbl = 21252,
    cbShmDvtopn = 18180,
    cbShmFtdevcmg = 5636,
    tmsSysTimeout = 1000,          /* hand-offs between a DVT's threads */
    tmsLockTimeout = 5000,         /* locks of tables and of a DVT */
};

/*
 * Process-wide state of the runtime, reset by the first step of DllInit.
 * Written only during start-up and shut-down, read in between.
 */
struct VZPROC {
    int fStarted;
    char szLogFile[cchLogFileBuf];
    uint8_t bLogDetail;
    void *hmod;                    /* the library's own module (Windows) */
    ABSSHM *pshmDvtbl;
    ABSSHM *pshmDvtopn;
    ABSSHM *pshmFtdevcmg;
    void *pdvtbl;
    DVTOPN *pdvtopn;
    void *pftdevcmg;
    ABSMTX *pmtxEnum;
    ABSMTX *pmtxEnumStop;
    ABSMTX *pmtxTimer;
    ABSNMTX *pnmtxOneTimeInit;
    int fStopEnum;                 /* stop-enumeration flag, under pmtxEnumStop */
    int fLoaderLock;               /* shut-down runs under the Windows loader lock */
};

extern VZPROC vzproc;

/* Record erc (when nonzero) and log szMsg: TvxSetLastErrorLog. */
inline int FRecordErc(int erc, const char *szMsg) { return TvxSetLastErrorLog(erc, szMsg); }

/* Name of erc from the table, or NULL when it has no row (records nothing). */
const char *SzErcNameLookup(int erc, const char **pszMsg);

/* Steps 2 and 3 of the start-up: the debug log's file and level. */
void LogSettingsFromEnv();

/* Start-up and shut-down; the library's entry point calls them. */
void DllInit();
void DllTerm();

inline bool FVzStarted() { return vzproc.fStarted != 0; }

/* Copy at most cchDst - 1 characters and terminate; never overruns. */
void SzCopy(char *szDst, const char *szSrc, size_t cchDst);

#endif /* VZCORE_H */
