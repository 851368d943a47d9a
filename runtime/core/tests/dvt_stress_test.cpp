/*
 * dvt_stress_test.cpp - many handles on shared devices, random cancels and
 * time-outs of 1 to 5 ms, handles opened and closed while others run.
 * Meant for ThreadSanitizer; checks that nothing deadlocks, that every
 * result belongs to its own transaction and that no two transactions of
 * one device ever overlap.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "vzcore.h"
#include "vzfake.h"
#include "yorl.h"

namespace {

const int cTransPerClient = 150;

std::atomic<int> cBadResult{0};
std::atomic<int> cUnexpectedErc{0};

bool FExpectedFailure(int erc)
{
    return erc == ercTransferCancelled || erc == ercDataSndLess || erc == ercDataRcvLess ||
           erc == ercDataSndLessRcvLess;
}

thread_local bool fDone;

int VZCALL TransDone(DVT *)
{
    fDone = true;
    return 0;
}

/*
 * Collect with short waits so that cancels from other threads get the lock.
 * The last error is one value for the whole process, so a failed wait is
 * told from a completed transaction by the completion callback, and the
 * outcome is the transaction's own code.
 */
bool FCollect(HIF hif, DVT *pdvt, bool *pfOk, int *perc)
{
    for (int i = 0; i < 20000; i++) {
        bool fOk = TvxGetTransResult(hif, nullptr, nullptr, 2) != 0;
        if (fDone) {
            *pfOk = fOk;
            *perc = static_cast<DVTFAKE *>(pdvt)->ErcTrans();
            return true;
        }
    }
    return false;
}

void RunClient(HIF hif, unsigned seed)
{
    std::mt19937 rng(seed);
    DVT *pdvt = nullptr;
    ASSERT_TRUE(TvxGetDvt(hif, &pdvt));
    std::vector<uint8_t> vbRcv(4096);
    for (int itrans = 0; itrans < cTransPerClient; itrans++) {
        uint8_t rgbId[4] = {(uint8_t)seed, (uint8_t)itrans, (uint8_t)(itrans >> 8), (uint8_t)rng()};
        uint8_t rgbBack[4] = {};
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        int kind = rng() % 4;
        pdvt->SetTimeout(1 + rng() % 5);
        if (kind == 0) {
            SetCmd(&tfp, aptLoop, cmdEcho, {rgbId[0], rgbId[1], rgbId[2], rgbId[3]});
            tfp.rplyCmd.crply = 1;
            tfp.rplyCmd.rgrply[0] = {4, rgbBack};
        } else if (kind == 1) {
            SetCmd(&tfp, aptLoop, cmdSlow, {(uint8_t)(rng() % 4), rgbId[3]});
            tfp.rplyCmd.crply = 1;
            tfp.rplyCmd.rgrply[0] = {1, rgbBack};
        } else if (kind == 2) {
            SetCmd(&tfp, aptLoop, cmdHang);
        } else {
            SetCmd(&tfp, aptLoop, cmdXfer, {rgbId[3]});
            tfp.cbRcv = (uint32_t)vbRcv.size();
            tfp.pbRcv = vbRcv.data();
        }
        tfp.pfnTransDone = TransDone;
        fDone = false;
        if (!pdvt->FDoTrans(&tfp)) {
            ADD_FAILURE() << "FDoTrans refused";
            cUnexpectedErc++;
            continue;
        }
        bool fOk = false;
        int erc = 0;
        ASSERT_TRUE(FCollect(hif, pdvt, &fOk, &erc)) << "transaction never completed";
        if (!fOk) {
            if (!FExpectedFailure(erc)) {
                cUnexpectedErc++;
                ADD_FAILURE() << "kind " << kind << " erc " << erc;
            }
            continue;
        }
        if (kind == 0 && memcmp(rgbId, rgbBack, 4) != 0)
            cBadResult++;
        if (kind == 1 && rgbBack[0] != rgbId[3])
            cBadResult++;
        if (kind == 2)
            cBadResult++;   /* a hang only ends by cancel */
        if (kind == 3 && (vbRcv[0] != rgbId[3] || vbRcv[4095] != (uint8_t)(rgbId[3] + 4095)))
            cBadResult++;
    }
}

TEST(DvtStress, RandomCancelsTimeoutsAndHandles)
{
    ASSERT_NE(nullptr, PmagfakeStart("stress"));
    std::vector<HIF> vhif;
    const char *rgsz[] = {"FAKE:dev0", "FAKE:dev0", "FAKE:dev0", "FAKE:dev1", "FAKE:dev1"};
    for (const char *sz : rgsz) {
        HIF hif = 0;
        ASSERT_TRUE(TvxOpen(&hif, sz));
        vhif.push_back(hif);
    }
    std::atomic<bool> fStop{false};
    std::vector<std::thread> vthd;
    for (size_t i = 0; i < vhif.size(); i++)
        vthd.emplace_back(RunClient, vhif[i], (unsigned)(i + 1));
    /* Cancels from other threads, at random moments. */
    std::thread thdCancel([&] {
        std::mt19937 rng(99);
        while (!fStop) {
            TvxCancelTrans(vhif[rng() % vhif.size()]);
            pabsutil->SleepMs(rng() % 3);
        }
    });
    /* Handles that come and go on a busy device. */
    std::thread thdChurn([&] {
        for (int i = 0; i < 40; i++) {
            HIF hif = 0;
            if (!TvxOpen(&hif, "FAKE:dev0"))
                continue;
            DVT *pdvt = nullptr;
            TvxGetDvt(hif, &pdvt);
            TFP tfp;
            memset(&tfp, 0, sizeof(tfp));
            SetCmd(&tfp, aptLoop, i % 2 ? cmdHang : cmdSlow, {2, 0});
            pdvt->SetTimeout(3);
            pdvt->FDoTrans(&tfp);
            if (i % 3 == 0)
                pdvt->FGetTransResult(nullptr, nullptr, tmsInfinite);
            EXPECT_TRUE(TvxClose(hif));
        }
    });
    for (std::thread &thd : vthd)
        thd.join();
    thdChurn.join();
    fStop = true;
    thdCancel.join();

    FAKEBUSY *pbusy = PfakebusyMap();
    ASSERT_NE(nullptr, pbusy);
    EXPECT_EQ(0, pbusy->rgcOverlap[0]);
    EXPECT_EQ(0, pbusy->rgcOverlap[1]);
    EXPECT_EQ(0, cBadResult.load());
    EXPECT_EQ(0, cUnexpectedErc.load());
    for (HIF hif : vhif)
        EXPECT_TRUE(TvxClose(hif));
    VzTestStop();
    EXPECT_EQ(0, DVTFAKE::cLive.load());
}

} // namespace
