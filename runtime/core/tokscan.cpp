// TOKSTRM scanner: one token from the current line.
//
// After blanks and comments the recognisers are tried in a fixed order:
// operator, single digit (tokoptHexDigits), number or character constant,
// identifier, string, punctuation. A recogniser that reads past its token
// gives the extra character back, so the next scan starts right after it.

#include "tokenizer.h"

namespace {

struct OPFORM {
    char ch1;
    char ch2;       // 0 for a one-character operator
    uint8_t opc;
    bool fExpr;     // exists only with tokoptExpr
};

const OPFORM rgopform[] = {
    {'+', 0, tokopAdd, false},        {'-', 0, tokopSub, false},
    {'*', 0, tokopMul, false},        {'/', 0, tokopDiv, false},
    {'^', 0, tokopXor, true},         {'~', 0, tokopCompl, true},
    {'!', 0, tokopNot, false},        {'&', 0, tokopAnd, false},
    {'|', 0, tokopOr, false},         {'.', 0, tokopDot, false},
    {'%', 0, tokopMod, false},        {'?', 0, tokopQuestion, true},
    {'=', 0, tokopAssign, false},     {'<', 0, tokopLt, false},
    {'>', 0, tokopGt, false},
    {'&', '&', tokopLogAnd, false},   {'|', '|', tokopLogOr, false},
    {'<', '<', tokopShl, false},      {'>', '>', tokopShr, false},
    {'-', '>', tokopArrow, true},     {'+', '+', tokopInc, true},
    {'-', '-', tokopDec, true},       {'=', '=', tokopEq, false},
    {'!', '=', tokopNe, false},       {'<', '=', tokopLe, false},
    {'>', '=', tokopGe, false},       {'+', '=', tokopAddAssign, true},
    {'-', '=', tokopSubAssign, true}, {'*', '=', tokopMulAssign, true},
    {'/', '=', tokopDivAssign, true}, {'%', '=', tokopModAssign, true},
    {'&', '=', tokopAndAssign, true}, {'|', '=', tokopOrAssign, true},
    {'^', '=', tokopXorAssign, true},
};

struct PUNCT {
    char ch;
    uint32_t tkk;
};

const PUNCT rgpunct[] = {
    {':', tkkColon},    {';', tkkSemicolon}, {',', tkkComma},    {'$', tkkDollar},
    {'#', tkkHash},     {'(', tkkLParen},    {')', tkkRParen},   {'[', tkkLBracket},
    {']', tkkRBracket}, {'{', tkkLBrace},    {'}', tkkRBrace},
};

const int32_t valNumberMax = 2147483647;

bool FDecDigit(int ch)
{
    return ch >= '0' && ch <= '9';
}

bool FLetter(int ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// Value of a digit in base 16, -1 for any other character.
int DigitValue(int ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

bool FHexDigit(int ch)
{
    return DigitValue(ch) >= 0;
}

void SetErr(TOKEN* ptok, uint32_t err)
{
    if (ptok->err == tokerrNone)
        ptok->err = err;
}

// Append one character to the token's text; past cchTokMax it is dropped.
void AddCh(TOKEN* ptok, int ch)
{
    if (ptok->cch >= cchTokMax) {
        SetErr(ptok, tokerrTooLong);
        return;
    }
    ptok->szText[ptok->cch++] = static_cast<char>(ch);
    ptok->szText[ptok->cch] = '\0';
}

// The token's text as a number of the given base, the way strtol converts
// it, limited to 2147483647. Characters left over are error 5.
void ConvertNumber(TOKEN* ptok, uint32_t base)
{
    uint64_t val = 0;
    for (int i = 0; i < ptok->cch; i++) {
        int d = DigitValue(static_cast<unsigned char>(ptok->szText[i]));
        if (d < 0 || static_cast<uint32_t>(d) >= base) {
            SetErr(ptok, tokerrNumber);
            break;
        }
        val = val * base + static_cast<uint32_t>(d);
        if (val > static_cast<uint64_t>(valNumberMax))
            val = valNumberMax;
    }
    ptok->tkk = tkkNumber;
    ptok->vt = tokvtNumber;
    ptok->base = base;
    ptok->val = static_cast<int32_t>(val);
}

} // namespace

void TOKSTRM::ScanToken(TOKEN* ptok)
{
    if (!FSkipToToken()) {
        ptok->tkk = tkkEol;
        return;
    }
    int ch = ChRead();
    if (!FScanOperator(ptok, ch) && !((fs & tokoptHexDigits) && FScanDigit(ptok, ch)) &&
        !FScanNumber(ptok, ch) && !FScanIdent(ptok, ch) && !FScanString(ptok, ch) && !FScanPunct(ptok, ch)) {
        AddCh(ptok, ch);
        SetErr(ptok, tokerrChar);
    }
    if (ptok->err != tokerrNone)
        ptok->tkk = tkkError;
}

// Skip blanks and comments. False at the end of the line (a comment that
// runs to the end of the line included); true with the token's first
// character given back.
bool TOKSTRM::FSkipToToken()
{
    uint32_t opt = fs & tokoptMask;
    if ((opt & tokoptAsmAlt) && ich == 0 && cchBack == 0 && cchLine > 0 && pchLine[0] == '*') {
        DiscardRestOfLine();
        return false;
    }
    int ch;
    do {
        ch = ChRead();
    } while (ch == ' ' || ch == '\t');
    if (ch == 0)
        return false;
    if (ch == ';' && (opt & (tokoptAsm | tokoptAsmAlt))) {
        DiscardRestOfLine();
        return false;
    }
    if (ch == '/' && (opt & tokoptExpr)) {
        int chNext = ChRead();
        if (chNext == '/') {
            DiscardRestOfLine();
            return false;
        }
        UnreadCh(chNext);
    }
    UnreadCh(ch);
    return true;
}

bool TOKSTRM::FScanOperator(TOKEN* ptok, int ch)
{
    bool fExpr = (fs & tokoptExpr) != 0;
    const OPFORM* pof1 = nullptr;
    for (const OPFORM& of : rgopform) {
        if (of.ch2 == 0 && of.ch1 == ch && (fExpr || !of.fExpr)) {
            pof1 = &of;
            break;
        }
    }
    if (!pof1)
        return false;
    AddCh(ptok, ch);
    ptok->tkk = tkkOperator;
    ptok->opc = pof1->opc;

    int ch2 = ChRead();
    for (const OPFORM& of : rgopform) {
        if (of.ch2 != 0 && of.ch1 == ch && of.ch2 == ch2 && (fExpr || !of.fExpr)) {
            AddCh(ptok, ch2);
            ptok->opc = of.opc;
            if (fExpr && (of.opc == tokopShl || of.opc == tokopShr)) {
                int ch3 = ChRead();
                if (ch3 == '=') {
                    AddCh(ptok, ch3);
                    ptok->opc = of.opc == tokopShl ? tokopShlAssign : tokopShrAssign;
                } else {
                    UnreadCh(ch3);
                }
            }
            return true;
        }
    }
    UnreadCh(ch2);
    return true;
}

bool TOKSTRM::FScanDigit(TOKEN* ptok, int ch)
{
    int d = DigitValue(ch);
    if (d < 0)
        return false;
    AddCh(ptok, ch);
    ptok->tkk = tkkDigit;
    ptok->val = d;
    ptok->vt = tokvtNumber;
    ptok->base = FDecDigit(ch) ? 10 : 16;
    return true;
}

// Numbers and character constants. The expression style's forms win over
// the two assembler styles'; of those, tokoptAsm's win where both apply.
bool TOKSTRM::FScanNumber(TOKEN* ptok, int ch)
{
    if (fs & tokoptExpr)
        return FScanNumberExpr(ptok, ch);
    if ((fs & tokoptAsm) && FScanNumberAsm(ptok, ch))
        return true;
    if (fs & tokoptAsmAlt)
        return FScanNumberAlt(ptok, ch);
    return false;
}

// Append chFirst and the characters after it while they are digits of the
// span base (10 or 16); the first other character is given back.
void TOKSTRM::ScanDigitRun(TOKEN* ptok, int chFirst, int baseSpan)
{
    int ch = chFirst;
    while (baseSpan == 16 ? FHexDigit(ch) : FDecDigit(ch)) {
        AddCh(ptok, ch);
        ch = ChRead();
    }
    UnreadCh(ch);
}

// 1234, 0FFh, 17o, 17q, 101b, 1bh: digits and hexadecimal letters, then an
// optional suffix. A final "b" is the binary suffix unless "h" follows it.
bool TOKSTRM::FScanNumberAsm(TOKEN* ptok, int ch)
{
    if (ch == '\'') {
        ScanCharConst(ptok, tokoptAsm);
        return true;
    }
    if (!FDecDigit(ch))
        return false;
    int chLast = 0;
    bool fLastKept = false;
    while (FHexDigit(ch)) {
        fLastKept = ptok->cch < cchTokMax;
        AddCh(ptok, ch);
        chLast = ch;
        ch = ChRead();
    }
    uint32_t base = 10;
    if (ch == 'h' || ch == 'H') {
        base = 16;
    } else if (ch == 'o' || ch == 'O' || ch == 'q' || ch == 'Q') {
        base = 8;
    } else {
        UnreadCh(ch);
        if (chLast == 'b' || chLast == 'B') {
            base = 2;
            if (fLastKept)
                ptok->szText[--ptok->cch] = '\0';
        }
    }
    ConvertNumber(ptok, base);
    return true;
}

// 1234, $1F (hexadecimal), @17 (octal).
bool TOKSTRM::FScanNumberAlt(TOKEN* ptok, int ch)
{
    if (ch == '\'') {
        ScanCharConst(ptok, tokoptAsmAlt);
        return true;
    }
    if (FDecDigit(ch)) {
        ScanDigitRun(ptok, ch, 10);
        ConvertNumber(ptok, 10);
        return true;
    }
    if (ch != '$' && ch != '@')
        return false;
    int chNext = ChRead();
    bool fHex = ch == '$';
    if (fHex ? !FHexDigit(chNext) : !FDecDigit(chNext)) {
        // A lone "$" or "@" is no number.
        UnreadCh(chNext);
        return false;
    }
    ScanDigitRun(ptok, chNext, fHex ? 16 : 10);
    ConvertNumber(ptok, fHex ? 16 : 8);
    return true;
}

// 1234, 0x1F, 017 (octal; 08 is error 5), 0.
bool TOKSTRM::FScanNumberExpr(TOKEN* ptok, int ch)
{
    if (ch == '\'') {
        ScanCharConst(ptok, tokoptExpr);
        return true;
    }
    if (!FDecDigit(ch))
        return false;
    if (ch != '0') {
        ScanDigitRun(ptok, ch, 10);
        ConvertNumber(ptok, 10);
        return true;
    }
    int chNext = ChRead();
    if (chNext == 'x' || chNext == 'X') {
        int chDigit = ChRead();
        if (FHexDigit(chDigit)) {
            ScanDigitRun(ptok, chDigit, 16);
            ConvertNumber(ptok, 16);
            return true;
        }
        // "0x" without digits: the number 0, and the "x" starts the next token.
        UnreadCh(chDigit);
        UnreadCh(chNext);
    } else if (FDecDigit(chNext)) {
        ScanDigitRun(ptok, chNext, 10);
        ConvertNumber(ptok, 8);
        return true;
    } else {
        UnreadCh(chNext);
    }
    AddCh(ptok, '0');
    ConvertNumber(ptok, 10);
    return true;
}

// After the opening quote. Expression style: one character and the closing
// quote; a backslash ends the token at once (value 0) and what follows it is
// scanned as further tokens. Assembler style: one or two characters (the
// first in the high byte) and the closing quote. Alternative style: one
// character, the closing quote taken when present.
void TOKSTRM::ScanCharConst(TOKEN* ptok, uint32_t optStyle)
{
    ptok->tkk = tkkNumber;
    ptok->vt = tokvtChar;
    ptok->val = 0;
    int ch1 = ChRead();
    if (ch1 == 0 || ch1 == '\'') {
        SetErr(ptok, tokerrCharConst);
        return;
    }
    if (optStyle == tokoptExpr && ch1 == '\\')
        return;
    ptok->val = ch1;
    int ch2 = ChRead();
    if (ch2 == '\'')
        return;
    if (optStyle == tokoptAsm && ch2 != 0) {
        int ch3 = ChRead();
        if (ch3 == '\'') {
            ptok->val = (ch1 << 8) | ch2;
            return;
        }
        UnreadCh(ch3);
        SetErr(ptok, tokerrCharConst);
        return;
    }
    UnreadCh(ch2);
    if (optStyle != tokoptAsmAlt)
        SetErr(ptok, tokerrCharConst);
}

bool TOKSTRM::FIdentCh(int ch) const
{
    return FLetter(ch) || ch == '_' || (ch == '$' && (fs & tokoptDollarIdent)) ||
           (ch == '?' && (fs & tokoptAsm));
}

bool TOKSTRM::FScanIdent(TOKEN* ptok, int ch)
{
    if (!FIdentCh(ch))
        return false;
    bool fUpper = (fs & tokoptUpper) != 0;
    while (FIdentCh(ch) || FDecDigit(ch)) {
        AddCh(ptok, fUpper && ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
        ch = ChRead();
    }
    UnreadCh(ch);
    ptok->tkk = tkkIdent;
    return true;
}

// Everything up to the next double quote; no escapes.
bool TOKSTRM::FScanString(TOKEN* ptok, int ch)
{
    if (ch != '"')
        return false;
    ptok->tkk = tkkString;
    for (;;) {
        ch = ChRead();
        if (ch == '"')
            return true;
        if (ch == 0) {
            SetErr(ptok, tokerrString);
            return true;
        }
        AddCh(ptok, ch);
    }
}

bool TOKSTRM::FScanPunct(TOKEN* ptok, int ch)
{
    // "$" is an identifier character with tokoptDollarIdent (taken above);
    // ";" never gets here while it starts a comment.
    for (const PUNCT& p : rgpunct) {
        if (p.ch == ch) {
            AddCh(ptok, ch);
            ptok->tkk = p.tkk;
            return true;
        }
    }
    return false;
}
