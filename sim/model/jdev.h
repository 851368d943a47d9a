// jdev.h - one device model on a simulated JTAG chain.
//
// The chain (chain.h) owns the TAP controller and the shift registers; a model
// only says how long its instruction register is, what it captures and what
// an update does. Bit vectors hold one bit per element, element 0 being the
// bit nearest TDO (the first one shifted out).

#ifndef KOR_SIM_JDEV_H
#define KOR_SIM_JDEV_H

#include "tap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using BITS = std::vector<uint8_t>;

class JDEV {
public:
    virtual ~JDEV() = default;

    virtual std::string SzModel() const = 0;
    // Length of the instruction register in bits (at least 2).
    virtual unsigned CbitIr() const = 0;
    // Test-Logic-Reset: the instruction register takes its reset value.
    virtual void Reset() = 0;
    // Value parallel-loaded in Capture-IR; the standard wants ...01.
    virtual uint64_t IrCapture() const { return 1; }
    // Update-IR with the bits shifted in (the low CbitIr bits of ir).
    virtual void UpdateIr(uint64_t ir) = 0;
    virtual uint64_t IrCur() const = 0;
    // Length of the data register that the current instruction selects.
    virtual unsigned CbitDr() const = 0;
    // Capture-DR: the register's parallel value, CbitDr bits.
    virtual BITS DrCapture() = 0;
    // Update-DR with the bits shifted in.
    virtual void UpdateDr(const BITS &rgbit) = 0;
    // Power-on (the chain's PowerOn); a plain device just resets.
    virtual void PowerOn() { Reset(); }
    // Rising TCK edge in the given state, before the controller moves; for
    // devices whose logic runs on TCK outside the shift path.
    virtual void Tck(TAPSTATE) {}
    // Clocks after which a constant TMS/TDI no longer changes this device
    // (logic that counts clocks, such as a start-up sequence).
    virtual size_t CclkSettle() const { return 0; }
    // Shift-DR: the bit that enters this device's data register at its TDI
    // end on this clock.
    virtual void DrShiftIn(bool) {}
    // cclk clocks in Shift-DR that stay there (the chain's fast path): the
    // same as Tck(TAP_DRSHIFT) then DrShiftIn(rgbit[i]) for each clock i in
    // turn. Models whose logic allows it do it in bulk.
    virtual void DrShiftRun(const uint8_t *rgbit, size_t cclk)
    {
        for (size_t i = 0; i < cclk; i++) {
            Tck(TAP_DRSHIFT);
            DrShiftIn(rgbit[i] != 0);
        }
    }
    // One text line for the control channel.
    virtual std::string SzDescribe() const = 0;
};

} // namespace sim

#endif
