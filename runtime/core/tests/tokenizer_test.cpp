// Scanning one line under each option word: a table of (options, text) and
// the tokens that must come out, the end of line included.

#include "toktest.h"

using namespace toktest;

namespace {

const uint32_t optDevTbl = 0x1100;   // device table and device list
const uint32_t optSvf = 0x2400;
const uint32_t optSvfHex = 0x6400;

struct SCANCASE {
    const char* szName;
    uint32_t opt;
    std::string text;
    std::vector<TOKEXP> rgtok;
};

void PrintTo(const SCANCASE& sc, std::ostream* os)
{
    *os << sc.szName;
}

std::string Rep(char ch, size_t n)
{
    return std::string(n, ch);
}

std::vector<SCANCASE> ScanCases()
{
    return {
        // Device table and device list (0x1100).
        {"DtpLine", optDevTbl, "dtp = 10001h", {Id("dtp"), Op(tokopAssign, "="), Num(65537, 16, "10001"), Eol()}},
        {"HexLeadingZero", optDevTbl, "0FFh", {Num(255, 16, "0FF"), Eol()}},
        {"HexStartingWithLetterIsIdent", optDevTbl, "FFh", {Id("FFh"), Eol()}},
        {"Binary", optDevTbl, "101b", {Num(5, 2, "101"), Eol()}},
        {"BinaryUpper", optDevTbl, "11B", {Num(3, 2, "11"), Eol()}},
        {"OctalSuffixes", optDevTbl, "17o 17q 17O 17Q",
         {Num(15, 8, "17"), Num(15, 8, "17"), Num(15, 8, "17"), Num(15, 8, "17"), Eol()}},
        {"OctalBadDigit", optDevTbl, "19o", {Bad(tokerrNumber, "19"), Eol()}},
        {"DecimalWithLetter", optDevTbl, "12a", {Bad(tokerrNumber, "12a"), Eol()}},
        {"DecimalExponentIsNoNumber", optDevTbl, "1e5", {Bad(tokerrNumber, "1e5"), Eol()}},
        {"BBeforeHIsDigit", optDevTbl, "1bh 1BH", {Num(27, 16, "1b"), Num(27, 16, "1B"), Eol()}},
        {"BinaryBadDigit", optDevTbl, "2b", {Bad(tokerrNumber, "2"), Eol()}},
        {"ZeroBinary", optDevTbl, "0b", {Num(0, 2, "0"), Eol()}},
        {"SuffixEndsNumber", optDevTbl, "101b,5", {Num(5, 2, "101"), Punct(tkkComma, ","), Num(5, 10, "5"), Eol()}},
        {"HexSuffixThenIdent", optDevTbl, "10hx", {Num(16, 16, "10"), Id("x"), Eol()}},
        {"DollarIdent", optDevTbl, "$abc a$1", {Id("$abc"), Id("a$1"), Eol()}},
        {"QuestionIdent", optDevTbl, "?x ?", {Id("?x"), Id("?"), Eol()}},
        {"SemicolonComment", optDevTbl, "a ; comment", {Id("a"), Eol()}},
        {"CommentOnly", optDevTbl, "; dtp = 1", {Eol()}},
        {"EmptyLine", optDevTbl, "", {Eol()}},
        {"BlanksOnly", optDevTbl, " \t  ", {Eol()}},
        {"EolRepeats", optDevTbl, "a", {Id("a"), Eol(), Eol(), Eol()}},
        {"BlockOpen", optDevTbl, "DVC {", {Id("DVC"), Punct(tkkLBrace, "{"), Eol()}},
        {"BlockClose", optDevTbl, "}", {Punct(tkkRBrace, "}"), Eol()}},
        {"StringValue", optDevTbl, "\tszName = \"Board 1; x\"",
         {Id("szName"), Op(tokopAssign, "="), Str("Board 1; x"), Eol()}},
        {"EmptyString", optDevTbl, "\"\"", {Str(""), Eol()}},
        {"UnclosedString", optDevTbl, "\"SN:12", {Bad(tokerrString, "SN:12"), Eol()}},
        {"WriterPaddedDtp", optDevTbl, "\tdtp =    10001h", {Id("dtp"), Op(tokopAssign, "="), Num(65537, 16, "10001"), Eol()}},
        {"Punctuation", optDevTbl, "#[](),:",
         {Punct(tkkHash, "#"), Punct(tkkLBracket, "["), Punct(tkkRBracket, "]"), Punct(tkkLParen, "("),
          Punct(tkkRParen, ")"), Punct(tkkComma, ","), Punct(tkkColon, ":"), Eol()}},
        {"NegativeIsTwoTokens", optDevTbl, "x=-5",
         {Id("x"), Op(tokopAssign, "="), Op(tokopSub, "-"), Num(5, 10, "5"), Eol()}},
        {"OperatorsWithoutExpr", optDevTbl, "a+=b&&c<<=d",
         {Id("a"), Op(tokopAdd, "+"), Op(tokopAssign, "="), Id("b"), Op(tokopLogAnd, "&&"), Id("c"),
          Op(tokopShl, "<<"), Op(tokopAssign, "="), Id("d"), Eol()}},
        {"ComparisonsWithoutExpr", optDevTbl, "== != <= >= || ! . %",
         {Op(tokopEq, "=="), Op(tokopNe, "!="), Op(tokopLe, "<="), Op(tokopGe, ">="), Op(tokopLogOr, "||"),
          Op(tokopNot, "!"), Op(tokopDot, "."), Op(tokopMod, "%"), Eol()}},
        {"ExprOnlyOperatorsAreNot", optDevTbl, "^~", {Bad(tokerrChar, "^"), Bad(tokerrChar, "~"), Eol()}},
        {"ArrowWithoutExpr", optDevTbl, "a->b", {Id("a"), Op(tokopSub, "-"), Op(tokopGt, ">"), Id("b"), Eol()}},
        {"StrayCharacter", optDevTbl, "a \x01 b", {Id("a"), Bad(tokerrChar, "\x01"), Id("b"), Eol()}},
        {"HighCharacter", optDevTbl, "\xe9", {Bad(tokerrChar, "\xe9"), Eol()}},
        {"IdentKeepsCase", optDevTbl, "sdr", {Id("sdr"), Eol()}},
        {"CharConstOne", optDevTbl, "'A'", {Chr(65), Eol()}},
        {"CharConstTwo", optDevTbl, "'AB'", {Chr(0x4142), Eol()}},
        {"CharConstThree", optDevTbl, "'ABC'", {Bad(tokerrCharConst, ""), Id("C"), Bad(tokerrCharConst, ""), Eol()}},
        {"CharConstUnclosed", optDevTbl, "'A", {Bad(tokerrCharConst, ""), Eol()}},
        {"CharConstEmpty", optDevTbl, "''", {Bad(tokerrCharConst, ""), Eol()}},
        {"NumberLimit", optDevTbl, "2147483647 2147483648 0FFFFFFFFh 99999999999999999999",
         {Num(2147483647, 10, "2147483647"), Num(2147483647, 10, "2147483648"),
          Num(2147483647, 16, "0FFFFFFFF"), Num(2147483647, 10, "99999999999999999999"), Eol()}},
        {"IdentAtLimit", optDevTbl, Rep('a', 128), {Id(Rep('a', 128)), Eol()}},
        {"IdentOverLimit", optDevTbl, Rep('a', 129) + " b", {Bad(tokerrTooLong, Rep('a', 128)), Id("b"), Eol()}},
        {"StringAtLimit", optDevTbl, "\"" + Rep('s', 128) + "\"", {Str(Rep('s', 128)), Eol()}},
        {"StringOverLimit", optDevTbl, "\"" + Rep('s', 129) + "\" x",
         {Bad(tokerrTooLong, Rep('s', 128)), Id("x"), Eol()}},
        {"StringOverLimitUnclosed", optDevTbl, "\"" + Rep('s', 200), {Bad(tokerrTooLong, Rep('s', 128)), Eol()}},
        {"NumberOverLimit", optDevTbl, Rep('1', 129) + " 2", {Bad(tokerrTooLong, Rep('1', 128)), Num(2, 10, "2"), Eol()}},

        // SVF (0x2400).
        {"SvfUpperCase", optSvf, "sdr Sdr_x1", {Id("SDR"), Id("SDR_X1"), Eol()}},
        {"SvfLineComment", optSvf, "// note", {Eol()}},
        {"SvfTrailingComment", optSvf, "a; // note", {Id("A"), Punct(tkkSemicolon, ";"), Eol()}},
        {"SvfSlash", optSvf, "a/b a/=b /", {Id("A"), Op(tokopDiv, "/"), Id("B"), Id("A"), Op(tokopDivAssign, "/="),
                                             Id("B"), Op(tokopDiv, "/"), Eol()}},
        {"SvfAndAssign", optSvf, "a&=b", {Id("A"), Op(tokopAndAssign, "&="), Id("B"), Eol()}},
        {"SvfLogAnd", optSvf, "a&&b", {Id("A"), Op(tokopLogAnd, "&&"), Id("B"), Eol()}},
        {"SvfAnd", optSvf, "a&b", {Id("A"), Op(tokopAnd, "&"), Id("B"), Eol()}},
        {"SvfDecrement", optSvf, "i--", {Id("I"), Op(tokopDec, "--"), Eol()}},
        {"SvfSubAssign", optSvf, "x-=1", {Id("X"), Op(tokopSubAssign, "-="), Num(1, 10, "1"), Eol()}},
        {"SvfShlAssign", optSvf, "x<<=2", {Id("X"), Op(tokopShlAssign, "<<="), Num(2, 10, "2"), Eol()}},
        {"SvfShl", optSvf, "x<<2", {Id("X"), Op(tokopShl, "<<"), Num(2, 10, "2"), Eol()}},
        {"SvfShr", optSvf, "x>>=2>>1",
         {Id("X"), Op(tokopShrAssign, ">>="), Num(2, 10, "2"), Op(tokopShr, ">>"), Num(1, 10, "1"), Eol()}},
        {"SvfAllOperators", optSvf, "-> ++ ? ~ ^ %= |= ^= *= += != == <= >= || ! . % < > * +",
         {Op(tokopArrow, "->"), Op(tokopInc, "++"), Op(tokopQuestion, "?"), Op(tokopCompl, "~"), Op(tokopXor, "^"),
          Op(tokopModAssign, "%="), Op(tokopOrAssign, "|="), Op(tokopXorAssign, "^="), Op(tokopMulAssign, "*="),
          Op(tokopAddAssign, "+="), Op(tokopNe, "!="), Op(tokopEq, "=="), Op(tokopLe, "<="), Op(tokopGe, ">="),
          Op(tokopLogOr, "||"), Op(tokopNot, "!"), Op(tokopDot, "."), Op(tokopMod, "%"), Op(tokopLt, "<"),
          Op(tokopGt, ">"), Op(tokopMul, "*"), Op(tokopAdd, "+"), Eol()}},
        {"SvfStatement", optSvf, "SIR 8 TDI (FF) SMASK (ff);",
         {Id("SIR"), Num(8, 10, "8"), Id("TDI"), Punct(tkkLParen, "("), Id("FF"), Punct(tkkRParen, ")"),
          Id("SMASK"), Punct(tkkLParen, "("), Id("FF"), Punct(tkkRParen, ")"), Punct(tkkSemicolon, ";"), Eol()}},
        {"SvfNumbers", optSvf, "0x1F 0X1f 017 0 42",
         {Num(31, 16, "1F"), Num(31, 16, "1f"), Num(15, 8, "17"), Num(0, 10, "0"), Num(42, 10, "42"), Eol()}},
        {"SvfOctalBadDigit", optSvf, "08", {Bad(tokerrNumber, "8"), Eol()}},
        {"SvfHexPrefixWithoutDigits", optSvf, "0xg", {Num(0, 10, "0"), Id("XG"), Eol()}},
        {"SvfDecimalThenLetters", optSvf, "12a", {Num(12, 10, "12"), Id("A"), Eol()}},
        {"SvfRealNumber", optSvf, "1.0E-3 SEC",
         {Num(1, 10, "1"), Op(tokopDot, "."), Num(0, 10, "0"), Id("E"), Op(tokopSub, "-"), Num(3, 10, "3"),
          Id("SEC"), Eol()}},
        {"SvfNumberLimit", optSvf, "2147483648 0xFFFFFFFF 0x7FFFFFFF",
         {Num(2147483647, 10, "2147483648"), Num(2147483647, 16, "FFFFFFFF"), Num(2147483647, 16, "7FFFFFFF"), Eol()}},
        {"SvfDollarIsPunct", optSvf, "$", {Punct(tkkDollar, "$"), Eol()}},
        {"SvfBang", optSvf, "! comment", {Op(tokopNot, "!"), Id("COMMENT"), Eol()}},
        {"SvfCharConst", optSvf, "'a'", {Chr(97), Eol()}},
        {"SvfCharConstTwo", optSvf, "'ab'", {Bad(tokerrCharConst, ""), Id("B"), Bad(tokerrCharConst, ""), Eol()}},
        {"SvfCharConstBackslash", optSvf, "'\\n'", {Chr(0), Id("N"), Bad(tokerrCharConst, ""), Eol()}},
        {"SvfQuestionIsOperator", optSvf, "a?b", {Id("A"), Op(tokopQuestion, "?"), Id("B"), Eol()}},

        // SVF hexadecimal data (0x6400).
        {"SvfHexDigits", optSvfHex, "(0F3)",
         {Punct(tkkLParen, "("), Dig(0, "0"), Dig(15, "F"), Dig(3, "3"), Punct(tkkRParen, ")"), Eol()}},
        {"SvfHexLetters", optSvfHex, "abcdef",
         {Dig(10, "a"), Dig(11, "b"), Dig(12, "c"), Dig(13, "d"), Dig(14, "e"), Dig(15, "f"), Eol()}},
        {"SvfHexSplitsIdent", optSvfHex, "ax xab", {Dig(10, "a"), Id("X"), Id("XAB"), Eol()}},
        {"SvfHexDecimal", optSvfHex, "12 34", {Dig(1, "1"), Dig(2, "2"), Dig(3, "3"), Dig(4, "4"), Eol()}},
        {"SvfHexOperatorFirst", optSvfHex, "-1", {Op(tokopSub, "-"), Dig(1, "1"), Eol()}},

        // Alternative assembler style (0x0200).
        {"AltNumbers", 0x0200, "$1F @17 42", {Num(31, 16, "1F"), Num(15, 8, "17"), Num(42, 10, "42"), Eol()}},
        {"AltOctalBadDigit", 0x0200, "@18", {Bad(tokerrNumber, "18"), Eol()}},
        {"AltStarCommentLine", 0x0200, "* comment line", {Eol()}},
        {"AltStarNotFirst", 0x0200, " * x", {Op(tokopMul, "*"), Id("x"), Eol()}},
        {"AltSemicolonComment", 0x0200, "a ; c", {Id("a"), Eol()}},
        {"AltCharConst", 0x0200, "'a' 'b", {Chr(97), Chr(98), Eol()}},
        {"AltCharConstNoClose", 0x0200, "'ab", {Chr(97), Id("b"), Eol()}},
        {"AltCharConstAtEnd", 0x0200, "'", {Bad(tokerrCharConst, ""), Eol()}},
        {"AltLoneDollar", 0x0200, "$ $g", {Punct(tkkDollar, "$"), Punct(tkkDollar, "$"), Id("g"), Eol()}},
        {"AltLoneAt", 0x0200, "@", {Bad(tokerrChar, "@"), Eol()}},
        {"AltDecimalThenLetter", 0x0200, "12a", {Num(12, 10, "12"), Id("a"), Eol()}},

        // No number style: digits and quotes start no token.
        {"NoStyleDigit", 0x1000, "5", {Bad(tokerrChar, "5"), Eol()}},
        {"NoStyleQuote", 0x1000, "'a'", {Bad(tokerrChar, "'"), Id("a"), Bad(tokerrChar, "'"), Eol()}},
        {"NoStyleSemicolon", 0x1000, "a;b", {Id("a"), Punct(tkkSemicolon, ";"), Id("b"), Eol()}},
        {"NoOptionsDollar", 0, "$x ?", {Punct(tkkDollar, "$"), Id("x"), Bad(tokerrChar, "?"), Eol()}},
        {"ReservedBitNoEffect", 0x0800, "ab", {Id("ab"), Eol()}},

        // Expression style wins over the assembler forms.
        {"ExprOverAsmNumbers", 0x0500, "0x10 10h ?a",
         {Num(16, 16, "10"), Num(10, 10, "10"), Id("h"), Op(tokopQuestion, "?"), Id("a"), Eol()}},
        {"ExprOverAsmCharConst", 0x0500, "'AB'", {Bad(tokerrCharConst, ""), Id("B"), Bad(tokerrCharConst, ""), Eol()}},
        {"ExprKeepsAsmComment", 0x0500, "a ; b // c", {Id("a"), Eol()}},
        {"ExprOverAltNumbers", 0x0600, "$1F", {Punct(tkkDollar, "$"), Num(1, 10, "1"), Id("F"), Eol()}},
    };
}

class ScanTest : public ::testing::TestWithParam<SCANCASE> {};

TEST_P(ScanTest, Tokens)
{
    const SCANCASE& sc = GetParam();
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetOptions(sc.opt));
    ASSERT_TRUE(strm.FSetText(sc.text.c_str()));
    ExpectTokens(strm, sc.rgtok);
    strm.Term();
}

