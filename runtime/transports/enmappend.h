/*
 * enmappend.h - what the managers' FEnum share: appending a node to the
 * process's enumeration list under pmtxEnum, and looking a serial text up
 * in it.
 */
#ifndef ENMAPPEND_H
#define ENMAPPEND_H

class DVCMG;
struct DVCNODE;

/* Appends one node under pmtxEnum; the messages name the caller's failures. */
int FEnmAppend(DVCMG *pdvcmg, const DVCNODE *pnode, const char *szLockFail, const char *szUnlockFail,
               const char *szAddFail);
/* True when a node of the list has szSN as its serial text. */
bool FEnmHasSN(DVCMG *pdvcmg, const char *szSN);

#endif /* ENMAPPEND_H */
