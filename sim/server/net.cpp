// net.cpp - loopback TCP helpers.

#include "net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace sim {

namespace {

sockaddr_in SaLoopback(uint16_t port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

} // namespace

int SockListenLoopback(uint16_t port, uint16_t &portBound)
{
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return -1;
    int fOn = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &fOn, sizeof(fOn));
    sockaddr_in sa = SaLoopback(port);
    socklen_t cbSa = sizeof(sa);
    if (bind(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0 || listen(sock, 64) != 0 ||
        getsockname(sock, reinterpret_cast<sockaddr *>(&sa), &cbSa) != 0) {
        close(sock);
        return -1;
    }
    portBound = ntohs(sa.sin_port);
    return sock;
}

void SetNoDelay(int sock)
{
    int fOn = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &fOn, sizeof(fOn));
}

int SockAccept(int sockListen)
{
    int sock = accept4(sockListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (sock >= 0)
        SetNoDelay(sock);
    return sock;
}

int SockConnectLoopback(uint16_t port)
{
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return -1;
    sockaddr_in sa = SaLoopback(port);
    if (connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0) {
        close(sock);
        return -1;
    }
    SetNoDelay(sock);
    return sock;
}

bool FSendAll(int sock, const void *pv, size_t cb)
{
    const char *pb = static_cast<const char *>(pv);
    while (cb > 0) {
        ssize_t cbSent = send(sock, pb, cb, MSG_NOSIGNAL);
        if (cbSent < 0 && errno == EINTR)
            continue;
        if (cbSent <= 0)
            return false;
        pb += cbSent;
        cb -= size_t(cbSent);
    }
    return true;
}

bool FSendAllV(int sock, const std::vector<std::vector<uint8_t>> &rgrgb)
{
    size_t irgb = 0, ib = 0;     // first byte not sent yet
    while (irgb < rgrgb.size()) {
        iovec rgiov[64];
        int ciov = 0;
        for (size_t i = irgb; i < rgrgb.size() && ciov < 64; i++) {
            size_t ibFirst = i == irgb ? ib : 0;
            if (rgrgb[i].size() == ibFirst)
                continue;
            rgiov[ciov].iov_base = const_cast<uint8_t *>(rgrgb[i].data() + ibFirst);
            rgiov[ciov].iov_len = rgrgb[i].size() - ibFirst;
            ciov++;
        }
        if (ciov == 0)
            return true;
        msghdr msg = {};
        msg.msg_iov = rgiov;
        msg.msg_iovlen = size_t(ciov);
        ssize_t cbSent = sendmsg(sock, &msg, MSG_NOSIGNAL);
        if (cbSent < 0 && errno == EINTR)
            continue;
        if (cbSent <= 0)
            return false;
        size_t cbLeft = size_t(cbSent);
        while (irgb < rgrgb.size() && cbLeft >= rgrgb[irgb].size() - ib) {
            cbLeft -= rgrgb[irgb].size() - ib;
            irgb++;
            ib = 0;
        }
        ib += cbLeft;
    }
    return true;
}

bool FRecvAll(int sock, void *pv, size_t cb)
{
    char *pb = static_cast<char *>(pv);
    while (cb > 0) {
        ssize_t cbRcvd = recv(sock, pb, cb, 0);
        if (cbRcvd < 0 && errno == EINTR)
            continue;
        if (cbRcvd <= 0)
            return false;
        pb += cbRcvd;
        cb -= size_t(cbRcvd);
    }
    return true;
}

bool FRecvLine(int sock, std::string &szLine, size_t cchMax)
{
    szLine.clear();
    char ch;
    while (szLine.size() < cchMax) {
        if (!FRecvAll(sock, &ch, 1))
            return false;
        if (ch == '\n') {
            if (!szLine.empty() && szLine.back() == '\r')
                szLine.pop_back();
            return true;
        }
        szLine += ch;
    }
    return false;
}

void CloseSock(int sock)
{
    if (sock >= 0)
        close(sock);
}

void ShutdownSock(int sock)
{
    if (sock >= 0)
        shutdown(sock, SHUT_RDWR);
}

} // namespace sim
