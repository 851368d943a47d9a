/*
 * bench_e2e.cpp - programming an FPGA through the whole stack (Brisel ->
 * Tvxutil -> runtime -> USB transport -> korsim) with generated files of an
 * XC3S500E and the largest Spartan-6, and the figures that tell how close
 * the host comes to the wire:
 *
 *   - JTAG clocks the simulator saw against the bits of the file;
 *   - the time the clocks take on the wire at 30 MHz TCK;
 *   - client CPU time (this process, every thread; korsim runs apart) and
 *     its ratio to the wire time (goal: at most 0.1);
 *   - wall time against 1.5 x wire + 50 ms (goal: ratio at most 1);
 *   - transactions (command packets the board received), thread switches
 *     per transaction and, when strace is at hand, system calls per
 *     transaction (from one more run with strace attached, whose times are
 *     not counted).
 *
 *   sh tests/support/simwine.sh <tree>/bin/korsim <tree>/jtagchain/tests/e2e/e2eparts.cfg bench \
 *       <tree>/bin/brisel_e2e_bench [runs [part]]   (default 3 runs of each part, medians printed)
 *
 *   KOR_BENCH_NOSTRACE=1 leaves out the strace run (for profiling the others).
 */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bitgen.h"
#include "brisel.h"
#include "korsimenv.h"

namespace {

using BYTES = std::vector<uint8_t>;

double SecCpu()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double SecWall()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long CswitchSelf()
{
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_nvcsw + ru.ru_nivcsw;
}

/* The end report of a programming run. */
struct ENDWAIT {
    std::mutex mtx;
    std::condition_variable cv;
    int32_t stcEnd = 0;
};
ENDWAIT endwait;

uint8_t BRISELCALL Callback(int32_t stc, int32_t)
{
    if (stc == stcDone || stc == stcFailed || stc == stcStatusBad || stc == stcStatusGood ||
        stc == stcChainProgrammed) {
        std::lock_guard<std::mutex> lock(endwait.mtx);
        endwait.stcEnd = stc;
        endwait.cv.notify_all();
    }
    return 1;
}

struct PART {
    const char *szBoard;
    const char *szSn;
    const char *szName;      /* device-list name */
    const char *szPart;      /* .bit part text */
    uint32_t idcode;
};

const PART rgpart[] = {
    {"xfs3", "SN:210183F10031", "XC3S500E", "3s500efg320", 0x01C22093},
    {"xfs6", "SN:210183F10032", "XC6SLX150", "6slx150fgg484", 0x0401D093},
};

struct FIGURES {
    double secWall = 0, secCpu = 0;
    uint64_t cclk = 0;
    long ctrans = 0;
    long cswitch = 0;
};

class BENCH {
public:
    explicit BENCH(KSIMCTL &simctl) : simctl(simctl) {}

    uint64_t CclkBoard(const char *szBoard)
    {
        std::vector<std::string> rgsz;
        simctl.FCmd(std::string("TAP ") + szBoard, &rgsz);
        for (auto &sz : rgsz)
            if (sz.compare(0, 7, "clocks ") == 0)
                return strtoull(sz.c_str() + 7, nullptr, 10);
        return 0;
    }

    /* Command packets the board took that start a transaction (completion
     * commands, code | 0x80, belong to the transaction before them). */
    long CtransBoard(const char *szBoard)
    {
        std::vector<std::string> rgsz;
        simctl.FCmd(std::string("LOG ") + szBoard, &rgsz);
        long c = 0;
        if (getenv("KOR_BENCH_LOG") != nullptr)
            for (auto &sz : rgsz)
                if (sz.compare(0, 3, "CMD") == 0 || sz.compare(0, 2, "VR") == 0)
                    printf("  %s\n", sz.substr(0, 60).c_str());
        for (auto &sz : rgsz)
            if (sz.compare(0, 4, "CMD ") == 0 && sz.size() >= 10 && strtoul(sz.substr(8, 2).c_str(), nullptr, 16) < 0x80)
                c++;
        return c;
    }

    /* Index of the part in the board's chain (Brisel order). */
    int IscdvcFind(const PART &part)
    {
        uint32_t erc = 0;
        if (!BriselInitScanChain(part.szSn, nullptr, &erc))
            return -1;
        int32_t cdvc = 0;
        BriselGetScdvcCount(&cdvc, &erc);
        for (int32_t i = 0; i < cdvc; i++) {
            JTDVC jtdvc = {};
            if (BriselGetJtdvc(i, &jtdvc, &erc) && strcmp(jtdvc.szName, part.szName) == 0)
                return i;
        }
        return -1;
    }

