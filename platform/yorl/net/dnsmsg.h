/*
 * dnsmsg.h - DNS messages as multicast DNS carries them: the query a
 * DNS-SD browser sends, and the records of an answer it reads back.
 *
 * The reader trusts nothing in a datagram: every count and length is held
 * against the end of the message, a compressed name may only point
 * backwards, and a name longer than 255 bytes refuses the whole message.
 */
#ifndef DNSMSG_H
#define DNSMSG_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum { dnstypeA = 1, dnstypePTR = 12, dnstypeTXT = 16, dnstypeSRV = 33 };

/* One resource record; names in dotted form without the final dot. */
struct DNSRR {
    std::string szOwner;
    uint16_t type = 0;
    uint32_t ipv4 = 0;                 /* A: network byte order */
    std::string szTarget;              /* PTR: instance name; SRV: host */
    uint16_t port = 0;                 /* SRV */
    std::vector<std::string> vszTxt;   /* TXT: the character strings */
};

/* The 12-byte header and one question (class IN, unicast answer asked)
 * for the records of type about szName. */
std::vector<uint8_t> RgbDnsQuery(const std::string &szName, uint16_t type);

/* The answer, authority and additional records of a response; false for a
 * query or any malformed message (nothing is then returned). */
bool FDnsParseResponse(const uint8_t *pb, size_t cb, std::vector<DNSRR> *pvrr);

/* Names compare without regard to ASCII letter case. */
bool FDnsSameName(const std::string &sz1, const std::string &sz2);

#endif /* DNSMSG_H */
