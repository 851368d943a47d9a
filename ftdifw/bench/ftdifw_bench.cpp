/*
 * ftdifw_bench.cpp - figures of the firmware library on the simulated FT232H
 * board (prints them; checks nothing but that every byte came back right):
 *
 *  1. stream throughput through the whole stack (runtime, DVTP2, the library,
 *     ftd2xx, the simulated FIFO) beside the raw throughput of the D2XX
 *     stand-in alone on the same channel, rounds taken in turn in one run,
 *     the best of each (goal: the stack costs at most 10 %);
 *  2. JTAG shifts at 30 MHz through the whole stack: this process's CPU time
 *     per shifted megabit against the wire time of a megabit at 30 MHz (goal
 *     <= 0.1), and the chip's USB writes per megabit against the fewest that
 *     64 KiB writes allow for the bytes each transaction sends (goal within
 *     10 %).
 *
 *   sh tests/support/simwine.sh <tree>/bin/korsim ftdifw/tests/ftdifw.cfg bench <tree>/bin/ftdifw_bench [MiB] [Mbit]
 *
 * Needs the 0x60 library in the firmware folder (it copies it there).
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <vector>

#include "dvt.h"
#include "fwinstall.h"
#include "ftd2xx.h"
#include "kor_child.h"
#include "ksimctl.h"
#include "voziri.h"

namespace {

using CLOCK = std::chrono::steady_clock;
using BYTES = std::vector<uint8_t>;
const uint32_t cbChunk = 1 << 20;
const char szSerial[] = "210183F60001";

double SecSince(CLOCK::time_point t) { return std::chrono::duration<double>(CLOCK::now() - t).count(); }

double SecCpu()
{
    rusage ru = {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + 1e-6 * (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

/* Raw: the channel in asynchronous FIFO mode through D2XX alone, 64 KiB out,
 * then in until all 64 KiB are back. */
double SecRaw(uint32_t cmib, const BYTES &rgbOut, BYTES &rgbIn)
{
    FT_HANDLE h = nullptr;
    if (FT_OpenEx((PVOID)szSerial, FT_OPEN_BY_SERIAL_NUMBER, &h) != FT_OK)
        return -1;
    FT_SetBitMode(h, 0, 0);
    FT_SetTimeouts(h, 2000, 2000);
    FT_Purge(h, 3);
    bool fOk = true;
    auto t = CLOCK::now();
    for (uint32_t i = 0; i < cmib && fOk; i++) {
        for (uint32_t ib = 0; ib < cbChunk && fOk; ib += 65536) {
            DWORD cb = 0;
            fOk = FT_Write(h, (LPVOID)(rgbOut.data() + ib), 65536, &cb) == FT_OK && cb == 65536;
            for (DWORD cbDone = 0; fOk && cbDone < 65536; cbDone += cb)
                fOk = FT_Read(h, rgbIn.data() + ib + cbDone, 65536 - cbDone, &cb) == FT_OK && cb > 0;
        }
        fOk = fOk && rgbIn == rgbOut;
    }
    double sec = SecSince(t);
    FT_Close(h);
    return fOk ? sec : -1;
}

bool FTrans(HIF hif, DVT *pdvt, const BYTES &rgbCmd, uint8_t cmdDone, const uint8_t *pbSnd, uint32_t cbSnd,
            uint8_t *pbRcv, uint32_t cbRcv, uint32_t *pcbOut = nullptr, uint32_t *pcbIn = nullptr)
{
    TFP *ptfp = pdvt->GetPtfp();
    memset(ptfp, 0, sizeof(*ptfp));
    ptfp->rgbCmd[0] = uint8_t(rgbCmd.size());
    memcpy(ptfp->rgbCmd + 1, rgbCmd.data(), rgbCmd.size());
    ptfp->cbSnd = cbSnd;
    ptfp->pbSnd = const_cast<uint8_t *>(pbSnd);
    ptfp->cbRcv = cbRcv;
    ptfp->pbRcv = pbRcv;
    if (cmdDone) {
        const uint8_t rgbDone[] = { 3, rgbCmd[0], cmdDone, rgbCmd[2] };
        memcpy(ptfp->rgbCmdDone, rgbDone, sizeof(rgbDone));
    }
    uint32_t cbOut = 0, cbIn = 0;
    bool fOk = pdvt->FDoTrans(nullptr) && TvxGetTransResult(hif, &cbOut, &cbIn, 30000);
    if (pcbOut)
        *pcbOut = cbOut;
    if (pcbIn)
        *pcbIn = cbIn;
    return fOk;
}

