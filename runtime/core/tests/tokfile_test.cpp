// Reading files: opening, line cutting, end of file, CR stripping, and whole
// files tokenized the way the readers walk them.

#include "toktest.h"

#include <cstdio>

using namespace toktest;

namespace {

// Every token of the file, lines joined, as "kind:text" words; "|" for an end
// of line. Stops at the end of the file (bounded, in case it never comes).
std::string Walk(TOKSTRM& strm)
{
    std::string out;
    for (int i = 0; i < 100000; i++) {
        strm.NextToken();
        const TOKEN* ptok = strm.PtokCur();
        if (!ptok)
            return out + "<no token>";
        if (ptok->Kind() == tkkEol) {
            out += "|";
            if (!strm.FReadLine())
                return out;
            continue;
        }
        out += std::to_string(ptok->Kind()) + ":" + ptok->SzText() + " ";
    }
    return out + "<no end>";
}

std::string Rep(char ch, size_t n)
{
    return std::string(n, ch);
}

// Opening a path that does not exist creates an empty file, which has no
// lines.
TEST(TokFile, MissingFileIsCreatedEmpty)
{
    std::string path = (ScratchDir() / "missing-dvclist.txt").string();
    std::remove(path.c_str());
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetPath(path.c_str()));
    ASSERT_TRUE(strm.FOpen());
    EXPECT_TRUE(strm.FIsOpen());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_EQ(strm.Sts(), tokstsEof);
    EXPECT_TRUE(strm.FIsEof());
    strm.Close();
    // A path whose folder is missing cannot be created: the open fails.
    std::string pathNoDir = (ScratchDir() / "no-such-folder" / "x.txt").string();
    ASSERT_TRUE(strm.FSetPath(pathNoDir.c_str()));
    EXPECT_FALSE(strm.FOpen());
    EXPECT_FALSE(std::filesystem::exists(pathNoDir));
}

TEST(TokFile, OpenFailures)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    EXPECT_FALSE(strm.FOpen()) << "no path";
    ASSERT_TRUE(strm.FSetPath(""));
    EXPECT_FALSE(strm.FOpen()) << "empty path";
    ASSERT_TRUE(strm.FSetPath(ScratchDir().string().c_str()));
    EXPECT_FALSE(strm.FOpen()) << "a folder";
    ASSERT_TRUE(strm.FSetPath(nullptr));
    EXPECT_EQ(strm.SzPath(), nullptr);
    EXPECT_FALSE(strm.FOpen());
}

TEST(TokFile, PathIsCopied)
{
    std::string path = WriteFile("copied.txt", "abc\n");
    std::string pathCaller = path;
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(256));
    ASSERT_TRUE(strm.FSetPath(pathCaller.c_str()));
    pathCaller.assign(pathCaller.size(), 'z');
    ASSERT_TRUE(strm.FOpen());
    EXPECT_EQ(Walk(strm), "4:abc |");
}

TEST(TokFile, EmptyFileEndsAtFirstToken)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("empty.txt", ""), 0x1100));
    EXPECT_FALSE(strm.FIsEof());
    strm.NextToken();
    ExpectToken(strm.PtokCur(), Eol(), "empty file");
    EXPECT_TRUE(strm.FIsEof());
    EXPECT_EQ(strm.Sts(), tokstsEof);
    // And stays there.
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_TRUE(strm.FIsEof());
}

TEST(TokFile, LastLineWithoutLineFeed)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("nofinal.txt", "a\nb"), 0x1100));
    ExpectTokens(strm, {Id("a"), Eol()});
    ASSERT_TRUE(strm.FReadLine());
    EXPECT_FALSE(strm.FIsEof());
    ExpectTokens(strm, {Id("b"), Eol(), Eol()});
    EXPECT_FALSE(strm.FIsEof());
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_TRUE(strm.FIsEof());
    EXPECT_EQ(strm.Sts(), tokstsEof);
}

