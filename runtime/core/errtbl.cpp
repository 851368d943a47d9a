/*
 * errtbl.cpp - the error table and TvxSzFromErc.
 */
#include <stdio.h>
#include <string.h>

#include "vzcore.h"

namespace {

struct ERCROW {
    int erc;
    const char *szName;
    const char *szMsg;
};

/* Texts as the clients have always seen them, spelling included. */
const ERCROW rgercrow[] = {
    {ercNoErc, "ercNoErc", "No error."},
    {ercNotSupported, "ercNotSupported", "Capability or function not supported by the device."},
    {ercTransferCancelled, "ercTransferCancelled", "The transfer was cancelled or transfer timeout occured."},
    {ercCapabilityConflict, "ercCapabilityConflict", "Tried to enable capabilities that use shared resources."},
    {ercCapabilityNotEnabled, "ercCapabilityNotEnabled", "The protocol for the called API is not enabled."},
    {ercEppAddressTimeout, "ercEppAddressTimeout", "EPP timeout occured on Address stage."},
    {ercEppDataTimeout, "ercEppDataTimeout", "EPP timeout occured on Data stage."},
    {ercDataSndLess, "ercDataSndLess", "Data send failed or less data were sent."},
    {ercDataRcvLess, "ercDataRcvLess", "Data reveive failed or less data was received."},
    {ercDataRcvMore, "ercDataRcvMore", "Data reveive failed or peripheral wanted to send more data."},
    {ercDataSndLessRcvLess, "ercDataSndLessRcvLess",
     "Data send and recieved failed or less data were sent and received."},
    {ercDataSndLessRcvMore, "ercDataSndLessRcvMore",
     "Data send and recieved failed or less data were sent and peripheral wanted to send more data."},
    {ercInvalidPort, "ercInvalidPort", "Invalid port specified or invalid port property bits."},
    {ercAlreadyOpened, "ercAlreadyOpened", "Device is already opened."},
    {ercInvalidHif, "ercInvalidHif", "Invalid interface handle provided."},
    {ercInvalidParameter, "ercInvalidParameter", "Invalid parameter received."},
    {ercTransferPending, "ercTransferPending", "The transfer is in progress or pending."},
    {ercApiLockTimeout, "ercApiLockTimeout", "API waiting on pending API timed out."},
    {ercPortConflict, "ercPortConflict",
     "Attempt to enable a port when another port is already enabled on the specified handle."},
    {ercNameResolutionFailed, "ercNameResolutionFailed", "Hostname resolution failed"},
    {ercHostUnreachable, "ercHostUnreachable", "The specified host is unreachable"},
    {ercConnectionTimeout, "ercConnectionTimeout", "Timed out while attempting to connect to host"},
    {ercAuthenticationFailed, "ercAuthenticationFailed", "The specified account information was rejected by the host"},
    {ercConnectionFailed, "ercConnectionFailed", "Unknown fail of connection."},
    {ercConnectionIsNotSecure, "ercConnectionIsNotSecure",
     "The specified operation requires a secure connection but the connection is not secure"},
    {ercControlTransferFailed, "ercControlTransferFailed", "Control transfer with the device failed."},
    {ercCmdSendFailed, "ercCmdSendFailed", "Command sending failed."},
    {ercStsReceiveFailed, "ercStsReceiveFailed", "Status receive failed."},
    {ercInsufficientResources, "ercInsufficientResources", "Insufficient system resources."},
    {ercInvalidTFP, "ercInvalidTFP", "Internal, protocol DLL error."},
    {ercInternalError, "ercInternalError", "Internal error."},
    {ercTooManyOpenedDevices, "ercTooManyOpenedDevices", "Maximum number of opened devices reached."},
    {ercConfigFileError, "ercConfigFileError", "Confiuration file error."},
    {ercDeviceNotConnected, "ercDeviceNotConnected", "Device is not connected."},
    {ercCorruptInstallation, "ercCorruptInstallation", "One or more critical files is missing from the system."},
    {ercYorlInitFailed, "ercYorlInitFailed", "Initialization of the YORL library failed."},
    {ercVoziriInitFailed, "ercVoziriInitFailed", "Initialization of the VOZIRI library failed."},
};

static_assert(sizeof(rgercrow) / sizeof(rgercrow[0]) == 37, "error table rows");

/* Device codes reported through status packets without a row of their own. */
bool FDeviceErc(int erc) { return erc >= 14 && erc <= 47; }

} // namespace

void SzCopy(char *szDst, const char *szSrc, size_t cchDst)
{
    if (cchDst == 0)
        return;
    size_t cch = strlen(szSrc);
    if (cch >= cchDst)
        cch = cchDst - 1;
    memcpy(szDst, szSrc, cch);
    szDst[cch] = '\0';
}

const char *SzErcNameLookup(int erc, const char **pszMsg)
{
    for (const ERCROW &row : rgercrow) {
        if (row.erc == erc) {
            if (pszMsg)
                *pszMsg = row.szMsg;
            return row.szName;
        }
    }
    return nullptr;
}

extern "C" VZAPI int VZCALL TvxSzFromErc(int erc, char *szName, char *szMsg)
{
    if (szName == nullptr && szMsg == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxSzFromErc");
        return 0;
    }
    if (FDeviceErc(erc)) {
        if (szName)
            SzCopy(szName, "ercDeviceError", cchErcNameMax);
        if (szMsg)
            snprintf(szMsg, cchErcMsgMax, "Device error code: %4.4X", (unsigned)erc);
        return 1;
    }
    const char *szRowMsg = nullptr;
    const char *szRowName = SzErcNameLookup(erc, &szRowMsg);
    if (szRowName) {
        if (szName)
            SzCopy(szName, szRowName, cchErcNameMax);
        if (szMsg)
            SzCopy(szMsg, szRowMsg, cchErcMsgMax);
        return 1;
    }
    char szFail[cchErcMsgMax];
    snprintf(szFail, sizeof(szFail), "Mapping failed for error code: %d", erc);
    if (szName)
        SzCopy(szName, szFail, cchErcNameMax);
    if (szMsg)
        SzCopy(szMsg, szFail, cchErcMsgMax);
    FRecordErc(ercInvalidParameter, "KelmErc2Sz");
    return 0;
}
