/*
 * usbcacct.cpp - account management on a USB device: the client
 * authentication switch and the accounts (vendor requests 0xF0 to 0xF7).
 */
#include <string.h>

#include <vector>

#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const size_t cchAccountMax = 64;
const int cbAccountRec = 66;
const int crecPerRequest = 992;       /* 992 x 66 bytes fit in wLength */

void PutU16(std::vector<uint8_t> *prgb, size_t w)
{
    prgb->push_back((uint8_t)w);
    prgb->push_back((uint8_t)(w >> 8));
}

void PutSz(std::vector<uint8_t> *prgb, const char *sz)
{
    prgb->insert(prgb->end(), sz, sz + strlen(sz) + 1);
}

int FFail(int erc, const char *szMsg)
{
    FRecordErc(erc, szMsg);
    return 0;
}
} // namespace

int USBC::FAcctMgmt(int cmd, const char *szConnect, const char *szAccount, const char *szPassword, int *pattr,
                    void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled)
{
    static const char szFn[] = "USBC::FAcctMgmt";
    if (szConnect == nullptr)
        return FFail(ercInvalidParameter, "USBC::FAcctMgmt NULL szConnect");
    if (pmtxUsbc == nullptr || !pmtxUsbc->Lock(tmsLockTimeout))
        return FFail(ercApiLockTimeout, "USBC::FAcctMgmt failed to lock USBC");
    int fOk = 0;
    char szPath[cchConnMax];
    if (!FSzDvcPathFromSzConn(szPath, szConnect, sizeof(szPath))) {
        FRecordErc(ercInternalError, "USBC::FAcctMgmt FSzDvcPathFromSzConn failed");
    } else if (ABSUSB *pusb = PusbOpen(szPath, szFn, ercConnectionFailed)) {
        fOk = FUsbcAcct(pusb, cmd & 0xFF, szAccount, szPassword, pattr, rgAccounts, cAccountsMax, pcAccounts,
                        pfEnabled);
        int fClose = fOk;
        UsbClose(pusb, szFn, &fClose);
        if (fOk && !fClose)
            fOk = 0;
    }
    if (!pmtxUsbc->Unlock()) {
        FRecordErc(ercInternalError, "USBC::FAcctMgmt failed to unlock USBC");
        fOk = 0;
    }
    return fOk;
}

