// Kelm stand-in: every call maps onto the runtime's Tvx function of the same
// purpose. The information selectors are the runtime's device-information
// codes (2 user name, 3 product name, 4 product identifier, 5 serial number,
// 9 capability word), so they pass through unchanged.

#include "kelm.h"

#include <string.h>

#include "voziri.h"

extern "C" {

KELMAPI int KELMCALL KelmEnumDevicesEx(int *pcdvc, uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter,
                                       void *pInfoSet)
{
    return TvxEnumDevicesEx(pcdvc, dtpTbl, dtpDisc, dinfoFilter, pInfoSet);
}

KELMAPI int KELMCALL KelmGetDvc(int idvc, DVC *pdvc)
{
    /* Callers use the record without looking at the result: a failure leaves
     * it empty (both strings terminated) rather than as it was. */
    if (pdvc != nullptr)
        memset(pdvc, 0, sizeof(*pdvc));
    if (idvc < 0 || pdvc == nullptr) {
        TvxSetLastErrorLog(ercInvalidParameter, "KelmGetDvc bad index or record");
        return 0;
    }
    /* An index past the enumeration (none after KelmFreeDvcEnum) fails
     * quietly in the runtime: the caller gets the code here. */
    TvxSetLastErrorNoLog(ercNoErc);
    if (TvxGetDvc(idvc, pdvc))
        return 1;
    if (TvxGetLastError() == ercNoErc)
        TvxSetLastErrorLog(ercInvalidParameter, "KelmGetDvc index past the enumeration");
    return 0;
}

KELMAPI int KELMCALL KelmGetInfo(DVC *pdvc, uint32_t kinfo, void *pInfo)
{
    return TvxGetInfo(pdvc, kinfo, pInfo);
}

KELMAPI int KELMCALL KelmFreeDvcEnum(void)
{
    return TvxFreeDvcEnum();
}

KELMAPI int KELMCALL KelmOpen(HIF *phif, const char *szConn)
{
    return TvxOpen(phif, szConn);
}

KELMAPI int KELMCALL KelmClose(HIF hif)
{
    return TvxClose(hif);
}

KELMAPI int KELMCALL KelmOpenDvcMg(void *hwndOwner)
{
    return TvxOpenDvcMg(hwndOwner);
}

KELMAPI int KELMCALL KelmSetTransTimeout(HIF hif, uint32_t tms)
{
    return TvxSetTransTimeout(hif, tms);
}

/*
 * TRUE once the transfer has ended, failed or not, with its result code as
 * the last error (0 for success): callers poll until TRUE and then look at
 * the code. FALSE while it runs (or its handle is busy past the wait), and
 * for a handle that is not open.
 */
KELMAPI int KELMCALL KelmGetTransResult(HIF hif, uint32_t *pcbOut, uint32_t *pcbIn, uint32_t tmsWait)
{
    DVT *pdvt = nullptr;
    if (!TvxGetDvt(hif, &pdvt))
        return 0;
    if (TvxGetTransResult(hif, pcbOut, pcbIn, tmsWait)) {
        TvxSetLastErrorNoLog(ercNoErc);
        return 1;
    }
    int erc = TvxGetLastError();
    return erc != ercTransferPending && erc != ercApiLockTimeout;
}

KELMAPI int KELMCALL KelmCancelTrans(HIF hif)
{
    return TvxCancelTrans(hif);
}

}
