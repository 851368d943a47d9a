// TOKRDR: the parser's cursor over a TOKSTRM.

#include "tokenizer.h"

#include <cstring>

void TOKRDR::Reset()
{
    if (pstrm)
        pstrm->Reset();
}

bool TOKRDR::FSetText(const char* sz)
{
    return pstrm && pstrm->FSetText(sz);
}

bool TOKRDR::FNextToken(int kind)
{
    if (!pstrm)
        return false;
    pstrm->NextToken();
    const TOKEN* ptok = pstrm->PtokCur();
    if (!ptok)
        return false;
    if (kind == -1 || static_cast<uint32_t>(kind) == ptok->tkk)
        return true;
    pstrm->PushBack();
    return false;
}

bool TOKRDR::FNextLine()
{
    return pstrm && pstrm->FReadLine();
}

bool TOKRDR::FIsEof() const
{
    return !pstrm || pstrm->FIsEof();
}

void TOKRDR::PushBack()
{
    if (pstrm)
        pstrm->PushBack();
}

uint32_t TOKRDR::Kind() const
{
    const TOKEN* ptok = PtokCur();
    return ptok ? ptok->tkk : tkkError;
}

const char* TOKRDR::SzText() const
{
    const TOKEN* ptok = PtokCur();
    return ptok ? ptok->szText : "";
}

int32_t TOKRDR::Value() const
{
    const TOKEN* ptok = PtokCur();
    return ptok ? ptok->val : 0;
}

uint32_t TOKRDR::ValueType() const
{
    const TOKEN* ptok = PtokCur();
    return ptok ? ptok->vt : tokvtNone;
}

uint32_t TOKRDR::Opcode() const
{
    const TOKEN* ptok = PtokCur();
    return ptok ? ptok->opc : 0;
}

bool TOKRDR::FReadSigned(int32_t* pl)
{
    bool fNeg = false;
    if (FNextToken(tkkOperator))
        fNeg = Opcode() == tokopSub;
    if (!FNextToken(tkkNumber) || ValueType() != tokvtNumber)
        return false;
    // Values are 0 to 2147483647, so the negation cannot overflow.
    if (pl)
        *pl = fNeg ? -Value() : Value();
    return true;
}

bool TOKRDR::FReadU16(uint16_t* pw)
{
    if (!FNextToken(tkkNumber) || ValueType() != tokvtNumber)
        return false;
    uint32_t val = static_cast<uint32_t>(Value());
    if (val > 0xFFFF)
        return false;
    if (pw)
        *pw = static_cast<uint16_t>(val);
    return true;
}

bool TOKRDR::FReadU16Pair(uint16_t* pw1, uint16_t* pw2)
{
    uint16_t w1 = 0;
    uint16_t w2 = 0;
    if (!FReadU16(&w1) || !FNextToken(tkkColon) || !FReadU16(&w2))
        return false;
    if (pw1)
        *pw1 = w1;
    if (pw2)
        *pw2 = w2;
    return true;
}

bool TOKRDR::FReadKeyBool(const char* szKey, bool* pf)
{
    int32_t l = 0;
    if (!FReadKeyLine(szKey, true, &l))
        return false;
    if (pf)
        *pf = l != 0;
    return true;
}

bool TOKRDR::FReadKeyInt(const char* szKey, int32_t* pl)
{
    return FReadKeyLine(szKey, true, pl);
}

bool TOKRDR::FReadKey(const char* szKey)
{
    return FReadKeyLine(szKey, false, nullptr);
}

// key "=" [number] end-of-line, after any empty lines. The end of the file
// before the key fails instead of skipping end-of-line tokens for ever.
bool TOKRDR::FReadKeyLine(const char* szKey, bool fNumber, int32_t* pl)
{
    fNoEq = false;
    if (!pstrm || !szKey)
        return false;
    for (;;) {
        if (!FNextToken(-1))
            return false;
        if (Kind() != tkkEol)
            break;
        if (!FNextLine())
            return false;
    }
    // A token that is no identifier is taken; another key is given back.
    if (Kind() != tkkIdent)
        return false;
    if (strcmp(SzText(), szKey) != 0) {
        PushBack();
        return false;
    }
    if (!FNextToken(tkkOperator)) {
        fNoEq = true;
        return false;
    }
    if (Opcode() != tokopAssign) {
        PushBack();
        fNoEq = true;
        return false;
    }
    int32_t l = 0;
    if (fNumber) {
        if (!FNextToken(tkkNumber) || ValueType() != tokvtNumber)
            return false;
        l = Value();
    }
    if (!FNextToken(tkkEol))
        return false;
    if (pl)
        *pl = l;
    return true;
}
