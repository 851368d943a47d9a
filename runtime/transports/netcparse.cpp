/*
 * netcparse.cpp - the network connection string:
 *   [account[:password]@]host[:port[:modifier]]  or  [account[:password]@]host:modifier
 * with the modifier "ENABLE_TLS" or "DISABLE_TLS".
 */
#include <string.h>

#include "netc.h"
#include "vzcore.h"

namespace {
const char szPortDefault[] = "33890";
const char szEnableTls[] = "ENABLE_TLS";
const char szDisableTls[] = "DISABLE_TLS";

/* Copies cch characters of pch into sz (room for cchMax + 1). */
int FPart(char *sz, const char *pch, size_t cch, size_t cchMax)
{
    if (cch > cchMax)
        return 0;
    memcpy(sz, pch, cch);
    sz[cch] = '\0';
    return 1;
}

int FIsDigit(char ch) { return ch >= '0' && ch <= '9'; }

int FFail(const char *szMsg) { return FRecordErc(ercInvalidParameter, szMsg), 0; }
} // namespace

int NETC::FSzConnToServerParams(const char *szConn, char *szHost, char *szAccount, char *szPassword, char *szPort,
                                int *pfModifier, int *pfTls)
{
    if (szConn == nullptr || szHost == nullptr || szAccount == nullptr || szPassword == nullptr || szPort == nullptr)
        return FFail("NETC::FSzConnToServerParams NULL parameter");
    size_t cchConn = strlen(szConn);
    if (cchConn > cchConnMax - 1)
        return FFail("NETC::FSzConnToServerParams szConn is longer than cchDevPathMax");
    const char *pchAt = strchr(szConn, '@');
    const char *pchRest = szConn;
    szAccount[0] = szPassword[0] = szHost[0] = szPort[0] = '\0';
    if (pchAt != nullptr) {
        const char *pchColon = (const char *)memchr(szConn, ':', (size_t)(pchAt - szConn));
        const char *pchAcctEnd = pchColon != nullptr ? pchColon : pchAt;
        if (!FPart(szAccount, szConn, (size_t)(pchAcctEnd - szConn), cchNetAccountMax))
            return FFail("NETC::FSzConnToServerParams account too long in connection string");
        if (pchColon != nullptr &&
            !FPart(szPassword, pchColon + 1, (size_t)(pchAt - pchColon - 1), cchNetPasswordMax))
            return FFail("NETC::FSzConnToServerParams password too long in connection string");
        pchRest = pchAt + 1;
    }
    int fModifier = 0, fTls = 0;
    const char *pchColon = strchr(pchRest, ':');
    if (pchColon == nullptr) {
        if (!FPart(szHost, pchRest, strlen(pchRest), cchNetHostMax))
            return FFail("NETC::FSzConnToServerParams hostname too long in connection string");
        if (szAccount[0] != '\0' || szPassword[0] != '\0' || pchAt != nullptr)
            strcpy(szPort, szPortDefault);
    } else {
        if (!FPart(szHost, pchRest, (size_t)(pchColon - pchRest), cchNetHostMax))
            return FFail("NETC::FSzConnToServerParams hostname too long in connection string");
        const char *pchAfter = pchColon + 1;
        if (FIsDigit(*pchAfter)) {
            const char *pchColon2 = strchr(pchAfter, ':');
            size_t cchPort = pchColon2 != nullptr ? (size_t)(pchColon2 - pchAfter) : strlen(pchAfter);
            if (!FPart(szPort, pchAfter, cchPort, cchNetPortMax))
                return FFail("NETC::FSzConnToServerParams port too long in connection string");
            if (pchColon2 != nullptr) {
                if (strcmp(pchColon2 + 1, szEnableTls) == 0)
                    fModifier = fTls = 1;
                else if (strcmp(pchColon2 + 1, szDisableTls) == 0)
                    fModifier = 1;
                else
                    return FFail("NETC::FSzConnToServerParams unrecognized modifier supplied after port number");
            }
        } else {
            if (strcmp(pchAfter, szEnableTls) == 0)
                fModifier = fTls = 1;
            else if (strcmp(pchAfter, szDisableTls) == 0)
                fModifier = 1;
            else if (*pchAfter != '\0')
                return FFail("NETC::FSzConnToServerParams unrecognized modifier supplied");
            strcpy(szPort, szPortDefault);
        }
    }
    if (pfModifier != nullptr)
        *pfModifier = fModifier;
    if (pfTls != nullptr && fModifier)
        *pfTls = fTls;
    return 1;
}

int NETC::FSzConnToParts(const char *szConn, NETSZPARTS *pparts)
{
    pparts->fModifier = 0;
    pparts->fTls = 0;
    return FSzConnToServerParams(szConn, pparts->szHost, pparts->szAccount, pparts->szPassword, pparts->szPort,
                                 &pparts->fModifier, &pparts->fTls);
}

int NETC::FCheckSzConn(const char *szConnect)
{
    if (szConnect == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FCheckSzConn szConn is NULL"), 0;
    NETSZPARTS parts;
    int ercSave = TvxGetLastError();
    if (!FSzConnToParts(szConnect, &parts)) {
        /* Not a network string: no error of ours for the other managers' strings. */
        TvxSetLastErrorNoLog(ercSave);
        return 0;
    }
    return parts.szHost[0] != '\0' &&
           (parts.szAccount[0] != '\0' || parts.szPassword[0] != '\0' || parts.szPort[0] != '\0');
}

int NETC::FCheckSzConnTbl(const char *szConn) { return FCheckSzConn(szConn); }

int NETC::FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn)
{
    if (szConn == nullptr || szDvcPath == nullptr || cchConn <= 0)
        return FRecordErc(ercInvalidParameter, "NETC::FSzConnFromSzDvcPath NULL parameter"), 0;
    strncpy(szConn, szDvcPath, (size_t)cchConn);
    szConn[cchConn - 1] = '\0';
    return 1;
}
