// Helpers shared by the tokenizer tests: expected-token records, a scratch
// folder and file writer, and a stream set up as the readers set theirs up.

#pragma once

#include "tokenizer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace toktest {

// What one token must be. Fields that a kind does not use stay at their
// defaults and are then compared as zero or empty.
struct TOKEXP {
    uint32_t tkk;
    std::string text;
    int32_t val = 0;
    uint32_t vt = tokvtNone;
    uint32_t opc = 0;
    uint32_t base = 0;
    uint32_t err = tokerrNone;
};

inline TOKEXP Eol() { return {tkkEol, ""}; }
inline TOKEXP Id(const std::string& sz) { return {tkkIdent, sz}; }
inline TOKEXP Str(const std::string& sz) { return {tkkString, sz}; }
inline TOKEXP Op(uint32_t opc, const std::string& sz) { return {tkkOperator, sz, 0, tokvtNone, opc}; }
inline TOKEXP Num(int32_t val, uint32_t base, const std::string& sz)
{
    return {tkkNumber, sz, val, tokvtNumber, 0, base};
}
inline TOKEXP Chr(int32_t val) { return {tkkNumber, "", val, tokvtChar}; }
inline TOKEXP Dig(int32_t val, const std::string& sz)
{
    return {tkkDigit, sz, val, tokvtNumber, 0, static_cast<uint32_t>(val < 10 ? 10 : 16)};
}
inline TOKEXP Punct(uint32_t tkk, const std::string& sz) { return {tkk, sz}; }
// An error token: only the kind, the error code and the text are compared.
inline TOKEXP Bad(uint32_t err, const std::string& sz) { return {tkkError, sz, 0, tokvtNone, 0, 0, err}; }

inline std::string Describe(const TOKEN* ptok)
{
    if (!ptok)
        return "(no token)";
    return "kind " + std::to_string(ptok->Kind()) + " text \"" + ptok->SzText() + "\" value " +
           std::to_string(ptok->Value()) + " vt " + std::to_string(ptok->ValueType()) + " op " +
           std::to_string(ptok->Opcode()) + " base " + std::to_string(ptok->Base()) + " err " +
           std::to_string(ptok->Err());
}

inline void ExpectToken(const TOKEN* ptok, const TOKEXP& exp, const std::string& where)
{
    SCOPED_TRACE(where + ": got " + Describe(ptok));
    ASSERT_NE(ptok, nullptr);
    EXPECT_EQ(ptok->Kind(), exp.tkk);
    EXPECT_EQ(ptok->Err(), exp.err);
    EXPECT_EQ(std::string(ptok->SzText()), exp.text);
    EXPECT_EQ(ptok->Cch(), static_cast<int32_t>(exp.text.size()));
    if (exp.tkk == tkkError)
        return;
    EXPECT_EQ(ptok->Value(), exp.val);
    EXPECT_EQ(ptok->ValueType(), exp.vt);
    EXPECT_EQ(ptok->Opcode(), exp.opc);
    EXPECT_EQ(ptok->Base(), exp.base);
}

// Scan the stream's tokens and compare them with exp, in order.
inline void ExpectTokens(TOKSTRM& strm, const std::vector<TOKEXP>& exp)
{
    for (size_t i = 0; i < exp.size(); i++) {
        strm.NextToken();
        ExpectToken(strm.PtokCur(), exp[i], "token " + std::to_string(i));
    }
}

// A scratch folder of this test program inside the build's test folder.
inline std::filesystem::path ScratchDir()
{
    const char* szRoot = std::getenv("KOR_TEST_TMP");
    std::filesystem::path dir = szRoot && *szRoot ? std::filesystem::path(szRoot)
                                                  : std::filesystem::temp_directory_path();
    dir /= "tokenizer";
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::filesystem::path path = ScratchDir() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return path.string();
}

// A stream as the readers set it up: 256-character lines, the file, options.
inline bool FOpenStream(TOKSTRM& strm, const std::string& path, uint32_t opt, int cchLine = 256)
{
    return strm.FInit(cchLine) && strm.FSetPath(path.c_str()) && strm.FOpen() && strm.FSetOptions(opt);
}

} // namespace toktest
