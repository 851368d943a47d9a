// test_control.cpp - the control channel's own answers and the start of
// korsim through korsimctl.

#include "simfixture.h"

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct CTLCASE {
    const char *szCmd;
    bool fOk;
    const char *szErrPart;
};

TEST_F(SIMTEST, ControlAnswersAndErrors)
{
    const CTLCASE rgcase[] = {
        { "PING", true, "" },
        { "ping", true, "" },
        { "", false, "empty command" },
        { "STATE", false, "board name missing" },
        { "STATE nosuch", false, "no board nosuch" },
        { "FROB alpha", false, "unknown command" },
        { "MEM alpha e2prom 0x3FFF 2", false, "range outside" },
        { "MEM alpha flash 0 2", false, "unknown memory" },
        { "MEM alpha e2prom", false, "usage" },
        { "SETREG alpha 256 1", false, "bad arguments" },
        { "SETRAIL alpha 9 1 1", false, "bad arguments" },
        { "POKE alpha e2prom 0x3FFF 0102", false, "bad arguments" },
        { "POKE alpha e2prom 0 0G", false, "bad arguments" },
        { "SOURCE alpha pattern", false, "bad arguments" },
        { "WAIT alpha sideways", false, "usage" },
        { "FAULT alpha renum sometimes", false, "usage" },
        { "FAULT alpha zlp", false, "usage" },
        { "WAIT alpha present 10", true, "" },
        { "DOPT alpha nosuch", false, "no option" },
        { "DESIGN alpha switches 3", false, "no design with controls" },
        { "MEMSAVE alpha bpi /dev/null", false, "no memory" },
        { "MEMFILL alpha ram 0 1 0xFF", false, "no memory" },
    };
    for (const CTLCASE &cc : rgcase) {
        std::string szErr;
        EXPECT_EQ(simctl.FCmd(cc.szCmd, nullptr, &szErr), cc.fOk) << cc.szCmd;
        if (!cc.fOk) {
            EXPECT_NE(szErr.find(cc.szErrPart), std::string::npos) << cc.szCmd << " -> " << szErr;
        }
    }
}

// Design options live as long as the board, and the register log keeps the
// order in which writes reached the design.
TEST_F(SIMTEST, DesignOptionsAndRegisterWriteOrder)
{
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("DOPT alpha switches 0x5A"));
    ASSERT_TRUE(simctl.FCmd("DOPT alpha switches", &rgsz));
    EXPECT_EQ(rgsz, std::vector<std::string>{ "0x5A" });
    ASSERT_TRUE(simctl.FCmd("DOPT alpha switches -"));
    EXPECT_FALSE(simctl.FCmd("DOPT alpha switches"));

    ASSERT_TRUE(simctl.FCmd("REGLOGCLEAR alpha"));
    for (const char *sz : { "SETREG alpha 0x94 1", "SETREG alpha 0x89 2", "SETREG alpha 0x80 0x0C" })
        ASSERT_TRUE(simctl.FCmd(sz)) << sz;
    ASSERT_TRUE(simctl.FCmd("REGLOG alpha", &rgsz));
    EXPECT_EQ(rgsz, std::vector<std::string>{ "94:01 89:02 80:0C" });
}

TEST_F(SIMTEST, BoardsListsEveryBoard)
{
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("UNPLUG gamma"));
    ASSERT_TRUE(simctl.FCmd("BOARDS", &rgsz));
    ASSERT_EQ(rgsz.size(), 6u);
    EXPECT_EQ(rgsz[0], "alpha ksim-1-1.0 present 210183A1B2C3");
    EXPECT_EQ(rgsz[3], "gamma ksim-1-4.0 absent 210183C00001");
    std::string szErr;
    EXPECT_FALSE(simctl.FCmd("WAIT gamma present 20", nullptr, &szErr));
    EXPECT_EQ(szErr, "timeout");
}

TEST(Korsimctl, BadConfigurationDoesNotStart)
{
    SIMCTL simctl;
    std::string szErr;
    EXPECT_FALSE(simctl.FStart("board a\nchip fx9\n", &szErr));
    EXPECT_EQ(simctl.Port(), 0);
    EXPECT_FALSE(simctl.FCmd("PING"));
    // The same object starts a good one afterwards.
    ASSERT_TRUE(simctl.FStart("board a\n", &szErr)) << szErr;
    EXPECT_NE(simctl.Port(), 0);
    EXPECT_TRUE(simctl.FCmd("PING"));
    simctl.Stop();
    EXPECT_FALSE(simctl.FCmd("PING"));
}

} // namespace

namespace {

TEST(Korsim, PortFileAndListeningLine)
{
    std::string szDir = getenv("KOR_TEST_TMP") ? getenv("KOR_TEST_TMP") : "/tmp";
    std::string szCfg = szDir + "/korsim-portfile-" + std::to_string(getpid()) + ".cfg";
    std::string szPortFile = szCfg + ".port";
    FILE *pfCfg = fopen(szCfg.c_str(), "w");
    ASSERT_NE(pfCfg, nullptr);
    fputs("board a\n", pfCfg);
    fclose(pfCfg);
    SIMCTL simctlPath;      // only for the program's path
    std::string szCmd = simctlPath.szKorsim + " --config " + szCfg + " --port-file " + szPortFile;
    FILE *pf = popen(szCmd.c_str(), "r");
    ASSERT_NE(pf, nullptr);
    char szLine[128] = {};
    ASSERT_NE(fgets(szLine, sizeof(szLine), pf), nullptr);
    unsigned port = 0;
    ASSERT_EQ(sscanf(szLine, "korsim listening on 127.0.0.1:%u", &port), 1);
    // The port file is written before the line.
    FILE *pfPort = fopen(szPortFile.c_str(), "r");
    ASSERT_NE(pfPort, nullptr);
    unsigned portFile = 0;
    EXPECT_EQ(fscanf(pfPort, "%u", &portFile), 1);
    fclose(pfPort);
    EXPECT_EQ(portFile, port);
    WIRECLIENT wc;
    ASSERT_TRUE(wc.FConnect(uint16_t(port)));
    ASSERT_EQ(wc.Enum().size(), 1u);
    EXPECT_EQ(wc.Enum()[0].szPath, "ksim-1-1.0");
    wc.Disconnect();
    // QUIT through a raw control connection ends the process.
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)), 0);
    const char szQuit[] = "CONTROL\nQUIT\n";
    ASSERT_EQ(send(sock, szQuit, sizeof(szQuit) - 1, 0), ssize_t(sizeof(szQuit) - 1));
    char rgch[8] = {};
    EXPECT_EQ(recv(sock, rgch, 3, MSG_WAITALL), 3);
    EXPECT_EQ(std::string(rgch), "OK\n");
    close(sock);
    EXPECT_EQ(pclose(pf), 0);
    unlink(szCfg.c_str());
    unlink(szPortFile.c_str());
}

} // namespace
