// cfgcrc.h - the CRC of a Xilinx FPGA's configuration logic, by family.
//
// Every register write but those to the CRC register feeds it, with the
// register address; RCRC clears it.
//  - Spartan-3/3E (32-bit words): CRC-16 (x^16 + x^15 + x^2 + 1) in its
//    reflected form (shifting right, 0xA001), fed with the 32 data bits and
//    then the 5 address bits, least significant bit first. A check (a write
//    to CRC, or the automatic CRC word after a block of frame data) starts it
//    anew.
//  - Spartan-3A/3AN/3A DSP and Spartan-6 (16-bit words): a 22-bit value.
//    Each written word shifts it once to the left (bit 21 feeds back into
//    the taps 0x009081) and is then added (exclusive or) with the register
//    address above its 16 data bits. Checks compare without clearing it: it
//    runs on from RCRC to the end of the bitstream. The files write it as
//    two 16-bit words, the upper holding bits 21-16.
// Both forms check out against every CRC word of the vendor's files.

#ifndef KOR_SIM_CFGCRC_H
#define KOR_SIM_CFGCRC_H

#include <cstdint>

namespace sim {

class CFGCRC {
public:
    // f22: the 22-bit form of the 16-bit families, else the 16-bit one.
    explicit CFGCRC(bool f22) : f22(f22) {}
    void Clear() { crc = 0; }
    void Feed(unsigned reg, uint32_t w);
    // A check against the value the bitstream carries; true when it matches.
    // The 16-bit form starts anew after it, whatever the outcome.
    bool FCheck(uint32_t crcWant);
    uint32_t Value() const { return crc; }

private:
    bool f22;
    uint32_t crc = 0;
};

} // namespace sim

#endif
