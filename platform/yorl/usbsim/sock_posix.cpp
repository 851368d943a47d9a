/* sock_posix.cpp - the simulator backend's socket calls with BSD sockets. */
#include "sock.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

bool FYsockParseAddr(const std::string &szAddr, uint32_t *pip, uint16_t *pport);

ERC ErcYsockConnect(const std::string &szAddr, YSOCK *psock)
{
    uint32_t ip;
    uint16_t port;
    if (!FYsockParseAddr(szAddr, &ip, &port))
        return ercAbsInvalidParameter;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return ercAbsFailed;
    sockaddr_in sin = {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr.s_addr = ip;
    if (connect(fd, (sockaddr *)&sin, sizeof(sin)) != 0) {
        close(fd);
        return ercAbsUsbDeviceGone;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    *psock = fd;
    return 0;
}

ERC ErcYsockSend(YSOCK sock, const void *pb, size_t cb)
{
    const char *pch = (const char *)pb;
    while (cb > 0) {
        ssize_t c = send((int)sock, pch, cb, MSG_NOSIGNAL);
        if (c < 0 && errno == EINTR)
            continue;
        if (c <= 0)
            return ercAbsUsbDeviceGone;
        pch += c;
        cb -= (size_t)c;
    }
    return 0;
}

ERC ErcYsockSend2(YSOCK sock, const void *pbHead, size_t cbHead, const void *pb, size_t cb)
{
    iovec rgiov[2] = {{const_cast<void *>(pbHead), cbHead}, {const_cast<void *>(pb), cb}};
    iovec *piov = rgiov;
    int ciov = cb > 0 ? 2 : 1;
    while (ciov > 0) {
        msghdr msg = {};
        msg.msg_iov = piov;
        msg.msg_iovlen = size_t(ciov);
        ssize_t c = sendmsg((int)sock, &msg, MSG_NOSIGNAL);
        if (c < 0 && errno == EINTR)
            continue;
        if (c <= 0)
            return ercAbsUsbDeviceGone;
        /* a partial write: go on where it stopped */
        size_t cbSent = (size_t)c;
        while (ciov > 0 && cbSent >= piov->iov_len) {
            cbSent -= piov->iov_len;
            piov++;
            ciov--;
        }
        if (ciov > 0) {
            piov->iov_base = (char *)piov->iov_base + cbSent;
            piov->iov_len -= cbSent;
        }
    }
    return 0;
}

ERC ErcYsockRecv(YSOCK sock, void *pb, size_t cbMax, uint32_t tms, size_t *pcb)
{
    pollfd pfd = {(int)sock, POLLIN, 0};
    int r;
    do {
        r = poll(&pfd, 1, tms == tmsInfinite ? -1 : (int)(tms > 0x7FFFFFFF ? 0x7FFFFFFF : tms));
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return ercAbsTimeout;
    if (r < 0)
        return ercAbsFailed;
    ssize_t c;
    do {
        c = recv((int)sock, pb, cbMax, 0);
    } while (c < 0 && errno == EINTR);
    if (c <= 0)
        return ercAbsUsbDeviceGone;
    *pcb = (size_t)c;
    return 0;
}

void YsockClose(YSOCK sock)
{
    if (sock != ysockNil)
        close((int)sock);
}
