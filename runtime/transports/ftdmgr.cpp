/*
 * ftdmgr.cpp - the FTDI interface list: a shared segment of 64 FTINTF slots
 * and a count, one list mutex and one claim mutex per slot (named mutexes
 * that report an owner that ended without unlocking).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ftdmgr.h"
#include "vzcore.h"
#include "yorl.h"

FTDMGR ftdmgr;

namespace {

const char szShmFtdmgr[] = "/tmp/korvanel-orrin2-shm-ftdmgr";
const char szMtxFtdmgr[] = "/korvanel-orrin2-mtx-ftdmgr";

/* Names are compared within their 16 bytes; a name filling them is not terminated. */
size_t CchName(const char *sz) { size_t cch = 0; while (cch < 16 && sz[cch] != '\0') cch++; return cch; }
bool FSameName(const char *szSlot, const char *szName)
{
    return strncmp(szSlot, szName, 16) == 0 && CchName(szName) < 16;
}

ABSNMTX2 *PnmtxNew(const char *szName)
{
    ABSNMTX2 *pnmtx = pabsfact->InstABSNMTX2();
    if (pnmtx == nullptr)
        return nullptr;
    if (!pnmtx->Init() || !pnmtx->Create(szName, false)) {
        pnmtx->Term();
        pabsfact->RlsABSNMTX2(pnmtx);
        return nullptr;
    }
    return pnmtx;
}

void NmtxRelease(ABSNMTX2 **ppnmtx)
{
    if (*ppnmtx == nullptr)
        return;
    (*ppnmtx)->Term();
    pabsfact->RlsABSNMTX2(*ppnmtx);
    *ppnmtx = nullptr;
}

bool FInited() { return ftdmgr.rgftintf != nullptr && ftdmgr.pnmtxList != nullptr; }

/* A record that may be listed: name of 12 or 13, a user name, pdid and a capability. */
bool FValid(const FTINTF *pftintf)
{
    size_t cch = CchName(pftintf->szName);
    return (cch == 12 || cch == 13) && pftintf->szUsrName[0] != '\0' && pftintf->pdid != 0 &&
           (pftintf->dcapPub != 0 || pftintf->dcapPriv != 0);
}

/* Index of the used slot named szName, or -1. */
int IslotFind(const char *szName)
{
    for (uint32_t islot = 0; islot < *ftdmgr.pcftintf && islot < cftintfMax; islot++)
        if (ftdmgr.rgftintf[islot].szName[0] != '\0' && FSameName(ftdmgr.rgftintf[islot].szName, szName))
            return int(islot);
    return -1;
}

int32_t ResFromErc(uint32_t erc)
{
    switch (erc) {
    case ercAbsTimeout: return ftdmgrTimeout;
    case ercAbsNotInit: return ftdmgrNotInit;
    case ercAbsAbandoned: return ftdmgrAbandoned;
    case ercAbsNotOwner: return ftdmgrNotOwner;
    default: return ftdmgrOsFailed;
    }
}

/* Copies every field with the strings cut to their fields. */
void CopyRecord(FTINTF *pdst, const FTINTF *psrc, bool fFlags)
{
    FTINTF ftintf = *psrc;
    ftintf.szName[15] = '\0';
    ftintf.szUsrName[16] = '\0';
    ftintf.szProdName[30] = '\0';
    memset(ftintf.rgbPad, 0, sizeof(ftintf.rgbPad));
    if (!fFlags)
        ftintf.fsIntf = 0;
    *pdst = ftintf;
}

int32_t ResSlotCheck(const char *szName, int *pislot)
{
    if (!FInited())
        return ftdmgrNotInit;
    if (szName == nullptr)
        return ftdmgrNullArg;
    if (szName[0] == '\0')
        return ftdmgrInvalidArg;
    *pislot = IslotFind(szName);
    return *pislot < 0 ? ftdmgrNotFound : ftdmgrOk;
}

} // namespace

int FTDMGR::FInit()
{
    Term();
    pnmtxList = PnmtxNew(szMtxFtdmgr);
    bool fOk = pnmtxList != nullptr;
    for (int islot = 0; fOk && islot < cftintfMax; islot++) {
        char szName[64];
        snprintf(szName, sizeof(szName), "/korvanel-orrin2-mtx-ftintf-%2.2X", islot);
        rgpnmtxSlot[islot] = PnmtxNew(szName);
        fOk = rgpnmtxSlot[islot] != nullptr;
    }
    void *pv = nullptr;
    if (fOk) {
        pshm = pabsfact->InstABSSHM();
        fOk = pshm != nullptr && pshm->Init() && pshm->Create(szShmFtdmgr, &pv, cbShmFtdmgr);
    }
    if (!fOk) {
        Term();
        return 0;
    }
    rgftintf = static_cast<FTINTF *>(pv);
    pcftintf = reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(pv) + 84 * cftintfMax);
    return 1;
}

