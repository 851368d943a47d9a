// The parser's cursor: expected kinds, push-back, and the number and
// "key = value" helpers.

#include "toktest.h"

using namespace toktest;

namespace {

class TokRdr : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(strm.FInit(256));
        ASSERT_TRUE(strm.FSetOptions(0x1100));
        rdr.Attach(&strm);
        rdr.Reset();
    }
    void Text(const char* sz) { ASSERT_TRUE(rdr.FSetText(sz)); }
    void File(const std::string& name, const std::string& bytes)
    {
        strm.Close();
        ASSERT_TRUE(strm.FSetPath(WriteFile(name, bytes).c_str()));
        ASSERT_TRUE(strm.FOpen());
        rdr.Reset();
    }

    TOKSTRM strm;
    TOKRDR rdr;
};

TEST_F(TokRdr, ExpectedKindOrPushBack)
{
    Text("name = 5");
    EXPECT_FALSE(rdr.FNextToken(tkkNumber));
    EXPECT_EQ(rdr.PtokCur(), nullptr);
    EXPECT_EQ(rdr.Kind(), tkkError);
    EXPECT_STREQ(rdr.SzText(), "");
    EXPECT_EQ(rdr.Value(), 0);
    ASSERT_TRUE(rdr.FNextToken(tkkIdent));
    EXPECT_STREQ(rdr.SzText(), "name");
    ASSERT_TRUE(rdr.FNextToken(-1));
    EXPECT_EQ(rdr.Kind(), tkkOperator);
    EXPECT_EQ(rdr.Opcode(), tokopAssign);
    rdr.PushBack();
    ASSERT_TRUE(rdr.FNextToken(tkkOperator));
    ASSERT_TRUE(rdr.FNextToken(tkkNumber));
    EXPECT_EQ(rdr.Value(), 5);
    EXPECT_EQ(rdr.ValueType(), tokvtNumber);
    EXPECT_TRUE(rdr.FNextToken(tkkEol));
}

TEST_F(TokRdr, Detached)
{
    TOKRDR rdrNone;
    EXPECT_FALSE(rdrNone.FNextToken(-1));
    EXPECT_FALSE(rdrNone.FNextLine());
    EXPECT_TRUE(rdrNone.FIsEof());
    EXPECT_FALSE(rdrNone.FSetText("a"));
    EXPECT_FALSE(rdrNone.FReadKey("a"));
    rdrNone.PushBack();
    rdrNone.Reset();
    EXPECT_EQ(rdrNone.Kind(), tkkError);
    rdr.Detach();
    EXPECT_EQ(rdr.Pstrm(), nullptr);
    EXPECT_FALSE(rdr.FNextToken(-1));
}

struct SIGNEDCASE {
    const char* szText;
    bool fOk;
    int32_t l;
};

TEST_F(TokRdr, ReadSigned)
{
    const SIGNEDCASE rgsc[] = {
        {"5", true, 5},          {"-5", true, -5},       {"+5", true, 5},         {"= 7", true, 7},
        {"- 0FFh", true, -255},  {"-2147483648", true, -2147483647},              {"x", false, 0},
        {"-x", false, 0},        {"'a'", false, 0},      {"", false, 0},          {"12a", false, 0},
    };
    for (const SIGNEDCASE& sc : rgsc) {
        SCOPED_TRACE(sc.szText);
        Text(sc.szText);
        int32_t l = 12345;
        EXPECT_EQ(rdr.FReadSigned(&l), sc.fOk);
        EXPECT_EQ(l, sc.fOk ? sc.l : 12345);
    }
}

TEST_F(TokRdr, ReadU16)
{
    const SIGNEDCASE rgsc[] = {
        {"0", true, 0},        {"65535", true, 65535}, {"0FFFFh", true, 65535}, {"65536", false, 0},
        {"2147483648", false, 0}, {"-1", false, 0},    {"'A'", false, 0},       {"x", false, 0},
    };
    for (const SIGNEDCASE& sc : rgsc) {
        SCOPED_TRACE(sc.szText);
        Text(sc.szText);
        uint16_t w = 777;
        EXPECT_EQ(rdr.FReadU16(&w), sc.fOk);
        EXPECT_EQ(w, sc.fOk ? sc.l : 777);
    }
}

TEST_F(TokRdr, ReadU16Pair)
{
    uint16_t w1 = 0;
    uint16_t w2 = 0;
    Text("12:0FFh");
    ASSERT_TRUE(rdr.FReadU16Pair(&w1, &w2));
    EXPECT_EQ(w1, 12);
    EXPECT_EQ(w2, 255);
    for (const char* sz : {"12 34", "12:", "12:65536", ":3"}) {
        SCOPED_TRACE(sz);
        Text(sz);
        w1 = w2 = 9;
        EXPECT_FALSE(rdr.FReadU16Pair(&w1, &w2));
        EXPECT_EQ(w1, 9);
        EXPECT_EQ(w2, 9);
    }
}

