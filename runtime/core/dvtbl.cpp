/*
 * dvtbl.cpp - the shared device table and its named mutex.
 */
#include "dvtbl.h"

#include <string.h>

#include "dvcmg.h"
#include "mag.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const char szDvtblMutex[] = "/tmp/korvanel-orrin2-mtx-dvtbl";
} // namespace

ABSNMTX *DVTBL::pnmtx = nullptr;

DVTBL *PdvtblShared()
{
    return static_cast<DVTBL *>(vzproc.pdvtbl);
}

int DVTBL::FInit()
{
    pnmtx = pabsfact->InstABSNMTX();
    if (pnmtx == nullptr)
        return 0;
    if (!pnmtx->Init()) {
        Term();
        return 0;
    }
    if (pnmtx->Create(szDvtblMutex, true)) {
        /* First process: the segment is this process's to set up. */
        cdvc = 0;
        if (!pnmtx->Unlock()) {
            Term();
            return 0;
        }
        return 1;
    }
    if (pabsutil->GetLastErc() == ercAbsTimeout)
        return 1;
    Term();
    return 0;
}

void DVTBL::Term()
{
    if (pnmtx) {
        pnmtx->Term();
        pabsfact->RlsABSNMTX(pnmtx);
        pnmtx = nullptr;
    }
}

int DVTBL::FLock()
{
    return pnmtx != nullptr && pnmtx->Lock(tmsLockTimeout);
}

int DVTBL::FUnlock()
{
    return pnmtx != nullptr && pnmtx->Unlock();
}

int DVTBL::Cdvc() const
{
    int32_t c = cdvc;
    return c < 0 ? 0 : (c > cdvcTblMax ? cdvcTblMax : c);
}

int DVTBL::FGetDvc(int idvc, DVC *pdvc)
{
    if (!FLock())
        return 0;
    if (pdvc == nullptr || idvc < 0 || idvc >= Cdvc()) {
        FUnlock();
        return 0;
    }
    /* Another process may have written the record: keep its texts inside their fields. */
    CopyDvcBounded(pdvc, &rgdvc[idvc]);
    return FUnlock();
}

int DVTBL::FAddDvc(const DVC *pdvc)
{
    if (!FLock())
        return 0;
    int idvc = Cdvc();
    if (pdvc == nullptr || idvc >= cdvcTblMax) {
        FUnlock();
        return 0;
    }
    CopyDvcBounded(&rgdvc[idvc], pdvc);
    cdvc = idvc + 1;
    return FUnlock();
}

int DVTBL::FModDvc(int idvc, const DVC *pdvc)
{
    if (!FLock())
        return 0;
    if (pdvc == nullptr || idvc < 0 || idvc >= Cdvc()) {
        FUnlock();
        return 0;
    }
    CopyDvcBounded(&rgdvc[idvc], pdvc);
    return FUnlock();
}

int DVTBL::FClear()
{
    if (!FLock())
        return 0;
    cdvc = 0;
    return FUnlock();
}

int DVTBL::FCheckSzName(const char *szName)
{
    return MAG::FCheckSzUsrName(szName);
}