    bool FProgram(const PART &part, int iscdvc, FIGURES *pfig)
    {
        simctl.FCmd(std::string("LOGCLEAR ") + part.szBoard);
        uint64_t cclk0 = CclkBoard(part.szBoard);
        {
            std::lock_guard<std::mutex> lock(endwait.mtx);
            endwait.stcEnd = 0;
        }
        long cswitch0 = CswitchSelf();
        double secCpu = SecCpu(), secWall = SecWall();
        uint32_t erc = 0;
        if (!BriselProgramDvc(part.szSn, iscdvc, Callback, &erc)) {
            fprintf(stderr, "%s: BriselProgramDvc failed: %u\n", part.szName, erc);
            return false;
        }
        int32_t stc = 0;
        {
            std::unique_lock<std::mutex> lock(endwait.mtx);
            endwait.cv.wait_for(lock, std::chrono::seconds(120), [] { return endwait.stcEnd != 0; });
            stc = endwait.stcEnd;
        }
        pfig->secWall = SecWall() - secWall;
        pfig->secCpu = SecCpu() - secCpu;
        pfig->cswitch = CswitchSelf() - cswitch0;
        pfig->cclk = CclkBoard(part.szBoard) - cclk0;
        pfig->ctrans = CtransBoard(part.szBoard);
        if (stc != stcDone && stc != stcStatusGood) {
            fprintf(stderr, "%s: programming ended with %d\n", part.szName, stc);
            return false;
        }
        return true;
    }

private:
    KSIMCTL &simctl;
};

/* System calls of this process while fn runs, counted by an attached
 * strace; -1 when strace is not at hand. */
template <class FN> long CsyscallUnderStrace(const std::string &szDir, FN fn)
{
    if (access("/usr/bin/strace", X_OK) != 0 || getenv("KOR_BENCH_NOSTRACE") != nullptr)
        return -1;
    std::string szOut = szDir + "strace.txt";
    std::string szPid = std::to_string(getpid());
    pid_t pid = fork();
    if (pid == 0) {
        execl("/usr/bin/strace", "strace", "-q", "-f", "-c", "-o", szOut.c_str(), "-p", szPid.c_str(), (char *)nullptr);
        _exit(127);
    }
    if (pid < 0)
        return -1;
    /* attached once this process has a tracer */
    for (int i = 0; i < 500; i++) {
        FILE *pf = fopen("/proc/self/status", "r");
        char sz[256];
        bool fTraced = false;
        while (pf != nullptr && fgets(sz, sizeof(sz), pf) != nullptr)
            if (strncmp(sz, "TracerPid:", 10) == 0)
                fTraced = atoi(sz + 10) != 0;
        if (pf != nullptr)
            fclose(pf);
        if (fTraced)
            break;
        usleep(10000);
    }
    usleep(100000);     /* strace attaches the threads one after the other */
    fn();
    kill(pid, SIGINT);
    int st = 0;
    waitpid(pid, &st, 0);
    FILE *pf = fopen(szOut.c_str(), "r");
    if (pf == nullptr)
        return -1;
    long c = -1;
    char sz[512];
    while (fgets(sz, sizeof(sz), pf) != nullptr) {
        if (strstr(sz, "total") == nullptr)
            continue;
        /* "100.00    0.001234           1      1234        12 total" */
        double pct = 0, sec = 0;
        long usecs = 0, calls = 0;
        if (sscanf(sz, "%lf %lf %ld %ld", &pct, &sec, &usecs, &calls) == 4)
            c = calls;
    }
    fclose(pf);
    return c;
}

double Median(std::vector<double> rg)
{
    std::sort(rg.begin(), rg.end());
    return rg.empty() ? 0 : rg[rg.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int cruns = argc > 1 ? atoi(argv[1]) : 3;
    if (cruns <= 0)
        cruns = 3;
    KORSIMENV env(E2E_SIM_CONFIG, "bench", true);
    env.SetUp();
    if (!env.fOk) {
        fprintf(stderr, "simulator not reachable: %s\n", env.szErr.c_str());
        return 1;
    }
    std::string szDir = SzKorTestDir("e2ebench");
    /* Brisel reads the project's device list from the data folder. */
    setenv("YORL_DATADIR", KOR_SOURCE_DIR "/data/", 0);
    uint32_t erc = 0;
    if (!BriselInit(&erc)) {
        fprintf(stderr, "BriselInit: %u\n", erc);
        env.TearDown();
        return 1;
    }
    BENCH bench(env.simctl);
    const double hzWire = 30e6;
    printf("Programming through Brisel, Tvxutil, the runtime and the USB transport to korsim; %d runs per part, "
           "medians\n", cruns);
    printf("%-10s %9s %11s %7s %9s %9s %9s %8s %9s %8s %6s %8s %8s\n", "part", "file Mbit", "JTAG clocks", "clk/bit",
           "wire ms", "wall ms", "goal ms", "wall/gl", "cpu ms", "cpu/wire", "trans", "sw/trans", "sys/trans");
    int rc = 0;
    for (const PART &part : rgpart) {
        if (argc > 2 && strcmp(argv[2], part.szName) != 0)
            continue;
        BGSPEC bgspec;
        bgspec.strPart = part.szPart;
        bgspec.idcode = part.idcode;
        bgspec.strDesign = "refio";
        bgspec.fJtagClock = true;
        bgspec.cwordFrames = 0;
        bgspec.strDate = "2026/12/10";
        bgspec.strTime = "12:00:00";
        BYTES rgbData;
        if (!FBuildConfigData(bgspec, &rgbData)) {
            fprintf(stderr, "%s: no configuration data\n", part.szName);
            rc = 1;
            continue;
        }
        BYTES rgbFile = BitFileFromData(bgspec, rgbData);
        std::string szPath = szDir + part.szName + ".bit";
        FILE *pf = fopen(szPath.c_str(), "wb");
        if (pf == nullptr || fwrite(rgbFile.data(), 1, rgbFile.size(), pf) != rgbFile.size()) {
            fprintf(stderr, "%s: cannot write %s\n", part.szName, szPath.c_str());
            if (pf != nullptr)
                fclose(pf);
            rc = 1;
            continue;
        }
        fclose(pf);
        int iscdvc = bench.IscdvcFind(part);
        if (iscdvc < 0 || !BriselSetConfigFile(szPath.c_str(), iscdvc, 1, &erc)) {
            fprintf(stderr, "%s: not found on %s or file refused (%u)\n", part.szName, part.szBoard, erc);
            rc = 1;
            continue;
        }
        std::vector<double> rgWall, rgCpu, rgSwitch;
        FIGURES fig;
        bool fOk = true;
        for (int irun = 0; irun < cruns && fOk; irun++) {
            fOk = bench.FProgram(part, iscdvc, &fig);
            rgWall.push_back(fig.secWall);
            rgCpu.push_back(fig.secCpu);
            rgSwitch.push_back(double(fig.cswitch));
        }
        if (!fOk) {
            rc = 1;
            continue;
        }
        long csyscall = CsyscallUnderStrace(szDir, [&] {
            FIGURES figTraced;
            bench.FProgram(part, iscdvc, &figTraced);
        });
        double cbit = 8.0 * double(rgbData.size());
        double msWire = 1000.0 * double(fig.cclk) / hzWire;
        double msGoal = 1.5 * msWire + 50;
        double msWall = 1000 * Median(rgWall), msCpu = 1000 * Median(rgCpu);
        double ctrans = fig.ctrans > 0 ? double(fig.ctrans) : 1;
        char szSys[32] = "n/a";
        if (csyscall >= 0)
            snprintf(szSys, sizeof(szSys), "%.1f", double(csyscall) / ctrans);
        printf("%-10s %9.3f %11llu %7.4f %9.1f %9.1f %9.1f %8.2f %9.1f %8.3f %6ld %8.1f %8s\n", part.szName,
               cbit / 1e6, (unsigned long long)fig.cclk, double(fig.cclk) / cbit, msWire, msWall, msGoal,
               msWall / msGoal, msCpu, msCpu / msWire, fig.ctrans, Median(rgSwitch) / ctrans, szSys);
    }
    printf("goals: wall/gl <= 1 (wall <= 1.5 x wire + 50 ms), cpu/wire <= 0.1\n");
    BriselTerm(&erc);
    env.TearDown();
    return rc;
}
