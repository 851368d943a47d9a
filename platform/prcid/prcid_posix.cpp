/* prcid_posix.cpp - process identity from /proc. */
#include "prcid.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

uint32_t IdProcessSelf() { return (uint32_t)getpid(); }

PRCST PrcstProcess(uint32_t idProcess, uint64_t *ptStart)
{
    /* /proc/<pid>/stat: "pid (comm) state ppid ..." with the start time,
     * in clock ticks since boot, as field 22. comm may hold anything, so
     * fields are counted from its closing parenthesis. */
    char szPath[40];
    snprintf(szPath, sizeof(szPath), "/proc/%u/stat", (unsigned)idProcess);
    int fd = open(szPath, O_RDONLY | O_CLOEXEC);
    if (fd == -1)
        return errno == ENOENT || errno == ESRCH ? prcstEnded : prcstUnknown;
    char sz[1024];
    ssize_t cb = read(fd, sz, sizeof(sz) - 1);
    int errRead = errno;
    close(fd);
    if (cb <= 0)
        return cb == 0 || errRead == ESRCH ? prcstEnded : prcstUnknown;
    sz[cb] = '\0';
    const char *pch = strrchr(sz, ')');
    if (pch == NULL || pch[1] != ' ')
        return prcstUnknown;
    char chState = pch[2];
    if (chState == 'Z' || chState == 'X' || chState == 'x')
        return prcstEnded;
    /* Field 3 is the state; skip to field 22. */
    pch += 2;
    for (int ifld = 3; ifld < 22; ifld++) {
        pch = strchr(pch, ' ');
        if (pch == NULL)
            return prcstUnknown;
        pch++;
    }
    char *pchEnd = NULL;
    unsigned long long tStart = strtoull(pch, &pchEnd, 10);
    if (pchEnd == pch)
        return prcstUnknown;
    *ptStart = tStart;
    return prcstRunning;
}
