/*
 * net_bench.cpp - stream throughput to a simulated network board through
 * the runtime's network transport, over plain and TLS connections, with the
 * CPU time this client process spends per MB (user and system). Not a
 * test: it prints figures. Run bin/net_bench [MB per direction] inside a
 * private network namespace (unshare -rn; ip link set lo up).
 *
 * Each round is one stream transaction that sends its bytes to the board
 * and receives them back (the board's source loops the sink back), so a
 * round moves its size in each direction at once over the data connection.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "simctl.h"
#include "usbtestenv.h"

namespace {

const char szConfig[] =
    "board netbench\n"
    "  serial 2101830000BE\n"
    "  user NetBench\n"
    "  caps 0x00000807 0x00000000\n"
    "  net 127.0.6.1 33890\n"
    "  netdisc off\n";

double SecCpu()
{
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return (double)ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

/* CPU seconds of process pid so far (the simulator), from /proc. */
double SecCpuOf(int pid)
{
    char szPath[64];
    snprintf(szPath, sizeof(szPath), "/proc/%d/stat", pid);
    FILE *pf = fopen(szPath, "r");
    if (pf == nullptr)
        return 0;
    char sz[1024] = {};
    size_t cch = fread(sz, 1, sizeof(sz) - 1, pf);
    fclose(pf);
    sz[cch] = 0;
    const char *pch = strrchr(sz, ')');
    unsigned long utime = 0, stime = 0;
    if (pch == nullptr || sscanf(pch + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return 0;
    return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
}

int pidSim = -1;

/* Moves cmb MB each way in rounds of cbRound bytes; false on a failure. */
bool FRun(const char *szMode, const char *szConn, uint32_t cmb, uint32_t cbRound)
{
    HIF hif = 0;
    if (!TvxOpenEx(&hif, szConn, 0, 0)) {
        fprintf(stderr, "%s: open failed (error %d)\n", szMode, TvxGetLastError());
        return false;
    }
    int fCtl = 0, fData = 0;
    TvxIsControlChannelSecure(hif, &fCtl, 5000);
    TvxIsDataChannelSecure(hif, &fData, 5000);
    if (ErcStreamEnable(hif, true) != 0) {
        fprintf(stderr, "%s: stream port not enabled\n", szMode);
        return false;
    }
    std::vector<uint8_t> rgbOut(cbRound), rgbIn(cbRound);
    for (uint32_t i = 0; i < cbRound; i++)
        rgbOut[i] = (uint8_t)(i * 7 + 3);
    uint64_t cbTotal = (uint64_t)cmb << 20;
    uint32_t cround = (uint32_t)((cbTotal + cbRound - 1) / cbRound);
    double secCpu0 = SecCpu(), secSim0 = SecCpuOf(pidSim);
    auto t0 = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < cround; i++) {
        USBTRANS t;
        StreamCmds(&t, cbRound, cbRound);
        t.tfp.cbSnd = t.tfp.cbRcv = cbRound;
        t.tfp.pbSnd = rgbOut.data();
        t.tfp.pbRcv = rgbIn.data();
        if (t.Run(hif) != 0 || rgbIn != rgbOut) {
            fprintf(stderr, "%s: round %u failed (error %d)\n", szMode, i, TvxGetLastError());
            return false;
        }
    }
    double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double secCpu = SecCpu() - secCpu0, secSim = SecCpuOf(pidSim) - secSim0;
    double mb = (double)cround * cbRound / (1 << 20);
    printf("%-6s control %-5s data %-5s  %6.1f MB each way in %6.3f s: %7.1f MB/s each way, "
           "CPU per MB: client %5.2f ms, board (korsim) %5.2f ms\n",
           szMode, fCtl ? "TLS" : "plain", fData ? "TLS" : "plain", mb, sec, mb / sec, secCpu * 1000 / (2 * mb),
           secSim * 1000 / (2 * mb));
    ErcStreamEnable(hif, false);
    TvxClose(hif);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    uint32_t cmb = argc > 1 ? (uint32_t)atoi(argv[1]) : 64;
    SIMCTL sim;
    std::string szErr;
    if (!sim.FStart(szConfig, &szErr)) {
        fprintf(stderr, "korsim did not start: %s\n", szErr.c_str());
        return 1;
    }
    pidSim = sim.Pid();
    if (!FUsbRuntimeStart("net-bench")) {
        fprintf(stderr, "runtime did not start (error %d)\n", TvxGetLastError());
        return 1;
    }
    printf("stream loopback through a network board, rounds of 1 MB (CPU per MB moved, both directions counted)\n");
    bool fOk = FRun("plain", "127.0.6.1:33890:DISABLE_TLS", cmb, 1 << 20) &&
               FRun("TLS", "127.0.6.1:33890:ENABLE_TLS", cmb, 1 << 20);
    UsbRuntimeStop();
    return fOk ? 0 : 1;
}
