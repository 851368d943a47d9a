// chain.h - a JTAG chain: one TAP controller in front of a list of devices.
//
// Device 0 is the one nearest TDO: its captured bits come out first. TDI
// enters the last device. A clock is one TCK period: the rising edge captures
// or shifts in the current state and moves the controller; the falling edge
// updates (Update-xR) or resets (Test-Logic-Reset). The TDO level reported
// for a clock is the level after its falling edge, so the clock that leaves
// Capture-DR reports bit 0 of the captured register of device 0. Outside the
// shift states TDO is not driven and reads 1 (pulled up).

#ifndef KOR_SIM_CHAIN_H
#define KOR_SIM_CHAIN_H

#include "jdev.h"
#include "tap.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class CHAIN {
public:
    void AddDevice(std::unique_ptr<JDEV> pjdev);
    size_t Cdev() const { return rgpjdev.size(); }
    JDEV *Pjdev(size_t idev) const { return rgpjdev[idev].get(); }

    // One TCK period with the given TMS and TDI levels; returns TDO.
    bool FClock(bool fTms, bool fTdi);
    // cclkRun clocks with TMS low and TDI rgbitTdi[i] (0 or 1) while the
    // controller is in Shift-DR, TDO of each clock to rgbitTdo[i]: the same
    // as FClock(false, rgbitTdi[i]) clock by clock (which stays the
    // reference, and is used outside Shift-DR), done register by register
    // instead of clock by clock.
    void ShiftDrRun(const uint8_t *rgbitTdi, size_t cclkRun, uint8_t *rgbitTdo);
    // Bring every device to Test-Logic-Reset (power-on).
    void PowerOn();

    TAPSTATE Tap() const { return tap; }
    uint64_t Cclk() const { return cclk; }
    bool FTdo() const { return fTdo; }
    // Total of the IR lengths plus the DR lengths: after this many clocks a
    // constant TMS/TDI has brought the chain to a fixed point.
    size_t CbitSaturate() const;
    // Stuck TDO fault: -1 none, 0 or 1 the level TDO is stuck at.
    void SetStuckTdo(int f) { fStuck = f; }

private:
    void Capture(bool fIr);
    void Shift(bool fTdi);
    void Update(bool fIr);

    std::vector<std::unique_ptr<JDEV>> rgpjdev;
    std::vector<std::deque<uint8_t>> rgsr;
    std::vector<uint8_t> rgbitRunIn, rgbitRunOut;   // ShiftDrRun's streams      // shift register per device, front = bit nearest TDO
    TAPSTATE tap = TAP_RESET;
    bool fTdo = true;
    int fStuck = -1;
    uint64_t cclk = 0;
};

} // namespace sim

#endif
