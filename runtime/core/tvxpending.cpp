/*
 * tvxpending.cpp - public functions whose work belongs to components that
 * are not built yet: enumeration (ENMMG), the device table (DTBLMG), its
 * dialog and the network manager's settings (NETC). Each checks the state
 * and its arguments as its final form will, then fails with 3080 and a
 * message that names it.
 *
 * TODO: hand these to ENMMG, DTBLMG, the device-table dialog and NETC.
 */
#include <stdio.h>

#include "vzcore.h"
#include "vzversion.h"

namespace {

int FNotBuilt(const char *szFn)
{
    char szMsg[128];
    snprintf(szMsg, sizeof(szMsg), "%s not available in this build", szFn);
    FRecordErc(ercInternalError, szMsg);
    return 0;
}

} // namespace

#define VZ_PENDING(szFn)          \
    do {                          \
        if (!FVzStarted())        \
            return 0;             \
        return FNotBuilt(szFn);   \
    } while (0)

#define VZ_PENDING_OUT(p, szFn)                          \
    do {                                                 \
        if (!FVzStarted())                               \
            return 0;                                    \
        if ((p) == nullptr) {                            \
            FRecordErc(ercInvalidParameter, szFn);       \
            return 0;                                    \
        }                                                \
        return FNotBuilt(szFn);                          \
    } while (0)

extern "C" VZAPI int VZCALL TvxSetNetworkConnTimeout(uint32_t tms) { VZ_PENDING("TvxSetNetworkConnTimeout"); }
extern "C" VZAPI int VZCALL TvxGetNetworkConnTimeout(uint32_t *ptms) { VZ_PENDING_OUT(ptms, "TvxGetNetworkConnTimeout"); }
extern "C" VZAPI int VZCALL TvxSetNetworkEnumTimeout(uint32_t tms) { VZ_PENDING("TvxSetNetworkEnumTimeout"); }
extern "C" VZAPI int VZCALL TvxGetNetworkEnumTimeout(uint32_t *ptms) { VZ_PENDING_OUT(ptms, "TvxGetNetworkEnumTimeout"); }
extern "C" VZAPI int VZCALL TvxEnableControlChannelTLS(int fEnable) { VZ_PENDING("TvxEnableControlChannelTLS"); }
extern "C" VZAPI int VZCALL TvxEnableDataChannelTLS(int fEnable) { VZ_PENDING("TvxEnableDataChannelTLS"); }
extern "C" VZAPI int VZCALL TvxIsControlChannelTLSEnabled(int *pfEnabled) { VZ_PENDING("TvxIsControlChannelTLSEnabled"); }
extern "C" VZAPI int VZCALL TvxIsDataChannelTLSEnabled(int *pfEnabled) { VZ_PENDING("TvxIsDataChannelTLSEnabled"); }

extern "C" VZAPI int VZCALL TvxOpenDvcMg(void *hwndOwner) { VZ_PENDING("TvxOpenDvcMg"); }

extern "C" VZAPI int VZCALL TvxEnumDevices(int *pcdvc) { VZ_PENDING("TvxEnumDevices"); }
extern "C" VZAPI int VZCALL TvxEnumDevicesEx(int *pcdvc, uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter,
                                             void *pInfoSet) { VZ_PENDING("TvxEnumDevicesEx"); }
extern "C" VZAPI int VZCALL TvxStartEnum(uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter, void *pInfoSet)
{
    VZ_PENDING("TvxStartEnum");
}
extern "C" VZAPI int VZCALL TvxIsEnumFinished(void) { VZ_PENDING("TvxIsEnumFinished"); }
extern "C" VZAPI int VZCALL TvxStopEnum(void) { VZ_PENDING("TvxStopEnum"); }
extern "C" VZAPI int VZCALL TvxGetEnumCount(int *pcdvc) { VZ_PENDING("TvxGetEnumCount"); }
extern "C" VZAPI int VZCALL TvxGetDvc(int idvc, DVC *pdvc) { VZ_PENDING("TvxGetDvc"); }
extern "C" VZAPI int VZCALL TvxGetEdvc(int idvc, EDVC *pedvc) { VZ_PENDING("TvxGetEdvc"); }
extern "C" VZAPI int VZCALL TvxFreeDvcEnum(void) { VZ_PENDING("TvxFreeDvcEnum"); }

extern "C" VZAPI int VZCALL TvxDvcTblAdd(DVC *pdvc) { VZ_PENDING_OUT(pdvc, "TvxDvcTblAdd"); }
extern "C" VZAPI int VZCALL TvxDvcTblRem(const char *szName)
{
    if (!FVzStarted() || szName == nullptr)
        return 0;
    return FNotBuilt("TvxDvcTblRem");
}
extern "C" VZAPI int VZCALL TvxDvcTblClear(void) { VZ_PENDING("TvxDvcTblClear"); }
extern "C" VZAPI int VZCALL TvxDvcTblSave(void) { VZ_PENDING("TvxDvcTblSave"); }

/* szVersion needs room for the version text ("2.0.0.0"); 64 characters suffice. */
extern "C" VZAPI int VZCALL TvxGetFileVersion(char *szVersion)
{
    if (szVersion == nullptr)
        return 0;
    return FGetProductVersion(szVersion, 64);
}

extern "C" VZAPI FTDEVCMG *VZCALL TvxGetPftdevcmg(void)
{
    return FVzStarted() ? static_cast<FTDEVCMG *>(vzproc.pftdevcmg) : nullptr;
}
