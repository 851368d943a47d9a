/*
 * dvtmg.cpp - the handle table.
 */
#include <string.h>

#include "dvtmg.h"
#include "vzcore.h"
#include "yorl.h"

DVTMG dvtmg;

namespace {
bool FHifInRange(HIF hif) { return hif >= 1 && hif <= chifMax; }
} // namespace

int DVTMG::FInit()
{
    pmtxDvtmg = pabsfact->InstABSMTX();
    if (pmtxDvtmg == nullptr) {
        FRecordErc(ercInternalError, "DVTMG::FInit() InstABSMTX failed");
        return 0;
    }
    const char *szFail = nullptr;
    if (!pmtxDvtmg->Init())
        szFail = "DVTMG::FInit() ABSMTX::Init failed";
    else if (!pmtxDvtmg->Create(true))
        szFail = "DVTMG::FInit() ABSMTX::Create failed";
    else {
        memset(rgpdvt, 0, sizeof(rgpdvt));
        if (!pmtxDvtmg->Unlock())
            szFail = "DVTMG::FInit() ABSMTX::Unlock failed";
    }
    if (szFail) {
        FRecordErc(ercInternalError, szFail);
        pmtxDvtmg->Term();
        pabsfact->RlsABSMTX(pmtxDvtmg);
        pmtxDvtmg = nullptr;
        return 0;
    }
    return 1;
}

void DVTMG::Term()
{
    if (pmtxDvtmg == nullptr)
        return;
    bool fTerm = pmtxDvtmg->Term();
    bool fRls = pabsfact->RlsABSMTX(pmtxDvtmg);
    pmtxDvtmg = nullptr;
    if (!fTerm || !fRls)
        FRecordErc(ercInternalError, "DVTMG::Term() pmtxDvtmg");
}

int DVTMG::FLock()
{
    if (pmtxDvtmg == nullptr || !pmtxDvtmg->Lock(tmsLockTimeout)) {
        FRecordErc(ercApiLockTimeout, "DVTMG::FLock ABSMTX::Lock failed");
        return 0;
    }
    return 1;
}

int DVTMG::FUnlock()
{
    if (pmtxDvtmg == nullptr || !pmtxDvtmg->Unlock()) {
        FRecordErc(ercApiLockTimeout, "");
        return 0;
    }
    return 1;
}

DVT *DVTMG::PdvtFromHif(HIF hif)
{
    if (!FHifInRange(hif) || !FLock())
        return nullptr;
    DVT *pdvt = rgpdvt[hif - 1];
    FUnlock();
    return pdvt;
}

HIF DVTMG::HifAdd(DVT *pdvt)
{
    if (pdvt == nullptr || !FLock())
        return hifNil;
    int islot = 0;
    while (islot < chifMax && rgpdvt[islot] != nullptr)
        islot++;
    if (islot == chifMax) {
        FUnlock();
        return hifNil;
    }
    rgpdvt[islot] = pdvt;
    if (!FUnlock()) {
        rgpdvt[islot] = nullptr;
        return hifNil;
    }
    return (HIF)(islot + 1);
}

DVT *DVTMG::PdvtRemHif(HIF hif)
{
    if (!FHifInRange(hif) || !FLock())
        return nullptr;
    DVT *pdvt = rgpdvt[hif - 1];
    rgpdvt[hif - 1] = nullptr;
    FUnlock();
    return pdvt;
}
