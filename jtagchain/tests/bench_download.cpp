// brisel_bench: programming a 4 Mbit bitstream into an FPGA behind one
// other device, over a port that only counts. Prints the JTAG clocks issued
// against the bitstream's own bits, the port transactions per megabit and
// the client's CPU time against the wire time at 30 MHz.
#include <chrono>
#include <stdio.h>
#include <string.h>
#include <vector>

#include "bitfile.h"
#include "chainops.h"
#include "countport.h"
#include "schain.h"

namespace {

void NoSleep(uint32_t) {}

} // namespace

int main()
{
    const uint32_t cbData = 4u * 1024 * 1024 / 8;   /* 4 Mbit */
    COUNTPORT port;
    SCHAIN schain;
    schain.FInit();
    schain.pjtport = &port;
    schain.pfnSleepMs = NoSleep;
    SCDVC *pscdvcProm = PscdvcNewFromTypeName(&schain, "PROM");
    pscdvcProm->cbitIr = 8;
    schain.FAddDvc(pscdvcProm);
    SCFPGA *pscfpga = static_cast<SCFPGA *>(PscdvcNewFromTypeName(&schain, "FPGA"));
    pscfpga->cbitIr = 6;
    pscfpga->alg = 1;
    schain.FAddDvc(pscfpga);
    std::vector<uint8_t> rgb(cbData);
    for (uint32_t i = 0; i < cbData; i++)
        rgb[i] = (uint8_t)(i * 31 + 7);
    BITFILE *pbitfile = PbitfileNew();
    FParseBinImage(rgb.data(), rgb.size(), pbitfile);
    pscfpga->SetBitfile(pbitfile);

    auto tStart = std::chrono::steady_clock::now();
    std::clock_t clkStart = std::clock();
    const int crun = 10;
    for (int irun = 0; irun < crun; irun++) {
        STREP rep(nullptr);
        pscfpga->FDownload(1, rep);
        pscfpga->FCheckStatus(1, 0, rep);
    }
    double sCpu = (double)(std::clock() - clkStart) / CLOCKS_PER_SEC / crun;
    double sWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count() / crun;
    double cclk = (double)port.cclk / crun;
    double ccall = (double)port.ccall / crun;
    double cbitMin = (double)cbData * 8;
    printf("bitstream             %10.0f bits (4 Mbit)\n", cbitMin);
    printf("JTAG clocks issued    %10.0f (%.3f %% above the bitstream)\n", cclk, (cclk / cbitMin - 1) * 100);
    printf("port transactions     %10.0f (%.1f per Mbit)\n", ccall, ccall / (cbitMin / 1e6));
    printf("client CPU time       %10.3f ms (wall %.3f ms)\n", sCpu * 1e3, sWall * 1e3);
    printf("wire time at 30 MHz   %10.3f ms (client CPU %.2f %% of it)\n", cclk / 30e6 * 1e3, sCpu / (cclk / 30e6) * 100);
    return 0;
}
