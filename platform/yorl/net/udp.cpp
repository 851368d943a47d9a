/* udp.cpp - ABSUDP: a UDP socket and a snapshot of the network interfaces. */
#include "ybnet.h"

#include <new>
#include <stdio.h>

namespace {
struct UDPSOCK {
    YBSOCK sock = ybsockNil;
    std::vector<ABSNETIF> vnetif;
    bool fIfList = false;
};
} // namespace

#define PUDP ((UDPSOCK *)pvImpl)

ABSUDP::ABSUDP() : pvImpl(NULL) {}

ABSUDP::~ABSUDP() { Term(); }

bool ABSUDP::Init()
{
    if (FYorlFault("ABSUDP.Init"))
        return FYorlFail(ercAbsFailed);
    if (pvImpl != NULL)
        return true;
    if (!FYorlCheck(YbNetStart()))
        return false;
    pvImpl = new (std::nothrow) UDPSOCK();
    return pvImpl != NULL || FYorlFail(ercAbsOutOfMemory);
}

bool ABSUDP::Term()
{
    if (pvImpl != NULL) {
        YbSockClose(PUDP->sock);
        delete PUDP;
        pvImpl = NULL;
    }
    return true;
}

bool ABSUDP::CreateSocket()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (FYorlFault("ABSUDP.CreateSocket"))
        return FYorlFail(ercAbsFailed);
    YbSockClose(PUDP->sock);
    PUDP->sock = ybsockNil;
    return FYorlCheck(YbSockOpen(false, &PUDP->sock));
}

#define CHECK_SOCKET()                                                                                            \
    do {                                                                                                          \
        if (pvImpl == NULL || PUDP->sock == ybsockNil)                                                            \
            return FYorlFail(ercAbsNotInit);                                                                      \
    } while (0)

bool ABSUDP::SetSockOpt(int32_t level, int32_t opt, const void *pv, uint32_t cb)
{
    CHECK_SOCKET();
    if (pv == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(YbSockSetOpt(PUDP->sock, level, opt, pv, cb));
}

bool ABSUDP::Bind(uint32_t ipv4, uint16_t port)
{
    CHECK_SOCKET();
    return FYorlCheck(YbSockBind(PUDP->sock, ipv4, port));
}

/* Test hook: YORL_UDPPORTMAP "FROM=TO[,FROM=TO...]" sends datagrams for
 * port FROM to port TO, so that tests running side by side in one network
 * namespace each broadcast to simulated devices of their own. */
uint16_t YbPortMapped(uint16_t port)
{
    std::string sz = SzYorlEnv("YORL_UDPPORTMAP");
    size_t ich = 0;
    while (ich < sz.size()) {
        size_t ichEnd = sz.find(',', ich);
        std::string szItem = sz.substr(ich, ichEnd == std::string::npos ? std::string::npos : ichEnd - ich);
        unsigned from = 0, to = 0;
        if (sscanf(szItem.c_str(), "%u=%u", &from, &to) == 2 && from == port && to > 0 && to < 65536)
            return (uint16_t)to;
        if (ichEnd == std::string::npos)
            break;
        ich = ichEnd + 1;
    }
    return port;
}

bool ABSUDP::SendTo(uint32_t ipv4, uint16_t port, const void *pb, uint32_t cb, uint32_t tms)
{
    CHECK_SOCKET();
    port = YbPortMapped(port);
    if (pb == NULL && cb != 0)
        return FYorlFail(ercAbsInvalidParameter);
    uint64_t tickEnd = YbTickMs() + tms;
    for (;;) {
        size_t c = 0;
        ERC erc = YbSockSendTo(PUDP->sock, ipv4, port, pb, cb, &c);
        if (erc == 0)
            return c == cb || FYorlFail(ercAbsFailed);
        if (erc != ercYbAgain)
            return FYorlFail(erc);
        uint64_t tick = YbTickMs();
        int ev = ybpollWrite, rev = 0;
        if (tick >= tickEnd || YbSockPoll(&PUDP->sock, &ev, &rev, 1, (uint32_t)(tickEnd - tick)) == ercAbsTimeout)
            return FYorlFail(ercAbsIoTimeout);
    }
}

bool ABSUDP::RecvFrom(void *pb, uint32_t cb, uint32_t *pcb, uint32_t *pipv4, uint16_t *pport, uint32_t tms)
{
    CHECK_SOCKET();
    if ((pb == NULL && cb != 0) || pcb == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    *pcb = 0;
    uint64_t tickEnd = YbTickMs() + tms;
    for (;;) {
        size_t cTrue = 0;
        uint32_t ipv4 = 0;
        uint16_t port = 0;
        ERC erc = YbSockRecvFrom(PUDP->sock, pb, cb, &cTrue, &ipv4, &port);
        if (erc == 0) {
            *pcb = cTrue > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)cTrue;
            if (pipv4 != NULL)
                *pipv4 = ipv4;
            if (pport != NULL)
                *pport = port;
            return true;
        }
        if (erc != ercYbAgain)
            return FYorlFail(erc);
        uint64_t tick = YbTickMs();
        int ev = ybpollRead, rev = 0;
        if (tick >= tickEnd || YbSockPoll(&PUDP->sock, &ev, &rev, 1, (uint32_t)(tickEnd - tick)) == ercAbsTimeout)
            return FYorlFail(ercAbsTimeout);
    }
}

bool ABSUDP::CreateIfList(uint32_t *pcif)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (pcif == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    PUDP->vnetif.clear();
    if (!FYorlCheck(YbNetIfList(&PUDP->vnetif)))
        return false;
    PUDP->fIfList = true;
    *pcif = (uint32_t)PUDP->vnetif.size();
    return true;
}

bool ABSUDP::GetIf(uint32_t iif, ABSNETIF *pnetif)
{
    if (pvImpl == NULL || !PUDP->fIfList)
        return FYorlFail(ercAbsNotInit);
    if (pnetif == NULL || iif >= PUDP->vnetif.size())
        return FYorlFail(ercAbsInvalidParameter);
    *pnetif = PUDP->vnetif[iif];
    return true;
}

bool ABSUDP::FreeIfList()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    PUDP->vnetif.clear();
    PUDP->fIfList = false;
    return true;
}

bool ABSUDP::Close()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    YbSockClose(PUDP->sock);
    PUDP->sock = ybsockNil;
    return true;
}
