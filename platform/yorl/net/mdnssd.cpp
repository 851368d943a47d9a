/*
 * mdnssd.cpp - ABSMDNSSD and ASERVICEINFO: a DNS-SD browser speaking
 * multicast DNS. StartBrowse sends one PTR question for the service type
 * (unicast answer asked) to the mDNS group and to the broadcast address of
 * every interface in use; GetService reads what has arrived without
 * waiting. A service is listed once its PTR, SRV and A records are known.
 */
#include "dnsmsg.h"
#include "ybnet.h"

#include <map>
#include <stdio.h>
#include <new>

namespace {
const uint16_t portMdns = 5353;
const uint32_t ipv4MdnsGroup = 0xFB0000E0u;   /* 224.0.0.251, network byte order */
const size_t cbDatagramMax = 9000;
const size_t crrMax = 4096;          /* records kept from one browse */

struct SERVICE {
    std::string szInstance;
    std::string szHost;
    std::string szIpv4;
    uint16_t port = 0;
    bool fTxt = false;
    std::map<std::string, std::string> mpszTxt;
};

struct BROWSER {
    YBSOCK sock = ybsockNil;
    std::string szType;                /* with ".local" */
    std::vector<DNSRR> vrr;            /* every record read so far */
    std::vector<ASERVICEINFO *> vpsi;
    std::vector<std::string> vszListed;   /* instances of vpsi */
};

std::string SzIpv4(uint32_t ipv4)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "%u.%u.%u.%u", ipv4 & 0xFF, (ipv4 >> 8) & 0xFF, (ipv4 >> 16) & 0xFF, ipv4 >> 24);
    return sz;
}

void SendQuery(YBSOCK sock, uint32_t ipv4, const std::vector<uint8_t> &vb)
{
    size_t cb = 0;
    YbSockSendTo(sock, ipv4, YbPortMapped(portMdns), vb.data(), vb.size(), &cb);
}
} // namespace

/* ASERVICEINFO holds a SERVICE. */
#define PSVC ((SERVICE *)pvImpl)

ASERVICEINFO::ASERVICEINFO() : pvImpl(NULL) {}

ASERVICEINFO::~ASERVICEINFO() { delete PSVC; }

const char *ASERVICEINFO::GetIpv4() { return pvImpl == NULL || PSVC->szIpv4.empty() ? NULL : PSVC->szIpv4.c_str(); }

uint16_t ASERVICEINFO::GetPort() { return pvImpl == NULL ? 0 : PSVC->port; }

bool ASERVICEINFO::GetTxtRecord(const char *szKey, const char **pszValue)
{
    if (pvImpl == NULL || !PSVC->fTxt)
        return false;
    if (szKey == NULL)
        return true;
    std::map<std::string, std::string>::const_iterator it = PSVC->mpszTxt.find(szKey);
    if (it == PSVC->mpszTxt.end())
        return false;
    if (pszValue != NULL)
        *pszValue = it->second.c_str();
    return true;
}

#define PBRW ((BROWSER *)pvImpl)

ABSMDNSSD::ABSMDNSSD() : pvImpl(NULL) {}

ABSMDNSSD::~ABSMDNSSD() { Term(); }

bool ABSMDNSSD::Init()
{
    if (FYorlFault("ABSMDNSSD.Init"))
        return FYorlFail(ercAbsFailed);
    if (pvImpl != NULL)
        return true;
    if (!FYorlCheck(YbNetStart()))
        return false;
    pvImpl = new (std::nothrow) BROWSER();
    return pvImpl != NULL || FYorlFail(ercAbsOutOfMemory);
}

bool ABSMDNSSD::Term()
{
    if (pvImpl != NULL) {
        Close();
        delete PBRW;
        pvImpl = NULL;
    }
    return true;
}

bool ABSMDNSSD::StartBrowse(const char *szType)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (szType == NULL || szType[0] == '\0')
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSMDNSSD.StartBrowse"))
        return FYorlFail(ercAbsFailed);
    StopBrowse();
    PBRW->szType = std::string(szType) + ".local";
    if (!FYorlCheck(YbSockOpen(false, &PBRW->sock)))
        return false;
    int one = 1;
    YbSockSetOpt(PBRW->sock, absSolSocket, absSoBroadcast, &one, 4);
    std::vector<uint8_t> vbQuery = RgbDnsQuery(PBRW->szType, dnstypePTR);
    SendQuery(PBRW->sock, ipv4MdnsGroup, vbQuery);   /* no route for it: the broadcasts still go */
    std::vector<ABSNETIF> vnetif;
    if (!FYorlCheck(YbNetIfList(&vnetif))) {
        StopBrowse();
        return false;
    }
    for (size_t i = 0; i < vnetif.size(); i++) {
        if (vnetif[i].fUse)
            SendQuery(PBRW->sock, vnetif[i].ipv4Bcast, vbQuery);
    }
    return true;
}

