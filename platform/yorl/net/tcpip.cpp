/*
 * tcpip.cpp - ABSTCPIP: a TCP connection, plain or TLS, with exact sends
 * and receives and transfer passes over one or two connections.
 */
#include "ybnet.h"

#include <new>

namespace {
/* A receive time-out of 0 waits this long: a body announced by a header
 * that already arrived is still allowed to be in flight. */
const uint32_t tmsRecvDefault = 10000;

struct TCPCONN {
    YBSOCK sock = ybsockNil;
    YBTLS *ptls = NULL;
    bool fConnected = false;
};

uint64_t TickEnd(uint32_t tms) { return YbTickMs() + (tms == tmsInfinite ? (uint64_t)1 << 40 : tms); }

/* One non-blocking step in one direction: 0 with *pcb, ercYbAgain with
 * what to wait for in *pev, or a failure. */
ERC ErcStep(TCPCONN *pconn, bool fSend, void *pb, size_t cb, size_t *pcb, int *pev)
{
    if (pconn->ptls != NULL)
        return fSend ? YbTlsSend(pconn->ptls, pb, cb, pcb, pev) : YbTlsRecv(pconn->ptls, pb, cb, pcb, pev);
    *pev = fSend ? ybpollWrite : ybpollRead;
    return fSend ? YbSockSend(pconn->sock, pb, cb, pcb) : YbSockRecv(pconn->sock, pb, cb, pcb);
}

void ConnClose(TCPCONN *pconn)
{
    if (pconn->ptls != NULL)
        YbTlsClose(pconn->ptls);
    pconn->ptls = NULL;
    YbSockClose(pconn->sock);
    pconn->sock = ybsockNil;
    pconn->fConnected = false;
}

/* Moves exactly cb bytes in one direction before tickEnd. */
bool FMoveAll(TCPCONN *pconn, bool fSend, void *pb, uint32_t cb, uint32_t *pcbDone, uint64_t tickEnd)
{
    uint32_t cbDone = 0;
    ERC erc = 0;
    while (cbDone < cb) {
        size_t c = 0;
        int ev = 0;
        erc = ErcStep(pconn, fSend, (char *)pb + cbDone, cb - cbDone, &c, &ev);
        if (erc == 0) {
            cbDone += (uint32_t)c;
            continue;
        }
        if (erc != ercYbAgain)
            break;
        uint64_t tick = YbTickMs();
        int rev = 0;
        if (tick >= tickEnd) {
            erc = ercAbsIoTimeout;
            break;
        }
        erc = YbSockPoll(&pconn->sock, &ev, &rev, 1, (uint32_t)(tickEnd - tick));
        if (erc == ercAbsTimeout) {
            erc = ercAbsIoTimeout;
            break;
        }
        if (erc != 0)
            break;
    }
    if (pcbDone != NULL)
        *pcbDone = cbDone;
    return cbDone == cb || FYorlFail(erc);
}
} // namespace

#define PCONN ((TCPCONN *)pvImpl)

ABSTCPIP::ABSTCPIP() : pvImpl(NULL) {}

ABSTCPIP::~ABSTCPIP() { Term(); }

bool ABSTCPIP::Init()
{
    if (FYorlFault("ABSTCPIP.Init"))
        return FYorlFail(ercAbsFailed);
    if (pvImpl != NULL)
        return true;
    if (!FYorlCheck(YbNetStart()))
        return false;
    pvImpl = new (std::nothrow) TCPCONN();
    return pvImpl != NULL || FYorlFail(ercAbsOutOfMemory);
}

bool ABSTCPIP::Term()
{
    if (pvImpl != NULL) {
        ConnClose(PCONN);
        delete PCONN;
        pvImpl = NULL;
    }
    return true;
}

bool ABSTCPIP::Connect(uint32_t ipv4, uint16_t port, uint32_t tms)
{
    if (pvImpl == NULL || PCONN->fConnected)
        return FYorlFail(pvImpl == NULL ? ercAbsNotInit : ercAbsInvalidParameter);
    /* Test hook: the network cannot reach the host. */
    if (FYorlFault("ABSTCPIP.Connect"))
        return FYorlFail(ercAbsHostUnreachable);
    YBSOCK sock;
    if (!FYorlCheck(YbSockOpen(true, &sock)))
        return false;
    ERC erc = YbSockConnect(sock, ipv4, port, tms);
    if (erc != 0) {
        YbSockClose(sock);
        return FYorlFail(erc);
    }
    PCONN->sock = sock;
    PCONN->fConnected = true;
    return true;
}

bool ABSTCPIP::Send(const void *pb, uint32_t cb, uint32_t *pcbSent, uint32_t tms)
{
    if (pcbSent != NULL)
        *pcbSent = 0;
    if (pvImpl == NULL || !PCONN->fConnected)
        return FYorlFail(ercAbsNotInit);
    if (pb == NULL && cb != 0)
        return FYorlFail(ercAbsInvalidParameter);
    return FMoveAll(PCONN, true, (void *)pb, cb, pcbSent, TickEnd(tms));
}

