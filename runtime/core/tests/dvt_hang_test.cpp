/*
 * dvt_hang_test.cpp - closing handles and unloading while transactions
 * hang, wait for a busy device or are being handed over. Meant for
 * AddressSanitizer: nothing a DVT's threads touch may be freed before they
 * have ended.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "vzcore.h"
#include "vzfake.h"
#include "yorl.h"

namespace {

class Hang : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, PmagfakeStart("hang")); }
    void TearDown() override
    {
        VzTestStop();
        EXPECT_EQ(0, DVTFAKE::cLive.load());
    }
    static DVT *PdvtOpen(const char *sz, HIF *phif)
    {
        DVT *pdvt = nullptr;
        if (!TvxOpen(phif, sz) || !TvxGetDvt(*phif, &pdvt))
            return nullptr;
        return pdvt;
    }
    static void StartHang(DVT *pdvt)
    {
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        SetCmd(&tfp, aptLoop, cmdHang);
        ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    }
};

TEST_F(Hang, CloseRightAfterStart)
{
    for (int i = 0; i < 30; i++) {
        HIF hif = 0;
        DVT *pdvt = PdvtOpen("FAKE:dev0", &hif);
        ASSERT_NE(nullptr, pdvt);
        StartHang(pdvt);
        if (i % 2)
            pabsutil->SleepMs(1);
        EXPECT_TRUE(TvxClose(hif));
    }
}

TEST_F(Hang, CloseWaiterOfBusyDevice)
{
    HIF hifBusy = 0, hifWait = 0;
    DVT *pdvtBusy = PdvtOpen("FAKE:dev1", &hifBusy);
    DVT *pdvtWait = PdvtOpen("FAKE:dev1", &hifWait);
    ASSERT_NE(nullptr, pdvtBusy);
    ASSERT_NE(nullptr, pdvtWait);
    pdvtBusy->SetTimeout(200);
    StartHang(pdvtBusy);
    pabsutil->SleepMs(10);
    StartHang(pdvtWait);
    EXPECT_TRUE(TvxClose(hifWait));
    EXPECT_TRUE(TvxClose(hifBusy));
}

TEST_F(Hang, UnloadWithHungTransactions)
{
    /* Opened first: a connect waits for the device like a transaction. */
    std::vector<DVT *> vpdvt;
    for (const char *sz : {"FAKE:dev2", "FAKE:dev2", "FAKE:dev3"}) {
        HIF hif = 0;
        vpdvt.push_back(PdvtOpen(sz, &hif));
        ASSERT_NE(nullptr, vpdvt.back());
    }
    for (DVT *pdvt : vpdvt)
        StartHang(pdvt);
    pabsutil->SleepMs(10);
    uint32_t tickStart = pabsutil->GetTickMs();
    VzTestStop();
    EXPECT_LT(pabsutil->GetTickMs() - tickStart, 5000u) << "no handle waited for another's transaction";
    EXPECT_EQ(0, DVTFAKE::cLive.load());
    ASSERT_NE(nullptr, PmagfakeStart("hang"));
}

TEST_F(Hang, FailedInitReleasesEverything)
{
    /* A DVT that never connected is terminated and deleted cleanly. */
    DVTFAKE *pdvt = new DVTFAKE;
    ASSERT_TRUE(pdvt->FInit());
    pdvt->Term();
    pdvt->Term();
    delete pdvt;
}

} // namespace
