// net.h - loopback TCP helpers of the simulator (POSIX sockets).

#ifndef KOR_SIM_NET_H
#define KOR_SIM_NET_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Listens on 127.0.0.1:port (0 = any free port); returns the socket or -1
// and the port actually bound in portBound.
int SockListenLoopback(uint16_t port, uint16_t &portBound);
// Connects to 127.0.0.1:port; returns the socket or -1.
int SockConnectLoopback(uint16_t port);
// Accepts the next connection on sockListen, with Nagle's delay off: the
// simulator answers with small frames that must go out at once. -1 when
// accept failed.
int SockAccept(int sockListen);
bool FSendAll(int sock, const void *pv, size_t cb);
// Sends every buffer of rgrgb, in order, in as few system calls as the
// kernel allows (one for a few small frames).
bool FSendAllV(int sock, const std::vector<std::vector<uint8_t>> &rgrgb);
bool FRecvAll(int sock, void *pv, size_t cb);
// Reads one line without its '\n' (at most cchMax characters).
bool FRecvLine(int sock, std::string &szLine, size_t cchMax = 65536);
void CloseSock(int sock);
// Ends both directions of sock without closing it: its reader sees the end.
void ShutdownSock(int sock);

} // namespace sim

#endif
