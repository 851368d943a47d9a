/*
 * yorl_thread_test.cpp - Yorl objects shared by the threads of one process:
 * process mutex, named mutexes (ownership per thread, recursion, try,
 * time-outs, abandonment by an ending thread, error codes), semaphore,
 * thread object and the per-thread last error.
 */
#include "yorl_test_util.h"
#include "kor_child.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

class YorlThread : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(pabsfact, nullptr);
        ASSERT_NE(pabsutil, nullptr);
        YorlTestNamespace();
        pabsutil->SetLastErc(0);
    }
};

/* Runs fn on a thread of its own and waits for its end. */
template <class FN>
void OnOtherThread(FN fn)
{
    std::thread thread(fn);
    thread.join();
}

/* Result of one lock or unlock: success, or the last error after failure. */
uint32_t ErcOf(bool f)
{
    return f ? 0 : pabsutil->GetLastErc();
}

uint32_t TmsSince(std::chrono::steady_clock::time_point t0)
{
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
        .count();
}

/* ---- named mutexes: both kinds share these cases ---- */

class YorlNmtxKinds : public YorlThread, public testing::WithParamInterface<bool> {
protected:
    bool F2() const { return GetParam(); }
};

TEST_P(YorlNmtxKinds, RecursiveForOwnerThreadAndBlockedForOthers)
{
    UPNMTX pnmtx = PnmtxOpen(SzYorlTestName("rec"), false, F2());
    ASSERT_TRUE(pnmtx);
    for (int i = 0; i < 3; i++)
        ASSERT_TRUE(pnmtx->Lock(0)) << "level " << i;
    OnOtherThread([&] { EXPECT_EQ(ErcOf(pnmtx->Lock(0)), (uint32_t)ercAbsTimeout); });
    for (int i = 0; i < 3; i++) {
        OnOtherThread([&] { EXPECT_EQ(ErcOf(pnmtx->Lock(0)), (uint32_t)ercAbsTimeout) << "level " << i; });
        ASSERT_TRUE(pnmtx->Unlock());
    }
    EXPECT_EQ(ErcOf(pnmtx->Unlock()), (uint32_t)ercAbsNotOwner);
    OnOtherThread([&] {
        EXPECT_TRUE(pnmtx->Lock(0));
        EXPECT_TRUE(pnmtx->Unlock());
    });
}

TEST_P(YorlNmtxKinds, UnlockByOtherThreadFailsWith17)
{
    UPNMTX pnmtx = PnmtxOpen(SzYorlTestName("own"), false, F2());
    ASSERT_TRUE(pnmtx->Lock(tmsInfinite));
    OnOtherThread([&] { EXPECT_EQ(ErcOf(pnmtx->Unlock()), (uint32_t)ercAbsNotOwner); });
    EXPECT_TRUE(pnmtx->Unlock());
}

TEST_P(YorlNmtxKinds, OwnedCreateOfExistingNameFailsWith13AndStaysUsable)
{
    std::string szName = SzYorlTestName("owned");
    UPNMTX pnmtxFirst = PnmtxOpen(szName, true, F2());
    ASSERT_EQ(pabsutil->GetLastErc(), 0u);
    ABSNMTX *pnmtxSecond = F2() ? pabsfact->InstABSNMTX2() : pabsfact->InstABSNMTX();
    UPNMTX upSecond(pnmtxSecond);
    EXPECT_EQ(ErcOf(pnmtxSecond->Create(szName.c_str(), true)), (uint32_t)ercAbsTimeout);
    /* Bound to the same mutex, which the first object's thread owns. */
    OnOtherThread([&] { EXPECT_EQ(ErcOf(pnmtxSecond->Lock(0)), (uint32_t)ercAbsTimeout); });
    ASSERT_TRUE(pnmtxFirst->Unlock());
    OnOtherThread([&] {
        EXPECT_TRUE(pnmtxSecond->Lock(0));
        EXPECT_TRUE(pnmtxSecond->Unlock());
    });
    /* Unowned creation succeeds while the name exists. */
    pabsutil->SetLastErc(0);
    UPNMTX pnmtxThird = PnmtxOpen(szName, false, F2());
    EXPECT_EQ(pabsutil->GetLastErc(), 0u);
}

TEST_P(YorlNmtxKinds, ObjectsOfOneThreadShareOwnership)
{
    std::string szName = SzYorlTestName("share");
    UPNMTX pnmtxA = PnmtxOpen(szName, false, F2());
    UPNMTX pnmtxB = PnmtxOpen(szName, false, F2());
    ASSERT_TRUE(pnmtxA->Lock(0));
    EXPECT_TRUE(pnmtxB->Lock(0));   /* same thread: recursion */
    EXPECT_TRUE(pnmtxB->Unlock());
    EXPECT_TRUE(pnmtxA->Unlock());
}

