/*
 * dvtopn.cpp - the open-device table.
 */
#include <stdio.h>
#include <string.h>

#include "dvtopn.h"
#include "dvtopnhld.h"
#include "mag.h"
#include "magmg.h"
#include "vzcore.h"
#include "vzfsadm.h"
#include "yorl.h"

namespace {

const char szDvtopnMutex[] = "/tmp/korvanel-orrin2-mtx-dvtopn";

/* This process's part of the table. */
struct DVTOPNPROC {
    ABSNMTX *pnmtxTable;
    ABSNMTX2 *rgpnmtxDev[DVTOPN::cdvtoMax];    /* report an ended owner */
    int rgcOpenOwn[DVTOPN::cdvtoMax];
};

DVTOPNPROC dvtopnproc;

void ClearProcArrays()
{
    memset(dvtopnproc.rgpnmtxDev, 0, sizeof(dvtopnproc.rgpnmtxDev));
    memset(dvtopnproc.rgcOpenOwn, 0, sizeof(dvtopnproc.rgcOpenOwn));
}

void ReleaseNmtx(ABSNMTX **ppnmtx)
{
    if (*ppnmtx == nullptr)
        return;
    (*ppnmtx)->Term();
    pabsfact->RlsABSNMTX(*ppnmtx);
    *ppnmtx = nullptr;
}

void ReleaseDevNmtx(ABSNMTX2 **ppnmtx)
{
    if (*ppnmtx == nullptr)
        return;
    (*ppnmtx)->Term();
    pabsfact->RlsABSNMTX2(*ppnmtx);
    *ppnmtx = nullptr;
}

} // namespace

int DVTOPN::FInit()
{
    ClearProcArrays();
    if (!FDvtopnhldInit())
        return 0;
    ABSNMTX *pnmtx = pabsfact->InstABSNMTX();
    if (pnmtx == nullptr) {
        DvtopnhldTerm();
        return 0;
    }
    if (!pnmtx->Init()) {
        pabsfact->RlsABSNMTX(pnmtx);
        DvtopnhldTerm();
        return 0;
    }
    if (pnmtx->Create(szDvtopnMutex, true)) {
        /* First user of the segment: start it empty. */
        cdvto = 0;
        for (DVTO &dvto : rgdvto)
            memset(&dvto, 0, offsetof(DVTO, szDvcPath) + 1);
        DvtopnhldClear();
        if (!pnmtx->Unlock()) {
            ReleaseNmtx(&pnmtx);
            DvtopnhldTerm();
            return 0;
        }
    } else if (pabsutil->GetLastErc() != ercAbsTimeout) {
        ReleaseNmtx(&pnmtx);
        DvtopnhldTerm();
        return 0;
    }
    dvtopnproc.pnmtxTable = pnmtx;
    return 1;
}

void DVTOPN::Term()
{
    ReleaseNmtx(&dvtopnproc.pnmtxTable);
    for (ABSNMTX2 *&pnmtx : dvtopnproc.rgpnmtxDev)
        ReleaseDevNmtx(&pnmtx);
    ClearProcArrays();
    DvtopnhldTerm();
}

int DVTOPN::FLock()
{
    if (dvtopnproc.pnmtxTable == nullptr || !dvtopnproc.pnmtxTable->Lock(tmsLockTimeout)) {
        FRecordErc(ercApiLockTimeout, "DVTOPN::FLock");
        return 0;
    }
    ReclaimEnded();
    return 1;
}

int DVTOPN::FUnlock()
{
    if (dvtopnproc.pnmtxTable == nullptr || !dvtopnproc.pnmtxTable->Unlock()) {
        FRecordErc(ercInternalError, "DVTOPN::FUnlock");
        return 0;
    }
    return 1;
}

int DVTOPN::IdvtoFind(uint32_t dtp, const char *szDvcPath)
{
    for (int idvto = 0; idvto < cdvto && idvto < cdvtoMax; idvto++) {
        const DVTO &dvto = rgdvto[idvto];
        if (dvto.cref != 0 && dvto.dtp == dtp && strcmp(dvto.szDvcPath, szDvcPath) == 0)
            return idvto;
    }
    return -1;
}

