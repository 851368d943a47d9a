// tap.h - IEEE 1149.1 TAP controller states and transitions.

#ifndef KOR_SIM_TAP_H
#define KOR_SIM_TAP_H

#include <cstdint>

namespace sim {

// The sixteen controller states, named as the standard names them.
enum TAPSTATE : uint8_t {
    TAP_RESET, TAP_IDLE,
    TAP_DRSELECT, TAP_DRCAPTURE, TAP_DRSHIFT, TAP_DREXIT1, TAP_DRPAUSE, TAP_DREXIT2, TAP_DRUPDATE,
    TAP_IRSELECT, TAP_IRCAPTURE, TAP_IRSHIFT, TAP_IREXIT1, TAP_IRPAUSE, TAP_IREXIT2, TAP_IRUPDATE,
    ctapstate
};

// State after one TCK rising edge with the given TMS level.
TAPSTATE TapNext(TAPSTATE tap, bool fTms);

// Printable name ("Shift-DR"), for the control channel and logs.
const char *SzTapState(TAPSTATE tap);

} // namespace sim

#endif
