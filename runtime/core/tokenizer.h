// Line-oriented tokenizer for the suite's small hand-written parsers.
//
// One source serves the runtime's device-table reader and the scan-chain
// library's device-list and SVF readers. Each reader picks its lexical
// conventions through an option word, which it may change between tokens:
//
//   device table, device list   0x1100   (assembler numbers, ";" comments, "$" in names)
//   SVF                         0x2400   (C numbers and operators, "//" comments, upper case)
//   SVF data between "(" ")"    0x6400   (every hexadecimal digit is a token of its own)
//
// Three parts:
//   TOKSTRM  the stream: reads its file one line at a time into a fixed line
//            buffer and scans tokens from the current line; never crosses a
//            line end by itself (end of line is a token, repeated until the
//            parser reads the next line).
//   TOKEN    one token record; records are pooled and recycled by the stream.
//   TOKRDR   the parser's cursor: next token (optionally of an expected kind,
//            pushed back when it is not), the next line, and small helpers for
//            numbers and "key = value" lines.
//
// Lexical errors never stop scanning: the token comes back with kind
// tkkError and its error code, and scanning goes on right after it.
//
// Not thread-safe: a stream and its reader belong to one parser at a time.

#pragma once

#include <cstdint>
#include <cstdio>

// Token kinds (TOKEN::Kind).
enum : uint32_t {
    tkkError = 0,       // any token whose error code is nonzero
    tkkEol = 2,         // end of line, of the scanned text, or a comment to the end of the line
    tkkIdent = 4,       // identifier
    tkkString = 5,      // text in double quotes (without them)
    tkkNumber = 6,      // number (value type 1) or character constant (value type 2)
    tkkOperator = 7,    // operator, code in TOKEN::Opcode
    tkkColon = 8,       // ":"
    tkkSemicolon = 9,   // ";" (only while no option makes ";" a comment)
    tkkComma = 10,      // ","
    tkkDollar = 11,     // "$" (only without tokoptDollarIdent)
    tkkHash = 12,       // "#"
    tkkLParen = 13,     // "("
    tkkRParen = 14,     // ")"
    tkkLBracket = 15,   // "["
    tkkRBracket = 16,   // "]"
    tkkLBrace = 17,     // "{"
    tkkRBrace = 18,     // "}"
    tkkDigit = 19,      // one hexadecimal digit (tokoptHexDigits), value 0 to 15
};

// Token error codes (TOKEN::Err).
enum : uint32_t {
    tokerrNone = 0,
    tokerrChar = 1,       // a character that starts no token
    tokerrTooLong = 3,    // more than cchTokMax characters; the extra ones are dropped
    tokerrString = 4,     // string not closed before the end of the line
    tokerrNumber = 5,     // number text not wholly a number of its base
    tokerrCharConst = 6,  // character constant not closed
};

// Value types (TOKEN::ValueType).
enum : uint32_t {
    tokvtNone = 0,
    tokvtNumber = 1,      // converted from the token's text in TOKEN::Base
    tokvtChar = 2,        // character constant (the text stays empty)
};

// Option bits (TOKSTRM::FSetOptions). Only bits inside tokoptMask are accepted.
enum : uint32_t {
    // Assembler style: ";" comments; numbers start with a decimal digit, go on
    // with hexadecimal digits and take a suffix h/H (16), o/O/q/Q (8), b/B (2)
    // or none (10), where a "b" directly before "h" is a digit; "?" in
    // identifiers; character constants of one or two characters.
    tokoptAsm = 0x0100,
    // ";" comments and "*" comment lines; numbers: decimal, "$" + hex, "@" +
    // octal; character constant of one character, closing quote optional.
    tokoptAsmAlt = 0x0200,
    // Expression style: "//" comments; numbers 0x/0X hex, 0 octal, decimal;
    // every operator; C character constants of one character. Its number and
    // character-constant forms win over those of the two styles above.
    tokoptExpr = 0x0400,
    tokoptReserved = 0x0800,      // no effect
    tokoptDollarIdent = 0x1000,   // "$" is an identifier character, not tkkDollar
    tokoptUpper = 0x2000,         // identifiers in upper case (a to z only)
    tokoptHexDigits = 0x4000,     // each hex digit that would start a token is a tkkDigit
    tokoptMask = 0x7F00,
};

