/*
 * magmtx.h - the process mutex of a transport manager.
 *
 * Each manager keeps its own pointer (USBC pmtxUsbc and pmtxCat, FTDIC
 * pmtxFtdic, NETC pmtxNetc): its FInit makes the mutex, its lock members
 * wait for it at most tmsLockTimeout, its Term gives it back. Failures
 * record the caller's own text, so each manager's messages stay its own.
 */
#ifndef MAGMTX_H
#define MAGMTX_H

class ABSMTX;

/* What a manager records when one step of making its mutex fails. */
struct MAGMTXFAIL {
    const char *szInst;     /* the factory gave no object */
    const char *szInit;     /* Init failed */
    const char *szCreate;   /* Create failed */
};

/* A mutex from the factory, initialised and created (held by the calling
 * thread when fOwned). Null on failure, with error 3080 and the failed
 * step's text recorded and nothing left behind. */
ABSMTX *PmtxMagNew(bool fOwned, const MAGMTXFAIL &fail);

/* Term, then back to the factory; *ppmtx is null afterwards. True when both
 * succeeded or there was no mutex; records nothing. */
bool FMagMtxRelease(ABSMTX **ppmtx);

/* Waits at most tmsLockTimeout. False with error 1032 and szFail when the
 * lock cannot be had or there is no mutex. */
int FMagLock(ABSMTX *pmtx, const char *szFail);

/* False with error 3080 and szFail when unlocking fails or there is no mutex. */
int FMagUnlock(ABSMTX *pmtx, const char *szFail);

#endif /* MAGMTX_H */
