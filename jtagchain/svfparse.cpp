/*
 * svfparse.cpp - SVF statements from the file's text.
 *
 * Statements end with ";" and may run over several lines; hexadecimal
 * values in parentheses may wrap across lines. Keywords and state names do
 * not depend on case. Numbers take the SVF forms (integers and reals with
 * an exponent: "1E6", "1.00E-02").
 */
#include "svfcmd.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "sztext.h"

namespace {

const char *const rgszTapst[ctapst] = {
    "RESET", "IDLE", "DRSELECT", "DRCAPTURE", "DRSHIFT", "DREXIT1", "DRPAUSE", "DREXIT2",
    "DRUPDATE", "IRSELECT", "IRCAPTURE", "IRSHIFT", "IREXIT1", "IRPAUSE", "IREXIT2", "IRUPDATE",
};

bool FStable(int tapst)
{
    return tapst == tapstReset || tapst == tapstIdle || tapst == tapstDrPause || tapst == tapstIrPause;
}

/* One token of a statement: a word, or a parenthesised value (its digits). */
struct SVFTOK {
    bool fValue;
    std::string str;
    int line;
};

class SVFLEX {
public:
    SVFLEX(const char *pchText, size_t cchText) : pch(pchText), pchEnd(pchText + cchText) {}

    /* The tokens of the next statement up to its ";". False at the end of
     * the text (fEnd) or on an error (strErr, line). */
    bool FStatement(std::vector<SVFTOK> &rgtok, bool &fEnd);
    int line = 1;
    std::string strErr;

private:
    void SkipBlank();
    const char *pch;
    const char *pchEnd;
};

void SVFLEX::SkipBlank()
{
    while (pch < pchEnd) {
        char ch = *pch;
        if (ch == '\n') {
            line++;
            pch++;
        } else if (ch == '\r') {
            /* CR LF counts one line; a lone CR ends a line too */
            if (pch + 1 >= pchEnd || pch[1] != '\n')
                line++;
            pch++;
        } else if (ch == ' ' || ch == '\t' || ch == '\f' || ch == '\v') {
            pch++;
        } else if (ch == '!' || (ch == '/' && pch + 1 < pchEnd && pch[1] == '/')) {
            while (pch < pchEnd && *pch != '\n' && *pch != '\r')
                pch++;
        } else {
            break;
        }
    }
}

bool SVFLEX::FStatement(std::vector<SVFTOK> &rgtok, bool &fEnd)
{
    rgtok.clear();
    fEnd = false;
    for (;;) {
        SkipBlank();
        if (pch >= pchEnd) {
            if (rgtok.empty()) {
                fEnd = true;
                return false;
            }
            strErr = "statement without ';' at the end of the file";
            line = rgtok[0].line;
            return false;
        }
        char ch = *pch;
        if (ch == ';') {
            pch++;
            if (rgtok.empty()) {
                strErr = "empty statement";
                return false;
            }
            return true;
        }
        if (ch == '(') {
            SVFTOK tok = {true, std::string(), line};
            pch++;
            for (;;) {
                SkipBlank();
                if (pch >= pchEnd) {
                    line = tok.line;
                    strErr = "value without ')'";
                    return false;
                }
                if (*pch == ')') {
                    pch++;
                    break;
                }
                if ((unsigned char)*pch < 0x20 || (unsigned char)*pch >= 0x7F) {
                    strErr = "a character that is not text in a value";
                    return false;
                }
                tok.str += *pch++;
            }
            rgtok.push_back(tok);
            continue;
        }
        if (ch == ')') {
            strErr = "')' without '('";
            return false;
        }
        SVFTOK tok = {false, std::string(), line};
        while (pch < pchEnd && !isspace((unsigned char)*pch) && *pch != ';' && *pch != '(' && *pch != ')' &&
               *pch != '!' && !(*pch == '/' && pch + 1 < pchEnd && pch[1] == '/')) {
            if ((unsigned char)*pch < 0x20 || (unsigned char)*pch >= 0x7F) {
                strErr = "a character that is not text";
                return false;
            }
            tok.str += (char)toupper((unsigned char)*pch++);
        }
        rgtok.push_back(tok);
    }
}

/* Reads one statement's tokens. */
class SVFSTMT {
public:
    SVFSTMT(const std::vector<SVFTOK> &rgtokIn, std::string &strErrIn) : rgtok(rgtokIn), strErr(strErrIn) {}
    bool FMore() const { return itok < rgtok.size(); }
    const SVFTOK *PtokPeek() const { return FMore() ? &rgtok[itok] : nullptr; }
    bool FWord(std::string &str);
    bool FKeyword(const char *sz);
    bool FNumber(double &d);
    bool FState(int &tapst, bool fStableOnly);
    bool FValue(uint32_t cbit, std::vector<uint8_t> &rgb);
    bool FFail(const std::string &str)
    {
        strErr = str;
        return false;
    }
    bool FEnd()
    {
        if (FMore())
            return FFail("unexpected '" + rgtok[itok].str + "'");
        return true;
    }

private:
    const std::vector<SVFTOK> &rgtok;
    std::string &strErr;
    size_t itok = 1;
};

bool SVFSTMT::FWord(std::string &str)
{
    if (!FMore() || rgtok[itok].fValue)
        return FFail("a word is missing");
    str = rgtok[itok++].str;
    return true;
}

bool SVFSTMT::FKeyword(const char *sz)
{
    if (FMore() && !rgtok[itok].fValue && rgtok[itok].str == sz) {
        itok++;
        return true;
    }
    return false;
}

bool SVFSTMT::FNumber(double &d)
{
    if (!FMore() || rgtok[itok].fValue)
        return false;
    const std::string &str = rgtok[itok].str;
    if (str.empty() || !(isdigit((unsigned char)str[0]) || str[0] == '.' || str[0] == '+'))
        return false;
    char *pchEnd = nullptr;
    d = strtod(str.c_str(), &pchEnd);
    if (pchEnd == nullptr || *pchEnd != '\0' || !(d >= 0) || d > 1e18)
        return FFail("'" + str + "' is not a number");
    itok++;
    return true;
}

bool SVFSTMT::FState(int &tapst, bool fStableOnly)
{
    std::string str;
    if (!FWord(str))
        return false;
    tapst = TapstFromSvfName(str.c_str());
    if (tapst == tapstNone)
        return FFail("'" + str + "' is not a TAP state");
    if (fStableOnly && !FStable(tapst))
        return FFail("'" + str + "' is not a stable state");
    return true;
}

bool SVFSTMT::FValue(uint32_t cbit, std::vector<uint8_t> &rgb)
{
    if (!FMore() || !rgtok[itok].fValue)
        return FFail("a value in parentheses is missing");
    const std::string &str = rgtok[itok++].str;
    if (str.empty())
        return FFail("empty value");
    for (char ch : str)
        if (!isxdigit((unsigned char)ch))
            return FFail(std::string("'") + ch + "' in a hexadecimal value");
    rgb.assign((cbit + 7) / 8, 0);
    /* the rightmost digit holds bits 0 to 3; digits beyond the length are dropped */
    uint32_t ibit = 0;
    for (size_t ich = str.size(); ich-- > 0 && ibit < cbit; ibit += 4) {
        char ch = str[ich];
        unsigned nib = (unsigned)(isdigit((unsigned char)ch) ? ch - '0' : toupper((unsigned char)ch) - 'A' + 10);
        for (unsigned k = 0; k < 4 && ibit + k < cbit; k++)
            if (nib & (1u << k))
                rgb[(ibit + k) / 8] |= (uint8_t)(1u << ((ibit + k) % 8));
    }
    return true;
}

bool FParseScan(SVFSTMT &st, SVFCMD &cmd)
{
    double d;
    if (!st.FNumber(d) || d != (double)(uint64_t)d)
        return st.FFail("a scan needs its length");
    if (d > cbitSvfScanMax)
        return st.FFail("scan longer than the player takes");
    cmd.scan.cbit = (uint32_t)d;
    while (st.FMore()) {
        std::string str;
        if (!st.FWord(str))
            return false;
        std::vector<uint8_t> *prgb = str == "TDI" ? &cmd.scan.tdi : str == "TDO" ? &cmd.scan.tdo
                                   : str == "MASK" ? &cmd.scan.mask : str == "SMASK" ? &cmd.scan.smask : nullptr;
        if (prgb == nullptr)
            return st.FFail("'" + str + "' in a scan");
        if (cmd.scan.cbit == 0)
            return st.FFail("a scan of length 0 takes no values");
        if (!st.FValue(cmd.scan.cbit, *prgb))
            return false;
    }
    return true;
}

/* RUNTEST [run_state] [run_count TCK|SCK] [min_time SEC [MAXIMUM max_time SEC]] [ENDSTATE end_state] */
bool FParseRunTest(SVFSTMT &st, SVFCMD &cmd)
{
    const SVFTOK *ptok = st.PtokPeek();
    if (ptok != nullptr && !ptok->fValue && TapstFromSvfName(ptok->str.c_str()) != tapstNone &&
        !st.FState(cmd.tapst, true))
        return false;
    bool fCount = false, fTime = false;
    double d;
    while (st.FNumber(d)) {
        if (st.FKeyword("TCK") || st.FKeyword("SCK")) {
            if (fCount || fTime || d != (double)(uint64_t)d || d > 4294967295.0)
                return st.FFail("clock count misplaced or not a whole number of 32 bits");
            cmd.cclk = (uint64_t)d;
            fCount = true;
        } else if (st.FKeyword("SEC")) {
            if (fTime || d > 86400)
                return st.FFail("minimum time repeated or above a day");
            cmd.secMin = d;
            fTime = true;
        } else {
            return st.FFail("a number without TCK, SCK or SEC");
        }
    }
    if (st.FKeyword("MAXIMUM")) {
        if (!fTime || !st.FNumber(d) || !st.FKeyword("SEC"))
            return st.FFail("MAXIMUM needs a minimum time and a time in SEC");
    }
    if (st.FKeyword("ENDSTATE") && !st.FState(cmd.tapstEnd, true))
        return false;
    if (!fCount && !fTime)
        return st.FFail("RUNTEST without a clock count or a time");
    return st.FEnd();
}

bool FParseStatement(const std::vector<SVFTOK> &rgtok, std::vector<SVFCMD> &rgcmd, std::string &strErr)
{
    SVFSTMT st(rgtok, strErr);
    const std::string &strKey = rgtok[0].str;
    if (rgtok[0].fValue)
        return st.FFail("a statement starts with a value");
    SVFCMD cmd;
    cmd.line = rgtok[0].line;
    static const struct { const char *sz; SVFK svfk; } rgkey[] = {
        {"ENDDR", svfkEndDr}, {"ENDIR", svfkEndIr}, {"HDR", svfkHdr}, {"HIR", svfkHir}, {"TDR", svfkTdr},
        {"TIR", svfkTir}, {"SDR", svfkSdr}, {"SIR", svfkSir}, {"RUNTEST", svfkRunTest}, {"STATE", svfkState},
        {"TRST", svfkTrst}, {"FREQUENCY", svfkFrequency},
    };
    int ikey = -1;
    for (int i = 0; i < (int)(sizeof(rgkey) / sizeof(rgkey[0])); i++)
        if (strKey == rgkey[i].sz)
            ikey = i;
    if (ikey < 0) {
        if (strKey == "PIOMAP")
            return true;    /* pin map of parallel vectors: describes, does nothing */
        return st.FFail("unknown statement '" + strKey + "'");
    }
    cmd.svfk = rgkey[ikey].svfk;
    switch (cmd.svfk) {
    case svfkEndDr:
    case svfkEndIr:
        if (!st.FState(cmd.tapst, true) || !st.FEnd())
            return false;
        break;
    case svfkHdr:
    case svfkHir:
    case svfkTdr:
    case svfkTir:
    case svfkSdr:
    case svfkSir:
        if (!FParseScan(st, cmd))
            return false;
        break;
    case svfkRunTest:
        if (!FParseRunTest(st, cmd))
            return false;
        break;
    case svfkState: {
        int tapst = tapstNone;
        while (st.FMore()) {
            if (!st.FState(tapst, false))
                return false;
            cmd.rgtapst.push_back(tapst);
        }
        if (cmd.rgtapst.empty() || !FStable(tapst))
            return st.FFail("STATE must end in a stable state");
        break;
    }
    case svfkTrst: {
        std::string str;
        if (!st.FWord(str))
            return false;
        if (str != "ON" && str != "OFF" && str != "Z" && str != "ABSENT")
            return st.FFail("TRST takes ON, OFF, Z or ABSENT");
        if (!st.FEnd())
            return false;
        break;
    }
    case svfkFrequency: {
        double d;
        if (st.FNumber(d)) {
            if (!st.FKeyword("HZ"))
                return st.FFail("FREQUENCY needs HZ");
            cmd.hz = d;
        }
        if (!st.FEnd())
            return false;
        break;
    }
    }
    rgcmd.push_back(std::move(cmd));
    return true;
}

} // namespace

int TapstFromSvfName(const char *sz)
{
    for (int tapst = 0; tapst < ctapst; tapst++)
        if (SzCompareNoCase(sz, rgszTapst[tapst]) == 0)
            return tapst;
    return tapstNone;
}

bool FParseSvfText(const char *pch, size_t cch, std::vector<SVFCMD> &rgcmd, int *pline, std::string *pstrErr)
{
    rgcmd.clear();
    SVFLEX lex(pch, cch);
    std::vector<SVFTOK> rgtok;
    for (;;) {
        bool fEnd = false;
        if (!lex.FStatement(rgtok, fEnd)) {
            if (fEnd)
                return true;
            *pline = lex.line;
            *pstrErr = lex.strErr;
            return false;
        }
        std::string strErr;
        if (!FParseStatement(rgtok, rgcmd, strErr)) {
            *pline = rgtok[0].line;
            *pstrErr = strErr;
            return false;
        }
    }
}
