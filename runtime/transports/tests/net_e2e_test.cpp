/*
 * net_e2e_test.cpp - network boards through the public functions only:
 * opens by address (plain and TLS, default port, modifiers, devices without
 * TLS), transactions with data phases on the passive data connection,
 * refused connections with their codes and messages, device information,
 * the accounts of a board, discovery by UDP broadcast and DNS-SD and opens
 * by user name, MAC and serial through it and by device-table name.
 * Checks what the simulated board ended up with through its control
 * channel. Runs natively (korsim started by the test) and under wine
 * (korsim started by simwine.sh), TLS in both (the Windows builds through
 * the platform's own TLS).
 */
#include <string>
#include <vector>

#include <algorithm>
#include <fstream>

#include "korsimenv.h"
#include "netc.h"
#include "usbtestenv.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "net-e2e", false);

namespace {

bool fStarted = false;

KSIMCTL &Sim() { return PkorsimEnv()->simctl; }

DVC DvcNet(const char *szConn)
{
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    snprintf(dvc.szConn, sizeof(dvc.szConn), "%s", szConn);
    dvc.dtp = dtpNetwork;
    return dvc;
}

class NetE2e : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!PkorsimEnv()->fOk)
            return;
        /* Discovery requests go to the port where this test's boards answer. */
        UsbSetEnv("YORL_UDPPORTMAP", "33890=33902,5353=33912");
        fStarted = FUsbRuntimeStart("net-e2e");
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
        TvxEnableControlChannelTLS(1);
        TvxEnableDataChannelTLS(1);
        TvxSetNetworkConnTimeout(2000);
        TvxSetNetworkEnumTimeout(300);
    }
    void TearDown() override { TvxFreeDvcEnum(); }
};

/* ---- opens by address ---- */

TEST_F(NetE2e, OpensByAddressAndRunsDataPhases)
{
    struct CASE {
        const char *szOpen;
        const char *szConnExpected;     /* the handle's connection string */
        int fCtlSecure, fDataSecure;
    } rgcase[] = {
        {"127.0.2.1:33890", ":@127.0.2.1:33890", 1, 1},
        {"127.0.2.1:33890:DISABLE_TLS", ":@127.0.2.1:33890", 0, 0},
        {"admin:secret@127.0.2.1", "admin:secret@127.0.2.1:33890", 1, 1},
        {"127.0.2.1:ENABLE_TLS", ":@127.0.2.1:33890", 1, 1},
        {"alice:wonder@127.0.2.2:33890", "alice:wonder@127.0.2.2:33890", 0, 0},
        {"127.0.2.3:33890", ":@127.0.2.3:33890", 0, 0},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szOpen);
        HIF hif = 0;
        ASSERT_TRUE(TvxOpen(&hif, c.szOpen)) << TvxGetLastError();
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        EXPECT_STREQ(dvc.szConn, c.szConnExpected);
        EXPECT_EQ(dvc.dtp, (uint32_t)dtpNetwork);
        int fSecure = -1;
        ASSERT_TRUE(TvxIsControlChannelSecure(hif, &fSecure, 5000));
        EXPECT_EQ(fSecure, c.fCtlSecure);
        ASSERT_TRUE(TvxIsDataChannelSecure(hif, &fSecure, 5000));
        EXPECT_EQ(fSecure, c.fDataSecure);
        ExpectStreamLoop(hif, 300000);
        ExpectStreamLoop(hif, 1);
        EXPECT_TRUE(TvxClose(hif));
    }
    /* Both switches on, a modifier turns TLS off for both connections. */
    TvxEnableControlChannelTLS(1);
    TvxEnableDataChannelTLS(1);
    HIF hif = 0;
    ASSERT_TRUE(TvxOpen(&hif, "127.0.2.1:33890:DISABLE_TLS")) << TvxGetLastError();
    int fSecure = -1;
    EXPECT_TRUE(TvxIsControlChannelSecure(hif, &fSecure, 5000) && fSecure == 0);
    EXPECT_TRUE(TvxIsDataChannelSecure(hif, &fSecure, 5000) && fSecure == 0);
    EXPECT_TRUE(TvxClose(hif));
}

