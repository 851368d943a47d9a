// The settings over the Windows registry (under wine): the longest texts the
// settings accept are saved and loaded back whole.

#include <gtest/gtest.h>

#include <string>

#include "appset.h"
#include "strtext.h"
#include "szload.h"

namespace {

TEST(WinregSettings, LongestTextsLoadBack)
{
    WINREG reg;
    const std::string szLong = "C:\\" + std::string(257, 'w');
    ASSERT_EQ(260u, szLong.size());
    ASSERT_TRUE(reg.FSetSz(regrootLocalMachine, SZ_REG_DATAPATH, szLong.c_str()));
    APPSET appset(&reg);
    ASSERT_TRUE(appset.FLoad());
    appset.SetDvcLast(szLong.c_str());
    ASSERT_TRUE(appset.ClearConfigFiles());
    ASSERT_TRUE(appset.FAddConfigFile(szLong.c_str()));
    appset.Save();

    APPSET appset2(&reg);
    ASSERT_TRUE(appset2.FLoad());
    char sz[cchPathMax + 1];
    ASSERT_TRUE(appset2.FGetDataPath(sz));
    EXPECT_EQ(szLong, sz);
    ASSERT_TRUE(appset2.FGetDvcLast(sz));
    EXPECT_EQ(szLong, sz);
    ASSERT_EQ(1, appset2.CConfigFile());
    ASSERT_TRUE(appset2.FGetConfigFile(sz, 0));
    EXPECT_EQ(szLong, sz);
}

} // namespace
