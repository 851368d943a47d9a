/*
 * dvtopnhld.h - DVTOPNHLD, who holds the counts of the open-device table.
 *
 * The shared segment "/tmp/korvanel-orrin2-shm-dvtopnhld" lies beside the
 * open-device table: one record per process that has a device open, with
 * the process's identity (which outlives the process) and its share of
 * every entry's opens and port locks. It is read and written only under
 * the table's mutex. Whoever takes that mutex first gives back the shares
 * of processes that have ended, so a process killed with devices open
 * leaves nothing counted behind: the next opener is the first opener again,
 * and a port lock of the dead process no longer blocks a capability switch.
 */
#ifndef DVTOPNHLD_H
#define DVTOPNHLD_H

#include <stddef.h>
#include <stdint.h>

#include "yorl.h"

struct DVTOHLD {
    ABSPRCID prcid;                /* idProcess 0: free record */
    uint32_t wReserved;
    uint16_t rgcref[64];           /* this process's opens per entry */
    uint16_t rgcrefApt[64];        /* this process's port locks per entry */
};

struct DVTOPNHLD {
    enum { cdvtohldMax = 128 };
    DVTOHLD rgdvtohld[cdvtohldMax];
};

static_assert(sizeof(ABSPRCID) == 12, "ABSPRCID");
static_assert(sizeof(DVTOHLD) == 272, "DVTOHLD");
static_assert(offsetof(DVTOHLD, rgcrefApt) == 144, "DVTOHLD port locks");
static_assert(sizeof(DVTOPNHLD) == 34816, "DVTOPNHLD segment");

/* This process's view of the segment, set up and dropped by DVTOPN's FInit
 * and Term; the first user of the table clears it. */
int FDvtopnhldInit();
void DvtopnhldClear();
void DvtopnhldTerm();

#endif /* DVTOPNHLD_H */
