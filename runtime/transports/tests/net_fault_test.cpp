/*
 * net_fault_test.cpp - the network road when things go wrong: a data phase
 * cancelled by the client or ended by the transaction time-out (the data
 * connection closed, the next transaction asking for a new one), a board
 * unplugged in the middle of a transfer, a connection that is never
 * accepted. Every case ends with its code in bounded time, and the board
 * is checked through the simulator's control channel.
 */
#include <thread>

#include "kor_child.h"
#include "korsimenv.h"
#include "tlssrv.h"
#include "netc.h"
#include "usbtestenv.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "net-fault", false);

namespace {

bool fStarted = false;
const char szBoardA[] = "127.0.3.1:33890:DISABLE_TLS";

KSIMCTL &Sim() { return PkorsimEnv()->simctl; }

class NetFault : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (PkorsimEnv()->fOk)
            fStarted = FUsbRuntimeStart("net-fault");
    }
    static void TearDownTestSuite()
    {
        if (fStarted)
            UsbRuntimeStop();
        fStarted = false;
    }
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        ASSERT_TRUE(fStarted);
        TvxSetNetworkConnTimeout(1000);
    }
    void TearDown() override { Sim().FCmd("PLUG netF"); }
};

/* A stream transaction that waits for bytes the board never makes: the
 * source loops back what it is sent, and nothing is sent. */
struct STALLED {
    std::vector<uint8_t> rgbIn;
    USBTRANS t;
    explicit STALLED(uint32_t cb) : rgbIn(cb)
    {
        StreamCmds(&t, 0, cb);
        t.tfp.cbRcv = cb;
        t.tfp.pbRcv = rgbIn.data();
    }
};

/* The data phase is ended by a cancel of the client and by the handle's
 * transaction time-out: the transaction reports the board's cancelled
 * phase, the board has no phase left, and the next transaction works on a new data
 * connection. */
TEST_F(NetFault, EndedDataPhaseLeavesTheHandleUsable)
{
    for (bool fCancel : {true, false}) {
        SCOPED_TRACE(fCancel ? "cancel" : "time-out");
        HIF hif = 0;
        ASSERT_TRUE(TvxOpen(&hif, szBoardA)) << TvxGetLastError();
        DVT *pdvt = nullptr;
        ASSERT_TRUE(TvxGetDvt(hif, &pdvt));
        ASSERT_EQ(ErcStreamEnable(hif, true), 0);
        if (!fCancel)
            pdvt->SetTimeout(300);
        STALLED st(1 << 20);
        ASSERT_TRUE(pdvt->FDoTrans(&st.t.tfp));
        if (fCancel) {
            EXPECT_FALSE(TvxGetTransResult(hif, nullptr, nullptr, 200));
            EXPECT_TRUE(TvxCancelTrans(hif));
        }
        uint32_t cbOut = 1, cbIn = 1;
        EXPECT_FALSE(TvxGetTransResult(hif, &cbOut, &cbIn, 20000));
        /* The completion's status: the board ended the phase as cancelled. */
        EXPECT_EQ(TvxGetLastError(), ercTransferCancelled);
        EXPECT_EQ(cbIn, 0u);
        EXPECT_EQ(Sim().SzState("netF", "phase"), "idle");
        pdvt->SetTimeout(30000);
        /* Bytes out and back on a new data connection. */
        std::vector<uint8_t> rgbOut(5000, 0x5A), rgbIn(5000, 0);
        USBTRANS t;
        StreamCmds(&t, 5000, 5000);
        t.tfp.cbSnd = t.tfp.cbRcv = 5000;
        t.tfp.pbSnd = rgbOut.data();
        t.tfp.pbRcv = rgbIn.data();
        EXPECT_EQ(t.Run(hif), 0);
        EXPECT_TRUE(rgbIn == rgbOut);
        EXPECT_EQ(ErcStreamEnable(hif, false), 0);
        EXPECT_TRUE(TvxClose(hif));
    }
}

/* The board leaves in the middle of a transfer: the transaction ends with
 * a failure, later ones fail at once, and after the board came back a new
 * open works. */
