// FLHIST: the page's working file history (see flhist.h).

#include "flhist.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "appset.h"

const char *SzFileNameOf(const char *szPath)
{
    const char *sz = szPath;
    for (const char *pch = szPath; *pch; pch++)
        if (*pch == '\\' || *pch == ':')
            sz = pch + 1;
    return sz;
}

const char *SzExtOf(const char *szPath)
{
    return szPath ? strrchr(szPath, '.') : nullptr;
}

FLHIST::FLHIST() : rgsz(), csz(0) {}

FLHIST::~FLHIST()
{
    FClear();
}

BOOL FLHIST::FInit()
{
    return FClear();
}

int FLHIST::ErcAdd(const char *szPath)
{
    if (csz >= cflhistMax)
        ErcRemove(0);
    if (szPath == nullptr)
        return ercFlhistOk;
    FILE *pfl = fopen(szPath, "r");
    if (pfl == nullptr)
        return ercFlhistFailed;
    fclose(pfl);
    if (IFind(szPath) >= 0)
        return ercFlhistDuplicate;
    char *sz = static_cast<char *>(calloc(cchPathMax, 1));
    if (sz == nullptr)
        return ercFlhistFailed;
    strncpy(sz, szPath, cchPathMax - 1);
    rgsz[csz++] = sz;
    return ercFlhistOk;
}

int FLHIST::ErcRemove(int i)
{
    if (csz == 0 || i < 0 || i >= csz)
        return ercFlhistFailed;
    free(rgsz[i]);
    memmove(&rgsz[i], &rgsz[i + 1], sizeof(rgsz[0]) * static_cast<size_t>(csz - i - 1));
    rgsz[--csz] = nullptr;
    return ercFlhistOk;
}

BOOL FLHIST::FClear()
{
    for (int i = 0; i < csz; i++) {
        free(rgsz[i]);
        rgsz[i] = nullptr;
    }
    csz = 0;
    return TRUE;
}

int FLHIST::IFind(const char *szPath) const
{
    for (int i = 0; i < csz; i++)
        if (strcmp(rgsz[i], szPath) == 0)
            return i;
    return -1;
}

const char *FLHIST::SzGet(int i) const
{
    return (i < 0 || i >= csz) ? nullptr : rgsz[i];
}

const char *FLHIST::SzFileName(int i) const
{
    const char *sz = SzGet(i);
    return sz ? SzFileNameOf(sz) : nullptr;
}

const char *FLHIST::SzExtension(int i) const
{
    return SzExtOf(SzGet(i));
}

const char *FLHIST::SzExtOf(const char *szPath)
{
    return ::SzExtOf(szPath);
}

// The patterns of a file-dialog filter description stand after its first
// "(", separated by semicolons and spaces: "Bit Files (*.bit; *.bin)". A
// piece fits when it begins with "*" and the path's extension, compared
// without case over the pattern's length.
BOOL FLHIST::FMatchesFilter(const char *szPath, const char *szDescription)
{
    const char *szExt = SzExtOf(szPath);
    if (szExt == nullptr || szDescription == nullptr)
        return FALSE;
    char szPattern[cchPathMax + 2];
    snprintf(szPattern, sizeof(szPattern), "*%s", szExt);
    size_t cchPattern = strlen(szPattern);

    char szCopy[cchPathMax];
    strncpy(szCopy, szDescription, sizeof(szCopy) - 1);
    szCopy[sizeof(szCopy) - 1] = '\0';
    char *pch = strchr(szCopy, '(');
    if (pch == nullptr)
        return FALSE;
    for (char *szPiece = pch + 1; szPiece != nullptr;) {
        char *szNext = strpbrk(szPiece, "; ");
        if (szNext != nullptr)
            *szNext++ = '\0';
        if (strlen(szPiece) >= cchPattern) {
            size_t ich = 0;
            while (ich < cchPattern && tolower(static_cast<unsigned char>(szPiece[ich])) ==
                                           tolower(static_cast<unsigned char>(szPattern[ich])))
                ich++;
            if (ich == cchPattern)
                return TRUE;
        }
        szPiece = szNext;
    }
    return FALSE;
}
