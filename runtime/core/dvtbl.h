/*
 * dvtbl.h - DVTBL, the device table shared by every process: the segment
 * "/tmp/korvanel-orrin2-shm-dvtbl" itself (the object's address is the
 * segment's base) and, per process, its named mutex.
 *
 * A record with an empty name is a removed entry: it keeps its place and
 * is counted. Every operation takes the named mutex (5000 ms, recursive)
 * and records no error.
 */
#ifndef DVTBL_H
#define DVTBL_H

#include <stddef.h>
#include <stdint.h>

#include "voziri.h"

class ABSNMTX;

enum { cdvcTblMax = 64 };

class DVTBL {
public:
    int FInit();
    void Term();
    int FGetDvc(int idvc, DVC *pdvc);
    int FAddDvc(const DVC *pdvc);
    int FModDvc(int idvc, const DVC *pdvc);
    int FClear();
    static int FCheckSzName(const char *szName);
    /* Read without the lock; a foreign value is clamped to 0..64. */
    int Cdvc() const;
    int FLock();
    int FUnlock();

    int32_t cdvc;
    DVC rgdvc[cdvcTblMax];

private:
    static ABSNMTX *pnmtx;   /* this process's object of the table's mutex */
};

static_assert(sizeof(DVTBL) == 21252, "DVTBL segment");
static_assert(offsetof(DVTBL, rgdvc) == 4, "DVTBL records");

/* The mapped segment, or NULL before start-up. */
DVTBL *PdvtblShared();

#endif /* DVTBL_H */
