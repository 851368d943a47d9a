#include "cr2gen.h"

#include <stdio.h>

#include <algorithm>

namespace {

const std::vector<CR2PART> rgpart = {
    {"XC2C32", 50, 260, 6, 250, 12274},   {"XC2C32A", 50, 260, 6, 250, 12274},
    {"XC2C64", 98, 274, 7, 265, 25808},   {"XC2C64A", 98, 274, 7, 265, 25812},
    {"XC2C128", 82, 752, 7, 743, 55341},  {"XC2C256", 98, 1364, 7, 1355, 123249},
    {"XC2C384", 122, 1868, 7, 1859, 209357}, {"XC2C512", 162, 1980, 8, 1971, 296393},
};

/* Parts whose rows have fixed cells: cells 0 and L, and the middle two of the larger parts. */
bool FBigPart(const CR2PART &part)
{
    return part.cbitRow > 300;
}

bool FFixedCells(const CR2PART &part)
{
    return FBigPart(part) || part.cbitRow == 260;
}

} // namespace

const std::vector<CR2PART> &RgpartCr2() { return rgpart; }

const CR2PART *PpartCr2(const std::string &strName)
{
    for (auto &part : rgpart)
        if (strName == part.szName)
            return &part;
    return nullptr;
}

CR2LAYOUT LayoutCr2(const CR2PART &part)
{
    CR2LAYOUT lay;
    unsigned L = part.cbitRow - 1, K = part.crow - 1, g = (L + 1) / 2;
    lay.rgrgifuse.assign(part.crow, std::vector<int>(part.cbitRow, -1));
    lay.rgrgkind.assign(part.crow, std::vector<CR2CELL>(part.cbitRow, cr2Spare));
    lay.rgrgn.assign(part.crow, std::vector<int>(part.cbitRow, 0));
    std::vector<std::pair<unsigned, unsigned>> rgcellFree;
    for (unsigned irow = 0; irow < part.crow; irow++) {
        for (unsigned k = 0; k < part.cbitRow; k++) {
            unsigned l = L - k;
            CR2CELL kind = cr2Fuse;
            int n = 0;
            if (FFixedCells(part) && (l == 0 || l == L || (FBigPart(part) && (l == g - 1 || l == g))))
                kind = cr2Fixed;
            else if (irow == K && k >= 8 && k < 15)
                kind = cr2Sec, n = (int)k - 8;
            else if (irow == K && k >= 20 && k < 52)
                kind = cr2User, n = (int)k - 20;
            else if (irow == K - 1 && (k == part.ibitDone || k == part.ibitDone + 1))
                kind = cr2Done, n = k == part.ibitDone ? 1 : 0;
            lay.rgrgkind[irow][k] = kind;
            lay.rgrgn[irow][k] = n;
            if (kind == cr2Fuse)
                rgcellFree.push_back({irow, k});
        }
    }
    /* a fixed shuffle of the cells; the first cfuse of them take the fuses in order */
    uint32_t x = 0x2C2C2C2Cu ^ part.cbitRow;
    for (size_t i = rgcellFree.size(); i > 1; i--) {
        x = x * 1664525u + 1013904223u;
        std::swap(rgcellFree[i - 1], rgcellFree[(x >> 8) % i]);
    }
    for (size_t i = 0; i < rgcellFree.size(); i++) {
        auto cell = rgcellFree[i];
        if (i < part.cfuse)
            lay.rgrgifuse[cell.first][cell.second] = (int)i;
        else
            lay.rgrgkind[cell.first][cell.second] = cr2Spare;
    }
    return lay;
}

std::string StrCr2Map(const CR2PART &part)
{
    CR2LAYOUT lay = LayoutCr2(part);
    unsigned L = part.cbitRow - 1;
    std::string str;
    char sz[32];
    unsigned cSpare = 0;
    for (unsigned l = 0; l <= L; l++) {
        unsigned k = L - l;
        for (unsigned irow = 0; irow < part.crow; irow++) {
            if (irow != 0)
                str += '\t';
            int ifuse = lay.rgrgifuse[irow][k];
            int n = lay.rgrgn[irow][k];
            switch (lay.rgrgkind[irow][k]) {
            case cr2Fuse:
                /* the three forms of a number a map may hold */
                snprintf(sz, sizeof(sz), ifuse % 7 == 3 ? "_%d" : ifuse % 11 == 5 ? "<%d>" : "%d", ifuse);
                str += sz;
                break;
            case cr2Sec:
                str += "sec_" + std::to_string(n);
                break;
            case cr2Done:
                str += "done_" + std::to_string(n);
                break;
            case cr2User:
                str += "user" + std::to_string(n);
                break;
            case cr2Spare:
            case cr2Fixed:
                /* spare cells: the word, or an empty cell (not the row's last) */
                if (cSpare++ % 2 == 0 || irow + 1 == part.crow)
                    str += "spare";
                break;
            }
        }
        if (l != L)
            str += '\n';
    }
    return str;
}

