/* netdnssd.cpp - NETC::FEnumrespFromServiceInfo: a DNS-SD service record
 * read into the answer record of the UDP discovery. */
#include <stdio.h>
#include <string.h>

#include "netc.h"
#include "netdisc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
/* The value read as one number in szFmt (as sscanf reads it). */
template <typename T> int FReadNumber(const char *szValue, const char *szFmt, T *pt)
{
    return szValue != nullptr && sscanf(szValue, szFmt, pt) == 1;
}

void CopyIfFits(ASERVICEINFO *psi, const char *szKey, char *szField, size_t cchMin, size_t cchMax)
{
    const char *szValue = nullptr;
    if (!psi->GetTxtRecord(szKey, &szValue) || szValue == nullptr)
        return;
    size_t cch = strlen(szValue);
    if (cch >= cchMin && cch <= cchMax)
        memcpy(szField, szValue, cch + 1);
}
} // namespace

int NETC::FEnumrespFromServiceInfo(ASERVICEINFO *psi, ENUMRESP *per)
{
    if (psi == nullptr || per == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FEnumrespFromServiceInfo NULL parameter"), 0;
    memset(per, 0, sizeof(*per));
    const char *szIpv4 = psi->GetIpv4();
    if (szIpv4 == nullptr || strlen(szIpv4) >= sizeof(per->szIPv4))
        return 0;
    memcpy(per->szIPv4, szIpv4, strlen(szIpv4) + 1);
    snprintf(per->szPort, sizeof(per->szPort), "%hu", psi->GetPort());
    if (!psi->GetTxtRecord(nullptr, nullptr))
        return 0;
    const char *szVer = nullptr, *szPdid = nullptr, *szPub = nullptr, *szPriv = nullptr, *szFwver = nullptr;
    if (!psi->GetTxtRecord("VER", &szVer) || !FReadNumber(szVer, "%hu", &per->ver) ||
        !psi->GetTxtRecord("PDID", &szPdid) || !FReadNumber(szPdid, "%08x", &per->pdid) ||
        !psi->GetTxtRecord("DcapPub", &szPub) || !FReadNumber(szPub, "%08x", &per->dcapPub) ||
        !psi->GetTxtRecord("DcapPriv", &szPriv) || !FReadNumber(szPriv, "%08x", &per->dcapPriv) ||
        !psi->GetTxtRecord("FWVER", &szFwver) || !FReadNumber(szFwver, "%04hx", &per->fwver))
        return 0;
    CopyIfFits(psi, "MAC", per->szMAC, 17, 17);
    CopyIfFits(psi, "UsrName", per->szUsrName, 0, 16);
    CopyIfFits(psi, "ProdName", per->szProdName, 0, 28);
    CopyIfFits(psi, "SN", per->szSN, 12, 12);
    const char *rgszFlag[] = {"CTLS", "DTLS", "AUTH", "AUTHEN"};
    for (int i = 0; i < 4; i++) {
        if (psi->GetTxtRecord(rgszFlag[i], nullptr))
            per->fs = (uint16_t)(per->fs | (1u << i));
    }
    per->fDnssd = 1;
    return 1;
}
