/*
 * clientlink_test.cpp - the four client libraries as their callers link
 * them (shared libraries, and on 32-bit Windows the __stdcall import names):
 * with no device behind a handle every call fails with an error code instead
 * of reaching anything.
 */
#include <gtest/gtest.h>

#include "mosk.h"
#include "tarv.h"
#include "tvxutil.h"
#include "vesk.h"

namespace {

const HIF hifUnknown = 17;

TEST(ClientLink, RegisterAndManagementCallsFailWithoutADevice)
{
    uint8_t b = 0;
    uint8_t rgb[4] = {1, 2, 3, 4};
    uint32_t dw = 0;
    int c = 0;
    char szLabel[cchMoskRailLabel];
    struct { const char *szCall; int f; } rgcall[] = {
        {"VeskEnable", VeskEnable(hifUnknown)},
        {"VeskDisable", VeskDisable(hifUnknown)},
        {"VeskGetReg", VeskGetReg(hifUnknown, 1, &b, 0)},
        {"VeskPutReg", VeskPutReg(hifUnknown, 1, 2, 0)},
        {"VeskGetRegSet", VeskGetRegSet(hifUnknown, rgb, rgb, 2, 0)},
        {"VeskPutRegSet", VeskPutRegSet(hifUnknown, rgb, 2, 0)},
        {"VeskGetRegRepeat", VeskGetRegRepeat(hifUnknown, 1, rgb, 4, 0)},
        {"VeskPutRegRepeat", VeskPutRegRepeat(hifUnknown, 1, rgb, 4, 1)},
        {"MoskConfigReset", MoskConfigReset(hifUnknown, 1)},
        {"MoskGetPowerSupplyCount", MoskGetPowerSupplyCount(hifUnknown, &c)},
        {"MoskGetPowerSupplyProperties", MoskGetPowerSupplyProperties(hifUnknown, 0, &dw, &dw, nullptr, nullptr)},
        {"MoskGetPowerSupplyLabel", MoskGetPowerSupplyLabel(hifUnknown, 0, szLabel)},
        {"MoskGetPowerSupplyData", MoskGetPowerSupplyData(hifUnknown, 0, &dw, &dw, nullptr, nullptr, nullptr)},
        {"TarvDisable", TarvDisable(hifUnknown)},
    };
    for (auto &call : rgcall)
        EXPECT_FALSE(call.f) << call.szCall;
    EXPECT_NE(TvxGetLastError(), ercNoErc);
}

TEST(ClientLink, JtagCallsFailWithoutADevice)
{
    HTVX h = reinterpret_cast<HTVX>(1);
    uint32_t erc = 0;
    EXPECT_FALSE(TvxOpenJtag(&h, "SN:000000000000", &erc, 0));
    EXPECT_NE(erc, 0u);
    EXPECT_EQ(h, nullptr);
    uint8_t rgb[4] = {};
    uint8_t bStatus = 0;
    HTVX hUnknown = reinterpret_cast<HTVX>(0x1234);
    struct { const char *szCall; int32_t f; } rgcall[] = {
        {"TvxEnableJtag", TvxEnableJtag(hUnknown, &erc, 0)},
        {"TvxPutTmsTdiBits", TvxPutTmsTdiBits(hUnknown, 4, rgb, 0, nullptr, &erc, 0)},
        {"TvxPutTdiBits", TvxPutTdiBits(hUnknown, 8, rgb, 0, 1, rgb, &erc, 0)},
        {"TvxGetTdoBits", TvxGetTdoBits(hUnknown, 8, 1, 0, rgb, &erc, 0)},
        {"TvxWaitForTransaction", TvxWaitForTransaction(hUnknown, 0, &erc)},
        {"TvxAbortConfigTransaction", TvxAbortConfigTransaction(hUnknown, 0, &erc)},
        {"TvxQueryConfigStatus", TvxQueryConfigStatus(hUnknown, 0, &bStatus, &erc)},
        {"TvxClearConfigStatus", TvxClearConfigStatus(hUnknown, 0, &erc)},
        {"TvxDisableJtag", TvxDisableJtag(hUnknown, &erc, 0)},
        {"TvxCloseJtag", TvxCloseJtag(hUnknown, &erc)},
    };
    for (auto &call : rgcall) {
        EXPECT_FALSE(call.f) << call.szCall;
    }
    EXPECT_EQ(erc, uint32_t(ercInvalidHif));
}

} // namespace
