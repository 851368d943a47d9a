/*
 * ftdevcmg.cpp - the FTDI device cache: a shared segment of records keyed by
 * serial number and a named mutex; the first process to create the mutex
 * clears the table.
 */
#include <string.h>

#include "ftdevcmg.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

const char szMtxFtdevcmg[] = "/tmp/korvanel-orrin2-mtx-ftdevcmg";

/* The process's mutex object of the table. */
ABSNMTX *pnmtxFtdevcmg = nullptr;

/* Field by field: texts up to their terminator (within the field), the padding never. */
void CopyFtdevc(FTDEVC *pdst, const FTDEVC *psrc)
{
    SzCopy(pdst->szSN, psrc->szSN, sizeof(pdst->szSN));
    SzCopy(pdst->szText1, psrc->szText1, sizeof(pdst->szText1));
    SzCopy(pdst->szText2, psrc->szText2, sizeof(pdst->szText2));
    pdst->dw1 = psrc->dw1;
    pdst->dw2 = psrc->dw2;
    pdst->dw3 = psrc->dw3;
    pdst->dw4 = psrc->dw4;
    pdst->w = psrc->w;
    pdst->b = psrc->b;
    pdst->dw5 = psrc->dw5;
}

int32_t CftdevcUsed(const FTDEVCMG *p)
{
    return p->cftdevc < 0 ? 0 : p->cftdevc > cftdevcMax ? cftdevcMax : p->cftdevc;
}

} // namespace

int32_t FTDEVCMG::FInit()
{
    Term();
    pnmtxFtdevcmg = pabsfact->InstABSNMTX();
    if (pnmtxFtdevcmg == nullptr)
        return 0;
    if (pnmtxFtdevcmg->Init() && pnmtxFtdevcmg->Create(szMtxFtdevcmg, true)) {
        memset(this, 0, sizeof(*this));
        if (pnmtxFtdevcmg->Unlock())
            return 1;
    } else if (pabsutil->GetLastErc() == ercAbsTimeout && pnmtxFtdevcmg->Create(szMtxFtdevcmg, false)) {
        return 1;       /* another process has the table: its content stays */
    }
    Term();
    return 0;
}

void FTDEVCMG::Term()
{
    if (pnmtxFtdevcmg == nullptr)
        return;
    pnmtxFtdevcmg->Term();
    pabsfact->RlsABSNMTX(pnmtxFtdevcmg);
    pnmtxFtdevcmg = nullptr;
}

int32_t FTDEVCMG::FLock()
{
    if (pnmtxFtdevcmg != nullptr && pnmtxFtdevcmg->Lock(tmsLockTimeout))
        return 1;
    if (pnmtxFtdevcmg != nullptr && pabsutil->GetLastErc() == ercAbsTimeout)
        FRecordErc(ercApiLockTimeout, "FTDEVCMG::FLock");
    else
        FRecordErc(ercInternalError, "FTDEVCMG::FLock");
    return 0;
}

int32_t FTDEVCMG::FUnlock()
{
    if (pnmtxFtdevcmg != nullptr && pnmtxFtdevcmg->Unlock())
        return 1;
    FRecordErc(ercInternalError, "");
    return 0;
}

int32_t FTDEVCMG::IftdevcAddDev(const FTDEVC *pftdevc)
{
    if (pftdevc == nullptr)
        return -1;
    int32_t c = CftdevcUsed(this);
    int32_t i = 0;
    while (i < c && rgftdevc[i].szSN[0] != '\0')
        i++;
    if (i == c) {
        if (c >= cftdevcMax)
            return -1;
        cftdevc = c + 1;
    }
    CopyFtdevc(&rgftdevc[i], pftdevc);
    return i;
}

int32_t FTDEVCMG::FtdevcFromIndex(int32_t iftdevc, FTDEVC *pftdevc)
{
    if (pftdevc == nullptr || iftdevc < 0 || iftdevc >= CftdevcUsed(this))
        return 0;
    CopyFtdevc(pftdevc, &rgftdevc[iftdevc]);
    return 1;
}

int32_t FTDEVCMG::FModDev(int32_t iftdevc, const FTDEVC *pftdevc)
{
    if (pftdevc == nullptr || iftdevc < 0 || iftdevc >= CftdevcUsed(this))
        return 0;
    CopyFtdevc(&rgftdevc[iftdevc], pftdevc);
    return 1;
}

int32_t FTDEVCMG::IftdevcFromSN(const char *szSN)
{
    if (szSN == nullptr)
        return -1;
    for (int32_t i = 0; i < CftdevcUsed(this); i++)
        if (strncmp(rgftdevc[i].szSN, szSN, sizeof(rgftdevc[i].szSN)) == 0 && strlen(szSN) < 16)
            return i;
    return -1;
}

int32_t FTDEVCMG::CftdevcMac()
{
    return cftdevc;
}
