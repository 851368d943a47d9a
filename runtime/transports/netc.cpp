/*
 * netc.cpp - NETC: start and end, the manager lock, opening and closing
 * handles and the capability switch.
 */
#include <stdio.h>
#include <string.h>

#include <new>

#include "dtblmg.h"
#include "dvtmg.h"
#include "magmg.h"
#include "magmtx.h"
#include "netc.h"
#include "netdisc.h"
#include "netdvtp3.h"
#include "netset.h"
#include "vzcore.h"
#include "vzfsadm.h"
#include "yorl.h"

NETC netc;    /* constant-initialised (constexpr constructor) */

namespace {
const char szPortDefault[] = "33890";

/* Forms of a device name, tried in this order. */
enum FORM { formNone, formMAC, formSN, formServer, formUsrName };

FORM FormOf(const char *szConnect, NETSZPARTS *pparts)
{
    if (MAG::FCheckSzMAC(szConnect))
        return formMAC;
    if (MAG::FCheckSzSN(szConnect))
        return formSN;
    int ercSave = TvxGetLastError();
    if (NETC::FSzConnToParts(szConnect, pparts) && pparts->szHost[0] != '\0' &&
        (pparts->szAccount[0] != '\0' || pparts->szPassword[0] != '\0' || pparts->szPort[0] != '\0'))
        return formServer;
    TvxSetLastErrorNoLog(ercSave);
    if (MAG::FCheckSzUsrName(szConnect))
        return formUsrName;
    return formNone;
}
} // namespace

NETC::~NETC() {}

int NETC::FInit()
{
    NETC::Term();
    netset.Reset();
    pmtxNetc = PmtxMagNew(false, {"NETC::FInit() failed to get instance of ABSMTX",
                                  "NETC::FInit() failed to initialize mutex", "NETC::FInit() failed to create mutex"});
    return pmtxNetc != nullptr;
}

void NETC::Term()
{
    FMagMtxRelease(&pmtxNetc);
}

int NETC::FLock()
{
    return FMagLock(pmtxNetc, "NETC::FLock failed to acquire lock within timeout period");
}

int NETC::FUnlock()
{
    return FMagUnlock(pmtxNetc, "NETC::FUnlock failed to unlock mutex");
}

ABSTCPIP *NETC::PtcpipNew(const char *szGetFail, const char *szInitFail)
{
    ABSTCPIP *ptcpip = pabsfact->InstABSTCPIP();
    if (ptcpip == nullptr)
        return FRecordErc(ercInternalError, szGetFail), nullptr;
    if (!ptcpip->Init()) {
        pabsfact->RlsABSTCPIP(ptcpip);
        return FRecordErc(ercInternalError, szInitFail), nullptr;
    }
    return ptcpip;
}

int NETC::FTcpipRelease(ABSTCPIP *ptcpip, const char *szTermFail, const char *szRlsFail)
{
    if (ptcpip == nullptr)
        return 1;
    ptcpip->Close();
    int fOk = 1;
    if (!ptcpip->Term()) {
        if (szTermFail != nullptr)
            FRecordErc(ercInternalError, szTermFail);
        fOk = 0;
    }
    if (!pabsfact->RlsABSTCPIP(ptcpip)) {
        if (szRlsFail != nullptr && fOk)
            FRecordErc(ercInternalError, szRlsFail);
        fOk = 0;
    }
    return fOk;
}

/* Builds the strings of the opened device and hands the connection to its
 * transport; 0 with the connection still the caller's when the strings do
 * not fit, else the connection is the transport's (released on failure). */
