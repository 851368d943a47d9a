// BSWORKER: the worker thread of a plug-in view (programming, tests, power
// readings). One body at a time; the view asks it to stop through a flag the
// body polls, and the view's destruction waits for it, so a worker never
// outlives the view whose members it uses.
//
// Waiting is done with a pump: while the window thread waits for the body,
// fnPump runs between short waits (a view passes PumpSentMessages), so a body
// that is just sending to the view's window cannot deadlock the wait.
// Nothing here needs Windows; the engines and their tests run natively.
#ifndef BSWORKER_H
#define BSWORKER_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class BSWORKER {
public:
    BSWORKER() = default;
    BSWORKER(const BSWORKER &) = delete;
    BSWORKER &operator=(const BSWORKER &) = delete;
    // Asks the body to stop and waits for it (no pump: destroy views after
    // their window is gone or call Join with a pump first).
    ~BSWORKER();

    // Starts fnBody on a new thread; false while a body runs (or a finished
    // one has not been joined yet and cannot be: never, Join is implicit).
    bool FStart(std::function<void()> fnBody);
    // Sets the stop flag the body polls.
    void RequestStop() { fStop = true; }
    bool FStopRequested() const { return fStop; }
    // True from FStart until the body has returned.
    bool FRunning() const { return fRunning; }
    // Waits until the body has returned (up to tms milliseconds; < 0: no
    // limit), calling fnPump between waits of at most 10 ms. True when no
    // body runs any more (the thread is then joined).
    bool FJoin(int tms = -1, const std::function<void()> &fnPump = nullptr);
    // RequestStop, then FJoin.
    bool FStopAndJoin(int tms = -1, const std::function<void()> &fnPump = nullptr);

private:
    std::thread thr;
    std::atomic<bool> fStop{ false };
    std::atomic<bool> fRunning{ false };
    std::mutex mtx;
    std::condition_variable cvDone;
};

#endif
