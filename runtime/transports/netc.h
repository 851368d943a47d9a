/*
 * netc.h - NETC, the transport manager of network devices, transport 2
 * protocol 1 (transport-protocol word 0x10002).
 *
 * A network device is reached over a TCP control connection (netcproto.cpp:
 * message framing, control commands, connect with TLS and authentication,
 * vendor requests, the write-key sequence). Every query, setting and account
 * operation runs on a temporary connection of its own; an opened device
 * keeps its connection in its DVTP3. Member groups by file: netc.cpp (start,
 * lock, open, close, capability switch, connection strings), netcparse.cpp
 * (connection-string parser), netcinfo.cpp (information codes),
 * netcacct.cpp (accounts), netcdisc.cpp (discovery and enumeration).
 *
 * The time-outs and TLS switches are the process-wide settings of netset.h.
 */
#ifndef NETC_H
#define NETC_H

#include <stdint.h>

#include "mag.h"
#include "voziri.h"

class ABSMTX;
class ABSTCPIP;
class ASERVICEINFO;
struct ENUMRESP;
class DTBLMG;

enum {
    tptNet = 2,
    ptcNetc = 1,
    cchNetAccountMax = 64,
    cchNetPasswordMax = 64,
    cchNetHostMax = 250,
    cchNetPortMax = 5,
    cbNetCstsMax = 65536,          /* body of an answer to a control command */
    cbNetVstsMax = 65548,          /* bytes after the length of a vendor answer */
    tmsNetVendReq = 10000,
    cbNetIpv4Config = 1561,
    cbNetIpv4Status = 1569,
};

/* Device-information codes that only the network manager answers. */
enum {
    dinfoHost = 16,
    dinfoPort = 17,
    dinfoSzPort = 18,
    dinfoAccount = 19,
    dinfoPassword = 20,
};

/* Control commands. */
enum {
    cmdAuthenticate = 0,
    cmdEstPasiveDataConn = 2,
    cmdEnableTLS = 3,
    cmdEnableDataTLS = 4,
};

/* Message types of the control connection. */
enum {
    netmsgCtrlCmd = 0,
    netmsgCsts = 1,
    netmsgVendorReq = 2,
    netmsgVendorSts = 3,
    netmsgDvcCmd = 4,
    netmsgDvcSts = 5,
};

/* The parts of a network connection string. */
struct NETSZPARTS {
    char szHost[cchNetHostMax + 1];
    char szAccount[cchNetAccountMax + 1];
    char szPassword[cchNetPasswordMax + 1];
    char szPort[cchNetPortMax + 1];
    int fModifier;
    int fTls;
};

