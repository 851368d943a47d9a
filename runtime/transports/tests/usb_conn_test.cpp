/*
 * usb_conn_test.cpp - connection strings of USB devices: recognising them,
 * building them from a device path and taking the device path back out.
 * No device is needed.
 */
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "usbc.h"
#include "vzcore.h"

namespace {

TEST(UsbConn, RecognisesOnlyItsOwnPrefix)
{
    struct CASE {
        const char *sz;
        bool fConn;
    } rgcase[] = {
        {"#tpt_0001#ptc_0001#usb-1-4", true},
        {"#tpt_1#ptc_1#usb-1-4", true},                /* one-digit numbers */
        {"#tpt_0002#ptc_0001#usb-1-4", false},         /* another transport */
        {"#tpt_0001#ptc_0002#usb-1-4", false},
        {"#tpt_00001#ptc_0001#usb-1-4", false},        /* at most four digits */
        {"SN:210183000001", false},
        {"usb-1-4", false},
        {"", false},
    };
    for (const CASE &c : rgcase)
        EXPECT_EQ(usbc.FCheckSzConn(c.sz) != 0, c.fConn) << c.sz;
    TvxSetLastErrorNoLog(0);
    EXPECT_FALSE(usbc.FCheckSzConn(nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
}

TEST(UsbConn, DevicePathFromConnectionString)
{
    struct CASE {
        const char *szConn;
        const char *szPath;
    } rgcase[] = {
        {"#tpt_0001#ptc_0001#usb-1-4", "usb-1-4"},
        {"#tpt_2#ptc_7#usb-1-4", "usb-1-4"},                  /* numbers are not tested here */
        {"usb-1-4", "usb-1-4"},                                /* a bare path stays whole */
        {"#tpt_0001#ptc_0001#usb-1-4 trailing", "usb-1-4"},   /* one word */
        {"#tpt_0001#ptc_0001# \tusb-1-4", "usb-1-4"},         /* blanks before the word */
        {"#tpt_0001#ptc_0001#", "#tpt_0001#ptc_0001#"},       /* no word: the whole text */
        {"#tpt_0001#ptc_0001#   ", "#tpt_0001#ptc_0001#   "},
    };
    for (const CASE &c : rgcase) {
        char szPath[cchConnMax];
        memset(szPath, 'x', sizeof(szPath));
        ASSERT_TRUE(usbc.FSzDvcPathFromSzConn(szPath, c.szConn, sizeof(szPath))) << c.szConn;
        EXPECT_STREQ(szPath, c.szPath) << c.szConn;
    }
    /* the buffer must hold the whole string, whatever part of it is kept */
    const char szConn[] = "#tpt_0001#ptc_0001#usb-1-4";
    char szSmall[sizeof(szConn)];
    EXPECT_FALSE(usbc.FSzDvcPathFromSzConn(szSmall, szConn, (int)sizeof(szConn) - 1));
    EXPECT_TRUE(usbc.FSzDvcPathFromSzConn(szSmall, szConn, (int)sizeof(szConn)));
}

TEST(UsbConn, ConnectionStringFromDevicePath)
{
    const std::string szPath = "usb-3-1.2";
    char szConn[cchConnMax];
    int cchNeeded = (int)szPath.size() + 20;
    ASSERT_TRUE(usbc.FSzConnFromSzDvcPath(szConn, szPath.c_str(), cchNeeded));
    EXPECT_STREQ(szConn, "#tpt_0001#ptc_0001#usb-3-1.2");
    EXPECT_TRUE(usbc.FCheckSzConn(szConn));
    TvxSetLastErrorNoLog(0);
    EXPECT_FALSE(usbc.FSzConnFromSzDvcPath(szConn, szPath.c_str(), cchNeeded - 1));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    TvxSetLastErrorNoLog(0);
    EXPECT_FALSE(usbc.FSzConnFromSzDvcPath(szConn, nullptr, cchConnMax));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
}

} // namespace
