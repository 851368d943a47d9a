/* lock.cpp - robust recursive mutexes and their result mapping. */
#include "lock.h"
#include "check.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace {

/* The calling thread's kernel id, as the mutex records its owner. Cached
 * per thread; a forked child starts over. */
thread_local pid_t tidSelf;

void ForgetTid()
{
    tidSelf = 0;
}

}  // namespace

pid_t TidSelf()
{
    static const int fAtFork = pthread_atfork(NULL, NULL, ForgetTid);
    (void)fAtFork;
    if (tidSelf == 0)
        tidSelf = (pid_t)syscall(SYS_gettid);
    return tidSelf;
}

struct timespec TsDeadline(uint32_t tms)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    ts.tv_sec += tms / 1000u;
    ts.tv_nsec += (long)(tms % 1000u) * 1000000L;
    if (ts.tv_nsec >= 1000000000L) {
        ts.tv_sec++;
        ts.tv_nsec -= 1000000000L;
    }
    return ts;
}

ERC ErcLockInit(pthread_mutex_t *pmtx, bool fShared)
{
    pthread_mutexattr_t attr;
    int rc = pthread_mutexattr_init(&attr);
    if (rc != 0)
        return ErcErrno(rc);
    rc = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    if (rc == 0)
        rc = pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    if (rc == 0 && fShared)
        rc = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    if (rc == 0)
        rc = pthread_mutex_init(pmtx, &attr);
    pthread_mutexattr_destroy(&attr);
    return ErcErrno(rc);
}

#if defined(__SANITIZE_THREAD__)
namespace {

int RcPollLock(pthread_mutex_t *pmtx, uint32_t tms)
{
    struct timespec tsEnd = TsDeadline(tms);
    for (;;) {
        int rc = pthread_mutex_trylock(pmtx);
        if (rc != EBUSY)
            return rc;
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        if (ts.tv_sec > tsEnd.tv_sec || (ts.tv_sec == tsEnd.tv_sec && ts.tv_nsec >= tsEnd.tv_nsec))
            return ETIMEDOUT;
        struct timespec tsNap = {0, 500000L};
        nanosleep(&tsNap, NULL);
    }
}

}  // namespace
#endif

ERC ErcLockTake(pthread_mutex_t *pmtx, uint32_t tms)
{
    int rc;
    if (tms == 0) {
        rc = pthread_mutex_trylock(pmtx);
    } else if (tms == tmsInfinite) {
        rc = pthread_mutex_lock(pmtx);
    } else {
#if defined(__SANITIZE_THREAD__)
        /* ThreadSanitizer (of this compiler) follows neither clocklock nor
         * an owner-died timedlock; its builds poll with trylock instead. */
        rc = RcPollLock(pmtx, tms);
#else
        struct timespec ts = TsDeadline(tms);
        rc = pthread_mutex_clocklock(pmtx, CLOCK_MONOTONIC, &ts);
#endif
    }
    switch (rc) {
    case 0:
        return ercAbsNone;
    case EOWNERDEAD:
        /* We hold it now; make it usable again for everyone. */
        pthread_mutex_consistent(pmtx);
        return ercAbsAbandoned;
    case EBUSY:
    case ETIMEDOUT:
        return ercAbsTimeout;
    default:
        return ErcErrno(rc);
    }
}

ERC ErcLockGive(pthread_mutex_t *pmtx)
{
    /* Answer a non-owner here: the unlock would refuse it anyway (EPERM),
     * but checkers such as ThreadSanitizer count the attempt as misuse. */
    if (__atomic_load_n(&pmtx->__data.__owner, __ATOMIC_RELAXED) != TidSelf())
        return ercAbsNotOwner;
    int rc = pthread_mutex_unlock(pmtx);
    if (rc == EPERM)
        return ercAbsNotOwner;
    return ErcErrno(rc);
}