INSTANTIATE_TEST_SUITE_P(Tokenizer, ScanTest, ::testing::ValuesIn(ScanCases()),
                         [](const ::testing::TestParamInfo<SCANCASE>& info) { return std::string(info.param.szName); });

// The same texts scanned in place (no line buffer of the stream's own), each
// from an exact-size heap copy so that a read past the end is caught.
TEST(Tokenizer, ScansCallersTextInPlace)
{
    for (const SCANCASE& sc : ScanCases()) {
        SCOPED_TRACE(sc.szName);
        std::vector<char> rgch(sc.text.begin(), sc.text.end());
        rgch.push_back('\0');
        TOKSTRM strm;
        ASSERT_TRUE(strm.FInit(0));
        ASSERT_TRUE(strm.FSetOptions(sc.opt));
        ASSERT_TRUE(strm.FSetText(rgch.data()));
        ExpectTokens(strm, sc.rgtok);
    }
}

TEST(Tokenizer, OptionsOutsideMaskAreRefused)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetOptions(optDevTbl));
    for (uint32_t opt : {0x8000u, 0x80u, 0x1u, 0x10000u, 0x9100u}) {
        SCOPED_TRACE(opt);
        EXPECT_FALSE(strm.FSetOptions(opt));
        EXPECT_EQ(strm.Options(), optDevTbl);
    }
    // Still the device-table conventions.
    ASSERT_TRUE(strm.FSetText("0FFh ; x"));
    ExpectTokens(strm, {Num(255, 16, "0FF"), Eol()});
    EXPECT_TRUE(strm.FSetOptions(0x7F00));
    EXPECT_EQ(strm.Options(), 0x7F00u);
}

