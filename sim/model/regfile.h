// regfile.h - the 8-bit register file of the design the FPGA runs.
//
// The reference design: 256 plain read/write registers. Writes through the
// repeat command are also kept per register (in order, bounded) so tests can
// see the byte stream that went through one register.
// What a design answers is set by LoadDesign (designs.h): a design with
// registers of its own (simdesign.h) takes each access first and leaves the
// others plain stores. Every write through the port is also kept in order in
// a bounded log, so tests can see the order in which the host wrote them.

#ifndef KOR_SIM_REGFILE_H
#define KOR_SIM_REGFILE_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "simdesign.h"

namespace sim {

class REGFILE {
public:
    static constexpr size_t cbStreamMax = 1 << 20;
    static constexpr size_t cwriteLogMax = 1 << 20;

    void Reset();
    // Writes and reads through the register port: only a running design with
    // a register interface (designs.h) takes them; else reads give 0xFF.
    void Put(uint8_t reg, uint8_t b);
    uint8_t Get(uint8_t reg);
    bool FServes() const { return fLoaded && fRegs; }
    // Written by the control channel (SETREG), whatever runs.
    void Poke(uint8_t reg, uint8_t b) { rgb[reg] = b; }
    void ClearStreams() { mpregstream.clear(); }
    const std::vector<uint8_t> &RgbStream(uint8_t reg) { return mpregstream[reg]; }
    const uint8_t *Rgb() const { return rgb; }
    // Bytes that repeat reads of reg give before its value (control channel
    // REGFEED), so tests can stream data back through one register.
    void Feed(uint8_t reg, const std::vector<uint8_t> &rgbFeed);
    // What a repeat read of reg gives next.
    uint8_t TakeRepeat(uint8_t reg);

    // The design object of the running design, if its tag has one, and the
    // board it sees (set once by the board).
    std::unique_ptr<SIMDESIGN> pdesign;
    DESIGNENV *penv = nullptr;
    // Writes through the port, in order: (register, byte).
    std::vector<std::pair<uint8_t, uint8_t>> rgwriteLog;

    std::string szDesign = "reference";
    bool fLoaded = true;        // a design runs (DONE); cleared by a configuration reset
    bool fRegs = true;          // the design has the register interface

private:
    uint8_t rgb[256] = {};
    std::map<uint8_t, std::vector<uint8_t>> mpregstream;
    std::map<uint8_t, std::deque<uint8_t>> mpregfeed;
};

} // namespace sim

#endif
