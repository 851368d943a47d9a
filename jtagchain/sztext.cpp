#include "sztext.h"

#include <string.h>

namespace {
char ChUpper(char ch) { return (ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch; }
}

int ChCompareNoCase(char ch1, char ch2)
{
    unsigned char b1 = (unsigned char)ChUpper(ch1), b2 = (unsigned char)ChUpper(ch2);
    return b1 < b2 ? -1 : (b1 > b2 ? 1 : 0);
}

int SzCompareNoCase(const char *sz1, const char *sz2)
{
    for (;; sz1++, sz2++) {
        int cmp = ChCompareNoCase(*sz1, *sz2);
        if (cmp != 0 || *sz1 == '\0')
            return cmp;
    }
}

bool SzPrefixNoCase(const char *sz, const char *szPrefix)
{
    for (; *szPrefix != '\0'; sz++, szPrefix++)
        if (ChCompareNoCase(*sz, *szPrefix) != 0)
            return false;
    return true;
}

bool SzCopyBounded(char *szDst, const char *szSrc, size_t cchDst)
{
    if (cchDst == 0)
        return false;
    size_t cch = strlen(szSrc);
    bool fWhole = cch < cchDst;
    if (!fWhole)
        cch = cchDst - 1;
    memcpy(szDst, szSrc, cch);
    szDst[cch] = '\0';
    return fWhole;
}

bool SzAppendBounded(char *szDst, const char *szSrc, size_t cchDst)
{
    size_t cch = strlen(szDst);
    if (cch >= cchDst)
        return false;
    return SzCopyBounded(szDst + cch, szSrc, cchDst - cch);
}

const char *PchLastDot(const char *sz)
{
    return strrchr(sz, '.');
}

bool FDecimalDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}