int USBC::FUsbcAcct(ABSUSB *pusb, int cmd, const char *szAccount, const char *szPassword, int *pattr,
                    void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled)
{
    std::vector<uint8_t> rgb;
    uint32_t cb = 0;
    switch (cmd) {
    case 240: {
        if (pfEnabled == nullptr)
            return FFail(ercInvalidParameter, "USBC::FIsClientAuthenticationEnabled NULL parameter specified");
        uint8_t b = 0;
        if (!FVendReq(pusb, true, 0xF0, 0, 0, 1, &b, &cb))
            return FFail(ercControlTransferFailed, "USBC:FIsClientAuthenticationEnabled");
        if (cb != 1)
            return FFail(ercControlTransferFailed, "USBC:FIsClientAuthenticationEnabled 2");
        *pfEnabled = b != 0;
        return 1;
    }
    case 241: {
        if (pfEnabled == nullptr)
            return FFail(ercInvalidParameter, "USBC::FEnableDisableClientAuthentication NULL specified for parameter");
        uint8_t b = *pfEnabled ? 1 : 0;
        if (!FSendVendReq(pusb, 0xF1, &b, 1))
            return FFail(ercControlTransferFailed,
                         "USBC::FEnableDisableClientAuthentication failed to enable/disable user authentication");
        return 1;
    }
    case 242:
        if (szAccount == nullptr)
            return FFail(ercInvalidParameter, "USBC::FAddAccount NULL specified for szAccount");
        if (szPassword == nullptr)
            return FFail(ercInvalidParameter, "USBC::FAddAccount NULL specified for szPassword");
        if (pattr == nullptr)
            return FFail(ercInvalidParameter, "USBC::FAddAccount NULL specified for pattr");
        if (strlen(szAccount) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FAddAccount szAccount is too long");
        if (strlen(szPassword) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FAddAccount szPassword is too long");
        rgb.push_back(*(const uint8_t *)pattr);
        PutU16(&rgb, strlen(szAccount) + 1);
        PutU16(&rgb, strlen(szPassword) + 1);
        PutSz(&rgb, szAccount);
        PutSz(&rgb, szPassword);
        if (!FSendVendReq(pusb, 0xF2, rgb.data(), (uint16_t)rgb.size()))
            return FFail(ercControlTransferFailed, "USBC::FAddAccount failed to add account");
        return 1;
    case 243:
        if (szAccount == nullptr)
            return FFail(ercInvalidParameter, "USBC::FDeleteAccount NULL specified for szAccount");
        if (strlen(szAccount) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FDeleteAccount szAccount is too long");
        if (!FSendVendReq(pusb, 0xF3, szAccount, (uint16_t)strlen(szAccount)))
            return FFail(ercControlTransferFailed, "USBC::FDeleteAccount failed to delete account");
        return 1;
    case 244: {
        if (szAccount == nullptr)
            return FFail(ercInvalidParameter, "USBC::FGetAccountAttributes NULL specified for szAccount");
        if (pattr == nullptr)
            return FFail(ercInvalidParameter, "USBC::FGetAccountAttributes NULL specified for pattr");
        if (strlen(szAccount) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FGetAccountAttributes szAccount is too long");
        if (!FSendVendReq(pusb, 0xF4, szAccount, (uint16_t)strlen(szAccount)))
            return FFail(ercControlTransferFailed, "USBC::FGetAccountAttributes failed to send account name");
        uint8_t b = 0;
        if (!FVendReq(pusb, true, 0xF4, 0, 0, 1, &b, &cb))
            return FFail(ercControlTransferFailed, "USBC::FGetAccountAttributes failed to retrieve account attributes");
        if (cb != 1)
            return FFail(ercControlTransferFailed, "USBC::FGetAccountAttributes received less data than expected");
        *(uint8_t *)pattr = b;
        return 1;
    }
    case 245:
        if (szAccount == nullptr)
            return FFail(ercInvalidParameter, "USBC::FSetAccountAttributes NULL specified for szAccount");
        if (pattr == nullptr)
            return FFail(ercInvalidParameter, "USBC::FSetAccountAttributes NULL specified for pattr");
        if (strlen(szAccount) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FSetAccountAttributes szAccount is too long");
        rgb.push_back(*(const uint8_t *)pattr);
        PutSz(&rgb, szAccount);
        if (!FSendVendReq(pusb, 0xF5, rgb.data(), (uint16_t)rgb.size()))
            return FFail(ercControlTransferFailed, "USBC::FSetAccountAttributes failed to modify account attributes");
        return 1;
    case 246:
        if (szAccount == nullptr)
            return FFail(ercInvalidParameter, "USBC::FChangeAccountPassword NULL specified for szAccount");
        if (szPassword == nullptr)
            return FFail(ercInvalidParameter, "USBC::FChangeAccountPassword NULL specified for szPassword");
        if (strlen(szAccount) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FChangeAccountPassword szAccount is too long");
        if (strlen(szPassword) > cchAccountMax)
            return FFail(ercInvalidParameter, "USBC::FChangeAccountPassword szPassword is too long");
        PutU16(&rgb, strlen(szAccount) + 1);
        PutU16(&rgb, strlen(szPassword) + 1);
        PutSz(&rgb, szAccount);
        PutSz(&rgb, szPassword);
        if (!FSendVendReq(pusb, 0xF6, rgb.data(), (uint16_t)rgb.size()))
            return FFail(ercControlTransferFailed, "USBC::FChangeAccountPassword failed to update account password");
        return 1;
    case 247: {
        if (pcAccounts == nullptr)
            return FFail(ercInvalidParameter, "USBC::FGetAccountList NULL specified for pcAccounts");
        if (rgAccounts == nullptr && cAccountsMax != 0)
            return FFail(ercInvalidParameter, "USBC::FGetAccountList NULL specified for rgAccounts");
        uint8_t rgbCount[4];
        if (!FVendReq(pusb, true, 0xF7, 0, 0, 4, rgbCount, &cb))
            return FFail(ercControlTransferFailed, "USBC::FGetAccountList failed to retrieve account count");
        if (cb != 4)
            return FFail(ercControlTransferFailed, "USBC::FGetAccountList failed to retrieve account count 2");
        uint32_t cAccounts = (uint32_t)rgbCount[0] | (uint32_t)rgbCount[1] << 8 | (uint32_t)rgbCount[2] << 16 |
                             (uint32_t)rgbCount[3] << 24;
        if (cAccountsMax > 0) {
            uint32_t n = cAccounts < (uint32_t)cAccountsMax ? cAccounts : (uint32_t)cAccountsMax;
            if (n > (uint32_t)crecPerRequest)
                n = crecPerRequest;
            uint16_t cbRecs = (uint16_t)(n * cbAccountRec);
            if (n > 0 && (!FVendReq(pusb, true, 0xF7, (uint16_t)n, 0, cbRecs, rgAccounts, &cb)))
                return FFail(ercControlTransferFailed, "USBC::FGetAccountList failed to retrieve account list");
            if (n > 0 && cb != cbRecs)
                return FFail(ercControlTransferFailed, "USBC::FGetAccountList failed to retrieve account list 2");
        }
        *pcAccounts = (int)cAccounts;
        return 1;
    }
    default:
        return FFail(ercNotSupported, "USBC::FAcctMgmt unsupported account management command");
    }
}