HIF NETC::HifCreateTransport(ABSTCPIP *ptcpip, const char *szAccount, const char *szPassword, const char *szHost,
                             const char *szPort, int fDataTlsUse)
{
    char szConn[cchConnMax + 16], szPath[cchDvcPathMax + 16];
    int cchConn = snprintf(szConn, sizeof(szConn), "%s:%s@%s:%s", szAccount, szPassword, szHost, szPort);
    int cchPath = snprintf(szPath, sizeof(szPath), "%s:%s", szHost, szPort);
    if (cchConn < 0 || cchConn >= cchConnMax || cchPath < 0 || cchPath >= cchDvcPathMax) {
        FRecordErc(ercInvalidParameter, "NETC::HifOpenEx connection string too long");
        return 0;
    }
    DVTP3 *pdvt = new (std::nothrow) DVTP3(ptcpip, fDataTlsUse);
    if (pdvt == nullptr) {
        FRecordErc(ercInsufficientResources, "NETC::HifOpenEx new DVTP3()");
        return 0;
    }
    if (!pdvt->FInit()) {
        delete pdvt;
        FRecordErc(ercInternalError, "NETC::HifOpenEx DVT::FInit failed");
        return (HIF)-1;
    }
    if (!pdvt->FConnect(szConn, szPath)) {
        pdvt->Term();
        delete pdvt;
        FRecordErc(ercInternalError, "NETC::HifOpenEx DVT::FConnect failed");
        return (HIF)-1;
    }
    HIF hif = dvtmg.HifAdd(pdvt);
    if (hif == 0) {
        pdvt->Disconnect();
        pdvt->Term();
        delete pdvt;
        FRecordErc(ercInternalError, "NETC::HifOpenEx dvtmg.HifAdd failed");
        return (HIF)-1;
    }
    return hif;
}

HIF NETC::HifOpenEx(const char *szConnect, int fTbl, int fDisc)
{
    if (!FLock()) {
        FRecordErc(ercInternalError, "NETC::HifOpenEx failed to lock mutex");
        return 0;
    }
    HIF hif = 0;
    ABSTCPIP *ptcpip = nullptr;
    DTBLMG *pdtblmg = nullptr;
    NETDISC *pdisc = nullptr;
    do {
        if (szConnect == nullptr) {
            FRecordErc(ercInvalidParameter, "NETC::HifOpenEx szConnect is NULL");
            break;
        }
        ptcpip = PtcpipNew("NETC::HifOpenEx failed to get ABSTCPIP instance", "NETC::HifOpenEx failed to init ABSTCPIP");
        if (ptcpip == nullptr)
            break;
        NETSZPARTS parts;
        FORM form = FormOf(szConnect, &parts);
        if (form == formNone) {
            FRecordErc(ercInvalidParameter, "NETC::HifOpenEx szConnect is invalid for this device type");
            break;
        }
        HIF hifNew = 0;
        if (form == formServer) {
            if (!FConnect(ptcpip, parts.szHost, parts.szPort, parts.szAccount, parts.szPassword, parts.fModifier,
                          parts.fTls)) {
                FRecordErc(ercConnectionFailed, "NETC::HifOpenEx failed to connect to device");
                break;
            }
            hifNew = HifCreateTransport(ptcpip, parts.szAccount, parts.szPassword, parts.szHost, parts.szPort,
                                        parts.fModifier ? parts.fTls : netset.fDataTls.load());
        } else {
            if (!fTbl && !fDisc) {
                FRecordErc(ercInvalidParameter, "NETC::HifOpenEx fTbl and fDisc but MAC, SN, or UsrName was supplied");
                break;
            }
            if (form == formMAC && !fDisc) {
                FRecordErc(ercInvalidParameter, "NETC::HifOpenEx MAC address specified but fDisc is false");
                break;
            }
            if (form == formSN && !fDisc) {
                FRecordErc(ercInvalidParameter, "NETC::HifOpenEx serial number specified but fDisc is false");
                break;
            }
            NETSZPARTS partsTbl;
            memset(&partsTbl, 0, sizeof(partsTbl));
            int fTblParsed = 0;
            if (fTbl) {
                pdtblmg = new (std::nothrow) DTBLMG();
                if (pdtblmg == nullptr) {
                    FRecordErc(ercInsufficientResources, "NETC::HifOpenEx failed to allocate memory for DTBLMG");
                    break;
                }
                if (!pdtblmg->FInit()) {
                    FRecordErc(ercInternalError, "NETC::HifOpenEx pdtblmg->FInit failed");
                    break;
                }
                if (!pdtblmg->FEnumTbl(dtpNetwork)) {
                    FRecordErc(ercInternalError, "NETC::HifOpenEx pdtblmg->FEnumTbl failed");
                    break;
                }
                for (int idvc = 0; form == formUsrName && idvc < pdtblmg->CdvcMac() && hifNew == 0; idvc++) {
                    DVC dvc;
                    if (!pdtblmg->FGetDvc(idvc, &dvc) || strcmp(dvc.szName, szConnect) != 0 ||
                        !FSzConnToParts(dvc.szConn, &partsTbl))
                        continue;
                    fTblParsed = 1;
                    if (partsTbl.szPort[0] == '\0')
                        strcpy(partsTbl.szPort, szPortDefault);
                    if (!FConnect(ptcpip, partsTbl.szHost, partsTbl.szPort, partsTbl.szAccount, partsTbl.szPassword,
                                  partsTbl.fModifier, partsTbl.fTls))
                        continue;
                    hifNew = HifCreateTransport(ptcpip, partsTbl.szAccount, partsTbl.szPassword, partsTbl.szHost,
                                                partsTbl.szPort,
                                                partsTbl.fModifier ? partsTbl.fTls : netset.fDataTls.load());
                }
            }
            if (hifNew == 0 && fDisc) {
                pdisc = new (std::nothrow) NETDISC();
                if (pdisc == nullptr) {
                    FRecordErc(ercInsufficientResources, "NETC::HifOpenEx");
                    break;
                }
                if (!pdisc->FStart("NETC::HifOpenEx"))
                    break;
                ENUMRESP er;
                while (hifNew == 0 && pdisc->FNext(&er, netset.tmsEnum)) {
                    int fMatch = form == formMAC ? MAG::FCmpSzMAC(er.szMAC, szConnect)
                               : form == formSN  ? strncmp(er.szSN, szConnect + 3, 12) == 0 && strlen(er.szSN) == 12
                                                 : strcmp(er.szUsrName, szConnect) == 0;
                    if (!fMatch)
                        continue;
                    if (!FConnect(ptcpip, er.szIPv4, er.szPort, partsTbl.szAccount, partsTbl.szPassword, 0, 0))
                        continue;
                    if (!pdisc->FStop()) {
                        FRecordErc(ercInternalError,
                                   "NETC::HifOpenEx failed to stop browsing for korvanel-orrin service");
                        hifNew = (HIF)-1;
                        break;
                    }
                    int fDataTlsUse = fTblParsed && partsTbl.fModifier ? partsTbl.fTls : netset.fDataTls.load();
                    hifNew = HifCreateTransport(ptcpip, partsTbl.szAccount, partsTbl.szPassword, er.szIPv4,
                                                er.szPort, fDataTlsUse);
                }
            }
        }
        if (hifNew != 0 && hifNew != (HIF)-1) {
            hif = hifNew;
            ptcpip = nullptr;   /* the transport's now */
        } else if (hifNew == (HIF)-1) {
            ptcpip = nullptr;   /* released with the transport */
        }
    } while (0);
    if (ptcpip != nullptr)
        FTcpipRelease(ptcpip, nullptr, nullptr);
    if (pdisc != nullptr) {
        pdisc->FStop();
        delete pdisc;
    }
    if (pdtblmg != nullptr) {
        pdtblmg->Term();
        delete pdtblmg;
    }
    FUnlock();
    return hif;
}