TEST(TokFile, EmptyLinesAreLines)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("emptylines.txt", "\n\nx\n\n"), 0x1100));
    EXPECT_EQ(Walk(strm), "||4:x ||");
}

// A line of 300 characters through a 256-character buffer comes as two lines;
// the cut splits the token that spans it.
TEST(TokFile, LongLineComesAsTwoLines)
{
    std::string line = Rep('A', 100) + " " + Rep('B', 100) + " " + Rep('C', 98);
    ASSERT_EQ(line.size(), 300u);
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("long.txt", line + "\nend\n"), 0x1100));
    ExpectTokens(strm, {Id(Rep('A', 100)), Id(Rep('B', 100)), Id(Rep('C', 54)), Eol()});
    ASSERT_TRUE(strm.FReadLine());
    ExpectTokens(strm, {Id(Rep('C', 44)), Eol()});
    ASSERT_TRUE(strm.FReadLine());
    ExpectTokens(strm, {Id("end"), Eol()});
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_TRUE(strm.FIsEof());
}

TEST(TokFile, VeryLongLineIsCutRepeatedly)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("verylong.txt", Rep('x', 1000) + "\n"), 0x1100, 100));
    int cLines = 0;
    while (strm.FReadLine())
        cLines++;
    // Ten full lines; the line feed that follows the last cut is a line too.
    EXPECT_EQ(cLines, 11);
    EXPECT_TRUE(strm.FIsEof());
}

// A line that exactly fills the buffer is cut there like a longer one: its
// line feed is the rest, read as the next (empty) line.
TEST(TokFile, LineFillingTheBufferExactly)
{
    for (const char* szEnd : {"\n", "\r\n"}) {
        SCOPED_TRACE(szEnd[0] == '\r' ? "CRLF" : "LF");
        std::string bytes = Rep('a', 120) + " " + Rep('b', 135) + szEnd + "next" + szEnd;
        TOKSTRM strm;
        ASSERT_TRUE(FOpenStream(strm, WriteFile("exact.txt", bytes), 0x1100));
        EXPECT_EQ(Walk(strm), "4:" + Rep('a', 120) + " 0:" + Rep('b', 128) + " ||4:next |");
    }
    // One character less: one line.
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("exact1.txt", Rep('a', 255) + "\nnext\n"), 0x1100));
    EXPECT_EQ(Walk(strm), "0:" + Rep('a', 128) + " |4:next |");
}

TEST(TokFile, CarriageReturnsAreStripped)
{
    std::string lf =
        "; device table\n"
        "DVC {\n"
        "\tszName = \"Board_1\"\n"
        "\tszConn = \"SN:A1B2C3\"\n"
        "\tdtp =    10001h\n"
        "}\n"
        "\n";
    std::string crlf;
    for (char ch : lf) {
        if (ch == '\n')
            crlf += '\r';
        crlf += ch;
    }
    TOKSTRM strmLf;
    TOKSTRM strmCrlf;
    ASSERT_TRUE(FOpenStream(strmLf, WriteFile("lf.txt", lf), 0x1100));
    ASSERT_TRUE(FOpenStream(strmCrlf, WriteFile("crlf.txt", crlf), 0x1100));
    std::string walkLf = Walk(strmLf);
    EXPECT_EQ(walkLf, "|4:DVC 17:{ |4:szName 7:= 5:Board_1 |4:szConn 7:= 5:SN:A1B2C3 |4:dtp 7:= 6:10001 |18:} ||");
    EXPECT_EQ(Walk(strmCrlf), walkLf);
}

TEST(TokFile, CarriageReturnAtTheEnd)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("crend.txt", "a\r\nb\r"), 0x1100));
    EXPECT_EQ(Walk(strm), "4:a |4:b |");
}

