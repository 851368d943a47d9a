/*
 * netcacct.cpp - NETC: the device's accounts (requests 0xF0 to 0xF7) over
 * a temporary control connection that authenticates with the account of
 * the connection string.
 */
#include <string.h>

#include <new>

#include "netc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint32_t cbAccountRecord = 66;
const int cAccountsPerRequest = 992;

int FFailArg(const char *szMsg) { return FRecordErc(ercInvalidParameter, szMsg), 0; }
int FFailCtl(const char *szMsg) { return FRecordErc(ercControlTransferFailed, szMsg), 0; }

void PutU16(uint8_t *pb, size_t w)
{
    pb[0] = (uint8_t)w;
    pb[1] = (uint8_t)(w >> 8);
}
} // namespace

int NETC::FIsClientAuthenticationEnabled(ABSTCPIP *ptcpip, int *pfEnabled)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FIsClientAuthenticationEnabled NULL specified for ptcpip");
    if (pfEnabled == nullptr)
        return FFailArg("NETC::FIsClientAuthenticationEnabled NULL specified for pfEnabled");
    *pfEnabled = 0;
    uint8_t b = 0;
    uint32_t cb = 0;
    if (!FVreq(ptcpip, 0, 0xF0, 0, 0, 1, &b, &cb, tmsNetVendReq))
        return FFailCtl("NETC:FIsClientAuthenticationEnabled");
    if (cb != 1)
        return FFailCtl("NETC:FIsClientAuthenticationEnabled 2");
    *pfEnabled = b != 0;
    return 1;
}

int NETC::FEnableDisableClientAuthentication(ABSTCPIP *ptcpip, const int *pfEnable)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FEnableDisableClientAuthentication NULL specified for ptcpip");
    if (pfEnable == nullptr)
        return FFailArg("NETC::FEnableDisableClientAuthentication NULL specified for pfEnable");
    uint8_t b = *pfEnable ? 1 : 0;
    return FSendVendReq(ptcpip, 0xF1, &b, 1) ||
           FFailCtl("NETC::FEnableDisableClientAuthentication failed to enable/disable user authentication");
}

int NETC::FAddAccount(ABSTCPIP *ptcpip, const char *szAccount, const char *szPassword, const int *pattr)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FAddAccount NULL specified for ptcpip");
    if (szAccount == nullptr)
        return FFailArg("NETC::FAddAccount NULL specified for szAccount");
    if (szPassword == nullptr)
        return FFailArg("NETC::FAddAccount NULL specified for szPassword");
    if (pattr == nullptr)
        return FFailArg("NETC::FAddAccount NULL specified for pattr");
    size_t cchAccount = strlen(szAccount), cchPassword = strlen(szPassword);
    if (cchAccount > cchNetAccountMax)
        return FFailArg("NETC::FAddAccount szAccount is too long");
    if (cchPassword > cchNetPasswordMax)
        return FFailArg("NETC::FAddAccount szPassword is too long");
    size_t cb = cchAccount + cchPassword + 7;
    uint8_t *pb = new (std::nothrow) uint8_t[cb];
    if (pb == nullptr)
        return FRecordErc(ercInsufficientResources, "NETC::FAddAccount failed to allocate memory for vendor command"), 0;
    pb[0] = (uint8_t)*pattr;
    PutU16(pb + 1, cchAccount + 1);
    PutU16(pb + 3, cchPassword + 1);
    memcpy(pb + 5, szAccount, cchAccount + 1);
    memcpy(pb + 6 + cchAccount, szPassword, cchPassword + 1);
    int fOk = FSendVendReq(ptcpip, 0xF2, pb, (uint16_t)cb);
    memset(pb, 0, cb);
    delete[] pb;
    return fOk || FFailCtl("NETC::FAddAccount failed to add account");
}

int NETC::FDeleteAccount(ABSTCPIP *ptcpip, const char *szAccount)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FDeleteAccount NULL specified for ptcpip");
    if (szAccount == nullptr)
        return FFailArg("NETC::FDeleteAccount NULL specified for szAccount");
    size_t cch = strlen(szAccount);
    if (cch > cchNetAccountMax)
        return FFailArg("NETC::FDeleteAccount szAccount is too long");
    return FSendVendReq(ptcpip, 0xF3, (const uint8_t *)szAccount, (uint16_t)cch) ||
           FFailCtl("NETC::FDeleteAccount failed to delete account");
}

