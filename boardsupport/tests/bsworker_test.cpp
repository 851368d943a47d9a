// The views' worker: a body runs once at a time, a stop request reaches it,
// and the waits never leave a running thread behind a destroyed owner.

#include "bsworker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(BsWorker, OneBodyAtATimeAndStopReachesIt)
{
    BSWORKER worker;
    std::atomic<int> cloop{ 0 };
    ASSERT_TRUE(worker.FStart([&] {
        while (!worker.FStopRequested())
            cloop++, std::this_thread::sleep_for(1ms);
    }));
    EXPECT_TRUE(worker.FRunning());
    EXPECT_FALSE(worker.FStart([] {})) << "a second body while one runs";
    EXPECT_FALSE(worker.FJoin(30)) << "the body runs until asked to stop";
    EXPECT_TRUE(worker.FStopAndJoin());
    EXPECT_FALSE(worker.FRunning());
    EXPECT_GT(cloop.load(), 0);

    // The worker starts again after a stop; the stop flag is fresh.
    std::atomic<bool> fSawStop{ true };
    ASSERT_TRUE(worker.FStart([&] { fSawStop = worker.FStopRequested(); }));
    EXPECT_TRUE(worker.FJoin());
    EXPECT_FALSE(fSawStop.load());
}

// The waiting thread keeps pumping while the body runs: a body that waits for
// the pump (as a worker sending to its window waits for the window thread)
// finishes.
TEST(BsWorker, JoinPumpsWhileItWaits)
{
    BSWORKER worker;
    std::atomic<bool> fPumped{ false };
    ASSERT_TRUE(worker.FStart([&] {
        while (!fPumped)
            std::this_thread::sleep_for(1ms);
    }));
    EXPECT_TRUE(worker.FJoin(-1, [&] { fPumped = true; }));
}

// The owner goes away while its body runs: the destructor stops and joins,
// so the body never touches a freed owner.
TEST(BsWorker, DestroyingTheOwnerStopsAndWaitsForTheBody)
{
    struct VIEWLIKE {
        std::atomic<int> cwork{ 0 };
        BSWORKER worker;
    };
    for (int i = 0; i < 20; i++) {
        auto pview = std::make_unique<VIEWLIKE>();
        VIEWLIKE *p = pview.get();
        ASSERT_TRUE(pview->worker.FStart([p] {
            while (!p->worker.FStopRequested())
                p->cwork++;
            p->cwork++;   // still its own after the stop request
        }));
        std::this_thread::sleep_for(std::chrono::microseconds(100 * i));
        pview.reset();
    }
}

} // namespace
