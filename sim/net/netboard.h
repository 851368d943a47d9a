// netboard.h - the simulated network boards: the boards of the bus whose
// configuration puts them on the network answer the network control
// protocol on their own loopback address and port, with the board model
// and firmware that USB boards have behind their endpoints.
//
// Every accepted connection is a control connection served by a thread of
// its own (several at once per board). A control connection may switch
// to TLS, authenticate against the board's accounts, carry vendor requests
// and the command and status packets of transactions, and ask for a
// passive data connection on which the data phases run as raw bytes. An
// unplugged board closes its connections and refuses new ones.

#ifndef KOR_SIM_NETBOARD_H
#define KOR_SIM_NETBOARD_H

#include <string>

namespace sim {

class BUS;

// Writes the boards' TLS key and certificate ("board.key", "board.crt")
// into szTlsDir and starts a listener for every network board. False with
// szErr when a board cannot listen.
bool FStartNetBoards(BUS &bus, const std::string &szTlsDir, std::string &szErr);

} // namespace sim

#endif
