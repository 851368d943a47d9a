/*
 * sock.h - the few socket calls of the simulator backend: one TCP
 * connection to a loopback address. sock_posix.cpp and sock_win32.cpp.
 */
#ifndef YORL_SOCK_H
#define YORL_SOCK_H

#include "yorli.h"

typedef intptr_t YSOCK;
enum : intptr_t { ysockNil = -1 };

/* Connects to szAddr, "a.b.c.d:port"; 2 for a malformed address. */
ERC ErcYsockConnect(const std::string &szAddr, YSOCK *psock);
/* Sends all cb bytes; 22 when the peer is gone. */
ERC ErcYsockSend(YSOCK sock, const void *pb, size_t cb);
/* Sends cbHead bytes then cb bytes as one write (no copy joins them). */
ERC ErcYsockSend2(YSOCK sock, const void *pbHead, size_t cbHead, const void *pb, size_t cb);
/* Receives at least one byte (at most cbMax) within tms: 13 on time-out,
 * 22 when the peer closed the connection. */
ERC ErcYsockRecv(YSOCK sock, void *pb, size_t cbMax, uint32_t tms, size_t *pcb);
void YsockClose(YSOCK sock);

#endif
