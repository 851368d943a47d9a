/*
 * ybnet.h - the socket and TLS layer under ABSTCPIP and ABSUDP.
 *
 * Sockets are non-blocking once created; the portable objects wait with
 * YbSockPoll. Socket calls come from the backend (sock_posix.cpp or
 * sock_win32.cpp), TLS from tls_openssl.cpp (Linux) or tls_schannel.cpp
 * (Windows).
 */
#ifndef YBNET_H
#define YBNET_H

#include "yorli.h"

typedef intptr_t YBSOCK;
static const YBSOCK ybsockNil = -1;

/* Internal result of a non-blocking call that would have to wait. */
static const ERC ercYbAgain = 0x10000;

enum { ybpollRead = 1, ybpollWrite = 2 };

ERC YbNetStart();
/* fStream: TCP, else UDP. The socket is non-blocking. */
ERC YbSockOpen(bool fStream, YBSOCK *psock);
void YbSockClose(YBSOCK sock);
/* 0, 37 unreachable, 38 time-out, 1 refused or failed. */
ERC YbSockConnect(YBSOCK sock, uint32_t ipv4, uint16_t port, uint32_t tms);
/* Moves at least one byte (0 with *pcb), ercYbAgain, or 1 (closed, reset). */
ERC YbSockSend(YBSOCK sock, const void *pb, size_t cb, size_t *pcb);
ERC YbSockRecv(YBSOCK sock, void *pb, size_t cb, size_t *pcb);
/* Waits up to tms for one of the events of rgev; their outcome into
 * rgrev. 13 on time-out. Errors and hang-ups count as readable. */
ERC YbSockPoll(const YBSOCK *rgsock, const int *rgev, int *rgrev, int csock, uint32_t tms);
/* Level and option in Windows Sockets values (absSolSocket, ...). */
ERC YbSockSetOpt(YBSOCK sock, int32_t level, int32_t opt, const void *pv, uint32_t cb);
ERC YbSockBind(YBSOCK sock, uint32_t ipv4, uint16_t port);
ERC YbSockSendTo(YBSOCK sock, uint32_t ipv4, uint16_t port, const void *pb, size_t cb, size_t *pcb);
/* One datagram; *pcbTrue its whole length even when longer than cb. */
ERC YbSockRecvFrom(YBSOCK sock, void *pb, size_t cb, size_t *pcbTrue, uint32_t *pipv4, uint16_t *pport);
/* The machine's IPv4 interfaces. */
ERC YbNetIfList(std::vector<ABSNETIF> *pvnetif);

/* The test hook YORL_UDPPORTMAP applied to port (udp.cpp). */
uint16_t YbPortMapped(uint16_t port);

/* TLS client on a connected socket. */
struct YBTLS;
/* 0, 38 time-out, 39 certificate refused, 1 other failure. szCaFile
 * empty: no verification. */
ERC YbTlsConnect(YBSOCK sock, const std::string &szCaFile, uint32_t tms, YBTLS **pptls);
/* As YbSockSend/Recv; on ercYbAgain *pev tells what to wait for. */
ERC YbTlsSend(YBTLS *ptls, const void *pb, size_t cb, size_t *pcb, int *pev);
ERC YbTlsRecv(YBTLS *ptls, void *pb, size_t cb, size_t *pcb, int *pev);
void YbTlsClose(YBTLS *ptls);

#endif /* YBNET_H */