// Only a CR before a line feed ends a line; any other CR is a character.
TEST(TokFile, LoneCarriageReturnIsACharacter)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("lonecr.txt", "a\rb\n"), 0x1100));
    ExpectTokens(strm, {Id("a"), Bad(tokerrChar, "\r"), Id("b"), Eol()});
}

TEST(TokFile, CrLfSplitByTheBuffer)
{
    // The CR falls on the last place of the buffer, the LF after it.
    std::string bytes = Rep('a', 15) + "\r\nb\r\n";
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("crcut.txt", bytes), 0x1100, 16));
    EXPECT_EQ(Walk(strm), "4:" + Rep('a', 15) + " |4:b |");
    // The CR and LF both after a full buffer: they end the (empty) rest.
    TOKSTRM strm2;
    ASSERT_TRUE(FOpenStream(strm2, WriteFile("crcut2.txt", Rep('a', 16) + "\r\nb\r\n"), 0x1100, 16));
    EXPECT_EQ(Walk(strm2), "4:" + Rep('a', 16) + " ||4:b |");
    // A CR that is no line end after a full buffer stays a character.
    TOKSTRM strm3;
    ASSERT_TRUE(FOpenStream(strm3, WriteFile("crcut3.txt", Rep('a', 16) + "\rb\n"), 0x1100, 16));
    EXPECT_EQ(Walk(strm3), "4:" + Rep('a', 16) + " |0:\r 4:b |");
}

// Past the end of the file every token is an end of line, even from a
// recycled record that held another kind.
TEST(TokFile, EndOfFileTokenIsEndOfLine)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("eoftok.txt", "ident\n"), 0x1100));
    ExpectTokens(strm, {Id("ident"), Eol()});
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_TRUE(strm.FIsEof());
    // The last record given back to the pool holds a number.
    ASSERT_TRUE(strm.FSetText("0FFh"));
    ExpectTokens(strm, {Num(255, 16, "0FF")});
    strm.Reset();
    EXPECT_FALSE(strm.FIsEof());
    for (int i = 0; i < 3; i++) {
        strm.NextToken();
        ExpectToken(strm.PtokCur(), Eol(), "past the end");
        EXPECT_TRUE(strm.FIsEof());
    }
}

TEST(TokFile, ReopenReadsFromTheTop)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("reopen.txt", "one\ntwo\n"), 0x1100));
    EXPECT_EQ(Walk(strm), "4:one |4:two |");
    EXPECT_TRUE(strm.FIsEof());
    strm.Close();
    EXPECT_FALSE(strm.FIsEof());
    EXPECT_FALSE(strm.FIsOpen());
    ASSERT_TRUE(strm.FOpen());
    strm.Reset();
    EXPECT_EQ(Walk(strm), "4:one |4:two |");
}

// Tokens given back stay given back across a new line: the next request
// returns them before anything of the new line.
TEST(TokFile, NewLineKeepsPushedBackTokens)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("keepback.txt", "a x\nb\n"), 0x1100));
    ExpectTokens(strm, {Id("a"), Id("x")});
    strm.PushBack();
    ASSERT_TRUE(strm.FReadLine());
    ExpectTokens(strm, {Id("x"), Id("b"), Eol()});
}

TEST(TokFile, NoLineBufferReadsNothing)
{
    TOKSTRM strm;
    ASSERT_TRUE(strm.FInit(0));
    ASSERT_TRUE(strm.FSetPath(WriteFile("nobuf.txt", "a\n").c_str()));
    ASSERT_TRUE(strm.FOpen());
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_TRUE(strm.FIsEof());
    strm.NextToken();
    ExpectToken(strm.PtokCur(), Eol(), "no buffer");
}

TEST(TokFile, NulInALineEndsIt)
{
    std::string bytes("ab", 2);
    bytes += '\0';
    bytes += "cd\nef\n";
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("nulbyte.txt", bytes), 0x1100));
    EXPECT_EQ(Walk(strm), "4:ab |4:ef |");
}

