/*
 * tvxsettings_test.cpp - public functions of the network settings, of
 * enumeration and of the device table: their defaults, argument checks and
 * their answers when the runtime is not started.
 */
#include <gtest/gtest.h>

#include <string.h>

#include "vzcore.h"
#include "vzfake.h"

namespace {

class TvxSettings : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, PmagfakeStart("settings")); }
    void TearDown() override { VzTestStop(); }
};

TEST_F(TvxSettings, NetworkTimeoutsStartAtTheirDefaultsAndTakeAnyValue)
{
    uint32_t tms = 0;
    ASSERT_TRUE(TvxGetNetworkConnTimeout(&tms));
    EXPECT_EQ(1000u, tms);
    ASSERT_TRUE(TvxGetNetworkEnumTimeout(&tms));
    EXPECT_EQ(100u, tms);
    for (uint32_t tmsSet : {0u, 1u, 0xFFFFFFFFu}) {
        ASSERT_TRUE(TvxSetNetworkConnTimeout(tmsSet));
        ASSERT_TRUE(TvxSetNetworkEnumTimeout(tmsSet + 7));
        ASSERT_TRUE(TvxGetNetworkConnTimeout(&tms));
        EXPECT_EQ(tmsSet, tms);
        ASSERT_TRUE(TvxGetNetworkEnumTimeout(&tms));
        EXPECT_EQ(tmsSet + 7, tms);
    }
}

TEST_F(TvxSettings, TlsSwitches)
{
    int f = -1;
    ASSERT_TRUE(TvxIsControlChannelTLSEnabled(&f));
    EXPECT_EQ(1, f);
    ASSERT_TRUE(TvxIsDataChannelTLSEnabled(&f));
    EXPECT_EQ(1, f);
    ASSERT_TRUE(TvxEnableControlChannelTLS(0));
    ASSERT_TRUE(TvxIsControlChannelTLSEnabled(&f));
    EXPECT_EQ(0, f);
    ASSERT_TRUE(TvxIsDataChannelTLSEnabled(&f));
    EXPECT_EQ(1, f);
    ASSERT_TRUE(TvxEnableDataChannelTLS(0));
    ASSERT_TRUE(TvxIsDataChannelTLSEnabled(&f));
    EXPECT_EQ(0, f);
}

TEST_F(TvxSettings, MissingOutputsRecord1026)
{
    struct CASE {
        const char *szFn;
        int (*pfn)();
    } rgcase[] = {
        {"TvxGetNetworkConnTimeout", [] { return TvxGetNetworkConnTimeout(nullptr); }},
        {"TvxGetNetworkEnumTimeout", [] { return TvxGetNetworkEnumTimeout(nullptr); }},
        {"TvxIsControlChannelTLSEnabled", [] { return TvxIsControlChannelTLSEnabled(nullptr); }},
        {"TvxIsDataChannelTLSEnabled", [] { return TvxIsDataChannelTLSEnabled(nullptr); }},
        {"TvxDvcTblAdd", [] { return TvxDvcTblAdd(nullptr); }},
    };
    for (const CASE &c : rgcase) {
        TvxSetLastErrorNoLog(0);
        EXPECT_FALSE(c.pfn()) << c.szFn;
        EXPECT_EQ(ercInvalidParameter, TvxGetLastError()) << c.szFn;
    }
    /* These fail without an error of their own. */
    TvxSetLastErrorNoLog(5);
    EXPECT_FALSE(TvxDvcTblRem(nullptr));
    DVC dvc;
    EXPECT_FALSE(TvxGetDvc(0, &dvc));
    EXPECT_EQ(5, TvxGetLastError());
}

TEST(TvxNotStarted, EveryStartedFunctionFailsSilently)
{
    ASSERT_NE(nullptr, PmagfakeStart("notstarted"));
    DllTerm();   /* the runtime is now not started */
    TvxSetLastErrorNoLog(42);
    uint32_t tms = 0;
    int f = 0, c = 0;
    DVC dvc;
    EDVC edvc;
    memset(&dvc, 0, sizeof(dvc));
    EXPECT_FALSE(TvxSetNetworkConnTimeout(5));
    EXPECT_FALSE(TvxGetNetworkConnTimeout(&tms));
    EXPECT_FALSE(TvxSetNetworkEnumTimeout(5));
    EXPECT_FALSE(TvxGetNetworkEnumTimeout(nullptr));
    EXPECT_FALSE(TvxEnableControlChannelTLS(1));
    EXPECT_FALSE(TvxEnableDataChannelTLS(1));
    EXPECT_FALSE(TvxIsControlChannelTLSEnabled(&f));
    EXPECT_FALSE(TvxIsDataChannelTLSEnabled(nullptr));
    EXPECT_FALSE(TvxOpenDvcMg(nullptr));
    EXPECT_FALSE(TvxEnumDevices(&c));
    EXPECT_FALSE(TvxEnumDevicesEx(&c, 3, 3, 0, nullptr));
    EXPECT_FALSE(TvxStartEnum(3, 3, 0, nullptr));
    EXPECT_FALSE(TvxIsEnumFinished());
    EXPECT_FALSE(TvxStopEnum());
    EXPECT_FALSE(TvxGetEnumCount(&c));
    EXPECT_FALSE(TvxGetDvc(0, &dvc));
    EXPECT_FALSE(TvxGetEdvc(0, &edvc));
    EXPECT_FALSE(TvxFreeDvcEnum());
    EXPECT_FALSE(TvxDvcTblAdd(nullptr));
    EXPECT_FALSE(TvxDvcTblRem("x"));
    EXPECT_FALSE(TvxDvcTblClear());
    EXPECT_FALSE(TvxDvcTblSave());
    EXPECT_EQ(42, TvxGetLastError());
    VzTestStop();
}

} // namespace
