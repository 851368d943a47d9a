/*
 * net_proto_test.cpp - the network manager's own pieces against a scripted
 * device: the connection-string parser (table of strings), and control
 * commands and vendor requests answered with well-formed and malformed
 * messages by a peer on loopback that plays back bytes. Every length in an
 * answer is checked against the buffer it lands in; nothing is written
 * beyond it. DNS-SD service records read into discovery answers. Linux.
 */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <map>

#include "netc.h"
#include "netdisc.h"
#include "usbtestenv.h"

namespace {

bool fStarted = false;

class NetProto : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fStarted = FUsbRuntimeStart("net-proto"); }
    static void TearDownTestSuite()
    {
        if (fStarted)
            UsbRuntimeStop();
    }
    void SetUp() override { ASSERT_TRUE(fStarted); }
};

/* ---- connection strings ---- */

TEST_F(NetProto, ConnectionStringsParse)
{
    std::string sz64(64, 'a'), sz65(65, 'a'), szHost250(250, 'h'), szHost251(251, 'h');
    struct CASE {
        std::string szConn;
        bool fOk;
        const char *szHost, *szAccount, *szPassword, *szPort;
        int fModifier, fTls;
    } rgcase[] = {
        {"me:pw@board.lan", true, "board.lan", "me", "pw", "33890", 0, 0},
        {"me@board.lan:4000", true, "board.lan", "me", "", "4000", 0, 0},
        {"@board.lan", true, "board.lan", "", "", "33890", 0, 0},
        {"board.lan", true, "board.lan", "", "", "", 0, 0},
        {"board.lan:", true, "board.lan", "", "", "33890", 0, 0},
        {"board.lan:4000:DISABLE_TLS", true, "board.lan", "", "", "4000", 1, 0},
        {"board.lan:ENABLE_TLS", true, "board.lan", "", "", "33890", 1, 1},
        {"a:b:c@h", true, "h", "a", "b:c", "33890", 0, 0},
        {sz64 + ":" + sz64 + "@h", true, "h", sz64.c_str(), sz64.c_str(), "33890", 0, 0},
        {"@" + szHost250, true, szHost250.c_str(), "", "", "33890", 0, 0},
        {"board.lan:4000:PLAIN", false},
        {"board.lan:PLAIN", false},
        {"board.lan:123456", false},
        {sz65 + "@h", false},
        {"me:" + sz65 + "@h", false},
        {szHost251, false},
        {std::string(261, 'x'), false},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szConn.substr(0, 40));
        NETSZPARTS parts;
        memset(&parts, 0x5A, sizeof(parts));
        int fOk = NETC::FSzConnToParts(c.szConn.c_str(), &parts);
        EXPECT_EQ(fOk != 0, c.fOk);
        if (!fOk) {
            EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
            continue;
        }
        EXPECT_STREQ(parts.szHost, c.szHost);
        EXPECT_STREQ(parts.szAccount, c.szAccount);
        EXPECT_STREQ(parts.szPassword, c.szPassword);
        EXPECT_STREQ(parts.szPort, c.szPort);
        EXPECT_EQ(parts.fModifier, c.fModifier);
        if (c.fModifier)
            EXPECT_EQ(parts.fTls, c.fTls);
    }
    /* A bare host is no network connection string; the manager's strings are. */
    EXPECT_FALSE(netc.FCheckSzConn("board.lan"));
    EXPECT_TRUE(netc.FCheckSzConn("board.lan:33890"));
    EXPECT_TRUE(netc.FCheckSzConn(":@127.0.0.1:33890"));
    EXPECT_FALSE(netc.FCheckSzConn("#tpt_0001#ptc_0001#ksim-1-1.0"));
}

/* ---- a device that plays back bytes ---- */

/* Accepts one connection on loopback, reads what the host sends first and
 * answers with the given bytes, then waits for the host to close. */
class PEER {
public:
    explicit PEER(std::vector<uint8_t> rgbAnswer, size_t cbRequest) : rgb(std::move(rgbAnswer)), cbReq(cbRequest)
    {
        sockL = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa = {};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t cb = sizeof(sa);
        bind(sockL, (sockaddr *)&sa, sizeof(sa));
        listen(sockL, 1);
        getsockname(sockL, (sockaddr *)&sa, &cb);
        port = ntohs(sa.sin_port);
        thd = std::thread([this] {
            int s = accept(sockL, nullptr, nullptr);
            std::vector<uint8_t> rgbReq(cbReq);
            size_t cbGot = 0;
            while (cbGot < cbReq) {
                ssize_t c = recv(s, rgbReq.data() + cbGot, cbReq - cbGot, 0);
                if (c <= 0)
                    break;
                cbGot += (size_t)c;
            }
            rgbRequest = rgbReq;
            send(s, rgb.data(), rgb.size(), MSG_NOSIGNAL);
            char b;
            while (recv(s, &b, 1, 0) > 0) {
            }
            close(s);
        });
    }
    ~PEER()
    {
        thd.join();
        close(sockL);
    }
    uint16_t port = 0;
    std::vector<uint8_t> rgbRequest;

private:
    std::vector<uint8_t> rgb;
    size_t cbReq;
    int sockL = -1;
    std::thread thd;
};

