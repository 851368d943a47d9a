/*
 * lock.h - robust recursive pthread mutexes, the base of ABSMTX (private)
 * and ABSNMTX (in a shared page).
 *
 * Robust: when the owner thread ends holding the mutex - also when its whole
 * process is killed - the kernel marks it and the next locker obtains it
 * with EOWNERDEAD, reported here as 33.
 *
 * A locked robust mutex sits on its owner thread's robust list, which runs
 * through the mutex itself; its memory must therefore stay valid until the
 * mutex is unlocked (see the callers' close functions).
 */
#ifndef YORL_POSIX_LOCK_H
#define YORL_POSIX_LOCK_H

#include "yorli.h"

#include <pthread.h>

ERC ErcLockInit(pthread_mutex_t *pmtx, bool fShared);
ERC ErcLockTake(pthread_mutex_t *pmtx, uint32_t tms);  /* 0, 13 or 33 */
ERC ErcLockGive(pthread_mutex_t *pmtx);                /* 0 or 17 */

/* The calling thread's kernel id, as a mutex records its owner. */
pid_t TidSelf();

/* Absolute CLOCK_MONOTONIC time tms from now. */
struct timespec TsDeadline(uint32_t tms);

#endif /* YORL_POSIX_LOCK_H */