TEST_F(NetFault, BoardUnpluggedMidTransfer)
{
    HIF hif = 0;
    ASSERT_TRUE(TvxOpen(&hif, szBoardA)) << TvxGetLastError();
    DVT *pdvt = nullptr;
    ASSERT_TRUE(TvxGetDvt(hif, &pdvt));
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    STALLED st(1 << 20);
    ASSERT_TRUE(pdvt->FDoTrans(&st.t.tfp));
    EXPECT_FALSE(TvxGetTransResult(hif, nullptr, nullptr, 200));
    ASSERT_TRUE(Sim().FCmd("UNPLUG netF"));
    EXPECT_FALSE(TvxGetTransResult(hif, nullptr, nullptr, 25000));
    EXPECT_NE(TvxGetLastError(), 0);
    EXPECT_NE(TvxGetLastError(), ercTransferPending);
    EXPECT_NE(ErcStreamEnable(hif, false), 0);
    EXPECT_TRUE(TvxClose(hif));
    HIF hifAgain = 0;
    EXPECT_FALSE(TvxOpenEx(&hifAgain, szBoardA, 0, 0));
    ASSERT_TRUE(Sim().FCmd("PLUG netF"));
    ASSERT_TRUE(TvxOpenEx(&hifAgain, szBoardA, 0, 0)) << TvxGetLastError();
    EXPECT_EQ(ErcStreamEnable(hifAgain, true), 0);
    EXPECT_EQ(ErcStreamEnable(hifAgain, false), 0);
    EXPECT_TRUE(TvxClose(hifAgain));
}

/* A data command the board refuses (its stream port is not enabled) ends
 * with the board's own code, not with the short counts of the aborted
 * data phase; the handle goes on working. */
TEST_F(NetFault, RefusedDataCommandReportsTheBoardsCode)
{
    HIF hif = 0;
    ASSERT_TRUE(TvxOpen(&hif, szBoardA)) << TvxGetLastError();
    std::vector<uint8_t> rgbOut(4000, 0x11), rgbIn(4000);
    USBTRANS t;
    StreamCmds(&t, 4000, 4000);
    t.tfp.cbSnd = t.tfp.cbRcv = 4000;
    t.tfp.pbSnd = rgbOut.data();
    t.tfp.pbRcv = rgbIn.data();
    int erc = t.Run(hif);
    EXPECT_EQ(erc, 4) << "the board's status: capability not enabled";
    EXPECT_EQ(Sim().SzState("netF", "phase"), "idle");
    EXPECT_EQ(ErcStreamEnable(hif, true), 0);
    EXPECT_EQ(ErcStreamEnable(hif, false), 0);
    EXPECT_TRUE(TvxClose(hif));
}

/* With verification asked for (YORL_TLS_CAFILE), the board's certificate
 * (written by korsim into KORSIM_TLS_DIR) is taken and any other refused
 * with its code. */
TEST_F(NetFault, CertificateIsVerifiedWhenAskedFor)
{
    const char *szTlsDir = getenv("KORSIM_TLS_DIR");
    ASSERT_NE(szTlsDir, nullptr);
    std::string szOther = SzUsbTempDir("net-fault-other");
    ASSERT_TRUE(FTlsMakeCert(szOther + "other.key", szOther + "other.crt", "other"));
    struct CASE {
        std::string szCa;
        bool fOpens;
    } rgcase[] = {{std::string(szTlsDir) + "/board.crt", true}, {szOther + "other.crt", false}};
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szCa);
        UsbSetEnv("YORL_TLS_CAFILE", c.szCa.c_str());
        USBLOG log;
        HIF hif = 0;
        EXPECT_EQ(TvxOpenEx(&hif, "127.0.3.1:33890:ENABLE_TLS", 0, 0) != 0, c.fOpens) << TvxGetLastError();
        if (c.fOpens) {
            int fSecure = 0;
            EXPECT_TRUE(TvxIsDataChannelSecure(hif, &fSecure, 5000) && fSecure);
            EXPECT_TRUE(TvxClose(hif));
        } else {
            EXPECT_TRUE(log.FHas(ercConnectionFailed, "NETC::FConnect unknown connection failure, erc = 39"));
        }
    }
    UsbSetEnv("YORL_TLS_CAFILE", nullptr);
}

