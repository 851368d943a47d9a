/*
 * dtblmg.h - DTBLMG, the device-table manager: reads the device-table file
 * into the shared table when that is empty, filters the shared table into
 * a private entry list, adds, removes, clears and saves entries.
 *
 * The runtime has one global DTBLMG behind the TvxDvcTbl functions; every
 * transport manager makes a temporary one when it enumerates or opens a
 * device by its table name. Records no errors: results only.
 */
#ifndef DTBLMG_H
#define DTBLMG_H

#include <stdint.h>
#include <stdio.h>

#include "dvcmg.h"
#include "tokenizer.h"
#include "yorl.h"

class DVTBL;

class DTBLMG {
public:
    constexpr DTBLMG() : pfileWrite(nullptr), szPath{}, dvcmg(), rdr(), pstrm(nullptr), fClearedHere(0) {}
    ~DTBLMG() = default;

    int FInit();
    void Term();
    int FEnumTbl(uint32_t dtpMask);
    int FGetDvc(int idvc, DVC *pdvc) const { return dvcmg.FGetDvc(idvc, pdvc); }
    int CdvcMac() const { return dvcmg.CdvcMac(); }
    int FAddDvc(const DVC *pdvc);
    int FRemDvc(const char *szName);
    int FClearTbl();
    int FSaveTbl();
    static int FCheckSzName(const char *szName);

private:
    DTBLMG(const DTBLMG &) = delete;
    DTBLMG &operator=(const DTBLMG &) = delete;
    int FOpenTblRead();
    void FCloseTbl();
    int FOpenTblWrite(char *szTmp, size_t cchTmp);
    int FWriteDvc(const DVC *pdvc);
    int FWriteTbl(DVTBL *pdvtbl);

    FILE *pfileWrite;
    char szPath[cchAbsPathMax];
    DVCMG dvcmg;
    TOKRDR rdr;
    TOKSTRM *pstrm;
    int fClearedHere;   /* the shared table is empty by this manager's clear */
};

extern DTBLMG dtblmg;

#endif /* DTBLMG_H */
