/*
 * netcenum.cpp - NETC::FEnum: device-table entries of network devices and
 * the devices that discovery finds, merged by their "address:port" path.
 */
#include <stdio.h>
#include <string.h>

#include <new>

#include "dtblmg.h"
#include "dvcmg.h"
#include "dvtopn.h"
#include "enmappend.h"
#include "netc.h"
#include "netdisc.h"
#include "netset.h"
#include "netsock.h"
#include "usbc.h"
#include "vzcore.h"
#include "vzfsadm.h"
#include "yorl.h"

namespace {
int FFilterPasses(uint32_t dinfoFilter, const void *pInfoSet, const ENUMRESP &er)
{
    uint32_t fsadm = FsadmGet();
    uint32_t dcapMask = ((fsadm & fsadmDcapPub) ? er.dcapPub : 0) | ((fsadm & fsadmDcapPriv) ? er.dcapPriv : 0);
    switch (dinfoFilter) {
    case 0: return 1;
    case dinfoUsrName: return strcmp(er.szUsrName, (const char *)pInfoSet) == 0;
    case dinfoProdName: return strcmp(er.szProdName, (const char *)pInfoSet) == 0;
    case dinfoPDID: return er.pdid == *(const uint32_t *)pInfoSet;
    case dinfoSN: {
        char szSN[16];
        snprintf(szSN, sizeof(szSN), "SN:%s", er.szSN);
        return MAG::FCmpSzSN((const char *)pInfoSet, szSN);
    }
    case dinfoMAC: {
        char szMAC[22];
        snprintf(szMAC, sizeof(szMAC), "MAC:%s", er.szMAC);
        return MAG::FCmpSzMAC((const char *)pInfoSet, szMAC);
    }
    case dinfoDcap: return (*(const uint32_t *)pInfoSet & ~dcapMask) == 0;
    case dinfoProdId: return *(const uint16_t *)pInfoSet == ((er.pdid >> 20) & 0xFFF);
    default: return 0;
    }
}

/* Whether a node of the list has szPath as its device path. */
int FHasPath(const DVCMG *pdvcmg, const char *szPath, DVCNODE *pnodeFound)
{
    DVCNODE node;
    for (int i = 0; pdvcmg->FGetNode(i, &node); i++) {
        if (strcmp(node.szDvcPath, szPath) == 0) {
            if (pnodeFound != nullptr)
                *pnodeFound = node;
            return 1;
        }
    }
    return 0;
}

int FLoadTbl(uint32_t dinfoFilter, const void *pInfoSet, int fDisc, DVCMG *pdvcmgTbl)
{
    DTBLMG *pdtblmg = new (std::nothrow) DTBLMG();
    if (pdtblmg == nullptr)
        return FRecordErc(ercInsufficientResources, "NETC::FEnum failed to allocate memory for DTBLMG"), 0;
    int fOk = 0;
    if (!pdtblmg->FInit()) {
        FRecordErc(ercInternalError, "NETC::FEnum pdtblmg->FInit() failed");
    } else if (!pdtblmg->FEnumTbl(dtpNetwork)) {
        FRecordErc(ercInternalError, "NETC::FEnum pdtblmg->FEnumTbl failed");
    } else {
        fOk = 1;
        for (int idvc = 0; fOk; idvc++) {
            DVC dvc;
            if (!pdtblmg->FGetDvc(idvc, &dvc))
                break;
            if (!(dinfoFilter == 0 || (dinfoFilter == dinfoName && strcmp(dvc.szName, (const char *)pInfoSet) == 0)))
                continue;
            if (pdvcmgTbl->FFindDvc(tptNet, dvc.szName))
                continue;
            DVCNODE node;
            memset(&node, 0, sizeof(node));
            node.edvc.dvc = dvc;
            node.edvc.fsEdvc = fsedvcTable;
            if (fDisc) {
                NETSZPARTS parts;
                if (!NETC::FSzConnToParts(dvc.szConn, &parts)) {
                    FRecordErc(ercInternalError, "NETC::FEnum failed to parse szConnect into sub fields");
                    continue;
                }
                char szIp[16];
                int fNameInfo = 0;
                if (!FNetHostToIpText(parts.szHost, szIp, sizeof(szIp), &fNameInfo)) {
                    FRecordErc(ercInternalError,
                               fNameInfo ? "NETC::FEnum getnameinfo failed" : "NETC::FEnum getaddrinfo failed");
                } else {
                    snprintf(node.szDvcPath, sizeof(node.szDvcPath), "%s:%s", szIp, parts.szPort);
                    node.edvc.cOpen =
                        vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpNetwork, node.szDvcPath) : 0;
                }
            }
            fOk = pdvcmgTbl->FAddNode(&node);
        }
    }
    pdtblmg->Term();
    delete pdtblmg;
    return fOk;
}

