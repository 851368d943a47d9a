/* sock_posix.cpp - ybnet.h's sockets with BSD sockets. */
#include "ybnet.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int TmsPoll(uint32_t tms) { return tms == tmsInfinite ? -1 : (int)(tms > 0x7FFFFFFF ? 0x7FFFFFFF : tms); }

sockaddr_in SinOf(uint32_t ipv4, uint16_t port)
{
    sockaddr_in sin = {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr.s_addr = ipv4;
    return sin;
}

bool FAgain(int err) { return err == EAGAIN || err == EWOULDBLOCK; }

ERC ErcConnectFailure(int err)
{
    switch (err) {
    case ENETUNREACH: case EHOSTUNREACH: case EHOSTDOWN: case ENETDOWN:
        return ercAbsHostUnreachable;
    case ETIMEDOUT:
        return ercAbsConnectTimeout;
    default:
        return ercAbsFailed;
    }
}
} // namespace

ERC YbNetStart() { return 0; }

ERC YbSockOpen(bool fStream, YBSOCK *psock)
{
    int fd = socket(AF_INET, (fStream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return errno == ENOMEM || errno == ENOBUFS ? ercAbsOutOfMemory : ercAbsFailed;
    *psock = fd;
    return 0;
}

void YbSockClose(YBSOCK sock)
{
    if (sock != ybsockNil)
        close((int)sock);
}

ERC YbSockConnect(YBSOCK sock, uint32_t ipv4, uint16_t port, uint32_t tms)
{
    sockaddr_in sin = SinOf(ipv4, port);
    if (connect((int)sock, (sockaddr *)&sin, sizeof(sin)) == 0)
        return 0;
    if (errno != EINPROGRESS && errno != EINTR)
        return ErcConnectFailure(errno);
    pollfd pfd = {(int)sock, POLLOUT, 0};
    int r;
    do {
        r = poll(&pfd, 1, TmsPoll(tms));
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return ercAbsConnectTimeout;
    if (r < 0)
        return ercAbsFailed;
    int err = 0;
    socklen_t cbErr = sizeof(err);
    if (getsockopt((int)sock, SOL_SOCKET, SO_ERROR, &err, &cbErr) != 0)
        return ercAbsFailed;
    return err == 0 ? 0 : ErcConnectFailure(err);
}

ERC YbSockSend(YBSOCK sock, const void *pb, size_t cb, size_t *pcb)
{
    ssize_t c;
    do {
        c = send((int)sock, pb, cb, MSG_NOSIGNAL);
    } while (c < 0 && errno == EINTR);
    if (c < 0)
        return FAgain(errno) ? ercYbAgain : (ERC)ercAbsFailed;
    *pcb = (size_t)c;
    return 0;
}

ERC YbSockRecv(YBSOCK sock, void *pb, size_t cb, size_t *pcb)
{
    ssize_t c;
    do {
        c = recv((int)sock, pb, cb, 0);
    } while (c < 0 && errno == EINTR);
    if (c < 0)
        return FAgain(errno) ? ercYbAgain : (ERC)ercAbsFailed;
    if (c == 0)
        return ercAbsFailed;
    *pcb = (size_t)c;
    return 0;
}

ERC YbSockPoll(const YBSOCK *rgsock, const int *rgev, int *rgrev, int csock, uint32_t tms)
{
    pollfd rgpfd[4];
    if (csock < 1 || csock > 4)
        return ercAbsInvalidParameter;
    for (int i = 0; i < csock; i++) {
        rgpfd[i].fd = (int)rgsock[i];
        rgpfd[i].events = (short)(((rgev[i] & ybpollRead) ? POLLIN : 0) | ((rgev[i] & ybpollWrite) ? POLLOUT : 0));
        rgpfd[i].revents = 0;
    }
    int r;
    do {
        r = poll(rgpfd, (nfds_t)csock, TmsPoll(tms));
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return ercAbsTimeout;
    if (r < 0)
        return ercAbsFailed;
    for (int i = 0; i < csock; i++) {
        short rev = rgpfd[i].revents;
        rgrev[i] = ((rev & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) ? ybpollRead : 0) |
                   ((rev & (POLLOUT | POLLERR | POLLHUP)) ? ybpollWrite : 0);
    }
    return 0;
}

ERC YbSockSetOpt(YBSOCK sock, int32_t level, int32_t opt, const void *pv, uint32_t cb)
{
    int lvl, name;
    if (level == absSolSocket && opt == absSoBroadcast)
        lvl = SOL_SOCKET, name = SO_BROADCAST;
    else if (level == absSolSocket && opt == absSoReuseAddr)
        lvl = SOL_SOCKET, name = SO_REUSEADDR;
    else if (level == absIpprotoTcp && opt == absTcpNodelay)
        lvl = IPPROTO_TCP, name = TCP_NODELAY;
    else
        return ercAbsInvalidParameter;
    return setsockopt((int)sock, lvl, name, pv, (socklen_t)cb) == 0 ? 0 : ercAbsFailed;
}

ERC YbSockBind(YBSOCK sock, uint32_t ipv4, uint16_t port)
{
    sockaddr_in sin = SinOf(ipv4, port);
    return bind((int)sock, (sockaddr *)&sin, sizeof(sin)) == 0 ? 0 : ercAbsFailed;
}

ERC YbSockSendTo(YBSOCK sock, uint32_t ipv4, uint16_t port, const void *pb, size_t cb, size_t *pcb)
{
    sockaddr_in sin = SinOf(ipv4, port);
    ssize_t c;
    do {
        c = sendto((int)sock, pb, cb, MSG_NOSIGNAL, (sockaddr *)&sin, sizeof(sin));
    } while (c < 0 && errno == EINTR);
    if (c < 0)
        return FAgain(errno) ? ercYbAgain : (ERC)(errno == ENETUNREACH ? ercAbsHostUnreachable : ercAbsFailed);
    *pcb = (size_t)c;
    return 0;
}

ERC YbSockRecvFrom(YBSOCK sock, void *pb, size_t cb, size_t *pcbTrue, uint32_t *pipv4, uint16_t *pport)
{
    sockaddr_in sin = {};
    iovec iov = {pb, cb};
    msghdr msg = {};
    msg.msg_name = &sin;
    msg.msg_namelen = sizeof(sin);
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    ssize_t c;
    /* MSG_TRUNC makes the call give the datagram's real length. */
    do {
        c = recvmsg((int)sock, &msg, MSG_TRUNC);
    } while (c < 0 && errno == EINTR);
    if (c < 0)
        return FAgain(errno) ? ercYbAgain : (ERC)ercAbsFailed;
    *pcbTrue = (size_t)c;
    *pipv4 = sin.sin_addr.s_addr;
    *pport = ntohs(sin.sin_port);
    return 0;
}

ERC YbNetIfList(std::vector<ABSNETIF> *pvnetif)
{
    ifaddrs *pifa0 = NULL;
    if (getifaddrs(&pifa0) != 0)
        return ercAbsFailed;
    for (ifaddrs *pifa = pifa0; pifa != NULL; pifa = pifa->ifa_next) {
        if (pifa->ifa_addr == NULL || pifa->ifa_addr->sa_family != AF_INET)
            continue;
        ABSNETIF netif = {};
        uint32_t ip = ((sockaddr_in *)pifa->ifa_addr)->sin_addr.s_addr;
        uint32_t mask = pifa->ifa_netmask ? ((sockaddr_in *)pifa->ifa_netmask)->sin_addr.s_addr : 0xFFFFFFFFu;
        bool fUp = (pifa->ifa_flags & IFF_UP) != 0;
        bool fLoop = (pifa->ifa_flags & IFF_LOOPBACK) != 0;
        netif.ipv4 = ip;
        if ((pifa->ifa_flags & IFF_BROADCAST) && pifa->ifa_broadaddr != NULL)
            netif.ipv4Bcast = ((sockaddr_in *)pifa->ifa_broadaddr)->sin_addr.s_addr;
        else
            netif.ipv4Bcast = ip | ~mask;
        netif.fUse = fUp && (fLoop || (pifa->ifa_flags & IFF_BROADCAST));
        strncpy(netif.szName, pifa->ifa_name, sizeof(netif.szName) - 1);
        pvnetif->push_back(netif);
    }
    freeifaddrs(pifa0);
    return 0;
}
