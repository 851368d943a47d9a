/* sock_win32.cpp - the simulator backend's socket calls with Winsock. */
#include "sock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

bool FYsockParseAddr(const std::string &szAddr, uint32_t *pip, uint16_t *pport);

namespace {
bool FWsaStarted()
{
    static bool fStarted = [] {
        WSADATA wsa;
        return WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    }();
    return fStarted;
}
} // namespace

ERC ErcYsockConnect(const std::string &szAddr, YSOCK *psock)
{
    uint32_t ip;
    uint16_t port;
    if (!FYsockParseAddr(szAddr, &ip, &port))
        return ercAbsInvalidParameter;
    if (!FWsaStarted())
        return ercAbsFailed;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return ercAbsFailed;
    sockaddr_in sin = {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr.s_addr = ip;
    if (connect(s, (sockaddr *)&sin, sizeof(sin)) != 0) {
        closesocket(s);
        return ercAbsUsbDeviceGone;
    }
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char *)&one, sizeof(one));
    *psock = (YSOCK)s;
    return 0;
}

ERC ErcYsockSend(YSOCK sock, const void *pb, size_t cb)
{
    const char *pch = (const char *)pb;
    while (cb > 0) {
        int c = send((SOCKET)sock, pch, cb > 0x40000000 ? 0x40000000 : (int)cb, 0);
        if (c <= 0)
            return ercAbsUsbDeviceGone;
        pch += c;
        cb -= (size_t)c;
    }
    return 0;
}

ERC ErcYsockSend2(YSOCK sock, const void *pbHead, size_t cbHead, const void *pb, size_t cb)
{
    if (cb > 0x40000000 || cbHead > 0x40000000)
        return ErcYsockSend(sock, pbHead, cbHead) == 0 ? ErcYsockSend(sock, pb, cb) : ercAbsUsbDeviceGone;
    WSABUF rgbuf[2] = {{(ULONG)cbHead, (CHAR *)pbHead}, {(ULONG)cb, (CHAR *)pb}};
    WSABUF *pbuf = rgbuf;
    DWORD cbuf = cb > 0 ? 2 : 1;
    while (cbuf > 0) {
        DWORD cbSent = 0;
        if (WSASend((SOCKET)sock, pbuf, cbuf, &cbSent, 0, NULL, NULL) != 0 || cbSent == 0)
            return ercAbsUsbDeviceGone;
        /* a partial write: go on where it stopped */
        while (cbuf > 0 && cbSent >= pbuf->len) {
            cbSent -= pbuf->len;
            pbuf++;
            cbuf--;
        }
        if (cbuf > 0) {
            pbuf->buf += cbSent;
            pbuf->len -= cbSent;
        }
    }
    return 0;
}

ERC ErcYsockRecv(YSOCK sock, void *pb, size_t cbMax, uint32_t tms, size_t *pcb)
{
    WSAPOLLFD pfd = {(SOCKET)sock, POLLRDNORM, 0};
    int r = WSAPoll(&pfd, 1, tms == tmsInfinite ? -1 : (int)(tms > 0x7FFFFFFF ? 0x7FFFFFFF : tms));
    if (r == 0)
        return ercAbsTimeout;
    if (r < 0)
        return ercAbsFailed;
    int c = recv((SOCKET)sock, (char *)pb, cbMax > 0x40000000 ? 0x40000000 : (int)cbMax, 0);
    if (c <= 0)
        return ercAbsUsbDeviceGone;
    *pcb = (size_t)c;
    return 0;
}

void YsockClose(YSOCK sock)
{
    if (sock != ysockNil)
        closesocket((SOCKET)sock);
}
