#include "dvclist.h"

#include <stdio.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "schain.h"
#include "sztext.h"
#include "tokenizer.h"

const char szDvcListFile[] = "briseldvclist.txt";

namespace {

const int cchDvcListLine = 256;
const uint32_t optDvcList = tokoptAsm | tokoptDollarIdent;   /* 0x1100 */
const int cchPatternMax = 63;
const int cchNamePartMax = 16;

/* One token of a line, copied out of the stream. */
struct LTOK {
    uint32_t tkk;
    uint32_t opc;
    bool fNumber;          /* a number without error */
    uint32_t val;
    std::string str;
};

typedef std::vector<LTOK> LINE;
typedef std::vector<LINE> LINES;

/* The device list's file read through the tokenizer, line by line, each
 * line as its tokens. */
class DVCLFILE {
public:
    DVCLFILE() : fFirst(true), fEnd(false) {}
    ~DVCLFILE()
    {
        rdr.Detach();
        strm.Close();
        strm.Term();
    }
    bool FOpen(const char *szPath)
    {
        /* The stream would create a missing file empty; the device list is
         * data of the installation, which a reader leaves as it is. */
        FILE *pfile = szPath ? fopen(szPath, "rb") : nullptr;
        if (pfile == nullptr)
            return false;
        fclose(pfile);
        if (!strm.FInit(cchDvcListLine) || !strm.FSetPath(szPath) || !strm.FOpen() ||
            !strm.FSetOptions(optDvcList))
            return false;
        rdr.Attach(&strm);
        return true;
    }
    /* The next line's tokens (end of line not included); false at the end of the file. */
    bool FNextLine(LINE &rgltok)
    {
        rgltok.clear();
        if (fEnd)
            return false;
        if (!fFirst && !rdr.FNextLine()) {
            fEnd = true;
            return false;
        }
        fFirst = false;
        for (int ctok = 0; ctok < cchDvcListLine + 1; ctok++) {
            rdr.FNextToken(-1);
            const TOKEN *ptok = rdr.PtokCur();
            if (ptok == nullptr || ptok->Kind() == tkkEol)
                break;
            LTOK ltok;
            ltok.tkk = ptok->Kind();
            ltok.opc = ptok->Opcode();
            ltok.fNumber = ptok->Kind() == tkkNumber && ptok->Err() == tokerrNone && ptok->ValueType() == tokvtNumber;
            ltok.val = (uint32_t)ptok->Value();
            ltok.str = ptok->SzText();
            rgltok.push_back(ltok);
        }
        if (rdr.FIsEof() && rgltok.empty()) {
            fEnd = true;
            return false;
        }
        return true;
    }
private:
    TOKSTRM strm;
    TOKRDR rdr;
    bool fFirst;
    bool fEnd;
};

/* The file's identity: a change of contents changes its time or size. */
struct FILESTAMP {
    std::filesystem::file_time_type time;
    uintmax_t cb;
    bool operator==(const FILESTAMP &o) const { return time == o.time && cb == o.cb; }
};

bool FStamp(const std::string &strPath, FILESTAMP *pstamp)
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::u8path(strPath);
    pstamp->time = std::filesystem::last_write_time(path, ec);
    if (ec)
        return false;
    pstamp->cb = std::filesystem::file_size(path, ec);
    return !ec;
}

/* The lines of the device list, read once and kept until the file changes
 * (every identification looks IDCODEs up in it). */