class NETC : public MAG {
public:
    constexpr NETC() : MAG(), pmtxNetc(nullptr) {}
    ~NETC() override;
    int FInit() override;
    void Term() override;
    HIF HifOpenEx(const char *szConnect, int fTbl, int fDisc) override;
    int FClose(HIF hif) override;
    int FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg) override;
    int FCheckSzConn(const char *szConnect) override;
    int FCheckSzConnTbl(const char *szConn) override;
    int FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB) override;
    int FDisable(const char *szConn, uint32_t dcapA, uint32_t dcapB) override;
    int FSetInfo(const char *szConnect, uint32_t dinfo, void *pInfoSet) override;
    int FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet) override;
    int FAcctMgmt(int cmd, const char *szConnect, const char *szAccount, const char *szPassword, int *pattr,
                  void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled) override;
    int FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn) override;

    int FLock();
    int FUnlock();

    static int FSzConnToServerParams(const char *szConn, char *szHost, char *szAccount, char *szPassword,
                                     char *szPort, int *pfModifier, int *pfTls);
    static int FSzConnToParts(const char *szConn, NETSZPARTS *pparts);
    /* An answer from a DNS-SD service record (netdnssd.cpp); false when the
     * record lacks an address, a required key or a readable number. */
    static int FEnumrespFromServiceInfo(ASERVICEINFO *psi, ENUMRESP *per);

    /* Control protocol (netcproto.cpp). */
    static int FCtrlCmd(ABSTCPIP *ptcpip, uint8_t cmd, const uint8_t *pbPayload, uint16_t cbPayload, uint8_t *pcsts,
                        int *pfRecvFailed, uint32_t tms);
    static int FConnect(ABSTCPIP *ptcpip, const char *szHost, const char *szPort, const char *szAccount,
                        const char *szPassword, int fModifier, int fTls);
    static int FVreq(ABSTCPIP *ptcpip, int fOut, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                     uint8_t *pb, uint32_t *pcbDone, uint32_t tms);
    static int FSendVendReq(ABSTCPIP *ptcpip, uint8_t bRequest, const uint8_t *pb, uint16_t cb);
    static int FSendVendReq(ABSTCPIP *ptcpip, uint8_t bRequest, uint16_t wValue, const uint8_t *pb, uint16_t cb);

    /* Device attributes on a connected control connection (netcinfo.cpp). */
    static int FGetUsrName(ABSTCPIP *ptcpip, char *sz);
    static int FGetProdName(ABSTCPIP *ptcpip, char *sz);
    static int FGetSN(ABSTCPIP *ptcpip, char *sz);
    static int FGetMAC(ABSTCPIP *ptcpip, char *sz);
    static int FGetPDID(ABSTCPIP *ptcpip, uint32_t *ppdid);
    static int FGetFWVER(ABSTCPIP *ptcpip, uint16_t *pfwver);
    static int FGetFWVERRom(ABSTCPIP *ptcpip, uint16_t *pfwver);
    static int FGetDcapDev(ABSTCPIP *ptcpip, uint32_t *pdcapPub, uint32_t *pdcapPriv);
    static int FGetDcapCur(ABSTCPIP *ptcpip, uint32_t *pdcap);
    static int FGetIPV4Config(ABSTCPIP *ptcpip, uint8_t *pb);
    static int FGetIPV4Status(ABSTCPIP *ptcpip, uint8_t *pb);
    static int FSetUsrName(ABSTCPIP *ptcpip, const char *sz);
    static int FSetProdName(ABSTCPIP *ptcpip, const char *sz);
    static int FSetSN(ABSTCPIP *ptcpip, const char *sz);
    static int FSetIPV4Config(ABSTCPIP *ptcpip, const uint8_t *pb);

    /* Accounts (netcacct.cpp). */
    static int FIsClientAuthenticationEnabled(ABSTCPIP *ptcpip, int *pfEnabled);
    static int FEnableDisableClientAuthentication(ABSTCPIP *ptcpip, const int *pfEnable);
    static int FAddAccount(ABSTCPIP *ptcpip, const char *szAccount, const char *szPassword, const int *pattr);
    static int FDeleteAccount(ABSTCPIP *ptcpip, const char *szAccount);
    static int FGetAccountAttributes(ABSTCPIP *ptcpip, const char *szAccount, int *pattr);
    static int FSetAccountAttributes(ABSTCPIP *ptcpip, const char *szAccount, const int *pattr);
    static int FChangeAccountPassword(ABSTCPIP *ptcpip, const char *szAccount, const char *szPassword);
    static int FGetAccountList(ABSTCPIP *ptcpip, void *rgAccounts, int cAccountsMax, int *pcAccounts);

private:
    /* A connection object from the factory, initialised; NULL with szFn's messages recorded. */
    static ABSTCPIP *PtcpipNew(const char *szGetFail, const char *szInitFail);
    /* Closes, terminates and releases; false with the messages recorded. */
    static int FTcpipRelease(ABSTCPIP *ptcpip, const char *szTermFail, const char *szRlsFail);
    HIF HifCreateTransport(ABSTCPIP *ptcpip, const char *szAccount, const char *szPassword, const char *szHost,
                           const char *szPort, int fDataTls);
    int FGetInfoConnected(ABSTCPIP *ptcpip, const NETSZPARTS &parts, uint32_t dinfo, void *pInfoGet);

    ABSMTX *pmtxNetc;
};

/* The runtime's one network manager; registered by FNetcStart. */
extern NETC netc;
int FNetcStart();
void NetcStop();

#endif /* NETC_H */
