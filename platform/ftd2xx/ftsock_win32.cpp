/* ftsock_win32.cpp - the stand-in's socket with Winsock. */
#include "ftsock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

/* Winsock is started once per process and left running until its end. */
bool FWsaStarted()
{
    static const bool fStarted = [] {
        WSADATA wsad;
        return WSAStartup(MAKEWORD(2, 2), &wsad) == 0;
    }();
    return fStarted;
}

} // namespace

FTSOCK FtsockConnect(const std::string &szAddr)
{
    std::string szHost;
    uint16_t port;
    if (!FWsaStarted() || !FFtsockParseAddr(szAddr, &szHost, &port))
        return ftsockNil;
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, szHost.c_str(), &sa.sin_addr) != 1)
        return ftsockNil;
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET)
        return ftsockNil;
    if (connect(sock, (sockaddr *)&sa, sizeof(sa)) != 0) {
        closesocket(sock);
        return ftsockNil;
    }
    BOOL fOn = TRUE;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, (const char *)&fOn, sizeof(fOn));
    return (FTSOCK)sock;
}

bool FFtsockSend(FTSOCK sock, const void *pv, size_t cb)
{
    const char *pb = (const char *)pv;
    while (cb > 0) {
        int c = send((SOCKET)sock, pb, cb > 0x40000000 ? 0x40000000 : (int)cb, 0);
        if (c <= 0)
            return false;
        pb += c;
        cb -= (size_t)c;
    }
    return true;
}

bool FFtsockRecv(FTSOCK sock, void *pv, size_t cb)
{
    char *pb = (char *)pv;
    while (cb > 0) {
        int c = recv((SOCKET)sock, pb, cb > 0x40000000 ? 0x40000000 : (int)cb, 0);
        if (c <= 0)
            return false;
        pb += c;
        cb -= (size_t)c;
    }
    return true;
}

void FtsockClose(FTSOCK sock)
{
    if (sock != ftsockNil)
        closesocket((SOCKET)sock);
}
