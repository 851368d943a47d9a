/*
 * bench_svf_sim.cpp - a large SVF file played through the whole stack
 * (Brisel, Tvxutil, the runtime, the USB transport, korsim) on the CPLD
 * board of e2edev.cfg: erase, program and verify of the CoolRunner-II as a
 * programming tool writes them, several times over, then megabit scans
 * through both devices' bypass registers with their TDO checked.
 *
 * Prints the clocks korsim counted against the clocks the file's
 * statements ask for (scan bits with their header and trailer patterns,
 * RUNTEST clocks; the rest are the TAP walks between statements; goal:
 * within 1 %), and this process's CPU time (every thread) per million SVF
 * scan bits. The clock count is checked; the times are only printed.
 *
 *   ctest -R brisel_svf_sim_bench -V
 *   BRISEL_SVF_BENCH_ROUNDS=10 BRISEL_SVF_BENCH_MBIT=32 ctest -R brisel_svf_sim_bench -V
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#if defined(_WIN32)
#include <windows.h>
#endif

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brisel.h"
#include "cr2gen.h"
#include "korsimenv.h"
#include "svfcpld.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "svfbench", true);

namespace {

const char szSnCpld[] = "SN:210183F10022";      /* xc1: XC2C64A (0, TDI), XCF04S (1) */

double SecCpu()
{
#if defined(_WIN32)
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!GetProcessTimes(GetCurrentProcess(), &ftCreate, &ftExit, &ftKernel, &ftUser))
        return 0;
    auto Sec = [](const FILETIME &ft) { return (double)((uint64_t)ft.dwHighDateTime << 32 | ft.dwLowDateTime) / 1e7; };
    return Sec(ftKernel) + Sec(ftUser);
#else
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
#endif
}

int NumFromEnv(const char *szName, int nDefault)
{
    const char *sz = getenv(szName);
    int n = sz ? atoi(sz) : 0;
    return n > 0 ? n : nDefault;
}

/* What the statements of an SVF text ask for, counted on the text itself:
 * clocks (SIR/SDR bits with the header and trailer lengths in force, RUNTEST
 * clocks given in TCK or SCK) and the SIR/SDR bits alone. */
struct SVFASK {
    uint64_t cclk = 0;
    uint64_t cbitScan = 0;
};

SVFASK AskOfSvf(const std::string &strText)
{
    std::string strCode;
    std::istringstream is(strText);
    std::string strLine;
    while (std::getline(is, strLine)) {
        size_t ich = std::min(strLine.find("//"), strLine.find('!'));
        strCode += strLine.substr(0, ich) + " ";
    }
    SVFASK ask;
    uint64_t cbitHir = 0, cbitTir = 0, cbitHdr = 0, cbitTdr = 0;
    std::istringstream isStmt(strCode);
    std::string strStmt;
    while (std::getline(isStmt, strStmt, ';')) {
        std::istringstream isTok(strStmt);
        std::vector<std::string> rgtok;
        for (std::string tok; isTok >> tok;)
            rgtok.push_back(tok);
        if (rgtok.empty())
            continue;
        const std::string &kw = rgtok[0];
        uint64_t n = rgtok.size() > 1 ? strtoull(rgtok[1].c_str(), nullptr, 10) : 0;
        if (kw == "HIR")
            cbitHir = n;
        else if (kw == "TIR")
            cbitTir = n;
        else if (kw == "HDR")
            cbitHdr = n;
        else if (kw == "TDR")
            cbitTdr = n;
        else if (kw == "SIR" || kw == "SDR") {
            ask.cbitScan += n;
            ask.cclk += n + (kw == "SIR" ? cbitHir + cbitTir : cbitHdr + cbitTdr);
        } else if (kw == "RUNTEST") {
            for (size_t i = 1; i + 1 < rgtok.size(); i++)
                if (rgtok[i + 1] == "TCK" || rgtok[i + 1] == "SCK")
                    ask.cclk += strtoull(rgtok[i].c_str(), nullptr, 10);
        }
    }
    return ask;
}

/* A scan of cbit bits through the two bypass registers of the chain, TDO
 * checked: the bits come out two clocks late, after the two captured 0s. */
std::string StrBypassScan(size_t cbit, unsigned seed)
{
    std::vector<uint8_t> rgbitTdi(cbit), rgbitTdo(cbit);
    for (size_t i = 0; i < cbit; i++) {
        seed = seed * 1103515245u + 12345u;
        rgbitTdi[i] = (seed >> 16) & 1;
        rgbitTdo[i] = i < 2 ? 0 : rgbitTdi[i - 2];
    }
    return "SDR " + std::to_string(cbit) + " TDI (" + StrSvfHex(rgbitTdi) + ")\r\n TDO (" + StrSvfHex(rgbitTdo) +
           ") ;\r\n";
}

