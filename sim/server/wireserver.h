// wireserver.h - the two kinds of connection the simulator serves.

#ifndef KOR_SIM_WIRESERVER_H
#define KOR_SIM_WIRESERVER_H

#include "bus.h"

#include <atomic>

namespace sim {

// Serves one USB wire connection (usbwire.h) until the host closes it.
// The preamble has been read.
void ServeWire(BUS &bus, int sock, int id);

// Serves one control connection (control.cpp) until the client closes it.
// Sets fQuit when the client asked the simulator to end.
void ServeControl(BUS &bus, int sock, std::atomic<bool> &fQuit);

} // namespace sim

#endif
