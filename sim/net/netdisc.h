// netdisc.h - the discovery answers of the network boards: every board
// with UDP discovery on listens on its discovery port, 33890 unless the
// configuration says otherwise (beside the other boards), and
// answers a discovery request with its 154-byte record, sent from its own
// address.

#ifndef KOR_SIM_NETDISC_H
#define KOR_SIM_NETDISC_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

class BUS;
struct DEVICE;

constexpr size_t cbDiscReq = 32, cbDiscResp = 154;

// The record the board answers with now (identity as its vendor requests
// would give it).
std::vector<uint8_t> RgbDiscResp(DEVICE &dev);
// True for a well-formed discovery request.
bool FDiscReq(const uint8_t *pb, size_t cb);
// Starts the board's responder thread; false when it cannot bind.
bool FStartDiscResponder(BUS &bus, DEVICE &dev);
// The same for the DNS-SD answers of a board marked with "netdnssd".
bool FStartMdnsResponder(BUS &bus, DEVICE &dev);
// The multicast DNS response (PTR, SRV, TXT, A) the board gives now.
std::vector<uint8_t> RgbMdnsResp(DEVICE &dev);
// True for a query that asks for the boards' service type (PTR or any).
bool FMdnsQuery(const uint8_t *pb, size_t cb);
// The discovery flags (CTLS, DTLS, AUTH, AUTHEN) the board announces.
uint16_t FsDisc(DEVICE &dev);

} // namespace sim

#endif
