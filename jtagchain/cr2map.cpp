#include "cr2map.h"

#include <stdlib.h>
#include <string.h>

#include "rdfile.h"

namespace {

const size_t cbMapMax = 64u << 20;
const size_t cchCellMax = 31;

#if defined(_WIN32)
const char chSep = '\\';
#else
const char chSep = '/';
#endif

/* A number as a map writes it: digits, "_" and digits, or "<" digits ">". */
bool FNumber(const std::string &str, uint32_t *pn)
{
    size_t ich = 0, ichEnd = str.size();
    if (ich < ichEnd && str[ich] == '_')
        ich++;
    else if (ich < ichEnd && str[ich] == '<') {
        if (str[ichEnd - 1] != '>')
            return false;
        ich++;
        ichEnd--;
    }
    if (ich >= ichEnd || ichEnd - ich > 8)
        return false;
    uint32_t n = 0;
    for (; ich < ichEnd; ich++) {
        if (str[ich] < '0' || str[ich] > '9')
            return false;
        n = n * 10 + (uint32_t)(str[ich] - '0');
    }
    if (n > 0xFFFFFF)
        return false;
    *pn = n;
    return true;
}

bool FPrefixNumber(const std::string &str, const char *szPrefix, uint32_t *pn)
{
    size_t cch = strlen(szPrefix);
    return str.compare(0, cch, szPrefix) == 0 && str.size() > cch && FNumber(str.substr(cch), pn);
}

} // namespace

bool CPLDMAP::FAdd(uint32_t key, uint32_t line, uint32_t col)
{
    /* a repeated key keeps its first cell */
    if (!mpkeycell.emplace(key, ((uint64_t)line << 32) | col).second)
        return true;
    switch (key >> 24) {
    case mapcFuse: cFuse++; break;
    case mapcSpare: cSpare++; rgkeySpare.push_back(key); break;
    case mapcSec: cSec++; break;
    case mapcDone: cDone++; break;
    case mapcUser: cUser++; rgkeyUser.push_back(key); break;
    }
    return true;
}

bool CPLDMAP::FFind(uint32_t key, uint32_t *pline, uint32_t *pcol) const
{
    auto it = mpkeycell.find(key);
    if (it == mpkeycell.end())
        return false;
    *pline = (uint32_t)(it->second >> 32);
    *pcol = (uint32_t)it->second;
    return true;
}

bool CPLDMAP::FParse(const char *pch, size_t cch)
{
    mpkeycell.clear();
    rgkeySpare.clear();
    rgkeyUser.clear();
    cFuse = cSpare = cSec = cDone = cUser = 0;
    uint32_t line = 0, col = 0, ccolLine = 0;
    int colUser = -1;
    bool fCellEmpty = true;
    uint32_t nSpare = 0;
    size_t ich = 0;
    while (ich < cch && pch[ich] != '\0') {
        char ch = pch[ich];
        if (ch == '\r') {
            ich++;
        } else if (ch == '\t') {
            if (fCellEmpty)
                FAdd(KeyMap(mapcSpare, nSpare++), line, col);
            if (++col > 0xFFFF)
                return false;
            fCellEmpty = true;
            ich++;
        } else if (ch == '\n') {
            ich++;
            if (ich < cch && pch[ich] != '\0') {
                /* every line has the columns of the first */
                if (line == 0)
                    ccolLine = col + 1;
                else if (col + 1 != ccolLine)
                    return false;
                line++;
                col = 0;
                fCellEmpty = true;
            }
        } else {
            size_t ichEnd = ich;
            while (ichEnd < cch && pch[ichEnd] != '\t' && pch[ichEnd] != '\n' && pch[ichEnd] != '\r' &&
                   pch[ichEnd] != '\0')
                ichEnd++;
            if (ichEnd - ich > cchCellMax)
                return false;
            std::string str(pch + ich, ichEnd - ich);
            ich = ichEnd;
            fCellEmpty = false;
            bool fToggle = str[0] == ' ';
            if (fToggle)
                str.erase(0, 1);
            uint32_t n = 0;
            if (FPrefixNumber(str, "sec", &n) || FPrefixNumber(str, "sec_", &n))
                FAdd(KeyMap(mapcSec, n), line, col);
            else if (FPrefixNumber(str, "done", &n) || FPrefixNumber(str, "done_", &n))
                FAdd(KeyMap(mapcDone, n), line, col);
            else if (FPrefixNumber(str, "user", &n) || FPrefixNumber(str, "user_", &n))
                FAdd(KeyMap(mapcUser, n), line, col);
            else if (str == "user")
                ;   /* a label */
            else if (str == "spare")
                FAdd(KeyMap(mapcSpare, nSpare++), line, col);
            else if (FNumber(str, &n))
                FAdd(KeyMap(colUser == (int)col ? mapcUser : mapcFuse, n), line, col);
            else
                return false;
            if (fToggle)
                colUser = colUser < 0 ? (int)col : -1;
        }
    }
    if (line > 0 && col + 1 != ccolLine)
        return false;
    lineLast = line;
    colLast = col;
    return cFuse > 0;
}

bool CPLDMAP::FLoad(const std::string &strPath)
{
    std::vector<char> rgch;
    bool fOpened = false;
    if (strPath.empty() || !FReadWholeFile(strPath.c_str(), cbMapMax, rgch, &fOpened))
        return false;
    return FParse(rgch.data(), rgch.size());
}

std::string StrCpldMapDir(const char *szName, const char *szDataDir)
{
    bool fXbr = strncmp(szName, "XC2C", 4) == 0;
    bool fXpla = strncmp(szName, "XCR3", 4) == 0;
    if (!fXbr && !fXpla)
        return std::string();
    std::string strSub = fXbr ? "xbr" : "xpla3";
    const char *szXilinx = getenv("XILINX");
    if (szXilinx != nullptr && szXilinx[0] != '\0') {
        std::string str = szXilinx;
        if (str.back() != '/' && str.back() != '\\')
            str += chSep;
        return str + strSub + chSep + "data" + chSep;
    }
    return std::string(szDataDir) + strSub + chSep;
}
