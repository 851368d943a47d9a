// promser.h - what a board's FPGA sees of a configuration PROM: the bytes
// it shifts out in master serial mode (each byte's bit 0 first), when it
// is not being programmed.

#ifndef KOR_SIM_PROMSER_H
#define KOR_SIM_PROMSER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

class PROMSER {
public:
    virtual ~PROMSER() = default;
    // The flash, after any cycle that has had its time.
    virtual const std::vector<uint8_t> &Array() = 0;
    // Bytes up to the last one that is not blank.
    size_t CbUsed()
    {
        const std::vector<uint8_t> &rgb = Array();
        size_t cb = rgb.size();
        while (cb > 0 && rgb[cb - 1] == 0xFF)
            cb--;
        return cb;
    }
    // In ISP mode the PROM gives the FPGA nothing.
    virtual bool FIsp() const = 0;
};

} // namespace sim

#endif
