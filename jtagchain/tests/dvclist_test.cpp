// Device-list reader: identification and part lookup over the shipped file,
// and small malformed files.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dvclist.h"
#include "schain.h"
#include "tmpdir.h"

namespace {

struct DVCLISTFIX {
    DVCLISTFIX() { schain.FInit(); SzDataDir(BRISEL_DATA_DIR); }
    void SzDataDir(const std::string &str) { snprintf(schain.szDataDir, sizeof(schain.szDataDir), "%s", str.c_str()); }
    SCHAIN schain;
};

struct IDCASE {
    uint32_t idcode;
    int32_t dvct;
    const char *szName;
    int32_t cbitIr;
    int32_t alg;
    int32_t idbmpNormal;
    uint32_t opBypass, opIdcode, op2;   /* op2: CFG_IN, ISC_ENABLE or ISPEN / ISC_PROGRAM */
};

} // namespace

TEST(DvcListShipped, IdcodesGiveTypeNameIrLengthAndOpcodes)
{
    const IDCASE rgcase[] = {
        {0x01C10093, dvctFpga, "XC3S100E", 6, 1, 106, 0x3F, 0x09, 0x05},
        {0x41C22093, dvctFpga, "XC3S500E", 6, 1, 106, 0x3F, 0x09, 0x05},   /* version 4 */
        {0xF1C3A093, dvctFpga, "XC3S1600E", 6, 1, 106, 0x3F, 0x09, 0x05},
        {0x02218093, dvctFpga, "XC3S200A", 6, 3, 106, 0x3F, 0x09, 0x05},
        {0x22628093, dvctFpga, "XC3S700AN", 6, 3, 106, 0x3F, 0x09, 0x05},
        {0x0384E093, dvctFpga, "XC3SD3400A", 6, 3, 106, 0x3F, 0x09, 0x05},
        {0x01414093, dvctFpga, "XC3S200", 6, 1, 106, 0x3F, 0x09, 0x05},
        {0x24001093, dvctFpga, "XC6SLX9", 6, 5, 106, 0x3F, 0x09, 0x05},
        {0x44028093, dvctFpga, "XC6SLX45T", 6, 5, 106, 0x3F, 0x09, 0x05},
        {0x0401D093, dvctFpga, "XC6SLX150", 6, 5, 106, 0x3F, 0x09, 0x05},
        {0x06E5E093, dvctCpld, "XC2C64A", 8, 1, 104, 0xFF, 0x01, 0xE8},
        {0x16D4A093, dvctCpld, "XC2C256", 8, 1, 104, 0xFF, 0x01, 0xE8},
        {0xF5045093, dvctProm, "XCF02S", 8, 1, 109, 0xFF, 0xFE, 0xE8},
        {0x05044093, dvctProm, "XCF01S", 8, 1, 109, 0xFF, 0xFE, 0xE8},
        {0x05059093, dvctProm, "XCF32P", 16, 2, 109, 0xFFFF, 0xFE, 0xEA},
        {0x0400F093, dvctFpga, "XC6SLX ? ", 6, 5, 106, 0x3F, 0x09, 0x05},   /* family known, device not */
    };
    DVCLISTFIX fix;
    for (const IDCASE &c : rgcase) {
        std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, c.idcode));
        ASSERT_NE(pscdvc, nullptr) << std::hex << c.idcode;
        EXPECT_EQ(pscdvc->dvct, c.dvct) << c.szName;
        EXPECT_STREQ(pscdvc->pjtdvc->szName, c.szName);
        EXPECT_EQ(pscdvc->cbitIr, c.cbitIr) << c.szName;
        EXPECT_EQ(pscdvc->alg, c.alg) << c.szName;
        EXPECT_EQ(pscdvc->pjtdvc->idbmpNormal, c.idbmpNormal);
        EXPECT_EQ(pscdvc->pjtdvc->idbmpFrame, 105);
        EXPECT_EQ(pscdvc->pjtdvc->hmodBitmaps, nullptr);
        EXPECT_EQ(pscdvc->pschain, &fix.schain);
        EXPECT_EQ(pscdvc->RgOp()[0], c.opBypass) << c.szName;
        EXPECT_EQ(pscdvc->RgOp()[1], c.opIdcode) << c.szName;
        uint32_t *pop2 = pscdvc->POpFromName(c.dvct == dvctFpga ? "CFG_IN"
                                             : c.dvct == dvctCpld ? "ISC_ENABLE"
                                             : c.alg == 1 ? "ISPEN" : "ISC_PROGRAM");
        ASSERT_NE(pop2, nullptr);
        EXPECT_EQ(*pop2, c.op2) << c.szName;
    }
}

