// netcfg.h - how a simulated board sits on the network (configuration
// lines "net", "nettls", "netdatatls"; format in sim/README.md).

#ifndef KOR_SIM_NETCFG_H
#define KOR_SIM_NETCFG_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// What the board does with cmdEnableTLS on a control connection.
enum TLSANS : uint8_t {
    tlsansOn,           // scode 0, then TLS on this connection
    tlsansPlain,        // scode 8: goes on without TLS
    tlsansClose,        // closes the connection (a device without TLS)
    tlsansSilent,       // never answers
    tlsansScode,        // answers NETCFG::scodeTls
    tlsansStall,        // scode 0, then never takes part in the hand-shake
};

struct NETCFG {
    std::string szAddr;             // empty: not a network board
    uint16_t port = 33890;
    TLSANS tlsans = tlsansOn;
    uint8_t scodeTls = 1;
    bool fDataTls = true;           // cmdEnableDataTLS answered 0 (else 1)
    bool fUdp = true;               // answers discovery requests on UDP port 33890
    uint16_t verDisc = 2;           // VER of the discovery answer
    uint16_t portDisc = 33890;      // UDP port of the discovery requests
    bool fDiscNoIp = false;         // the answer leaves the address text empty
    bool fDnssd = false;            // answers DNS-SD browses (multicast DNS)
    uint16_t portMdns = 5353;       // UDP port of the multicast DNS queries
    bool FOn() const { return !szAddr.empty(); }
};

// Parses one board line whose key begins with "net"; false with szErr
// when the line is wrong. fTaken tells whether the key was one of ours.
bool FParseNetLine(NETCFG &net, const std::string &szKey, const std::vector<std::string> &rgszArg, bool &fTaken,
                   std::string &szErr);

} // namespace sim

#endif
