/*
 * dvtopnhld.cpp - the holders of the open-device table's counts: this
 * process's share, and the give-back of shares whose process has ended.
 */
#include <string.h>

#include "dvtopn.h"
#include "dvtopnhld.h"
#include "vzcore.h"

namespace {

const char szDvtopnhldShm[] = "/tmp/korvanel-orrin2-shm-dvtopnhld";

/* This process's view of the holder segment. */
struct HLDPROC {
    ABSSHM *pshm;
    DVTOPNHLD *phld;
    ABSPRCID prcid;                /* idProcess 0: unknown, nothing recorded */
};

HLDPROC hldproc;

bool FSamePrcid(const ABSPRCID &prcid1, const ABSPRCID &prcid2)
{
    return prcid1.idProcess == prcid2.idProcess && prcid1.tStartLo == prcid2.tStartLo &&
           prcid1.tStartHi == prcid2.tStartHi;
}

} // namespace

int FDvtopnhldInit()
{
    memset(&hldproc, 0, sizeof(hldproc));
    ABSSHM *pshm = pabsfact->InstABSSHM();
    if (pshm == nullptr)
        return 0;
    void *pv = nullptr;
    if (!pshm->Init() || !pshm->Create(szDvtopnhldShm, &pv, sizeof(DVTOPNHLD))) {
        pshm->Term();
        pabsfact->RlsABSSHM(pshm);
        return 0;
    }
    hldproc.pshm = pshm;
    hldproc.phld = static_cast<DVTOPNHLD *>(pv);
    /* Without an identity this process's counts are not recorded: they
     * then stay counted if it dies, as they always did. */
    if (!pabsutil->FGetPrcid(&hldproc.prcid))
        memset(&hldproc.prcid, 0, sizeof(hldproc.prcid));
    return 1;
}

void DvtopnhldClear()
{
    if (hldproc.phld)
        memset(hldproc.phld, 0, sizeof(DVTOPNHLD));
}

void DvtopnhldTerm()
{
    if (hldproc.pshm) {
        hldproc.pshm->Term();
        pabsfact->RlsABSSHM(hldproc.pshm);
    }
    memset(&hldproc, 0, sizeof(hldproc));
}

DVTOHLD *DVTOPN::PdvtohldOwn(bool fClaim)
{
    if (hldproc.phld == nullptr || hldproc.prcid.idProcess == 0)
        return nullptr;
    DVTOHLD *pdvtohldFree = nullptr;
    for (DVTOHLD &dvtohld : hldproc.phld->rgdvtohld) {
        if (FSamePrcid(dvtohld.prcid, hldproc.prcid))
            return &dvtohld;
        if (dvtohld.prcid.idProcess == 0 && pdvtohldFree == nullptr)
            pdvtohldFree = &dvtohld;
    }
    if (!fClaim || pdvtohldFree == nullptr)
        return nullptr;
    memset(pdvtohldFree, 0, sizeof(*pdvtohldFree));
    pdvtohldFree->prcid = hldproc.prcid;
    return pdvtohldFree;
}

int DVTOPN::FCanRecordOwn()
{
    return hldproc.phld == nullptr || hldproc.prcid.idProcess == 0 || PdvtohldOwn(true) != nullptr;
}

void DVTOPN::ShareOwn(int idvto, int dcref, int dcrefApt)
{
    DVTOHLD *pdvtohld = PdvtohldOwn(dcref > 0 || dcrefApt > 0);
    if (pdvtohld == nullptr)
        return;
    int cref = pdvtohld->rgcref[idvto] + dcref;
    int crefApt = pdvtohld->rgcrefApt[idvto] + dcrefApt;
    pdvtohld->rgcref[idvto] = (uint16_t)(cref < 0 ? 0 : cref);
    pdvtohld->rgcrefApt[idvto] = (uint16_t)(crefApt < 0 ? 0 : crefApt);
    for (int i = 0; i < cdvtoMax; i++) {
        if (pdvtohld->rgcref[i] != 0 || pdvtohld->rgcrefApt[i] != 0)
            return;
    }
    /* Nothing held any more: the record goes. */
    memset(pdvtohld, 0, sizeof(*pdvtohld));
}

void DVTOPN::GiveBack(DVTOHLD *pdvtohld)
{
    for (int idvto = 0; idvto < cdvtoMax; idvto++) {
        DVTO &dvto = rgdvto[idvto];
        if (dvto.cref <= 0)
            continue;
        dvto.cref -= pdvtohld->rgcref[idvto];
        dvto.crefApt -= pdvtohld->rgcrefApt[idvto];
        if (dvto.crefApt < 0)
            dvto.crefApt = 0;
        if (dvto.cref <= 0) {
            dvto.cref = 0;
            dvto.dtp = 0;
            dvto.crefApt = 0;
            dvto.szDvcPath[0] = '\0';
        }
    }
    while (cdvto > 0 && cdvto <= cdvtoMax && rgdvto[cdvto - 1].cref == 0)
        cdvto--;
    memset(pdvtohld, 0, sizeof(*pdvtohld));
}

void DVTOPN::ReclaimEnded()
{
    if (hldproc.phld == nullptr)
        return;
    for (DVTOHLD &dvtohld : hldproc.phld->rgdvtohld) {
        if (dvtohld.prcid.idProcess != 0 && !FSamePrcid(dvtohld.prcid, hldproc.prcid) &&
            pabsutil->FPrcidEnded(&dvtohld.prcid))
            GiveBack(&dvtohld);
    }
}

void DVTOPN::GiveBackOwn()
{
    if (!FLock())
        return;
    if (DVTOHLD *pdvtohld = PdvtohldOwn(false))
        GiveBack(pdvtohld);
    FUnlock();
}
