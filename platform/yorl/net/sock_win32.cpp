/* sock_win32.cpp - ybnet.h's sockets with Windows Sockets. */
#include "ybnet.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <string.h>

namespace {
sockaddr_in SinOf(uint32_t ipv4, uint16_t port)
{
    sockaddr_in sin = {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr.s_addr = ipv4;
    return sin;
}

INT TmsPoll(uint32_t tms) { return tms == tmsInfinite ? -1 : (INT)(tms > 0x7FFFFFFF ? 0x7FFFFFFF : tms); }

ERC ErcConnectFailure(int err)
{
    switch (err) {
    case WSAENETUNREACH: case WSAEHOSTUNREACH: case WSAEHOSTDOWN: case WSAENETDOWN:
        return ercAbsHostUnreachable;
    case WSAETIMEDOUT:
        return ercAbsConnectTimeout;
    default:
        return ercAbsFailed;
    }
}
} // namespace

ERC YbNetStart()
{
    static bool fStarted = [] {
        WSADATA wsa;
        return WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    }();
    return fStarted ? 0 : ercAbsFailed;
}

ERC YbSockOpen(bool fStream, YBSOCK *psock)
{
    if (YbNetStart() != 0)
        return ercAbsFailed;
    SOCKET s = socket(AF_INET, fStream ? SOCK_STREAM : SOCK_DGRAM, fStream ? IPPROTO_TCP : IPPROTO_UDP);
    if (s == INVALID_SOCKET)
        return ercAbsFailed;
    u_long one = 1;
    if (ioctlsocket(s, FIONBIO, &one) != 0) {
        closesocket(s);
        return ercAbsFailed;
    }
    *psock = (YBSOCK)s;
    return 0;
}

void YbSockClose(YBSOCK sock)
{
    if (sock != ybsockNil)
        closesocket((SOCKET)sock);
}

ERC YbSockConnect(YBSOCK sock, uint32_t ipv4, uint16_t port, uint32_t tms)
{
    sockaddr_in sin = SinOf(ipv4, port);
    if (connect((SOCKET)sock, (sockaddr *)&sin, sizeof(sin)) == 0)
        return 0;
    int err = WSAGetLastError();
    if (err != WSAEWOULDBLOCK && err != WSAEINPROGRESS)
        return ErcConnectFailure(err);
    WSAPOLLFD pfd = {(SOCKET)sock, POLLOUT, 0};
    int r = WSAPoll(&pfd, 1, TmsPoll(tms));
    if (r == 0)
        return ercAbsConnectTimeout;
    if (r < 0)
        return ercAbsFailed;
    int errSock = 0;
    int cbErr = sizeof(errSock);
    if (getsockopt((SOCKET)sock, SOL_SOCKET, SO_ERROR, (char *)&errSock, &cbErr) != 0)
        return ercAbsFailed;
    if (errSock != 0)
        return ErcConnectFailure(errSock);
    return (pfd.revents & (POLLERR | POLLHUP)) ? ercAbsFailed : 0;
}

ERC YbSockSend(YBSOCK sock, const void *pb, size_t cb, size_t *pcb)
{
    int c = send((SOCKET)sock, (const char *)pb, (int)(cb > 0x40000000 ? 0x40000000 : cb), 0);
    if (c == SOCKET_ERROR)
        return WSAGetLastError() == WSAEWOULDBLOCK ? ercYbAgain : (ERC)ercAbsFailed;
    *pcb = (size_t)c;
    return 0;
}

ERC YbSockRecv(YBSOCK sock, void *pb, size_t cb, size_t *pcb)
{
    int c = recv((SOCKET)sock, (char *)pb, (int)(cb > 0x40000000 ? 0x40000000 : cb), 0);
    if (c == SOCKET_ERROR)
        return WSAGetLastError() == WSAEWOULDBLOCK ? ercYbAgain : (ERC)ercAbsFailed;
    if (c == 0)
        return ercAbsFailed;
    *pcb = (size_t)c;
    return 0;
}

ERC YbSockPoll(const YBSOCK *rgsock, const int *rgev, int *rgrev, int csock, uint32_t tms)
{
    WSAPOLLFD rgpfd[4];
    if (csock < 1 || csock > 4)
        return ercAbsInvalidParameter;
    for (int i = 0; i < csock; i++) {
        rgpfd[i].fd = (SOCKET)rgsock[i];
        rgpfd[i].events = (SHORT)(((rgev[i] & ybpollRead) ? POLLRDNORM : 0) | ((rgev[i] & ybpollWrite) ? POLLWRNORM : 0));
        rgpfd[i].revents = 0;
    }
    int r = WSAPoll(rgpfd, (ULONG)csock, TmsPoll(tms));
    if (r == 0)
        return ercAbsTimeout;
    if (r < 0)
        return ercAbsFailed;
    for (int i = 0; i < csock; i++) {
        SHORT rev = rgpfd[i].revents;
        rgrev[i] = ((rev & (POLLRDNORM | POLLERR | POLLHUP | POLLNVAL)) ? ybpollRead : 0) |
                   ((rev & (POLLWRNORM | POLLERR | POLLHUP)) ? ybpollWrite : 0);
    }
    return 0;
}

ERC YbSockSetOpt(YBSOCK sock, int32_t level, int32_t opt, const void *pv, uint32_t cb)
{
    /* The interface's numbers are this platform's own. */
    if (!((level == absSolSocket && (opt == absSoBroadcast || opt == absSoReuseAddr)) ||
          (level == absIpprotoTcp && opt == absTcpNodelay)))
        return ercAbsInvalidParameter;
    return setsockopt((SOCKET)sock, level, opt, (const char *)pv, (int)cb) == 0 ? 0 : ercAbsFailed;
}

ERC YbSockBind(YBSOCK sock, uint32_t ipv4, uint16_t port)
{
    sockaddr_in sin = SinOf(ipv4, port);
    return bind((SOCKET)sock, (sockaddr *)&sin, sizeof(sin)) == 0 ? 0 : ercAbsFailed;
}

ERC YbSockSendTo(YBSOCK sock, uint32_t ipv4, uint16_t port, const void *pb, size_t cb, size_t *pcb)
{
    sockaddr_in sin = SinOf(ipv4, port);
    int c = sendto((SOCKET)sock, (const char *)pb, (int)cb, 0, (sockaddr *)&sin, sizeof(sin));
    if (c == SOCKET_ERROR) {
        int err = WSAGetLastError();
        return err == WSAEWOULDBLOCK ? ercYbAgain : (ERC)(err == WSAENETUNREACH ? ercAbsHostUnreachable : ercAbsFailed);
    }
    *pcb = (size_t)c;
    return 0;
}

ERC YbSockRecvFrom(YBSOCK sock, void *pb, size_t cb, size_t *pcbTrue, uint32_t *pipv4, uint16_t *pport)
{
    /* Windows tells only that a datagram was cut: take it whole into a
     * buffer of the largest size, then hand out what fits. */
    static thread_local char rgbDgram[65536];
    sockaddr_in sin = {};
    int cbSin = sizeof(sin);
    int c = recvfrom((SOCKET)sock, rgbDgram, (int)sizeof(rgbDgram), 0, (sockaddr *)&sin, &cbSin);
    if (c == SOCKET_ERROR)
        return WSAGetLastError() == WSAEWOULDBLOCK ? ercYbAgain : (ERC)ercAbsFailed;
    memcpy(pb, rgbDgram, (size_t)c < cb ? (size_t)c : cb);
    *pcbTrue = (size_t)c;
    *pipv4 = sin.sin_addr.s_addr;
    *pport = ntohs(sin.sin_port);
    return 0;
}

/*
 * The interfaces as the host's name resolves them, without the IP helper
 * library (under wine that one starts the system's device services, which
 * then hold on to the first caller's output): loopback with its broadcast
 * address, and every other IPv4 address of the host with the limited
 * broadcast address, which the system sends out on that network.
 */
ERC YbNetIfList(std::vector<ABSNETIF> *pvnetif)
{
    ABSNETIF netifLoop = {};
    netifLoop.fUse = 1;
    netifLoop.ipv4 = htonl(INADDR_LOOPBACK);
    netifLoop.ipv4Bcast = htonl(0x7FFFFFFFu);
    strcpy(netifLoop.szName, "loopback");
    pvnetif->push_back(netifLoop);
    char szHost[256];
    if (gethostname(szHost, sizeof(szHost)) != 0)
        return 0;
    addrinfo aiHints = {};
    aiHints.ai_family = AF_INET;
    addrinfo *pai0 = NULL;
    if (getaddrinfo(szHost, NULL, &aiHints, &pai0) != 0)
        return 0;
    for (addrinfo *pai = pai0; pai != NULL; pai = pai->ai_next) {
        uint32_t ip = ((const sockaddr_in *)pai->ai_addr)->sin_addr.s_addr;
        bool fSeen = false;
        for (const ABSNETIF &netif : *pvnetif)
            fSeen = fSeen || netif.ipv4 == ip;
        if (fSeen || (ntohl(ip) >> 24) == 127)
            continue;
        ABSNETIF netif = {};
        netif.fUse = 1;
        netif.ipv4 = ip;
        netif.ipv4Bcast = 0xFFFFFFFFu;
        strcpy(netif.szName, "host");
        pvnetif->push_back(netif);
    }
    freeaddrinfo(pai0);
    return 0;
}
