// brisel_svf_bench: a large SVF file as a programming tool writes it
// (a CPLD-sized erase, program and verify repeated, then long scans),
// parsed and played over a port that only counts. Prints the clocks the
// port was asked for against the clocks the statements ask for (scan bits
// and RUNTEST clocks; the rest are the TAP walks between them), the port
// calls, and the client's CPU time per million SVF bits.
//   brisel_svf_bench [rounds]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include "countport.h"
#include "schain.h"
#include "svfplay.h"

namespace {

void NoSleep(uint32_t) {}
uint8_t BRISELCALL GoOn(int32_t, int32_t) { return 1; }

double CpuSeconds()
{
    return (double)clock() / CLOCKS_PER_SEC;
}

std::string StrHex(size_t cbit, unsigned seed)
{
    std::string str;
    for (size_t idig = 0; idig < (cbit + 3) / 4; idig++) {
        seed = seed * 1103515245u + 12345u;
        str += "0123456789abcdef"[(seed >> 16) & (idig == 0 && cbit % 4 ? (1u << (cbit % 4)) - 1 : 15)];
        if (idig % 64 == 63)
            str += "\r\n";
    }
    return str;
}

} // namespace

int main(int argc, char **argv)
{
    int cround = argc > 1 ? atoi(argv[1]) : 20;
    std::string str = "TRST OFF;\r\nENDIR IDLE;\r\nENDDR IDLE;\r\nSTATE RESET;\r\nSTATE IDLE;\r\nFREQUENCY 1E6 HZ;\r\n";
    uint64_t cclkAsked = 0, cbitScans = 0;
    for (int iround = 0; iround < cround; iround++) {
        str += "SIR 8 TDI (e8) ;\r\nSIR 8 TDI (ed) ;\r\nRUNTEST IDLE 100000 TCK;\r\n";
        cclkAsked += 16 + 100000;
        cbitScans += 16;
        for (int irow = 0; irow < 98; irow++) {
            str += "SDR 281 TDI (" + StrHex(281, irow + iround) + ") ;\r\nRUNTEST 10000 TCK;\r\n";
            cclkAsked += 281 + 10000;
            cbitScans += 281;
        }
        for (int irow = 0; irow < 98; irow++) {
            str += "SDR 274 TDI (" + StrHex(274, 0) + ") TDO (" + std::string(69, '0') + ") MASK (" +
                   StrHex(274, irow) + ") ;\r\nRUNTEST 100 TCK;\r\n";
            cclkAsked += 274 + 100;
            cbitScans += 274;
        }
        str += "SDR 1000000 TDI (" + StrHex(1000000, iround) + ") ;\r\n";
        cclkAsked += 1000000;
        cbitScans += 1000000;
    }
    double cpuStart = CpuSeconds();
    std::vector<SVFCMD> rgcmd;
    int line = 0;
    std::string strErr;
    if (!FParseSvfText(str.data(), str.size(), rgcmd, &line, &strErr)) {
        fprintf(stderr, "line %d: %s\n", line, strErr.c_str());
        return 1;
    }
    double cpuParsed = CpuSeconds();
    COUNTPORT port;
    SCHAIN schain;
    schain.FInit();
    schain.pjtport = &port;
    schain.pfnSleepMs = NoSleep;
    bool fOk;
    {
        STREP rep(GoOn);
        fOk = FPlaySvfCmds(&schain, &port.h, rgcmd, rep, &line);
    }
    double cpuEnd = CpuSeconds();
    double mbit = (double)cbitScans / 1e6;
    printf("SVF: %zu bytes, %zu statements, %.1f Mbit of scans, played %s\n", str.size(), rgcmd.size(), mbit,
           fOk ? "to the end" : "with a failure");
    printf("clocks asked for by the statements: %llu\n", (unsigned long long)cclkAsked);
    printf("clocks issued:                      %llu (%+.3f %%: TAP walks)\n", (unsigned long long)port.cclk,
           100.0 * ((double)port.cclk - (double)cclkAsked) / (double)cclkAsked);
    printf("port calls: %llu (%.0f per Mbit of scans)\n", (unsigned long long)port.ccall, port.ccall / mbit);
    printf("client CPU: parse %.3f s, play %.3f s, %.1f ms per Mbit of SVF scans\n", cpuParsed - cpuStart,
           cpuEnd - cpuParsed, 1000.0 * (cpuEnd - cpuStart) / mbit);
    return fOk ? 0 : 1;
}