bool ABSMDNSSD::StopBrowse()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    YbSockClose(PBRW->sock);
    PBRW->sock = ybsockNil;
    return true;
}

/* Reads the answers waiting; the services that became whole go into
 * *pvsvcNew. */
static void CollectAnswers(BROWSER *pbrw, std::vector<SERVICE> *pvsvcNew)
{
    std::vector<uint8_t> vb(cbDatagramMax);
    for (;;) {
        size_t cb = 0;
        uint32_t ipv4 = 0;
        uint16_t port = 0;
        if (pbrw->sock == ybsockNil || YbSockRecvFrom(pbrw->sock, vb.data(), vb.size(), &cb, &ipv4, &port) != 0)
            break;
        std::vector<DNSRR> vrr;
        if (cb <= vb.size() && FDnsParseResponse(vb.data(), cb, &vrr) && pbrw->vrr.size() + vrr.size() <= crrMax)
            pbrw->vrr.insert(pbrw->vrr.end(), vrr.begin(), vrr.end());
    }
    for (size_t iptr = 0; iptr < pbrw->vrr.size(); iptr++) {
        const DNSRR &rrPtr = pbrw->vrr[iptr];
        if (rrPtr.type != dnstypePTR || !FDnsSameName(rrPtr.szOwner, pbrw->szType))
            continue;
        bool fListed = false;
        for (size_t i = 0; i < pbrw->vszListed.size() && !fListed; i++)
            fListed = FDnsSameName(pbrw->vszListed[i], rrPtr.szTarget);
        if (fListed)
            continue;
        SERVICE svc;
        svc.szInstance = rrPtr.szTarget;
        for (size_t i = 0; i < pbrw->vrr.size(); i++) {
            const DNSRR &rr = pbrw->vrr[i];
            if (rr.type == dnstypeSRV && FDnsSameName(rr.szOwner, svc.szInstance)) {
                svc.szHost = rr.szTarget;
                svc.port = rr.port;
            } else if (rr.type == dnstypeTXT && FDnsSameName(rr.szOwner, svc.szInstance)) {
                svc.fTxt = true;
                svc.mpszTxt.clear();
                for (size_t istr = 0; istr < rr.vszTxt.size(); istr++) {
                    const std::string &sz = rr.vszTxt[istr];
                    size_t ichEq = sz.find('=');
                    std::string szKey = sz.substr(0, ichEq);
                    if (!szKey.empty() && svc.mpszTxt.find(szKey) == svc.mpszTxt.end())
                        svc.mpszTxt[szKey] = ichEq == std::string::npos ? std::string() : sz.substr(ichEq + 1);
                }
            }
        }
        for (size_t i = 0; i < pbrw->vrr.size() && !svc.szHost.empty(); i++) {
            if (pbrw->vrr[i].type == dnstypeA && FDnsSameName(pbrw->vrr[i].szOwner, svc.szHost))
                svc.szIpv4 = SzIpv4(pbrw->vrr[i].ipv4);
        }
        if (svc.szHost.empty() || svc.szIpv4.empty())
            continue;
        pbrw->vszListed.push_back(svc.szInstance);
        pvsvcNew->push_back(svc);
    }
}

ASERVICEINFO *ABSMDNSSD::GetService(uint32_t i)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit), (ASERVICEINFO *)NULL;
    if (i >= PBRW->vpsi.size()) {
        std::vector<SERVICE> vsvcNew;
        CollectAnswers(PBRW, &vsvcNew);
        for (size_t isvc = 0; isvc < vsvcNew.size(); isvc++) {
            SERVICE *psvc = new (std::nothrow) SERVICE(vsvcNew[isvc]);
            ASERVICEINFO *psi = psvc == NULL ? NULL : new (std::nothrow) ASERVICEINFO();
            if (psi == NULL) {
                delete psvc;
                return FYorlFail(ercAbsOutOfMemory), (ASERVICEINFO *)NULL;
            }
            psi->pvImpl = psvc;
            PBRW->vpsi.push_back(psi);
        }
    }
    if (i >= PBRW->vpsi.size())
        return FYorlFail(ercAbsTimeout), (ASERVICEINFO *)NULL;
    return PBRW->vpsi[i];
}

bool ABSMDNSSD::Close()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    StopBrowse();
    for (size_t i = 0; i < PBRW->vpsi.size(); i++)
        delete PBRW->vpsi[i];
    PBRW->vpsi.clear();
    PBRW->vszListed.clear();
    PBRW->vrr.clear();
    return true;
}
