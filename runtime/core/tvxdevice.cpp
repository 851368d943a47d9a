/*
 * tvxdevice.cpp - public functions on device records (information, accounts)
 * and transport words. A device record reaches its transport manager
 * through the manager selection below.
 */
#include <string.h>

#include "mag.h"
#include "magmg.h"
#include "vzcore.h"

namespace {

enum {
    cmdAcctIsAuthEnabled = 240,
    cmdAcctEnableAuth = 241,
    cmdAcctAdd = 242,
    cmdAcctDelete = 243,
    cmdAcctGetAttr = 244,
    cmdAcctSetAttr = 245,
    cmdAcctChangePassword = 246,
    cmdAcctGetList = 247,
    dinfoClientMax = 1024,
};

const uint32_t rgdtpTable[] = {dtpUsb, dtpNet};

struct DTPNAME {
    uint32_t tpt;
    const char *sz;
};

const DTPNAME rgdtpname[] = {{1, "USB"}, {2, "NET"}, {4, "PAR"}, {8, "SER"}, {0, ""}};

/*
 * Manager selection for a device record: an exact (transport, protocol)
 * word names one manager; a bare transport bit asks each manager of the
 * transport that recognises the connection string, until one succeeds.
 * Failures here record no error of their own.
 */
template <class FN> int FCallSelectedMag(const DVC *pdvc, FN fn)
{
    uint32_t dtp = pdvc->dtp;
    if (dtp >= 0x10000) {
        MAG *pmag = magmg.PmagFromTptPtc(dtp & 0xFFFF, dtp >> 16);
        return pmag ? fn(pmag) : 0;
    }
    uint8_t cmag = magmg.CmagFromTpt(dtp);
    for (uint8_t imag = 0; imag < cmag; imag++) {
        MAG *pmag = magmg.PmagFromTptIndex(dtp, imag, nullptr);
        if (pmag && pmag->FCheckSzConn(pdvc->szConn) && fn(pmag))
            return 1;
    }
    return 0;
}

int FAcct(const char *szFn, DVC *pdvc, int cmd, const char *szAccount, const char *szPassword, int *pattr,
          void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled)
{
    if (!FVzStarted())
        return 0;
    if (pdvc == nullptr) {
        FRecordErc(ercInvalidParameter, szFn);
        return 0;
    }
    return FCallSelectedMag(pdvc, [&](MAG *pmag) {
        return pmag->FAcctMgmt(cmd, pdvc->szConn, szAccount, szPassword, pattr, rgAccounts, cAccountsMax, pcAccounts,
                               pfEnabled);
    });
}

} // namespace

extern "C" VZAPI int VZCALL TvxGetDtpCount(void)
{
    return (int)(sizeof(rgdtpTable) / sizeof(rgdtpTable[0]));
}

extern "C" VZAPI int VZCALL TvxGetDtpFromIndex(int idtp, uint32_t *pdtp)
{
    if (!FVzStarted())
        return 0;
    if (pdtp == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxGetDtpFromIndex");
        return 0;
    }
    if (idtp < 0 || idtp >= TvxGetDtpCount())
        return 0;
    *pdtp = rgdtpTable[idtp];
    return 1;
}

extern "C" VZAPI int VZCALL TvxGetDtpString(uint32_t dtp, char *szDtpString)
{
    if (!FVzStarted())
        return 0;
    if (szDtpString == nullptr) {
        FRecordErc(ercInvalidParameter, "KelmGetDtpString szDtpString = NULL");
        return 0;
    }
    for (const DTPNAME &dtpname : rgdtpname) {
        if (dtpname.tpt == (dtp & 0xFFFF)) {
            strcpy(szDtpString, dtpname.sz);
            return 1;
        }
    }
    FRecordErc(ercInvalidParameter, "KelmGetDtpString transport type for specified DTP not found");
    return 0;
}

