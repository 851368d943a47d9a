/*
 * yorl_net_test.cpp - ABSTCPIP and ABSUDP against the system's own sockets
 * on loopback: connect outcomes, exact sends and receives, broken peers,
 * transfer passes on two connections, TLS with a certificate made for the
 * run (Linux), UDP datagrams of every length, broadcast on loopback, and
 * the interface list. Runs in the suite's private network namespace.
 */
#include "netpeer.h"
#include "yorl_test_util.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include "tlssrv.h"
#include <filesystem>
#include <sys/socket.h>
#endif

namespace {

typedef std::unique_ptr<ABSTCPIP, YTDEL<ABSTCPIP, &ABSFACT::RlsABSTCPIP>> UPTCPIP;
typedef std::unique_ptr<ABSUDP, YTDEL<ABSUDP, &ABSFACT::RlsABSUDP>> UPUDP;

const uint32_t ipLoop = Ipv4Of("127.0.0.1");

uint32_t ErcOf(bool f) { return f ? 0 : pabsutil->GetLastErc(); }

UPTCPIP PtcpipNew()
{
    UPTCPIP p(pabsfact->InstABSTCPIP());
    if (p) {
        EXPECT_TRUE(p->Init());
    }
    return p;
}

std::vector<unsigned char> VbPattern(size_t cb, unsigned seed)
{
    std::vector<unsigned char> vb(cb);
    for (size_t i = 0; i < cb; i++)
        vb[i] = (unsigned char)((i * 131 + seed) >> 3);
    return vb;
}

class YorlNet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(FPeerStart()); }
};

/* ---- connect ---- */

TEST_F(YorlNet, ConnectOutcomesGiveTheirCodes)
{
    /* A port nobody listens on refuses: the "other" failure. */
    uint16_t port;
    PEERSOCK sockL = PeerListen(ipLoop, 1, &port);
    ASSERT_NE(sockL, peersockNil);
    PeerClose(sockL);
    UPTCPIP p = PtcpipNew();
    EXPECT_EQ(ErcOf(p->Connect(ipLoop, port, 1000)), (uint32_t)ercAbsFailed);

    /* A listener that never accepts, its queue full: the connect times out. */
    PEERSOCK sockFull = PeerListen(ipLoop, 0, &port);
    ASSERT_NE(sockFull, peersockNil);
    std::vector<UPTCPIP> vfill;
    uint32_t erc = 0;
    for (int i = 0; i < 8 && erc == 0; i++) {
        vfill.push_back(PtcpipNew());
        erc = ErcOf(vfill.back()->Connect(ipLoop, port, 300));
    }
    EXPECT_EQ(erc, (uint32_t)ercAbsConnectTimeout);
    PeerClose(sockFull);

    /* Not connected yet: nothing moves. */
    UPTCPIP pIdle = PtcpipNew();
    char b;
    uint32_t cb = 7;
    EXPECT_EQ(ErcOf(pIdle->Send(&b, 1, &cb, 10)), (uint32_t)ercAbsNotInit);
    EXPECT_EQ(cb, 0u);
    EXPECT_FALSE(pIdle->IsSecure());
    EXPECT_TRUE(pIdle->Close());
}

/* ---- exact moves ---- */