// SVF reads the data between parentheses with single-digit tokens and
// switches back after the closing parenthesis, all on one line.
TEST(Tokenizer, OptionsSwitchBetweenTokens)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetOptions(optSvf));
    ASSERT_TRUE(strm.FSetText("sdr 12 tdi (0aF) smask (fff);"));
    ExpectTokens(strm, {Id("SDR"), Num(12, 10, "12"), Id("TDI"), Punct(tkkLParen, "(")});
    ASSERT_TRUE(strm.FSetOptions(optSvfHex));
    ExpectTokens(strm, {Dig(0, "0"), Dig(10, "a"), Dig(15, "F"), Punct(tkkRParen, ")")});
    ASSERT_TRUE(strm.FSetOptions(optSvf));
    ExpectTokens(strm, {Id("SMASK"), Punct(tkkLParen, "(")});
    ASSERT_TRUE(strm.FSetOptions(optSvfHex));
    ExpectTokens(strm, {Dig(15, "f"), Dig(15, "f"), Dig(15, "f"), Punct(tkkRParen, ")")});
    ASSERT_TRUE(strm.FSetOptions(optSvf));
    ExpectTokens(strm, {Punct(tkkSemicolon, ";"), Eol()});
}

TEST(Tokenizer, TextThatDoesNotFitIsRefused)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(8));
    ASSERT_TRUE(strm.FSetOptions(optDevTbl));
    ASSERT_TRUE(strm.FSetText("abc def"));
    ExpectTokens(strm, {Id("abc")});
    EXPECT_TRUE(strm.FSetText(Rep('x', 8).c_str()));
    EXPECT_FALSE(strm.FSetText(Rep('x', 9).c_str()));
    EXPECT_FALSE(strm.FSetText(nullptr));
    // The line in place stays.
    ExpectTokens(strm, {Id(Rep('x', 8)), Eol()});
}

