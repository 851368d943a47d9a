/* netpeer.cpp - netpeer.h with BSD sockets or Windows Sockets. */
#include "netpeer.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
typedef int socklen_t;
#define CLOSESOCK closesocket
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#define CLOSESOCK close
#endif

namespace {
sockaddr_in SinOf(uint32_t ipv4, uint16_t port)
{
    sockaddr_in sin = {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr.s_addr = ipv4;
    return sin;
}

uint16_t PortOf(PEERSOCK sock)
{
    sockaddr_in sin = {};
    socklen_t cb = sizeof(sin);
    getsockname(sock, (sockaddr *)&sin, &cb);
    return ntohs(sin.sin_port);
}
} // namespace

bool FPeerStart()
{
#if defined(_WIN32)
    WSADATA wsa;
    return WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
#else
    return true;
#endif
}

uint32_t Ipv4Of(const char *szDotted)
{
    in_addr in = {};
    inet_pton(AF_INET, szDotted, &in);
    return in.s_addr;
}

PEERSOCK PeerListen(uint32_t ipv4, int cBacklog, uint16_t *pport)
{
    PEERSOCK sock = (PEERSOCK)socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sin = SinOf(ipv4, 0);
    if (bind(sock, (sockaddr *)&sin, sizeof(sin)) != 0 || listen(sock, cBacklog) != 0) {
        CLOSESOCK(sock);
        return peersockNil;
    }
    *pport = PortOf(sock);
    return sock;
}

PEERSOCK PeerAccept(PEERSOCK sockListen)
{
    PEERSOCK sock = (PEERSOCK)accept(sockListen, NULL, NULL);
    return sock < 0 ? peersockNil : sock;
}

PEERSOCK PeerUdp(uint32_t ipv4, uint16_t port, uint16_t *pport)
{
    PEERSOCK sock = (PEERSOCK)socket(AF_INET, SOCK_DGRAM, 0);
    int one = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, (const char *)&one, sizeof(one));
    sockaddr_in sin = SinOf(ipv4, port);
    if (bind(sock, (sockaddr *)&sin, sizeof(sin)) != 0) {
        CLOSESOCK(sock);
        return peersockNil;
    }
    *pport = PortOf(sock);
    return sock;
}

bool FPeerSendAll(PEERSOCK sock, const void *pb, size_t cb)
{
    const char *pch = (const char *)pb;
    while (cb > 0) {
        int c = (int)send(sock, pch, (int)cb, 0);
        if (c <= 0)
            return false;
        pch += c;
        cb -= (size_t)c;
    }
    return true;
}

bool FPeerRecvAll(PEERSOCK sock, void *pb, size_t cb)
{
    char *pch = (char *)pb;
    while (cb > 0) {
        int c = (int)recv(sock, pch, (int)cb, 0);
        if (c <= 0)
            return false;
        pch += c;
        cb -= (size_t)c;
    }
    return true;
}

long CbPeerDrain(PEERSOCK sock)
{
    char rgb[4096];
    long cb = 0;
    for (;;) {
        int c = (int)recv(sock, rgb, sizeof(rgb), 0);
        if (c == 0)
            return cb;
        if (c < 0)
            return -1;
        cb += c;
    }
}

PEERSOCK PeerConnect(uint32_t ipv4, uint16_t port)
{
    PEERSOCK sock = (PEERSOCK)socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sin = SinOf(ipv4, port);
    if (connect(sock, (sockaddr *)&sin, sizeof(sin)) != 0) {
        CLOSESOCK(sock);
        return peersockNil;
    }
    return sock;
}

bool FPeerSendTo(PEERSOCK sock, uint32_t ipv4, uint16_t port, const void *pb, size_t cb)
{
    sockaddr_in sin = SinOf(ipv4, port);
    return sendto(sock, (const char *)pb, (int)cb, 0, (sockaddr *)&sin, sizeof(sin)) == (int)cb;
}

long CbPeerRecvFrom(PEERSOCK sock, void *pb, size_t cb, uint32_t *pipv4, uint16_t *pport)
{
    sockaddr_in sin = {};
    socklen_t cbSin = sizeof(sin);
    int c = (int)recvfrom(sock, (char *)pb, (int)cb, 0, (sockaddr *)&sin, &cbSin);
    *pipv4 = sin.sin_addr.s_addr;
    *pport = ntohs(sin.sin_port);
    return c;
}

void PeerClose(PEERSOCK sock)
{
    if (sock != peersockNil)
        CLOSESOCK(sock);
}
