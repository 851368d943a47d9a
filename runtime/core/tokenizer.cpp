// TOKSTRM: lifecycle, file and line reading, character give-back, token pool.
// The scanner itself is in tokscan.cpp, the parser's cursor in tokrdr.cpp.

#include "tokenizer.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

// State bits of the flag word, above the option bits.
const uint32_t fsEof = 0x01000000;
const uint32_t fsOpen = 0x02000000;
const uint32_t fsOwnBuf = 0x04000000;
const uint32_t fsInit = 0x08000000;
const uint32_t fsOptions = 0x0000FF00;

} // namespace

TOKSTRM::TOKSTRM()
    : fs(0), sts(tokstsOk), szPath(nullptr), pfile(nullptr), chLook(EOF), pchBuf(nullptr), cbBuf(0),
      pchLine(nullptr), cchLine(0), ich(-1), rgchBack(), cchBack(0), ptokCur(nullptr), ptokBack(nullptr),
      ptokPool(nullptr)
{
}

TOKSTRM::~TOKSTRM()
{
    Term();
}

bool TOKSTRM::FInit(int cchLineMax)
{
    if (cchLineMax > 0) {
        if (cchLineMax == INT_MAX)
            return false;
        char* pch = new (std::nothrow) char[static_cast<size_t>(cchLineMax) + 1];
        if (!pch)
            return false;
        delete[] pchBuf;
        pchBuf = pch;
        pchBuf[0] = '\0';
        cbBuf = cchLineMax + 1;
        fs |= fsOwnBuf;
    }
    Close();
    pchLine = pchBuf;
    cchLine = 0;
    ich = -1;
    cchBack = 0;
    fs |= fsInit;
    return true;
}

bool TOKSTRM::FSetPath(const char* szPathNew)
{
    char* sz = nullptr;
    if (szPathNew) {
        size_t cb = strlen(szPathNew) + 1;
        sz = new (std::nothrow) char[cb];
        if (!sz)
            return false;
        memcpy(sz, szPathNew, cb);
    }
    delete[] szPath;
    szPath = sz;
    return true;
}

bool TOKSTRM::FOpen()
{
    if (!szPath || !*szPath)
        return false;
    Close();
    // Read as bytes and let FReadLine fold CR LF itself, so that every
    // platform sees the same lines (a Windows C library's text mode also
    // ends the file at a Ctrl-Z). A file that is not there is created empty
    // (opened for appending and closed again) and then read: it has no lines.
    std::FILE* pf = std::fopen(szPath, "rb");
    if (!pf) {
        std::FILE* pfNew = std::fopen(szPath, "ab");
        if (!pfNew)
            return false;
        std::fclose(pfNew);
        pf = std::fopen(szPath, "rb");
        if (!pf)
            return false;
    }
    // Some systems open a directory for reading and fail only at the first
    // read: look at the first character now so that such a path fails here.
    int ch = std::getc(pf);
    if (ch == EOF && std::ferror(pf)) {
        std::fclose(pf);
        return false;
    }
    pfile = pf;
    chLook = ch;
    fs = (fs | fsOpen) & ~fsEof;
    return true;
}

bool TOKSTRM::FIsOpen() const
{
    return (fs & fsOpen) != 0;
}

bool TOKSTRM::FSetOptions(uint32_t opt)
{
    if (opt & ~tokoptMask)
        return false;
    fs = (fs & ~fsOptions) | opt;
    return true;
}

bool TOKSTRM::FSetText(const char* sz)
{
    if (!sz)
        return false;
    size_t cch = strlen(sz);
    if (cch >= static_cast<size_t>(INT_MAX))
        return false;
    if (pchBuf) {
        if (cch >= static_cast<size_t>(cbBuf))
            return false;
        DropLine();
        memcpy(pchBuf, sz, cch + 1);
        pchLine = pchBuf;
    } else {
        DropLine();
        pchLine = sz;
    }
    cchLine = static_cast<int>(cch);
    ich = 0;
    return true;
}

// The next character of the file, after the one looked ahead at.
int TOKSTRM::ChFile()
{
    if (chLook != EOF) {
        int ch = chLook;
        chLook = EOF;
        return ch;
    }
    return std::getc(pfile);
}