bool ABSTCPIP::Recv(void *pb, uint32_t cb, uint32_t *pcbRcvd, uint32_t tms)
{
    if (pcbRcvd != NULL)
        *pcbRcvd = 0;
    if (pvImpl == NULL || !PCONN->fConnected)
        return FYorlFail(ercAbsNotInit);
    if (pb == NULL && cb != 0)
        return FYorlFail(ercAbsInvalidParameter);
    return FMoveAll(PCONN, false, pb, cb, pcbRcvd, TickEnd(tms == 0 ? tmsRecvDefault : tms));
}

bool ABSTCPIP::SetSockOpt(int32_t level, int32_t opt, const void *pv, uint32_t cb)
{
    if (pvImpl == NULL || !PCONN->fConnected)
        return FYorlFail(ercAbsNotInit);
    if (pv == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(YbSockSetOpt(PCONN->sock, level, opt, pv, cb));
}

bool ABSTCPIP::StartTLS(uint32_t tms)
{
    if (pvImpl == NULL || !PCONN->fConnected)
        return FYorlFail(ercAbsNotInit);
    if (PCONN->ptls != NULL)
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSTCPIP.StartTLS"))
        return FYorlFail(ercAbsConnectTimeout);
    return FYorlCheck(YbTlsConnect(PCONN->sock, SzYorlEnv("YORL_TLS_CAFILE"), tms, &PCONN->ptls));
}

bool ABSTCPIP::IsSecure() { return pvImpl != NULL && PCONN->ptls != NULL; }

bool ABSTCPIP::PrepareTransfer(ABSXFER *pxfer, void *pbRcv, uint32_t cbRcv, const void *pbSnd, uint32_t cbSnd)
{
    if (pxfer == NULL || (pbRcv == NULL && cbRcv != 0) || (pbSnd == NULL && cbSnd != 0))
        return FYorlFail(ercAbsInvalidParameter);
    pxfer->ptcpip = this;
    pxfer->pbRcv = pbRcv;
    pxfer->cbRcv = cbRcv;
    pxfer->pbSnd = pbSnd;
    pxfer->cbSnd = cbSnd;
    pxfer->cbRcvd = 0;
    pxfer->cbSent = 0;
    return true;
}

bool ABSTCPIP::WaitTransfers(ABSXFER *pxfer1, ABSXFER *pxfer2, uint32_t tms)
{
    ABSXFER *rgpxfer[2] = {pxfer1, pxfer2};
    int cxfer = pxfer2 != NULL ? 2 : 1;
    if (pxfer1 == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    for (int i = 0; i < cxfer; i++) {
        ABSTCPIP *ptcpip = rgpxfer[i]->ptcpip;
        if (ptcpip == NULL || ptcpip->pvImpl == NULL || !((TCPCONN *)ptcpip->pvImpl)->fConnected)
            return FYorlFail(ercAbsNotInit);
        rgpxfer[i]->cbRcvd = 0;
        rgpxfer[i]->cbSent = 0;
    }
    uint64_t tickEnd = TickEnd(tms);
    ERC ercBroken = 0;
    for (;;) {
        YBSOCK rgsock[4];
        int rgev[4], rgrev[4];
        int csock = 0;
        bool fLeft = false;
        for (int i = 0; i < cxfer && ercBroken == 0; i++) {
            ABSXFER *px = rgpxfer[i];
            TCPCONN *pconn = (TCPCONN *)px->ptcpip->pvImpl;
            for (int dir = 0; dir < 2 && ercBroken == 0; dir++) {
                bool fSend = dir == 1;
                for (;;) {
                    uint32_t cbDone = fSend ? px->cbSent : px->cbRcvd;
                    uint32_t cbAll = fSend ? px->cbSnd : px->cbRcv;
                    if (cbDone >= cbAll)
                        break;
                    char *pb = fSend ? (char *)px->pbSnd : (char *)px->pbRcv;
                    size_t c = 0;
                    int ev = 0;
                    ERC erc = ErcStep(pconn, fSend, pb + cbDone, cbAll - cbDone, &c, &ev);
                    if (erc == 0) {
                        (fSend ? px->cbSent : px->cbRcvd) += (uint32_t)c;
                        continue;
                    }
                    if (erc != ercYbAgain) {
                        ercBroken = erc;
                        break;
                    }
                    fLeft = true;
                    rgsock[csock] = pconn->sock;
                    rgev[csock++] = ev;
                    break;
                }
            }
        }
        if (ercBroken != 0 || !fLeft)
            break;
        uint64_t tick = YbTickMs();
        if (tick >= tickEnd)
            break;
        ERC erc = YbSockPoll(rgsock, rgev, rgrev, csock, (uint32_t)(tickEnd - tick));
        if (erc == ercAbsTimeout)
            break;
        if (erc != 0) {
            ercBroken = erc;
            break;
        }
    }
    if (ercBroken != 0)
        return FYorlFail(ercBroken);
    for (int i = 0; i < cxfer; i++)
        if (rgpxfer[i]->cbRcvd != 0 || rgpxfer[i]->cbSent != 0)
            return true;
    return FYorlFail(ercAbsIoTimeout);
}

bool ABSTCPIP::Close()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    ConnClose(PCONN);
    return true;
}
