/*
 * dtblmg.cpp - the device-table manager: the file and the shared table.
 */
#include "dtblmg.h"

#include <string.h>

#include <new>

#include "dtblread.h"
#include "dvtbl.h"
#include "vzcore.h"
#include "vzfile.h"

DTBLMG dtblmg;

namespace {

const uint32_t dtpMaskAll = 15;   /* every transport bit, any protocol */

int FAppendToTable(void *pv, const DVC *pdvc)
{
    return static_cast<DVTBL *>(pv)->FAddDvc(pdvc);
}

bool FMaskAdmits(uint32_t dtpMask, uint32_t dtp)
{
    if ((dtp & dtpMask & 0xFFFF) == 0)
        return false;
    return dtpMask < 0x10000 || ((dtp >> 16) & (dtpMask >> 16)) != 0;
}

} // namespace

int DTBLMG::FInit()
{
    if (pabsutil == nullptr || !pabsutil->FGetDevTblPath(szPath, sizeof(szPath)))
        szPath[0] = '\0';
    szPath[sizeof(szPath) - 1] = '\0';
    fClearedHere = 0;
    return dvcmg.FInit();
}

void DTBLMG::Term()
{
    FCloseTbl();
    dvcmg.Term();
}

int DTBLMG::FCheckSzName(const char *szName)
{
    return DVTBL::FCheckSzName(szName);
}

/*
 * Reading never creates a file, except the device table itself: a missing
 * table file is created empty, so the table then stays empty.
 */
int DTBLMG::FOpenTblRead()
{
    if (szPath[0] == '\0')
        return 0;
    pstrm = new (std::nothrow) TOKSTRM;
    if (pstrm == nullptr)
        return 0;
    if (!pstrm->FInit(cchDvcTblLine) || !pstrm->FSetPath(szPath)) {
        FCloseTbl();
        return 0;
    }
    if (!pstrm->FOpen()) {
        /* Only a table file that is not there is created; a file that
         * exists but cannot be read stays as it is. */
        FILE *pfile = fopen(szPath, "rb");
        if (pfile != nullptr) {
            fclose(pfile);
            FCloseTbl();
            return 0;
        }
        pfile = fopen(szPath, "ab");
        if (pfile != nullptr)
            fclose(pfile);
    }
    if (!pstrm->FIsOpen() && !pstrm->FOpen()) {
        FCloseTbl();
        return 0;
    }
    if (!pstrm->FSetOptions(optDvcTblFile)) {
        FCloseTbl();
        return 0;
    }
    rdr.Attach(pstrm);
    rdr.Reset();
    return 1;
}

void DTBLMG::FCloseTbl()
{
    if (pstrm == nullptr)
        return;
    pstrm->Close();
    pstrm->Term();
    rdr.Detach();
    delete pstrm;
    pstrm = nullptr;
}

int DTBLMG::FEnumTbl(uint32_t dtpMask)
{
    DVTBL *pdvtbl = PdvtblShared();
    if (pdvtbl == nullptr || !pdvtbl->FLock())
        return 0;
    if (pdvtbl->Cdvc() == 0) {
        fClearedHere = 0;
        if (!FOpenTblRead()) {
            pdvtbl->FUnlock();
            return 0;
        }
        int fRead = FReadDvcBlocks(&rdr, FAppendToTable, pdvtbl);
        FCloseTbl();
        if (!fRead) {
            pdvtbl->FUnlock();
            return 0;
        }
    }
    dvcmg.FClear();
    DVCNODE node;
    for (int idvc = 0; idvc < pdvtbl->Cdvc(); idvc++) {
        memset(&node, 0, sizeof(node));
        if (!pdvtbl->FGetDvc(idvc, &node.edvc.dvc))
            continue;
        if (node.edvc.dvc.szName[0] == '\0' || !FMaskAdmits(dtpMask, node.edvc.dvc.dtp))
            continue;
        dvcmg.FAddNode(&node);
    }
    return pdvtbl->FUnlock();
}

