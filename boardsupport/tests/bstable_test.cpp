// The board tables of the eight plug-ins against their published lists (tab
// order and names, views, logo ids, product names by variant, registry and
// test-image strings), and the entry module's record checks and path rules.

#include <gtest/gtest.h>

#include <string.h>

#include "bsexpect.h"
#include "bsrecord.h"

namespace {

struct TABEXP {
    const char *szLibrary;
    std::vector<std::string> rgszTab;   // names in index order
    std::vector<uint32_t> rgidsTab;     // their string ids
};

const TABEXP rgtabexp[] = {
    {"007 - Corvale", {"Config", "Flash", "Test", "Power", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {100, 127, 101, 58112, 102, 103, 104, 105}},
    {"00C - Pentra", {"Config", "Flash", "Test", "Power", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {100, 127, 101, 58112, 102, 103, 104, 105}},
    {"00D - Miravo3", {"Config", "Memory", "Test", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {100, 127, 101, 102, 103, 104, 105}},
    {"006 - Miravo2", {"Config", "Memory", "Test", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {100, 124, 101, 102, 103, 104, 105}},
    {"003 - Miravo", {"Config", "Test", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {106, 107, 108, 109, 110, 111}},
    {"008 - Tullen2", {"Config", "Test", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {106, 109, 110, 107, 108, 111}},
    {"004 - Tullen", {"Config", "Test", "Register I/O", "File I/O", "I/O Ex", "Settings"},
     {106, 109, 110, 107, 108, 111}},
    {"301 - Harwick", {"Config", "Settings"}, {104, 105}},
};

TEST(BoardTable, TabsInOrderWithTheirStrings)
{
    const std::vector<BSEXPECT> &rgexp = RgbsExpect();
    ASSERT_EQ(rgexp.size(), sizeof(rgtabexp) / sizeof(rgtabexp[0]));
    const int rgctab[] = {8, 8, 7, 7, 6, 6, 6, 2};
    for (size_t i = 0; i < rgexp.size(); i++) {
        const BSEXPECT &exp = rgexp[i];
        SCOPED_TRACE(exp.szLibrary);
        ASSERT_STREQ(exp.szLibrary, rgtabexp[i].szLibrary);
        const BSBOARDDEF &bsb = *exp.pbsb;
        EXPECT_EQ(bsb.ctab, rgctab[i]);
        EXPECT_EQ(bsb.prodnum, static_cast<uint32_t>(strtoul(exp.szLibrary, nullptr, 16)));
        ASSERT_EQ(static_cast<size_t>(bsb.ctab), rgtabexp[i].rgszTab.size());
        for (int itab = 0; itab < bsb.ctab; itab++) {
            const BSTABDEF &tab = bsb.rgtab[itab];
            EXPECT_EQ(tab.idsName, rgtabexp[i].rgidsTab[itab]) << "tab " << itab;
            std::string szName = exp.Sz(tab.idsName);
            EXPECT_EQ(szName, rgtabexp[i].rgszTab[itab]) << "tab " << itab;
            EXPECT_LE(szName.size(), 63u);
            // The program's own tabs are asked for by one of its five names;
            // every other tab is one of the plug-in's views, with its dialog.
            if (tab.iview == ivHost) {
                EXPECT_TRUE(FHostTabName(szName)) << szName;
                EXPECT_EQ(tab.stop, bsstopNone);
            } else {
                EXPECT_FALSE(FHostTabName(szName)) << szName;
                EXPECT_GE(tab.iview, 0);
                EXPECT_LT(tab.iview, bsb.cview);
                EXPECT_NE(tab.idd, 0u);
            }
        }
    }
}

// Views in creation order, and which tab shows which view with which stop.
TEST(BoardTable, ViewsAndTheirTabs)
{
    struct VIEWTAB { const BSBOARDDEF *pbsb; std::vector<BSVK> rgvk; std::vector<std::vector<int>> rgtab; };
    // rgtab: {tab index, view, dialog, stop} of every view tab.
    const VIEWTAB rgvt[] = {
        {&g_bsbCorvale, {bsvkTestOld, bsvkPower, bsvkFlashBpi},
         {{1, 2, 112, bsstopNone}, {2, 0, 101, bsstopTest}, {3, 1, 108, bsstopNone}}},
        {&g_bsbPentra, {bsvkTestNew, bsvkPower, bsvkFlashSpi},
         {{1, 2, 112, bsstopNone}, {2, 0, 101, bsstopRequest}, {3, 1, 108, bsstopNone}}},
        {&g_bsbMiravo3, {bsvkTestNew, bsvkMemoryProg}, {{1, 1, 112, bsstopCancelWait}, {2, 0, 101, bsstopRequest}}},
        {&g_bsbMiravo2, {bsvkTestOld, bsvkMemory}, {{1, 1, 102, bsstopNone}, {2, 0, 101, bsstopTest}}},
        {&g_bsbMiravo, {bsvkTestOld}, {{1, 0, 103, bsstopTest}}},
        {&g_bsbTullen2, {bsvkTestOld}, {{1, 0, 7, bsstopTest}}},
        {&g_bsbTullen, {bsvkTestOld}, {{1, 0, 103, bsstopTest}}},
        {&g_bsbHarwick, {}, {}},
    };
    for (const VIEWTAB &vt : rgvt) {
        SCOPED_TRACE(vt.pbsb->prodnum);
        ASSERT_EQ(static_cast<size_t>(vt.pbsb->cview), vt.rgvk.size());
        for (size_t i = 0; i < vt.rgvk.size(); i++)
            EXPECT_EQ(vt.pbsb->rgvk[i], vt.rgvk[i]);
        size_t cviewTab = 0;
        for (int itab = 0; itab < vt.pbsb->ctab; itab++)
            cviewTab += vt.pbsb->rgtab[itab].iview != ivHost;
        EXPECT_EQ(cviewTab, vt.rgtab.size());
        for (const std::vector<int> &t : vt.rgtab) {
            const BSTABDEF &tab = vt.pbsb->rgtab[t[0]];
            EXPECT_EQ(tab.iview, t[1]);
            EXPECT_EQ(tab.idd, static_cast<uint32_t>(t[2]));
            EXPECT_EQ(tab.stop, static_cast<BSSTOP>(t[3]));
        }
    }
}

// Until a view class exists its tabs are left out; the program's own tabs
// are always offered.
TEST(BoardTable, TabsOfferedFollowTheViewsThatExist)
{
    auto fNone = [](BSVK) { return false; };
    auto fAll = [](BSVK) { return true; };
    auto fTestOld = [](BSVK vk) { return vk == bsvkTestOld; };
    for (const BSEXPECT &exp : RgbsExpect()) {
        SCOPED_TRACE(exp.szLibrary);
        const BSBOARDDEF &bsb = *exp.pbsb;
        for (int itab = 0; itab < bsb.ctab; itab++) {
            const BSTABDEF &tab = bsb.rgtab[itab];
            EXPECT_EQ(FTabOffered(bsb, tab, fNone), tab.iview == ivHost);
            EXPECT_TRUE(FTabOffered(bsb, tab, fAll));
            EXPECT_EQ(FTabOffered(bsb, tab, fTestOld), tab.iview == ivHost || bsb.rgvk[tab.iview] == bsvkTestOld);
        }
    }
}

TEST(BoardTable, LogoBitmaps)
{
    const uint32_t rgid[][2] = {{106, 107}, {106, 107}, {106, 107}, {106, 107},
                                {101, 102}, {102, 101}, {101, 102}, {101, 102}};
    for (size_t i = 0; i < RgbsExpect().size(); i++) {
        const BSBOARDDEF &bsb = *RgbsExpect()[i].pbsb;
        EXPECT_EQ(bsb.idbmpLogo, rgid[i][0]) << RgbsExpect()[i].szLibrary;
        EXPECT_EQ(bsb.idbmpMask, rgid[i][1]) << RgbsExpect()[i].szLibrary;
    }
}

// Variant v names string base + v for the named variants only: past them
// the ids belong to other texts (Corvale's variant 21 would read string
// 127, its tab name "Flash").
TEST(VariantNames, NamedVariantsOnly)
{
    const uint32_t rgidsBase[] = {106, 106, 106, 106, 112, 112, 200, 106};
    for (size_t i = 0; i < RgbsExpect().size(); i++) {
        const BSEXPECT &exp = RgbsExpect()[i];
        SCOPED_TRACE(exp.szLibrary);
        const BSBOARDDEF &bsb = *exp.pbsb;
        EXPECT_EQ(bsb.idsProductBase, rgidsBase[i]);
        EXPECT_EQ(bsb.cvariantNamed, static_cast<int>(exp.rgszName.size()));
        for (int iv = 0; iv < static_cast<int>(exp.rgszName.size()); iv++)
            EXPECT_EQ(exp.Sz(IdsProductOf(bsb, iv)), exp.rgszName[iv]) << "variant " << iv;
        for (int iv : {static_cast<int>(exp.rgszName.size()), 21, 0xFFF, -1})
            EXPECT_EQ(IdsProductOf(bsb, iv), 0u) << "variant " << iv;
    }
    EXPECT_EQ(RgbsExpect()[0].Sz(106 + 21), "Flash");
}

TEST(BoardTable, RegistryAndTestImageStrings)
{
    const uint32_t rgidsReg[] = {5, 5, 5, 5, 105, 105, 105, 103};
    const uint32_t rgidsImage[] = {4, 4, 4, 4, 104, 104, 104, 0};
    for (size_t i = 0; i < RgbsExpect().size(); i++) {
        const BSEXPECT &exp = RgbsExpect()[i];
        SCOPED_TRACE(exp.szLibrary);
        EXPECT_EQ(exp.pbsb->idsRegistry, rgidsReg[i]);
        EXPECT_EQ(exp.Sz(exp.pbsb->idsRegistry), "Software\\Korvanel\\Shared\\DataPath");
        EXPECT_EQ(exp.pbsb->idsTestImage, rgidsImage[i]);
        if (rgidsImage[i] == 0)
            continue;
        char sz[cchBsTestImage];
        ASSERT_TRUE(FFormatTestImage(sz, sizeof(sz), "X:\\shared", exp.Sz(exp.pbsb->idsTestImage).c_str(), 1));
        EXPECT_EQ(std::string(sz), std::string("X:\\shared\\BoardSupport\\") + exp.szLibrary + " - 1.bit");
        ASSERT_TRUE(FFormatTestImage(sz, sizeof(sz), "X:\\shared", exp.Sz(exp.pbsb->idsTestImage).c_str(), 0));
        EXPECT_EQ(std::string(sz), std::string("X:\\shared\\BoardSupport\\") + exp.szLibrary + " - 0.bit");
    }
}

TEST(TestImagePath, FitsOrIsRefused)
{
    char sz[cchBsTestImage];
    // The name is text, not a format: only its first "%d" is replaced.
    ASSERT_TRUE(FFormatTestImage(sz, sizeof(sz), "C:\\d", "\\a %s %d %d%%.bit", 4095));
    EXPECT_STREQ(sz, "C:\\d\\a %s 4095 %d%%.bit");
    ASSERT_TRUE(FFormatTestImage(sz, sizeof(sz), "C:\\d", "\\plain.bit", 3));
    EXPECT_STREQ(sz, "C:\\d\\plain.bit");
    // A data folder that leaves the path no room: refused, and nothing half-made.
    std::string szLong(cchBsTestImage - 11, 'x');
    EXPECT_TRUE(FFormatTestImage(sz, sizeof(sz), szLong.c_str(), "\\n - %d.bit", 7));   // 263 characters
    EXPECT_EQ(strlen(sz), static_cast<size_t>(cchBsTestImage - 1));
    EXPECT_FALSE(FFormatTestImage(sz, sizeof(sz), szLong.c_str(), "\\n - %d.bit", 17));
    EXPECT_STREQ(sz, "");
}

TEST(RegistryPath, KeyAndValueName)
{
    struct CASE { const char *szPath; bool f; const char *szKey, *szValue; };
    const std::string sz255(255, 'v'), sz256(256, 'v');
    const std::string szOk = "K\\" + sz255, szLong = "K\\" + sz256;
    const CASE rgcase[] = {
        {"Software\\Korvanel\\Shared\\DataPath", true, "Software\\Korvanel\\Shared", "DataPath"},
        {"DataPath", true, "", "DataPath"},
        {"Key:Value", true, "Key", "Value"},
        {"A:B\\C", true, "A:B", "C"},
        {"A\\B:C", true, "A\\B", "C"},
        {"\\DataPath", true, "", "\\DataPath"},   // a separator in the first position does not count
        {":x\\", true, ":x", ""},
        {"", true, "", ""},
        {szOk.c_str(), true, "K", sz255.c_str()},
        {szLong.c_str(), false, nullptr, nullptr},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szPath);
        std::vector<char> rgch(c.szPath, c.szPath + strlen(c.szPath) + 1);
        const char *szKey = nullptr, *szValue = nullptr;
        ASSERT_EQ(FSplitRegPath(rgch.data(), &szKey, &szValue), c.f);
        if (!c.f)
            continue;
        EXPECT_STREQ(szKey, c.szKey);
        EXPECT_STREQ(szValue, c.szValue);
    }
    // The caller's path is cut in place at the separator.
    char szPath[] = "Software\\Korvanel\\Shared\\DataPath";
    const char *szKey, *szValue;
    ASSERT_TRUE(FSplitRegPath(szPath, &szKey, &szValue));
    EXPECT_STREQ(szPath, "Software\\Korvanel\\Shared");
    EXPECT_FALSE(FSplitRegPath(nullptr, &szKey, &szValue));
}

int32_t BSCALL LogStub(const char *) { return 0; }
int32_t BSCALL RangeStub(int32_t, int32_t) { return 0; }
int32_t BSCALL LockStub(uint8_t) { return 0; }
uint8_t BSCALL ConfigureStub(int32_t, const char *) { return 1; }

BSINIT BsinitGood()
{
    BSINIT bsinit;
    memset(&bsinit, 0, sizeof(bsinit));
    bsinit.cb = sizeof(BSINIT);
    bsinit.pdid = 0x00700121;
    strcpy(bsinit.szConn, "SN:210183000001");
    bsinit.pfnLog = LogStub;
    bsinit.pfnSetProgressRange = RangeStub;
    bsinit.pfnLockHost = LockStub;
    bsinit.pfnConfigureFpga = ConfigureStub;
    return bsinit;
}

TEST(Records, BsinitRefusals)
{
    BSINIT bsinitGood = BsinitGood();
    EXPECT_TRUE(FBsinitValid(&bsinitGood));
    struct CASE { const char *szWhat; void (*pfnSpoil)(BSINIT *); };
    const CASE rgcase[] = {
        {"cb one short", [](BSINIT *p) { p->cb = sizeof(BSINIT) - 1; }},
        {"cb one over", [](BSINIT *p) { p->cb = sizeof(BSINIT) + 1; }},
        {"cb zero", [](BSINIT *p) { p->cb = 0; }},
        {"empty connection", [](BSINIT *p) { p->szConn[0] = '\0'; }},
        {"no log", [](BSINIT *p) { p->pfnLog = nullptr; }},
        {"no progress range", [](BSINIT *p) { p->pfnSetProgressRange = nullptr; }},
        {"no lock", [](BSINIT *p) { p->pfnLockHost = nullptr; }},
        {"no configure", [](BSINIT *p) { p->pfnConfigureFpga = nullptr; }},
    };
    for (const CASE &c : rgcase) {
        BSINIT bsinit = BsinitGood();
        c.pfnSpoil(&bsinit);
        EXPECT_FALSE(FBsinitValid(&bsinit)) << c.szWhat;
    }
    EXPECT_FALSE(FBsinitValid(nullptr));
}

TEST(Records, DbsAndLogoRefusals)
{
    DBS dbs = {};
    dbs.cb = sizeof(DBS);
    EXPECT_TRUE(FDbsFillable(0, 8, &dbs));
    EXPECT_TRUE(FDbsFillable(7, 8, &dbs));
    EXPECT_FALSE(FDbsFillable(8, 8, &dbs));
    EXPECT_FALSE(FDbsFillable(-1, 8, &dbs));
    EXPECT_FALSE(FDbsFillable(0, 8, nullptr));
    for (uint32_t cb : {static_cast<uint32_t>(sizeof(DBS) - 1), static_cast<uint32_t>(sizeof(DBS) + 1), 0u}) {
        dbs.cb = cb;
        EXPECT_FALSE(FDbsFillable(0, 8, &dbs)) << cb;
    }
    BSLOGO bslogo = {};
    bslogo.cb = sizeof(BSLOGO);
    EXPECT_TRUE(FBslogoFillable(&bslogo));
    bslogo.cb = sizeof(BSLOGO) + 1;
    EXPECT_FALSE(FBslogoFillable(&bslogo));
    EXPECT_FALSE(FBslogoFillable(nullptr));
}

TEST(Records, VariantBits)
{
    EXPECT_EQ(IvariantOf(0x00700121), 1);
    EXPECT_EQ(IvariantOf(0x0080020A), 2);
    EXPECT_EQ(IvariantOf(0xFFFFFFFF), 0xFFF);
    EXPECT_EQ(IvariantOf(0x301000FF), 0);
}

} // namespace
