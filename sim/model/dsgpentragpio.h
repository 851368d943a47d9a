// dsgpentragpio.h - "pentra-gpio": the Pentra board's peripheral test
// design (dsggpio.h): command 1 initialises, 26 runs the connector shorts
// test (about a second); six push buttons in bits 0 to 5 of 0x11.

#ifndef KOR_SIM_DSGPENTRAGPIO_H
#define KOR_SIM_DSGPENTRAGPIO_H

#include "simdesign.h"

namespace sim {

std::unique_ptr<SIMDESIGN> PdesignPentraGpio(DESIGNENV &env);

} // namespace sim

#endif