int FTDMGR::FClearShm()
{
    if (rgftintf == nullptr)
        return 0;
    memset(rgftintf, 0, sizeof(FTINTF) * cftintfMax);
    *pcftintf = 0;
    return 1;
}

void FTDMGR::Term()
{
    if (pshm != nullptr) {
        pshm->Term();
        pabsfact->RlsABSSHM(pshm);
    }
    pshm = nullptr;
    rgftintf = nullptr;
    pcftintf = nullptr;
    NmtxRelease(&pnmtxList);
    for (ABSNMTX2 *&pnmtx : rgpnmtxSlot)
        NmtxRelease(&pnmtx);
}

extern "C" {

VZAPI int32_t VZCALL ftdimgr_lock(int32_t tmsTimeout)
{
    if (ftdmgr.pnmtxList == nullptr)
        return ftdmgrNotInit;
    if (ftdmgr.pnmtxList->Lock(tmsTimeout < 0 ? tmsInfinite : uint32_t(tmsTimeout)))
        return ftdmgrOk;
    return ResFromErc(pabsutil->GetLastErc());
}

VZAPI int32_t VZCALL ftdimgr_unlock(void)
{
    if (ftdmgr.pnmtxList == nullptr)
        return ftdmgrNotInit;
    if (ftdmgr.pnmtxList->Unlock())
        return ftdmgrOk;
    int32_t res = ResFromErc(pabsutil->GetLastErc());
    return res == ftdmgrTimeout || res == ftdmgrAbandoned ? ftdmgrOsFailed : res;
}

VZAPI int32_t VZCALL ftdimgr_add_interface(const FTINTF *pftintf)
{
    if (!FInited())
        return ftdmgrNotInit;
    if (pftintf == nullptr)
        return ftdmgrNullArg;
    if (!FValid(pftintf))
        return ftdmgrInvalidArg;
    int islotFree = -1;
    uint32_t cslot = *ftdmgr.pcftintf < uint32_t(cftintfMax) ? *ftdmgr.pcftintf : uint32_t(cftintfMax);
    for (uint32_t islot = 0; islot < cslot; islot++) {
        const FTINTF &ftintf = ftdmgr.rgftintf[islot];
        if (ftintf.szName[0] == '\0') {
            if (islotFree < 0)
                islotFree = int(islot);
        } else if (FSameName(ftintf.szName, pftintf->szName)) {
            return ftdmgrDuplicate;
        }
    }
    if (islotFree < 0) {
        if (cslot >= cftintfMax)
            return ftdmgrFull;
        islotFree = int(cslot);
        *ftdmgr.pcftintf = cslot + 1;
    }
    CopyRecord(&ftdmgr.rgftintf[islotFree], pftintf, false);
    return ftdmgrOk;
}

VZAPI int32_t VZCALL ftdimgr_get_interface_list(FTINTF **prgftintf, uint32_t *pcftintf)
{
    if (!FInited())
        return ftdmgrNotInit;
    if (prgftintf == nullptr || pcftintf == nullptr)
        return ftdmgrNullArg;
    uint32_t cslot = *ftdmgr.pcftintf < uint32_t(cftintfMax) ? *ftdmgr.pcftintf : uint32_t(cftintfMax);
    uint32_t cused = 0;
    for (uint32_t islot = 0; islot < cslot; islot++)
        cused += ftdmgr.rgftintf[islot].szName[0] != '\0';
    *prgftintf = nullptr;
    *pcftintf = 0;
    if (cused == 0)
        return ftdmgrOk;
    FTINTF *rg = static_cast<FTINTF *>(malloc(sizeof(FTINTF) * cused));
    if (rg == nullptr)
        return ftdmgrNoMemory;
    uint32_t i = 0;
    for (uint32_t islot = 0; islot < cslot; islot++)
        if (ftdmgr.rgftintf[islot].szName[0] != '\0')
            CopyRecord(&rg[i++], &ftdmgr.rgftintf[islot], true);
    *prgftintf = rg;
    *pcftintf = cused;
    return ftdmgrOk;
}

VZAPI int32_t VZCALL ftdimgr_free_interface_list(FTINTF **prgftintf)
{
    if (prgftintf == nullptr)
        return ftdmgrNullArg;
    free(*prgftintf);
    *prgftintf = nullptr;
    return ftdmgrOk;
}

VZAPI int32_t VZCALL ftdimgr_lock_interface(const char *szName, FTINTF *pftintf)
{
    int islot = -1;
    int32_t res = ResSlotCheck(szName, &islot);
    if (res != ftdmgrOk)
        return res;
    ABSNMTX2 *pnmtx = ftdmgr.rgpnmtxSlot[islot];
    if (pnmtx == nullptr)
        return ftdmgrNotInit;
    if (pnmtx->Lock(0))
        res = ftdmgrOk;
    else
        res = ResFromErc(pabsutil->GetLastErc());
    if ((res == ftdmgrOk || res == ftdmgrAbandoned) && pftintf != nullptr)
        CopyRecord(pftintf, &ftdmgr.rgftintf[islot], true);
    return res == ftdmgrNotOwner ? ftdmgrOsFailed : res;
}

VZAPI int32_t VZCALL ftdimgr_unlock_interface(const char *szName)
{
    int islot = -1;
    int32_t res = ResSlotCheck(szName, &islot);
    if (res != ftdmgrOk)
        return res;
    ABSNMTX2 *pnmtx = ftdmgr.rgpnmtxSlot[islot];
    if (pnmtx == nullptr)
        return ftdmgrNotInit;
    if (pnmtx->Unlock())
        return ftdmgrOk;
    res = ResFromErc(pabsutil->GetLastErc());
    return res == ftdmgrTimeout || res == ftdmgrAbandoned ? ftdmgrOsFailed : res;
}

VZAPI int32_t VZCALL ftdimgr_modify_interface(const char *szName, const FTINTF *pftintf)
{
    if (!FInited())
        return ftdmgrNotInit;
    if (szName == nullptr || pftintf == nullptr)
        return ftdmgrNullArg;
    if (szName[0] == '\0')
        return ftdmgrInvalidArg;
    int islot = IslotFind(szName);
    if (islot < 0)
        return ftdmgrNotFound;
    if (!FValid(pftintf))
        return ftdmgrInvalidArg;
    CopyRecord(&ftdmgr.rgftintf[islot], pftintf, true);
    return ftdmgrOk;
}

VZAPI int32_t VZCALL ftdimgr_remove_interface(const FTINTF *pftintf)
{
    if (!FInited())
        return ftdmgrNotInit;
    if (pftintf == nullptr)
        return ftdmgrNullArg;
    int islot = -1;
    int32_t res = ResSlotCheck(pftintf->szName, &islot);
    if (res != ftdmgrOk)
        return res;
    memset(ftdmgr.rgftintf[islot].szName, 0, sizeof(ftdmgr.rgftintf[islot].szName));
    return ftdmgrOk;
}

VZAPI int32_t VZCALL ftdimgr_get_interface_from_ua(const uint8_t *pbUa, uint32_t cbUa, FTINTF *pftintf)
{
    if (pbUa == nullptr || pftintf == nullptr)
        return ftdmgrNullArg;
    if (cbUa < cbFtua)
        return ftdmgrInvalidArg;
    /* The user area is foreign data: every copy stays inside its field. */
    memset(pftintf->szUsrName, 0, sizeof(pftintf->szUsrName));
    memcpy(pftintf->szUsrName, pbUa + ibFtuaUsrName, 16);
    memset(pftintf->szProdName, 0, sizeof(pftintf->szProdName));
    memcpy(pftintf->szProdName, pbUa + ibFtuaProdName, 28);
    memcpy(&pftintf->dwReserved, pbUa + ibFtuaReserved, 4);
    memcpy(&pftintf->pdid, pbUa + ibFtuaPdid, 4);
    memcpy(&pftintf->dcapPub, pbUa + ibFtuaDcapPub, 4);
    memcpy(&pftintf->dcapPriv, pbUa + ibFtuaDcapPriv, 4);
    pftintf->fsIntf = 0;
    memset(pftintf->rgbPad, 0, sizeof(pftintf->rgbPad));
    return ftdmgrOk;
}

VZAPI int32_t VZCALL ftdimgr_get_korvanel_ua_size(int32_t *pcb)
{
    if (pcb == nullptr)
        return ftdmgrNullArg;
    *pcb = cbFtua;
    return ftdmgrOk;
}

} /* extern "C" */