int DTBLMG::FAddDvc(const DVC *pdvcIn)
{
    DVTBL *pdvtbl = PdvtblShared();
    if (pdvcIn == nullptr || pdvtbl == nullptr)
        return 0;
    DVC dvcNew;
    CopyDvcBounded(&dvcNew, pdvcIn);
    if (dvcNew.dtp == 0 || dvcNew.szConn[0] == '\0')
        return 0;
    if (!pdvtbl->FLock())
        return 0;
    FEnumTbl(dtpMaskAll);
    DVC dvc;
    for (int idvc = 0; idvc < pdvtbl->Cdvc(); idvc++) {
        if (!pdvtbl->FGetDvc(idvc, &dvc) || strcmp(dvc.szName, dvcNew.szName) == 0) {
            pdvtbl->FUnlock();
            return 0;
        }
    }
    int fAdded = pdvtbl->FAddDvc(&dvcNew);
    int fUnlocked = pdvtbl->FUnlock();
    return fAdded && fUnlocked;
}

int DTBLMG::FRemDvc(const char *szName)
{
    DVTBL *pdvtbl = PdvtblShared();
    if (szName == nullptr || pdvtbl == nullptr || !pdvtbl->FLock())
        return 0;
    FEnumTbl(dtpMaskAll);
    DVC dvc;
    for (int idvc = 0; idvc < pdvtbl->Cdvc(); idvc++) {
        if (!pdvtbl->FGetDvc(idvc, &dvc) || dvc.szName[0] == '\0' ||
            strncmp(dvc.szName, szName, sizeof(dvc.szName)) != 0)
            continue;
        dvc.szName[0] = '\0';
        int fMod = pdvtbl->FModDvc(idvc, &dvc);
        pdvtbl->FUnlock();
        return fMod;
    }
    pdvtbl->FUnlock();
    return 0;
}

int DTBLMG::FClearTbl()
{
    DVTBL *pdvtbl = PdvtblShared();
    if (pdvtbl == nullptr || !pdvtbl->FLock())
        return 0;
    if (!FEnumTbl(dtpMaskAll)) {
        pdvtbl->FUnlock();
        return 0;
    }
    int fClear = pdvtbl->FClear();
    int fList = dvcmg.FClear();
    fClearedHere = fClear;
    pdvtbl->FUnlock();
    return fClear && fList;
}

/*
 * The new table goes to a file beside the old one ("<path>.tmp", under the
 * table's mutex), which replaces the old file only once it is whole.
 */
int DTBLMG::FOpenTblWrite(char *szTmp, size_t cchTmp)
{
    if (szPath[0] == '\0' || snprintf(szTmp, cchTmp, "%s.tmp", szPath) >= (int)cchTmp)
        return 0;
    pfileWrite = fopen(szTmp, "w");
    return pfileWrite != nullptr;
}

int DTBLMG::FWriteDvc(const DVC *pdvc)
{
    return fprintf(pfileWrite, "DVC {\n\tszName = \"%s\"\n\tszConn = \"%s\"\n\tdtp = %8xh\n}\n\n", pdvc->szName,
                   pdvc->szConn, (unsigned)pdvc->dtp) > 0;
}

/* Every named record of the shared table, in order, then onto the disk. */
int DTBLMG::FWriteTbl(DVTBL *pdvtbl)
{
    DVC dvc;
    for (int idvc = 0; idvc < pdvtbl->Cdvc(); idvc++) {
        if (!pdvtbl->FGetDvc(idvc, &dvc))
            return 0;
        if (dvc.szName[0] != '\0' && !FWriteDvc(&dvc))
            return 0;
    }
    return FFlushFileToDisk(pfileWrite);
}

/*
 * The file is rewritten whole or not at all: a save that fails (a full
 * disk) or a process killed during it leaves the old file as it was. A
 * table that no process has read yet is read first, so that a save never
 * writes an empty table over the user's file; a table emptied by this
 * manager's clear is saved empty.
 */
int DTBLMG::FSaveTbl()
{
    DVTBL *pdvtbl = PdvtblShared();
    if (pdvtbl == nullptr || !pdvtbl->FLock())
        return 0;
    if (pdvtbl->Cdvc() == 0 && !fClearedHere && !FEnumTbl(dtpMaskAll)) {
        pdvtbl->FUnlock();
        return 0;
    }
    char szTmp[cchAbsPathMax + 8];
    if (!FOpenTblWrite(szTmp, sizeof(szTmp))) {
        pdvtbl->FUnlock();
        return 0;
    }
    int fOk = FWriteTbl(pdvtbl);
    if (fclose(pfileWrite) != 0)
        fOk = 0;
    pfileWrite = nullptr;
    fOk = fOk && FReplaceFile(szTmp, szPath);
    if (!fOk)
        remove(szTmp);
    int fUnlocked = pdvtbl->FUnlock();
    return fOk && fUnlocked;
}
