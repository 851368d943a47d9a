// flashjob_bench.cpp - programming and verifying a whole flash image through
// the flash views' engine, the client libraries and the simulated board, at
// the flash's own times, and the figures that tell what the host adds:
//
//   - the time the simulated flash was busy erasing and programming (the
//     design's "busy" events: the least any host could take);
//   - the host's wall time for the whole operation (configuration of the
//     memory manager, first contact, erase walk, programming, verify);
//   - what the host adds, in percent of the flash's time (goal: at most 10).
//
//   sh tests/support/simwine.sh <tree>/bin/korsim boardsupport/tests/flashsim.cfg bench
//       env YORL_DATADIR=<source>/data/ <tree>/bin/flashjob_bench [--gtest_filter=*Pentra*]
//   (one command line)
//
// FLASHBENCH_SCALE (percent, default 100) scales the flash's times.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <random>

#include "flashsimports.h"
#include "korsimenv.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "flashbench", true);

namespace {

void Bench(const BOARDCASE &bc)
{
    ASSERT_TRUE(PkorsimEnv() != nullptr && PkorsimEnv()->fOk);
    KSIMCTL &sim = PkorsimEnv()->simctl;
    uint32_t erc = 0;
    static bool fStarted = BriselInit(&erc) != 0;
    ASSERT_TRUE(fStarted);
    const char *szScale = getenv("FLASHBENCH_SCALE");
    std::string szB = bc.szBoard;
    ASSERT_TRUE(sim.FCmd("DOPT " + szB + " timescale " + (szScale ? szScale : "100")));

    // The flash exists once the test image ran; every block holds data.
    SIMPORTS portsFirst(bc);
    ASSERT_TRUE(portsFirst.FConfigureFpga());
    ASSERT_TRUE(sim.FCmd("MEMFILL " + szB + " " + bc.szFlash + " 0 " + std::to_string(bc.cbFlash) + " 0x00"));

    std::mt19937 rng(1);
    std::vector<uint8_t> rgb(bc.cbFlash);
    for (auto &b : rgb)
        b = uint8_t(rng());
    std::string szFile = SzKorTestDir("flashbench") + "full.bin";
    FILE *pf = fopen(szFile.c_str(), "wb");
    ASSERT_TRUE(pf != nullptr && fwrite(rgb.data(), 1, rgb.size(), pf) == rgb.size());
    fclose(pf);

    FLASHARGS args;
    args.op = opProgram;
    args.szProgramFile = szFile;
    args.fVerify = true;
    SIMPORTS ports(bc);
    ports.pctSleep = 100;
    ASSERT_TRUE(sim.FCmd("DLOGCLEAR " + szB));
    auto tStart = std::chrono::steady_clock::now();
    FLASHEND end = RunFlashJob(*bc.pprof, args, ports);
    double sHost = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    EXPECT_EQ(end.idsFinal, uint32_t(idsFlSuccess));
    remove(szFile.c_str());

    std::vector<std::string> rgszLog;
    ASSERT_TRUE(sim.FCmd("DLOG " + szB, &rgszLog));
    double sFlash = 0;
    int cerase = 0;
    for (const std::string &sz : rgszLog) {
        if (sz.compare(0, 5, "busy ") == 0)
            sFlash += strtod(sz.c_str() + 5, nullptr) / 1e6;
        cerase += sz.compare(0, 6, "erase ") == 0;
    }
    printf("%s: %u bytes, %d blocks erased\n", szB.c_str(), bc.cbFlash, cerase);
    printf("  flash busy (erase and program): %8.2f s\n", sFlash);
    printf("  host, program and verify:       %8.2f s\n", sHost);
    printf("  host adds:                      %8.2f s = %.1f %% (goal: at most 10 %%)\n", sHost - sFlash,
           sFlash > 0 ? 100.0 * (sHost - sFlash) / sFlash : 0.0);
}

TEST(FlashBench, Corvale) { Bench(bcCorvale); }
TEST(FlashBench, Pentra) { Bench(bcPentra); }

} // namespace