TEST(Tokenizer, NoLineAndNoFileGivesEndOfLine)
{
    TOKSTRM strm;
    strm.NextToken();
    ExpectToken(strm.PtokCur(), Eol(), "uninitialised");
    ASSERT_TRUE(strm.FInit(256));
    strm.NextToken();
    ExpectToken(strm.PtokCur(), Eol(), "initialised");
    EXPECT_FALSE(strm.FIsEof());
}

TEST(Tokenizer, PushedBackTokenComesFirst)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetOptions(optDevTbl));
    ASSERT_TRUE(strm.FSetText("a b c"));
    ExpectTokens(strm, {Id("a"), Id("b")});
    strm.PushBack();
    EXPECT_EQ(strm.PtokCur(), nullptr);
    strm.PushBack();  // nothing current: no effect
    ExpectTokens(strm, {Id("b")});
    strm.PushBack();
    // Switching options does not rescan a token that was pushed back.
    ASSERT_TRUE(strm.FSetOptions(optSvfHex));
    ExpectTokens(strm, {Id("b"), Dig(12, "c"), Eol()});
}

TEST(Tokenizer, ResetGivesBackEveryToken)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetOptions(optDevTbl));
    for (int i = 0; i < 1000; i++) {
        ASSERT_TRUE(strm.FSetText("a b c"));
        strm.NextToken();
        strm.PushBack();
        strm.NextToken();
        strm.NextToken();
        strm.Reset();
        EXPECT_EQ(strm.PtokCur(), nullptr);
    }
    // After Reset nothing is left of the line: no file, so end of line.
    strm.NextToken();
    ExpectToken(strm.PtokCur(), Eol(), "after reset");
    strm.Term();
    EXPECT_EQ(strm.PtokCur(), nullptr);
    EXPECT_EQ(strm.Options(), 0u);
    // Usable again after Term.
    ASSERT_TRUE(strm.FInit(16));
    ASSERT_TRUE(strm.FSetText("x"));
    ExpectTokens(strm, {Id("x"), Eol()});
}

TEST(Tokenizer, RecycledTokenKeepsNothingOfTheLastOne)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetOptions(optSvf));
    // A number with every field set, then other kinds from the same record.
    ASSERT_TRUE(strm.FSetText("0x7F <<= \"s\" x"));
    ExpectTokens(strm, {Num(127, 16, "7F"), Op(tokopShlAssign, "<<="), Str("s"), Id("X"), Eol()});
}

} // namespace
