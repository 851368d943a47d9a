/*
 * prcid.h - a process's identity that stays true after it ended, and the
 * owner record of the simulated wires (ownerwire.h) built from it.
 *
 * Compiled into each library that needs it (the OS-abstraction library and
 * the D2XX stand-in), so neither depends on the other. One backend per
 * build: prcid_posix.cpp or prcid_win32.cpp.
 */
#ifndef KOR_PRCID_H
#define KOR_PRCID_H

#include <stddef.h>
#include <stdint.h>

/* What the system tells of process idProcess: ended (also a zombie not yet
 * reaped), running with its start time in the system's own unit in
 * *ptStart, or not to be looked at. */
enum PRCST { prcstEnded, prcstRunning, prcstUnknown };
PRCST PrcstProcess(uint32_t idProcess, uint64_t *ptStart);
uint32_t IdProcessSelf();

/* This process's owner record (13 bytes); kind 0 when its start time cannot
 * be told. */
void OwnerRecordSelf(uint8_t *pbOwner);
/* True when pbOwner names another process of this system's kind that has
 * ended (or whose id now belongs to a later process). */
bool FOwnerRecordEnded(const uint8_t *pbOwner);

#endif