int DVTOPN::FOpenDevMutex(int idvto)
{
    ABSNMTX2 *pnmtx = pabsfact->InstABSNMTX2();
    if (pnmtx == nullptr) {
        FRecordErc(ercInternalError, "DVTOPN::FAddDev InstABSNMTX failed");
        return 0;
    }
    if (!pnmtx->Init()) {
        ReleaseDevNmtx(&pnmtx);
        FRecordErc(ercInternalError, "DVTOPN::FAddDev ABSNMTX::Init failed");
        return 0;
    }
    char szName[64];
    snprintf(szName, sizeof(szName), "/tmp/korvanel-orrin2-mtx-devlock%2.2X", (unsigned)idvto);
    if (!pnmtx->Create(szName, false)) {
        ReleaseDevNmtx(&pnmtx);
        FRecordErc(ercInternalError, "DVTOPN::FAddDev ABSNMTX::Create failed");
        return 0;
    }
    dvtopnproc.rgpnmtxDev[idvto] = pnmtx;
    return 1;
}

int DVTOPN::FAddDev(uint32_t dtp, const char *szDvcPath)
{
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FAddDev FLock failed");
        return 0;
    }
    if (!FCanRecordOwn()) {
        FRecordErc(ercTooManyOpenedDevices, "DVTOPN::FAddDev");
        FUnlock();
        return 0;
    }
    int idvto = IdvtoFind(dtp, szDvcPath);
    if (idvto < 0) {
        idvto = 0;
        while (idvto < cdvto && rgdvto[idvto].cref != 0)
            idvto++;
        if (idvto >= cdvtoMax) {
            FRecordErc(ercTooManyOpenedDevices, "DVTOPN::FAddDev");
            FUnlock();
            return 0;
        }
        if (idvto == cdvto)
            cdvto++;
        if (dvtopnproc.rgcOpenOwn[idvto] == 0 && !FOpenDevMutex(idvto)) {
            FUnlock();
            return 0;
        }
        DVTO &dvto = rgdvto[idvto];
        dvto.dtp = dtp;
        dvto.cref = 0;
        dvto.crefApt = 0;
        dvto.dcapPub = 0;
        dvto.dcapPriv = 0;
        SzCopy(dvto.szDvcPath, szDvcPath, sizeof(dvto.szDvcPath));
    } else if (dvtopnproc.rgcOpenOwn[idvto] == 0 && !FOpenDevMutex(idvto)) {
        FUnlock();
        return 0;
    }
    rgdvto[idvto].cref++;
    dvtopnproc.rgcOpenOwn[idvto]++;
    ShareOwn(idvto, 1, 0);
    return FUnlock();
}

int DVTOPN::FRemDev(uint32_t dtp, const char *szDvcPath)
{
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FRemDev FLock failed");
        return 0;
    }
    int idvto = IdvtoFind(dtp, szDvcPath);
    if (idvto < 0) {
        FRecordErc(ercInternalError, "DVTOPN::FRemDev - device not found");
        FUnlock();
        return 0;
    }
    DVTO &dvto = rgdvto[idvto];
    dvto.cref--;
    ShareOwn(idvto, -1, 0);
    if (dvtopnproc.rgcOpenOwn[idvto] > 0 && --dvtopnproc.rgcOpenOwn[idvto] == 0)
        ReleaseDevNmtx(&dvtopnproc.rgpnmtxDev[idvto]);
    if (dvto.cref <= 0) {
        dvto.cref = 0;
        dvto.dtp = 0;
        dvto.crefApt = 0;
        dvto.szDvcPath[0] = '\0';
        if (idvto + 1 == cdvto)
            cdvto--;
    }
    return FUnlock();
}

int DVTOPN::IdvtoFindDev(uint32_t dtp, const char *szDvcPath)
{
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::IdvtoFindDev FLock failed");
        return -1;
    }
    int idvto = IdvtoFind(dtp, szDvcPath);
    FUnlock();
    return idvto;
}

int DVTOPN::CdvtoFindDev(uint32_t dtp, const char *szDvcPath)
{
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::CdvtoFindDev FLock failed");
        return 0;
    }
    int idvto = IdvtoFind(dtp, szDvcPath);
    int cref = idvto < 0 ? 0 : rgdvto[idvto].cref;
    FUnlock();
    return cref;
}

int DVTOPN::FIsOpen(uint32_t dtp, const char *szDvcPath)
{
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FIsOpen FLock failed");
        return 0;
    }
    int idvto = IdvtoFind(dtp, szDvcPath);
    FUnlock();
    return idvto >= 0;
}