std::vector<uint8_t> RgbLe32(uint32_t dw) { return {(uint8_t)dw, (uint8_t)(dw >> 8), (uint8_t)(dw >> 16), (uint8_t)(dw >> 24)}; }

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ABSTCPIP *PtcpipTo(uint16_t port)
{
    ABSTCPIP *p = pabsfact->InstABSTCPIP();
    EXPECT_TRUE(p->Init());
    EXPECT_TRUE(p->Connect(htonl(INADDR_LOOPBACK), port, 1000));
    return p;
}

void Release(ABSTCPIP *p)
{
    p->Close();
    p->Term();
    pabsfact->RlsABSTCPIP(p);
}

TEST_F(NetProto, ControlAnswersAreCheckedBeforeUse)
{
    struct CASE {
        const char *szCase;
        std::vector<uint8_t> rgbAnswer;
        bool fOk;
        const char *szMsg;
    } rgcase[] = {
        {"scode 2 with data", RgbLe32(10) + std::vector<uint8_t>{1, 7, 0, 2, 1, 2, 3, 4, 5, 6}, true, nullptr},
        {"m of 0", RgbLe32(3) + std::vector<uint8_t>{1, 0, 0}, false,
         "NETC::FCtrlCmd received improperly formatted control status mesage"},
        {"L beyond the buffer", RgbLe32(65538) + std::vector<uint8_t>{1}, false,
         "NETC::FCtrlCmd invalid csts message length: 65538"},
        {"wrong type", RgbLe32(4) + std::vector<uint8_t>{3, 1, 0, 0}, false,
         "NETC::FCtrlCmd received incorrect message type: 3"},
        {"L of 0", RgbLe32(0) + std::vector<uint8_t>{1}, false, "NETC::FCtrlCmd message length does not include type"},
        {"m beside L", RgbLe32(5) + std::vector<uint8_t>{1, 9, 0, 0, 0}, false,
         "NETC::FCtrlCmd received improperly formatted control status mesage"},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szCase);
        PEER peer(c.rgbAnswer, 8);
        ABSTCPIP *p = PtcpipTo(peer.port);
        std::vector<uint8_t> rgbCsts(cbNetCstsMax + 16, 0xEE);
        USBLOG log;
        int fRecvFailed = -1;
        int fOk = NETC::FCtrlCmd(p, cmdEstPasiveDataConn, nullptr, 0, rgbCsts.data(), &fRecvFailed, 1000);
        EXPECT_EQ(fOk != 0, c.fOk);
        EXPECT_EQ(fRecvFailed, 0);
        if (!c.fOk)
            EXPECT_TRUE(log.FHas(ercControlTransferFailed, c.szMsg));
        else
            EXPECT_EQ(rgbCsts[2], 2);
        EXPECT_EQ(rgbCsts[cbNetCstsMax], 0xEE) << "nothing beyond the answer buffer";
        Release(p);
        /* The request: L 4, type 0, n 1, the command. */
        EXPECT_TRUE(peer.rgbRequest == RgbLe32(4) + std::vector<uint8_t>({0, 1, 0, cmdEstPasiveDataConn}));
    }
}

TEST_F(NetProto, VendorAnswersAreBoundedByTheRequest)
{
    struct CASE {
        const char *szCase;
        std::vector<uint8_t> rgbAnswer;
        uint32_t cbDone;
        int erc;
        const char *szMsg;
    } rgcase[] = {
        {"exact", RgbLe32(8) + std::vector<uint8_t>{3, 0, 4, 0, 'a', 'b', 'c', 'd'}, 4, 0, nullptr},
        {"fewer", RgbLe32(6) + std::vector<uint8_t>{3, 0, 2, 0, 'a', 'b'}, 2, 0, nullptr},
        {"more than asked", RgbLe32(10) + std::vector<uint8_t>{3, 0, 6, 0, 'a', 'b', 'c', 'd', 'e', 'f'}, 6,
         ercInternalError, "NETC::FVreq received 6 bytes but requested 4"},
        {"cb beyond the message", RgbLe32(6) + std::vector<uint8_t>{3, 0, 4, 0, 'a', 'b'}, 2,
         ercControlTransferFailed, "NETC::FVreq received 2 of 4 bytes of vsts"},
        {"status stall", RgbLe32(4) + std::vector<uint8_t>{3, 1, 0, 0}, 0, ercControlTransferFailed,
         "NETC::FVreq vendor command failed"},
        {"L beyond the buffer", RgbLe32(70000) + std::vector<uint8_t>{3, 0, 4, 0}, 0, ercControlTransferFailed,
         "NETC::FVreq invalid vsts length"},
        {"wrong type", RgbLe32(4) + std::vector<uint8_t>{1, 0, 0, 0}, 0, ercControlTransferFailed,
         "NETC::FVreq received message type 1 insead of VendorSts"},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szCase);
        PEER peer(c.rgbAnswer, 13);
        ABSTCPIP *p = PtcpipTo(peer.port);
        uint8_t rgb[8];
        memset(rgb, 0xEE, sizeof(rgb));
        uint32_t cbDone = 99;
        USBLOG log;
        int fOk = NETC::FVreq(p, 0, 0xE2, 0, 0, 4, rgb, &cbDone, 1000);
        EXPECT_EQ(fOk != 0, c.erc == 0);
        EXPECT_EQ(cbDone, c.cbDone);
        if (c.erc != 0)
            EXPECT_TRUE(log.FHas(c.erc, c.szMsg));
        EXPECT_EQ(rgb[4], 0xEE) << "nothing beyond the caller's wLength";
        Release(p);
        EXPECT_TRUE(peer.rgbRequest == RgbLe32(9) + std::vector<uint8_t>({2, 0x80, 0xE2, 0, 0, 0, 0, 4, 0}));
    }
}

