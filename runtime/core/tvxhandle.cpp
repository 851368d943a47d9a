/*
 * tvxhandle.cpp - public functions of open, close and a handle's DVT.
 */
#include "dvt.h"
#include "dvtmg.h"
#include "mag.h"
#include "magmg.h"
#include "vzcore.h"

namespace {

const uint32_t tptLast = 0x8000;

MAG *PmagOfDvt(DVT *pdvt)
{
    uint32_t dtp = pdvt->GetDtp();
    return magmg.PmagFromTptPtc(dtp & 0xFFFF, dtp >> 16);
}

/* Whether a transport mask selects manager (tpt, ptc): transport in bits 15-0, protocols in 31-16. */
int FMaskSelects(uint32_t dtpMask, uint32_t tpt, uint32_t ptc)
{
    uint32_t ptcMask = dtpMask >> 16;
    return (dtpMask & 0xFFFF & tpt) != 0 && (ptcMask == 0 || (ptc & ptcMask) != 0);
}

} // namespace

extern "C" VZAPI int VZCALL TvxOpen(HIF *phif, const char *szConnect)
{
    if (!FVzStarted())
        return 0;
    if (phif == nullptr || szConnect == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxOpen");
        return 0;
    }
    *phif = hifNil;
    for (uint32_t tpt = 1; tpt <= tptLast; tpt <<= 1) {
        uint8_t cmag = magmg.CmagFromTpt(tpt);
        for (uint8_t imag = 0; imag < cmag; imag++) {
            MAG *pmag = magmg.PmagFromTptIndex(tpt, imag, nullptr);
            if (pmag && (*phif = pmag->HifOpen(szConnect)) != hifNil)
                return 1;
        }
    }
    FRecordErc(ercConnectionFailed, "TvxOpen - device not found");
    return 0;
}

extern "C" VZAPI int VZCALL TvxOpenEx(HIF *phif, const char *szConnect, uint32_t dtpTbl, uint32_t dtpDisc)
{
    if (!FVzStarted())
        return 0;
    if (phif == nullptr || szConnect == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxOpenEx");
        return 0;
    }
    *phif = hifNil;
    for (uint32_t tpt = 1; tpt <= tptLast; tpt <<= 1) {
        uint8_t cmag = magmg.CmagFromTpt(tpt);
        for (uint8_t imag = 0; imag < cmag; imag++) {
            uint16_t ptc = 0;
            MAG *pmag = magmg.PmagFromTptIndex(tpt, imag, &ptc);
            if (pmag == nullptr)
                continue;
            int fTbl = FMaskSelects(dtpTbl, tpt, ptc);
            int fDisc = FMaskSelects(dtpDisc, tpt, ptc);
            if (!fTbl && !fDisc && !pmag->FCheckSzConn(szConnect))
                continue;
            if ((*phif = pmag->HifOpenEx(szConnect, fTbl, fDisc)) != hifNil)
                return 1;
        }
    }
    FRecordErc(ercConnectionFailed, "TvxOpenEx - device not found");
    return 0;
}

extern "C" VZAPI int VZCALL TvxClose(HIF hif)
{
    if (!FVzStarted())
        return 0;
    DVT *pdvt = dvtmg.PdvtFromHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "KelmClose");
        return 0;
    }
    MAG *pmag = PmagOfDvt(pdvt);
    if (pmag == nullptr) {
        FRecordErc(ercInternalError, "KelmClose");
        return 0;
    }
    return pmag->FClose(hif);
}

extern "C" VZAPI int VZCALL TvxGetDvt(HIF hif, DVT **ppdvt)
{
    if (!FVzStarted())
        return 0;
    if (ppdvt == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxGetDvt");
        return 0;
    }
    *ppdvt = dvtmg.PdvtFromHif(hif);
    if (*ppdvt == nullptr) {
        FRecordErc(ercInvalidHif, "KelmGetDvt");
        return 0;
    }
    return 1;
}

extern "C" VZAPI int VZCALL TvxGetDvcFromHif(HIF hif, DVC *pdvc)
{
    if (!FVzStarted())
        return 0;
    if (pdvc == nullptr) {
        FRecordErc(ercInvalidParameter, "KelmGetDvcFromHif pdvc = NULL");
        return 0;
    }
    DVT *pdvt = dvtmg.PdvtFromHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "KelmGetDvcFromHif");
        return 0;
    }
    MAG *pmag = PmagOfDvt(pdvt);
    if (pmag == nullptr) {
        FRecordErc(ercInternalError, "KelmGetDvcFromHif PmagFromTptPtc failed");
        return 0;
    }
    char szDvcPath[cchConnMax];
    pdvt->FGetSzConnect(szDvcPath);
    if (!pmag->FSzConnFromSzDvcPath(pdvc->szConn, szDvcPath, cchConnMax)) {
        FRecordErc(ercInternalError, "KelmGetDvcFromHif FSzConnFromSzDvcPath failed");
        return 0;
    }
    pdvc->dtp = pdvt->GetDtp();
    return 1;
}

extern "C" VZAPI int VZCALL TvxGetTransResult(HIF hif, uint32_t *pcbOut, uint32_t *pcbIn, uint32_t tmsWait)
{
    DVT *pdvt = FVzStarted() ? dvtmg.PdvtFromHif(hif) : nullptr;
    return pdvt && pdvt->FGetTransResult(pcbOut, pcbIn, tmsWait);
}

extern "C" VZAPI int VZCALL TvxCancelTrans(HIF hif)
{
    DVT *pdvt = FVzStarted() ? dvtmg.PdvtFromHif(hif) : nullptr;
    return pdvt && pdvt->FCancelTrans();
}

extern "C" VZAPI int VZCALL TvxSetTransTimeout(HIF hif, uint32_t tms)
{
    DVT *pdvt = FVzStarted() ? dvtmg.PdvtFromHif(hif) : nullptr;
    if (pdvt == nullptr)
        return 0;
    pdvt->SetTimeout(tms);
    return 1;
}

extern "C" VZAPI int VZCALL TvxGetTransTimeout(HIF hif, uint32_t *ptms)
{
    if (!FVzStarted())
        return 0;
    if (ptms == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxGetTransTimeout");
        return 0;
    }
    DVT *pdvt = dvtmg.PdvtFromHif(hif);
    if (pdvt == nullptr)
        return 0;
    *ptms = pdvt->GetTimeout();
    return 1;
}

extern "C" VZAPI int VZCALL TvxIsControlChannelSecure(HIF hif, int *pfSecure, uint32_t tmsWait)
{
    if (!FVzStarted())
        return 0;
    DVT *pdvt = dvtmg.PdvtFromHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "TvxIsControlChannelSecure couldn't get DVT for specified HIF");
        return 0;
    }
    return pdvt->FIsControlChannelSecure(pfSecure, tmsWait);
}

extern "C" VZAPI int VZCALL TvxIsDataChannelSecure(HIF hif, int *pfSecure, uint32_t tmsWait)
{
    if (!FVzStarted())
        return 0;
    DVT *pdvt = dvtmg.PdvtFromHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "TvxIsDataChannelSecure couldn't get DVT for specified HIF");
        return 0;
    }
    return pdvt->FIsDataChannelSecure(pfSecure, tmsWait);
}
