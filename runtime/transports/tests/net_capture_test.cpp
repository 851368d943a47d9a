/*
 * net_capture_test.cpp - what goes over the wire: a capture of the private
 * network namespace's loopback (tshark) while the runtime opens a board
 * with an account and moves stream data, read back with tshark. With TLS
 * the capture holds TLS hand-shakes and records and never the password;
 * the same open with TLS switched off by the string shows the password, so
 * the capture itself is known to see the traffic. Linux only.
 */
#include <signal.h>
#include <sys/wait.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "korsimenv.h"
#include "usbtestenv.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "net-capture", false);

namespace {

const char szPassword[] = "Tr0ub4dor-and-3";
bool fStarted = false;

std::string SzFile(const std::string &szPath)
{
    std::ifstream f(szPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool FHaveTool(const char *szTool)
{
    std::string sz = std::string("command -v ") + szTool + " >/dev/null 2>&1";
    return system(sz.c_str()) == 0;
}

/* tshark on the loopback, for the board's address only, writing the
 * capture to a file and a line per packet to its output. */
class CAPTURE {
public:
    CAPTURE(const std::string &szDir, const char *szTag)
        : szPcap(szDir + szTag + ".pcapng"), szLines(szDir + szTag + ".lines")
    {
        remove(szPcap.c_str());
        remove(szLines.c_str());
        pid = fork();
        if (pid == 0) {
            FILE *pf = freopen(szLines.c_str(), "w", stdout);
            pf = freopen("/dev/null", "w", stderr);
            (void)pf;
            execlp("tshark", "tshark", "-n", "-l", "-P", "-i", "lo", "-f", "host 127.0.5.1", "-w", szPcap.c_str(),
                   (char *)nullptr);
            _exit(127);
        }
    }
    /* Waits until the capture has seen everything sent before: probes to
     * the board's address (UDP port uport, where nobody listens) until one
     * shows up in tshark's packet lines. */
    bool FSeen(uint16_t uport)
    {
        int sock = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sa = {};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(uport);
        inet_pton(AF_INET, "127.0.5.1", &sa.sin_addr);
        std::string szMark = " " + std::to_string(uport) + " Len=5";
        bool fSeen = false;
        for (int i = 0; i < 400 && !fSeen && pid > 0; i++) {
            sendto(sock, "probe", 5, 0, (sockaddr *)&sa, sizeof(sa));
            usleep(25000);
            fSeen = SzFile(szLines).find(szMark) != std::string::npos;
            int st;
            if (!fSeen && waitpid(pid, &st, WNOHANG) == pid)
                pid = -1;
        }
        close(sock);
        return fSeen;
    }
    /* Stops the capture; the file is whole afterwards. */
    void Stop()
    {
        if (pid <= 0)
            return;
        kill(pid, SIGINT);
        int st;
        waitpid(pid, &st, 0);
        pid = -1;
    }
    ~CAPTURE() { Stop(); }
    /* Lines of tshark's field output for a display filter. */
    std::string SzFields(const std::string &szFilter, const std::string &szField) const
    {
        std::string szOut = szPcap + ".txt";
        std::string sz = "tshark -n -r '" + szPcap + "' -d tcp.port==33890,tls -o tcp.desegment_tcp_streams:FALSE " +
                         "-Y '" + szFilter + "' -T fields -e " + szField + " > '" + szOut + "' 2>/dev/null";
        if (system(sz.c_str()) != 0)
            return "";
        return SzFile(szOut);
    }
    std::string SzRaw() const { return SzFile(szPcap); }

private:
    pid_t pid = -1;
    std::string szPcap, szLines;
};

class NetCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (PkorsimEnv()->fOk)
            fStarted = FUsbRuntimeStart("net-capture");
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
        if (!FHaveTool("tshark"))
            GTEST_SKIP() << "tshark is not installed (tools/install-deps.sh installs it)";
    }
};

/* Opens the board with the account, moves stream bytes, closes. */
void OpenAndMove(const char *szConn)
{
    HIF hif = 0;
    ASSERT_TRUE(TvxOpenEx(&hif, szConn, 0, 0)) << TvxGetLastError();
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    std::vector<uint8_t> rgbOut(20000, 'P'), rgbIn(20000);
    USBTRANS t;
    StreamCmds(&t, 20000, 20000);
    t.tfp.cbSnd = t.tfp.cbRcv = 20000;
    t.tfp.pbSnd = rgbOut.data();
    t.tfp.pbRcv = rgbIn.data();
    EXPECT_EQ(t.Run(hif), 0);
    EXPECT_EQ(ErcStreamEnable(hif, false), 0);
    EXPECT_TRUE(TvxClose(hif));
}

TEST_F(NetCapture, TlsCarriesNoPasswordInPlainText)
{
    struct CASE {
        const char *szConn;
        bool fTls;
    } rgcase[] = {
        {"operator:Tr0ub4dor-and-3@127.0.5.1:33890:ENABLE_TLS", true},
        {"operator:Tr0ub4dor-and-3@127.0.5.1:33890:DISABLE_TLS", false},
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szConn);
        CAPTURE cap(SzUsbTempDir("net-capture"), c.fTls ? "tls" : "plain");
        ASSERT_TRUE(cap.FSeen(40009)) << "tshark cannot capture on the loopback";
        OpenAndMove(c.szConn);
        ASSERT_TRUE(cap.FSeen(40007)) << "the capture did not keep up";
        cap.Stop();
        std::string szRaw = cap.SzRaw();
        ASSERT_NE(szRaw.find("127.0.5.1") == std::string::npos && szRaw.size() < 1000, true) << "an empty capture";
        std::string szHellos = cap.SzFields("tls.handshake.type == 1", "frame.number");
        std::string szAppData = cap.SzFields("tls.record.opaque_type == 23 || tls.record.content_type == 23", "frame.number");
        if (c.fTls) {
            /* Two hand-shakes (control and data connection) and records. */
            EXPECT_GE(std::count(szHellos.begin(), szHellos.end(), '\n'), 2) << szHellos;
            EXPECT_FALSE(szAppData.empty());
            EXPECT_EQ(szRaw.find(szPassword), std::string::npos) << "the password in plain text";
            EXPECT_EQ(szRaw.find(std::string(2000, 'P').substr(0, 64)), std::string::npos) << "stream data in plain";
        } else {
            EXPECT_TRUE(szHellos.empty());
            EXPECT_NE(szRaw.find(szPassword), std::string::npos) << "the capture sees the plain traffic";
        }
    }
}

} // namespace
