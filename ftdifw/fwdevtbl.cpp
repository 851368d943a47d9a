/*
 * fwdevtbl.cpp - FTDEVMG, the device table every process of the library
 * shares: a connection name, a reference count and the enabled ports per
 * entry; its index is the interface index everywhere.
 */
#include <string.h>

#include "fwlib.h"
#include "yorl.h"

namespace {

const char szMtxFtdevmg[] = "/tmp/korvanel-ftdiusb-mtx-ftdevmg";

struct FTDEVMGENT {
    char szName[16];
    int32_t cRef;
    uint32_t fsPortsEnabled;
};

struct FTDEVMGTBL {
    int32_t cEntries;
    FTDEVMGENT rgent[cintfMax];
};

static_assert(sizeof(FTDEVMGTBL) == 1540, "FTDEVMG segment");

FTDEVMGTBL *ptbl = nullptr;
ABSNMTX *pnmtx = nullptr;

/* Entries below cEntries, the count taken as foreign data and bounded. */
int CentUsed()
{
    return ptbl == nullptr || ptbl->cEntries < 0 ? 0 : ptbl->cEntries > cintfMax ? cintfMax : ptbl->cEntries;
}

FTDEVMGENT *PentAt(int i)
{
    return i >= 0 && i < CentUsed() ? &ptbl->rgent[i] : nullptr;
}

int IftdevFind(const char *szName)
{
    for (int i = 0; szName != nullptr && i < CentUsed(); i++)
        if (ptbl->rgent[i].cRef != 0 && strncmp(ptbl->rgent[i].szName, szName, 16) == 0)
            return i;
    return -1;
}

} // namespace

int FFtdevmgInit(void *pvTable)
{
    ptbl = static_cast<FTDEVMGTBL *>(pvTable);
    pnmtx = pabsfact->InstABSNMTX();
    if (pnmtx == nullptr)
        return 0;
    if (pnmtx->Create(szMtxFtdevmg, true)) {
        ptbl->cEntries = 0;
        for (FTDEVMGENT &ent : ptbl->rgent) {
            ent.szName[0] = '\0';
            ent.cRef = 0;
            ent.fsPortsEnabled = 0;
        }
        if (pnmtx->Unlock())
            return 1;
    } else if (pabsutil->GetLastErc() == ercAbsTimeout && pnmtx->Create(szMtxFtdevmg, false)) {
        return 1;
    }
    FtdevmgTerm();
    return 0;
}

void FtdevmgTerm()
{
    if (pnmtx != nullptr) {
        pnmtx->Term();
        pabsfact->RlsABSNMTX(pnmtx);
        pnmtx = nullptr;
    }
    ptbl = nullptr;
}

int FFtdevmgLock(uint32_t tms) { return pnmtx != nullptr && pnmtx->Lock(tms); }
int FFtdevmgUnlock() { return pnmtx != nullptr && pnmtx->Unlock(); }

int IftdevAdd(const char *szName)
{
    if (szName == nullptr || strlen(szName) >= 16 || ptbl == nullptr) {
        pabsutil->SetLastErc(ercFwInvalidArg);
        return -1;
    }
    int i = IftdevFind(szName);
    if (i >= 0) {
        ptbl->rgent[i].cRef++;
        return i;
    }
    for (i = 0; i < CentUsed() && ptbl->rgent[i].cRef != 0; i++) {
    }
    if (i == CentUsed()) {
        if (i >= cintfMax) {
            pabsutil->SetLastErc(ercFwTableFull);
            return -1;
        }
        ptbl->cEntries = i + 1;
    }
    FTDEVMGENT &ent = ptbl->rgent[i];
    memset(ent.szName, 0, sizeof(ent.szName));
    memcpy(ent.szName, szName, strlen(szName));
    ent.cRef = 1;
    ent.fsPortsEnabled = 0;
    return i;
}

int FFtdevRelease(int i)
{
    FTDEVMGENT *pent = PentAt(i);
    if (pent == nullptr || pent->cRef == 0) {
        pabsutil->SetLastErc(ercFwInvalidHandle);
        return 0;
    }
    if (--pent->cRef == 0) {
        pent->szName[0] = '\0';
        pent->fsPortsEnabled = 0;
        if (i + 1 == ptbl->cEntries)
            ptbl->cEntries--;
    }
    return 1;
}

const char *SzFtdevName(int i)
{
    FTDEVMGENT *pent = PentAt(i);
    if (pent == nullptr)
        return nullptr;
    pent->szName[15] = '\0';
    return pent->szName;
}

int FFtdevSetPort(int i, unsigned ibit)
{
    FTDEVMGENT *pent = PentAt(i);
    return pent ? (pent->fsPortsEnabled |= 1u << (ibit % 32), 1) : 0;
}

int FFtdevClrPort(int i, unsigned ibit)
{
    FTDEVMGENT *pent = PentAt(i);
    return pent ? (pent->fsPortsEnabled &= ~(1u << (ibit % 32)), 1) : 0;
}

int FFtdevClrPorts(int i)
{
    FTDEVMGENT *pent = PentAt(i);
    return pent ? (pent->fsPortsEnabled = 0, 1) : 0;
}

uint32_t FsFtdevPorts(int i)
{
    FTDEVMGENT *pent = PentAt(i);
    return pent ? pent->fsPortsEnabled : 0;
}