TEST_F(YorlNet, SendAndRecvMoveExactCountsAndReportShortOnes)
{
    uint16_t port;
    PEERSOCK sockL = PeerListen(ipLoop, 4, &port);
    ASSERT_NE(sockL, peersockNil);
    std::vector<unsigned char> vbOut = VbPattern(3 << 20, 7);
    long cbDrained = 0;
    std::thread thdPeer([&] {
        PEERSOCK s = PeerAccept(sockL);
        char rgb[10] = "abcdefghi";
        FPeerSendAll(s, rgb, 10);
        /* Half of what the client waits for, then the client's big send. */
        FPeerSendAll(s, rgb, 4);
        std::vector<unsigned char> vb(3 << 20);
        FPeerRecvAll(s, vb.data(), vb.size());
        cbDrained = memcmp(vb.data(), vbOut.data(), vb.size()) == 0 ? (long)vb.size() : -1;
        FPeerSendAll(s, rgb, 3);
        PeerClose(s);
    });
    UPTCPIP p = PtcpipNew();
    ASSERT_TRUE(p->Connect(ipLoop, port, 1000));
    int one = 1;
    EXPECT_TRUE(p->SetSockOpt(absIpprotoTcp, absTcpNodelay, &one, 4));
    EXPECT_EQ(ErcOf(p->SetSockOpt(99, 99, &one, 4)), (uint32_t)ercAbsInvalidParameter);

    char rgb[16] = {};
    uint32_t cb = 0;
    ASSERT_TRUE(p->Recv(rgb, 10, &cb, 2000));
    EXPECT_EQ(cb, 10u);
    EXPECT_STREQ(rgb, "abcdefghi");
    /* 8 wanted, 4 there: a time-out that still tells what came. */
    EXPECT_EQ(ErcOf(p->Recv(rgb, 8, &cb, 150)), (uint32_t)ercAbsIoTimeout);
    EXPECT_EQ(cb, 4u);
    ASSERT_TRUE(p->Send(vbOut.data(), (uint32_t)vbOut.size(), &cb, 10000));
    EXPECT_EQ(cb, (uint32_t)vbOut.size());
    /* The peer sends 3 and closes: 5 wanted fails as broken, with 3. */
    EXPECT_EQ(ErcOf(p->Recv(rgb, 5, &cb, 5000)), (uint32_t)ercAbsFailed);
    EXPECT_EQ(cb, 3u);
    thdPeer.join();
    EXPECT_EQ(cbDrained, (long)vbOut.size());
    PeerClose(sockL);
}

/* ---- transfer passes ---- */

/* Two connections at once, as a data phase runs: one sends a large block,
 * the other receives one, in passes until both are through. */
TEST_F(YorlNet, TransferPassesMoveBothConnectionsToTheEnd)
{
    uint16_t portA, portB;
    PEERSOCK sockA = PeerListen(ipLoop, 1, &portA), sockB = PeerListen(ipLoop, 1, &portB);
    const size_t cbBlock = 5 << 20;
    std::vector<unsigned char> vbToPeer = VbPattern(cbBlock, 1), vbFromPeer = VbPattern(cbBlock, 2);
    bool fPeerGotAll = false;
    std::thread thdA([&] {
        PEERSOCK s = PeerAccept(sockA);
        std::vector<unsigned char> vb(cbBlock);
        fPeerGotAll = FPeerRecvAll(s, vb.data(), cbBlock) && vb == vbToPeer;
        PeerClose(s);
    });
    std::thread thdB([&] {
        PEERSOCK s = PeerAccept(sockB);
        FPeerSendAll(s, vbFromPeer.data(), cbBlock);
        CbPeerDrain(s);
        PeerClose(s);
    });
    UPTCPIP pA = PtcpipNew(), pB = PtcpipNew();
    ASSERT_TRUE(pA->Connect(ipLoop, portA, 1000));
    ASSERT_TRUE(pB->Connect(ipLoop, portB, 1000));
    std::vector<unsigned char> vbIn(cbBlock);
    uint32_t cbSent = 0, cbRcvd = 0;
    int cpass = 0;
    while ((cbSent < cbBlock || cbRcvd < cbBlock) && cpass < 10000) {
        ABSXFER xA, xB;
        ASSERT_TRUE(pA->PrepareTransfer(&xA, NULL, 0, vbToPeer.data() + cbSent, (uint32_t)cbBlock - cbSent));
        ASSERT_TRUE(pB->PrepareTransfer(&xB, vbIn.data() + cbRcvd, (uint32_t)cbBlock - cbRcvd, NULL, 0));
        ASSERT_TRUE(pA->WaitTransfers(&xA, &xB, 500)) << pabsutil->GetLastErc();
        EXPECT_EQ(xA.cbRcvd, 0u);
        EXPECT_EQ(xB.cbSent, 0u);
        cbSent += xA.cbSent;
        cbRcvd += xB.cbRcvd;
        cpass++;
    }
    EXPECT_EQ(cbRcvd, cbBlock);
    EXPECT_TRUE(vbIn == vbFromPeer);
    /* Nothing left to come: a pass without progress is a time-out. */
    ABSXFER xB;
    char b;
    ASSERT_TRUE(pB->PrepareTransfer(&xB, &b, 1, NULL, 0));
    EXPECT_EQ(ErcOf(pB->WaitTransfers(&xB, NULL, 100)), (uint32_t)ercAbsIoTimeout);
    EXPECT_EQ(xB.cbRcvd, 0u);
    pA->Close();
    pB->Close();
    thdA.join();
    thdB.join();
    EXPECT_TRUE(fPeerGotAll);
    PeerClose(sockA);
    PeerClose(sockB);
}

