/*
 * netsock.h - the name-resolution calls the network manager makes itself
 * (getaddrinfo and getnameinfo, IPv4 stream sockets): Windows Sockets on
 * Windows (started once here), the C library elsewhere.
 */
#ifndef NETSOCK_H
#define NETSOCK_H

#include <stdint.h>

/* The first IPv4 address of szHost with service szPort: address in network
 * byte order, port in host order. False when resolution fails. */
int FNetResolve(const char *szHost, const char *szPort, uint32_t *pipv4, uint16_t *pport);
/* Numeric text of the first IPv4 address of szHost into szIp (cchIp
 * characters); *pfNameInfo tells which step failed. */
int FNetHostToIpText(const char *szHost, char *szIp, uint32_t cchIp, int *pfNameInfoFailed);
/* Dotted text of an address in network byte order (at most 15 characters). */
void NetIpv4Text(uint32_t ipv4, char szIp[16]);

#endif /* NETSOCK_H */
