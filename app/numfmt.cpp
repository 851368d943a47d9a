// Number texts: detection, reading and writing (see numfmt.h).

#include "numfmt.h"

#include <stdio.h>
#include <string.h>

namespace {

bool FDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool FBit(char ch) { return ch == '0' || ch == '1'; }

bool FAll(const char *sz, bool (*pfn)(char))
{
    for (; *sz; sz++)
        if (!pfn(*sz))
            return false;
    return true;
}

int HexDigit(char ch)
{
    if (FDigit(ch))
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Unsigned decimal of the leading digits; beyond 32 bits 0xFFFFFFFF.
uint32_t UDecimal(const char *sz)
{
    uint64_t val = 0;
    for (; FDigit(*sz); sz++) {
        val = val * 10 + static_cast<uint64_t>(*sz - '0');
        if (val > 0xFFFFFFFFu)
            return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(val);
}

uint32_t UHex(const char *sz)
{
    if (sz[0] == '0' && (sz[1] == 'x' || sz[1] == 'X'))
        sz += 2;
    uint64_t val = 0;
    for (int dig; (dig = HexDigit(*sz)) >= 0; sz++) {
        val = val * 16 + static_cast<uint64_t>(dig);
        if (val > 0xFFFFFFFFu)
            return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(val);
}

// Signed decimal (optional sign, then digits), limited to the int32 range.
int32_t SignedDecimal(const char *sz)
{
    bool fNeg = false;
    if (*sz == '-' || *sz == '+')
        fNeg = *sz++ == '-';
    int64_t val = 0;
    for (; FDigit(*sz); sz++) {
        val = val * 10 + (*sz - '0');
        if (val > 0x80000000LL)
            val = 0x80000000LL;
    }
    if (fNeg)
        return static_cast<int32_t>(-val);
    return val > 0x7FFFFFFFLL ? 0x7FFFFFFF : static_cast<int32_t>(val);
}

void BinaryDigits(uint32_t val, int cdigMin, char *sz)
{
    int cdig = 1;
    while (cdig < 32 && (val >> cdig) != 0)
        cdig++;
    if (cdig < cdigMin)
        cdig = cdigMin;
    for (int i = 0; i < cdig; i++)
        sz[i] = (val >> (cdig - 1 - i)) & 1 ? '1' : '0';
    sz[cdig] = '\0';
}

} // namespace

int NfmtFromSz(const char *sz)
{
    size_t cch = strlen(sz);
    if (cch >= 2 && sz[0] == '0' && (sz[1] == 'x' || sz[1] == 'X'))
        return nfmtHex;
    if (cch >= 2 && sz[0] == '0' && (sz[1] == 'b' || sz[1] == 'B'))
        return FAll(sz + 2, FBit) ? nfmtBin : nfmtInvalid;
    if (cch == 8 && FAll(sz, FBit))
        return nfmtBin8;
    if (sz[0] == '-')
        return FAll(sz + 1, FDigit) ? nfmtSigned : nfmtInvalid;
    return FAll(sz, FDigit) ? nfmtDec : nfmtInvalid;
}

int ValFromSzChecked(const char *sz, BOOL *pfValid)
{
    *pfValid = TRUE;
    switch (NfmtFromSz(sz)) {
    case nfmtBin8: {
        int val = 0;
        for (int i = 0; i < 8; i++)
            val = val * 2 + (sz[i] - '0');
        return val;
    }
    case nfmtDec:
        return static_cast<int>(UDecimal(sz));
    case nfmtHex:
        return static_cast<int>(UHex(sz));
    case nfmtBin: {
        const char *szDig = sz + 2;
        if (strlen(szDig) > 32)
            break;
        uint32_t val = 0;
        for (; *szDig; szDig++)
            val = val * 2 + static_cast<uint32_t>(*szDig - '0');
        return static_cast<int>(val);
    }
    case nfmtSigned: {
        int32_t val = SignedDecimal(sz);
        if (val == 0 && strcmp(sz, "0") != 0)
            break;
        return val;
    }
    default:
        break;
    }
    *pfValid = FALSE;
    return -1;
}

int ValFromSz(const char *sz)
{
    BOOL fValid;
    return ValFromSzChecked(sz, &fValid);
}

BOOL FSzFromVal(int val, int nfmt, char *sz)
{
    uint32_t uval = static_cast<uint32_t>(val);
    switch (nfmt) {
    case nfmtBin8:
        BinaryDigits(uval, 8, sz);
        break;
    case nfmtDec:
        snprintf(sz, cchNumTextMin, "%d", val);
        break;
    case nfmtHex: {
        char szHex[12];
        snprintf(szHex, sizeof(szHex), "%x", uval);
        snprintf(sz, cchNumTextMin, strlen(szHex) == 2 ? "0x%s" : "0x0%s", szHex);
        break;
    }
    case nfmtBin:
        BinaryDigits(uval, 32, sz);
        break;
    default:
        break;
    }
    return TRUE;
}
