// APPSET: load, save and the two file histories (see appset.h).

#include "appset.h"

#include <stdio.h>
#include <string.h>

#include "strtext.h"

namespace {

// Read a text value; a missing one gives the empty text. The read stops at
// the text's terminator even when the stored value has none.
void ReadText(REGSTORE *preg, const char *szPath, char *sz)
{
    char rgb[cbRegTextRead + 1] = {};
    if (!preg->FGetValue(regrootCurrentUser, szPath, rgb, cbRegTextRead))
        rgb[0] = '\0';
    memcpy(sz, rgb, cchPathMax);
    sz[cchPathMax] = '\0';
}

void CopyText(char *szDst, const char *szSrc)
{
    size_t cch = strnlen(szSrc, cchPathMax);
    memcpy(szDst, szSrc, cch);
    szDst[cch] = '\0';
}

} // namespace

APPSET::APPSET(REGSTORE *preg)
    : preg(preg), cConfigFile(0), cDataFile(0), fShowRptWin(1), fInitScStrt(1),
      rgszConfigFile(), rgszDataFile(), szDataPath(), szDvcLast()
{
}

BOOL APPSET::FLoad()
{
    cConfigFile = 0;
    cDataFile = 0;
    char rgb[cbRegTextRead + 1] = {};
    if (!preg->FGetValue(regrootLocalMachine, SZ_REG_DATAPATH, rgb, cbRegTextRead))
        return FALSE;
    CopyText(szDataPath, rgb);

    ReadText(preg, SZ_REG_DVCLAST, szDvcLast);
    char sz[cchPathMax + 1];
    ReadText(preg, SZ_REG_SHOWRPTWIN, sz);
    fShowRptWin = strcmp(sz, "Hide") == 0 ? 0 : 1;
    ReadText(preg, SZ_REG_INITSCSTRT, sz);
    fInitScStrt = strcmp(sz, "No") == 0 ? 0 : 1;

    LoadHistory(SZ_REG_CONFIGFILE, rgszConfigFile, &cConfigFile);
    LoadHistory(SZ_REG_DATAFILE, rgszDataFile, &cDataFile);
    return TRUE;
}

// Entry n - 1 keeps the place of value n; the count is the number of
// non-empty values, and readers use entries 0 to count - 1 only.
void APPSET::LoadHistory(const char *szFmt, HIST rgsz, int *pc)
{
    *pc = 0;
    for (int i = 0; i < cflhistMax; i++) {
        char szPath[cchPathMax + 1];
        snprintf(szPath, sizeof(szPath), szFmt, i + 1);
        ReadText(preg, szPath, rgsz[i]);
        if (rgsz[i][0] != '\0')
            (*pc)++;
    }
}

void APPSET::SaveHistory(const char *szFmt, HIST rgsz)
{
    for (int i = 0; i < cflhistMax; i++) {
        char szPath[cchPathMax + 1];
        snprintf(szPath, sizeof(szPath), szFmt, i + 1);
        preg->FSetSz(regrootCurrentUser, szPath, rgsz[i]);
    }
}

void APPSET::Save()
{
    preg->FSetSz(regrootCurrentUser, SZ_REG_DVCLAST, szDvcLast);
    preg->FSetSz(regrootCurrentUser, SZ_REG_SHOWRPTWIN, fShowRptWin ? "Show" : "Hide");
    preg->FSetSz(regrootCurrentUser, SZ_REG_INITSCSTRT, fInitScStrt ? "Yes" : "No");
    SaveHistory(SZ_REG_CONFIGFILE, rgszConfigFile);
    SaveHistory(SZ_REG_DATAFILE, rgszDataFile);
}

BOOL APPSET::FGetDataPath(char *sz) const
{
    if (sz == nullptr || szDataPath[0] == '\0')
        return FALSE;
    strcpy(sz, szDataPath);
    return TRUE;
}

BOOL APPSET::FGetDvcLast(char *sz) const
{
    if (sz == nullptr || szDvcLast[0] == '\0')
        return FALSE;
    strcpy(sz, szDvcLast);
    return TRUE;
}

void APPSET::SetDvcLast(const char *sz)
{
    if (sz != nullptr)
        CopyText(szDvcLast, sz);
}

BOOL APPSET::FGetEntry(const HIST rgsz, int c, char *sz, int i)
{
    if (sz == nullptr || i < 0 || i >= c || rgsz[i][0] == '\0')
        return FALSE;
    strcpy(sz, rgsz[i]);
    return TRUE;
}

BOOL APPSET::FAddEntry(HIST rgsz, int *pc, const char *sz)
{
    if (sz == nullptr || strlen(sz) > cchPathMax)
        return FALSE;
    if (*pc >= cflhistMax) {
        memmove(rgsz[0], rgsz[1], sizeof(rgsz[0]) * (cflhistMax - 1));
        *pc = cflhistMax - 1;
    }
    CopyText(rgsz[*pc], sz);
    (*pc)++;
    return TRUE;
}

void APPSET::ClearEntries(HIST rgsz, int *pc)
{
    for (int i = 0; i < *pc; i++)
        rgsz[i][0] = '\0';
    *pc = 0;
}

BOOL APPSET::FGetConfigFile(char *sz, int i) const { return FGetEntry(rgszConfigFile, cConfigFile, sz, i); }
BOOL APPSET::FGetDataFile(char *sz, int i) const { return FGetEntry(rgszDataFile, cDataFile, sz, i); }
BOOL APPSET::FAddConfigFile(const char *sz) { return FAddEntry(rgszConfigFile, &cConfigFile, sz); }
BOOL APPSET::FAddDataFile(const char *sz) { return FAddEntry(rgszDataFile, &cDataFile, sz); }

BOOL APPSET::ClearConfigFiles()
{
    ClearEntries(rgszConfigFile, &cConfigFile);
    return TRUE;
}

BOOL APPSET::ClearDataFiles()
{
    ClearEntries(rgszDataFile, &cDataFile);
    return TRUE;
}