TEST(DvcListShipped, FpgaOpcodesAreAllSet)
{
    DVCLISTFIX fix;
    std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, 0x01C22093));
    ASSERT_NE(pscdvc, nullptr);
    SCFPGA *pscfpga = static_cast<SCFPGA *>(pscdvc.get());
    const uint32_t rgopWant[SCFPGA::cop] = {0x3F, 0x09, 0x05, 0x0C, 0x04, 0x0B, 0x0D};
    for (int iop = 0; iop < SCFPGA::cop; iop++)
        EXPECT_EQ(pscfpga->rgop[iop], rgopWant[iop]) << iop;
}

TEST(DvcListShipped, OtherVendorsAndOtherXilinxFamilies)
{
    DVCLISTFIX fix;
    /* another vendor: the UNKNOWN record */
    std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, 0x0BA00477));
    ASSERT_NE(pscdvc, nullptr);
    EXPECT_EQ(pscdvc->dvct, dvctUnknown);
    EXPECT_STREQ(pscdvc->pjtdvc->szName, "UNKNOWN");
    EXPECT_EQ(pscdvc->pjtdvc->idbmpNormal, 112);
    EXPECT_EQ(pscdvc->pjtdvc->idbmpDisabled, 112);
    EXPECT_EQ(pscdvc->cbitIr, 0);
    /* a Xilinx family not in the list: its UNKNOWN section */
    pscdvc.reset(IdentifyIdcode(&fix.schain, 0x0A001093));
    ASSERT_NE(pscdvc, nullptr);
    EXPECT_EQ(pscdvc->dvct, dvctUnknown);
    EXPECT_STREQ(pscdvc->pjtdvc->szName, "UNKNOWN");
    /* all ones (stuck TDO) and all zeros */
    pscdvc.reset(IdentifyIdcode(&fix.schain, 0xFFFFFFFF));
    ASSERT_NE(pscdvc, nullptr);
    EXPECT_EQ(pscdvc->dvct, dvctUnknown);
}

TEST(DvcListShipped, PartLookupOfBitFileParts)
{
    struct { const char *szPart; uint32_t idcode; } rgcase[] = {
        {"xc3s500efg320", 0x01C22093},
        {"xc3s1600efg484", 0x01C3A093},
        {"xc3s700anfgg484", 0x02628093},
        {"xc3s200avq100", 0x02218093},
        {"xc3sd1800acs484", 0x03840093},
        {"xc3s1000ft256", 0x01428093},
        {"xc6slx9tqg144", 0x04001093},
        {"xc6slx45tfgg484", 0x04028093},
        {"xc6slx16csg324", 0x04002093},
        {"XC3S250EVQ100", 0x01C1A093},
        {"xc3s9999e", 0},
        {"xc7a35t", 0},
        {"xc", 0},
        {"", 0},
    };
    DVCLISTFIX fix;
    for (auto &c : rgcase) {
        uint32_t mask = 0xDEAD;
        uint32_t idcode = LookupPartIdcode(&fix.schain, c.szPart, &mask);
        EXPECT_EQ(idcode, c.idcode) << c.szPart;
        if (c.idcode != 0) {
            EXPECT_EQ(mask, 0x0FFFFFFFu) << c.szPart;
        }
    }
}

