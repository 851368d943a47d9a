/*
 * mag.cpp - checks of serial numbers, MAC texts and names shared by the
 * transport managers, and the enumeration stop test.
 */
#include <ctype.h>
#include <string.h>

#include "mag.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

const char szSnPrefix[] = "SN:";
const char szMacPrefix[] = "MAC:";

bool FHex(char ch) { return isxdigit((unsigned char)ch) != 0; }
bool FMacSep(char ch) { return ch == ':' || ch == '-'; }

const char *SzAfter(const char *sz, const char *szPrefix)
{
    const char *szHit = strstr(sz, szPrefix);
    return szHit ? szHit + strlen(szPrefix) : sz;
}

/* A separator is skipped only when a character follows it, so a trailing one still counts. */
const char *SzSkipMacSep(const char *sz)
{
    while (FMacSep(*sz) && sz[1] != '\0')
        sz++;
    return sz;
}

} // namespace

int MAG::FIsEnumStopped()
{
    ABSMTX *pmtx = vzproc.pmtxEnumStop;
    if (pmtx == nullptr || !pmtx->Lock(tmsLockTimeout))
        return 0;
    int fStopped = vzproc.fStopEnum != 0;
    pmtx->Unlock();
    return fStopped;
}

int MAG::FCheckSzProdName(const char *sz)
{
    return sz != nullptr && strlen(sz) < 29;
}

int MAG::FCheckSzSN(const char *sz)
{
    if (sz == nullptr || strlen(sz) != 15 || strncmp(sz, szSnPrefix, 3) != 0)
        return 0;
    for (int ich = 3; ich < 15; ich++) {
        if (!FHex(sz[ich]))
            return 0;
    }
    return 1;
}

int MAG::FCheckSzMAC(const char *sz)
{
    if (sz == nullptr || strlen(sz) != 21 || strncmp(sz, szMacPrefix, 4) != 0)
        return 0;
    /* "MAC:" then six pairs at 4, 7, 10, ... with one separator between pairs. */
    for (int ipair = 0; ipair < 6; ipair++) {
        const char *pch = sz + 4 + 3 * ipair;
        if (!FHex(pch[0]) || !FHex(pch[1]))
            return 0;
        if (ipair < 5 && !FMacSep(pch[2]))
            return 0;
    }
    return 1;
}

int MAG::FCheckSzUsrName(const char *sz)
{
    static const char szPunct[] = "!#$%&()+-.;=@[]^_{}~";
    if (sz == nullptr)
        return 0;
    size_t cch = strlen(sz);
    if (cch < 1 || cch > 16)
        return 0;
    for (size_t ich = 0; ich < cch; ich++) {
        unsigned char ch = (unsigned char)sz[ich];
        bool fAsciiAlnum = ch < 0x80 && isalnum(ch);
        if (!fAsciiAlnum && strchr(szPunct, ch) == nullptr)
            return 0;
    }
    return 1;
}

int MAG::FCmpSzMAC(const char *sz1, const char *sz2)
{
    if (sz1 == nullptr || sz2 == nullptr)
        return 0;
    const char *pch1 = SzAfter(sz1, szMacPrefix);
    const char *pch2 = SzAfter(sz2, szMacPrefix);
    for (;;) {
        pch1 = SzSkipMacSep(pch1);
        pch2 = SzSkipMacSep(pch2);
        if (*pch1 == '\0' || *pch2 == '\0')
            return *pch1 == *pch2;
        if (tolower((unsigned char)*pch1) != tolower((unsigned char)*pch2))
            return 0;
        pch1++;
        pch2++;
    }
}

int MAG::FCmpSzSN(const char *sz1, const char *sz2)
{
    if (sz1 == nullptr || sz2 == nullptr)
        return 0;
    const char *pch1 = SzAfter(sz1, szSnPrefix);
    const char *pch2 = SzAfter(sz2, szSnPrefix);
    for (; *pch1 != '\0' && *pch2 != '\0'; pch1++, pch2++) {
        if (tolower((unsigned char)*pch1) != tolower((unsigned char)*pch2))
            return 0;
    }
    return *pch1 == *pch2;
}
