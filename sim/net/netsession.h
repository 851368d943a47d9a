// netsession.h - one control connection of a network board, with the data
// connection it asked for. Runs on a thread of its own; the board's
// firmware is used under the bus lock only.
//
// Transactions of one board are routed to the connection that sent the
// last command packet: its status packets go out on that connection and
// its data phase runs on that connection's data connection.

#ifndef KOR_SIM_NETSESSION_H
#define KOR_SIM_NETSESSION_H

#include "netstream.h"

#include <memory>
#include <vector>

namespace sim {

class BUS;
struct DEVICE;

class NETSESSION {
public:
    NETSESSION(BUS &bus, DEVICE &dev, TLSSRV *psrv, int sock);
    ~NETSESSION();
    // Serves the connection until the host closes it or the board is unplugged.
    void Serve();

private:
    bool FMessage();
    bool FCtrlCmd(const uint8_t *pb, size_t cb);
    bool FVendorReq(const uint8_t *pb, size_t cb);
    bool FDvcCmd(const uint8_t *pb, size_t cb);
    bool FSendCsts(uint8_t scode, const uint8_t *pbData = nullptr, size_t cbData = 0);
    bool FEstDataConn();
    bool FPumpData();
    bool FFlushStsL(std::vector<std::vector<uint8_t>> &rgrgbOut);
    bool FPresent();
    void Drain();

    BUS &bus;
    DEVICE &dev;
    TLSSRV *psrv;
    NETSTREAM ctrl;
    std::unique_ptr<NETSTREAM> pdata;
    std::vector<uint8_t> rgbOutLeft;    // data bytes read but not yet taken by the firmware
    bool fAuthed = false;
};

} // namespace sim

#endif