extern "C" VZAPI int VZCALL TvxGetSysInfo(DVC *pdvc, uint32_t dinfo, void *pInfoGet)
{
    if (!FVzStarted())
        return 0;
    if (pdvc == nullptr || pInfoGet == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxGetSysInfo if(pdvc == NULL || pInfoGet == NULL)");
        return 0;
    }
    return FCallSelectedMag(pdvc, [&](MAG *pmag) { return pmag->FGetInfo(pdvc->szConn, dinfo, pInfoGet); });
}

extern "C" VZAPI int VZCALL TvxGetInfo(DVC *pdvc, uint32_t dinfo, void *pInfoGet)
{
    if (!FVzStarted())
        return 0;
    if (dinfo >= dinfoClientMax) {
        FRecordErc(ercInvalidParameter, "TvxGetInfo");
        return 0;
    }
    return TvxGetSysInfo(pdvc, dinfo, pInfoGet);
}

extern "C" VZAPI int VZCALL TvxSetSysInfo(DVC *pdvc, uint32_t dinfo, void *pInfoSet)
{
    if (!FVzStarted())
        return 0;
    if (pdvc == nullptr) {
        FRecordErc(ercInvalidParameter, "TvxSetSysInfo");
        return 0;
    }
    return FCallSelectedMag(pdvc, [&](MAG *pmag) { return pmag->FSetInfo(pdvc->szConn, dinfo, pInfoSet); });
}

extern "C" VZAPI int VZCALL TvxIsClientAuthenticationEnabled(DVC *pdvc, int *pfEnabled)
{
    return FAcct("TvxIsClientAuthenticationEnabled", pdvc, cmdAcctIsAuthEnabled, nullptr, nullptr, nullptr, nullptr, 0,
                 nullptr, pfEnabled);
}

extern "C" VZAPI int VZCALL TvxEnableDisableClientAuthentication(DVC *pdvc, int fEnable)
{
    return FAcct("TvxEnableDisableClientAuthentication", pdvc, cmdAcctEnableAuth, nullptr, nullptr, nullptr, nullptr,
                 0, nullptr, &fEnable);
}

extern "C" VZAPI int VZCALL TvxAddAccount(DVC *pdvc, const char *szAccount, const char *szPassword, int attr)
{
    return FAcct("TvxAddAccount", pdvc, cmdAcctAdd, szAccount, szPassword, &attr, nullptr, 0, nullptr, nullptr);
}

extern "C" VZAPI int VZCALL TvxDeleteAccount(DVC *pdvc, const char *szAccount)
{
    return FAcct("TvxDeleteAccount", pdvc, cmdAcctDelete, szAccount, nullptr, nullptr, nullptr, 0, nullptr, nullptr);
}

extern "C" VZAPI int VZCALL TvxGetAccountAttributes(DVC *pdvc, const char *szAccount, int *pattr)
{
    return FAcct("TvxGetAccountAttributes", pdvc, cmdAcctGetAttr, szAccount, nullptr, pattr, nullptr, 0, nullptr,
                 nullptr);
}

extern "C" VZAPI int VZCALL TvxSetAccountAttributes(DVC *pdvc, const char *szAccount, int attr)
{
    return FAcct("TvxSetAccountAttributes", pdvc, cmdAcctSetAttr, szAccount, nullptr, &attr, nullptr, 0, nullptr,
                 nullptr);
}

extern "C" VZAPI int VZCALL TvxChangeAccountPassword(DVC *pdvc, const char *szAccount, const char *szPassword)
{
    return FAcct("TvxChangeAccountPassword", pdvc, cmdAcctChangePassword, szAccount, szPassword, nullptr, nullptr, 0,
                 nullptr, nullptr);
}

extern "C" VZAPI int VZCALL TvxGetAccountList(DVC *pdvc, void *rgAccounts, int cAccountsMax, int *pcAccounts)
{
    return FAcct("TvxGetAccountList", pdvc, cmdAcctGetList, nullptr, nullptr, nullptr, rgAccounts, cAccountsMax,
                 pcAccounts, nullptr);
}
