/*
 * dvtopn.h - DVTOPN, the table of devices open in any process.
 *
 * The object is the shared segment "/tmp/korvanel-orrin2-shm-dvtopn" itself:
 * every process maps the same bytes and calls the members on the mapped
 * address. Every read or write of the segment happens under the table's
 * named mutex; the per-process part (the table mutex object, the per-device
 * named mutexes and this process's open counts) lives outside the segment.
 *
 * The per-device mutex "/tmp/korvanel-orrin2-mtx-devlock%2.2X" (entry index)
 * serialises connect, disconnect and every transaction of all handles of a
 * device in all processes. The table mutex is never held while waiting for
 * a device mutex.
 *
 * A device mutex whose owner ended holding it (a process killed in the
 * middle of a transaction) is taken all the same, and its taker learns it:
 * the device may be anywhere inside that transaction's phases, so the taker
 * resets it as a first opener does before anything else (see DVT).
 *
 * Which process holds which counts is kept beside the table (dvtopnhld.h);
 * FLock gives back the counts of processes that have ended before the
 * caller looks at the table.
 */
#ifndef DVTOPN_H
#define DVTOPN_H

#include <stddef.h>
#include <stdint.h>

class ABSNMTX;
struct DVTOHLD;

struct DVTO {
    uint32_t dtp;
    int32_t cref;                  /* opens in all processes; 0 = free entry */
    int32_t crefApt;               /* capability locks (enabled ports) in all processes */
    uint32_t dcapPub;              /* capability words as last read by a switch */
    uint32_t dcapPriv;
    char szDvcPath[261];
};

class DVTOPN {
public:
    enum { cdvtoMax = 64 };

    int FInit();
    void Term();
    int FAddDev(uint32_t dtp, const char *szDvcPath);
    int FRemDev(uint32_t dtp, const char *szDvcPath);
    int IdvtoFindDev(uint32_t dtp, const char *szDvcPath);
    int CdvtoFindDev(uint32_t dtp, const char *szDvcPath);
    int FIsOpen(uint32_t dtp, const char *szDvcPath);
    int FLockDevDcap(int idvto, uint32_t dcap, const char *szDvc);
    int FUnlockDevDcap(int idvto, uint32_t dcap);
    int FHasDcap(int idvto, uint32_t dcap);
    int FGetDevDcap(int idvto, uint32_t *pdcap);
    int FGetDevDtp(int idvto, uint32_t *pdtp);
    int CrefDevApt(int idvto);
    ABSNMTX *PnmtxFromIdvto(int idvto);
    /* Takes the device mutex of entry idvto, waiting up to tms; *pfAbandoned
     * tells that its last owner ended holding it. 0 with the Yorl error of
     * the wait (13 on time-out) when not taken. */
    int FLockDev(int idvto, uint32_t tms, int *pfAbandoned);
    int FLock();
    int FUnlock();
    /* At process exit where handles can no longer be closed: gives back
     * every count this process holds. */
    void GiveBackOwn();

private:
    int IdvtoFind(uint32_t dtp, const char *szDvcPath);
    int FOpenDevMutex(int idvto);
    uint32_t DcapMask(int idvto);
    /* Holders (dvtopnhld.cpp); all under the table mutex. */
    DVTOHLD *PdvtohldOwn(bool fClaim);
    int FCanRecordOwn();
    void ShareOwn(int idvto, int dcref, int dcrefApt);
    void GiveBack(DVTOHLD *pdvtohld);
    void ReclaimEnded();

    int32_t cdvto;                 /* entries in use at the front */
    DVTO rgdvto[cdvtoMax];
};

static_assert(sizeof(DVTO) == 284, "DVTO");
static_assert(offsetof(DVTO, szDvcPath) == 20, "DVTO path");
static_assert(sizeof(DVTOPN) == 18180, "DVTOPN segment");

#endif /* DVTOPN_H */
