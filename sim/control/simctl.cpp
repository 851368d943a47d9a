// simctl.cpp - starts korsim and talks to its control channel.

#include "simctl.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef KORSIM_DEFAULT_PATH
#define KORSIM_DEFAULT_PATH "korsim"
#endif

namespace {

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
    if (!ctl.FConnect("127.0.0.1:" + std::to_string(port), pszErr)) {
        Stop();
        return false;
    }
    return true;
}

void SIMCTL::Stop()
{
    bool fQuit = ctl.FConnected() && ctl.FCmd("QUIT");
    ctl.Close();
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
    if (!szConfigTmp.empty()) {
        unlink(szConfigTmp.c_str());
        szConfigTmp.clear();
    }
}
