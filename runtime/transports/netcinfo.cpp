/*
 * netcinfo.cpp - NETC: device information over a temporary control
 * connection, and the device-attribute requests behind it.
 */
#include <stdio.h>
#include <string.h>

#include "dvtopn.h"
#include "netc.h"
#include "netsock.h"
#include "usbc.h"
#include "vzcore.h"
#include "vzfsadm.h"
#include "yorl.h"

namespace {
/* A device-to-host request of up to cbMax bytes; the count into *pcb. */
int FGetUpTo(ABSTCPIP *ptcpip, uint8_t req, uint8_t *pb, uint16_t cbMax, uint32_t *pcb)
{
    return NETC::FVreq(ptcpip, 0, req, 0, 0, cbMax, pb, pcb, tmsNetVendReq);
}

/* A device-to-host request of exactly cb bytes. */
int FGetExact(ABSTCPIP *ptcpip, uint8_t req, uint8_t *pb, uint16_t cb)
{
    uint32_t cbDone = 0;
    return FGetUpTo(ptcpip, req, pb, cb, &cbDone) && cbDone == cb;
}

int FFailCtl(const char *szMsg) { return FRecordErc(ercControlTransferFailed, szMsg), 0; }
int FFailArg(const char *szMsg) { return FRecordErc(ercInvalidParameter, szMsg), 0; }

/* A text request: the text ends after the bytes received. */
int FGetText(ABSTCPIP *ptcpip, uint8_t req, char *sz, uint16_t cchMax, const char *szFail)
{
    uint32_t cb = 0;
    sz[0] = '\0';
    if (!FGetUpTo(ptcpip, req, (uint8_t *)sz, cchMax, &cb)) {
        sz[0] = '\0';
        return FFailCtl(szFail);
    }
    sz[cb < cchMax ? cb : cchMax] = '\0';
    return 1;
}

/* A text with a prefix and exactly cch characters after it. */
int FGetPrefixed(ABSTCPIP *ptcpip, uint8_t req, char *sz, const char *szPrefix, uint16_t cch, const char *szFail)
{
    size_t cchPrefix = strlen(szPrefix);
    strcpy(sz, szPrefix);
    if (!FGetExact(ptcpip, req, (uint8_t *)sz + cchPrefix, cch)) {
        sz[cchPrefix] = '\0';
        return FFailCtl(szFail);
    }
    sz[cchPrefix + cch] = '\0';
    return 1;
}
} // namespace

int NETC::FGetUsrName(ABSTCPIP *ptcpip, char *sz)
{
    if (ptcpip == nullptr || sz == nullptr)
        return FFailArg("NETC::FGetUsrName parameter specified");
    return FGetText(ptcpip, 0xE2, sz, 16, "NETC:FGetUsrName");
}

int NETC::FGetProdName(ABSTCPIP *ptcpip, char *sz)
{
    if (ptcpip == nullptr || sz == nullptr)
        return FFailArg("NETC::FGetProdName parameter specified");
    return FGetText(ptcpip, 0xE1, sz, 28, "NETC:FGetProdName");
}

int NETC::FGetSN(ABSTCPIP *ptcpip, char *sz)
{
    if (ptcpip == nullptr || sz == nullptr)
        return FFailArg("NETC::FGetSN parameter specified");
    return FGetPrefixed(ptcpip, 0xE4, sz, "SN:", 12, "NETC:FGetSN");
}

int NETC::FGetMAC(ABSTCPIP *ptcpip, char *sz)
{
    if (ptcpip == nullptr || sz == nullptr)
        return FFailArg("NETC::FGetMAC parameter specified");
    return FGetPrefixed(ptcpip, 0xED, sz, "MAC:", 17, "NETC:FGetMAC");
}

int NETC::FGetPDID(ABSTCPIP *ptcpip, uint32_t *ppdid)
{
    if (ptcpip == nullptr || ppdid == nullptr)
        return FFailArg("NETC::FGetPDID parameter specified");
    uint8_t rgb[4];
    *ppdid = 0;
    if (!FGetExact(ptcpip, 0xE9, rgb, 4))
        return FFailCtl("NETC:FGetPDID");
    *ppdid = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16) | ((uint32_t)rgb[3] << 24);
    return 1;
}

