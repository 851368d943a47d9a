// Fuzz harnesses of the tokenizer (see tokfuzz.h).

#include "tokfuzz.h"

#include "tokenizer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool f, const char* szWhat)
{
    if (!f) {
        std::fprintf(stderr, "tokfuzz: %s\n", szWhat);
        std::abort();
    }
}

bool FKnownKind(uint32_t tkk)
{
    return tkk == tkkError || (tkk >= tkkEol && tkk <= tkkDigit && tkk != 3);
}

// Every record the stream hands out must be self-consistent.
void CheckToken(const TOKEN* ptok)
{
    Check(ptok != nullptr, "no current token");
    Check(FKnownKind(ptok->Kind()), "unknown kind");
    Check((ptok->Kind() == tkkError) == (ptok->Err() != tokerrNone), "kind 0 without error or error without kind 0");
    Check(ptok->Cch() >= 0 && ptok->Cch() <= cchTokMax, "text length out of range");
    Check(std::memchr(ptok->SzText(), '\0', cchTokMax + 1) != nullptr, "text not terminated");
    Check(std::strlen(ptok->SzText()) <= static_cast<size_t>(ptok->Cch()), "text longer than its count");
    switch (ptok->Kind()) {
    case tkkEol:
        Check(ptok->Cch() == 0, "end of line with text");
        break;
    case tkkOperator:
        Check(ptok->Opcode() <= tokopShrAssign, "operator code out of range");
        Check(ptok->Cch() >= 1 && ptok->Cch() <= 3, "operator text length");
        break;
    case tkkNumber:
        Check(ptok->Value() >= 0, "negative number");
        if (ptok->ValueType() == tokvtNumber)
            Check(ptok->Base() == 2 || ptok->Base() == 8 || ptok->Base() == 10 || ptok->Base() == 16, "base");
        else
            Check(ptok->ValueType() == tokvtChar && ptok->Cch() == 0, "character constant");
        break;
    case tkkDigit:
        Check(ptok->Value() >= 0 && ptok->Value() <= 15 && ptok->Cch() == 1, "single digit");
        break;
    case tkkIdent:
        Check(ptok->Cch() >= 1, "empty identifier");
        break;
    default:
        break;
    }
}

bool FWriteScratch(const uint8_t* pb, size_t cb, const char* szScratch)
{
    std::FILE* pf = std::fopen(szScratch, "wb");
    if (!pf)
        return false;
    bool fOk = cb == 0 || std::fwrite(pb, 1, cb, pf) == cb;
    return std::fclose(pf) == 0 && fOk;
}

bool FOpenScratch(TOKSTRM& strm, const uint8_t* pb, size_t cb, const char* szScratch, uint32_t opt, int cchLine)
{
    Check(FWriteScratch(pb, cb, szScratch), "cannot write the scratch file");
    return strm.FInit(cchLine) && strm.FSetPath(szScratch) && strm.FOpen() && strm.FSetOptions(opt);
}

// A walk takes at most a few steps per input byte; more means no progress.
struct STEPS {
    size_t cLeft;
    explicit STEPS(size_t cb) : cLeft(8 * cb + 64) {}
    void Step() { Check(cLeft-- > 0, "no progress"); }
};

bool FNext(TOKRDR& rdr, int kind)
{
    bool f = rdr.FNextToken(kind);
    if (f)
        CheckToken(rdr.PtokCur());
    return f;
}

} // namespace

void TokFuzzDevTbl(const uint8_t* pb, size_t cb, const char* szScratch)
{
    TOKSTRM strm;
    if (!FOpenScratch(strm, pb, cb, szScratch, 0x1100, 256))
        return;
    TOKRDR rdr;
    rdr.Attach(&strm);
    rdr.Reset();
    STEPS steps(cb);
    char szName[17] = "";
    while (!rdr.FIsEof()) {
        steps.Step();
        int32_t l = 0;
        uint16_t w1 = 0;
        uint16_t w2 = 0;
        if (rdr.FReadKeyInt("dtp", &l) || rdr.FReadKey("DVC"))
            continue;
        bool f = false;
        if (rdr.FReadKeyBool("fOn", &f))
            continue;
        if (!FNext(rdr, -1))
            Check(false, "no token");
        switch (rdr.Kind()) {
        case tkkEol:
            rdr.FNextLine();
            break;
        case tkkString:
            // Bounded copy into a fixed field, as the reader keeps its names.
            std::strncpy(szName, rdr.SzText(), sizeof(szName) - 1);
            break;
        case tkkColon:
            rdr.FReadU16Pair(&w1, &w2);
            break;
        case tkkOperator:
            rdr.FReadSigned(&l);
            break;
        default:
            break;
        }
    }
    strm.Close();
    strm.Term();
    rdr.Detach();
}

