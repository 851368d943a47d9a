// APPSET: loading with defaults, the required DataPath, saving in order and
// the two file histories; FSplitRegPath, which both registry routines use.

#include <gtest/gtest.h>

#include <string>

#include "appset.h"
#include "longtexts.h"
#include "memreg.h"
#include "strtext.h"

namespace {

const std::string szStapol = "Software\\Korvanel\\Stapol\\";

class AppsetTest : public ::testing::Test {
protected:
    MEMREG reg;
    APPSET appset{&reg};

    void SetUp() override { reg.Set(regrootLocalMachine, SZ_REG_DATAPATH, "C:\\Korvanel\\Data"); }
    std::string SzUser(const std::string &szName) const
    {
        const std::string *psz = reg.Psz(regrootCurrentUser, szStapol + szName);
        return psz ? *psz : "<missing>";
    }
};

TEST_F(AppsetTest, MissingDataPathFailsTheLoad)
{
    reg.mpval.clear();
    reg.Set(regrootCurrentUser, SZ_REG_DATAPATH, "C:\\wrong root");
    EXPECT_FALSE(appset.FLoad());
}

TEST_F(AppsetTest, DefaultsWhenOnlyDataPathExists)
{
    ASSERT_TRUE(appset.FLoad());
    char sz[cchPathMax + 1] = "untouched";
    EXPECT_TRUE(appset.FGetDataPath(sz));
    EXPECT_STREQ("C:\\Korvanel\\Data", sz);
    EXPECT_FALSE(appset.FGetDvcLast(sz));
    EXPECT_STREQ("C:\\Korvanel\\Data", sz);
    EXPECT_EQ(1, appset.FShowRptWin());
    EXPECT_EQ(1, appset.FInitScStrt());
    EXPECT_EQ(0, appset.CConfigFile());
    EXPECT_EQ(0, appset.CDataFile());
}

TEST_F(AppsetTest, SwitchTextsAreExact)
{
    struct { const char *szShow, *szInit; uint8_t fShow, fInit; } rgcase[] = {
        {"Hide", "No", 0, 0}, {"Show", "Yes", 1, 1}, {"hide", "no", 1, 1}, {"", "", 1, 1}, {"Hide ", "No ", 1, 1},
    };
    for (auto &c : rgcase) {
        reg.Set(regrootCurrentUser, SZ_REG_SHOWRPTWIN, c.szShow);
        reg.Set(regrootCurrentUser, SZ_REG_INITSCSTRT, c.szInit);
        ASSERT_TRUE(appset.FLoad());
        EXPECT_EQ(c.fShow, appset.FShowRptWin()) << c.szShow;
        EXPECT_EQ(c.fInit, appset.FInitScStrt()) << c.szInit;
    }
}

TEST_F(AppsetTest, HistoryCountsNonEmptyValuesAndReadsBelowCount)
{
    reg.Set(regrootCurrentUser, szStapol + "ConfigFile1", "");
    reg.Set(regrootCurrentUser, szStapol + "ConfigFile2", "C:\\a.bit");
    reg.Set(regrootCurrentUser, szStapol + "DataFile3", "C:\\d.bin");
    reg.Set(regrootCurrentUser, szStapol + "DataFile1", "C:\\c.bin");
    ASSERT_TRUE(appset.FLoad());
    EXPECT_EQ(1, appset.CConfigFile());
    char sz[cchPathMax + 1] = "x";
    EXPECT_FALSE(appset.FGetConfigFile(sz, 0));   // entry 0 is the empty ConfigFile1
    EXPECT_FALSE(appset.FGetConfigFile(sz, 1));   // not below the count
    EXPECT_EQ(2, appset.CDataFile());
    EXPECT_TRUE(appset.FGetDataFile(sz, 0));
    EXPECT_STREQ("C:\\c.bin", sz);
    EXPECT_FALSE(appset.FGetDataFile(sz, 1));
    EXPECT_FALSE(appset.FGetDataFile(nullptr, 0));
}

TEST_F(AppsetTest, SaveWritesEveryUserValueInOrderAndSkipsFailures)
{
    ASSERT_TRUE(appset.FLoad());
    appset.SetDvcLast("SN:0123456789AB");
    appset.SetShowRptWin(0);
    appset.SetInitScStrt(0);
    appset.FAddConfigFile("C:\\x.bit");
    appset.FAddDataFile("C:\\y.bin");
    reg.setszFailWrite.insert(szStapol + "ShowRptWin");
    appset.Save();

    std::vector<std::string> rgszExpected = {szStapol + "DvcLast", szStapol + "ShowRptWin", szStapol + "InitScStrt"};
    for (int i = 1; i <= 12; i++)
        rgszExpected.push_back(szStapol + "ConfigFile" + std::to_string(i));
    for (int i = 1; i <= 12; i++)
        rgszExpected.push_back(szStapol + "DataFile" + std::to_string(i));
    EXPECT_EQ(rgszExpected, reg.rgszWritten);
    EXPECT_EQ("SN:0123456789AB", SzUser("DvcLast"));
    EXPECT_EQ("<missing>", SzUser("ShowRptWin"));
    EXPECT_EQ("No", SzUser("InitScStrt"));
    EXPECT_EQ("C:\\x.bit", SzUser("ConfigFile1"));
    EXPECT_EQ("", SzUser("ConfigFile2"));
    EXPECT_EQ("C:\\y.bin", SzUser("DataFile1"));
    EXPECT_EQ(nullptr, reg.Psz(regrootLocalMachine, szStapol + "DvcLast"));
}

TEST_F(AppsetTest, SavedSettingsLoadBack)
{
    ASSERT_TRUE(appset.FLoad());
    appset.SetShowRptWin(0);
    appset.SetInitScStrt(1);
    appset.SetDvcLast("usb:7");
    appset.Save();
    APPSET appset2(&reg);
    ASSERT_TRUE(appset2.FLoad());
    EXPECT_EQ(0, appset2.FShowRptWin());
    EXPECT_EQ(1, appset2.FInitScStrt());
    char sz[cchPathMax + 1];
    ASSERT_TRUE(appset2.FGetDvcLast(sz));
    EXPECT_STREQ("usb:7", sz);
}

// Every text the settings accept, up to the longest (260 characters), is
// saved and loaded back whole: the terminator needs room of its own.
TEST_F(AppsetTest, LongestTextsLoadBack)
{
    ExpectLongestTextsLoadBack(&reg);
}

TEST_F(AppsetTest, AddingToAFullHistoryDropsTheOldest)
{
    ASSERT_TRUE(appset.FLoad());
    for (int i = 0; i < 13; i++)
        ASSERT_TRUE(appset.FAddDataFile(("f" + std::to_string(i)).c_str()));
    EXPECT_EQ(12, appset.CDataFile());
    char sz[cchPathMax + 1];
    ASSERT_TRUE(appset.FGetDataFile(sz, 0));
    EXPECT_STREQ("f1", sz);
    ASSERT_TRUE(appset.FGetDataFile(sz, 11));
    EXPECT_STREQ("f12", sz);

    EXPECT_FALSE(appset.FAddDataFile(nullptr));
    EXPECT_FALSE(appset.FAddDataFile(std::string(261, 'a').c_str()));
    EXPECT_TRUE(appset.FAddDataFile(std::string(260, 'a').c_str()));

    EXPECT_TRUE(appset.ClearDataFiles());
    EXPECT_EQ(0, appset.CDataFile());
    EXPECT_FALSE(appset.FGetDataFile(sz, 0));
    appset.Save();
    EXPECT_EQ("", SzUser("DataFile1"));
    EXPECT_EQ("", SzUser("DataFile12"));
}

TEST_F(AppsetTest, LongValuesAreCutToTheTextLimit)
{
    reg.Set(regrootCurrentUser, SZ_REG_DVCLAST, std::string(259, 'k'));
    ASSERT_TRUE(appset.FLoad());
    char sz[cchPathMax + 1];
    ASSERT_TRUE(appset.FGetDvcLast(sz));
    EXPECT_EQ(std::string(259, 'k'), sz);
    appset.SetDvcLast(std::string(300, 'z').c_str());
    ASSERT_TRUE(appset.FGetDvcLast(sz));
    EXPECT_EQ(std::string(260, 'z'), sz);
    appset.SetDvcLast(nullptr);
    ASSERT_TRUE(appset.FGetDvcLast(sz));
    EXPECT_EQ(std::string(260, 'z'), sz);
}

TEST(RegPath, SplitsAtTheLastSeparator)
{
    struct { const char *szPath; BOOL f; const char *szKey, *szValue; } rgcase[] = {
        {"Software\\Korvanel\\Shared\\DataPath", TRUE, "Software\\Korvanel\\Shared", "DataPath"},
        {"Software\\A:B", TRUE, "Software\\A", "B"},
        {"Value", TRUE, "", "Value"},
        {"Key\\", TRUE, "Key", ""},
    };
    for (auto &c : rgcase) {
        char szKey[cchPathMax + 1] = "", szValue[cchRegValueNameMax + 1] = "";
        ASSERT_EQ(c.f, FSplitRegPath(c.szPath, szKey, szValue)) << c.szPath;
        EXPECT_STREQ(c.szKey, szKey);
        EXPECT_STREQ(c.szValue, szValue);
    }
    char szKey[cchPathMax + 1], szValue[cchRegValueNameMax + 1];
    EXPECT_FALSE(FSplitRegPath(nullptr, szKey, szValue));
    EXPECT_TRUE(FSplitRegPath(("K\\" + std::string(255, 'v')).c_str(), szKey, szValue));
    EXPECT_FALSE(FSplitRegPath(("K\\" + std::string(256, 'v')).c_str(), szKey, szValue));
}

} // namespace