TEST_F(YorlNet, TransferPassOnABrokenConnectionFails)
{
    uint16_t port;
    PEERSOCK sockL = PeerListen(ipLoop, 1, &port);
    std::thread thdPeer([&] {
        PEERSOCK s = PeerAccept(sockL);
        FPeerSendAll(s, "xyz", 3);
        PeerClose(s);
    });
    UPTCPIP p = PtcpipNew();
    ASSERT_TRUE(p->Connect(ipLoop, port, 1000));
    thdPeer.join();
    char rgb[8];
    ABSXFER x;
    ASSERT_TRUE(p->PrepareTransfer(&x, rgb, 8, NULL, 0));
    EXPECT_EQ(ErcOf(p->WaitTransfers(&x, NULL, 2000)), (uint32_t)ercAbsFailed);
    EXPECT_EQ(x.cbRcvd, 3u);
    EXPECT_FALSE(p->PrepareTransfer(&x, NULL, 4, NULL, 0));
    PeerClose(sockL);
}

/* ---- UDP ---- */

TEST_F(YorlNet, UdpDatagramsKeepTheirTrueLength)
{
    uint16_t portPeer;
    PEERSOCK sockPeer = PeerUdp(ipLoop, 0, &portPeer);
    ASSERT_NE(sockPeer, peersockNil);
    UPUDP p(pabsfact->InstABSUDP());
    ASSERT_TRUE(p->Init());
    ASSERT_TRUE(p->CreateSocket());
    ASSERT_TRUE(p->Bind(ipLoop, 0));
    /* Ask the peer for an answer to learn our port. */
    ASSERT_TRUE(p->SendTo(ipLoop, portPeer, "ping", 4, 500));
    char rgbPing[8];
    uint32_t ipFrom;
    uint16_t portMe;
    ASSERT_EQ(CbPeerRecvFrom(sockPeer, rgbPing, sizeof(rgbPing), &ipFrom, &portMe), 4);
    struct CASE {
        size_t cbSent;
        uint32_t cbRoom;
    } rgcase[] = {{153, 154}, {154, 154}, {155, 154}, {1400, 154}, {0, 154}};
    for (const CASE &c : rgcase) {
        std::vector<unsigned char> vb = VbPattern(c.cbSent, (unsigned)c.cbSent);
        ASSERT_TRUE(FPeerSendTo(sockPeer, ipLoop, portMe, vb.data(), vb.size()));
        std::vector<unsigned char> vbIn(c.cbRoom + 16, 0xEE);
        uint32_t cb = 0, ip = 0;
        uint16_t port = 0;
        ASSERT_TRUE(p->RecvFrom(vbIn.data(), c.cbRoom, &cb, &ip, &port, 1000)) << c.cbSent;
        EXPECT_EQ(cb, c.cbSent) << "a datagram longer than the room is not reported cut";
        EXPECT_EQ(ip, ipLoop);
        EXPECT_EQ(port, portPeer);
        size_t cbCmp = c.cbSent < c.cbRoom ? c.cbSent : c.cbRoom;
        EXPECT_EQ(memcmp(vbIn.data(), vb.data(), cbCmp), 0);
        EXPECT_EQ(vbIn[c.cbRoom], 0xEE) << "nothing stored beyond the room";
    }
    uint32_t cb = 9;
    char b;
    EXPECT_EQ(ErcOf(p->RecvFrom(&b, 1, &cb, NULL, NULL, 50)), (uint32_t)ercAbsTimeout);
    EXPECT_EQ(cb, 0u);
    EXPECT_TRUE(p->Close());
    EXPECT_EQ(ErcOf(p->SendTo(ipLoop, portPeer, "x", 1, 10)), (uint32_t)ercAbsNotInit);
    PeerClose(sockPeer);
}

