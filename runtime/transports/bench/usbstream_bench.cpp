/*
 * usbstream_bench.cpp - stream transfers through the runtime and the USB
 * transport to a simulated board's stream port (loopback: every transfer
 * sends its bytes and receives them back in the same transaction): the time
 * of one transfer from 1 KiB up (goal: 1 KiB under 2 ms) and the throughput
 * of large ones.
 *
 *   sh tests/support/simwine.sh <tree>/bin/korsim platform/vesk/tests/clisim.cfg bench \
 *       <tree>/bin/usbstream_bench
 */
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "dvt.h"
#include "voziri.h"

namespace {

using CLOCK = std::chrono::steady_clock;

const char szBoard[] = "SN:210183000021";     /* clisim.cfg: cli1, one stream port */
const uint32_t dcapStream = 0x800;
const uint8_t aptStream = 11;

double MsSince(CLOCK::time_point t) { return std::chrono::duration<double, std::milli>(CLOCK::now() - t).count(); }

bool FRun(HIF hif, DVT *pdvt, const uint8_t *rgbCmd, const uint8_t *rgbDone, const uint8_t *pbOut, uint8_t *pbIn,
          uint32_t cb)
{
    TFP *ptfp = pdvt->GetPtfp();
    memset(ptfp, 0, sizeof(*ptfp));
    memcpy(ptfp->rgbCmd, rgbCmd, rgbCmd[0] + 1u);
    if (rgbDone != nullptr)
        memcpy(ptfp->rgbCmdDone, rgbDone, rgbDone[0] + 1u);
    ptfp->cbSnd = cb;
    ptfp->pbSnd = const_cast<uint8_t *>(pbOut);
    ptfp->cbRcv = cb;
    ptfp->pbRcv = pbIn;
    uint32_t cbOut = 0, cbIn = 0;
    return pdvt->FDoTrans(nullptr) && TvxGetTransResult(hif, &cbOut, &cbIn, 60000) && cbOut == cb && cbIn == cb;
}

/* One loopback transfer of cb bytes; its time in ms (negative: failed). */
double MsTransfer(HIF hif, DVT *pdvt, const std::vector<uint8_t> &rgbOut, std::vector<uint8_t> &rgbIn, uint32_t cb)
{
    const uint8_t rgbXfer[] = {11, aptStream, 3, 0, uint8_t(cb), uint8_t(cb >> 8), uint8_t(cb >> 16), uint8_t(cb >> 24),
                               uint8_t(cb), uint8_t(cb >> 8), uint8_t(cb >> 16), uint8_t(cb >> 24)};
    const uint8_t rgbDone[] = {3, aptStream, 0x83, 0};
    auto t = CLOCK::now();
    if (!FRun(hif, pdvt, rgbXfer, rgbDone, rgbOut.data(), rgbIn.data(), cb))
        return -1;
    double ms = MsSince(t);
    return memcmp(rgbOut.data(), rgbIn.data(), cb) == 0 ? ms : -1;
}

} // namespace

int main()
{
    HIF hif = hifNil;
    DVT *pdvt = nullptr;
    TvxSetFsadm(4);
    if (!TvxOpen(&hif, szBoard) || !TvxGetDvt(hif, &pdvt) || !pdvt->FEnableApt(dcapStream, aptStream, 0)) {
        fprintf(stderr, "stream port of %s: error %d\n", szBoard, TvxGetLastError());
        return 1;
    }
    const uint8_t rgbEnable[] = {3, aptStream, 0, 0};
    if (!FRun(hif, pdvt, rgbEnable, nullptr, nullptr, nullptr, 0)) {
        fprintf(stderr, "enable: error %d\n", TvxGetLastError());
        return 1;
    }
    const uint32_t cbMax = 16u << 20;
    std::vector<uint8_t> rgbOut(cbMax), rgbIn(cbMax);
    for (uint32_t ib = 0; ib < cbMax; ib++)
        rgbOut[ib] = uint8_t(ib * 13 + (ib >> 11));
    struct SIZE {
        uint32_t cb;
        int crun;
    };
    const SIZE rgsize[] = {{1024, 200}, {4096, 100}, {65536, 50}, {1u << 20, 10}, {cbMax, 3}};
    printf("stream transfers out and back through the runtime and the USB transport, medians\n");
    printf("%10s %6s %12s %12s\n", "bytes", "runs", "ms each", "MiB/s");
    int rc = 0;
    double ms1k = 0;
    for (const SIZE &size : rgsize) {
        std::vector<double> rgms;
        for (int irun = 0; irun < size.crun; irun++) {
            double ms = MsTransfer(hif, pdvt, rgbOut, rgbIn, size.cb);
            if (ms < 0) {
                fprintf(stderr, "transfer of %u bytes failed: error %d\n", size.cb, TvxGetLastError());
                rc = 1;
                break;
            }
            rgms.push_back(ms);
        }
        if (rgms.empty())
            break;
        std::sort(rgms.begin(), rgms.end());
        double ms = rgms[rgms.size() / 2];
        if (size.cb == 1024)
            ms1k = ms;
        /* bytes moved each way */
        printf("%10u %6d %12.3f %12.1f\n", size.cb, size.crun, ms, size.cb / 1048576.0 / (ms / 1000));
    }
    printf("1 KiB transfer: %.3f ms (goal < 2 ms)\n", ms1k);
    const uint8_t rgbDisable[] = {3, aptStream, 1, 0};
    FRun(hif, pdvt, rgbDisable, nullptr, nullptr, nullptr, 0);
    pdvt->FDisableApt(dcapStream, aptStream, 0);
    TvxClose(hif);
    return rc;
}