TEST_P(YorlNmtxKinds, TimedLockFailsWith13AfterTheTime)
{
    UPNMTX pnmtx = PnmtxOpen(SzYorlTestName("time"), false, F2());
    ASSERT_TRUE(pnmtx->Lock(tmsInfinite));
    OnOtherThread([&] {
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(ErcOf(pnmtx->Lock(150)), (uint32_t)ercAbsTimeout);
        EXPECT_GE(TmsSince(t0), 140u);
    });
    pnmtx->Unlock();
}

TEST_P(YorlNmtxKinds, InfiniteLockWaitsForTheUnlock)
{
    UPNMTX pnmtx = PnmtxOpen(SzYorlTestName("inf"), false, F2());
    ASSERT_TRUE(pnmtx->Lock(tmsInfinite));
    std::atomic<bool> fGot(false);
    std::thread thread([&] {
        EXPECT_TRUE(pnmtx->Lock(tmsInfinite));
        fGot = true;
        pnmtx->Unlock();
    });
    KorSleepMs(100);
    EXPECT_FALSE(fGot.load());
    pnmtx->Unlock();
    thread.join();
    EXPECT_TRUE(fGot.load());
}

TEST_P(YorlNmtxKinds, OwnerThreadEndingHoldingItHandsItOn)
{
    UPNMTX pnmtx = PnmtxOpen(SzYorlTestName("aband"), false, F2());
    OnOtherThread([&] {
        ASSERT_TRUE(pnmtx->Lock(tmsInfinite));
        ASSERT_TRUE(pnmtx->Lock(tmsInfinite));
    });
    bool f = pnmtx->Lock(1000);
    if (F2()) {
        EXPECT_FALSE(f);
        EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsAbandoned);
    } else {
        EXPECT_TRUE(f);
    }
    /* Owned either way, with one level, and no longer abandoned. */
    EXPECT_TRUE(pnmtx->Unlock());
    EXPECT_EQ(ErcOf(pnmtx->Unlock()), (uint32_t)ercAbsNotOwner);
    EXPECT_TRUE(pnmtx->Lock(0));
    EXPECT_TRUE(pnmtx->Unlock());
}

TEST_P(YorlNmtxKinds, TermReleasesTheCallersOwnership)
{
    std::string szName = SzYorlTestName("term");
    UPNMTX pnmtxKeep = PnmtxOpen(szName, false, F2());
    UPNMTX pnmtx = PnmtxOpen(szName, false, F2());
    ASSERT_TRUE(pnmtx->Lock(0));
    ASSERT_TRUE(pnmtx->Lock(0));
    EXPECT_TRUE(pnmtx->Term());
    OnOtherThread([&] {
        EXPECT_TRUE(pnmtxKeep->Lock(0));
        EXPECT_TRUE(pnmtxKeep->Unlock());
    });
}

TEST_P(YorlNmtxKinds, LockWithoutInitServesAfterCreate)
{
    ABSNMTX *pnmtx = F2() ? pabsfact->InstABSNMTX2() : pabsfact->InstABSNMTX();
    UPNMTX up(pnmtx);
    ASSERT_TRUE(pnmtx->Create(SzYorlTestName("noinit").c_str(), false));
    EXPECT_TRUE(pnmtx->Lock(0));
    EXPECT_TRUE(pnmtx->Unlock());
}

INSTANTIATE_TEST_SUITE_P(Kinds, YorlNmtxKinds, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "ABSNMTX2" : "ABSNMTX");
                         });

TEST_F(YorlThread, Nmtx2LockAndUnlockOutsideItsLifeFailWith16)
{
    UPNMTX2 pnmtx(pabsfact->InstABSNMTX2());
    ASSERT_TRUE(pnmtx->Init());
    EXPECT_EQ(ErcOf(pnmtx->Lock(0)), (uint32_t)ercAbsNotInit);
    EXPECT_EQ(ErcOf(pnmtx->Unlock()), (uint32_t)ercAbsNotInit);
    ASSERT_TRUE(pnmtx->Create(SzYorlTestName("life").c_str(), false));
    EXPECT_TRUE(pnmtx->Lock(0));
    EXPECT_TRUE(pnmtx->Unlock());
    ASSERT_TRUE(pnmtx->Term());
    EXPECT_EQ(ErcOf(pnmtx->Lock(0)), (uint32_t)ercAbsNotInit);
    EXPECT_EQ(ErcOf(pnmtx->Unlock()), (uint32_t)ercAbsNotInit);
}

