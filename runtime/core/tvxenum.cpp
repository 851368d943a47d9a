/*
 * tvxenum.cpp - public functions of enumeration and of the device table.
 */
#include "dtblmg.h"
#include "enmmg.h"
#include "mag.h"
#include "magmg.h"
#include "vzcore.h"

extern "C" VZAPI int VZCALL TvxEnumDevices(int *pcdvc)
{
    return FVzStarted() && enmmg.FDoEnum(pcdvc);
}

extern "C" VZAPI int VZCALL TvxEnumDevicesEx(int *pcdvc, uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter,
                                             void *pInfoSet)
{
    return FVzStarted() && enmmg.FDoEnumEx(pcdvc, dtpTbl, dtpDisc, dinfoFilter, pInfoSet);
}

extern "C" VZAPI int VZCALL TvxStartEnum(uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter, void *pInfoSet)
{
    return FVzStarted() && enmmg.FDoStartEnum(dtpTbl, dtpDisc, dinfoFilter, pInfoSet);
}

extern "C" VZAPI int VZCALL TvxIsEnumFinished(void)
{
    return FVzStarted() && enmmg.FIsEnumFinished();
}

extern "C" VZAPI int VZCALL TvxStopEnum(void)
{
    return FVzStarted() && enmmg.FDoStopEnum();
}

extern "C" VZAPI int VZCALL TvxGetEnumCount(int *pcdvc)
{
    return FVzStarted() && enmmg.FGetEnumCount(pcdvc);
}

extern "C" VZAPI int VZCALL TvxGetDvc(int idvc, DVC *pdvc)
{
    return FVzStarted() && enmmg.FGetDvcFromIndex(idvc, pdvc);
}

extern "C" VZAPI int VZCALL TvxGetEdvc(int idvc, EDVC *pedvc)
{
    return FVzStarted() && enmmg.FGetEdvcFromIndex(idvc, pedvc);
}

extern "C" VZAPI int VZCALL TvxFreeDvcEnum(void)
{
    return FVzStarted() && enmmg.FDoFreeDvcEnum();
}

namespace {

/* The table check of the manager a record names (by transport alone: any manager of it). */
int FTableAcceptsSzConn(const DVC *pdvc)
{
    uint32_t dtp = pdvc->dtp;
    if (dtp >= 0x10000) {
        MAG *pmag = magmg.PmagFromTptPtc(dtp & 0xFFFF, dtp >> 16);
        return pmag && pmag->FCheckSzConnTbl(pdvc->szConn);
    }
    uint8_t cmag = magmg.CmagFromTpt(dtp);
    for (uint8_t imag = 0; imag < cmag; imag++) {
        MAG *pmag = magmg.PmagFromTptIndex(dtp, imag, nullptr);
        if (pmag && pmag->FCheckSzConnTbl(pdvc->szConn))
            return 1;
    }
    return 0;
}

} // namespace

extern "C" VZAPI int VZCALL TvxDvcTblAdd(DVC *pdvc)
{
    if (!FVzStarted())
        return 0;
    if (pdvc == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxDvcTblAdd");
        return 0;
    }
    /* The client's record may lack its terminators: work on a bounded copy. */
    DVC dvc;
    CopyDvcBounded(&dvc, pdvc);
    if (!DTBLMG::FCheckSzName(dvc.szName) || !FTableAcceptsSzConn(&dvc))
        return 0;
    return dtblmg.FAddDvc(&dvc);
}

extern "C" VZAPI int VZCALL TvxDvcTblRem(const char *szName)
{
    if (!FVzStarted() || szName == nullptr)
        return 0;
    return dtblmg.FRemDvc(szName);
}

extern "C" VZAPI int VZCALL TvxDvcTblClear(void)
{
    return FVzStarted() && dtblmg.FClearTbl();
}

extern "C" VZAPI int VZCALL TvxDvcTblSave(void)
{
    return FVzStarted() && dtblmg.FSaveTbl();
}
