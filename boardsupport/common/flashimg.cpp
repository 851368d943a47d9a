// Flash image file readers (flashimg.h).

#include "flashimg.h"

#include <stdio.h>
#include <string.h>

#include <utility>

namespace {

const uint32_t cbFlash32M = 0x2000000;
const size_t cchLineMax = 255;

int NibbleOf(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

// cdigit hexadecimal digits at ich of the line; false when any is missing
// or not a digit.
bool FHexAt(const std::string &szLine, size_t ich, int cdigit, uint32_t *pu)
{
    uint32_t u = 0;
    for (int i = 0; i < cdigit; i++) {
        int n = ich + i < szLine.size() ? NibbleOf(szLine[ich + i]) : -1;
        if (n < 0)
            return false;
        u = u << 4 | static_cast<uint32_t>(n);
    }
    *pu = u;
    return true;
}

// The next line of at most 255 characters (a longer one goes on as the next
// line), without its line end; false at the end of the text.
bool FNextLine(const uint8_t *pb, size_t cb, size_t *pib, std::string *pszLine)
{
    if (*pib >= cb)
        return false;
    pszLine->clear();
    while (*pib < cb && pszLine->size() < cchLineMax) {
        char ch = static_cast<char>(pb[(*pib)++]);
        if (ch == '\n')
            break;
        pszLine->push_back(ch);
    }
    if (!pszLine->empty() && pszLine->back() == '\r')
        pszLine->pop_back();
    return true;
}

// The segments' pointers into the finished data.
void PointSegments(FLASHIMG *pimg, const uint32_t *rgib)
{
    for (int i = 0; i < pimg->cseg; i++)
        pimg->rgseg[i].pb = pimg->rgbData.data() + rgib[i];
}

bool FReadBytes(const uint8_t *pb, size_t cb, size_t *pib, void *pv, size_t cbWant)
{
    if (cb - *pib < cbWant)
        return false;
    memcpy(pv, pb + *pib, cbWant);
    *pib += cbWant;
    return true;
}

void OneRun(FLASHIMG *pimg, uint32_t addr)
{
    pimg->cseg = 1;
    pimg->rgseg[0] = {addr, static_cast<uint32_t>(pimg->rgbData.size()), pimg->rgbData.data()};
}

} // namespace

FLASHRULES RulesCorvale(bool fX16) { return {0x1FFFFFF, fX16, true, false}; }
FLASHRULES RulesPentra() { return {0x1FFFFFF, false, false, false}; }
FLASHRULES RulesMiravo3(int tgt) { return {0x2000000, false, tgt == 1, tgt == 1}; }

uint8_t BReverse(uint8_t b)
{
    uint8_t bOut = 0;
    for (int k = 0; k < 8; k++)
        if (b & (1u << k))
            bOut |= static_cast<uint8_t>(0x80u >> k);
    return bOut;
}

bool FReadWordBe(const uint8_t *pb, size_t cb, size_t *pib, uint16_t *pw)
{
    if (*pib >= cb || cb - *pib < 2)
        return false;
    *pw = static_cast<uint16_t>(pb[*pib] << 8 | pb[*pib + 1]);
    *pib += 2;
    return true;
}

bool FReadDwordBe(const uint8_t *pb, size_t cb, size_t *pib, uint32_t *pdw)
{
    uint16_t wHi, wLo;
    if (!FReadWordBe(pb, cb, pib, &wHi) || !FReadWordBe(pb, cb, pib, &wLo))
        return false;
    *pdw = static_cast<uint32_t>(wHi) << 16 | wLo;
    return true;
}

namespace {

uint32_t CbParseMcs(const uint8_t *pb, size_t cb, const FLASHRULES &rules, FLASHIMG *pimg)
{
    pimg->rgbData.clear();
    pimg->cseg = 0;
    uint32_t rgib[csegFlashMax] = {};
    uint32_t addrBase = 0;
    size_t ib = 0;
    std::string szLine;
    for (;;) {
        if (!FNextLine(pb, cb, &ib, &szLine) || szLine.empty() || szLine[0] != ':')
            return 0;
        uint32_t type;
        if (!FHexAt(szLine, 7, 2, &type))
            return 0;
        if (type == 0x01) {
            PointSegments(pimg, rgib);
            return static_cast<uint32_t>(pimg->rgbData.size());
        }
        if (type == 0x02 || type == 0x04) {
            uint32_t u;
            if (!FHexAt(szLine, 9, 4, &u))
                return 0;
            addrBase = type == 0x02 ? u * 16 : u * 0x10000;
            continue;
        }
        if (type != 0x00)
            continue;
        uint32_t n, offset;
        if (!FHexAt(szLine, 1, 2, &n) || !FHexAt(szLine, 3, 4, &offset))
            return 0;
        if (rules.fX16 && n % 2 != 0)
            return 0;
        uint32_t addr = offset + addrBase;
        uint32_t cbTotal = static_cast<uint32_t>(pimg->rgbData.size());
        if (static_cast<uint64_t>(cbTotal) + n >= rules.cbHexLimit)
            return 0;
        FLASHSEG *psegLast = pimg->cseg > 0 ? &pimg->rgseg[pimg->cseg - 1] : nullptr;
        if (psegLast != nullptr && psegLast->addr + psegLast->cb == addr) {
            psegLast->cb += n;
        } else {
            if (pimg->cseg == csegFlashMax)
                return 0;
            rgib[pimg->cseg] = cbTotal;
            pimg->rgseg[pimg->cseg++] = {addr, n, nullptr};
        }
        pimg->rgbData.resize(cbTotal + n);
        for (uint32_t j = 0; j < n; j++) {
            uint32_t b;
            if (!FHexAt(szLine, 9 + 2 * j, 2, &b))
                return 0;
            pimg->rgbData[cbTotal + (rules.fX16 ? (j ^ 1) : j)] = static_cast<uint8_t>(b);
        }
    }
}

} // namespace

// A failed read leaves an empty image, not the runs read so far.
uint32_t CbReadMcs(const uint8_t *pb, size_t cb, const FLASHRULES &rules, FLASHIMG *pimg)
{
    uint32_t cbImg = CbParseMcs(pb, cb, rules, pimg);
    if (cbImg == 0) {
        pimg->rgbData.clear();
        pimg->cseg = 0;
    }
    return cbImg;
}

bool FReadBit(const uint8_t *pb, size_t cb, const FLASHRULES &rules, BITHDR *phdr)
{
    size_t ib = 0;
    if (!FReadWordBe(pb, cb, &ib, &phdr->cbHdr) || phdr->cbHdr > cchBitField ||
        !FReadBytes(pb, cb, &ib, phdr->rgbHdr, phdr->cbHdr) || !FReadWordBe(pb, cb, &ib, &phdr->wAfterHdr))
        return false;
    char *rgszField[] = {phdr->szDesign, phdr->szPart, phdr->szDate, phdr->szTime};
    while (phdr->cbData == 0) {
        if (ib >= cb)
            return false;
        uint8_t bKey = pb[ib++];
        if (bKey == 'e') {
            if (!FReadDwordBe(pb, cb, &ib, &phdr->cbData) || phdr->cbData > cb - ib)
                return false;
            phdr->rgbData.assign(pb + ib, pb + ib + phdr->cbData);
            ib += phdr->cbData;
            continue;
        }
        uint16_t cbField;
        if (!FReadWordBe(pb, cb, &ib, &cbField) || cbField > cchBitField)
            return false;
        if (bKey >= 'a' && bKey <= 'd') {
            char *sz = rgszField[bKey - 'a'];
            if (!FReadBytes(pb, cb, &ib, sz, cbField))
                return false;
            sz[cbField] = '\0';
        }
    }
    std::vector<uint8_t> &rgb = phdr->rgbData;
    if (rules.fBitReverse)
        for (uint8_t &b : rgb)
            b = BReverse(b);
    if (rules.fBitPairSwap)
        for (size_t i = 0; i + 1 < rgb.size(); i += 2)
            std::swap(rgb[i], rgb[i + 1]);   // an odd last byte stays where it is
    return true;
}

bool FReadRawFile(const std::string &szPath, std::vector<uint8_t> *prgb)
{
    prgb->clear();
    FILE *pf = fopen(szPath.c_str(), "rb");
    if (pf == nullptr)
        return false;
    bool fOk = fseek(pf, 0, SEEK_END) == 0;
    long cb = fOk ? ftell(pf) : -1;
    fOk = cb >= 0 && fseek(pf, 0, SEEK_SET) == 0;
    if (fOk) {
        prgb->resize(static_cast<size_t>(cb));
        fOk = cb == 0 || fread(prgb->data(), 1, prgb->size(), pf) == prgb->size();
    }
    fclose(pf);
    if (!fOk)
        prgb->clear();
    return fOk;
}

bool FLoadProgramFile(const std::string &szPath, const FLASHRULES &rules, FLASHIMG *pimg, BITHDR *phdr)
{
    std::vector<uint8_t> rgbFile;
    pimg->cseg = 0;
    pimg->rgbData.clear();
    if (!FReadRawFile(szPath, &rgbFile))
        return false;
    std::string szEnd = szPath.size() >= 4 ? szPath.substr(szPath.size() - 4) : "";
    if (szEnd == ".mcs")
        return CbReadMcs(rgbFile.data(), rgbFile.size(), rules, pimg) != 0;
    if (szEnd == ".bit") {
        BITHDR hdr;
        BITHDR *phdrUse = phdr != nullptr ? phdr : &hdr;
        *phdrUse = BITHDR();
        if (!FReadBit(rgbFile.data(), rgbFile.size(), rules, phdrUse))
            return false;
        pimg->rgbData.swap(phdrUse->rgbData);
        OneRun(pimg, 0);
        return true;
    }
    pimg->rgbData.swap(rgbFile);
    OneRun(pimg, 0);
    return true;
}

bool FLoadDataFile(const std::string &szPath, uint32_t addr, FLASHIMG *pimg)
{
    pimg->cseg = 0;
    if (!FReadRawFile(szPath, &pimg->rgbData))
        return false;
    OneRun(pimg, addr);
    return true;
}

bool FMirrorBpiDown(FLASHIMG *pimg)
{
    for (int iseg = 0; iseg < pimg->cseg; iseg++) {
        const FLASHSEG &seg = pimg->rgseg[iseg];
        if (seg.addr > cbFlash32M || seg.cb > cbFlash32M - seg.addr)
            return false;
    }
    for (int iseg = 0; iseg < pimg->cseg; iseg++) {
        FLASHSEG &seg = pimg->rgseg[iseg];
        seg.addr = cbFlash32M - seg.addr - seg.cb;
        uint8_t *pb = pimg->rgbData.data() + (seg.pb - pimg->rgbData.data());
        for (uint32_t i = 0; i < seg.cb / 2; i++)
            std::swap(pb[i], pb[i % 2 == 0 ? seg.cb - i - 2 : seg.cb - i]);
    }
    return true;
}