TEST_F(YorlNet, InterfaceListOffersLoopbackForBroadcast)
{
    UPUDP p(pabsfact->InstABSUDP());
    ASSERT_TRUE(p->Init());
    ABSNETIF netif;
    EXPECT_EQ(ErcOf(p->GetIf(0, &netif)), (uint32_t)ercAbsNotInit);
    uint32_t cif = 0;
    ASSERT_TRUE(p->CreateIfList(&cif));
    bool fLoop = false;
    for (uint32_t i = 0; i < cif; i++) {
        ASSERT_TRUE(p->GetIf(i, &netif));
        if (netif.ipv4 == ipLoop) {
            fLoop = true;
            EXPECT_NE(netif.fUse, 0u);
            EXPECT_EQ(netif.ipv4Bcast, Ipv4Of("127.255.255.255"));
        }
    }
    EXPECT_TRUE(fLoop);
    EXPECT_EQ(ErcOf(p->GetIf(cif, &netif)), (uint32_t)ercAbsInvalidParameter);
    EXPECT_TRUE(p->FreeIfList());
    EXPECT_FALSE(p->GetIf(0, &netif));
}

#if !defined(_WIN32)
/* A broadcast to loopback's broadcast address reaches a socket bound to
 * any address; without the broadcast option the send is refused. (Linux:
 * the Windows loopback has no broadcast.) */
TEST_F(YorlNet, BroadcastOnLoopbackNeedsTheOption)
{
    uint16_t portPeer;
    PEERSOCK sockPeer = PeerUdp(0, 0, &portPeer);
    ASSERT_NE(sockPeer, peersockNil);
    UPUDP p(pabsfact->InstABSUDP());
    ASSERT_TRUE(p->Init());
    ASSERT_TRUE(p->CreateSocket());
    uint32_t ipBcast = Ipv4Of("127.255.255.255");
    EXPECT_FALSE(p->SendTo(ipBcast, portPeer, "enum", 4, 200));
    int one = 1;
    ASSERT_TRUE(p->SetSockOpt(absSolSocket, absSoBroadcast, &one, 4));
    ASSERT_TRUE(p->SendTo(ipBcast, portPeer, "enum", 4, 200));
    char rgb[8];
    uint32_t ip;
    uint16_t port;
    EXPECT_EQ(CbPeerRecvFrom(sockPeer, rgb, sizeof(rgb), &ip, &port), 4);
    PeerClose(sockPeer);
}

/* ---- TLS (Linux: OpenSSL) ---- */

class YorlTls : public YorlNet {
protected:
    static std::string szDir;
    static void SetUpTestSuite()
    {
        const char *szTmp = getenv("KOR_TEST_TMP");
        szDir = std::string(szTmp ? szTmp : "/tmp") + "/yorl_net_tls." + std::to_string(getpid());
        std::filesystem::create_directories(szDir);
        ASSERT_TRUE(FTlsMakeCert(szDir + "/dev.key", szDir + "/dev.crt", "board"));
        ASSERT_TRUE(FTlsMakeCert(szDir + "/other.key", szDir + "/other.crt", "other"));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(szDir); }
    void TearDown() override { unsetenv("YORL_TLS_CAFILE"); }
};
std::string YorlTls::szDir;

/* A TLS echo server for one connection: answers every block it reads. */
struct TLSECHO {
    PEERSOCK sockL = peersockNil;
    uint16_t port = 0;
    std::thread thd;
    bool fHandshake = false;

