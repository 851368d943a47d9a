#include "jedec.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool FFail(std::string *pstrErr, const char *sz)
{
    *pstrErr = sz;
    return false;
}

bool FBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

bool FDecimal(const char *pch, const char *pchEnd, uint32_t *pn, const char **ppchNext)
{
    if (pch >= pchEnd || !isdigit((unsigned char)*pch))
        return false;
    uint64_t n = 0;
    for (; pch < pchEnd && isdigit((unsigned char)*pch); pch++) {
        n = n * 10 + (uint64_t)(*pch - '0');
        if (n > 0xFFFFFFFFull)
            return false;
    }
    *pn = (uint32_t)n;
    *ppchNext = pch;
    return true;
}

} // namespace

bool FParseJedec(const char *pch, size_t cch, const char *szDevice, JEDEC &jed, std::string *pstrErr)
{
    jed = JEDEC();
    const char *pchEnd = pch + cch;
    const char *pchStx = (const char *)memchr(pch, 0x02, cch);
    if (pchStx == nullptr)
        return FFail(pstrErr, "no STX");
    const char *pchEtx = (const char *)memchr(pchStx, 0x03, (size_t)(pchEnd - pchStx));
    if (pchEtx == nullptr)
        return FFail(pstrErr, "no ETX");

    bool fQf = false;
    int fuseDefault = -1;
    bool fChecksum = false;
    uint32_t sumGiven = 0;
    /* L fields met before QF: kept as (start, text) and applied at the end */
    std::vector<std::pair<const char *, const char *>> rgfieldL;
    for (const char *pchField = pchStx + 1; pchField < pchEtx;) {
        if (FBlank(*pchField)) {
            pchField++;
            continue;
        }
        const char *pchStar = (const char *)memchr(pchField, '*', (size_t)(pchEtx - pchField));
        if (pchStar == nullptr)
            return FFail(pstrErr, "a field without '*'");
        char chField = *pchField;
        const char *pchText = pchField + 1;
        if (chField == 'Q' && pchText < pchStar && pchText[0] == 'F') {
            const char *pchNext;
            uint32_t n;
            if (!FDecimal(pchText + 1, pchStar, &n, &pchNext) || n == 0 || n > cfuseJedecMax)
                return FFail(pstrErr, "QF is not a usable fuse count");
            jed.cfuse = n;
            fQf = true;
        } else if (chField == 'F') {
            const char *pch0 = pchText;
            while (pch0 < pchStar && FBlank(*pch0))
                pch0++;
            if (pch0 >= pchStar || (*pch0 != '0' && *pch0 != '1'))
                return FFail(pstrErr, "F needs 0 or 1");
            fuseDefault = *pch0 - '0';
        } else if (chField == 'N') {
            /* "N DEVICE XC2C64A-7-VQ100" */
            const char *pchWord = pchText;
            while (pchWord < pchStar && FBlank(*pchWord))
                pchWord++;
            if (pchStar - pchWord > 7 && memcmp(pchWord, "DEVICE", 6) == 0 && FBlank(pchWord[6])) {
                const char *pchName = pchWord + 7;
                const char *pchNameEnd = pchName;
                while (pchNameEnd < pchStar && *pchNameEnd != '-' && !FBlank(*pchNameEnd))
                    pchNameEnd++;
                jed.strDevice.assign(pchName, pchNameEnd);
                if (szDevice != nullptr && jed.strDevice != szDevice)
                    return FFail(pstrErr, "the file is for another part");
            }
        } else if (chField == 'L') {
            rgfieldL.push_back({pchText, pchStar});
        } else if (chField == 'C') {
            const char *pchHex = pchText;
            uint32_t sum = 0;
            int cdig = 0;
            for (; pchHex < pchStar && isxdigit((unsigned char)*pchHex); pchHex++, cdig++)
                sum = sum * 16 + (uint32_t)(isdigit((unsigned char)*pchHex) ? *pchHex - '0'
                                                                              : toupper((unsigned char)*pchHex) - 'A' + 10);
            if (cdig != 4)
                return FFail(pstrErr, "C needs four hexadecimal digits");
            fChecksum = true;
            sumGiven = sum;
        }
        /* other fields (QP, QV, X, J, V, P, G, notes) change no fuse */
        pchField = pchStar + 1;
    }
    if (!fQf)
        return FFail(pstrErr, "no QF");
    jed.rgfuse.assign(jed.cfuse, fuseDefault == 1 ? 1 : 0);
    for (auto &field : rgfieldL) {
        const char *pchNext;
        uint32_t ifuse;
        if (!FDecimal(field.first, field.second, &ifuse, &pchNext))
            return FFail(pstrErr, "an L field without its fuse number");
        if (pchNext >= field.second || !FBlank(*pchNext))
            return FFail(pstrErr, "an L field's fuse number runs into its states");
        for (const char *pchState = pchNext; pchState < field.second; pchState++) {
            if (FBlank(*pchState))
                continue;
            if (*pchState != '0' && *pchState != '1')
                return FFail(pstrErr, "an L field with a character other than 0 and 1");
            if (ifuse >= jed.cfuse)
                return FFail(pstrErr, "fuses beyond QF");
            jed.rgfuse[ifuse++] = (uint8_t)(*pchState - '0');
        }
    }
    if (fChecksum) {
        uint32_t sum = 0;
        for (uint32_t ifuse = 0; ifuse < jed.cfuse; ifuse += 8) {
            uint32_t w = 0;
            for (uint32_t k = 0; k < 8 && ifuse + k < jed.cfuse; k++)
                w |= (uint32_t)jed.rgfuse[ifuse + k] << k;
            sum += w;
        }
        if ((sum & 0xFFFF) != sumGiven)
            return FFail(pstrErr, "the fuse checksum differs");
    }
    /* transmission checksum: the bytes from STX to ETX */
    const char *pchTx = pchEtx + 1;
    if (pchEnd - pchTx >= 4 && isxdigit((unsigned char)pchTx[0]) && isxdigit((unsigned char)pchTx[1]) &&
        isxdigit((unsigned char)pchTx[2]) && isxdigit((unsigned char)pchTx[3])) {
        uint32_t sumTx = 0;
        for (const char *p = pchStx; p <= pchEtx; p++)
            sumTx += (unsigned char)*p;
        char sz[5] = {pchTx[0], pchTx[1], pchTx[2], pchTx[3], 0};
        jed.fTxChecksum = true;
        jed.fTxChecksumOk = (sumTx & 0xFFFF) == (uint32_t)strtoul(sz, nullptr, 16);
    }
    return true;
}
