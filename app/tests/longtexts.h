// The longest texts the settings accept (260 characters) saved through one
// store and loaded back whole: shared by the tests of the store in memory
// and of the Windows registry.
#ifndef ORRIN_TESTS_LONGTEXTS_H
#define ORRIN_TESTS_LONGTEXTS_H

#include <gtest/gtest.h>

#include <string>

#include "appset.h"
#include "strtext.h"

inline void ExpectLongestTextsLoadBack(REGSTORE *preg)
{
    const std::string szLong = "C:\\" + std::string(257, 'p');
    ASSERT_EQ(260u, szLong.size());
    ASSERT_TRUE(preg->FSetSz(regrootLocalMachine, SZ_REG_DATAPATH, szLong.c_str()));
    APPSET appset(preg);
    ASSERT_TRUE(appset.FLoad());
    appset.SetDvcLast(szLong.c_str());
    ASSERT_TRUE(appset.ClearConfigFiles());
    ASSERT_TRUE(appset.ClearDataFiles());
    ASSERT_TRUE(appset.FAddConfigFile(szLong.c_str()));
    ASSERT_TRUE(appset.FAddDataFile(szLong.c_str()));
    appset.Save();

    APPSET appset2(preg);
    ASSERT_TRUE(appset2.FLoad());
    char sz[cchPathMax + 1];
    ASSERT_TRUE(appset2.FGetDataPath(sz));
    EXPECT_EQ(szLong, sz);
    ASSERT_TRUE(appset2.FGetDvcLast(sz));
    EXPECT_EQ(szLong, sz);
    ASSERT_EQ(1, appset2.CConfigFile());
    ASSERT_TRUE(appset2.FGetConfigFile(sz, 0));
    EXPECT_EQ(szLong, sz);
    ASSERT_EQ(1, appset2.CDataFile());
    ASSERT_TRUE(appset2.FGetDataFile(sz, 0));
    EXPECT_EQ(szLong, sz);
}

#endif