TEST_F(YorlThread, NmtxCreateRejectsMissingName)
{
    UPNMTX pnmtx(pabsfact->InstABSNMTX());
    EXPECT_EQ(ErcOf(pnmtx->Create(nullptr, false)), (uint32_t)ercAbsInvalidParameter);
    EXPECT_EQ(ErcOf(pnmtx->Create("", false)), (uint32_t)ercAbsInvalidParameter);
}

TEST_F(YorlThread, ContendingThreadsExcludeEachOther)
{
    /* Two objects (as two modules would hold) on one name, four threads. */
    std::string szName = SzYorlTestName("excl");
    UPNMTX pnmtxA = PnmtxOpen(szName, false, true);
    UPNMTX pnmtxB = PnmtxOpen(szName, false, false);
    int cInside = 0, cTotal = 0;
    bool fOverlap = false;
    auto work = [&](ABSNMTX *pnmtx) {
        for (int i = 0; i < 2000; i++) {
            if (!pnmtx->Lock(tmsInfinite))
                return;
            if (++cInside != 1)
                fOverlap = true;
            cTotal++;
            cInside--;
            pnmtx->Unlock();
        }
    };
    std::thread rgthread[4] = {std::thread(work, pnmtxA.get()), std::thread(work, pnmtxB.get()),
                               std::thread(work, pnmtxA.get()), std::thread(work, pnmtxB.get())};
    for (std::thread &thread : rgthread)
        thread.join();
    EXPECT_FALSE(fOverlap);
    EXPECT_EQ(cTotal, 8000);
}

/* ---- process mutex ---- */

TEST_F(YorlThread, MtxIsRecursiveAndTimesOutWith13)
{
    UPMTX pmtx(pabsfact->InstABSMTX());
    ASSERT_TRUE(pmtx->Init());
    EXPECT_EQ(ErcOf(pmtx->Lock(0)), (uint32_t)ercAbsNotInit);
    ASSERT_TRUE(pmtx->Create(true));
    ASSERT_TRUE(pmtx->Lock(5000));
    OnOtherThread([&] {
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(ErcOf(pmtx->Lock(100)), (uint32_t)ercAbsTimeout);
        EXPECT_GE(TmsSince(t0), 90u);
        EXPECT_EQ(ErcOf(pmtx->Lock(0)), (uint32_t)ercAbsTimeout);
        EXPECT_EQ(ErcOf(pmtx->Unlock()), (uint32_t)ercAbsNotOwner);
    });
    EXPECT_TRUE(pmtx->Unlock());
    EXPECT_TRUE(pmtx->Unlock());   /* the owned creation's level */
    EXPECT_EQ(ErcOf(pmtx->Unlock()), (uint32_t)ercAbsNotOwner);
    OnOtherThread([&] {
        EXPECT_TRUE(pmtx->Lock(0));
        EXPECT_TRUE(pmtx->Unlock());
    });
}

/* A thread that holds the mutex in slices and takes it back at once (a
 * transfer result polled 25 ms at a time) must not starve another thread
 * that needs it briefly (the cancel of that transfer): a release made while
 * the other waits goes to the waiter. Timed and infinite waits alike. */
TEST_F(YorlThread, MtxReleaseGoesToAWaitingThread)
{
    UPMTX pmtx(pabsfact->InstABSMTX());
    ASSERT_TRUE(pmtx->Create(false));
    for (uint32_t tmsWait : {2000u, (uint32_t)tmsInfinite}) {
        std::atomic<bool> fStop{false};
        std::atomic<int> cSlices{0};
        std::thread thdPoller([&] {
            while (!fStop.load()) {
                ASSERT_TRUE(pmtx->Lock(tmsInfinite));
                pabsutil->SleepMs(25);
                cSlices.fetch_add(1);
                ASSERT_TRUE(pmtx->Unlock());
            }
        });
        while (cSlices.load() == 0)
            pabsutil->SleepMs(1);
        for (int i = 0; i < 5; i++) {
            EXPECT_EQ(ErcOf(pmtx->Lock(tmsWait)), 0u) << "wait " << tmsWait << ", turn " << i;
            EXPECT_TRUE(pmtx->Unlock());
            pabsutil->SleepMs(5);
        }
        fStop.store(true);
        thdPoller.join();
    }
}

