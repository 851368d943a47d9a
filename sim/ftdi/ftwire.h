// ftwire.h - the simulator's side of the FTDI wire (ftdiwire.h).

#ifndef KOR_SIM_FTWIRE_H
#define KOR_SIM_FTWIRE_H

#include "../server/bus.h"

namespace sim {

// Serves one FTDI wire connection until the host closes it; the preamble
// has been read. The channel the connection held is given back at the end.
void ServeFtdiWire(BUS &bus, int sock, int id);

} // namespace sim

#endif