int NETC::FClose(HIF hif)
{
    if (!FLock())
        return FRecordErc(ercInternalError, "NETC::FClose failed to lock mutex"), 0;
    DVT *pdvt = dvtmg.PdvtRemHif(hif);
    if (pdvt == nullptr) {
        FRecordErc(ercInvalidHif, "NETC::FClose if(pdvt == NULL)");
        FUnlock();
        return 0;
    }
    pdvt->FDisableActiveApt();
    pdvt->Disconnect();
    pdvt->Term();
    delete pdvt;
    FUnlock();
    return 1;
}

int NETC::FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB)
{
    if (szConn == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FEnable szConn is NULL"), 0;
    uint32_t rgdcap[2] = {0, 0};
    if (!FGetInfo(szConn, dinfoDcapDev, rgdcap))
        return 0;
    uint32_t fsadm = FsadmGet();
    uint32_t dcapMask = ((fsadm & fsadmDcapPub) ? rgdcap[0] : 0) | ((fsadm & fsadmDcapPriv) ? rgdcap[1] : 0);
    if (((dcapA | dcapB) & ~dcapMask) != 0)
        return FRecordErc(ercNotSupported, "NETC::FEnable capability not supported"), 0;
    return 1;
}

int NETC::FDisable(const char *szConn, uint32_t dcapA, uint32_t dcapB)
{
    (void)dcapA;
    (void)dcapB;
    if (szConn == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FDisable szConn is NULL"), 0;
    return 1;
}

/* ---- start-up ---- */

int FNetcStart()
{
    return magmg.FStartMag(tptNet, ptcNetc, &netc);
}

void NetcStop() { netc.Term(); }