TEST_F(YorlThread, MtxLeftByAnEndedThreadIsObtained)
{
    UPMTX pmtx(pabsfact->InstABSMTX());
    ASSERT_TRUE(pmtx->Create(false));
    OnOtherThread([&] { ASSERT_TRUE(pmtx->Lock(tmsInfinite)); });
    EXPECT_TRUE(pmtx->Lock(1000));
    EXPECT_TRUE(pmtx->Unlock());
}

TEST_F(YorlThread, MtxInitAgainAndTermAreHarmless)
{
    UPMTX pmtx(pabsfact->InstABSMTX());
    EXPECT_TRUE(pmtx->Init());
    EXPECT_TRUE(pmtx->Init());
    ASSERT_TRUE(pmtx->Create(false));
    ASSERT_TRUE(pmtx->Lock(0));
    EXPECT_TRUE(pmtx->Term());   /* releases the level held */
    EXPECT_EQ(ErcOf(pmtx->Lock(0)), (uint32_t)ercAbsNotInit);
    ASSERT_TRUE(pmtx->Create(false));
    EXPECT_TRUE(pmtx->Lock(0));
    EXPECT_TRUE(pmtx->Unlock());
}

/* ---- semaphore ---- */

TEST_F(YorlThread, SemaphoreZeroZeroStartsEmptyWithoutLimit)
{
    UPSEM psem(pabsfact->InstABSSEM());
    ASSERT_TRUE(psem->Init());
    ASSERT_TRUE(psem->Create(0, 0));
    EXPECT_EQ(ErcOf(psem->Wait(0)), (uint32_t)ercAbsTimeout);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ErcOf(psem->Wait(100)), (uint32_t)ercAbsTimeout);
    EXPECT_GE(TmsSince(t0), 90u);
    EXPECT_TRUE(psem->Release(1));
    EXPECT_TRUE(psem->Release(1000000));
    EXPECT_TRUE(psem->Wait(0));
    for (int i = 0; i < 1000; i++)
        ASSERT_TRUE(psem->Wait(0));
}

TEST_F(YorlThread, SemaphoreMaximumAndArguments)
{
    UPSEM psem(pabsfact->InstABSSEM());
    EXPECT_EQ(ErcOf(psem->Wait(0)), (uint32_t)ercAbsNotInit);
    EXPECT_EQ(ErcOf(psem->Create(3, 2)), (uint32_t)ercAbsInvalidParameter);
    EXPECT_EQ(ErcOf(psem->Create(-1, 0)), (uint32_t)ercAbsInvalidParameter);
    ASSERT_TRUE(psem->Create(1, 2));
    EXPECT_TRUE(psem->Release(1));
    EXPECT_FALSE(psem->Release(1));
    EXPECT_EQ(ErcOf(psem->Release(0)), (uint32_t)ercAbsInvalidParameter);
    EXPECT_TRUE(psem->Wait(0));
    EXPECT_TRUE(psem->Wait(0));
    EXPECT_EQ(ErcOf(psem->Wait(0)), (uint32_t)ercAbsTimeout);
}

TEST_F(YorlThread, SemaphorePingPongLosesNoCount)
{
    UPSEM psemPing(pabsfact->InstABSSEM()), psemPong(pabsfact->InstABSSEM());
    ASSERT_TRUE(psemPing->Create(0, 0));
    ASSERT_TRUE(psemPong->Create(0, 0));
    const int cRound = 2000;
    std::thread thread([&] {
        for (int i = 0; i < cRound; i++) {
            if (!psemPing->Wait(5000))
                return;
            psemPong->Release(1);
        }
    });
    int cDone = 0;
    for (int i = 0; i < cRound; i++) {
        psemPing->Release(1);
        if (!psemPong->Wait(5000))
            break;
        cDone++;
    }
    thread.join();
    EXPECT_EQ(cDone, cRound);
    EXPECT_EQ(ErcOf(psemPong->Wait(0)), (uint32_t)ercAbsTimeout);
}

TEST_F(YorlThread, SemaphoreWakesAnInfiniteWaiter)
{
    UPSEM psem(pabsfact->InstABSSEM());
    ASSERT_TRUE(psem->Create(0, 0));
    std::thread thread([&] { EXPECT_TRUE(psem->Wait(tmsInfinite)); });
    KorSleepMs(50);
    psem->Release(1);
    thread.join();
}

/* ---- thread object ---- */

struct THDARG {
    ABSSEM *psemGo;
    std::atomic<int> cRun;
    std::atomic<uint32_t> idThread;
};

