// net.h - loopback TCP helpers of the simulator (POSIX sockets).

#ifndef KOR_SIM_NET_H
#define KOR_SIM_NET_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

// Listens on 127.0.0.1:port (0 = any free port); returns the socket or -1
// and the port actually bound in portBound.
int SockListenLoopback(uint16_t port, uint16_t &portBound);
// Connects to 127.0.0.1:port; returns the socket or -1.
int SockConnectLoopback(uint16_t port);
bool FSendAll(int sock, const void *pv, size_t cb);
bool FRecvAll(int sock, void *pv, size_t cb);
// Reads one line without its '\n' (at most cchMax characters).
bool FRecvLine(int sock, std::string &szLine, size_t cchMax = 65536);
void CloseSock(int sock);

} // namespace sim

#endif