// Operator codes (TOKEN::Opcode of a tkkOperator). "Expr" marks the forms that
// exist only with tokoptExpr; without it the first character alone is the
// operator, and "^", "~" and "?" are no operators at all.
enum : uint32_t {
    tokopAdd = 0,        // +
    tokopSub = 1,        // -
    tokopMul = 2,        // *
    tokopDiv = 3,        // /
    tokopXor = 4,        // ^   Expr
    tokopCompl = 5,      // ~   Expr
    tokopNot = 6,        // !
    tokopAnd = 7,        // &
    tokopOr = 8,         // |
    tokopDot = 9,        // .
    tokopMod = 10,       // %
    tokopQuestion = 11,  // ?   Expr
    tokopLogAnd = 12,    // &&
    tokopLogOr = 13,     // ||
    tokopShl = 14,       // <<
    tokopShr = 15,       // >>
    tokopArrow = 16,     // ->  Expr
    tokopInc = 17,       // ++  Expr
    tokopDec = 18,       // --  Expr
    tokopAssign = 19,    // =
    tokopEq = 20,        // ==
    tokopNe = 21,        // !=
    tokopLt = 22,        // <
    tokopLe = 23,        // <=
    tokopGt = 24,        // >
    tokopGe = 25,        // >=
    tokopAddAssign = 26, // +=  Expr
    tokopSubAssign = 27, // -=  Expr
    tokopMulAssign = 28, // *=  Expr
    tokopDivAssign = 29, // /=  Expr
    tokopModAssign = 30, // %=  Expr
    tokopAndAssign = 31, // &=  Expr
    tokopOrAssign = 32,  // |=  Expr
    tokopXorAssign = 33, // ^=  Expr
    tokopShlAssign = 34, // <<= Expr
    tokopShrAssign = 35, // >>= Expr
};

// Stream status (TOKSTRM::Sts), the result of the last line read.
enum : uint32_t {
    tokstsOk = 0,
    tokstsReadError = 1,
    tokstsEof = 2,
    tokstsNoFile = 3,
};

const int cchTokMax = 128;      // characters a token keeps
const int cchTokPushBack = 32;  // characters the scanner can give back

// One token. Owned by the stream that scanned it: valid until the parser asks
// for the next token, resets or terminates the stream.
struct TOKEN {
    TOKEN* ptokLink;            // next record in the pool or the pushed-back list
    uint32_t err;               // tokerr*
    int32_t cch;                // characters in szText
    uint32_t tkk;               // tkk*
    char szText[cchTokMax + 1]; // identifier, string without quotes, digits without prefix or suffix, operator
    int32_t val;                // value of a number (at most 2147483647) or character constant
    uint32_t vt;                // tokvt*
    uint32_t opc;               // tokop* of a tkkOperator
    uint32_t base;              // 2, 8, 10 or 16 for tokvtNumber

    uint32_t Kind() const { return tkk; }
    uint32_t Err() const { return err; }
    const char* SzText() const { return szText; }
    int32_t Cch() const { return cch; }
    int32_t Value() const { return val; }
    uint32_t ValueType() const { return vt; }
    uint32_t Opcode() const { return opc; }
    uint32_t Base() const { return base; }
};

class TOKSTRM {
public:
    TOKSTRM();
    ~TOKSTRM();                 // Term
    TOKSTRM(const TOKSTRM&) = delete;
    TOKSTRM& operator=(const TOKSTRM&) = delete;

    // Give the stream a line buffer of cchLine + 1 bytes (cchLine > 0; 0 keeps
    // the current one), forget the line and the file's place. False when the
    // buffer cannot be allocated (the stream keeps its old buffer).
    bool FInit(int cchLine);
    // Keep a copy of the file path; NULL clears it. False when out of memory.
    bool FSetPath(const char* szPath);
    // Open the file for reading. A missing or unreadable file, or a
    // directory, fails: the file is never created. Lines end at LF or CR LF.
    bool FOpen();
    // Replace the option word; false, changing nothing, when it has a bit
    // outside tokoptMask.
    bool FSetOptions(uint32_t opt);
    // Scan sz as the current line: copied into the line buffer when the
    // stream owns one (false when it does not fit), else scanned in place (sz
    // must then outlive the scan). Drops the rest of the current line.
    bool FSetText(const char* sz);
    // Read the next line of the file, dropping the rest of the current line
    // (characters and tokens given back). A line longer than the buffer comes
    // as several lines. False at the end of the file (FIsEof), on a read
    // error (FIsEof too: nothing more can be read) or with no file open.
    bool FReadLine();
    // Make the next token current: a pushed-back token first, else one
    // scanned from the current line (the first line is read on demand). Past
    // the end of the file the token is tkkEol and FIsEof is true.
    void NextToken();
    // Put the current token at the head of the pushed-back list.
    void PushBack();
    bool FIsEof() const;
    // Give back the current and every pushed-back token, forget the current
    // line and the characters given back, clear the end-of-file bit.
    void Reset();
    // Close the file; clear the end-of-file and file-open bits.
    void Close();
    // Reset, free the token pool, the line buffer and the path, close.
    void Term();