TEST_F(TokRdr, ReadKeyIntAfterEmptyLines)
{
    File("keyint.txt", "\n ; comment\n\n\tdtp = 10001h ; type\nnext\n");
    int32_t l = 0;
    ASSERT_TRUE(rdr.FReadKeyInt("dtp", &l));
    EXPECT_EQ(l, 65537);
    EXPECT_FALSE(rdr.FNoEq());
    ASSERT_TRUE(rdr.FNextLine());
    ASSERT_TRUE(rdr.FNextToken(tkkIdent));
    EXPECT_STREQ(rdr.SzText(), "next");
}

TEST_F(TokRdr, ReadKeyBool)
{
    bool f = false;
    Text("fOn = 1");
    ASSERT_TRUE(rdr.FReadKeyBool("fOn", &f));
    EXPECT_TRUE(f);
    Text("fOn = 0");
    ASSERT_TRUE(rdr.FReadKeyBool("fOn", &f));
    EXPECT_FALSE(f);
    Text("fOn = 02h");
    ASSERT_TRUE(rdr.FReadKeyBool("fOn", &f));
    EXPECT_TRUE(f);
}

TEST_F(TokRdr, ReadKey)
{
    Text("DVC =");
    EXPECT_TRUE(rdr.FReadKey("DVC"));
    Text("DVC = 1");
    EXPECT_FALSE(rdr.FReadKey("DVC"));
    Text("DVC {");
    EXPECT_FALSE(rdr.FReadKey("DVC"));
    EXPECT_TRUE(rdr.FNoEq());
    ASSERT_TRUE(rdr.FNextToken(tkkLBrace));
}

struct KEYCASE {
    const char* szName;
    const char* szText;
    bool fNoEq;
    uint32_t tkkNext;   // the token that follows the failure
};

TEST_F(TokRdr, ReadKeyFailures)
{
    const KEYCASE rgkc[] = {
        {"OtherKey", "other = 1", false, tkkIdent},
        {"CaseDiffers", "DTP = 1", false, tkkIdent},
        {"NotAnIdent", "5 = 1", false, tkkOperator},   // taken, not given back
        {"NoEquals", "dtp 5", true, tkkNumber},
        {"OtherOperator", "dtp + 5", true, tkkOperator},
        {"NoNumber", "dtp = x", false, tkkIdent},
        {"CharConst", "dtp = 'a'", false, tkkEol},
        {"NumberError", "dtp = 12a", false, tkkError},
        {"ExtraToken", "dtp = 5 6", false, tkkNumber},
        {"Empty", "", false, tkkEol},
    };
    for (const KEYCASE& kc : rgkc) {
        SCOPED_TRACE(kc.szName);
        Text(kc.szText);
        int32_t l = 99;
        EXPECT_FALSE(rdr.FReadKeyInt("dtp", &l));
        EXPECT_EQ(l, 99);
        EXPECT_EQ(rdr.FNoEq(), kc.fNoEq);
        ASSERT_TRUE(rdr.FNextToken(-1));
        EXPECT_EQ(rdr.Kind(), kc.tkkNext);
    }
}

// Looking for a key in a file of blank lines ends at the end of the file.
TEST_F(TokRdr, ReadKeyStopsAtEndOfFile)
{
    File("blank.txt", "\n\n   \n; only a comment\n");
    int32_t l = 0;
    EXPECT_FALSE(rdr.FReadKeyInt("dtp", &l));
    EXPECT_TRUE(rdr.FIsEof());
    File("empty.txt", "");
    EXPECT_FALSE(rdr.FReadKey("dtp"));
    EXPECT_TRUE(rdr.FIsEof());
}

// The walk the readers do: until end of file, an end of line moves to the
// next line; a kind that is not there is pushed back.
TEST_F(TokRdr, ReaderLoop)
{
    File("loop.txt", "DVC {\n\tszName = \"B1\"\n}\nDVC {\n\tszName = \"B2\"\n}\n");
    std::vector<std::string> rgName;
    int cSteps = 0;
    while (!rdr.FIsEof() && cSteps++ < 1000) {
        if (rdr.FNextToken(tkkEol)) {
            rdr.FNextLine();
            continue;
        }
        if (rdr.FNextToken(tkkString)) {
            rgName.push_back(rdr.SzText());
            continue;
        }
        ASSERT_TRUE(rdr.FNextToken(-1));
    }
    EXPECT_LT(cSteps, 1000);
    EXPECT_EQ(rgName, (std::vector<std::string>{"B1", "B2"}));
}

} // namespace
