// How the File I/O page stores a download (filesave.h). The file is written
// whole or not at all: the new content goes to a temporary file beside it
// (a copy of the old content when appending or overwriting), which then
// replaces it.

#include "filesave.h"

#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

BOOL FReplaceFile(const char *szTemp, const char *szPath)
{
#if defined(_WIN32)
    return MoveFileExA(szTemp, szPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return rename(szTemp, szPath) == 0;
#endif
}

// Copy what pfFrom still holds into pfTo; FALSE on a read or write error.
BOOL FCopyRest(FILE *pfFrom, FILE *pfTo)
{
    char rgb[8192];
    size_t cb;
    while ((cb = fread(rgb, 1, sizeof(rgb), pfFrom)) > 0)
        if (fwrite(rgb, 1, cb, pfTo) != cb)
            return FALSE;
    return !ferror(pfFrom);
}

} // namespace

int ErcSaveDownload(const char *szPath, int mode, int32_t ibStart, const uint8_t *pb, size_t cb)
{
    if (mode != modeSaveAppend && mode != modeSaveReplace && mode != modeSaveOverwrite)
        return ercSaveNoOpen;
    char szTemp[FILENAME_MAX + 8];
    if (strlen(szPath) + 6 >= sizeof(szTemp))
        return ercSaveNoOpen;
    snprintf(szTemp, sizeof(szTemp), "%s.tmp~", szPath);
    FILE *pfOld = mode == modeSaveReplace ? nullptr : fopen(szPath, "rb");
    if (pfOld == nullptr && mode == modeSaveAppend) {
        // Appending needs a file that can be written; it may be new.
        FILE *pfProbe = fopen(szPath, "ab");
        if (pfProbe == nullptr)
            return ercSaveNoOpen;
        fclose(pfProbe);
    }
    FILE *pf = fopen(szTemp, "wb");
    if (pf == nullptr) {
        if (pfOld != nullptr)
            fclose(pfOld);
        return ercSaveNoOpen;
    }
    BOOL fOk = TRUE;
    if (pfOld != nullptr && mode == modeSaveOverwrite) {
        // The old bytes before the start, then the new ones, then what the
        // new bytes do not cover.
        char rgb[8192];
        long cbLeft = ibStart > 0 ? ibStart : 0;
        while (fOk && cbLeft > 0) {
            size_t cbRead = fread(rgb, 1, cbLeft < (long)sizeof(rgb) ? (size_t)cbLeft : sizeof(rgb), pfOld);
            if (cbRead == 0)
                break;
            fOk = fwrite(rgb, 1, cbRead, pf) == cbRead;
            cbLeft -= (long)cbRead;
        }
        // A start beyond the end of the file: the gap is zero-filled.
        while (fOk && cbLeft-- > 0)
            fOk = fputc(0, pf) != EOF;
        fOk = fOk && (cb == 0 || fwrite(pb, 1, cb, pf) == cb);
        if (fOk && fseek(pfOld, (long)(ibStart > 0 ? ibStart : 0) + (long)cb, SEEK_SET) == 0)
            fOk = FCopyRest(pfOld, pf);
    } else {
        if (pfOld != nullptr)
            fOk = FCopyRest(pfOld, pf);
        fOk = fOk && (cb == 0 || fwrite(pb, 1, cb, pf) == cb);
    }
    if (pfOld != nullptr)
        fclose(pfOld);
    fOk = fclose(pf) == 0 && fOk;
    if (!fOk || !FReplaceFile(szTemp, szPath)) {
        remove(szTemp);
        return ercSaveShort;
    }
    return ercSaveOk;
}

long CbFileSize(const char *szPath)
{
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr)
        return -1;
    long cb = fseek(pf, 0, SEEK_END) == 0 ? ftell(pf) : -1;
    fclose(pf);
    return cb;
}
