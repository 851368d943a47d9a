// BSWORKER: start, stop flag, pumping join (bsworker.h).

#include "bsworker.h"

#include <chrono>

BSWORKER::~BSWORKER()
{
    FStopAndJoin();
}

bool BSWORKER::FStart(std::function<void()> fnBody)
{
    if (fRunning)
        return false;
    if (thr.joinable())
        thr.join();                 // an earlier body has returned
    fStop = false;
    fRunning = true;
    try {
        thr = std::thread([this, fnBody = std::move(fnBody)] {
            fnBody();
            std::lock_guard<std::mutex> lock(mtx);
            fRunning = false;
            cvDone.notify_all();
        });
    } catch (...) {
        fRunning = false;
        return false;
    }
    return true;
}

bool BSWORKER::FJoin(int tms, const std::function<void()> &fnPump)
{
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(tms < 0 ? 0 : tms);
    for (;;) {
        if (fnPump)
            fnPump();
        {
            std::unique_lock<std::mutex> lock(mtx);
            if (cvDone.wait_for(lock, std::chrono::milliseconds(10), [this] { return !fRunning; }))
                break;
        }
        if (tms >= 0 && std::chrono::steady_clock::now() >= tEnd)
            return false;
    }
    if (thr.joinable())
        thr.join();
    return true;
}

bool BSWORKER::FStopAndJoin(int tms, const std::function<void()> &fnPump)
{
    RequestStop();
    return FJoin(tms, fnPump);
}