int FAppendAnswer(const ENUMRESP &er, int fNetFlags, DVCMG *pdvcmgTbl, DVCMG *pdvcmg, const char *szSuffix)
{
    DVCNODE node;
    memset(&node, 0, sizeof(node));
    EDVC &edvc = node.edvc;
    snprintf(edvc.dvc.szName, sizeof(edvc.dvc.szName), "%s", er.szUsrName);
    snprintf(edvc.dvc.szConn, sizeof(edvc.dvc.szConn), ":@%s:%s", er.szIPv4, er.szPort);
    edvc.dvc.dtp = dtpNetwork;
    snprintf(edvc.szUsrName, sizeof(edvc.szUsrName), "%s", er.szUsrName);
    snprintf(edvc.szProdName, sizeof(edvc.szProdName), "%s", er.szProdName);
    snprintf(edvc.szSN, sizeof(edvc.szSN), "SN:%s", er.szSN);
    snprintf(edvc.szMAC, sizeof(edvc.szMAC), "MAC:%s", er.szMAC);
    snprintf(edvc.szIP, sizeof(edvc.szIP), "%s", er.szIPv4);
    snprintf(edvc.szPort, sizeof(edvc.szPort), "%s", er.szPort);
    edvc.pdid = er.pdid;
    edvc.fwver = er.fwver;
    uint32_t fsadm = FsadmGet();
    edvc.dcap = ((fsadm & fsadmDcapPub) ? er.dcapPub : 0) | ((fsadm & fsadmDcapPriv) ? er.dcapPriv : 0);
    uint16_t fs = fsedvcLive | fsedvcPdid | fsedvcFwver | fsedvcDcap;
    if (fNetFlags) {
        fs |= fsedvcNetFlags;
        fs |= (er.fs & 1) ? fsedvcCtls : 0;
        fs |= (er.fs & 2) ? fsedvcDtls : 0;
        fs |= (er.fs & 4) ? fsedvcAuth : 0;
        fs |= (er.fs & 8) ? fsedvcAuthen : 0;
    }
    snprintf(node.szDvcPath, sizeof(node.szDvcPath), "%s:%s", er.szIPv4, er.szPort);
    edvc.cOpen = vzproc.pdvtopn ? vzproc.pdvtopn->CdvtoFindDev(dtpNetwork, node.szDvcPath) : 0;
    if (FHasPath(pdvcmg, node.szDvcPath, nullptr))
        return 1;
    DVCNODE nodeTbl;
    if (pdvcmgTbl != nullptr && FHasPath(pdvcmgTbl, node.szDvcPath, &nodeTbl)) {
        memcpy(edvc.dvc.szName, nodeTbl.edvc.dvc.szName, sizeof(edvc.dvc.szName));
        memcpy(edvc.dvc.szConn, nodeTbl.edvc.dvc.szConn, sizeof(edvc.dvc.szConn));
        fs |= fsedvcTable;
    }
    edvc.fsEdvc = fs;
    char szLock[80], szUnlock[80];
    snprintf(szLock, sizeof(szLock), "NETC::FEnum pmtxEnum->Lock() table add failed%s", szSuffix);
    snprintf(szUnlock, sizeof(szUnlock), "NETC::FEnum pmtxEnum->Unlock() table add failed%s", szSuffix);
    return FEnmAppend(pdvcmg, &node, szLock, szUnlock, "NETC::FEnum DVCMG::FAddNode failed");
}
} // namespace

int NETC::FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg)
{
    if (dinfoFilter != 0 && pInfoSet == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FEnum NULL pInfoSet and not dinfoNone"), 0;
    if (!fTbl && !fDisc)
        return 1;
    if (pdvcmg == nullptr)
        return FRecordErc(ercInvalidParameter, "NETC::FEnum NULL list"), 0;
    ABSUDP *pudp = pabsfact->InstABSUDP();
    if (pudp == nullptr)
        return FRecordErc(ercInternalError, "NETC::FEnum failed to get ABSUDP instance"), 0;
    int fOk = 1;
    DVCMG *pdvcmgTbl = nullptr;
    if (!pudp->Init()) {
        FRecordErc(ercInternalError, "NETC::FEnum failed to get init ABSUDP instance");
        fOk = 0;
    } else if (!pudp->CreateSocket()) {
        FRecordErc(ercInternalError, "NETC::FEnum failed to create UDP socket");
        fOk = 0;
    }
    if (fOk && fTbl) {
        pdvcmgTbl = new (std::nothrow) DVCMG();
        if (pdvcmgTbl == nullptr) {
            FRecordErc(ercInsufficientResources, "NETC::FEnum failed to allocate memory for DVCMG");
            fOk = 0;
        } else if (!pdvcmgTbl->FInit()) {
            FRecordErc(ercInternalError, "NETC::FEnum pdvcmgTbl->FInit() failed");
            fOk = 0;
        } else {
            fOk = FLoadTbl(dinfoFilter, pInfoSet, fDisc, pdvcmgTbl);
        }
    }
    if (fOk && fDisc) {
        NETDISC disc;
        fOk = disc.FStart("NETC::FEnum", pudp);
        ENUMRESP er;
        while (fOk && disc.FNext(&er, netset.tmsEnum, MAG::FIsEnumStopped)) {
            if (FFilterPasses(dinfoFilter, pInfoSet, er))
                fOk = FAppendAnswer(er, er.fDnssd || er.ver >= 2, pdvcmgTbl, pdvcmg, er.fDnssd ? " 2" : "");
        }
        if (fOk && !disc.FStop()) {
            FRecordErc(ercInternalError, "NETC::FEnum failed to stop browsing for korvanel-orrin service");
            fOk = 0;
        }
    }
    pudp->Close();
    pudp->Term();
    pabsfact->RlsABSUDP(pudp);
    if (pdvcmgTbl != nullptr) {
        DVCNODE node;
        for (int i = 0; fOk && pdvcmgTbl->FGetNode(i, &node); i++) {
            if (node.szDvcPath[0] != '\0' && FHasPath(pdvcmg, node.szDvcPath, nullptr))
                continue;
            fOk = FEnmAppend(pdvcmg, &node, "NETC::FEnum pmtxEnum->Lock() table add failed 3",
                             "NETC::FEnum pmtxEnum->Unlock() table add failed 3", "NETC::FEnum DVCMG::FAddNode failed");
        }
        pdvcmgTbl->Term();
        delete pdvcmgTbl;
    }
    return fOk;
}
