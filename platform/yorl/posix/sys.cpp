/* sys.cpp - POSIX utility services: last error, ids, process identity,
 * tick, sleep, paths. */
#include "check.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace {
thread_local uint32_t ercThread;
}

uint32_t YbGetErc() { return ercThread; }
void YbSetErc(uint32_t erc) { ercThread = erc; }
uint32_t YbIdProcess() { return (uint32_t)getpid(); }
uint32_t YbIdThread() { return (uint32_t)syscall(SYS_gettid); }

uint64_t YbTickMs()
{
    /* CLOCK_MONOTONIC counts from boot: one time line for every process. */
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
}

void YbSleepMs(uint32_t tms)
{
    struct timespec ts;
    ts.tv_sec = tms / 1000u;
    ts.tv_nsec = (long)(tms % 1000u) * 1000000L;
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

char YbChPathSep() { return '/'; }

bool FYbDefaultPath(char kind, std::string *psz)
{
    switch (kind) {
    case 'd':
        *psz = "/usr/local/share/korvanel/data/";
        return true;
    case 'f':
        *psz = "/usr/local/share/korvanel/firmware/";
        return true;
    case 't': {
        const char *szHome = getenv("HOME");
        if (szHome == NULL || *szHome == '\0') {
            struct passwd *ppw = getpwuid(getuid());
            if (ppw == NULL || ppw->pw_dir == NULL)
                return false;
            szHome = ppw->pw_dir;
        }
        /* The per-user folder is made on first use, so the runtime can
         * create the table file in it. */
        std::string szDir = SzYorlDirSep(szHome) + ".korvanel";
        mkdir(szDir.c_str(), 0700);
        *psz = szDir + "/dvctbl.txt";
        return true;
    }
    default:
        return false;
    }
}
