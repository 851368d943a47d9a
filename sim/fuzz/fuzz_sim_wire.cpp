// fuzz_sim_wire.cpp - the USB wire as korsim serves it: any byte stream
// after the preamble, as frames of requests on fresh boards.

#include "simfuzz.h"

#include "server/wireserver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    FuzzServe(pb, cb, [](sim::BUS &bus, int sock) { sim::ServeWire(bus, sock, 1); });
    return 0;
}