std::string Key(KSIMCTL &simctl, const std::string &strCmd, const std::string &strKey)
{
    std::vector<std::string> rgsz;
    EXPECT_TRUE(simctl.FCmd(strCmd, &rgsz)) << strCmd;
    for (auto &sz : rgsz)
        if (sz.compare(0, strKey.size() + 1, strKey + " ") == 0)
            return sz.substr(strKey.size() + 1);
    return "";
}

} // namespace

TEST(SvfBench, ClocksThroughTheSimulatorAgainstTheStatements)
{
    ASSERT_TRUE(PkorsimEnv() != nullptr && PkorsimEnv()->fOk);
    KSIMCTL &simctl = PkorsimEnv()->simctl;
    int cround = NumFromEnv("BRISEL_SVF_BENCH_ROUNDS", 2);
    int cmbit = NumFromEnv("BRISEL_SVF_BENCH_MBIT", 4);

    uint32_t erc = 99;
    ASSERT_TRUE(BriselInit(&erc)) << erc;
    ASSERT_TRUE(BriselSetMode(15, &erc));
    ASSERT_TRUE(BriselInitScanChain(szSnCpld, nullptr, &erc)) << erc;
    int32_t cdvc = 0;
    ASSERT_TRUE(BriselGetScdvcCount(&cdvc, &erc));
    ASSERT_EQ(cdvc, 2);

    const CR2PART &part = *PpartCr2("XC2C64A");
    CR2LAYOUT lay = LayoutCr2(part);
    std::string strSvf;
    std::vector<std::vector<uint8_t>> rgrow;
    for (int iround = 0; iround < cround; iround++) {
        std::vector<uint8_t> rgfuse = RgfuseOfSeed(part.cfuse, 100 + iround);
        rgrow.clear();
        for (unsigned irow = 0; irow < part.crow; irow++)
            rgrow.push_back(RowProgrammed(part, lay, rgfuse, irow, 0));
        strSvf += StrSvfCpld(part, rgrow);
    }
    for (int imbit = 0; imbit < cmbit; imbit++)
        strSvf += StrBypassScan(1000000, 7u + imbit);
    SVFASK ask = AskOfSvf(strSvf);
    std::string strPath = SzKorTestDir("svfbench") + "bench.svf";
    {
        std::ofstream os(strPath, std::ios::binary);
        os << strSvf;
        ASSERT_TRUE(bool(os.flush()));
    }
    ASSERT_TRUE(BriselSetConfigFile(strPath.c_str(), 0, 0, &erc)) << erc;

    uint64_t cclkBefore = strtoull(Key(simctl, "TAP xc1", "clocks").c_str(), nullptr, 10);
    double secCpu = SecCpu();
    auto tWall = std::chrono::steady_clock::now();
    bool fOk = BriselProgramDvc(szSnCpld, 0, nullptr, &erc) != 0;
    double secWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - tWall).count();
    secCpu = SecCpu() - secCpu;
    uint64_t cclkIssued = strtoull(Key(simctl, "TAP xc1", "clocks").c_str(), nullptr, 10) - cclkBefore;
    ASSERT_TRUE(fOk) << "the play failed: " << erc;

    double pctOver = 100.0 * ((double)cclkIssued - (double)ask.cclk) / (double)ask.cclk;
    double mbitSvf = (double)ask.cbitScan / 1e6;
    printf("SVF through the simulator: %.1f MB, %d CPLD rounds + %d Mbit of bypass scans, %.2f Mbit of scans\n",
           (double)strSvf.size() / 1e6, cround, cmbit, mbitSvf);
    printf("clocks the statements ask for:  %llu\n", (unsigned long long)ask.cclk);
    printf("clocks the simulator counted:   %llu (%+.3f %%, goal within 1 %%)\n", (unsigned long long)cclkIssued,
           pctOver);
    printf("client CPU: %.3f s for the play (parse included), %.1f ms per million SVF bits; wall %.2f s\n", secCpu,
           1000.0 * secCpu / mbitSvf, secWall);

    /* the clocks: none missing, the walks between statements well under 1 % */
    EXPECT_GE(cclkIssued, ask.cclk);
    EXPECT_LE(pctOver, 1.0);
    /* the device ended up with the last round's design, DONE */
    EXPECT_EQ(Key(simctl, "CPLD xc1", "done"), "1");
    EXPECT_EQ(Key(simctl, "CPLD xc1", "programshort"), "0");
    for (unsigned irow : {0u, 40u, part.crow - 1}) {
        std::string sz = simctl.SzLine("CPLDROW xc1 " + std::to_string(irow));
        std::vector<uint8_t> row;
        for (char ch : sz)
            row.push_back(ch == '1');
        EXPECT_EQ(row, rgrow[irow]) << "row " << irow;
    }
    BriselTerm(&erc);
}
