/* ftsock_posix.cpp - the stand-in's socket with BSD sockets. */
#include "ftsock.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

FTSOCK FtsockConnect(const std::string &szAddr)
{
    std::string szHost;
    uint16_t port;
    if (!FFtsockParseAddr(szAddr, &szHost, &port))
        return ftsockNil;
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, szHost.c_str(), &sa.sin_addr) != 1)
        return ftsockNil;
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return ftsockNil;
    if (connect(sock, (sockaddr *)&sa, sizeof(sa)) != 0) {
        close(sock);
        return ftsockNil;
    }
    int fOn = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &fOn, sizeof(fOn));
    return sock;
}

bool FFtsockSend(FTSOCK sock, const void *pv, size_t cb)
{
    const char *pb = (const char *)pv;
    while (cb > 0) {
        ssize_t c = send((int)sock, pb, cb, MSG_NOSIGNAL);
        if (c < 0 && errno == EINTR)
            continue;
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
        ssize_t c = recv((int)sock, pb, cb, 0);
        if (c < 0 && errno == EINTR)
            continue;
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
        close((int)sock);
}
