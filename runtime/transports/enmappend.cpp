/* enmappend.cpp - the enumeration list's append and serial lookup for the managers. */
#include <string.h>

#include "dvcmg.h"
#include "enmappend.h"
#include "vzcore.h"
#include "yorl.h"

int FEnmAppend(DVCMG *pdvcmg, const DVCNODE *pnode, const char *szLockFail, const char *szUnlockFail,
               const char *szAddFail)
{
    ABSMTX *pmtx = vzproc.pmtxEnum;
    if (pmtx == nullptr || !pmtx->Lock(tmsLockTimeout))
        return FRecordErc(ercInternalError, szLockFail), 0;
    int fAdd = pdvcmg->FAddNode(pnode);
    if (!pmtx->Unlock())
        return FRecordErc(ercInternalError, szUnlockFail), 0;
    if (!fAdd)
        return FRecordErc(ercInternalError, szAddFail), 0;
    return 1;
}

bool FEnmHasSN(DVCMG *pdvcmg, const char *szSN)
{
    ABSMTX *pmtx = vzproc.pmtxEnum;
    if (pmtx == nullptr || !pmtx->Lock(tmsLockTimeout))
        return false;
    bool fHas = false;
    EDVC edvc;
    for (int i = 0; !fHas && pdvcmg->FGetEdvc(i, &edvc); i++)
        fHas = strncmp(edvc.szSN, szSN, sizeof(edvc.szSN)) == 0;
    pmtx->Unlock();
    return fHas;
}
