/* ksimproc_posix.cpp - korsim as a child that dies with its parent (Linux). */
#include "ksimproc.h"

#include <errno.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

KSIMPROC::~KSIMPROC()
{
    Kill();
}

bool KSIMPROC::FStart(const std::string &szPath, const std::vector<std::string> &vszArg)
{
    if (pid > 0)
        return false;
    std::vector<char *> vpch;
    vpch.push_back(const_cast<char *>(szPath.c_str()));
    for (const std::string &sz : vszArg)
        vpch.push_back(const_cast<char *>(sz.c_str()));
    vpch.push_back(nullptr);
    pid_t pidParent = getpid();
    pid_t pidChild = fork();
    if (pidChild == 0) {
        /* The simulator must not outlive a test process that dies. */
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != pidParent)
            _exit(126);
        execv(szPath.c_str(), vpch.data());
        _exit(127);
    }
    if (pidChild < 0)
        return false;
    pid = pidChild;
    return true;
}

bool KSIMPROC::FWait(uint32_t tms, int *pcode)
{
    if (pid <= 0)
        return true;
    struct timespec ts0;
    clock_gettime(CLOCK_MONOTONIC, &ts0);
    for (;;) {
        int status = 0;
        pid_t pidDone = waitpid(pid_t(pid), &status, WNOHANG);
        if (pidDone == pid_t(pid) || (pidDone < 0 && errno != EINTR)) {
            if (pcode)
                *pcode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid = -1;
            return true;
        }
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        long tmsGone = (ts.tv_sec - ts0.tv_sec) * 1000 + (ts.tv_nsec - ts0.tv_nsec) / 1000000;
        if (tmsGone >= long(tms))
            return false;
        struct timespec tsNap = {0, 5 * 1000000L};
        nanosleep(&tsNap, nullptr);
    }
}

void KSIMPROC::Kill()
{
    if (pid <= 0)
        return;
    kill(pid_t(pid), SIGKILL);
    int status;
    while (waitpid(pid_t(pid), &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
}