    TOKEN* PtokCur() const { return ptokCur; }
    uint32_t Options() const { return fs & tokoptMask; }
    uint32_t Sts() const { return sts; }
    const char* SzPath() const { return szPath; }
    bool FIsOpen() const;

private:
    // Character level.
    int ChRead();
    void UnreadCh(int ch);
    int ChFile();
    void DropLine();
    void DiscardRestOfLine();
    // Token pool.
    TOKEN* PtokGet();
    void ReleaseTok(TOKEN* ptok);
    void ReleaseTokList(TOKEN* ptok);
    // Scanner (tokscan.cpp).
    void ScanToken(TOKEN* ptok);
    bool FSkipToToken();
    bool FScanOperator(TOKEN* ptok, int ch);
    bool FScanDigit(TOKEN* ptok, int ch);
    bool FScanNumber(TOKEN* ptok, int ch);
    bool FScanNumberAsm(TOKEN* ptok, int ch);
    bool FScanNumberAlt(TOKEN* ptok, int ch);
    bool FScanNumberExpr(TOKEN* ptok, int ch);
    void ScanDigitRun(TOKEN* ptok, int chFirst, int baseSpan);
    void ScanCharConst(TOKEN* ptok, uint32_t optStyle);
    bool FScanIdent(TOKEN* ptok, int ch);
    bool FScanString(TOKEN* ptok, int ch);
    bool FScanPunct(TOKEN* ptok, int ch);
    bool FIdentCh(int ch) const;

    uint32_t fs;                // option bits 8-14, state bits 24-27
    uint32_t sts;               // toksts* of the last line read
    char* szPath;               // owned copy
    std::FILE* pfile;
    int chLook;                 // one character read ahead from the file, EOF when none
    char* pchBuf;               // owned line buffer
    int cbBuf;                  // its size in bytes (line length + 1)
    const char* pchLine;        // the current line: pchBuf, or the caller's text
    int cchLine;                // characters in the current line
    int ich;                    // read position in it, -1 before the first line
    char rgchBack[cchTokPushBack]; // characters given back, last in first out
    int cchBack;
    TOKEN* ptokCur;
    TOKEN* ptokBack;            // pushed-back tokens, last in first out
    TOKEN* ptokPool;            // free records
};

// The parser's cursor over one stream (embedded in the parser's object).
class TOKRDR {
public:
    constexpr TOKRDR() : fNoEq(false), pstrm(nullptr) {}

    void Attach(TOKSTRM* pstrmNew) { pstrm = pstrmNew; }
    void Detach() { pstrm = nullptr; }
    TOKSTRM* Pstrm() const { return pstrm; }

    void Reset();
    bool FSetText(const char* sz);
    // Next token; true when kind is -1 or the token's kind. Otherwise the
    // token is pushed back (there is then no current token) and false.
    bool FNextToken(int kind);
    bool FNextLine();
    bool FIsEof() const;        // also true without a stream
    void PushBack();

    // The current token; kind tkkError, empty text and zeros without one.
    const TOKEN* PtokCur() const { return pstrm ? pstrm->PtokCur() : nullptr; }
    uint32_t Kind() const;
    const char* SzText() const;
    int32_t Value() const;
    uint32_t ValueType() const;
    uint32_t Opcode() const;

    // An optional sign operator ("-" negates, any other operator is passed
    // over), then a number of value type 1.
    bool FReadSigned(int32_t* pl);
    // A number of value type 1 no greater than 0xFFFF.
    bool FReadU16(uint16_t* pw);
    // Number ":" number.
    bool FReadU16Pair(uint16_t* pw1, uint16_t* pw2);
    // A line "key = number": end-of-line tokens before the key are skipped
    // (reading the next line each time; the end of the file fails). The key
    // is compared case-sensitively; a different identifier is pushed back.
    // Without "=" after the key FNoEq becomes true. Out values are written
    // only on success.
    bool FReadKeyBool(const char* szKey, bool* pf);
    bool FReadKeyInt(const char* szKey, int32_t* pl);
    // A line "key =".
    bool FReadKey(const char* szKey);
    // The last key operation found its key without "=" after it.
    bool FNoEq() const { return fNoEq; }

private:
    bool FReadKeyLine(const char* szKey, bool fNumber, int32_t* pl);

    bool fNoEq;
    TOKSTRM* pstrm;
};