/* Two handles on one board at once, each with its own connections; the
 * board counts them open while they are. */
TEST_F(NetE2e, TwoHandlesOnOneBoard)
{
    HIF hif1 = 0, hif2 = 0;
    ASSERT_TRUE(TvxOpen(&hif1, "127.0.2.1:33890:DISABLE_TLS")) << TvxGetLastError();
    ASSERT_TRUE(TvxOpen(&hif2, "127.0.2.1:33890:DISABLE_TLS")) << TvxGetLastError();
    DVC dvc = DvcNet("127.0.2.1:33890");
    int32_t cOpen = -1;
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoOpenCount, &cOpen)) << TvxGetLastError();
    EXPECT_EQ(cOpen, 2);
    ExpectStreamLoop(hif1, 70000);
    ExpectStreamLoop(hif2, 70000);
    EXPECT_TRUE(TvxClose(hif1));
    ExpectStreamLoop(hif2, 10);
    EXPECT_TRUE(TvxClose(hif2));
}

/* ---- refused connections ---- */

TEST_F(NetE2e, RefusedConnectionsGiveTheirCodes)
{
    struct CASE {
        const char *szOpen;
        int erc;
        const char *szMsg;
    } rgcase[] = {
        {"127.0.2.4:33890", ercConnectionFailed, "NETC::FConnect received scode = 1 in response to cmdEnableTLS"},
        {"127.0.2.5:33890", ercConnectionFailed, "NETC::FConnect timed out while establishing a TLS connection"},
        {"alice:nope@127.0.2.2", ercAuthenticationFailed, "NETC::FConnect account authentication failed"},
        {"nobody@127.0.2.2", ercAuthenticationFailed, "NETC::FConnect account authentication failed"},
        {"127.0.2.1:1", ercConnectionFailed, "NETC::FConnect unknown connection failure, erc = 1"},
        {"no-such-board.invalid:33890", ercNameResolutionFailed, "NETC::FConnect getaddrinfo failed"},
        {"127.0.2.1:33890:PLAIN", ercInvalidParameter,
         "NETC::FSzConnToServerParams unrecognized modifier supplied after port number"},
        {"127.0.2.1:123456", ercInvalidParameter, "NETC::FSzConnToServerParams port too long in connection string"},
    };
    TvxSetNetworkConnTimeout(500);
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szOpen);
        USBLOG log;
        HIF hif = 0;
        EXPECT_FALSE(TvxOpenEx(&hif, c.szOpen, 0, 0));
        EXPECT_EQ(hif, 0u);
        EXPECT_TRUE(log.FHas(c.erc, c.szMsg));
    }
}

/* Asked for by the string, TLS is never given up for a plain connection
 * that would carry the password: a refused or failed TLS fails the open. */
TEST_F(NetE2e, ExplicitTlsNeverFallsBackToPlain)
{
    TvxSetNetworkConnTimeout(500);
    for (const char *sz : {"alice:wonder@127.0.2.2:33890:ENABLE_TLS", "admin:x@127.0.2.4:33890:ENABLE_TLS"}) {
        SCOPED_TRACE(sz);
        ASSERT_TRUE(Sim().FCmd("LOGCLEAR netB"));
        HIF hif = 0;
        EXPECT_FALSE(TvxOpenEx(&hif, sz, 0, 0));
        std::vector<std::string> rgszLog;
        ASSERT_TRUE(Sim().FCmd("LOG netB", &rgszLog));
        for (const std::string &szLine : rgszLog)
            EXPECT_EQ(szLine.find("authenticate"), std::string::npos) << szLine;
    }
}