std::string StrJedec(const std::string &strDevice, const std::vector<uint8_t> &rgfuse, bool fCrlf)
{
    const char *szEol = fCrlf ? "\r\n" : "\n";
    std::string str = "Programmer Jedec Bit Map";
    str += szEol;
    str += "Date Extracted: Thu Dec 10 12:00:00 2026";
    str += szEol;
    str += szEol;
    std::string strBody = "\x02QF" + std::to_string(rgfuse.size()) + "*" + szEol + "QP100*" + szEol + "QV0*" +
                          szEol + "F0*" + szEol + "X0*" + szEol + "J0 0*" + szEol + "N VERSION P.20131013*" +
                          szEol + "N DEVICE " + strDevice + "-7-VQ100*" + szEol + szEol;
    char sz[32];
    size_t cfuseLine = 16;
    for (size_t ifuse = 0; ifuse < rgfuse.size();) {
        if (ifuse % 1024 == 0)
            strBody += std::string("Note Block ") + std::to_string(ifuse / 1024) + " *" + szEol;
        snprintf(sz, sizeof(sz), "L%06zu ", ifuse);
        strBody += sz;
        /* every 64th field runs over 40 fuses and wraps, as long fields do */
        size_t cfuse = (ifuse / 16) % 64 == 63 ? 40 : cfuseLine;
        for (size_t k = 0; k < cfuse && ifuse < rgfuse.size(); k++, ifuse++) {
            if (k == 24)
                strBody += szEol;
            strBody += rgfuse[ifuse] ? '1' : '0';
        }
        strBody += "*";
        strBody += szEol;
    }
    unsigned sum = 0;
    for (size_t ifuse = 0; ifuse < rgfuse.size(); ifuse += 8) {
        unsigned w = 0;
        for (size_t k = 0; k < 8 && ifuse + k < rgfuse.size(); k++)
            w |= (rgfuse[ifuse + k] ? 1u : 0u) << k;
        sum += w;
    }
    snprintf(sz, sizeof(sz), "C%04X*", sum & 0xFFFF);
    strBody += sz;
    strBody += szEol;
    strBody += '\x03';
    unsigned sumTx = 0;
    for (unsigned char ch : strBody)
        sumTx += ch;
    snprintf(sz, sizeof(sz), "%04X", sumTx & 0xFFFF);
    return str + strBody + sz + szEol;
}

std::vector<uint8_t> RowProgrammed(const CR2PART &part, const CR2LAYOUT &lay, const std::vector<uint8_t> &rgfuse,
                                   unsigned irow, int ipattern)
{
    static const uint8_t rgrgsec[4][7] = {
        {1, 1, 1, 1, 1, 1, 1}, {0, 1, 0, 1, 0, 1, 0}, {0, 0, 1, 0, 1, 0, 0}, {1, 1, 0, 1, 0, 1, 1}};
    std::vector<uint8_t> row(part.cbitRow);
    for (unsigned k = 0; k < part.cbitRow; k++) {
        int n = lay.rgrgn[irow][k];
        switch (lay.rgrgkind[irow][k]) {
        case cr2Fuse: row[k] = rgfuse[lay.rgrgifuse[irow][k]]; break;
        case cr2Sec: row[k] = rgrgsec[ipattern & 3][n]; break;
        case cr2Done: row[k] = n == 0; break;
        case cr2Fixed: row[k] = irow == part.crow - 2; break;
        case cr2Spare:
        case cr2User: row[k] = 1; break;
        }
    }
    return row;
}

std::vector<uint8_t> RgfuseOfSeed(size_t cfuse, uint32_t seed)
{
    std::vector<uint8_t> rgfuse(cfuse);
    for (size_t i = 0; i < cfuse; i++) {
        seed = seed * 1103515245u + 12345u;
        rgfuse[i] = (seed >> 13) % 5 != 0;
    }
    return rgfuse;
}
