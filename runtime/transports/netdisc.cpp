/* netdisc.cpp - NETDISC: the UDP discovery of network devices. */
#include <stdio.h>
#include <string.h>

#include "netc.h"
#include "netdisc.h"
#include "netsock.h"
#include "vzcore.h"
#include "yorl.h"

const uint8_t rgbNetDiscSig[30] = {0xe7, 0x28, 0x9f, 0xea, 0x69, 0xc6, 0x86, 0x7a, 'k', 'o', 'r', 'v', 'a', 'n', 'e',
                                   'l', '-', 'o', 'r', 'r', 'i', 'n', 0x9b, 0xe4, 0x99, 0x31, 0xd4, 0xd1, 0x2f, 0x36};

namespace {
const uint32_t tmsRecvSlice = 10;
const uint32_t tmsBroadcast = 500;

uint16_t U16(const uint8_t *pb) { return (uint16_t)(pb[0] | (pb[1] << 8)); }
uint32_t U32(const uint8_t *pb) { return pb[0] | (pb[1] << 8) | (pb[2] << 16) | ((uint32_t)pb[3] << 24); }

void CopyText(char *sz, size_t cchRoom, const uint8_t *pb, size_t cbField)
{
    size_t cch = 0;
    while (cch < cbField && cch + 1 < cchRoom && pb[cch] != 0)
        cch++;
    memcpy(sz, pb, cch);
    sz[cch] = '\0';
}

int FFail(const char *szFn, const char *szWhat)
{
    char sz[160];
    snprintf(sz, sizeof(sz), "%s %s", szFn, szWhat);
    return FRecordErc(ercInternalError, sz), 0;
}
} // namespace

int FEnumrespFromDatagram(const uint8_t *pb, uint32_t cb, uint32_t ipv4Sender, ENUMRESP *per)
{
    if (cb != cbEnumResp || memcmp(pb, rgbNetDiscSig, sizeof(rgbNetDiscSig)) != 0)
        return 0;
    memset(per, 0, sizeof(*per));
    per->ver = U16(pb + 30);
    per->fs = U16(pb + 32);
    if (pb[34] == 0)
        NetIpv4Text(ipv4Sender, per->szIPv4);
    else
        CopyText(per->szIPv4, sizeof(per->szIPv4), pb + 34, 15);
    CopyText(per->szPort, sizeof(per->szPort), pb + 50, 5);
    CopyText(per->szMAC, sizeof(per->szMAC), pb + 56, 17);
    CopyText(per->szUsrName, sizeof(per->szUsrName), pb + 78, 16);
    CopyText(per->szProdName, sizeof(per->szProdName), pb + 95, 28);
    CopyText(per->szSN, sizeof(per->szSN), pb + 124, 12);
    per->pdid = U32(pb + 140);
    per->dcapPub = U32(pb + 144);
    per->dcapPriv = U32(pb + 148);
    per->fwver = U16(pb + 152);
    return 1;
}

NETDISC::NETDISC()
    : pmdnssd(nullptr), fBrowsing(0), ipsiNext(0), fServicesDue(0), pudp(nullptr), fOwnUdp(0), tickStart(0)
{
}

NETDISC::~NETDISC()
{
    if (pmdnssd != nullptr) {
        if (fBrowsing)
            pmdnssd->StopBrowse();
        pmdnssd->Close();
        pmdnssd->Term();
        pabsfact->RlsABSMDNSSD(pmdnssd);
    }
    if (pudp != nullptr && fOwnUdp) {
        pudp->Close();
        pudp->Term();
        pabsfact->RlsABSUDP(pudp);
    }
}

int NETDISC::FStart(const char *szFn, ABSUDP *pudpGiven)
{
    pmdnssd = pabsfact->InstABSMDNSSD();
    if (pmdnssd == nullptr)
        return FFail(szFn, "failed to get ABSMDNSSD instance");
    if (!pmdnssd->Init())
        return FFail(szFn, "failed to get init ABSMDNSSD instance");
    if (!pmdnssd->StartBrowse("_korvanel-orrin._tcp"))
        return FFail(szFn, "failed to initiate browsing for korvanel-orrin service");
    fBrowsing = 1;
    if (pudpGiven != nullptr) {
        pudp = pudpGiven;
    } else {
        pudp = pabsfact->InstABSUDP();
        if (pudp == nullptr)
            return FFail(szFn, "failed to get ABSUDP instance");
        fOwnUdp = 1;
        if (!pudp->Init())
            return FFail(szFn, "failed to get init ABSUDP instance");
        if (!pudp->CreateSocket())
            return FFail(szFn, "failed to create UDP socket");
    }
    int one = 1;
    if (!pudp->SetSockOpt(absSolSocket, absSoBroadcast, &one, 4))
        return FFail(szFn, pudpGiven ? "failed to create set SO_BROADCAST option" : "failed to set SO_BROADCAST option");
    uint32_t cif = 0;
    if (!pudp->CreateIfList(&cif))
        return FFail(szFn, "failed to create network interface list");
    uint8_t rgbReq[cbEnumReq];
    memcpy(rgbReq, rgbNetDiscSig, sizeof(rgbNetDiscSig));
    rgbReq[30] = 0xE0;
    rgbReq[31] = 0x00;
    for (uint32_t iif = 0; iif < cif; iif++) {
        ABSNETIF netif;
        if (!pudp->GetIf(iif, &netif)) {
            pudp->FreeIfList();
            return FFail(szFn, "GetInterface failed");
        }
        if (netif.fUse && !pudp->SendTo(netif.ipv4Bcast, portNetDisc, rgbReq, cbEnumReq, tmsBroadcast)) {
            pudp->FreeIfList();
            return FFail(szFn, "failed to broadcast enum request");
        }
    }
    pudp->FreeIfList();
    tickStart = pabsutil->GetTickMs();
    return 1;
}

int NETDISC::FNextService(ENUMRESP *per, int (*pfnStopped)())
{
    while (pmdnssd != nullptr && (pfnStopped == nullptr || !pfnStopped())) {
        ASERVICEINFO *psi = pmdnssd->GetService(ipsiNext);
        if (psi == nullptr)
            return 0;
        ipsiNext++;
        if (NETC::FEnumrespFromServiceInfo(psi, per))
            return 1;
    }
    return 0;
}

int NETDISC::FNext(ENUMRESP *per, uint32_t tmsEnum, int (*pfnStopped)())
{
    for (;;) {
        if (fServicesDue) {
            if (FNextService(per, pfnStopped))
                return 1;
            fServicesDue = 0;
        }
        uint32_t tmsElapsed = pabsutil->GetTickMs() - tickStart;
        if (pudp == nullptr || tmsElapsed >= tmsEnum || (pfnStopped != nullptr && pfnStopped()))
            return 0;
        uint32_t tmsLeft = tmsEnum - tmsElapsed;
        /* One byte more than an answer: a longer datagram shows its length. */
        uint8_t rgb[cbEnumResp + 1];
        uint32_t cb = 0, ipv4 = 0;
        uint16_t port = 0;
        fServicesDue = 1;
        if (!pudp->RecvFrom(rgb, sizeof(rgb), &cb, &ipv4, &port, tmsLeft < tmsRecvSlice ? tmsLeft : tmsRecvSlice))
            continue;
        if (FEnumrespFromDatagram(rgb, cb, ipv4, per))
            return 1;
    }
}

int NETDISC::FStop()
{
    if (pmdnssd == nullptr || !fBrowsing)
        return 1;
    fBrowsing = 0;
    return pmdnssd->StopBrowse() ? 1 : 0;
}
