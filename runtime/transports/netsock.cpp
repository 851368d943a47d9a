/* netsock.cpp - netsock.h. */
#include "netsock.h"

#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace {
int FNetStarted()
{
#if defined(_WIN32)
    static int fStarted = [] {
        WSADATA wsa;
        return WSAStartup(MAKEWORD(2, 2), &wsa) == 0 ? 1 : 0;
    }();
    return fStarted;
#else
    return 1;
#endif
}

addrinfo *PaiResolve(const char *szHost, const char *szPort)
{
    addrinfo aiHints;
    memset(&aiHints, 0, sizeof(aiHints));
    aiHints.ai_family = AF_INET;
    aiHints.ai_socktype = SOCK_STREAM;
    addrinfo *pai = nullptr;
    if (!FNetStarted() || getaddrinfo(szHost, szPort, &aiHints, &pai) != 0 || pai == nullptr)
        return nullptr;
    return pai;
}
} // namespace

int FNetResolve(const char *szHost, const char *szPort, uint32_t *pipv4, uint16_t *pport)
{
    addrinfo *pai = PaiResolve(szHost, szPort && *szPort ? szPort : nullptr);
    if (pai == nullptr)
        return 0;
    const sockaddr_in *psin = (const sockaddr_in *)pai->ai_addr;
    *pipv4 = psin->sin_addr.s_addr;
    *pport = ntohs(psin->sin_port);
    freeaddrinfo(pai);
    return 1;
}

int FNetHostToIpText(const char *szHost, char *szIp, uint32_t cchIp, int *pfNameInfoFailed)
{
    *pfNameInfoFailed = 0;
    addrinfo *pai = PaiResolve(szHost, nullptr);
    if (pai == nullptr)
        return 0;
    int r = getnameinfo(pai->ai_addr, (socklen_t)pai->ai_addrlen, szIp, (socklen_t)cchIp, nullptr, 0, NI_NUMERICHOST);
    freeaddrinfo(pai);
    if (r != 0) {
        *pfNameInfoFailed = 1;
        return 0;
    }
    return 1;
}

void NetIpv4Text(uint32_t ipv4, char szIp[16])
{
    const uint8_t *pb = (const uint8_t *)&ipv4;
    snprintf(szIp, 16, "%u.%u.%u.%u", pb[0], pb[1], pb[2], pb[3]);
}