uint32_t WaitingEntry(void *pv)
{
    THDARG *parg = (THDARG *)pv;
    parg->idThread = pabsutil->GetIdThread();
    parg->psemGo->Wait(tmsInfinite);
    parg->cRun++;
    return 0;
}

TEST_F(YorlThread, ThreadRunsEntryAndWaitExitWaits)
{
    UPSEM psem(pabsfact->InstABSSEM());
    ASSERT_TRUE(psem->Create(0, 0));
    THDARG arg{psem.get(), {0}, {0}};
    UPTHD pthd(pabsfact->InstABSTHD());
    ASSERT_TRUE(pthd->Init());
    EXPECT_EQ(ErcOf(pthd->WaitExit()), (uint32_t)ercAbsNotInit);
    EXPECT_FALSE(pthd->FRunning());
    ASSERT_TRUE(pthd->Create(WaitingEntry, &arg, 0));
    EXPECT_TRUE(pthd->FRunning());
    KorSleepMs(50);
    EXPECT_TRUE(pthd->FRunning());
    EXPECT_EQ(arg.cRun.load(), 0);
    std::thread releaser([&] {
        KorSleepMs(100);
        psem->Release(1);
    });
    EXPECT_TRUE(pthd->WaitExit());
    releaser.join();
    EXPECT_EQ(arg.cRun.load(), 1);
    EXPECT_FALSE(pthd->FRunning());
    EXPECT_TRUE(pthd->WaitExit());   /* again: ended already */
    EXPECT_NE(arg.idThread.load(), pabsutil->GetIdThread());
}

TEST_F(YorlThread, ThreadTermLeavesItRunningAndInitAllowsAnother)
{
    UPSEM psem(pabsfact->InstABSSEM());
    ASSERT_TRUE(psem->Create(0, 0));
    THDARG arg{psem.get(), {0}, {0}};
    ABSTHD *pthd = pabsfact->InstABSTHD();
    ASSERT_TRUE(pthd->Init());
    ASSERT_TRUE(pthd->Create(WaitingEntry, &arg, 0));
    ASSERT_TRUE(pthd->Term());
    ASSERT_TRUE(pabsfact->RlsABSTHD(pthd));
    psem->Release(1);
    for (int i = 0; i < 500 && arg.cRun.load() == 0; i++)
        KorSleepMs(10);
    EXPECT_EQ(arg.cRun.load(), 1);

    UPTHD pthd2(pabsfact->InstABSTHD());
    for (int iRound = 0; iRound < 3; iRound++) {
        ASSERT_TRUE(pthd2->Init());
        ASSERT_TRUE(pthd2->Create(WaitingEntry, &arg, 0));
        psem->Release(1);
    }
    ASSERT_TRUE(pthd2->WaitExit());
    for (int i = 0; i < 500 && arg.cRun.load() < 4; i++)
        KorSleepMs(10);
    EXPECT_EQ(arg.cRun.load(), 4);
    EXPECT_EQ(ErcOf(pthd2->Create(WaitingEntry, &arg, 1)), (uint32_t)ercAbsInvalidParameter);
    EXPECT_EQ(ErcOf(pthd2->Create(nullptr, &arg, 0)), (uint32_t)ercAbsInvalidParameter);
}

/* ---- utility ---- */

TEST_F(YorlThread, LastErrorIsPerThread)
{
    pabsutil->SetLastErc(7);
    OnOtherThread([] {
        EXPECT_EQ(pabsutil->GetLastErc(), 0u);
        pabsutil->SetLastErc(9);
        EXPECT_EQ(pabsutil->GetLastErc(), 9u);
    });
    EXPECT_EQ(pabsutil->GetLastErc(), 7u);
    /* A success leaves it as it was; a failure sets it. */
    UPSEM psem(pabsfact->InstABSSEM());
    EXPECT_TRUE(psem->Create(1, 0));
    EXPECT_TRUE(psem->Wait(0));
    EXPECT_EQ(pabsutil->GetLastErc(), 7u);
    EXPECT_FALSE(psem->Wait(0));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsTimeout);
}

TEST_F(YorlThread, ThreadIdsDifferAndProcessIdIsShared)
{
    uint32_t idProcess = pabsutil->GetIdProcess();
    uint32_t idThread = pabsutil->GetIdThread();
    OnOtherThread([&] {
        EXPECT_EQ(pabsutil->GetIdProcess(), idProcess);
        EXPECT_NE(pabsutil->GetIdThread(), idThread);
    });
}

}  // namespace
