// FLHIST with real files: only files that open are taken, duplicates are
// refused, a full list loses its oldest name first; filter matching.

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "flhist.h"

namespace {

class FlhistTest : public ::testing::Test {
protected:
    std::vector<std::string> rgszFile;

    void SetUp() override
    {
        for (int i = 0; i < 14; i++) {
            std::string sz = ::testing::TempDir() + "flhist_" + std::to_string(i) + ".bit";
            FILE *pfl = fopen(sz.c_str(), "w");
            ASSERT_NE(nullptr, pfl) << sz;
            fclose(pfl);
            rgszFile.push_back(sz);
        }
    }
    void TearDown() override
    {
        for (const std::string &sz : rgszFile)
            remove(sz.c_str());
    }
};

TEST_F(FlhistTest, AddsOnlyFilesThatOpenAndRefusesDuplicates)
{
    FLHIST flhist;
    ASSERT_TRUE(flhist.FInit());
    EXPECT_EQ(ercFlhistOk, flhist.ErcAdd(rgszFile[0].c_str()));
    EXPECT_EQ(ercFlhistFailed, flhist.ErcAdd((rgszFile[0] + ".gone").c_str()));
    EXPECT_EQ(ercFlhistDuplicate, flhist.ErcAdd(rgszFile[0].c_str()));
    EXPECT_EQ(ercFlhistOk, flhist.ErcAdd(nullptr));
    EXPECT_EQ(1, flhist.Csz());
    EXPECT_EQ(0, flhist.IFind(rgszFile[0].c_str()));
    EXPECT_EQ(-1, flhist.IFind(rgszFile[1].c_str()));
    EXPECT_STREQ(".bit", flhist.SzExtension(0));
    EXPECT_EQ(nullptr, flhist.SzGet(1));
    EXPECT_EQ(nullptr, flhist.SzGet(-1));
}

TEST_F(FlhistTest, FullListLosesItsOldestEvenWhenTheNewNameIsRefused)
{
    FLHIST flhist;
    for (int i = 0; i < 12; i++)
        ASSERT_EQ(ercFlhistOk, flhist.ErcAdd(rgszFile[i].c_str()));
    EXPECT_EQ(ercFlhistOk, flhist.ErcAdd(rgszFile[12].c_str()));
    EXPECT_EQ(12, flhist.Csz());
    EXPECT_EQ(rgszFile[1], flhist.SzGet(0));
    EXPECT_EQ(rgszFile[12], flhist.SzGet(11));

    EXPECT_EQ(ercFlhistDuplicate, flhist.ErcAdd(rgszFile[5].c_str()));
    EXPECT_EQ(11, flhist.Csz());
    EXPECT_EQ(rgszFile[2], flhist.SzGet(0));
}

TEST_F(FlhistTest, RemoveMovesLaterNamesDown)
{
    FLHIST flhist;
    EXPECT_EQ(ercFlhistFailed, flhist.ErcRemove(0));
    for (int i = 0; i < 3; i++)
        flhist.ErcAdd(rgszFile[i].c_str());
    EXPECT_EQ(ercFlhistFailed, flhist.ErcRemove(3));
    EXPECT_EQ(ercFlhistOk, flhist.ErcRemove(1));
    EXPECT_EQ(2, flhist.Csz());
    EXPECT_EQ(rgszFile[2], flhist.SzGet(1));
    EXPECT_TRUE(flhist.FClear());
    EXPECT_EQ(0, flhist.Csz());
}

TEST(FlhistNames, FileNameAndExtension)
{
    EXPECT_STREQ("a.bit", SzFileNameOf("C:\\dir\\a.bit"));
    EXPECT_STREQ("b.jed", SzFileNameOf("C:b.jed"));
    EXPECT_STREQ("plain", SzFileNameOf("plain"));
    EXPECT_STREQ(".gz", SzExtOf("C:\\x.tar.gz"));
    EXPECT_EQ(nullptr, SzExtOf("C:\\noext"));
    EXPECT_EQ(nullptr, FLHIST::SzExtOf(nullptr));
}

TEST(FlhistFilter, MatchesPatternsAfterTheParenthesis)
{
    struct { const char *szPath, *szDesc; BOOL f; } rgcase[] = {
        {"C:\\a.bit", "Configuration Files (*.bit;*.bin)", TRUE},
        {"C:\\a.BIN", "Configuration Files (*.bit;*.bin)", TRUE},
        {"C:\\a.bin", "Configuration Files (*.bit; *.bin)", TRUE},
        {"C:\\a.jed", "Configuration Files (*.bit;*.bin)", FALSE},
        {"C:\\a.bi", "Configuration Files (*.bit)", TRUE},    // the extension only begins the pattern
        {"C:\\a.bit", "bit files *.bit", FALSE},               // no parenthesis, no patterns
        {"C:\\a", "Files (*.bit)", FALSE},
        {"C:\\a.svf", "SVF (*.svf)", TRUE},
        // the scan-chain library's lists of a PROM and a CPLD row
        {"C:\\boot.mcs", "XCFS Config Files (*.mcs; *.bit; *.svf)", TRUE},
        {"C:\\a.bit", "XCFS Config Files (*.mcs; *.bit; *.svf)", TRUE},
        {"C:\\a.svf", "XCFS Config Files (*.mcs; *.bit; *.svf)", TRUE},
        {"C:\\a.jed", "XCFS Config Files (*.mcs; *.bit; *.svf)", FALSE},
        {"C:\\a.JED", "XC2C Config Files (*.jed; *.svf)", TRUE},
        {"C:\\a.mcs", "XC2C Config Files (*.jed; *.svf)", FALSE},
        {"C:\\a.bit", "XC2C Config Files (*.jed; *.svf)", FALSE},
    };
    for (auto &c : rgcase)
        EXPECT_EQ(c.f, FLHIST::FMatchesFilter(c.szPath, c.szDesc)) << c.szPath << " / " << c.szDesc;
}

} // namespace
