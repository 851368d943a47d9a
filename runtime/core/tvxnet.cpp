/*
 * tvxnet.cpp - public functions of the network manager's settings.
 */
#include "netset.h"
#include "vzcore.h"

NETSET netset;

extern "C" VZAPI int VZCALL TvxSetNetworkConnTimeout(uint32_t tms)
{
    if (!FVzStarted())
        return 0;
    netset.tmsConn = tms;
    return 1;
}

extern "C" VZAPI int VZCALL TvxGetNetworkConnTimeout(uint32_t *ptms)
{
    if (!FVzStarted())
        return 0;
    if (ptms == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxGetNetworkConnTimeout");
        return 0;
    }
    *ptms = netset.tmsConn;
    return 1;
}

extern "C" VZAPI int VZCALL TvxSetNetworkEnumTimeout(uint32_t tms)
{
    if (!FVzStarted())
        return 0;
    netset.tmsEnum = tms;
    return 1;
}

extern "C" VZAPI int VZCALL TvxGetNetworkEnumTimeout(uint32_t *ptms)
{
    if (!FVzStarted())
        return 0;
    if (ptms == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxGetNetworkEnumTimeout");
        return 0;
    }
    *ptms = netset.tmsEnum;
    return 1;
}

extern "C" VZAPI int VZCALL TvxEnableControlChannelTLS(int fEnable)
{
    if (!FVzStarted())
        return 0;
    netset.fCtlTls = fEnable;
    return 1;
}

extern "C" VZAPI int VZCALL TvxEnableDataChannelTLS(int fEnable)
{
    if (!FVzStarted())
        return 0;
    netset.fDataTls = fEnable;
    return 1;
}

extern "C" VZAPI int VZCALL TvxIsControlChannelTLSEnabled(int *pfEnabled)
{
    if (!FVzStarted())
        return 0;
    if (pfEnabled == nullptr) {
        FRecordErc(ercInvalidParameter, "NETC::FIsControlChannelTLSEnabled pfEnabled is NULL");
        return 0;
    }
    *pfEnabled = netset.fCtlTls;
    return 1;
}

extern "C" VZAPI int VZCALL TvxIsDataChannelTLSEnabled(int *pfEnabled)
{
    if (!FVzStarted())
        return 0;
    if (pfEnabled == nullptr) {
        FRecordErc(ercInvalidParameter, "NETC::FIsDataChannelTLSEnabled pfEnabled is NULL");
        return 0;
    }
    *pfEnabled = netset.fDataTls;
    return 1;
}
