// fuzz_sim_control.cpp - the control channel as korsim serves it: any text
// after "CONTROL\n", one command per line, on fresh boards. WAIT waits by
// design (up to its limit), so inputs that name it are left out.

#include "simfuzz.h"

#include "server/wireserver.h"

#include <atomic>
#include <cctype>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    std::string sz(reinterpret_cast<const char *>(pb), cb);
    for (char &ch : sz)
        ch = char(toupper((unsigned char)ch));
    if (sz.find("WAIT") != std::string::npos)
        return 0;
    FuzzServe(pb, cb, [](sim::BUS &bus, int sock) {
        std::atomic<bool> fQuit(false);
        sim::ServeControl(bus, sock, fQuit);
    });
    return 0;
}