TEST(DvcListMatch, PatternsTakeDigitsForDollar)
{
    struct { const char *szPattern, *szPart; bool fMatch; const char *szNamePart; } rgcase[] = {
        {"AB$X", "ab64xq208", true, "64"},
        {"AB$", "ab64xq208", true, "64"},
        {"AB$X", "ab64yq208", false, ""},
        {"AB$X", "abx", false, ""},
        {"AB$", "ab", false, ""},
        {"AB", "ab64", false, ""},
        {"AB$X", "ab12345678901234567x", false, ""},
        {"AB$X", "ab1234567890123456x", true, "1234567890123456"},
        {"XC3S$AN", "XC3S700AN", true, "700"},
        {"XC3S$A", "xc3s700an", true, "700"},
    };
    for (auto &c : rgcase) {
        char szNamePart[17];
        EXPECT_EQ(FMatchPartPattern(c.szPattern, c.szPart, szNamePart), c.fMatch) << c.szPattern << " " << c.szPart;
        if (c.fMatch) {
            EXPECT_STREQ(szNamePart, c.szNamePart);
        }
    }
}

namespace {

const char szSmallList[] =
    "; test list\n"
    "VENDOR {\n"
    "  ACME 0ABCh 0FFFh\n"
    "  BAD 0101h 00FFh   ; value outside its mask: never matches\n"
    "  XILINX 093h 0FFFh\n"
    "  UNKNOWN\n"
    "}\n"
    "ACME {\n"
    "  FAMILY {\n"
    "    AB$X 01000000h 0F000000h\n"
    "    AB$ 02000000h 0F000000h\n"
    "  }\n"
    "  AB$X {\n"
    "    TYPE = MISC\n"
    "    IRLEN = 4\n"
    "    DEVICES {\n"
    "      500E 01000ABCh 0FFFFFFFh\n"
    "      64 01000ABCh 0FFFFFFFh\n"
    "      65 01000ABCh 0FFFFFFFh\n"
    "      32 01100ABCh 0FF0FFFFh\n"
    "    }\n"
    "  }\n"
    "  AB$ {\n"
    "    TYPE = PROM\n"
    "    IRLEN = 8\n"
    "    ALG = 2\n"
    "    COMMANDS {\n"
    "      BYPASS 0FFh\n"
    "      FPGM EAh   ; starts with a letter: an identifier, line passed over\n"
    "      NOSUCH 12h\n"
    "    }\n"
    "    DEVICES {\n"
    "    }\n"
    "  }\n"
    "  UNKNOWN {\n"
    "    TYPE = CPLD\n"
    "    IRLEN = 7\n"
    "    DEVICES {\n"
    "    }\n"
    "  }\n"
    "}\n"
    "XILINX {\n"
    "  FAMILY {\n"
    "    AB$X 01000000h 0F000000h\n"
    "    AB$ 01000000h 0F000000h\n"
    "    CD$ 03000000h 0F000000h\n"
    "  }\n"
    "  AB$X {\n"
    "    TYPE = FPGA\n"
    "    DEVICES {\n"
    "      64 01234093h 0FFFFFFFh\n"
    "    }\n"
    "  }\n"
    "  AB$ {\n"
    "    TYPE = FPGA\n"
    "    DEVICES {\n"
    "      64 05555093h 0FFFFFFFh\n"
    "    }\n"
    "  }\n"
    "  UNKNOWN {\n"
    "    TYPE = UNKNOWN\n"
    "    DEVICES {\n"
    "    }\n"
    "  }\n"
    "  CD$ {\n"
    "    TYPE = FPGA\n"
    "    DEVICES {\n"
    "      7 03000093h 0FFFFFFFh\n"
    "    }\n"
    "  }\n"
    "}\n";

} // namespace

