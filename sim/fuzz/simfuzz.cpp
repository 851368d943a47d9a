// simfuzz.cpp - the fuzz targets' simulator (see simfuzz.h).

#include "simfuzz.h"

#include "server/bus.h"
#include "server/config.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// One board of each kind the wire and control parsers reach.
const char szFuzzBoards[] = R"(board alpha
  serial 210183A1B2C3
  jtag XC3S500E 0x01C22093 6 0x09
  jtag XCF04S 0x05045093 8 0xFE
  jtagprops 0x00020003
  streamprops 0x00000001
  rail VCCINT 1000 2000 1200 350
  account admin secret 3
board beta
  serial 210183B00001
  chip fx2
  pdid 0x30100203
  revid 1
board blank
  serial 210183B00002
  chip fx2
  mode blank
  pdid 0
board gamma
  serial 210183C00001
  chip fx3
  mode boot
  pdid 0x00200180
)";

} // namespace

void FuzzServe(const uint8_t *pb, size_t cb, const std::function<void(sim::BUS &, int)> &serve)
{
    static const bool fInit = (signal(SIGPIPE, SIG_IGN), true);
    (void)fInit;
    std::vector<sim::BOARDCFG> rgcfg;
    std::string szErr;
    if (!sim::FParseConfig(szFuzzBoards, rgcfg, szErr))
        abort();
    int rgsock[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, rgsock) != 0)
        abort();
    int cbBuf = 1 << 20;
    setsockopt(rgsock[0], SOL_SOCKET, SO_SNDBUF, &cbBuf, sizeof(cbBuf));
    setsockopt(rgsock[1], SOL_SOCKET, SO_RCVBUF, &cbBuf, sizeof(cbBuf));
    size_t ib = 0;
    while (ib < cb) {
        ssize_t cbSent = send(rgsock[0], pb + ib, cb - ib, MSG_NOSIGNAL);
        if (cbSent <= 0)
            break;
        ib += size_t(cbSent);
    }
    // The server reads the input, then the end; its answers go nowhere.
    close(rgsock[0]);
    {
        sim::BUS bus(rgcfg);
        serve(bus, rgsock[1]);
    }
    close(rgsock[1]);
}
