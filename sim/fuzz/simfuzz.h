// simfuzz.h - a whole simulator for one fuzz input: fresh boards, the input
// fed to one served connection through a socket pair, the connection
// served to its end on the calling thread.

#ifndef KOR_SIM_SIMFUZZ_H
#define KOR_SIM_SIMFUZZ_H

#include <cstddef>
#include <cstdint>
#include <functional>

namespace sim {
class BUS;
}

// Writes the input into one end of a socket pair, closes it, and calls
// serve(bus, sock) with the other end on a bus with the fuzz boards.
void FuzzServe(const uint8_t *pb, size_t cb, const std::function<void(sim::BUS &, int)> &serve);

#endif
