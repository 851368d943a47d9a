/*
 * ftdmgr.h - FTDMGR, the process's view of the FTDI interface list
 * (ftdimgr.h): the shared segment and the list and slot mutexes.
 */
#ifndef FTDMGR_H
#define FTDMGR_H

#include "ftdimgr.h"

class ABSNMTX2;
class ABSSHM;

enum { cbShmFtdmgr = 84 * cftintfMax + 4 };

class FTDMGR {
public:
    constexpr FTDMGR() : pshm(nullptr), rgftintf(nullptr), pcftintf(nullptr), pnmtxList(nullptr), rgpnmtxSlot{} {}

    /* Start-up: the mutexes and the segment; nothing is cleared. */
    int FInit();
    /* One-time clear by the first process. */
    int FClearShm();
    void Term();

    ABSSHM *pshm;
    FTINTF *rgftintf;
    uint32_t *pcftintf;
    ABSNMTX2 *pnmtxList;
    ABSNMTX2 *rgpnmtxSlot[cftintfMax];
};

extern FTDMGR ftdmgr;

#endif /* FTDMGR_H */