uint32_t DVTOPN::DcapMask(int idvto)
{
    uint32_t fsadm = FsadmGet();
    uint32_t dcap = 0;
    if (fsadm & fsadmDcapPub)
        dcap |= rgdvto[idvto].dcapPub;
    if (fsadm & fsadmDcapPriv)
        dcap |= rgdvto[idvto].dcapPriv;
    return dcap;
}

int DVTOPN::FHasDcap(int idvto, uint32_t dcap)
{
    return (DcapMask(idvto) & dcap) == dcap;
}

int DVTOPN::FLockDevDcap(int idvto, uint32_t dcap, const char *szDvc)
{
    if (idvto < 0 || idvto >= cdvtoMax) {
        FRecordErc(ercInternalError, "DVTOPN::FLockDevDcap FLock failed");
        return 0;
    }
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FLockDevDcap FLock failed");
        return 0;
    }
    DVTO &dvto = rgdvto[idvto];
    int fOk = 0;
    if (FHasDcap(idvto, dcap)) {
        dvto.crefApt++;
        fOk = 1;
    } else if (dvto.crefApt != 0) {
        FRecordErc(ercCapabilityConflict, "DVTOPN::FLockDevDcap firmware image locked");
    } else {
        MAG *pmag = magmg.PmagFromTptPtc(dvto.dtp & 0xFFFF, dvto.dtp >> 16);
        const char *szDev = szDvc ? szDvc : dvto.szDvcPath;
        uint32_t rgdcap[2] = {0, 0};
        if (pmag == nullptr) {
            FRecordErc(ercInternalError, "DVT::FEnable");
        } else if (pmag->FEnable(szDev, 0, dcap) && pmag->FGetInfo(szDev, dinfoDcapDev, rgdcap)) {
            dvto.dcapPub = rgdcap[0];
            dvto.dcapPriv = rgdcap[1];
            dvto.crefApt++;
            fOk = 1;
        }
    }
    if (fOk)
        ShareOwn(idvto, 0, 1);
    if (!FUnlock())
        return 0;
    return fOk;
}

int DVTOPN::FUnlockDevDcap(int idvto, uint32_t dcap)
{
    if (idvto < 0 || idvto >= cdvtoMax || !FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FUnlockDevDcap FLock failed");
        return 0;
    }
    /* Never below 0: an unbalanced unlock must not eat another process's lock. */
    if (rgdvto[idvto].crefApt > 0) {
        rgdvto[idvto].crefApt--;
        ShareOwn(idvto, 0, -1);
    }
    return FUnlock();
}

int DVTOPN::FGetDevDcap(int idvto, uint32_t *pdcap)
{
    if (pdcap == nullptr || idvto < 0 || idvto >= cdvtoMax)
        return 0;
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FGetDevDcap lock failed");
        return 0;
    }
    *pdcap = DcapMask(idvto);
    return FUnlock();
}

int DVTOPN::FGetDevDtp(int idvto, uint32_t *pdtp)
{
    if (pdtp == nullptr || idvto < 0 || idvto >= cdvtoMax)
        return 0;
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::FGetDevDtp lock failed");
        return 0;
    }
    *pdtp = rgdvto[idvto].dtp;
    return FUnlock();
}

int DVTOPN::CrefDevApt(int idvto)
{
    if (idvto < 0 || idvto >= cdvtoMax)
        return -1;
    if (!FLock()) {
        FRecordErc(ercInternalError, "DVTOPN::CrefDevApt lock failed");
        return -1;
    }
    int crefApt = rgdvto[idvto].crefApt;
    return FUnlock() ? crefApt : -1;
}

ABSNMTX *DVTOPN::PnmtxFromIdvto(int idvto)
{
    if (idvto < 0 || idvto >= cdvtoMax)
        return nullptr;
    return dvtopnproc.rgpnmtxDev[idvto];
}

int DVTOPN::FLockDev(int idvto, uint32_t tms, int *pfAbandoned)
{
    *pfAbandoned = 0;
    ABSNMTX *pnmtx = PnmtxFromIdvto(idvto);
    if (pnmtx == nullptr) {
        pabsutil->SetLastErc(ercAbsNotInit);
        return 0;
    }
    if (pnmtx->Lock(tms))
        return 1;
    if (pabsutil->GetLastErc() != ercAbsAbandoned)
        return 0;
    /* Held all the same: the ended owner's state is the taker's to clear. */
    *pfAbandoned = 1;
    return 1;
}