bool TOKSTRM::FReadLine()
{
    // Tokens given back stay for the next request; characters given back
    // belong to the old line.
    cchBack = 0;
    ich = 0;
    sts = tokstsOk;
    cchLine = 0;
    pchLine = pchBuf;
    if (!pfile) {
        sts = tokstsNoFile;
        if (pchBuf)
            pchBuf[0] = '\0';
        return false;
    }
    if (!pchBuf) {
        // No line buffer (FInit(0)): nothing can be read into it.
        sts = tokstsReadError;
        fs |= fsEof;
        return false;
    }

    int cchMax = cbBuf - 1;
    bool fAny = false;     // a character of this line (line feed included) was read
    bool fEnd = false;     // the line ended at a line feed
    int cch = 0;
    while (cch < cchMax) {
        int ch = ChFile();
        if (ch == EOF)
            break;
        fAny = true;
        if (ch == '\n') {
            fEnd = true;
            break;
        }
        if (ch == '\r') {
            // CR LF (or a CR that ends the file) ends the line like LF.
            int chNext = ChFile();
            if (chNext == '\n' || chNext == EOF) {
                fEnd = true;
                break;
            }
            chLook = chNext;
        }
        pchBuf[cch++] = static_cast<char>(ch);
    }
    // A full buffer cuts the line; the rest, even if it is only the line
    // feed, is read as the next line.
    pchBuf[cch] = '\0';
    cchLine = cch;

    if (!fAny && !fEnd) {
        // Nothing was read: the end of the file, or a read error.
        if (std::ferror(pfile)) {
            sts = tokstsReadError;
        } else {
            sts = tokstsEof;
        }
        // A failed read also ends the file for the parser, so that a reader
        // looping until FIsEof stops.
        fs |= fsEof;
        return false;
    }
    if (std::ferror(pfile)) {
        sts = tokstsReadError;
        fs |= fsEof;
        return false;
    }
    return true;
}

void TOKSTRM::NextToken()
{
    if (ptokCur) {
        ReleaseTok(ptokCur);
        ptokCur = nullptr;
    }
    if (ptokBack) {
        ptokCur = ptokBack;
        ptokBack = ptokBack->ptokLink;
        ptokCur->ptokLink = nullptr;
        return;
    }
    TOKEN* ptok = PtokGet();
    if (!ptok)
        return;
    ptokCur = ptok;
    if (ich < 0) {
        // No line yet: read the first one. Without a file, or when there is
        // no line to read, the token is an end of line.
        if (!pfile || !FReadLine()) {
            ptok->tkk = tkkEol;
            return;
        }
    }
    ScanToken(ptok);
}

void TOKSTRM::PushBack()
{
    if (!ptokCur)
        return;
    ptokCur->ptokLink = ptokBack;
    ptokBack = ptokCur;
    ptokCur = nullptr;
}

bool TOKSTRM::FIsEof() const
{
    return (fs & fsEof) != 0;
}

void TOKSTRM::Reset()
{
    if (ptokCur) {
        ReleaseTok(ptokCur);
        ptokCur = nullptr;
    }
    ReleaseTokList(ptokBack);
    ptokBack = nullptr;
    ich = -1;
    cchLine = 0;
    cchBack = 0;
    fs &= ~fsEof;
}

void TOKSTRM::Close()
{
    if (pfile) {
        std::fclose(pfile);
        pfile = nullptr;
    }
    chLook = EOF;
    fs &= ~(fsEof | fsOpen);
}

void TOKSTRM::Term()
{
    Reset();
    while (ptokPool) {
        TOKEN* ptok = ptokPool;
        ptokPool = ptok->ptokLink;
        delete ptok;
    }
    delete[] pchBuf;
    pchBuf = nullptr;
    cbBuf = 0;
    pchLine = nullptr;
    delete[] szPath;
    szPath = nullptr;
    Close();
    fs = 0;
    sts = tokstsOk;
}

// Character level. The read position stays at the end of the line, so that
// every later read answers NUL (end of line) until a new line is read.
int TOKSTRM::ChRead()
{
    if (cchBack > 0)
        return static_cast<unsigned char>(rgchBack[--cchBack]);
    if (!pchLine || ich < 0 || ich >= cchLine)
        return 0;
    unsigned char ch = static_cast<unsigned char>(pchLine[ich]);
    if (ch == 0)
        return 0;
    ich++;
    return ch;
}

void TOKSTRM::UnreadCh(int ch)
{
    // The end of the line needs no giving back; a full give-back drops it.
    if (ch == 0 || cchBack >= cchTokPushBack)
        return;
    rgchBack[cchBack++] = static_cast<char>(ch);
}

// A new line replaces the current one: what was given back from it, characters
// and tokens alike, belongs to the old line and goes.
void TOKSTRM::DropLine()
{
    cchBack = 0;
    ReleaseTokList(ptokBack);
    ptokBack = nullptr;
}

void TOKSTRM::DiscardRestOfLine()
{
    cchBack = 0;
    if (ich >= 0)
        ich = cchLine;
}

TOKEN* TOKSTRM::PtokGet()
{
    TOKEN* ptok = ptokPool;
    if (ptok) {
        ptokPool = ptok->ptokLink;
    } else {
        ptok = new (std::nothrow) TOKEN();
        if (!ptok)
            return nullptr;
    }
    // Nothing of an earlier token survives into the new one.
    *ptok = TOKEN();
    return ptok;
}

void TOKSTRM::ReleaseTok(TOKEN* ptok)
{
    ptok->ptokLink = ptokPool;
    ptokPool = ptok;
}

void TOKSTRM::ReleaseTokList(TOKEN* ptok)
{
    while (ptok) {
        TOKEN* ptokNext = ptok->ptokLink;
        ReleaseTok(ptok);
        ptok = ptokNext;
    }
}
