// The readers of device files: CoolRunner-II maps, JEDEC fuse files and
// Intel HEX PROM files, as the tools write them and broken; the map files
// kept in data/xbr are the generator's; the vendor's own files read.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bitfile.h"
#include "cr2gen.h"
#include "cr2map.h"
#include "ihex.h"
#include "jedec.h"
#include "vendordata.h"

namespace {

std::string StrRead(const std::string &strPath)
{
    std::ifstream is(strPath, std::ios::binary);
    std::stringstream ss;
    ss << is.rdbuf();
    return ss.str();
}

struct CELL {
    uint32_t key, line, col;
};

TEST(Cr2Map, CellsOfEveryClassAndForm)
{
    CPLDMAP map;
    std::string str = "sec_0\t\t123\t<7>\n"
                      "_45\tuser\tdone1\t 9\n"
                      "8\t 5\t6\tspare\n"
                      "user3\t10\tsec6\t11\r\n";
    ASSERT_TRUE(map.FParse(str.data(), str.size()));
    EXPECT_EQ(map.lineLast, 3u);
    EXPECT_EQ(map.colLast, 3u);
    const CELL rgcell[] = {
        {KeyMap(mapcSec, 0), 0, 0}, {KeyMap(mapcSpare, 0), 0, 1}, {KeyMap(mapcFuse, 123), 0, 2},
        {KeyMap(mapcFuse, 7), 0, 3}, {KeyMap(mapcFuse, 45), 1, 0}, {KeyMap(mapcDone, 1), 1, 2},
        /* " 9" toggles the user column to column 3 after it is read: 9 is still a fuse */
        {KeyMap(mapcFuse, 9), 1, 3}, {KeyMap(mapcFuse, 8), 2, 0},
        /* " 5" in column 1 while column 3 is the user column: toggles it off, 5 is a fuse */
        {KeyMap(mapcFuse, 5), 2, 1}, {KeyMap(mapcFuse, 6), 2, 2}, {KeyMap(mapcSpare, 1), 2, 3},
        {KeyMap(mapcUser, 3), 3, 0}, {KeyMap(mapcFuse, 10), 3, 1}, {KeyMap(mapcSec, 6), 3, 2},
        {KeyMap(mapcFuse, 11), 3, 3},
    };
    for (const CELL &cell : rgcell) {
        uint32_t line = 99, col = 99;
        EXPECT_TRUE(map.FFind(cell.key, &line, &col)) << std::hex << cell.key;
        EXPECT_EQ(line, cell.line) << std::hex << cell.key;
        EXPECT_EQ(col, cell.col) << std::hex << cell.key;
    }
    EXPECT_EQ(map.cFuse, 9u);
    EXPECT_EQ(map.cSec, 2u);
    EXPECT_EQ(map.cSpare, 2u);
    EXPECT_EQ(map.cUser, 1u);
    EXPECT_EQ(map.cDone, 1u);
}

TEST(Cr2Map, TheUserColumnMakesNumbersUserCells)
{
    CPLDMAP map;
    std::string str = "1\t 2\n3\t4\n5\t 6\n7\t8";
    ASSERT_TRUE(map.FParse(str.data(), str.size()));
    uint32_t line, col;
    EXPECT_TRUE(map.FFind(KeyMap(mapcFuse, 2), &line, &col));    /* the toggling cell itself */
    EXPECT_TRUE(map.FFind(KeyMap(mapcUser, 4), &line, &col));    /* in the user column */
    EXPECT_TRUE(map.FFind(KeyMap(mapcFuse, 3), &line, &col));
    EXPECT_TRUE(map.FFind(KeyMap(mapcUser, 6), &line, &col));    /* the toggle off takes effect after it */
    EXPECT_TRUE(map.FFind(KeyMap(mapcFuse, 8), &line, &col));
}

TEST(Cr2Map, MalformedMapsAreRefused)
{
    const char *rgsz[] = {
        "1\t2\nx\t3",                               /* a cell that is no number */
        "1\t2\t3\n4\t5",                            /* a line with fewer columns */
        "1\t2\n3\t4\t5",
        "1\t012345678901234567890123456789012",   /* a cell of 32 characters */
        "1\t99999999",                              /* above 24 bits */
        "<12\t1",
        "sec\t1",
        "spare\tspare",                             /* no fuse at all */
        "",
    };
    for (const char *sz : rgsz) {
        CPLDMAP map;
        EXPECT_FALSE(map.FParse(sz, strlen(sz))) << sz;
    }
}

TEST(Cr2Map, TheProjectsMapFilesAreTheGenerators)
{
    for (const CR2PART &part : RgpartCr2()) {
        std::string strPath = std::string(BRISEL_DATA_DIR) + "xbr/" + part.szName + ".map";
        std::string strText = StrRead(strPath);
        EXPECT_TRUE(strText == StrCr2Map(part)) << strPath << " differs: rewrite it with cr2map";
        if (part.cbitRow > 300)
            continue;   /* the larger maps only compared: reading them is the same code */
        CPLDMAP map;
        ASSERT_TRUE(map.FLoad(strPath)) << strPath;
        EXPECT_EQ(map.lineLast + 1, part.cbitRow);
        EXPECT_EQ(map.colLast + 1, part.crow);
        EXPECT_EQ(map.cFuse, part.cfuse);
        EXPECT_EQ(map.cSec, 7u);
        EXPECT_EQ(map.cDone, 2u);
        EXPECT_EQ(map.cUser, 32u);
    }
}

std::vector<uint8_t> Fuses(const std::string &str)
{
    std::vector<uint8_t> rgfuse;
    for (char ch : str)
        rgfuse.push_back(ch == '1');
    return rgfuse;
}

std::string StrJed(const std::string &strFields)
{
    std::string strBody = "\x02" + strFields + "\x03";
    unsigned sum = 0;
    for (unsigned char ch : strBody)
        sum += ch;
    char sz[8];
    snprintf(sz, sizeof(sz), "%04X", sum & 0xFFFF);
    return "Programmer Jedec Bit Map\r\nDate Extracted: today\r\n\r\n" + strBody + sz + "\r\n";
}

TEST(Jedec, FieldsAsToolsWriteThem)
{
    JEDEC jed;
    std::string strErr;
    std::string str = StrJed("QF16*\r\nQP44*\r\nF0*\r\nN DEVICE XC2C64A-7-VQ44*\r\nNote Block 0 *\r\n"
                             "L000010 1101*\r\nL000002 11\r\n  01*\r\nX0*\r\nJ0 0*\r\n");
    ASSERT_TRUE(FParseJedec(str.data(), str.size(), "XC2C64A", jed, &strErr)) << strErr;
    EXPECT_EQ(jed.cfuse, 16u);
    EXPECT_EQ(jed.rgfuse, Fuses("0011010000110100"));
    EXPECT_EQ(jed.strDevice, "XC2C64A");
    EXPECT_TRUE(jed.fTxChecksum);
    EXPECT_TRUE(jed.fTxChecksumOk);
    /* the same file for another part is refused */
    EXPECT_FALSE(FParseJedec(str.data(), str.size(), "XC2C64", jed, &strErr));
    /* F1: fuses no L field gives are 1; the fuse checksum of the result is checked */
    str = StrJed("QF10*\nF1*\nL000003 00*\nC00EA*\n");
    ASSERT_TRUE(FParseJedec(str.data(), str.size(), nullptr, jed, &strErr)) << strErr;
    EXPECT_EQ(jed.rgfuse, Fuses("1110011111"));
    /* line ends changed after the tool wrote it: the transmission checksum no longer fits, the file still reads */
    std::string strCrlf = str;
    for (size_t ich = 0; (ich = strCrlf.find('\n', ich)) != std::string::npos; ich += 2)
        strCrlf.insert(ich, "\r");
    ASSERT_TRUE(FParseJedec(strCrlf.data(), strCrlf.size(), nullptr, jed, &strErr)) << strErr;
    EXPECT_TRUE(jed.fTxChecksum);
    EXPECT_FALSE(jed.fTxChecksumOk);
}

TEST(Jedec, BrokenFilesAreRefused)
{
    const char *rgsz[] = {
        "QF16*L000000 1111*",                      /* no STX */
        "\x02QF16*L000000 1111*",                  /* no ETX */
        "\x02L000000 1111*\x03",                   /* no QF */
        "\x02QF16*L00000a 1111*\x03",              /* a fuse number with a letter */
        "\x02QF16*L000000 1121*\x03",              /* a state that is not 0 or 1 */
        "\x02QF16*L000000 11x1*\x03",
        "\x02QF16*L000014 1111*\x03",              /* fuses beyond QF */
        "\x02QF16*L0000001111*\x03",               /* no blank after the number */
        "\x02QF16*L000000 1111\x03",               /* a field without "*" */
        "\x02QF8*L000000 11110000*C0010*\x03",     /* the fuse checksum differs (0x0F) */
        "\x02QF0*\x03",
        "\x02QF99999999999*\x03",
        "\x02QF8*Fx*\x03",
    };
    for (const char *sz : rgsz) {
        JEDEC jed;
        std::string strErr;
        EXPECT_FALSE(FParseJedec(sz, strlen(sz), nullptr, jed, &strErr)) << sz;
        EXPECT_FALSE(strErr.empty()) << sz;
    }
}

TEST(Jedec, TheVendorsFileReadsWithBothChecksums)
{
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    std::string str = StrRead(vendordata::SzFile("hackrf-xc2c64a/top.jed"));
    JEDEC jed;
    std::string strErr;
    ASSERT_TRUE(FParseJedec(str.data(), str.size(), "XC2C64A", jed, &strErr)) << strErr;
    EXPECT_EQ(jed.cfuse, 25812u);
    EXPECT_TRUE(jed.fTxChecksumOk);
    /* a generated file as the tools write it */
    std::vector<uint8_t> rgfuse(25812);
    for (size_t i = 0; i < rgfuse.size(); i++)
        rgfuse[i] = (i * 7 + i / 13) % 3 != 0;
    std::string strGen = StrJedec("XC2C64A", rgfuse, true);
    ASSERT_TRUE(FParseJedec(strGen.data(), strGen.size(), "XC2C64A", jed, &strErr)) << strErr;
    EXPECT_EQ(jed.rgfuse, rgfuse);
    EXPECT_TRUE(jed.fTxChecksumOk);
}

struct HEXCASE {
    const char *szText;
    uint32_t err;
    uint32_t line;
};

TEST(Ihex, RecordsAndTheirErrors)
{
    const HEXCASE rgcase[] = {
        {":0400000001020304F2\n:00000001FF\n", hexerrNone, 0},
        {":0400000001020304F3\n", hexerrRecord, 1},                /* checksum */
        {":0400000001020304F2\n:04000000010G0304F2\n", hexerrDigit, 2},
        {":0400000001020304\n", hexerrRecord, 1},                  /* short */
        {":0400000001020304F2FF\n", hexerrRecord, 1},              /* count does not fit */
        {":0400000601020304EC\n", hexerrRecord, 1},                /* type 06 */
        {"0400000001020304F2\n", hexerrRecord, 1},                 /* no colon */
        {"x0400000001020304F2\n", hexerrDigit, 1},
        {":020000040040BA\n:0100000000FF\n", hexerrRecord, 2},     /* at 4 MB: outside the image */
        {":0100000011EE\n\n  \n:0100010022DC\r\n", hexerrNone, 0}, /* blank lines, CR LF, no end record */
    };
    for (const HEXCASE &c : rgcase) {
        HEXIMAGE img;
        bool fOk = FParseHexText(c.szText, strlen(c.szText), img);
        EXPECT_EQ(fOk, c.err == hexerrNone) << c.szText;
        EXPECT_EQ(img.err, c.err) << c.szText;
        EXPECT_EQ(img.line, c.line) << c.szText;
    }
}

TEST(Ihex, AddressesGapsAndUpperAddress)
{
    HEXIMAGE img;
    /* data at 0; extended linear 0001 then 0003: the upper address is the value; a gap reads blank */
    std::string str = ":0400000001020304F2\n:020000040001F9\n:02000200AABB97\n:020000040003F7\n:01FFFF00CC35\n"
                      ":00000001FF\n:0100050077FF\n";
    ASSERT_TRUE(FParseHexText(str.data(), str.size(), img));
    ASSERT_EQ(img.ibEnd, 0x40000u);
    EXPECT_EQ(img.ibLowest, 0u);
    EXPECT_EQ(img.rgb[0], 1);
    EXPECT_EQ(img.rgb[3], 4);
    EXPECT_EQ(img.rgb[4], 0xFF);
    EXPECT_EQ(img.rgb[0x10002], 0xAA);
    EXPECT_EQ(img.rgb[0x10003], 0xBB);
    EXPECT_EQ(img.rgb[0x20000], 0xFF);
    EXPECT_EQ(img.rgb[0x3FFFF], 0xCC);
    /* extended segment 1000: the data goes 0x10000 higher; lower-case digits */
    str = ":020000021000ec\n:0200000055aaff\n";
    ASSERT_TRUE(FParseHexText(str.data(), str.size(), img));
    EXPECT_EQ(img.ibLowest, 0x10000u);
    EXPECT_EQ(img.rgb[0x10000], 0x55);
    EXPECT_EQ(img.rgb[0x10001], 0xAA);
    /* a second file leaves nothing of the first */
    str = ":0100000011EE\n";
    ASSERT_TRUE(FParseHexText(str.data(), str.size(), img));
    EXPECT_EQ(img.ibEnd, 1u);
    EXPECT_EQ(img.rgb.size(), 1u);
}

TEST(Ihex, TheVendorsMcsIsTheBitFilesDataBitReversed)
{
    if (!vendordata::FHere())
        GTEST_SKIP() << "vendor test files absent (../shared/testdata/vendor)";
    std::string strMcs = StrRead(vendordata::SzFile("openmsp430-s3/leds.mcs"));
    std::string strBit = StrRead(vendordata::SzFile("openmsp430-s3/leds.bit"));
    HEXIMAGE img;
    ASSERT_TRUE(FParseHexText(strMcs.data(), strMcs.size(), img)) << img.line;
    BITFILE *pbitfile = PbitfileNew();
    ASSERT_TRUE(FParseBitImage((const uint8_t *)strBit.data(), strBit.size(), pbitfile));
    ASSERT_LE(pbitfile->cbData, img.ibEnd);
    /* the PROM file generator sets the start-up clock to CCLK (the COR word,
     * bytes 28 to 31) and so rewrites the CRC near the end: nothing else differs */
    size_t cDiffer = 0;
    for (uint32_t ib = 0; ib < pbitfile->cbData; ib++) {
        uint8_t b = pbitfile->pbData[ib], r = 0;
        for (int k = 0; k < 8; k++)
            r |= (uint8_t)(((b >> k) & 1) << (7 - k));
        if (img.rgb[ib] != r) {
            cDiffer++;
            EXPECT_TRUE((ib >= 28 && ib < 32) || ib + 512 > pbitfile->cbData) << ib;
        }
    }
    EXPECT_LE(cDiffer, 3u);
    ReleaseBitfile(pbitfile);
}

} // namespace