/* ---- DNS-SD service records ---- */

/* A service record as a browser hands it out. */
class FAKESVC : public ASERVICEINFO {
public:
    std::string szIpv4 = "127.0.2.9";
    bool fIpv4 = true;
    uint16_t port = 33890;
    bool fTxt = true;
    std::map<std::string, std::string> mpTxt = {{"VER", "1"},          {"PDID", "00700121"}, {"DcapPub", "00000807"},
                                                {"DcapPriv", "00000000"}, {"FWVER", "0305"}};
    const char *GetIpv4() override { return fIpv4 ? szIpv4.c_str() : nullptr; }
    uint16_t GetPort() override { return port; }
    bool GetTxtRecord(const char *szKey, const char **pszValue) override
    {
        if (!fTxt)
            return false;
        if (szKey == nullptr)
            return true;
        auto it = mpTxt.find(szKey);
        if (it == mpTxt.end())
            return false;
        if (pszValue != nullptr)
            *pszValue = it->second.c_str();
        return true;
    }
};

TEST_F(NetProto, ServiceRecordsConvertOrAreIgnored)
{
    ENUMRESP er;
    FAKESVC svc;
    ASSERT_TRUE(NETC::FEnumrespFromServiceInfo(&svc, &er));
    EXPECT_STREQ(er.szIPv4, "127.0.2.9");
    EXPECT_STREQ(er.szPort, "33890");
    EXPECT_EQ(er.ver, 1);
    EXPECT_EQ(er.pdid, 0x00700121u);
    EXPECT_EQ(er.dcapPub, 0x807u);
    EXPECT_EQ(er.fwver, 0x0305);
    EXPECT_EQ(er.fs, 0);
    EXPECT_TRUE(er.fDnssd);
    EXPECT_FALSE(NETC::FEnumrespFromServiceInfo(nullptr, &er));

    struct CASE {
        const char *szWhat;
        void (*pfnChange)(FAKESVC &);
        bool fOk;
    } rgcase[] = {
        {"no address", [](FAKESVC &s) { s.fIpv4 = false; }, false},
        {"address of 16 characters", [](FAKESVC &s) { s.szIpv4 = "127.000.002.0009"; }, false},
        {"address of 15 characters", [](FAKESVC &s) { s.szIpv4 = "127.000.002.009"; }, true},
        {"no TXT record", [](FAKESVC &s) { s.fTxt = false; }, false},
        {"no FWVER", [](FAKESVC &s) { s.mpTxt.erase("FWVER"); }, false},
        {"PDID not hexadecimal", [](FAKESVC &s) { s.mpTxt["PDID"] = "zz"; }, false},
        {"VER empty", [](FAKESVC &s) { s.mpTxt["VER"] = ""; }, false},
        {"no DcapPriv", [](FAKESVC &s) { s.mpTxt.erase("DcapPriv"); }, false},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szWhat);
        FAKESVC svcCase;
        c.pfnChange(svcCase);
        EXPECT_EQ(NETC::FEnumrespFromServiceInfo(&svcCase, &er) != 0, c.fOk);
    }

    /* Optional texts only when they fit; flags from the keys present. */
    FAKESVC svcTexts;
    svcTexts.mpTxt["SN"] = "2101830000A1X";
    svcTexts.mpTxt["MAC"] = "00:11:22:33:44:A1";
    svcTexts.mpTxt["UsrName"] = std::string(17, 'u');
    svcTexts.mpTxt["ProdName"] = std::string(28, 'p');
    svcTexts.mpTxt["DTLS"] = "";
    svcTexts.mpTxt["AUTHEN"] = "whatever";
    ASSERT_TRUE(NETC::FEnumrespFromServiceInfo(&svcTexts, &er));
    EXPECT_STREQ(er.szSN, "") << "13 characters";
    EXPECT_STREQ(er.szMAC, "00:11:22:33:44:A1");
    EXPECT_STREQ(er.szUsrName, "") << "17 characters";
    EXPECT_EQ(std::string(er.szProdName), std::string(28, 'p'));
    EXPECT_EQ(er.fs, 2 | 8);
}

} // namespace