std::shared_ptr<const LINES> PlinesDvcList(const char *szPath)
{
    static std::mutex mtx;
    static std::string strPathCached;
    static FILESTAMP stampCached;
    static std::shared_ptr<const LINES> plinesCached;
    if (szPath == nullptr)
        return nullptr;
    FILESTAMP stamp;
    bool fStamp = FStamp(szPath, &stamp);
    {
        std::lock_guard<std::mutex> lock(mtx);
        if (fStamp && plinesCached != nullptr && strPathCached == szPath && stampCached == stamp)
            return plinesCached;
    }
    DVCLFILE file;
    if (!file.FOpen(szPath))
        return nullptr;
    auto plines = std::make_shared<LINES>();
    LINE line;
    while (file.FNextLine(line))
        plines->push_back(line);
    /* Kept only when the file stayed the same while it was read, and was
     * last written a while ago: file times are coarse, so a file written
     * again within the same tick with the same size would look unchanged. */
    FILESTAMP stampAfter;
    bool fSettled = stamp.time + std::chrono::seconds(2) < std::filesystem::file_time_type::clock::now();
    if (fStamp && fSettled && FStamp(szPath, &stampAfter) && stampAfter == stamp) {
        std::lock_guard<std::mutex> lock(mtx);
        strPathCached = szPath;
        stampCached = stamp;
        plinesCached = plines;
    }
    return plines;
}

/* The device list line by line from its top. */
class DVCLRDR {
public:
    bool FOpen(const char *szPath)
    {
        plines = PlinesDvcList(szPath);
        iline = 0;
        return plines != nullptr;
    }
    bool FNextLine(LINE &rgltok)
    {
        if (plines == nullptr || iline >= plines->size()) {
            rgltok.clear();
            return false;
        }
        rgltok = (*plines)[iline++];
        return true;
    }
private:
    std::shared_ptr<const LINES> plines;
    size_t iline = 0;
};



bool FIdent(const LINE &line, size_t i, const char *sz)
{
    return i < line.size() && line[i].tkk == tkkIdent && SzCompareNoCase(line[i].str.c_str(), sz) == 0;
}

bool FIsIdent(const LINE &line, size_t i) { return i < line.size() && line[i].tkk == tkkIdent; }

bool FNumber(const LINE &line, size_t i) { return i < line.size() && line[i].fNumber; }

/* A line naming a block: "name {" with nothing after the brace. */
bool FOpensBlock(const LINE &line, size_t itokName)
{
    return line.size() == itokName + 2 && line[itokName + 1].tkk == tkkLBrace;
}

bool FClosesBlock(const LINE &line) { return !line.empty() && line[0].tkk == tkkRBrace; }

bool FEndsWithBrace(const LINE &line) { return !line.empty() && line.back().tkk == tkkLBrace; }

/* Pass over the rest of a block whose opening line was just read. */
bool FSkipBlock(DVCLRDR &dvclrdr)
{
    LINE line;
    int cDepth = 1;
    while (dvclrdr.FNextLine(line)) {
        if (FClosesBlock(line))
            cDepth--;
        else if (FEndsWithBrace(line))
            cDepth++;
        if (cDepth == 0)
            return true;
    }
    return false;
}

/* Entries "name value mask" of a block: the first whose (x and mask) = value.
 * The block is read to its closing line. */
enum { matchFound, matchUnknown, matchClosed, matchEof };
int MatchEntries(DVCLRDR &dvclrdr, uint32_t idcode, std::string *pstrName)
{
    LINE line;
    int match = matchClosed;
    while (dvclrdr.FNextLine(line)) {
        if (FClosesBlock(line))
            return match;
        if (match != matchClosed || !FIsIdent(line, 0))
            continue;
        if (FIdent(line, 0, "UNKNOWN")) {
            match = matchUnknown;
        } else if (FNumber(line, 1) && FNumber(line, 2) && (idcode & line[2].val) == line[1].val) {
            *pstrName = line[0].str;
            match = matchFound;
        }
    }
    return match == matchFound ? matchFound : matchEof;
}

std::string StrDataPath(const SCHAIN *pschain)
{
    return std::string(pschain->szDataDir) + szDvcListFile;
}

/* Device name: the pattern with "$" replaced by the name part, cut to fit szName. */
void BuildName(const std::string &strPattern, const std::string &strPart, char *szName)
{
    std::string str;
    for (char ch : strPattern) {
        if (ch == '$')
            str += strPart;
        else
            str.push_back(ch);
    }
    SzCopyBounded(szName, str.c_str(), cchJtdvcName);
}

