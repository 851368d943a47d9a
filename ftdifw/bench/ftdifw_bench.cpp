/*
 * ftdifw_bench.cpp - stream throughput through the whole stack (runtime,
 * DVTP2, the firmware library, ftd2xx, the simulated FIFO) beside the raw
 * throughput of the D2XX stand-in alone on the same channel, in one run
 * (goal: the library and the runtime cost at most 10 %).
 *
 *   sh tests/support/simwine.sh <tree>/bin/korsim ftdifw/tests/ftdifw.cfg bench <tree>/bin/ftdifw_bench [MiB]
 *
 * Needs the 0x60 library in the firmware folder (it copies it there).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "dvt.h"
#include "fwinstall.h"
#include "ftd2xx.h"
#include "kor_child.h"
#include "voziri.h"

namespace {

using CLOCK = std::chrono::steady_clock;
const uint32_t cbChunk = 1 << 20;

double SecSince(CLOCK::time_point t) { return std::chrono::duration<double>(CLOCK::now() - t).count(); }

/* Raw: the channel in asynchronous FIFO mode through D2XX alone. */
double SecRaw(uint32_t cmib, std::vector<uint8_t> &rgbOut, std::vector<uint8_t> &rgbIn)
{
    FT_HANDLE h = nullptr;
    if (FT_OpenEx((PVOID) "210183F60001", FT_OPEN_BY_SERIAL_NUMBER, &h) != FT_OK)
        return -1;
    FT_SetBitMode(h, 0, 0);
    FT_SetTimeouts(h, 2000, 2000);
    auto t = CLOCK::now();
    for (uint32_t i = 0; i < cmib; i++) {
        for (uint32_t ib = 0; ib < cbChunk; ib += 65536) {
            DWORD cb = 0;
            FT_Write(h, rgbOut.data() + ib, 65536, &cb);
            FT_Read(h, rgbIn.data() + ib, 65536, &cb);
        }
    }
    double sec = SecSince(t);
    FT_Close(h);
    return sec;
}

double SecStack(uint32_t cmib, std::vector<uint8_t> &rgbOut, std::vector<uint8_t> &rgbIn)
{
    HIF hif = hifNil;
    DVT *pdvt = nullptr;
    if (!TvxOpen(&hif, "SN:210183F60001") || !TvxGetDvt(hif, &pdvt))
        return -1;
    TFP *ptfp = pdvt->GetPtfp();
    memset(ptfp, 0, sizeof(*ptfp));
    const uint8_t rgbEnable[] = { 3, 11, 0, 0 };
    memcpy(ptfp->rgbCmd, rgbEnable, sizeof(rgbEnable));
    uint32_t cbOut = 0, cbIn = 0;
    if (!pdvt->FDoTrans(nullptr) || !TvxGetTransResult(hif, &cbOut, &cbIn, 10000))
        return -1;
    auto t = CLOCK::now();
    for (uint32_t i = 0; i < cmib; i++) {
        memset(ptfp, 0, sizeof(*ptfp));
        uint8_t rgbXfer[] = { 11, 11, 3, 0, 0, 0, 0x10, 0, 0, 0, 0x10, 0 };
        memcpy(ptfp->rgbCmd, rgbXfer, sizeof(rgbXfer));
        ptfp->cbSnd = cbChunk;
        ptfp->pbSnd = rgbOut.data();
        ptfp->cbRcv = cbChunk;
        ptfp->pbRcv = rgbIn.data();
        const uint8_t rgbDone[] = { 3, 11, 0x83, 0 };
        memcpy(ptfp->rgbCmdDone, rgbDone, sizeof(rgbDone));
        if (!pdvt->FDoTrans(nullptr) || !TvxGetTransResult(hif, &cbOut, &cbIn, 30000))
            return -1;
    }
    double sec = SecSince(t);
    TvxClose(hif);
    return sec;
}

} // namespace

int main(int argc, char **argv)
{
    uint32_t cmib = argc > 1 ? uint32_t(atoi(argv[1])) : 32;
    std::string szLib = std::string("FTDIFW_60_00000000_00000801_0118-") + SzFwWordSize() + ".dll";
    if (!FInstallFw(szLib, szLib)) {
        fprintf(stderr, "cannot install the firmware library (YORL_FWDIR)\n");
        return 1;
    }
    std::vector<uint8_t> rgbOut(cbChunk), rgbIn(cbChunk);
    for (uint32_t ib = 0; ib < cbChunk; ib++)
        rgbOut[ib] = uint8_t(ib * 13);
    double secRaw = SecRaw(cmib, rgbOut, rgbIn);
    double secStack = SecStack(cmib, rgbOut, rgbIn);
    if (secRaw <= 0 || secStack <= 0) {
        fprintf(stderr, "bench failed\n");
        return 1;
    }
    double mbsRaw = cmib / secRaw, mbsStack = cmib / secStack;
    printf("stream %u MiB out and back: raw D2XX %.1f MiB/s, whole stack %.1f MiB/s, cost %.1f %% (goal <= 10 %%)\n",
           cmib, mbsRaw, mbsStack, 100.0 * (1.0 - mbsStack / mbsRaw));
    return 0;
}