int NETC::FGetAccountAttributes(ABSTCPIP *ptcpip, const char *szAccount, int *pattr)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FGetAccountAttributes NULL specified for ptcpip");
    if (szAccount == nullptr)
        return FFailArg("NETC::FGetAccountAttributes NULL specified for szAccount");
    if (pattr == nullptr)
        return FFailArg("NETC::FGetAccountAttributes NULL specified for pattr");
    size_t cch = strlen(szAccount);
    if (cch > cchNetAccountMax)
        return FFailArg("NETC::FGetAccountAttributes szAccount is too long");
    if (!FSendVendReq(ptcpip, 0xF4, (const uint8_t *)szAccount, (uint16_t)cch))
        return FFailCtl("NETC::FGetAccountAttributes failed to send account name");
    uint8_t b = 0;
    uint32_t cb = 0;
    if (!FVreq(ptcpip, 0, 0xF4, 0, 0, 1, &b, &cb, tmsNetVendReq))
        return FFailCtl("NETC::FGetAccountAttributes failed to retrieve account attributes");
    if (cb != 1)
        return FFailCtl("NETC::FGetAccountAttributes received less data than expected");
    *pattr = b;
    return 1;
}

int NETC::FSetAccountAttributes(ABSTCPIP *ptcpip, const char *szAccount, const int *pattr)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FSetAccountAttributes NULL specified for ptcpip");
    if (szAccount == nullptr)
        return FFailArg("NETC::FSetAccountAttributes NULL specified for szAccount");
    if (pattr == nullptr)
        return FFailArg("NETC::FSetAccountAttributes NULL specified for pattr");
    size_t cch = strlen(szAccount);
    if (cch > cchNetAccountMax)
        return FFailArg("NETC::FSetAccountAttributes szAccount is too long");
    uint8_t *pb = new (std::nothrow) uint8_t[cch + 2];
    if (pb == nullptr)
        return FRecordErc(ercInsufficientResources,
                          "NETC::FSetAccountAttributes failed to allocate memory for vendor command"), 0;
    pb[0] = (uint8_t)*pattr;
    memcpy(pb + 1, szAccount, cch + 1);
    int fOk = FSendVendReq(ptcpip, 0xF5, pb, (uint16_t)(cch + 2));
    delete[] pb;
    return fOk || FFailCtl("NETC::FSetAccountAttributes failed to modify account attributes");
}

int NETC::FChangeAccountPassword(ABSTCPIP *ptcpip, const char *szAccount, const char *szPassword)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FChangeAccountPassword NULL specified for ptcpip");
    if (szAccount == nullptr)
        return FFailArg("NETC::FChangeAccountPassword NULL specified for szAccount");
    if (szPassword == nullptr)
        return FFailArg("NETC::FChangeAccountPassword NULL specified for szPassword");
    size_t cchAccount = strlen(szAccount), cchPassword = strlen(szPassword);
    if (cchAccount > cchNetAccountMax)
        return FFailArg("NETC::FChangeAccountPassword szAccount is too long");
    if (cchPassword > cchNetPasswordMax)
        return FFailArg("NETC::FChangeAccountPassword szPassword is too long");
    size_t cb = cchAccount + cchPassword + 6;
    uint8_t *pb = new (std::nothrow) uint8_t[cb];
    if (pb == nullptr)
        return FRecordErc(ercInsufficientResources,
                          "NETC::FChangeAccountPassword failed to allocate memory for vendor command"), 0;
    PutU16(pb, cchAccount + 1);
    PutU16(pb + 2, cchPassword + 1);
    memcpy(pb + 4, szAccount, cchAccount + 1);
    memcpy(pb + 5 + cchAccount, szPassword, cchPassword + 1);
    int fOk = FSendVendReq(ptcpip, 0xF6, pb, (uint16_t)cb);
    memset(pb, 0, cb);
    delete[] pb;
    return fOk || FFailCtl("NETC::FChangeAccountPassword failed to update account password");
}