// Every platform reads the same lines: a Ctrl-Z is a character, not the end.
TEST(TokFile, CtrlZIsACharacter)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("ctrlz.txt", "a\x1a\r\nb\r\n"), 0x1100));
    EXPECT_EQ(Walk(strm), "4:a 0:\x1a |4:b |");
}

// The SVF reader takes hexadecimal data across lines under 0x6400.
TEST(TokFile, SvfDataAcrossLines)
{
    std::string svf =
        "// header\n"
        "SIR 8 TDI (f\n"
        "  E) ;\n"
        "RUNTEST 1.0E-2 SEC;\n";
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("data.svf", svf), 0x2400));
    ExpectTokens(strm, {Eol()});
    ASSERT_TRUE(strm.FReadLine());
    ExpectTokens(strm, {Id("SIR"), Num(8, 10, "8"), Id("TDI"), Punct(tkkLParen, "(")});
    ASSERT_TRUE(strm.FSetOptions(0x6400));
    ExpectTokens(strm, {Dig(15, "f"), Eol()});
    ASSERT_TRUE(strm.FReadLine());
    ExpectTokens(strm, {Dig(14, "E"), Punct(tkkRParen, ")")});
    ASSERT_TRUE(strm.FSetOptions(0x2400));
    ExpectTokens(strm, {Punct(tkkSemicolon, ";"), Eol()});
    ASSERT_TRUE(strm.FReadLine());
    ExpectTokens(strm, {Id("RUNTEST"), Num(1, 10, "1"), Op(tokopDot, "."), Num(0, 10, "0"), Id("E"),
                        Op(tokopSub, "-"), Num(2, 10, "2"), Id("SEC"), Punct(tkkSemicolon, ";"), Eol()});
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_TRUE(strm.FIsEof());
}

// The device list's shape: blocks, entries of a name and two numbers, comments.
TEST(TokFile, DeviceListShape)
{
    std::string list =
        "VENDOR {  ; vendors\n"
        "  XILINX 00000093h 00000FFFh\n"
        "  UNKNOWN\n"
        "}\n"
        "XILINX {\n"
        "  FAMILY {\n"
        "    XC2C$ 06D8093h 0FFF8FFFh\n"
        "  }\n"
        "  XC2C$ {\n"
        "    TYPE = CPLD\n"
        "    IRLEN = 8\n"
        "    DEVICES {\n"
        "      64 06E5E093h 0FFFFFFFh\n"
        "      500E 1 2\n"
        "    }\n"
        "  }\n"
        "}\n";
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("briseldvclist.txt", list), 0x1100));
    EXPECT_EQ(Walk(strm),
              "4:VENDOR 17:{ |4:XILINX 6:00000093 6:00000FFF |4:UNKNOWN |18:} |"
              "4:XILINX 17:{ |4:FAMILY 17:{ |4:XC2C$ 6:06D8093 6:0FFF8FFF |18:} |"
              "4:XC2C$ 17:{ |4:TYPE 7:= 4:CPLD |4:IRLEN 7:= 6:8 |4:DEVICES 17:{ |"
              "6:64 6:06E5E093 6:0FFFFFFF |0:500E 6:1 6:2 |18:} |18:} |18:} |");
}

TEST(TokFile, TermClosesAndForgets)
{
    TOKSTRM strm;
    ASSERT_TRUE(FOpenStream(strm, WriteFile("term.txt", "a b\n"), 0x1100));
    ExpectTokens(strm, {Id("a")});
    strm.Term();
    EXPECT_FALSE(strm.FIsOpen());
    EXPECT_EQ(strm.SzPath(), nullptr);
    EXPECT_EQ(strm.Options(), 0u);
    EXPECT_EQ(strm.PtokCur(), nullptr);
    EXPECT_FALSE(strm.FReadLine());
    EXPECT_EQ(strm.Sts(), tokstsNoFile);
}

} // namespace
