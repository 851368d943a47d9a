// ftcfg.h - what the configuration file says about a board's FTDI chip.
//
// A board with an `ftdi` directive reaches the host through an FTDI
// high-speed chip (ftdiwire.h) instead of the maker's USB firmware. Its
// channels are wired to the board: the JTAG chain on the MPSSE pins of one
// channel, a FIFO design (one stream each) on others.

#ifndef KOR_SIM_FTCFG_H
#define KOR_SIM_FTCFG_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum FTTYPE : uint32_t {
    fttNone = 0,
    ftt2232h = 6,
    ftt4232h = 7,
    ftt232h = 8,
};

struct FTDICFG {
    FTTYPE ftt = fttNone;           // fttNone: not an FTDI board
    std::string szManufacturer = "FTDI";
    std::string szDescription;      // empty: the part's default
    uint32_t locid = 0;             // 0: derived from the slot
    int ichanJtag = -1;             // channel whose MPSSE pins drive the chain
    std::vector<int> rgichanFifo;   // channels wired to a FIFO design
    int32_t word0 = -1;             // EEPROM word 0 (channel types, drivers); -1: derived
    bool fUserArea = true;          // write the maker's record into the user area at first power-on
};

// Number of channels of a part.
inline int CchanFtt(FTTYPE ftt) { return ftt == ftt4232h ? 4 : ftt == ftt2232h ? 2 : ftt == ftt232h ? 1 : 0; }

// Reads one `ftdi...` directive into cfg; false with szErr for a bad one.
// fHandled is false for a directive that is not an FTDI one.
bool FFtdiDirective(FTDICFG &cfg, const std::string &szKey, const std::vector<std::string> &rgszArg,
                    const std::string &szRest, bool &fHandled, std::string &szErr);

} // namespace sim

#endif
