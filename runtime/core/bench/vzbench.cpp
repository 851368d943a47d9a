/*
 * vzbench.cpp - cost of one transaction through DVT on the fake transport
 * beside a bare two-thread semaphore ping-pong measured in the same run.
 * A transaction is two hand-offs between the client and the transaction
 * thread (take, completion), plus the time-out thread's start and stop, so
 * the goal is at most twice one ping-pong round trip.
 */
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "vzcore.h"
#include "vzfake.h"
#include "yorl.h"

namespace {

const int cRound = 5000;

double UsMedian(std::vector<double> &vus)
{
    std::sort(vus.begin(), vus.end());
    return vus[vus.size() / 2];
}

double UsTransaction(DVT *pdvt)
{
    TFP tfp;
    memset(&tfp, 0, sizeof(tfp));
    SetCmd(&tfp, aptLoop, cmdEcho, {1, 2, 3, 4});
    uint8_t rgb[4];
    tfp.rplyCmd.crply = 1;
    tfp.rplyCmd.rgrply[0] = {4, rgb};
    std::vector<double> vus;
    for (int i = 0; i < cRound; i++) {
        auto t0 = std::chrono::steady_clock::now();
        if (!pdvt->FProcessTransaction(&tfp, 0))
            return -1;
        auto t1 = std::chrono::steady_clock::now();
        vus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    return UsMedian(vus);
}

double UsPingPong()
{
    ABSSEM *psemPing = pabsfact->InstABSSEM(), *psemPong = pabsfact->InstABSSEM();
    psemPing->Init();
    psemPong->Init();
    psemPing->Create(0, 0);
    psemPong->Create(0, 0);
    std::thread thd([&] {
        for (int i = 0; i < cRound; i++) {
            psemPing->Wait(tmsInfinite);
            psemPong->Release(1);
        }
    });
    std::vector<double> vus;
    for (int i = 0; i < cRound; i++) {
        auto t0 = std::chrono::steady_clock::now();
        psemPing->Release(1);
        psemPong->Wait(tmsInfinite);
        auto t1 = std::chrono::steady_clock::now();
        vus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    thd.join();
    for (ABSSEM *psem : {psemPing, psemPong}) {
        psem->Term();
        pabsfact->RlsABSSEM(psem);
    }
    return UsMedian(vus);
}

} // namespace

int main()
{
    if (PmagfakeStart("bench") == nullptr) {
        fprintf(stderr, "runtime did not start (error %d)\n", TvxGetLastError());
        return 1;
    }
    HIF hif = 0;
    DVT *pdvt = nullptr;
    if (!TvxOpen(&hif, "FAKE:dev0") || !TvxGetDvt(hif, &pdvt)) {
        fprintf(stderr, "open failed (error %d)\n", TvxGetLastError());
        return 1;
    }
    UsTransaction(pdvt);   /* warm-up */
    double usPing = UsPingPong();
    double usTrans = UsTransaction(pdvt);
    TvxClose(hif);
    VzTestStop();
    if (usTrans < 0) {
        fprintf(stderr, "transaction failed\n");
        return 1;
    }
    printf("rounds                      %d\n", cRound);
    printf("transaction median          %.1f us\n", usTrans);
    printf("semaphore ping-pong median  %.1f us\n", usPing);
    printf("ratio                       %.2f (goal <= 2)\n", usTrans / usPing);
    return 0;
}