TEST(DvcListSmall, EntriesMasksAndDefaults)
{
    TMPDIR tmpdir("dvclist-small");
    tmpdir.Write("briseldvclist.txt", szSmallList);
    DVCLISTFIX fix;
    fix.SzDataDir(tmpdir.StrDir());
    struct { uint32_t idcode; int32_t dvct; const char *szName; int32_t cbitIr; } rgcase[] = {
        {0x01000ABC, dvctMisc, "AB64X", 4},      /* 500E passed over, first match wins */
        {0x01100ABC, dvctMisc, "AB32X", 4},      /* only the masked entry fits */
        {0x011F0ABC, dvctMisc, "AB32X", 4},      /* bits outside the mask ignored */
        {0x01000ABD, dvctUnknown, "UNKNOWN", 0}, /* vendor unknown (no UNKNOWN in front: listed last) */
        {0x02000ABC, dvctProm, "AB ? ", 8},      /* no device entry */
        {0x05000ABC, dvctCpld, "UNKNOWN", 7},    /* no family: the UNKNOWN section */
        {0x00000101, dvctUnknown, "UNKNOWN", 0}, /* BAD's value has bits outside its mask */
    };
    for (auto &c : rgcase) {
        std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, c.idcode));
        ASSERT_NE(pscdvc, nullptr) << std::hex << c.idcode;
        EXPECT_EQ(pscdvc->dvct, c.dvct) << std::hex << c.idcode;
        EXPECT_STREQ(pscdvc->pjtdvc->szName, c.szName) << std::hex << c.idcode;
        EXPECT_EQ(pscdvc->cbitIr, c.cbitIr) << std::hex << c.idcode;
    }
    std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, 0x02000ABC));
    EXPECT_EQ(pscdvc->RgOp()[SCPROM::opBypass], 0xFFu);
    EXPECT_EQ(pscdvc->RgOp()[SCPROM::opFpgm], 0u);
    EXPECT_EQ(pscdvc->alg, 2);
}

TEST(DvcListSmall, PartLookupTakesTheFirstFittingSectionAndStopsAtUnknown)
{
    TMPDIR tmpdir("dvclist-lookup");
    tmpdir.Write("briseldvclist.txt", szSmallList);
    DVCLISTFIX fix;
    fix.SzDataDir(tmpdir.StrDir());
    uint32_t mask = 0;
    EXPECT_EQ(LookupPartIdcode(&fix.schain, "ab64xq208", &mask), 0x01234093u);
    EXPECT_EQ(mask, 0x0FFFFFFFu);
    EXPECT_EQ(LookupPartIdcode(&fix.schain, "ab64q208", &mask), 0x05555093u);
    EXPECT_EQ(LookupPartIdcode(&fix.schain, "cd7", &mask), 0u);   /* after the UNKNOWN section */
    EXPECT_EQ(LookupPartIdcode(&fix.schain, "ab65x", &mask), 0u);
}

/* The list is read once and kept while the file stays as it was; a file
 * written anew (just now, or with another time) is read again, and a file
 * gone is gone. */
TEST(DvcListSmall, AChangedFileIsReadAgain)
{
    TMPDIR tmpdir("dvclist-changed");
    DVCLISTFIX fix;
    fix.SzDataDir(tmpdir.StrDir());
    std::string strPath = tmpdir.StrDir() + "briseldvclist.txt";
    std::string strList = szSmallList;
    std::string strList66 = strList;
    strList66.replace(strList66.find("      64 01000ABCh"), 8, "      66");
    auto name = [&](uint32_t idcode) {
        std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, idcode));
        return pscdvc == nullptr ? std::string("(none)") : std::string(pscdvc->pjtdvc->szName);
    };
    auto timeAgo = [](int cmin) { return std::filesystem::file_time_type::clock::now() - std::chrono::minutes(cmin); };

    tmpdir.Write("briseldvclist.txt", strList.c_str());
    EXPECT_EQ(name(0x01000ABC), "AB64X");
    tmpdir.Write("briseldvclist.txt", strList66.c_str());      /* same size, same moment */
    EXPECT_EQ(name(0x01000ABC), "AB66X");

    /* an old file is kept; written again with another time, read again */
    std::filesystem::last_write_time(strPath, timeAgo(60));
    EXPECT_EQ(name(0x01000ABC), "AB66X");
    EXPECT_EQ(name(0x01100ABC), "AB32X");
    tmpdir.Write("briseldvclist.txt", strList.c_str());
    std::filesystem::last_write_time(strPath, timeAgo(30));
    EXPECT_EQ(name(0x01000ABC), "AB64X");

    std::filesystem::remove(strPath);
    EXPECT_EQ(name(0x01000ABC), "(none)");
}

