// dsgmemmgr.h - the memory-manager design of the Corvale and Pentra boards.
//
// The board's test image doubles as a memory manager: the host writes a
// command to 0x80 and polls the status in 0x81 (1 done, 2 or 0xFF busy, 3
// waiting for the data of a program command, 4 holding the data of a read
// command) until the result byte in 0x82 is valid. The address (0x94, 0x89,
// 0x88, 0x87) and the length (0x93 to 0x90) are written most significant
// byte first before the command; program and read data go through 0xA0.
//
//   0x01 initialise (at once)     0x0C program address/length through 0xA0
//   0x13 block query: result 1    0x0D read address/length through 0xA0;
//        when the block holding        a length past the end of the flash
//        the address is not blank      reads 0xFF there
//   0x43 erase that block         0x53 erase the whole flash
//   and the self-test commands of the board's profile (2 RAM, 3 flash, 9
//   shorts on Corvale), each busy for its time and done with result 0.
//
// The flash is the board's (DESIGNENV::Flash), so it outlives the design:
// programming clears bits only (old AND new) and takes its time per byte
// while the data arrive, erasing a block or the chip takes its time (the
// profile's times, scaled by the board; the cells themselves are only
// storage here). A command write changes the status at once. The x16
// parallel flash takes program ranges only in whole words (even address
// and length; result 2 else).
//
// Registers 0x10 and 0x11 read the options "switches" and "buttons".
// Options for faults (NN: the command in two hex digits):
//   fault.stuck.NN  any value: the command stays busy for ever
//   fault.status.NN the status the command shows instead of its own
//   fault.result.NN the result byte the command ends with
//   fault.flip      a flash address whose programmed byte keeps bit 0 set
//   testresult.NN   result of a self-test command (default 0)
// Events for the design log: "cmd NN addr A len N", "erase A", "query A R",
// "chiperase", "program A N", "read A N", and "busy US" for the time the
// flash was busy with each erase or program command (scaled).

#ifndef KOR_SIM_DSGMEMMGR_H
#define KOR_SIM_DSGMEMMGR_H

#include "simdesign.h"

namespace sim {

struct MEMMGRTEST {
    uint8_t cmd;
    uint32_t msBusy;   // nominal
};

struct MEMMGRPROFILE {
    const char *szFlash;                  // the board's flash by name
    std::vector<FLASHREGION> rgregion;    // its geometry
    uint64_t usEraseBlock;                // nominal times (the design keeps the
    uint64_t usChipErase;                 // flash busy for them, scaled by the board)
    uint32_t nsProgramByte;               // nominal programming time per byte
    bool fX16;                            // program ranges in whole words
    std::vector<MEMMGRTEST> rgtest;       // the board's self-test commands
};

std::unique_ptr<SIMDESIGN> PdesignMemMgr(DESIGNENV &env, const MEMMGRPROFILE &profile);

// The two boards' designs (dsgcorvale.cpp, dsgpentra.cpp).
std::unique_ptr<SIMDESIGN> PdesignCorvale(DESIGNENV &env);
std::unique_ptr<SIMDESIGN> PdesignPentra(DESIGNENV &env);

} // namespace sim

#endif
