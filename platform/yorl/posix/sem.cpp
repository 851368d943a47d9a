/* sem.cpp - POSIX semaphore: a count under a mutex and a condition. */
#include "lock.h"
#include "check.h"

#include <new>

struct YBSEM {
    pthread_mutex_t mtx;
    pthread_cond_t cond;
    int32_t c;
    int32_t cMax;
};

ERC YbSemCreate(int32_t cInit, int32_t cMax, YBSEM **ppsem)
{
    YBSEM *psem = new (std::nothrow) YBSEM;
    if (psem == NULL)
        return ercAbsOutOfMemory;
    pthread_condattr_t attr;
    int rc = pthread_condattr_init(&attr);
    if (rc == 0)
        rc = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    if (rc == 0)
        rc = pthread_cond_init(&psem->cond, &attr);
    pthread_condattr_destroy(&attr);
    if (rc == 0) {
        rc = pthread_mutex_init(&psem->mtx, NULL);
        if (rc != 0)
            pthread_cond_destroy(&psem->cond);
    }
    if (rc != 0) {
        delete psem;
        return ErcErrno(rc);
    }
    psem->c = cInit;
    psem->cMax = cMax;
    *ppsem = psem;
    return ercAbsNone;
}

ERC YbSemRelease(YBSEM *psem, int32_t c)
{
    ERC erc = ercAbsNone;
    pthread_mutex_lock(&psem->mtx);
    if (c > psem->cMax - psem->c) {
        erc = ercAbsInvalidParameter;
    } else {
        psem->c += c;
        if (c == 1)
            pthread_cond_signal(&psem->cond);
        else
            pthread_cond_broadcast(&psem->cond);
    }
    pthread_mutex_unlock(&psem->mtx);
    return erc;
}

ERC YbSemWait(YBSEM *psem, uint32_t tms)
{
    struct timespec ts = TsDeadline(tms == tmsInfinite ? 0 : tms);
    ERC erc = ercAbsNone;
    pthread_mutex_lock(&psem->mtx);
    while (psem->c == 0) {
        if (tms == 0) {
            erc = ercAbsTimeout;
            break;
        }
        int rc = tms == tmsInfinite ? pthread_cond_wait(&psem->cond, &psem->mtx)
                                    : pthread_cond_timedwait(&psem->cond, &psem->mtx, &ts);
        if (rc == ETIMEDOUT && psem->c == 0) {
            erc = ercAbsTimeout;
            break;
        }
    }
    if (erc == ercAbsNone)
        psem->c--;
    pthread_mutex_unlock(&psem->mtx);
    return erc;
}

void YbSemClose(YBSEM *psem)
{
    pthread_cond_destroy(&psem->cond);
    pthread_mutex_destroy(&psem->mtx);
    delete psem;
}