/* Read a family section after its opening line: the record of x, or null. */
SCDVC *PscdvcReadFamily(DVCLRDR &dvclrdr, SCHAIN *pschain, uint32_t idcode, const std::string &strPattern)
{
    SCDVC *pscdvc = nullptr;
    LINE line;
    while (dvclrdr.FNextLine(line)) {
        if (FClosesBlock(line))
            break;   /* the section ended before its DEVICES block */
        if (FIdent(line, 0, "TYPE") || FIdent(line, 0, "IRLEN") || FIdent(line, 0, "ALG")) {
            size_t itokEq = 1;
            while (itokEq < line.size() && !(line[itokEq].tkk == tkkOperator && line[itokEq].opc == tokopAssign))
                itokEq++;
            if (itokEq >= line.size())
                continue;
            if (FIdent(line, 0, "TYPE")) {
                delete pscdvc;
                pscdvc = FIsIdent(line, itokEq + 1) ? PscdvcNewFromTypeName(pschain, line[itokEq + 1].str.c_str())
                                                    : nullptr;
            } else if (pscdvc != nullptr && FNumber(line, itokEq + 1)) {
                (FIdent(line, 0, "IRLEN") ? pscdvc->cbitIr : pscdvc->alg) = (int32_t)line[itokEq + 1].val;
            }
        } else if (FIdent(line, 0, "COMMANDS")) {
            if (!FOpensBlock(line, 0))
                break;
            while (dvclrdr.FNextLine(line) && !FClosesBlock(line)) {
                uint32_t *pop = (pscdvc != nullptr && FIsIdent(line, 0)) ? pscdvc->POpFromName(line[0].str.c_str())
                                                                        : nullptr;
                if (pop != nullptr && FNumber(line, 1))
                    *pop = line[1].val;
            }
        } else if (FIdent(line, 0, "DEVICES")) {
            if (!FOpensBlock(line, 0) || pscdvc == nullptr)
                break;
            std::string strPart = " ? ";
            while (dvclrdr.FNextLine(line) && !FClosesBlock(line)) {
                if (FNumber(line, 0) && FNumber(line, 1) && FNumber(line, 2) &&
                    (idcode & line[2].val) == (line[1].val & line[2].val)) {
                    strPart = line[0].str;
                    break;
                }
            }
            BuildName(strPattern, strPart, pscdvc->pjtdvc->szName);
            return pscdvc;
        }
    }
    delete pscdvc;
    return nullptr;
}

} // namespace

bool FMatchPartPattern(const char *szPattern, const char *szPart, char *szNamePart)
{
    bool fDigits = false;
    szNamePart[0] = '\0';
    for (;;) {
        if (*szPattern == '\0' || *szPart == '\0')
            return fDigits;
        if (*szPattern == '$') {
            int cch = 0;
            while (FDecimalDigit(szPart[cch]))
                cch++;
            if (cch == 0 || cch > cchNamePartMax)
                return false;
            for (int ich = 0; ich < cch; ich++)
                szNamePart[ich] = szPart[ich];
            szNamePart[cch] = '\0';
            fDigits = true;
            szPart += cch;
            szPattern++;
            continue;
        }
        if (ChCompareNoCase(*szPattern, *szPart) != 0)
            return false;
        szPattern++;
        szPart++;
    }
}

