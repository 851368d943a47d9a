// Board-support host rules without windows: identification of a generic
// board by its chain's IDCODEs, which plug-in files serve a product, the
// device row's kind and erase rules.

#include <gtest/gtest.h>

#include "brisel.h"
#include "bsident.h"
#include "scrules.h"

namespace {

TEST(BsIdent, ChainIdcodesNameTheProduct)
{
    struct {
        const char *szName;
        std::vector<uint32_t> rgidcode;
        uint32_t pdid;
    } rgcase[] = {
        {"Miravo variant 1", {0x05045093, 0x01414093}, 0x00300109},
        {"version bits are ignored", {0xF5045093, 0x31414093}, 0x00300109},
        {"Miravo variant 2", {0x05045093, 0x0141C093}, 0x00300209},
        {"Miravo variant 3", {0x05046093, 0x01428093}, 0x00300309},
        {"Miravo2 variant 1", {0x05046093, 0x01C22093}, 0x00600109},
        {"Miravo2 variant 2", {0x05046093, 0x01C2E093}, 0x00600209},
        {"Tullen variant 1", {0x05045093, 0x01C10093}, 0x00400109},
        {"Tullen variant 2", {0x05045093, 0x01C1A093}, 0x00400209},
        {"product 0x400", {0x16D4C093}, 0x4000010A},
        {"one IDCODE: the first row whose first IDCODE fits", {0x15045093}, 0x00300109},
        {"order matters", {0x01C22093, 0x05046093}, 0},
        {"no row fits", {0x01234093, 0x01414093}, 0},
        {"no chain", {}, 1},
        {"three devices", {0x05045093, 0x01414093, 0x01414093}, 1},
    };
    for (auto &c : rgcase)
        EXPECT_EQ(PdidFromIdcodes(static_cast<int>(c.rgidcode.size()), c.rgidcode.data()), c.pdid) << c.szName;
    EXPECT_EQ(ProdnumFromPdid(0x00600109), 6);
    EXPECT_EQ(ProdnumFromPdid(0x4000010A), 0x400);
}

TEST(BsIdent, PluginFileServesItsProduct)
{
    struct {
        const char *szFile;
        int prodnum;
        BOOL fServes;
    } rgcase[] = {
        {"007 - Corvale.dll", 7, TRUE},
        {"007 - Corvale.dll", 0x70, FALSE},
        {"00C - Pentra.dll", 0xC, TRUE},
        {"301 - Harwick.dll", 0x301, TRUE},
        {"000 - Unknown.dll", 0, TRUE},
        {"007 - Corvale.DLL", 7, FALSE},        // the extension is compared case-sensitively
        {"007 - Corvale", 7, FALSE},            // no extension
        {"007 - Corvale.dll.bak", 7, FALSE},    // the extension is the text from the last dot
        {"Readme.dll", 0, TRUE},                // no hexadecimal digit reads as product 0
        {"x07.dll", 0, TRUE},
        {" 7 - Blank.dll", 7, TRUE},            // leading blank allowed
        {"0x7 - Prefix.dll", 7, TRUE},          // "0x" prefix within the three characters
        {"7.dll", 7, TRUE},
    };
    for (auto &c : rgcase)
        EXPECT_EQ(FBsFileServes(c.szFile, c.prodnum), c.fServes) << c.szFile << " / " << c.prodnum;
}

TEST(ScRules, RowKindChecksAndErase)
{
    EXPECT_EQ(IkindFromBitmap(idbmpFpgaNormal), ikindFpga);
    EXPECT_EQ(IkindFromBitmap(idbmpPromNormal), ikindProm);
    EXPECT_EQ(IkindFromBitmap(idbmpUnknown), ikindCpld);
    EXPECT_EQ(FsCheckFromKind(ikindFpga), 3);
    EXPECT_EQ(FsCheckFromKind(ikindProm), 2);
    EXPECT_EQ(FsCheckFromKind(ikindCpld), 0);
    struct {
        int ikind;
        const char *szName;
        BOOL fErase;
    } rgcase[] = {
        {ikindProm, "XCF02S", TRUE}, {ikindProm, "XCF01S", TRUE}, {ikindProm, "XCF04S", TRUE},
        {ikindProm, "XCF08P", FALSE}, {ikindProm, "xcf02s", FALSE}, {ikindFpga, "XC3S500E", FALSE},
        {ikindCpld, "XC2C64A", TRUE}, {ikindCpld, "XC9572XL", FALSE}, {ikindCpld, "xc2c64a", FALSE},
    };
    for (auto &c : rgcase)
        EXPECT_EQ(FEraseOffered(c.ikind, c.szName), c.fErase) << c.szName;
}

} // namespace
