/*
 * dvtmg.h - DVTMG, the process's handle table: handle i + 1 is slot i.
 *
 * The lock is held only for one lookup, addition or removal; the DVT a
 * lookup returns is used after it, so a handle must not be closed by one
 * thread while another still works with it.
 */
#ifndef DVTMG_H
#define DVTMG_H

#include "voziri.h"

class ABSMTX;

class DVTMG {
public:
    int FInit();
    void Term();
    DVT *PdvtFromHif(HIF hif);
    HIF HifAdd(DVT *pdvt);
    DVT *PdvtRemHif(HIF hif);
    int FLock();
    int FUnlock();

private:
    ABSMTX *pmtxDvtmg;
    DVT *rgpdvt[chifMax];
};

extern DVTMG dvtmg;

#endif /* DVTMG_H */
