/* kor_child_posix.cpp - child processes with posix_spawn and kill. */
#include "kor_child_os.h"

#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

struct KorChild::PROC {
    pid_t pid;
};

KorChild::PROC *PprocKorSpawn(const std::string &szPath, const std::vector<std::string> &vszArgv)
{
    std::vector<char *> vpch;
    for (const std::string &sz : vszArgv)
        vpch.push_back(const_cast<char *>(sz.c_str()));
    vpch.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, szPath.c_str(), nullptr, nullptr, vpch.data(), environ) != 0)
        return nullptr;
    return new KorChild::PROC{pid};
}

namespace {

int CodeFromStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

bool FKorProcWait(KorChild::PROC *pproc, uint32_t tms, int *pcode)
{
    struct timespec ts0;
    clock_gettime(CLOCK_MONOTONIC, &ts0);
    for (;;) {
        int status = 0;
        pid_t pid = waitpid(pproc->pid, &status, tms == 0xFFFFFFFFu ? 0 : WNOHANG);
        if (pid == pproc->pid) {
            *pcode = CodeFromStatus(status);
            return true;
        }
        if (pid == -1 && errno != EINTR)
            return false;
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        long tmsGone = (ts.tv_sec - ts0.tv_sec) * 1000 + (ts.tv_nsec - ts0.tv_nsec) / 1000000;
        if (tms != 0xFFFFFFFFu && tmsGone >= (long)tms)
            return false;
        KorSleepMs(1);
    }
}

bool FKorProcKill(KorChild::PROC *pproc)
{
    if (kill(pproc->pid, SIGKILL) != 0)
        return false;
    int code;
    return FKorProcWait(pproc, 0xFFFFFFFFu, &code);
}

void KorProcFree(KorChild::PROC *pproc)
{
    delete pproc;
}

std::string KorSelfPath()
{
    char sz[PATH_MAX];
    ssize_t cch = readlink("/proc/self/exe", sz, sizeof(sz) - 1);
    if (cch <= 0)
        return std::string();
    sz[cch] = '\0';
    return sz;
}

void KorSetEnv(const char *szVar, const char *szValue)
{
    if (szValue == nullptr)
        unsetenv(szVar);
    else
        setenv(szVar, szValue, 1);
}

void KorSleepMs(uint32_t tms)
{
    struct timespec ts = {(time_t)(tms / 1000), (long)(tms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}
