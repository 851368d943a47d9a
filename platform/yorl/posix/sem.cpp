/*
 * sem.cpp - POSIX semaphore on the kernel's futex: the count is one atomic
 * word, a release that finds no waiter and a wait that finds a count make
 * no system call at all, and a waiter spins briefly before it sleeps where
 * that has paid lately.
 *
 * A waiter announces itself in cWaiters before it tests the count a last
 * time and sleeps on the word while it reads 0; a releaser raises the count
 * before it looks for waiters. Both are sequentially consistent, so either
 * the releaser sees the waiter (and wakes it) or the waiter sees the count.
 */
#include "lock.h"
#include "check.h"

#include <errno.h>
#include <limits.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <new>

struct YBSEM {
    std::atomic<int32_t> c;
    std::atomic<int32_t> cWaiters;
    std::atomic<int32_t> scoreSpin;
    std::atomic<int32_t> cwaitSlept;
    int32_t cMax;
};

namespace {

static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t), "the futex word is the count itself");

const int64_t nsSpinWait = 30000;   /* a waiter spins this long before it sleeps */
const int32_t scoreMax = 4;         /* spins found the count (> 0) or missed it (< 0) lately */
const int32_t cwaitProbe = 4;      /* a semaphore whose spins miss spins every so many waits */

int64_t NsNow()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

inline void CpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

/* Takes one count if there is one. */
bool FTryTake(YBSEM *psem)
{
    int32_t c = psem->c.load();
    while (c > 0) {
        if (psem->c.compare_exchange_weak(c, c - 1))
            return true;
    }
    return false;
}

/* Sleeps while the count reads 0, until the absolute CLOCK_MONOTONIC
 * time (NULL: no limit); ETIMEDOUT when it passed. */
int ErrFutexWait(YBSEM *psem, const struct timespec *pts)
{
    long r = syscall(SYS_futex, reinterpret_cast<int32_t *>(&psem->c), FUTEX_WAIT_BITSET_PRIVATE, 0, pts, NULL,
                     FUTEX_BITSET_MATCH_ANY);
    return r == 0 ? 0 : errno;
}

void FutexWake(YBSEM *psem, int32_t c)
{
    syscall(SYS_futex, reinterpret_cast<int32_t *>(&psem->c), FUTEX_WAKE_PRIVATE, c, NULL, NULL, 0);
}

} // namespace

ERC YbSemCreate(int32_t cInit, int32_t cMax, YBSEM **ppsem)
{
    YBSEM *psem = new (std::nothrow) YBSEM;
    if (psem == NULL)
        return ercAbsOutOfMemory;
    psem->c.store(cInit);
    psem->cWaiters.store(0);
    psem->scoreSpin.store(0);
    psem->cwaitSlept.store(0);
    psem->cMax = cMax;
    *ppsem = psem;
    return ercAbsNone;
}

ERC YbSemRelease(YBSEM *psem, int32_t c)
{
    int32_t cCur = psem->c.load();
    do {
        if (c > psem->cMax - cCur)
            return ercAbsInvalidParameter;
    } while (!psem->c.compare_exchange_weak(cCur, cCur + c));
    if (psem->cWaiters.load() > 0)
        FutexWake(psem, c == 1 ? 1 : INT_MAX);
    return ercAbsNone;
}

ERC YbSemWait(YBSEM *psem, uint32_t tms)
{
    if (FTryTake(psem))
        return ercAbsNone;
    if (tms == 0)
        return ercAbsTimeout;
    /* A hand-off between two threads comes within microseconds, sooner
     * than a sleeping thread wakes up: look for it a while before going to
     * sleep. Whether that pays is learnt per semaphore: one whose spins
     * keep missing (it is waited on for long) spins only now and then, to
     * notice when its use changes. */
    int32_t score = psem->scoreSpin.load(std::memory_order_relaxed);
    int32_t iwait = psem->cwaitSlept.load(std::memory_order_relaxed);
    if (score >= 0 || iwait % cwaitProbe == 0) {
        int64_t nsEnd = NsNow() + nsSpinWait;
        for (int ispin = 1;; ispin++) {
            CpuRelax();
            if (psem->c.load(std::memory_order_relaxed) > 0 && FTryTake(psem)) {
                psem->scoreSpin.store(score < scoreMax ? score + 1 : scoreMax, std::memory_order_relaxed);
                return ercAbsNone;
            }
            if (ispin % 16 == 0 && NsNow() >= nsEnd)
                break;
        }
        psem->scoreSpin.store(score > -scoreMax ? score - 1 : -scoreMax, std::memory_order_relaxed);
    }
    psem->cwaitSlept.store(iwait + 1, std::memory_order_relaxed);
    struct timespec ts = TsDeadline(tms == tmsInfinite ? 0 : tms);
    ERC erc = ercAbsNone;
    psem->cWaiters.fetch_add(1);
    for (;;) {
        if (FTryTake(psem))
            break;
        int err = ErrFutexWait(psem, tms == tmsInfinite ? NULL : &ts);
        if (err == ETIMEDOUT) {
            if (!FTryTake(psem))
                erc = ercAbsTimeout;
            break;
        }
    }
    psem->cWaiters.fetch_sub(1);
    return erc;
}

void YbSemClose(YBSEM *psem)
{
    delete psem;
}
