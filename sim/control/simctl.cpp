// simctl.cpp - starts korsim and talks to its control channel.

#include "simctl.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef KORSIM_DEFAULT_PATH
#define KORSIM_DEFAULT_PATH "korsim"
#endif

namespace {

bool FSendAll(int sock, const char *pb, size_t cb)
{
    while (cb > 0) {
        ssize_t cbSent = send(sock, pb, cb, MSG_NOSIGNAL);
        if (cbSent < 0 && errno == EINTR)
            continue;
        if (cbSent <= 0)
            return false;
        pb += cbSent;
        cb -= size_t(cbSent);
    }
    return true;
}

std::string SzTempDir()
{
    const char *sz = getenv("KOR_TEST_TMP");
    if (sz && *sz) {
        std::string szCmd = std::string("mkdir -p '") + sz + "'";
        if (system(szCmd.c_str()) == 0)
            return sz;
    }
    return "/tmp";
}

} // namespace

SIMCTL::SIMCTL()
{
    const char *sz = getenv("KORSIM");
    szKorsim = sz && *sz ? sz : KORSIM_DEFAULT_PATH;
}

SIMCTL::~SIMCTL()
{
    Stop();
}

bool SIMCTL::FStart(const std::string &szConfig, std::string *pszErr)
{
    Stop();
    std::string szTemplate = SzTempDir() + "/korsim-XXXXXX.cfg";
    std::vector<char> rgch(szTemplate.begin(), szTemplate.end());
    rgch.push_back(0);
    int fd = mkstemps(rgch.data(), 4);
    if (fd < 0) {
        if (pszErr)
            *pszErr = "cannot create a temporary configuration file";
        return false;
    }
    bool fOk = write(fd, szConfig.data(), szConfig.size()) == ssize_t(szConfig.size());
    close(fd);
    szConfigTmp = rgch.data();
    if (!fOk) {
        if (pszErr)
            *pszErr = "cannot write the configuration file";
        return false;
    }
    return FLaunch(szConfigTmp, pszErr);
}

bool SIMCTL::FStartFile(const std::string &szPath, std::string *pszErr)
{
    Stop();
    return FLaunch(szPath, pszErr);
}

bool SIMCTL::FLaunch(const std::string &szPath, std::string *pszErr)
{
    int rgfd[2];
    if (pipe2(rgfd, O_CLOEXEC) != 0)
        return false;
    // The write end for the child must survive exec: a duplicate without
    // close-on-exec, made before fork so the child only calls exec.
    int fdReady = dup(rgfd[1]);
    std::string szFd = std::to_string(fdReady);
    pid = fork();
    if (pid == 0) {
        // The simulator must not outlive a test process that dies.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execl(szKorsim.c_str(), szKorsim.c_str(), "--config", szPath.c_str(), "--ready-fd", szFd.c_str(),
              (char *)nullptr);
        _exit(127);
    }
    close(rgfd[1]);
    close(fdReady);
    if (pid < 0) {
        close(rgfd[0]);
        return false;
    }
    char rgchPort[16] = {};
    size_t cch = 0;
    while (cch < sizeof(rgchPort) - 1) {
        ssize_t cb = read(rgfd[0], rgchPort + cch, sizeof(rgchPort) - 1 - cch);
        if (cb < 0 && errno == EINTR)
            continue;
        if (cb <= 0)
            break;
        cch += size_t(cb);
    }
    close(rgfd[0]);
    port = uint16_t(atoi(rgchPort));
    if (port == 0) {
        if (pszErr)
            *pszErr = "korsim did not start (configuration error?)";
        Stop();
        return false;
    }
    sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (sock < 0 || connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0 ||
        !FSendAll(sock, "CONTROL\n", 8)) {
        if (pszErr)
            *pszErr = "cannot reach the control channel";
        Stop();
        return false;
    }
    return true;
}

void SIMCTL::Stop()
{
    bool fQuit = false;
    if (sock >= 0) {
        std::string szLine;
        fQuit = FSendAll(sock, "QUIT\n", 5) && FRecvLine(szLine) && szLine == "OK";
        close(sock);
        sock = -1;
    }
    if (pid > 0) {
        // QUIT ends the process right after its answer; a child that never
        // got it is killed.
        int st;
        if (!fQuit)
            kill(pid, SIGTERM);
        waitpid(pid, &st, 0);
        pid = -1;
    }
    port = 0;
    szBuffered.clear();
    if (!szConfigTmp.empty()) {
        unlink(szConfigTmp.c_str());
        szConfigTmp.clear();
    }
}

bool SIMCTL::FRecvLine(std::string &szLine)
{
    for (;;) {
        size_t ich = szBuffered.find('\n');
        if (ich != std::string::npos) {
            szLine = szBuffered.substr(0, ich);
            szBuffered.erase(0, ich + 1);
            return true;
        }
        char rgch[4096];
        ssize_t cb = recv(sock, rgch, sizeof(rgch), 0);
        if (cb < 0 && errno == EINTR)
            continue;
        if (cb <= 0)
            return false;
        szBuffered.append(rgch, size_t(cb));
    }
}

bool SIMCTL::FCmd(const std::string &szCmd, std::vector<std::string> *prgszData, std::string *pszErr)
{
    if (prgszData)
        prgszData->clear();
    std::string szSend = szCmd + "\n";
    if (sock < 0 || !FSendAll(sock, szSend.data(), szSend.size())) {
        if (pszErr)
            *pszErr = "not connected";
        return false;
    }
    std::string szLine;
    while (FRecvLine(szLine)) {
        if (szLine.compare(0, 2, "> ") == 0) {
            if (prgszData)
                prgszData->push_back(szLine.substr(2));
            continue;
        }
        if (szLine == "OK")
            return true;
        if (pszErr)
            *pszErr = szLine.compare(0, 4, "ERR ") == 0 ? szLine.substr(4) : szLine;
        return false;
    }
    if (pszErr)
        *pszErr = "connection lost";
    return false;
}

std::string SIMCTL::SzState(const std::string &szBoard, const std::string &szKey)
{
    std::vector<std::string> rgsz;
    if (!FCmd("STATE " + szBoard, &rgsz))
        return "";
    for (auto &sz : rgsz)
        if (sz.compare(0, szKey.size() + 1, szKey + " ") == 0)
            return sz.substr(szKey.size() + 1);
    return "";
}

std::string SIMCTL::SzLine(const std::string &szCmd)
{
    std::vector<std::string> rgsz;
    if (!FCmd(szCmd, &rgsz) || rgsz.empty())
        return "";
    return rgsz[0];
}