int NETC::FGetAccountList(ABSTCPIP *ptcpip, void *rgAccounts, int cAccountsMax, int *pcAccounts)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FGetAccountList NULL specified for ptcpip");
    if (pcAccounts == nullptr)
        return FFailArg("NETC::FGetAccountList NULL specified for pcAccounts");
    if (rgAccounts == nullptr && cAccountsMax != 0)
        return FFailArg("NETC::FGetAccountList NULL specified for rgAccounts");
    uint8_t rgbCount[4];
    uint32_t cb = 0;
    if (!FVreq(ptcpip, 0, 0xF7, 0, 0, 4, rgbCount, &cb, tmsNetVendReq))
        return FFailCtl("NETC::FGetAccountList failed to retrieve account count");
    if (cb != 4)
        return FFailCtl("NETC::FGetAccountList failed to retrieve account count 2");
    uint32_t cAccounts = rgbCount[0] | (rgbCount[1] << 8) | (rgbCount[2] << 16) | ((uint32_t)rgbCount[3] << 24);
    uint32_t n = cAccountsMax > 0 ? (uint32_t)cAccountsMax : 0;
    if (n > cAccounts)
        n = cAccounts;
    if (n > (uint32_t)cAccountsPerRequest)
        n = cAccountsPerRequest;
    if (n != 0) {
        uint16_t cbList = (uint16_t)(n * cbAccountRecord);
        if (!FVreq(ptcpip, 0, 0xF7, (uint16_t)n, 0, cbList, (uint8_t *)rgAccounts, &cb, tmsNetVendReq))
            return FFailCtl("NETC::FGetAccountList failed to retrieve account list");
        if (cb != cbList)
            return FFailCtl("NETC::FGetAccountList failed to retrieve account list 2");
    }
    *pcAccounts = (int)cAccounts;
    return 1;
}

int NETC::FAcctMgmt(int cmd, const char *szConnect, const char *szAccount, const char *szPassword, int *pattr,
                    void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled)
{
    if (szConnect == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FAcctMgmt NULL szConnect"), 0;
    if (!FLock())
        return FRecordErc(ercInternalError, "NETC::FAcctMgmt failed to lock mutex"), 0;
    ABSTCPIP *ptcpip =
        PtcpipNew("NETC::FAcctMgmt failed to get ABSTCPIP instance", "NETC::FAcctMgmt failed to init ABSTCPIP");
    int fOk = 0;
    NETSZPARTS parts;
    do {
        if (ptcpip == nullptr)
            break;
        if (!FSzConnToParts(szConnect, &parts)) {
            FRecordErc(ercInvalidParameter, "NETC::FAcctMgmt failed to parse szConnect");
            break;
        }
        if (!FConnect(ptcpip, parts.szHost, parts.szPort, parts.szAccount, parts.szPassword, parts.fModifier,
                      parts.fTls))
            break;
        switch ((cmd & 0xFF) - 240) {
        case 0: fOk = FIsClientAuthenticationEnabled(ptcpip, pfEnabled); break;
        case 1: fOk = FEnableDisableClientAuthentication(ptcpip, pfEnabled); break;
        case 2: fOk = FAddAccount(ptcpip, szAccount, szPassword, pattr); break;
        case 3: fOk = FDeleteAccount(ptcpip, szAccount); break;
        case 4: fOk = FGetAccountAttributes(ptcpip, szAccount, pattr); break;
        case 5: fOk = FSetAccountAttributes(ptcpip, szAccount, pattr); break;
        case 6: fOk = FChangeAccountPassword(ptcpip, szAccount, szPassword); break;
        case 7: fOk = FGetAccountList(ptcpip, rgAccounts, cAccountsMax, pcAccounts); break;
        default: FRecordErc(ercNotSupported, "NETC::FAcctMgmt unsupported account management command"); break;
        }
    } while (0);
    if (ptcpip != nullptr && !FTcpipRelease(ptcpip, fOk ? "NETC::FAcctMgmt ABSTCPIP::Term failed" : nullptr,
                                            fOk ? "NETC::FAcctMgmt failed to release ABSTCPIP instanced" : nullptr))
        fOk = 0;
    FUnlock();
    return fOk;
}
