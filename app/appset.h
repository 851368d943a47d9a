// APPSET: the program's registry settings, held for the run.
//
// Read once at start-up (FLoad), written back at shut-down (Save). Values
// under HKEY_CURRENT_USER "Software\Korvanel\Stapol": DvcLast, ShowRptWin,
// InitScStrt, ConfigFile1-12, DataFile1-12; the shared data folder DataPath
// under HKEY_LOCAL_MACHINE "Software\Korvanel\Shared" is required and never
// written.
#ifndef ORRIN_APPSET_H
#define ORRIN_APPSET_H

#include "ortypes.h"
#include "regstore.h"

enum { cflhistMax = 12 };

class APPSET {
public:
    explicit APPSET(REGSTORE *preg);

    BOOL FLoad();   // FALSE only when DataPath cannot be read
    void Save();    // every HKCU value, in order; failed writes are skipped

    BOOL FGetDataPath(char *sz) const;   // sz: cchPathMax + 1
    BOOL FGetDvcLast(char *sz) const;
    void SetDvcLast(const char *sz);

    BOOL FGetConfigFile(char *sz, int i) const;
    BOOL FGetDataFile(char *sz, int i) const;
    BOOL FAddConfigFile(const char *sz);
    BOOL FAddDataFile(const char *sz);
    BOOL ClearConfigFiles();
    BOOL ClearDataFiles();
    int CConfigFile() const { return cConfigFile; }
    int CDataFile() const { return cDataFile; }

    uint8_t FShowRptWin() const { return fShowRptWin; }
    void SetShowRptWin(uint8_t f) { fShowRptWin = f; }
    uint8_t FInitScStrt() const { return fInitScStrt; }
    void SetInitScStrt(uint8_t f) { fInitScStrt = f; }

private:
    typedef char HIST[cflhistMax][cchPathMax + 1];

    void LoadHistory(const char *szFmt, HIST rgsz, int *pc);
    void SaveHistory(const char *szFmt, HIST rgsz);
    static BOOL FGetEntry(const HIST rgsz, int c, char *sz, int i);
    static BOOL FAddEntry(HIST rgsz, int *pc, const char *sz);
    static void ClearEntries(HIST rgsz, int *pc);

    REGSTORE *preg;
    int32_t cConfigFile;
    int32_t cDataFile;
    uint8_t fShowRptWin;
    uint8_t fInitScStrt;
    HIST rgszConfigFile;
    HIST rgszDataFile;
    char szDataPath[cchPathMax + 1];
    char szDvcLast[cchPathMax + 1];
};

#endif