static int FGetU16(ABSTCPIP *ptcpip, uint8_t req, uint16_t *pw, const char *szFail)
{
    uint8_t rgb[2];
    *pw = 0;
    if (!FGetExact(ptcpip, req, rgb, 2))
        return FFailCtl(szFail);
    *pw = (uint16_t)(rgb[0] | (rgb[1] << 8));
    return 1;
}

int NETC::FGetFWVER(ABSTCPIP *ptcpip, uint16_t *pfwver)
{
    if (ptcpip == nullptr || pfwver == nullptr)
        return FFailArg("NETC::FGetFWVER parameter specified");
    return FGetU16(ptcpip, 0xE6, pfwver, "NETC::FGetFWVER");
}

int NETC::FGetFWVERRom(ABSTCPIP *ptcpip, uint16_t *pfwver)
{
    if (ptcpip == nullptr || pfwver == nullptr)
        return FFailArg("NETC::FGetFWVERRom parameter specified");
    return FGetU16(ptcpip, 0xEB, pfwver, "NETC::FGetFWVERRom");
}

int NETC::FGetDcapDev(ABSTCPIP *ptcpip, uint32_t *pdcapPub, uint32_t *pdcapPriv)
{
    if (ptcpip == nullptr)
        return FFailArg("NETC::FGetDcapDev NULL specified for parameter");
    uint8_t rgb[8] = {};
    int fOk = FGetExact(ptcpip, 0xE7, rgb, 8);
    uint32_t dcapPub = fOk ? rgb[0] | (rgb[1] << 8) | (rgb[2] << 16) | ((uint32_t)rgb[3] << 24) : 0;
    uint32_t dcapPriv = fOk ? rgb[4] | (rgb[5] << 8) | (rgb[6] << 16) | ((uint32_t)rgb[7] << 24) : 0;
    if (pdcapPub != nullptr)
        *pdcapPub = dcapPub;
    if (pdcapPriv != nullptr)
        *pdcapPriv = dcapPriv;
    return fOk || FFailCtl("NETC:FGetDcapDev");
}

int NETC::FGetDcapCur(ABSTCPIP *ptcpip, uint32_t *pdcap)
{
    if (ptcpip == nullptr || pdcap == nullptr)
        return FFailArg("NETC::FGetDcapCur NULL parameter specified");
    uint32_t dcapPub = 0, dcapPriv = 0;
    *pdcap = 0;
    if (!FGetDcapDev(ptcpip, &dcapPub, &dcapPriv))
        return 0;
    uint32_t fsadm = FsadmGet();
    *pdcap = ((fsadm & fsadmDcapPub) ? dcapPub : 0) | ((fsadm & fsadmDcapPriv) ? dcapPriv : 0);
    return 1;
}

int NETC::FGetIPV4Config(ABSTCPIP *ptcpip, uint8_t *pb)
{
    if (ptcpip == nullptr || pb == nullptr)
        return FFailArg("NETC::FGetIPV4Config parameter specified");
    return FGetExact(ptcpip, 0xEE, pb, cbNetIpv4Config) || FFailCtl("NETC:FGetIPV4Config");
}

int NETC::FGetIPV4Status(ABSTCPIP *ptcpip, uint8_t *pb)
{
    if (ptcpip == nullptr || pb == nullptr)
        return FFailArg("NETC::FGetIPV4Status parameter specified");
    return FGetExact(ptcpip, 0xEF, pb, cbNetIpv4Status) || FFailCtl("NETC:FGetIPV4Status");
}

int NETC::FSetUsrName(ABSTCPIP *ptcpip, const char *sz)
{
    if (ptcpip == nullptr || sz == nullptr || !MAG::FCheckSzUsrName(sz))
        return FFailArg("NETC::FSetUsrName");
    return FSendVendReq(ptcpip, 0xE3, (const uint8_t *)sz, (uint16_t)strlen(sz)) ||
           FFailCtl("NETC::FSetUsrName failed to set user name");
}

