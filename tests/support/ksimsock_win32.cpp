/* ksimsock_win32.cpp - the control channel's socket on Windows (Winsock). */
#include "ksimctl.h"

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

}  // namespace

intptr_t SockKsimConnect(const std::string &szHost, uint16_t port)
{
    if (!FWsaStarted())
        return KSIMCTL::sockNil;
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, szHost.c_str(), &sa.sin_addr) != 1)
        return KSIMCTL::sockNil;
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET)
        return KSIMCTL::sockNil;
    if (connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0) {
        closesocket(sock);
        return KSIMCTL::sockNil;
    }
    return intptr_t(sock);
}

long CbKsimSend(intptr_t sock, const char *pb, size_t cb)
{
    return send(SOCKET(sock), pb, int(cb > 0x10000 ? 0x10000 : cb), 0);
}

long CbKsimRecv(intptr_t sock, char *pb, size_t cb)
{
    return recv(SOCKET(sock), pb, int(cb), 0);
}

void KsimSockClose(intptr_t sock)
{
    closesocket(SOCKET(sock));
}
