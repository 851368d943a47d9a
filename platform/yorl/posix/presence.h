/*
 * presence.h - named objects of the POSIX backend.
 *
 * Each name of a namespace is a file "<base>/[n.<ns>/]<kind>.<name>" (base
 * /dev/shm/yorl, or /tmp/yorl without /dev/shm; characters other than
 * letters, digits, '.', '_' and '-' escaped as %XX). Every holder keeps an
 * open file description with an OFD lock on it; OFD locks end with the
 * description, also when the process is killed. So:
 *  - a write lock that succeeds means nobody else holds the name: the
 *    holder starts a new generation (file truncated, hence zero-filled),
 *    initialises it and turns the lock into a read lock;
 *  - otherwise the name exists: a blocking read lock waits until the
 *    creator has finished initialising.
 * The last holder to close removes the file; closers take turns on a lock
 * of the directory, so of several holders closing at once the last one
 * sees that it is alone. A description that turns out to belong to a
 * removed file (another holder removed it meanwhile) is dropped and the
 * open starts again.
 *
 * File layout: one header page (YBHDR), then the object's data.
 */
#ifndef YORL_POSIX_PRESENCE_H
#define YORL_POSIX_PRESENCE_H

#include "yorli.h"

#include <pthread.h>
#include <stddef.h>

struct YBHDR {
    uint32_t magic;            /* set once the creator has initialised */
    uint32_t cbData;
    pthread_mutex_t mtx;       /* named mutexes only */
};

struct PRESENCE {
    int fd;
    std::string szPath;
    std::string szDir;
    std::string szNsDir;       /* empty for the machine namespace */
    unsigned char *pbMap;
    size_t cbMap;
};

/* Size of the header in front of the data. */
size_t CbPresenceHeader();

/* Opens or creates name szName of kind chKind with cbData bytes of data and
 * maps it. *pfCreated: a new generation, still write-locked; the caller
 * initialises it and calls PresenceReady. Fails with 5 when the name exists
 * with another size. */
ERC ErcPresenceOpen(const std::string &szNs, char chKind, const char *szName,
                    uint32_t cbData, PRESENCE *ppres, bool *pfCreated);
/* Publishes a new generation to the processes waiting for it. */
void PresenceReady(PRESENCE *ppres);
/* Drops this holder; fUnmap false leaves the mapping in place. */
void PresenceClose(PRESENCE *ppres, bool fUnmap);

inline YBHDR *PhdrPresence(PRESENCE *ppres)
{
    return (YBHDR *)ppres->pbMap;
}

#endif /* YORL_POSIX_PRESENCE_H */