BYTES RgbCmd(std::initializer_list<uint8_t> rgbHead, std::initializer_list<uint32_t> rgdw)
{
    BYTES rgb(rgbHead);
    for (uint32_t dw : rgdw)
        for (int ib = 0; ib < 4; ib++)
            rgb.push_back(uint8_t(dw >> (8 * ib)));
    return rgb;
}

double SecStack(uint32_t cmib, const BYTES &rgbOut, BYTES &rgbIn)
{
    HIF hif = hifNil;
    DVT *pdvt = nullptr;
    if (!TvxOpen(&hif, (std::string("SN:") + szSerial).c_str()) || !TvxGetDvt(hif, &pdvt))
        return -1;
    bool fOk = FTrans(hif, pdvt, { 11, 0, 0 }, 0, nullptr, 0, nullptr, 0);
    auto t = CLOCK::now();
    for (uint32_t i = 0; i < cmib && fOk; i++) {
        uint32_t cbOut = 0, cbIn = 0;
        fOk = FTrans(hif, pdvt, RgbCmd({ 11, 3, 0 }, { cbChunk, cbChunk }), 0x83, rgbOut.data(), cbChunk,
                     rgbIn.data(), cbChunk, &cbOut, &cbIn) &&
              cbOut == cbChunk && cbIn == cbChunk && rgbIn == rgbOut;
    }
    double sec = SecSince(t);
    FTrans(hif, pdvt, { 11, 1, 0 }, 0, nullptr, 0, nullptr, 0);
    TvxClose(hif);
    return fOk ? sec : -1;
}

bool FBenchStream(uint32_t cmib)
{
    BYTES rgbOut(cbChunk), rgbIn(cbChunk);
    for (uint32_t ib = 0; ib < cbChunk; ib++)
        rgbOut[ib] = uint8_t(ib * 13 + (ib >> 9));
    double secRaw = 1e30, secStack = 1e30;
    for (int iround = 0; iround < 3; iround++) {
        double sec = SecRaw(cmib, rgbOut, rgbIn);
        if (sec < 0) {
            fprintf(stderr, "raw stream failed\n");
            return false;
        }
        secRaw = sec < secRaw ? sec : secRaw;
        sec = SecStack(cmib, rgbOut, rgbIn);
        if (sec < 0) {
            fprintf(stderr, "stack stream failed\n");
            return false;
        }
        secStack = sec < secStack ? sec : secStack;
    }
    double mbsRaw = cmib / secRaw, mbsStack = cmib / secStack;
    printf("stream %u MiB out and back (best of 3): raw D2XX %.1f MiB/s, whole stack %.1f MiB/s, "
           "cost %.1f %% (goal <= 10 %%)\n",
           cmib, mbsRaw, mbsStack, 100.0 * (1.0 - mbsStack / mbsRaw));
    return true;
}

/* The chip counters of channel A. */
struct CHIPCOUNT {
    double writes = 0, written = 0, clocks = 0;
};

CHIPCOUNT ChipCount(KSIMCTL &sim)
{
    CHIPCOUNT cc;
    std::vector<std::string> rgsz;
    sim.FCmd("FTDI ft60", &rgsz);
    for (const std::string &sz : rgsz) {
        double v = atof(sz.c_str() + sz.find(' ') + 1);
        if (sz.rfind("A.writes ", 0) == 0)
            cc.writes = v;
        else if (sz.rfind("A.written ", 0) == 0)
            cc.written = v;
        else if (sz.rfind("A.clocks ", 0) == 0)
            cc.clocks = v;
    }
    return cc;
}

