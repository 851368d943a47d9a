// devtime.h - the time a device's in-system programming logic sees.
//
// Erase and program cycles need a minimum time. A real device sees wall time;
// the simulator clocks TCK far faster than a cable does, so every TCK clock
// counts as the period of the nominal 1 MHz test clock on top of the time
// that passed (a host that waits with TCK clocks and a host that sleeps both
// meet the device's times, a host that does neither does not).

#ifndef KOR_SIM_DEVTIME_H
#define KOR_SIM_DEVTIME_H

#include <chrono>
#include <cstdint>
#include <functional>

namespace sim {

class DEVTIME {
public:
    // Wall time in microseconds (tests give a clock of their own).
    using FNNOW = std::function<uint64_t()>;
    static uint64_t UsSteady()
    {
        return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now().time_since_epoch()).count());
    }
    // The clock of devices made without one (tests of whole boards set their own).
    static FNNOW &FnNowDefault()
    {
        static FNNOW fn = UsSteady;
        return fn;
    }
    explicit DEVTIME(FNNOW fnNowIn = nullptr) : fnNow(fnNowIn ? std::move(fnNowIn) : FnNowDefault()) {}
    void Tck() { cclk++; }
    uint64_t UsNow() const { return fnNow() + cclk; }

private:
    FNNOW fnNow;
    uint64_t cclk = 0;
};

} // namespace sim

#endif
