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

TEST_F(MoskSim, CurrentOnlyAndSignedReadings)
{
    /* A board that measures current only passes no voltage pointers. */
    ASSERT_TRUE(Sim().FCmd("SETRAIL cli1 1 -3300 -120"));
    uint32_t kI = 0, rawI = 0;
    ASSERT_TRUE(MoskGetPowerSupplyProperties(hif, 1, nullptr, &kI, nullptr, nullptr)) << TvxGetLastError();
    ASSERT_TRUE(MoskGetPowerSupplyData(hif, 1, nullptr, &rawI, nullptr, nullptr, nullptr)) << TvxGetLastError();
    EXPECT_EQ(int32_t(rawI), -120);
    uint32_t rawV = 0;
    ASSERT_TRUE(MoskGetPowerSupplyData(hif, 1, &rawV, &rawI, nullptr, nullptr, nullptr)) << TvxGetLastError();
    EXPECT_EQ(int32_t(rawV), -3300);
    EXPECT_FALSE(Sim().FCmd("SETRAIL cli1 1 -2147483649 0")) << "below the signed 32-bit range";
    EXPECT_FALSE(Sim().FCmd("SETRAIL cli1 9 0 0")) << "no such rail";
}

TEST_F(MoskSim, InjectedRailFaults)
{
    int crail = 0;
    uint32_t kV = 0, kI = 0, rawV = 0, rawI = 0;
    char szLabel[cchMoskRailLabel];
    for (int c : {3, 5}) {
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 railcount " + std::to_string(c)));
        ASSERT_TRUE(MoskGetPowerSupplyCount(hif, &crail)) << TvxGetLastError();
        EXPECT_EQ(crail, c);
    }
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 railcountfail"));
    EXPECT_FALSE(MoskGetPowerSupplyCount(hif, &crail));
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    EXPECT_TRUE(MoskGetPowerSupplyCount(hif, &crail)) << TvxGetLastError();

    /* The data call on rail 2 succeeds twice, then fails; other rails and calls are untouched. */
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 railfail data 2 2"));
    for (int i = 0; i < 2; i++) {
        EXPECT_TRUE(MoskGetPowerSupplyData(hif, 2, &rawV, &rawI, nullptr, nullptr, nullptr)) << i;
        EXPECT_TRUE(MoskGetPowerSupplyData(hif, 1, &rawV, &rawI, nullptr, nullptr, nullptr)) << i;
    }
    EXPECT_FALSE(MoskGetPowerSupplyData(hif, 2, &rawV, &rawI, nullptr, nullptr, nullptr));
    EXPECT_FALSE(MoskGetPowerSupplyData(hif, 2, &rawV, &rawI, nullptr, nullptr, nullptr)) << "stays failing";
    EXPECT_TRUE(MoskGetPowerSupplyProperties(hif, 2, &kV, &kI, nullptr, nullptr));
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    EXPECT_TRUE(MoskGetPowerSupplyData(hif, 2, &rawV, &rawI, nullptr, nullptr, nullptr)) << TvxGetLastError();

    struct { const char *szFault; int iCall; } rgcase[] = {{"props 0 0", 0}, {"label 3 0", 1}};
    for (auto &c : rgcase) {
        ASSERT_TRUE(Sim().FCmd(std::string("FAULT cli1 railfail ") + c.szFault));
        if (c.iCall == 0)
            EXPECT_FALSE(MoskGetPowerSupplyProperties(hif, 0, &kV, &kI, nullptr, nullptr)) << c.szFault;
        else
            EXPECT_FALSE(MoskGetPowerSupplyLabel(hif, 3, szLabel)) << c.szFault;
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    }
    EXPECT_FALSE(Sim().FCmd("FAULT cli1 railfail volts 0 0"));
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
    EXPECT_FALSE(MoskGetPowerSupplyData(hif, 0, &kV, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(MoskGetPowerSupplyProperties(hif, 0, &kV, nullptr, nullptr, nullptr));
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