    TLSECHO(const std::string &szDir, bool fSilent)
    {
        sockL = PeerListen(ipLoop, 1, &port);
        thd = std::thread([this, szDir, fSilent] {
            PEERSOCK s = PeerAccept(sockL);
            if (fSilent) {
                CbPeerDrain(s);
                PeerClose(s);
                return;
            }
            TLSSRV *psrv = PtlssrvNew(szDir + "/dev.key", szDir + "/dev.crt");
            TLSSESS *psess = psrv ? PtlsAccept(psrv, (int)s) : NULL;
            fHandshake = psess != NULL;
            char rgb[65536];
            long c;
            while (psess != NULL && (c = CbTlsRead(psess, rgb, sizeof(rgb))) > 0)
                FTlsWriteAll(psess, rgb, (size_t)c);
            TlsEnd(psess);
            TlssrvFree(psrv);
            PeerClose(s);
        });
    }
    ~TLSECHO()
    {
        thd.join();
        PeerClose(sockL);
    }
};

TEST_F(YorlTls, EchoRunsEncryptedInBothDirections)
{
    TLSECHO echo(szDir, false);
    UPTCPIP p = PtcpipNew();
    ASSERT_TRUE(p->Connect(ipLoop, echo.port, 1000));
    EXPECT_FALSE(p->IsSecure());
    ASSERT_TRUE(p->StartTLS(5000)) << pabsutil->GetLastErc();
    EXPECT_TRUE(p->IsSecure());
    EXPECT_EQ(ErcOf(p->StartTLS(100)), (uint32_t)ercAbsInvalidParameter);
    std::vector<unsigned char> vbOut = VbPattern(200000, 3), vbIn(200000);
    uint32_t cbSent = 0, cbRcvd = 0;
    while (cbRcvd < vbOut.size()) {
        ABSXFER x;
        ASSERT_TRUE(p->PrepareTransfer(&x, vbIn.data() + cbRcvd, (uint32_t)vbIn.size() - cbRcvd,
                                       vbOut.data() + cbSent, (uint32_t)vbOut.size() - cbSent));
        ASSERT_TRUE(p->WaitTransfers(&x, NULL, 500)) << pabsutil->GetLastErc();
        cbSent += x.cbSent;
        cbRcvd += x.cbRcvd;
    }
    EXPECT_TRUE(vbIn == vbOut);
    uint32_t cb;
    ASSERT_TRUE(p->Send("hello", 5, &cb, 1000));
    char rgb[6] = {};
    ASSERT_TRUE(p->Recv(rgb, 5, &cb, 1000));
    EXPECT_STREQ(rgb, "hello");
    p->Close();
}

TEST_F(YorlTls, SilentPeerTimesTheHandshakeOut)
{
    TLSECHO silent(szDir, true);
    UPTCPIP p = PtcpipNew();
    ASSERT_TRUE(p->Connect(ipLoop, silent.port, 1000));
    EXPECT_EQ(ErcOf(p->StartTLS(200)), (uint32_t)ercAbsConnectTimeout);
    EXPECT_FALSE(p->IsSecure());
    p->Close();
}

/* Verification asked for: the board's own certificate passes, another
 * one is refused with its code. */
TEST_F(YorlTls, CertificateIsCheckedOnlyWhenAskedFor)
{
    struct CASE {
        const char *szCa;
        uint32_t erc;
    } rgcase[] = {{"dev.crt", 0}, {"other.crt", ercAbsTlsVerify}};
    for (const CASE &c : rgcase) {
        setenv("YORL_TLS_CAFILE", (szDir + "/" + c.szCa).c_str(), 1);
        TLSECHO echo(szDir, false);
        UPTCPIP p = PtcpipNew();
        ASSERT_TRUE(p->Connect(ipLoop, echo.port, 1000));
        EXPECT_EQ(ErcOf(p->StartTLS(5000)), c.erc) << c.szCa;
        EXPECT_EQ(p->IsSecure(), c.erc == 0);
        p->Close();
    }
}
#endif

} // namespace

int main(int argc, char **argv)
{
#if !defined(_WIN32)
    /* A peer that writes to a client which gave up must not end the run. */
    signal(SIGPIPE, SIG_IGN);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
