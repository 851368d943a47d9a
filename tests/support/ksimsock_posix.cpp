/* ksimsock_posix.cpp - the control channel's socket on POSIX systems. */
#include "ksimctl.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

intptr_t SockKsimConnect(const std::string &szHost, uint16_t port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, szHost.c_str(), &sa.sin_addr) != 1)
        return KSIMCTL::sockNil;
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return KSIMCTL::sockNil;
    if (connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0) {
        close(sock);
        return KSIMCTL::sockNil;
    }
    return sock;
}

long CbKsimSend(intptr_t sock, const char *pb, size_t cb)
{
    for (;;) {
        ssize_t cbSent = send(int(sock), pb, cb, MSG_NOSIGNAL);
        if (cbSent < 0 && errno == EINTR)
            continue;
        return long(cbSent);
    }
}

long CbKsimRecv(intptr_t sock, char *pb, size_t cb)
{
    for (;;) {
        ssize_t cbRecv = recv(int(sock), pb, cb, 0);
        if (cbRecv < 0 && errno == EINTR)
            continue;
        return long(cbRecv);
    }
}

void KsimSockClose(intptr_t sock)
{
    close(int(sock));
}