int NETC::FSetProdName(ABSTCPIP *ptcpip, const char *sz)
{
    if (ptcpip == nullptr || sz == nullptr || strlen(sz) >= 29)
        return FFailArg("NETC::FSetProdName");
    return FSendVendReq(ptcpip, 0xE1, (const uint8_t *)sz, (uint16_t)strlen(sz)) ||
           FFailCtl("NETC::FSetProdName failed to set product name");
}

int NETC::FSetSN(ABSTCPIP *ptcpip, const char *sz)
{
    if (ptcpip == nullptr || sz == nullptr || !MAG::FCheckSzSN(sz))
        return FFailArg("NETC::FSetSN");
    return FSendVendReq(ptcpip, 0xE5, (const uint8_t *)sz + 3, 12) ||
           FFailCtl("NETC::FSetSN failed to set serial number");
}

int NETC::FSetIPV4Config(ABSTCPIP *ptcpip, const uint8_t *pb)
{
    if (ptcpip == nullptr || pb == nullptr)
        return FFailArg("NETC::FSetIPV4Config");
    return FSendVendReq(ptcpip, 0xEE, 0, pb, cbNetIpv4Config) ||
           FFailCtl("NETC::FSetIPV4Config failed to set IPV4 configuration");
}

/* ---- information requests ---- */

int NETC::FGetInfoConnected(ABSTCPIP *ptcpip, const NETSZPARTS &parts, uint32_t dinfo, void *pv)
{
    switch (dinfo) {
    case dinfoUsrName: return FGetUsrName(ptcpip, (char *)pv);
    case dinfoProdName: return FGetProdName(ptcpip, (char *)pv);
    case dinfoPDID: return FGetPDID(ptcpip, (uint32_t *)pv);
    case dinfoSN: return FGetSN(ptcpip, (char *)pv);
    case dinfoMAC: return FGetMAC(ptcpip, (char *)pv);
    case dinfoDcap:
    case dinfoDcapCur: return FGetDcapCur(ptcpip, (uint32_t *)pv);
    case dinfoProdId: {
        uint32_t pdid = 0;
        if (!FGetPDID(ptcpip, &pdid))
            return 0;
        uint16_t w = (uint16_t)(pdid >> 20);
        memcpy(pv, &w, 2);
        return 1;
    }
    case dinfoOpenCount: {
        char szPath[cchNetHostMax + cchNetPortMax + 2];
        snprintf(szPath, sizeof(szPath), "%s:%s", parts.szHost, parts.szPort);
        int32_t c = vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpNetwork, szPath) : 0;
        memcpy(pv, &c, 4);
        return 1;
    }
    case dinfoFWVER: return FGetFWVER(ptcpip, (uint16_t *)pv);
    case dinfoIPV4Config: return FGetIPV4Config(ptcpip, (uint8_t *)pv);
    case dinfoIPV4Status: return FGetIPV4Status(ptcpip, (uint8_t *)pv);
    case dinfoFWVERRom: return FGetFWVERRom(ptcpip, (uint16_t *)pv);
    case dinfoDcapDev: {
        uint32_t rgdcap[2];
        int f = FGetDcapDev(ptcpip, &rgdcap[0], &rgdcap[1]);
        memcpy(pv, rgdcap, 8);
        return f;
    }
    default:
        return FRecordErc(ercNotSupported, "NETC::FGetInfo unsupported device attribute"), 0;
    }
}