SCDVC *IdentifyIdcode(SCHAIN *pschain, uint32_t idcode)
{
    DVCLRDR dvclrdr;
    if (!dvclrdr.FOpen(StrDataPath(pschain).c_str()))
        return nullptr;
    LINE line;

    /* Vendor block. */
    for (;;) {
        if (!dvclrdr.FNextLine(line))
            return nullptr;
        size_t itok = 0;
        while (itok < line.size() && !FIdent(line, itok, "VENDOR"))
            itok++;
        if (itok < line.size()) {
            if (!FOpensBlock(line, itok))
                return nullptr;
            break;
        }
    }
    std::string strVendor;
    if (MatchEntries(dvclrdr, idcode, &strVendor) != matchFound)
        return PscdvcNewUnknown(pschain);

    /* Vendor section. */
    for (;;) {
        if (!dvclrdr.FNextLine(line))
            return PscdvcNewUnknown(pschain);
        size_t itok = 0;
        while (itok < line.size() && !FIdent(line, itok, strVendor.c_str()))
            itok++;
        if (itok < line.size()) {
            if (!FOpensBlock(line, itok))
                return nullptr;
            break;
        }
    }
    std::string strFamily;
    bool fFamily = false;
    while (dvclrdr.FNextLine(line)) {
        if (FClosesBlock(line))
            return nullptr;   /* end of the vendor section */
        if (FIdent(line, 0, "FAMILY")) {
            if (!FOpensBlock(line, 0))
                return nullptr;
            int match = MatchEntries(dvclrdr, idcode, &strFamily);
            if (match == matchEof)
                return nullptr;
            if (match != matchFound)
                strFamily = "UNKNOWN";
            fFamily = true;
            continue;
        }
        if (fFamily && FIdent(line, 0, strFamily.c_str())) {
            if (!FOpensBlock(line, 0))
                return nullptr;
            if (strFamily.size() > (size_t)cchPatternMax)
                return nullptr;
            return PscdvcReadFamily(dvclrdr, pschain, idcode, strFamily);
        }
        if (FEndsWithBrace(line) && !FSkipBlock(dvclrdr))
            return nullptr;
    }
    return nullptr;
}

uint32_t LookupPartIdcode(SCHAIN *pschain, const char *szPart, uint32_t *pmask)
{
    DVCLRDR dvclrdr;
    if (szPart == nullptr || !dvclrdr.FOpen(StrDataPath(pschain).c_str()))
        return 0;
    LINE line;

    /* Pass over the vendor block. */
    for (;;) {
        if (!dvclrdr.FNextLine(line))
            return 0;
        if (FIdent(line, 0, "VENDOR")) {
            if (!FOpensBlock(line, 0) || !FSkipBlock(dvclrdr))
                return 0;
            break;
        }
    }
    /* The Xilinx section, its family block first. */
    for (;;) {
        if (!dvclrdr.FNextLine(line))
            return 0;
        if (FIdent(line, 0, "XILINX"))
            break;
    }
    if (!FOpensBlock(line, 0) || !dvclrdr.FNextLine(line) || !FIdent(line, 0, "FAMILY") || !FOpensBlock(line, 0) ||
        !FSkipBlock(dvclrdr))
        return 0;

    /* Family sections in file order. */
    char szNamePart[cchNamePartMax + 1];
    for (;;) {
        if (!dvclrdr.FNextLine(line) || FClosesBlock(line))
            return 0;
        if (!FIsIdent(line, 0) || !FOpensBlock(line, 0))
            continue;
        if (FIdent(line, 0, "UNKNOWN"))
            return 0;
        if (line[0].str.size() <= (size_t)cchPatternMax &&
            FMatchPartPattern(line[0].str.c_str(), szPart, szNamePart))
            break;
        if (!FSkipBlock(dvclrdr))
            return 0;
    }
    /* Its DEVICES block: the entry of the name part. */
    int cDepth = 1;
    while (dvclrdr.FNextLine(line)) {
        if (FClosesBlock(line)) {
            if (--cDepth == 0)
                return 0;
            continue;
        }
        if (FIdent(line, 0, "DEVICES")) {
            if (!FOpensBlock(line, 0))
                return 0;
            while (dvclrdr.FNextLine(line) && !FClosesBlock(line)) {
                if (!line.empty() && line[0].tkk == tkkNumber && SzCompareNoCase(line[0].str.c_str(), szNamePart) == 0 &&
                    FNumber(line, 1) && FNumber(line, 2)) {
                    *pmask = line[2].val;
                    return line[1].val;
                }
            }
            return 0;
        }
        if (FEndsWithBrace(line))
            cDepth++;
    }
    return 0;
}
