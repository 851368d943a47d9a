// designs.h - the designs a simulated FPGA can run, by design tag.
//
// A design decides what the board's register port reaches once the FPGA
// runs it:
//   "reference", "refio"  the reference I/O design: 256 plain 8-bit
//                         read/write registers, all 0 after loading except
//                         register 0xFF, the design number (0x01 reference,
//                         0x52 refio), which is writable like the others.
//   the board designs     designs with an object of their own (simdesign.h),
//                         listed in designs.cpp, each in a file of its own.
//   anything else         a design without a register interface: reads give
//                         0xFF, writes are lost (as when nothing runs).

#ifndef KOR_SIM_DESIGNS_H
#define KOR_SIM_DESIGNS_H

#include "regfile.h"
#include "simdesign.h"

#include <memory>
#include <string>

namespace sim {

using PFNDESIGNNEW = std::unique_ptr<SIMDESIGN> (*)(DESIGNENV &env);

struct DESIGN {
    const char *szTag;
    bool fRegs;             // has the register interface
    uint8_t bNumber;        // value of register 0xFF after loading
    PFNDESIGNNEW pfnNew;    // the design's object; null: plain registers only
};

// The design of a tag; nullptr for a design without registers.
const DESIGN *PdesignFind(const std::string &szTag);
// The register file as the design leaves it right after it starts
// (fRunning) or when the FPGA stops running (not fRunning); a design with an
// object of its own gets a new one, made on the register file's board.
void LoadDesign(REGFILE &regs, const std::string &szTag, bool fRunning);

} // namespace sim

#endif
