// dsgmiravo3gpio.h - "miravo3-gpio": the Miravo3 board's peripheral test
// design (dsggpio.h): command 1 initialises, 5 places the design identifier
// 0x00D00162 in 0x83-0x86 (option "designid" replaces it), 26 tests the
// expansion connectors and 10 the VHDCI connector (about a second each);
// five push buttons in bits 0 to 4 of 0x11.

#ifndef KOR_SIM_DSGMIRAVO3GPIO_H
#define KOR_SIM_DSGMIRAVO3GPIO_H

#include "simdesign.h"

namespace sim {

std::unique_ptr<SIMDESIGN> PdesignMiravo3Gpio(DESIGNENV &env);

} // namespace sim

#endif