/* A certificate of no board (self-signed, valid for a century). */
const char szOtherCert[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIIBdjCCAR2gAwIBAgIUUmcAvIDEPXsSEAgylIYQg52EpekwCgYIKoZIzj0EAwIw\n"
    "EDEOMAwGA1UEAwwFb3RoZXIwIBcNMjYxMjExMDE1MTI0WhgPMjEyNjExMTcwMTUx\n"
    "MjRaMBAxDjAMBgNVBAMMBW90aGVyMFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE\n"
    "ej3ORNwp21ZPhBgeMSxUBrAisCSigt6m2cU+0N/ROvKzLUyy1aA61w4iCSocyo4X\n"
    "K8rgBNklnXmHEAiUXONxf6NTMFEwHQYDVR0OBBYEFCiHmHyEiMwFrMzBk6L/zHeZ\n"
    "r+VCMB8GA1UdIwQYMBaAFCiHmHyEiMwFrMzBk6L/zHeZr+VCMA8GA1UdEwEB/wQF\n"
    "MAMBAf8wCgYIKoZIzj0EAwIDRwAwRAIgduVpHuLAUEYelfYAC0baknw1Pps4hW5T\n"
    "6GuHZVu0eecCIFKPwsgJCJgSfar3yFqCUnCrpe8q/M8YmrsPTy46jn1f\n"
    "-----END CERTIFICATE-----\n";

/* A path korsim (a Linux process) gave, as this build opens it. */
std::string SzHostPath(const std::string &sz)
{
#if defined(_WIN32)
    if (!sz.empty() && sz[0] == '/')
        return "Z:" + sz;
#endif
    return sz;
}

/* With verification asked for (YORL_TLS_CAFILE), the board's own
 * certificate (written by korsim into KORSIM_TLS_DIR) is taken and any
 * other refused with its code; without it, any certificate is taken. */
TEST_F(NetE2e, CertificateIsVerifiedOnlyWhenAskedFor)
{
    const char *szTlsDir = getenv("KORSIM_TLS_DIR");
    ASSERT_NE(szTlsDir, nullptr);
    std::string szOther = SzUsbTempDir("net-e2e-other") + "other.crt";
    {
        std::ofstream ofs(szOther, std::ios::binary);
        ofs << szOtherCert;
        ASSERT_TRUE(ofs.good());
    }
    struct CASE {
        std::string szCa;
        bool fOpens;
    } rgcase[] = {{SzHostPath(std::string(szTlsDir) + "/board.crt"), true}, {szOther, false}, {"", true}};
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szCa);
        UsbSetEnv("YORL_TLS_CAFILE", c.szCa.empty() ? nullptr : c.szCa.c_str());
        USBLOG log;
        HIF hif = 0;
        EXPECT_EQ(TvxOpenEx(&hif, "127.0.2.1:33890:ENABLE_TLS", 0, 0) != 0, c.fOpens) << TvxGetLastError();
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

/* ---- information ---- */

TEST_F(NetE2e, InformationCodesReachTheBoard)
{
    DVC dvc = DvcNet("admin:secret@127.0.2.1:33890");
    char sz[64] = {};
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoUsrName, sz)) << TvxGetLastError();
    EXPECT_STREQ(sz, "NetA");
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoSN, sz));
    EXPECT_STREQ(sz, "SN:2101830000A1");
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoMAC, sz));
    EXPECT_STREQ(sz, "MAC:00:11:22:33:44:A1");
    uint32_t pdid = 0;
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoPDID, &pdid));
    EXPECT_EQ(pdid, 0x00700121u);
    uint16_t port = 0;
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoPort, &port));
    EXPECT_EQ(port, 33890);
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoIP, sz));
    EXPECT_STREQ(sz, "127.0.2.1");
    /* A new user name lands in the board. */
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoUsrName, (void *)"Bench9")) << TvxGetLastError();
    EXPECT_EQ(Sim().SzState("netA", "user"), "Bench9");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoUsrName, (void *)"NetA"));
    /* A code the manager does not know fails after the connection. */
    EXPECT_FALSE(TvxGetSysInfo(&dvc, 12, sz));
    EXPECT_EQ(TvxGetLastError(), ercNotSupported);
}