int NETC::FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet)
{
    if (szConnect == nullptr || (pInfoGet == nullptr && dinfo != 0))
        return FRecordErc(ercInvalidParameter, "NETC::FGetInfo NULL szConnect or pInfoGet"), 0;
    if (!FLock())
        return FRecordErc(ercInternalError, "NETC::FGetInfo failed to lock mutex"), 0;
    ABSTCPIP *ptcpip = PtcpipNew("NETC::FGetInfo failed to get ABSTCPIP instance", "NETC::FGetInfo failed to init ABSTCPIP");
    int fOk = 0;
    NETSZPARTS parts;
    do {
        if (ptcpip == nullptr)
            break;
        if (!FSzConnToParts(szConnect, &parts)) {
            FRecordErc(ercInvalidParameter, "NETC::FGetInfo failed to parse szConnect");
            break;
        }
        /* Answers of the string itself, without the device. */
        switch (dinfo) {
        case dinfoIP: {
            char szIp[16];
            int fNameInfo = 0;
            if (!FNetHostToIpText(parts.szHost, szIp, 15 + 1, &fNameInfo)) {
                FRecordErc(ercNameResolutionFailed,
                           fNameInfo ? "NETC::FGetInfo getnameinfo failed" : "NETC::FGetInfo getaddrinfo failed");
                break;
            }
            strcpy((char *)pInfoGet, szIp);
            fOk = 1;
            break;
        }
        case dinfoHost: strcpy((char *)pInfoGet, parts.szHost); fOk = 1; break;
        case dinfoSzPort: strcpy((char *)pInfoGet, parts.szPort); fOk = 1; break;
        case dinfoAccount: strcpy((char *)pInfoGet, parts.szAccount); fOk = 1; break;
        case dinfoPassword: strcpy((char *)pInfoGet, parts.szPassword); fOk = 1; break;
        case dinfoPort: {
            unsigned short port = 0;
            if (sscanf(parts.szPort, "%hu", &port) != 1) {
                FRecordErc(ercInvalidParameter, "NETC::FGetInfo failed to convert port");
                break;
            }
            uint16_t w = port;
            memcpy(pInfoGet, &w, 2);
            fOk = 1;
            break;
        }
        default:
            if (FConnect(ptcpip, parts.szHost, parts.szPort, parts.szAccount, parts.szPassword, parts.fModifier,
                         parts.fTls))
                fOk = FGetInfoConnected(ptcpip, parts, dinfo, pInfoGet);
            break;
        }
    } while (0);
    if (ptcpip != nullptr && !FTcpipRelease(ptcpip, "NETC::FGetInfo ABSTCPIP::Term failed",
                                            "NETC::FGetInfo failed to release ABSTCPIP instanced"))
        fOk = 0;
    FUnlock();
    return fOk;
}

int NETC::FSetInfo(const char *szConnect, uint32_t dinfo, void *pInfoSet)
{
    if (szConnect == nullptr || pInfoSet == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FSetInfo NULL szConnect or pInfoSet"), 0;
    if (!FLock())
        return FRecordErc(ercInternalError, "NETC::FSetInfo failed to lock mutex"), 0;
    ABSTCPIP *ptcpip = PtcpipNew("NETC::FSetInfo failed to get ABSTCPIP instance", "NETC::FSetInfo failed to init ABSTCPIP");
    int fOk = 0;
    NETSZPARTS parts;
    do {
        if (ptcpip == nullptr)
            break;
        if (!FSzConnToParts(szConnect, &parts)) {
            FRecordErc(ercInvalidParameter, "NETC::FSetInfo failed to parse szConnect");
            break;
        }
        if (!FConnect(ptcpip, parts.szHost, parts.szPort, parts.szAccount, parts.szPassword, parts.fModifier,
                      parts.fTls))
            break;
        switch (dinfo) {
        case dinfoUsrName: fOk = FSetUsrName(ptcpip, (const char *)pInfoSet); break;
        case dinfoProdName: fOk = FSetProdName(ptcpip, (const char *)pInfoSet); break;
        case dinfoSN: fOk = FSetSN(ptcpip, (const char *)pInfoSet); break;
        case dinfoIPV4Config: fOk = FSetIPV4Config(ptcpip, (const uint8_t *)pInfoSet); break;
        default: FRecordErc(ercNotSupported, "NETC::FSetInfo unsupported device attribute"); break;
        }
    } while (0);
    if (ptcpip != nullptr && !FTcpipRelease(ptcpip, "NETC::FSetInfo ABSTCPIP::Term failed",
                                            "NETC::FSetInfo failed to release ABSTCPIP instanced"))
        fOk = 0;
    FUnlock();
    return fOk;
}