TEST(DvcListSmall, MissingAndMalformedFiles)
{
    struct { const char *szCase; const char *szText; uint32_t idcode; bool fRecord; } rgcase[] = {
        {"no file", nullptr, 0x01234093, false},
        {"empty file", "", 0x01234093, false},
        {"vendor block without brace", "VENDOR\nXILINX 093h 0FFFh\n", 0x01234093, false},
        {"tokens after the brace", "VENDOR { x\nXILINX 093h 0FFFh\n}\n", 0x01234093, false},
        {"vendor section missing", "VENDOR {\nXILINX 093h 0FFFh\n}\n", 0x01234093, true},
        {"family section missing", "VENDOR {\nXILINX 093h 0FFFh\n}\nXILINX {\nFAMILY {\nAB$ 01000000h 0F000000h\n}\n}\n",
         0x01234093, false},
        {"no DEVICES block", "VENDOR {\nXILINX 093h 0FFFh\n}\nXILINX {\nFAMILY {\nAB$ 01000000h 0F000000h\n}\n"
                             "AB$ {\nTYPE = FPGA\n}\n}\n", 0x01234093, false},
        {"keywords before TYPE", "VENDOR {\nXILINX 093h 0FFFh\n}\nXILINX {\nFAMILY {\nAB$ 01000000h 0F000000h\n}\n"
                                 "AB$ {\nIRLEN = 6\nDEVICES {\n}\n}\n}\n", 0x01234093, false},
        {"unknown type", "VENDOR {\nXILINX 093h 0FFFh\n}\nXILINX {\nFAMILY {\nAB$ 01000000h 0F000000h\n}\n"
                         "AB$ {\nTYPE = GIZMO\nDEVICES {\n}\n}\n}\n", 0x01234093, false},
        {"file ends in the vendor block", "VENDOR {\nXILINX 093h 0FFFh\n", 0x01234093, true},
        {"long name is cut", "VENDOR {\nXILINX 093h 0FFFh\n}\nXILINX {\nFAMILY {\n"
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZ$ABCDEFGHIJ 01000000h 0F000000h\n}\n"
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZ$ABCDEFGHIJ {\nTYPE = MISC\nDEVICES {\n"
                             "123456 01234093h 0FFFFFFFh\n}\n}\n}\n", 0x01234093, true},
    };
    for (auto &c : rgcase) {
        TMPDIR tmpdir("dvclist-bad");
        if (c.szText != nullptr)
            tmpdir.Write("briseldvclist.txt", c.szText);
        DVCLISTFIX fix;
        fix.SzDataDir(tmpdir.StrDir());
        std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, c.idcode));
        EXPECT_EQ(pscdvc != nullptr, c.fRecord) << c.szCase;
        if (pscdvc) {
            EXPECT_LT(strlen(pscdvc->pjtdvc->szName), (size_t)cchJtdvcName) << c.szCase;
        }
        uint32_t mask;
        EXPECT_EQ(LookupPartIdcode(&fix.schain, "xcab64", &mask), 0u) << c.szCase;
        /* the reader never creates the file */
        if (c.szText == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(tmpdir.StrFile("briseldvclist.txt")));
        }
    }
}

TEST(DvcListSmall, CrlfLinesAndLongLines)
{
    std::string str = szSmallList;
    std::string strCrlf;
    for (char ch : str) {
        if (ch == '\n')
            strCrlf += "\r\n";
        else
            strCrlf.push_back(ch);
    }
    /* a comment line longer than the 256-character line buffer */
    strCrlf = "; " + std::string(600, 'x') + "\r\n" + strCrlf;
    TMPDIR tmpdir("dvclist-crlf");
    tmpdir.Write("briseldvclist.txt", strCrlf);
    DVCLISTFIX fix;
    fix.SzDataDir(tmpdir.StrDir());
    std::unique_ptr<SCDVC> pscdvc(IdentifyIdcode(&fix.schain, 0x01000ABC));
    ASSERT_NE(pscdvc, nullptr);
    EXPECT_STREQ(pscdvc->pjtdvc->szName, "AB64X");
}
