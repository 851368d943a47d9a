/*
 * netdisc.h - discovery of network devices: a DNS-SD browse for
 * "_korvanel-orrin._tcp" and a UDP broadcast request on port 33890 to every
 * interface marked for broadcasting; the answers (fixed-size enumresp
 * records, and service records turned into them) that arrive until the
 * discovery time has passed. Within a pass a UDP answer comes before the
 * service records.
 */
#ifndef NETDISC_H
#define NETDISC_H

#include <stdint.h>

class ABSMDNSSD;
class ABSUDP;

enum { cbEnumReq = 32, cbEnumResp = 154, portNetDisc = 33890 };

/* One answer, with its texts terminated. */
struct ENUMRESP {
    uint16_t ver;
    uint16_t fs;                   /* bit 0 CTLS, 1 DTLS, 2 AUTH, 3 AUTHEN */
    char szIPv4[16];
    char szPort[6];
    char szMAC[18];
    char szUsrName[17];
    char szProdName[29];
    char szSN[13];
    uint32_t pdid;
    uint32_t dcapPub;
    uint32_t dcapPriv;
    uint16_t fwver;
    int fDnssd;                    /* from a DNS-SD service record */
};

/* The discovery signature: 30 bytes. */
extern const uint8_t rgbNetDiscSig[30];

/* Fills *per from a 154-byte UDP answer from ipv4Sender; false when the
 * record is not an answer (size or signature). */
int FEnumrespFromDatagram(const uint8_t *pb, uint32_t cb, uint32_t ipv4Sender, ENUMRESP *per);

class NETDISC {
public:
    NETDISC();
    ~NETDISC();
    /* Sends the requests; szFn names the caller in the messages. With
     * pudpGiven the caller's created socket is used (and not released). */
    int FStart(const char *szFn, ABSUDP *pudpGiven = nullptr);
    /* The next accepted answer while the discovery time tmsEnum has not
     * passed since FStart (pfStop, when given, ends it early). */
    int FNext(ENUMRESP *per, uint32_t tmsEnum, int (*pfnStopped)() = nullptr);
    /* Stops browsing; true when nothing failed. */
    int FStop();

private:
    /* The next service record not yet looked at that converts. */
    int FNextService(ENUMRESP *per, int (*pfnStopped)());

    ABSMDNSSD *pmdnssd;
    int fBrowsing;
    uint32_t ipsiNext;
    int fServicesDue;
    ABSUDP *pudp;
    int fOwnUdp;
    uint32_t tickStart;
};

#endif /* NETDISC_H */