/* ---- accounts ---- */

TEST_F(NetE2e, AccountsOfABoard)
{
    DVC dvc = DvcNet("alice:wonder@127.0.2.2:33890");
    int fEnabled = -1;
    ASSERT_TRUE(TvxIsClientAuthenticationEnabled(&dvc, &fEnabled)) << TvxGetLastError();
    EXPECT_EQ(fEnabled, 1);
    ASSERT_TRUE(TvxAddAccount(&dvc, "bob", "", 7)) << TvxGetLastError();
    int attr = -1;
    ASSERT_TRUE(TvxGetAccountAttributes(&dvc, "bob", &attr)) << TvxGetLastError();
    EXPECT_EQ(attr, 7);
    ASSERT_TRUE(TvxSetAccountAttributes(&dvc, "bob", 2));
    ASSERT_TRUE(TvxChangeAccountPassword(&dvc, "bob", "builder"));
    std::vector<std::string> rgsz;
    ASSERT_TRUE(Sim().FCmd("ACCOUNTS netB", &rgsz));
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "bob 2 builder"), rgsz.end());
    int cAccounts = -1;
    ASSERT_TRUE(TvxGetAccountList(&dvc, nullptr, 0, &cAccounts));
    EXPECT_EQ(cAccounts, 3);
    std::vector<uint8_t> rgb(66 * 8, 0xEE);
    ASSERT_TRUE(TvxGetAccountList(&dvc, rgb.data(), 2, &cAccounts));
    EXPECT_EQ(cAccounts, 3);
    EXPECT_EQ(rgb[66 * 2], 0xEE) << "no more than the room asked for";
    /* The new account opens the board; a deleted one no more. */
    HIF hif = 0;
    ASSERT_TRUE(TvxOpenEx(&hif, "bob:builder@127.0.2.2", 0, 0)) << TvxGetLastError();
    EXPECT_TRUE(TvxClose(hif));
    ASSERT_TRUE(TvxDeleteAccount(&dvc, "bob"));
    EXPECT_FALSE(TvxOpenEx(&hif, "bob:builder@127.0.2.2", 0, 0));
    /* Too long a name is refused before any request. */
    std::string sz65(65, 'a');
    EXPECT_FALSE(TvxAddAccount(&dvc, sz65.c_str(), "x", 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    /* Authentication off: any account opens; back on. */
    ASSERT_TRUE(TvxEnableDisableClientAuthentication(&dvc, 0));
    EXPECT_EQ(Sim().SzState("netB", "auth"), "0");
    ASSERT_TRUE(TvxOpenEx(&hif, "anyone:x@127.0.2.2", 0, 0)) << TvxGetLastError();
    EXPECT_TRUE(TvxClose(hif));
    ASSERT_TRUE(TvxEnableDisableClientAuthentication(&dvc, 1));
    EXPECT_EQ(Sim().SzState("netB", "auth"), "1");
}

/* ---- discovery ---- */

const EDVC *PedvcAt(const std::vector<EDVC> &rgedvc, const char *szIp)
{
    for (const EDVC &edvc : rgedvc)
        if (strcmp(edvc.szIP, szIp) == 0)
            return &edvc;
    return nullptr;
}

/* Every network node of one enumeration whose address begins with szIpPrefix. */
std::vector<EDVC> RgedvcEnum(const char *szIpPrefix)
{
    std::vector<EDVC> rgedvc;
    if (!TvxStartEnum(dtpNetwork, dtpNetwork, 0, nullptr))
        return rgedvc;
    for (int i = 0; i < 500 && !TvxIsEnumFinished(); i++)
        pabsutil->SleepMs(10);
    int cdvc = -1;
    if (!TvxIsEnumFinished() || !TvxGetEnumCount(&cdvc))
        return rgedvc;
    for (int i = 0; i < cdvc; i++) {
        EDVC edvc;
        if (TvxGetEdvc(i, &edvc) && edvc.dvc.dtp == (uint32_t)dtpNetwork &&
            strncmp(edvc.szIP, szIpPrefix, strlen(szIpPrefix)) == 0)
            rgedvc.push_back(edvc);
    }
    return rgedvc;
}

TEST_F(NetE2e, DnssdFindsABoardThatAnswersNoBroadcast)
{
    /* netF answers DNS-SD only, with discovery version 1: its record still
     * carries the security flags. */
    std::vector<EDVC> rgedvc = RgedvcEnum("127.0.3.");
    ASSERT_EQ(rgedvc.size(), 1u) << TvxGetLastError();
    const EDVC &edvc = rgedvc[0];
    EXPECT_STREQ(edvc.dvc.szName, "NetF");
    EXPECT_STREQ(edvc.dvc.szConn, ":@127.0.3.6:33890");
    EXPECT_STREQ(edvc.szUsrName, "NetF");
    EXPECT_STREQ(edvc.szProdName, "KorvanelNetF");
    EXPECT_STREQ(edvc.szSN, "SN:2101830000F6");
    EXPECT_STREQ(edvc.szMAC, "MAC:00:11:22:33:44:F6");
    EXPECT_STREQ(edvc.szPort, "33890");
    EXPECT_EQ(edvc.pdid, 0x00700122u);
    EXPECT_EQ(edvc.fwver, 0x0306);
    EXPECT_EQ(edvc.fsEdvc & (fsedvcLive | fsedvcNetFlags | fsedvcCtls | fsedvcDtls | fsedvcAuth | fsedvcAuthen),
              fsedvcLive | fsedvcNetFlags | fsedvcCtls | fsedvcDtls | fsedvcAuth);

    /* Opened by the connection string the enumeration gave, and by its
     * user name and serial through discovery. */
    TvxEnableControlChannelTLS(0);
    TvxEnableDataChannelTLS(0);
    for (const char *sz : {edvc.dvc.szConn, "NetF", "SN:2101830000F6"}) {
        SCOPED_TRACE(sz);
        HIF hif = 0;
        ASSERT_TRUE(TvxOpen(&hif, sz)) << TvxGetLastError();
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        EXPECT_STREQ(dvc.szConn, ":@127.0.3.6:33890");
        ExpectStreamLoop(hif, 5000);
        EXPECT_TRUE(TvxClose(hif));
    }
    /* Unplugged, it answers no more. */
    ASSERT_TRUE(Sim().FCmd("UNPLUG netF"));
    EXPECT_TRUE(RgedvcEnum("127.0.3.").empty());
    ASSERT_TRUE(Sim().FCmd("PLUG netF"));
}

TEST_F(NetE2e, DiscoveryListsTheBoardsThatAnswer)
{
    /* Network devices are discovered by the enumeration thread. */
    ASSERT_TRUE(TvxStartEnum(dtpNetwork, dtpNetwork, 0, nullptr)) << TvxGetLastError();
    for (int i = 0; i < 500 && !TvxIsEnumFinished(); i++)
        pabsutil->SleepMs(10);
    ASSERT_TRUE(TvxIsEnumFinished());
    int cdvc = -1;
    ASSERT_TRUE(TvxGetEnumCount(&cdvc)) << TvxGetLastError();
    std::vector<EDVC> rgedvc;
    for (int i = 0; i < cdvc; i++) {
        EDVC edvc;
        ASSERT_TRUE(TvxGetEdvc(i, &edvc));
        if (edvc.dvc.dtp == (uint32_t)dtpNetwork && strncmp(edvc.szIP, "127.0.2.", 8) == 0)
            rgedvc.push_back(edvc);
    }
    EXPECT_EQ(rgedvc.size(), 3u) << "netA (by UDP and DNS-SD, listed once), netB, netC answer; netD and netE do not";
    const EDVC *pA = PedvcAt(rgedvc, "127.0.2.1");
    ASSERT_NE(pA, nullptr);
    EXPECT_STREQ(pA->dvc.szName, "NetA");
    EXPECT_STREQ(pA->dvc.szConn, ":@127.0.2.1:33890");
    EXPECT_STREQ(pA->szSN, "SN:2101830000A1");
    EXPECT_STREQ(pA->szMAC, "MAC:00:11:22:33:44:A1");
    EXPECT_STREQ(pA->szPort, "33890");
    EXPECT_EQ(pA->pdid, 0x00700121u);
    EXPECT_EQ(pA->fsEdvc & (fsedvcLive | fsedvcNetFlags | fsedvcCtls | fsedvcDtls),
              fsedvcLive | fsedvcNetFlags | fsedvcCtls | fsedvcDtls);
    const EDVC *pB = PedvcAt(rgedvc, "127.0.2.2");
    ASSERT_NE(pB, nullptr);
    EXPECT_EQ(pB->fsEdvc & fsedvcNetFlags, 0) << "a version 1 answer carries no security flags";
    EXPECT_NE(PedvcAt(rgedvc, "127.0.2.3"), nullptr) << "an empty address is the sender's";
}

TEST_F(NetE2e, OpensByNameMacAndSerialThroughDiscovery)
{
    TvxEnableControlChannelTLS(0);
    TvxEnableDataChannelTLS(0);
    for (const char *sz : {"NetA", "MAC:00:11:22:33:44:A1", "SN:2101830000A1"}) {
        SCOPED_TRACE(sz);
        HIF hif = 0;
        ASSERT_TRUE(TvxOpen(&hif, sz)) << TvxGetLastError();
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        EXPECT_STREQ(dvc.szConn, ":@127.0.2.1:33890");
        ExpectStreamLoop(hif, 5000);
        EXPECT_TRUE(TvxClose(hif));
    }
    /* Without discovery a MAC cannot be opened. */
    HIF hif = 0;
    EXPECT_FALSE(TvxOpenEx(&hif, "MAC:00:11:22:33:44:A1", 0x10002, 0));
}

/* A device-table entry names a network board by its address: opened by
 * the entry's name, plain and with TLS, and gone with the entry. */
TEST_F(NetE2e, OpensByDeviceTableName)
{
    ASSERT_TRUE(TvxDvcTblClear()) << TvxGetLastError();
    DVC dvc = DvcNet(":@127.0.2.1:33890");
    snprintf(dvc.szName, sizeof(dvc.szName), "%s", "BenchNet");
    ASSERT_TRUE(TvxDvcTblAdd(&dvc)) << TvxGetLastError();
    for (int fTls = 0; fTls <= 1; fTls++) {
        SCOPED_TRACE(fTls ? "TLS" : "plain");
        TvxEnableControlChannelTLS(fTls);
        TvxEnableDataChannelTLS(fTls);
        HIF hif = 0;
        ASSERT_TRUE(TvxOpen(&hif, "BenchNet")) << TvxGetLastError();
        DVC dvcOpen;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvcOpen));
        EXPECT_STREQ(dvcOpen.szConn, ":@127.0.2.1:33890");
        ExpectStreamLoop(hif, 4096);
        EXPECT_TRUE(TvxClose(hif));
    }
    ASSERT_TRUE(TvxDvcTblRem("BenchNet")) << TvxGetLastError();
    HIF hif = 0;
    EXPECT_FALSE(TvxOpenEx(&hif, "BenchNet", 0x10002, 0));
    EXPECT_TRUE(TvxDvcTblClear());
}

} // namespace