bool FBenchJtag(uint32_t cmbit, KSIMCTL &sim)
{
    TvxSetFsadm(fsadmDcapPriv);
    HIF hif = hifNil;
    DVT *pdvt = nullptr;
    if (!TvxOpen(&hif, (std::string("SN:") + szSerial).c_str()) || !TvxGetDvt(hif, &pdvt))
        return false;
    const uint32_t cbitTrans = 4u << 20;
    BYTES rgbTdi(cbitTrans / 8), rgbTdo(cbitTrans / 8);
    for (size_t ib = 0; ib < rgbTdi.size(); ib++)
        rgbTdi[ib] = uint8_t(ib * 29 + 7);
    BYTES rgbWalk = { 0x02 };
    bool fOk = FTrans(hif, pdvt, { 2, 0, 0 }, 0, nullptr, 0, nullptr, 0) &&
               FTrans(hif, pdvt, RgbCmd({ 2, 3, 0 }, { 30000000 }), 0, nullptr, 0, nullptr, 0) &&
               FTrans(hif, pdvt, RgbCmd({ 2, 11, 0, 0, 0 }, { 5 }), 0x8B, (const uint8_t[]) { 0x1F }, 1, nullptr, 0) &&
               FTrans(hif, pdvt, RgbCmd({ 2, 11, 0, 0, 0 }, { 4 }), 0x8B, rgbWalk.data(), 1, nullptr, 0);
    for (int fCapture = 0; fCapture <= 1 && fOk; fCapture++) {
        CHIPCOUNT ccStart = ChipCount(sim);
        double secCpu = SecCpu();
        auto t = CLOCK::now();
        uint32_t ctrans = cmbit * (1u << 20) / cbitTrans;
        for (uint32_t itrans = 0; itrans < ctrans && fOk; itrans++) {
            uint32_t cbOut = 0, cbIn = 0;
            fOk = FTrans(hif, pdvt, RgbCmd({ 2, 8, 0, uint8_t(fCapture), 0 }, { cbitTrans }), 0x88, rgbTdi.data(),
                         uint32_t(rgbTdi.size()), fCapture ? rgbTdo.data() : nullptr,
                         fCapture ? uint32_t(rgbTdo.size()) : 0, &cbOut, &cbIn) &&
                  cbOut == cbitTrans;
        }
        secCpu = SecCpu() - secCpu;
        double secWall = SecSince(t);
        CHIPCOUNT ccEnd = ChipCount(sim);
        double cmbitDone = double(ctrans) * cbitTrans / (1 << 20);
        double cpuPerMbit = secCpu / cmbitDone, wirePerMbit = double(1 << 20) / 30e6;
        double writesPerMbit = (ccEnd.writes - ccStart.writes) / cmbitDone;
        /* Every transaction sends the same bytes; each needs at least ceil(bytes / 64 KiB) writes. */
        double cbPerTrans = (ccEnd.written - ccStart.written) / ctrans;
        double writesMin = ctrans * ceil(cbPerTrans / 65536.0) / cmbitDone;
        printf("JTAG TDI shift%s at 30 MHz, %.0f Mbit (%.0f clocks): client CPU %.2f ms per Mbit, wire %.2f ms per "
               "Mbit, ratio %.3f (goal <= 0.1); %.2f USB writes per Mbit, fewest for those bytes %.2f, %+.1f %% "
               "(goal within 10 %%); wall %.2f s\n",
               fCapture ? " with TDO" : "", cmbitDone, ccEnd.clocks - ccStart.clocks, 1e3 * cpuPerMbit,
               1e3 * wirePerMbit, cpuPerMbit / wirePerMbit, writesPerMbit, writesMin,
               100.0 * (writesPerMbit / writesMin - 1.0), secWall);
    }
    FTrans(hif, pdvt, { 2, 1, 0 }, 0, nullptr, 0, nullptr, 0);
    TvxClose(hif);
    if (!fOk)
        fprintf(stderr, "JTAG shifts failed\n");
    return fOk;
}

} // namespace

int main(int argc, char **argv)
{
    uint32_t cmib = argc > 1 ? uint32_t(atoi(argv[1])) : 32;
    uint32_t cmbit = argc > 2 ? uint32_t(atoi(argv[2])) : 64;
    std::string szLib = std::string("FTDIFW_60_00000000_00000801_0118-") + SzFwWordSize() + ".dll";
    if (!FInstallFw(szLib, szLib)) {
        fprintf(stderr, "cannot install the firmware library (YORL_FWDIR)\n");
        return 1;
    }
    KSIMCTL sim;
    const char *szSim = getenv("KOR_SIM");
    if (szSim == nullptr || !sim.FConnect(szSim)) {
        fprintf(stderr, "no simulator (KOR_SIM)\n");
        return 1;
    }
    return FBenchStream(cmib) && FBenchJtag(cmbit, sim) ? 0 : 1;
}
