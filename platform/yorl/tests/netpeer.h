/*
 * netpeer.h - the far end of the network conformance cases: a loopback
 * listener and plain blocking sockets, with the platform's own calls (not
 * through Yorl), so the cases check Yorl against the system's TCP and UDP.
 */
#ifndef NETPEER_H
#define NETPEER_H

#include <stddef.h>
#include <stdint.h>

typedef intptr_t PEERSOCK;
static const PEERSOCK peersockNil = -1;

bool FPeerStart();
uint32_t Ipv4Of(const char *szDotted);          /* network byte order */
/* A TCP listener on ipv4:0 with the given backlog; its port into *pport. */
PEERSOCK PeerListen(uint32_t ipv4, int cBacklog, uint16_t *pport);
PEERSOCK PeerAccept(PEERSOCK sockListen);
/* A UDP socket bound to ipv4:port (port 0: any); its port into *pport. */
PEERSOCK PeerUdp(uint32_t ipv4, uint16_t port, uint16_t *pport);
bool FPeerSendAll(PEERSOCK sock, const void *pb, size_t cb);
bool FPeerRecvAll(PEERSOCK sock, void *pb, size_t cb);
/* Receives until the peer closes; the byte count or -1. */
long CbPeerDrain(PEERSOCK sock);
/* Connected TCP socket to ipv4:port, or peersockNil. */
PEERSOCK PeerConnect(uint32_t ipv4, uint16_t port);
bool FPeerSendTo(PEERSOCK sock, uint32_t ipv4, uint16_t port, const void *pb, size_t cb);
long CbPeerRecvFrom(PEERSOCK sock, void *pb, size_t cb, uint32_t *pipv4, uint16_t *pport);
void PeerClose(PEERSOCK sock);

#endif