/* A client process killed in the middle of a transfer: the board ends its
 * transaction, the simulator goes on, and another process opens the board
 * and moves data at once. */
KOR_CHILD_ROLE(streamer)
{
    if (!FUsbRuntimeStart("net-fault-child", true))
        return 2;
    HIF hif = 0;
    if (!TvxOpen(&hif, szBoardA) || ErcStreamEnable(hif, true) != 0)
        return 3;
    FILE *pf = fopen(argv[1], "w");
    if (pf != nullptr)
        fclose(pf);
    std::vector<uint8_t> rgb(1 << 20, 0x33), rgbIn(1 << 20);
    for (;;) {
        USBTRANS t;
        StreamCmds(&t, 1 << 20, 1 << 20);
        t.tfp.cbSnd = t.tfp.cbRcv = 1 << 20;
        t.tfp.pbSnd = rgb.data();
        t.tfp.pbRcv = rgbIn.data();
        if (t.Run(hif) != 0)
            return 4;
    }
}

TEST_F(NetFault, ClientKilledMidTransfer)
{
    std::string szMark = SzUsbTempDir("net-fault-kill") + "streaming";
    remove(szMark.c_str());
    KorChild child;
    ASSERT_TRUE(child.Start("streamer", {szMark}));
    bool fStreaming = false;
    for (int i = 0; i < 1000 && !fStreaming; i++) {
        FILE *pf = fopen(szMark.c_str(), "r");
        fStreaming = pf != nullptr;
        if (pf != nullptr)
            fclose(pf);
        else
            pabsutil->SleepMs(10);
    }
    ASSERT_TRUE(fStreaming);
    pabsutil->SleepMs(50);
    ASSERT_TRUE(child.Kill());
    ASSERT_TRUE(Sim().FCmd("PING"));
    HIF hif = 0;
    ASSERT_TRUE(TvxOpen(&hif, szBoardA)) << TvxGetLastError();
    /* The runtime may give the dead process's hold on the device back only
     * at this first transaction (see README); the board itself is ready. */
    if (ErcStreamEnable(hif, true) != 0)
        ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    std::vector<uint8_t> rgbOut(100000, 0x77), rgbIn(100000);
    USBTRANS t;
    StreamCmds(&t, 100000, 100000);
    t.tfp.cbSnd = t.tfp.cbRcv = 100000;
    t.tfp.pbSnd = rgbOut.data();
    t.tfp.pbRcv = rgbIn.data();
    EXPECT_EQ(t.Run(hif), 0);
    EXPECT_TRUE(rgbIn == rgbOut);
    EXPECT_EQ(ErcStreamEnable(hif, false), 0);
    EXPECT_TRUE(TvxClose(hif));
}

/* A listener whose queue is full never accepts: the connect times out
 * after the connection time-out with its code. */
TEST_F(NetFault, ConnectTimesOut)
{
    int sockL = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.3.9", &sa.sin_addr);
    socklen_t cbSa = sizeof(sa);
    ASSERT_EQ(bind(sockL, (sockaddr *)&sa, sizeof(sa)), 0);
    ASSERT_EQ(listen(sockL, 0), 0);
    ASSERT_EQ(getsockname(sockL, (sockaddr *)&sa, &cbSa), 0);
    std::vector<int> rgsockFill;
    for (int i = 0; i < 4; i++) {
        int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(s, (sockaddr *)&sa, sizeof(sa));
        rgsockFill.push_back(s);
    }
    char szOpen[64];
    snprintf(szOpen, sizeof(szOpen), "127.0.3.9:%u", ntohs(sa.sin_port));
    TvxSetNetworkConnTimeout(300);
    USBLOG log;
    HIF hif = 0;
    EXPECT_FALSE(TvxOpenEx(&hif, szOpen, 0, 0));
    EXPECT_TRUE(log.FHas(ercConnectionTimeout, "NETC::FConnect timed out while connecting"));
    for (int s : rgsockFill)
        close(s);
    close(sockL);
}

} // namespace
