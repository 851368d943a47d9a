// The power meter: a thread that opens the board, checks its four rails and
// reads them five times a second, shows each reading on the meter page and
// records it for the graph. The page and the device are reached through two
// small interfaces, so the whole run is tested natively; the Win32 page
// (VWPWR) and the board-management calls bind them.
//
// PWRMETER owns the thread. Stop only asks (the thread finishes its cycle,
// closes the device and restores the page itself); a Start while a thread
// still runs first waits for it, pumping the window thread's sent messages,
// so two runs never share a device handle; a run ending before its first
// wait leaves no wake-up behind for the next one; Close waits until the
// thread has ended, so it never outlives the page or the graph.
#ifndef PWRMETER_H
#define PWRMETER_H

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "bsworker.h"
#include "pwrprofile.h"

enum { cchPwrLabel = 32, tmsPwrCycle = 200 };

// One run's device: opened by FOpen, closed by Close (only when open).
// Factors and raw values are signed 32-bit; null voltage pointers are passed
// on boards that measure current only.
class PWRDEV {
public:
    virtual ~PWRDEV() = default;
    virtual bool FOpen() = 0;
    virtual void Close() = 0;
    virtual bool FCount(int *pcrail) = 0;
    virtual bool FProps(int irail, int32_t *pkV, int32_t *pkI) = 0;
    virtual bool FLabel(int irail, char *szLabel /* cchPwrLabel */) = 0;
    virtual bool FData(int irail, int32_t *prawV, int32_t *prawI) = 0;
};

// The meter page as the thread sees it.
class PWRPAGE {
public:
    virtual void SetField(int id, const char *sz) = 0;
    virtual void EnableControl(int id, bool fEnable) = 0;
    virtual void Log(int ids) = 0;
    // Records the sample for the graph; the buffer's count afterwards.
    virtual int AddSample(const PWRSMP &smp) = 0;
protected:
    ~PWRPAGE() = default;
};

// One cycle's readings in volts and amperes (the nominal voltages on
// boards that measure current only).
struct PWRREADING {
    double rgV[crailPwr];
    double rgI[crailPwr];
};

// k x raw / 1 000 000, both taken as signed 32-bit values.
double DblScaled(int32_t k, int32_t raw);
// The sample the graph records of a reading (pwrbuf.h).
PWRSMP SmpOfReading(const PWRPROFILE &prof, const PWRREADING &rdg);
// Shows a reading in the page's fields: volts "%.3f", milliamperes and
// milliwatts "%.0f".
void ShowReading(const PWRPROFILE &prof, const PWRREADING &rdg, PWRPAGE &page);

class PWRMETER {
public:
    PWRMETER(const PWRPROFILE &prof, PWRPAGE &page) : prof(prof), page(page) {}
    ~PWRMETER() { Close(); }   // pworker's own destruction then finds no thread

    // Starts a run on the device fnDev makes (on the meter thread); a run
    // still going is stopped and waited for first, calling fnPump meanwhile.
    bool FStart(std::function<std::unique_ptr<PWRDEV>()> fnDev, const std::function<void()> &fnPump = nullptr);
    // Asks the run to stop; returns at once.
    void Stop();
    // While set, cycles take no readings (the buffer is being saved).
    void SetPause(bool f) { fPause = f; }
    // The page goes away: the run ends without a message or a control
    // change; waits for it, calling fnPump.
    void Close(const std::function<void()> &fnPump = nullptr);
    bool FRunning() const { return pworker && pworker->FRunning(); }

private:
    void Run(PWRDEV &dev);
    bool FReadCycle(PWRDEV &dev, const int32_t *rgkV, const int32_t *rgkI);
    void Wake();
    void WaitCycle();

    const PWRPROFILE &prof;
    PWRPAGE &page;
    std::unique_ptr<BSWORKER> pworker;   // made by the first start: a meter never started holds nothing
    std::atomic<bool> fPause{ false };
    std::atomic<bool> fClosing{ false };
    std::mutex mtxWake;
    std::condition_variable cvWake;
    bool fWake = false;   // a wake-up not yet taken (at most one, like a semaphore of maximum 1)
};

#endif