void TokFuzzDevList(const uint8_t* pb, size_t cb, const char* szScratch)
{
    TOKSTRM strm;
    if (!FOpenScratch(strm, pb, cb, szScratch, 0x1100, 256))
        return;
    TOKRDR rdr;
    rdr.Attach(&strm);
    rdr.Reset();
    STEPS steps(cb);
    int cDepth = 0;
    while (!rdr.FIsEof()) {
        steps.Step();
        if (FNext(rdr, tkkEol)) {
            rdr.FNextLine();
            continue;
        }
        if (FNext(rdr, tkkLBrace)) {
            cDepth++;
            continue;
        }
        if (FNext(rdr, tkkRBrace)) {
            cDepth--;
            continue;
        }
        if (FNext(rdr, tkkIdent)) {
            // An entry: a name and two numbers.
            if (FNext(rdr, tkkNumber))
                FNext(rdr, tkkNumber);
            continue;
        }
        Check(FNext(rdr, -1), "no token");
    }
    (void)cDepth;
    strm.Close();
    strm.Term();
}

void TokFuzzSvf(const uint8_t* pb, size_t cb, const char* szScratch)
{
    TOKSTRM strm;
    if (!FOpenScratch(strm, pb, cb, szScratch, 0x2400, 256))
        return;
    TOKRDR rdr;
    rdr.Attach(&strm);
    rdr.Reset();
    STEPS steps(cb);
    while (!rdr.FIsEof()) {
        steps.Step();
        Check(FNext(rdr, -1), "no token");
        switch (rdr.Kind()) {
        case tkkEol:
            rdr.FNextLine();
            break;
        case tkkLParen:
            Check(strm.FSetOptions(0x6400), "options refused");
            break;
        case tkkRParen:
            Check(strm.FSetOptions(0x2400), "options refused");
            break;
        case tkkNumber:
            // A length: give it back once and take it again, as the
            // statement parsers do when they look ahead.
            rdr.PushBack();
            Check(FNext(rdr, tkkNumber), "pushed-back number lost");
            break;
        default:
            break;
        }
    }
    strm.Close();
    strm.Term();
}

void TokFuzzOptions(const uint8_t* pb, size_t cb, const char* szScratch)
{
    if (cb < 2)
        return;
    uint32_t opt = (static_cast<uint32_t>(pb[0]) << 8) & tokoptMask;
    int cchLine = 1 + pb[1];
    pb += 2;
    cb -= 2;

    TOKSTRM strm;
    if (!FOpenScratch(strm, pb, cb, szScratch, opt, cchLine))
        return;
    TOKSTRM strmText;
    Check(strmText.FInit(0) && strmText.FSetOptions(opt), "text stream");
    STEPS steps(cb);
    while (strm.FReadLine()) {
        // The first token is given back once and must come again.
        strm.NextToken();
        CheckToken(strm.PtokCur());
        uint32_t tkkFirst = strm.PtokCur()->Kind();
        strm.PushBack();
        strm.NextToken();
        CheckToken(strm.PtokCur());
        Check(strm.PtokCur()->Kind() == tkkFirst, "pushed-back token lost");
        while (strm.PtokCur()->Kind() != tkkEol) {
            steps.Step();
            strm.NextToken();
            CheckToken(strm.PtokCur());
        }
    }
    Check(strm.FIsEof(), "line reading stopped before the end of the file");

    // The whole input (up to a NUL) as one text, scanned in place from a
    // copy of exactly its size.
    const void* pvNul = std::memchr(pb, 0, cb);
    size_t cch = pvNul ? static_cast<size_t>(static_cast<const uint8_t*>(pvNul) - pb) : cb;
    char* pchText = new char[cch + 1];
    std::memcpy(pchText, pb, cch);
    pchText[cch] = '\0';
    Check(strmText.FSetText(pchText), "text refused");
    for (;;) {
        steps.Step();
        strmText.NextToken();
        CheckToken(strmText.PtokCur());
        if (strmText.PtokCur()->Kind() == tkkEol)
            break;
    }
    strmText.Term();
    delete[] pchText;
    strm.Term();
}
