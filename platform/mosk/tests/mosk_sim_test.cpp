/*
 * mosk_sim_test.cpp - board management against a simulated board: the
 * supply rails (count, factors, labels, readings), the configuration reset
 * as the board sees it, the errors a caller sees, and management calls on a
 * handle whose register port is enabled.
 */
#include <sstream>

#include "clisim.h"
#include "mosk.h"
#include "vesk.h"

CLISIM_ENVIRONMENT();

namespace {

class MoskSim : public CLISIMTEST {};

struct RAIL {
    std::string szLabel;
    uint32_t kV, kI, rawV, rawI;
};

TEST_F(MoskSim, RailsMatchTheBoard)
{
    std::vector<RAIL> rgrail;
    for (const std::string &sz : Lines("RAILS cli1")) {
        std::istringstream is(sz);
        RAIL rail;
        is >> rail.szLabel >> rail.kV >> rail.kI >> rail.rawV >> rail.rawI;
        rgrail.push_back(rail);
    }
    ASSERT_EQ(rgrail.size(), 4u);

    int crail = -1;
    ASSERT_TRUE(MoskGetPowerSupplyCount(hif, &crail)) << TvxGetLastError();
    ASSERT_EQ(crail, 4);
    for (int i = 0; i < crail; i++) {
        uint32_t kV = 0, kI = 0, rawV = 0, rawI = 0;
        ASSERT_TRUE(MoskGetPowerSupplyProperties(hif, i, &kV, &kI, nullptr, nullptr)) << TvxGetLastError();
        EXPECT_EQ(kV, rgrail[i].kV) << i;
        EXPECT_EQ(kI, rgrail[i].kI) << i;
        char szLabel[cchMoskRailLabel];
        memset(szLabel, 'x', sizeof(szLabel));
        ASSERT_TRUE(MoskGetPowerSupplyLabel(hif, i, szLabel)) << TvxGetLastError();
        EXPECT_EQ(std::string(szLabel), rgrail[i].szLabel) << i;
        ASSERT_TRUE(MoskGetPowerSupplyData(hif, i, &rawV, &rawI, nullptr, nullptr, nullptr)) << TvxGetLastError();
        EXPECT_EQ(rawV, rgrail[i].rawV) << i;
        EXPECT_EQ(rawI, rgrail[i].rawI) << i;
    }
}

TEST_F(MoskSim, ReadingsFollowTheBoard)
{
    ASSERT_TRUE(Sim().FCmd("SETRAIL cli1 2 3250 77"));
    uint32_t rawV = 0, rawI = 0;
    ASSERT_TRUE(MoskGetPowerSupplyData(hif, 2, &rawV, &rawI, nullptr, nullptr, nullptr)) << TvxGetLastError();
    EXPECT_EQ(rawV, 3250u);
    EXPECT_EQ(rawI, 77u);
}

TEST_F(MoskSim, ConfigResetHoldsAndReleases)
{
    ASSERT_TRUE(MoskConfigReset(hif, 1)) << TvxGetLastError();
    EXPECT_EQ(Sim().SzState(szClisimBoard, "configreset"), "1");
    EXPECT_EQ(Sim().SzState(szClisimBoard, "done"), "0") << "the configuration is cleared";
    ASSERT_TRUE(MoskConfigReset(hif, 0)) << TvxGetLastError();
    EXPECT_EQ(Sim().SzState(szClisimBoard, "configreset"), "0");
}

TEST_F(MoskSim, CallerAndDeviceErrors)
{
    uint32_t kV = 0, kI = 0;
    char szLabel[cchMoskRailLabel];
    struct { int irail; int erc; } rgcase[] = {{-1, ercInvalidParameter}, {256, ercInvalidParameter}, {4, 13}};
    for (auto &c : rgcase) {
        EXPECT_FALSE(MoskGetPowerSupplyProperties(hif, c.irail, &kV, &kI, nullptr, nullptr)) << c.irail;
        EXPECT_EQ(TvxGetLastError(), c.erc) << c.irail;
        EXPECT_FALSE(MoskGetPowerSupplyLabel(hif, c.irail, szLabel)) << c.irail;
        EXPECT_EQ(TvxGetLastError(), c.erc) << c.irail;
    }
    EXPECT_FALSE(MoskGetPowerSupplyCount(hif, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(MoskGetPowerSupplyData(hif, 0, nullptr, &kI, nullptr, nullptr, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    int crail = 0;
    EXPECT_FALSE(MoskGetPowerSupplyCount(62, &crail)) << "no such handle";
    EXPECT_NE(TvxGetLastError(), ercNoErc);
}

TEST_F(MoskSim, WorksBesideTheRegisterPort)
{
    ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
    int crail = 0;
    EXPECT_TRUE(MoskGetPowerSupplyCount(hif, &crail)) << TvxGetLastError();
    EXPECT_EQ(crail, 4);
    EXPECT_TRUE(VeskPutReg(hif, 3, 4, 0)) << TvxGetLastError();
    EXPECT_TRUE(VeskDisable(hif)) << TvxGetLastError();
}

TEST_F(MoskSim, ConfigResetFromAnotherThreadWhileATransferRuns)
{
    /* A plug-in's user-interface thread resets while its worker's transfer is under way. */
    ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 64"));
    std::vector<uint8_t> rgb(1 << 16, 0x5A);
    ASSERT_TRUE(VeskPutRegRepeat(hif, 9, rgb.data(), uint32_t(rgb.size()), 1)) << TvxGetLastError();
    std::thread thd([&] { EXPECT_TRUE(MoskConfigReset(hif, 1)) << TvxGetLastError(); });
    /* The worker notices the user's cancel and collects its transfer. */
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(TvxCancelTrans(hif));
    uint32_t cbOut = 0, cbIn = 0;
    while (!TvxGetTransResult(hif, &cbOut, &cbIn, 25) && TvxGetLastError() == ercTransferPending) {
    }
    thd.join();
    EXPECT_EQ(Sim().SzState(szClisimBoard, "configreset"), "1");
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    EXPECT_TRUE(MoskConfigReset(hif, 0)) << TvxGetLastError();
    EXPECT_TRUE(VeskDisable(hif)) << TvxGetLastError();
}

} // namespace
