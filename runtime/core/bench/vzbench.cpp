/*
 * vzbench.cpp - cost of one transaction through DVT on the fake transport
 * beside two-thread semaphore ping-pongs, measured in interleaved batches:
 * over the platform's bare semaphore and over the runtime's own.
 * A transaction is two hand-offs between the client and the transaction
 * thread (take, completion), plus the time-out thread's start and stop, so
 * the goal is at most twice one ping-pong round trip.
 */
#include <stdio.h>
#include <string.h>
#if defined(_WIN32)
#  include <windows.h>
#else
#  include <semaphore.h>
#endif

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "vzcore.h"
#include "vzfake.h"
#include "yorl.h"

namespace {

const int cBatch = 20;          /* batches of each measurement, interleaved */
const int cRoundBatch = 500;    /* rounds per batch */

double UsMedian(std::vector<double> &vus)
{
    std::sort(vus.begin(), vus.end());
    return vus[vus.size() / 2];
}

double UsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
}

bool FTransactions(DVT *pdvt, int cround, std::vector<double> *pvus)
{
    TFP tfp;
    memset(&tfp, 0, sizeof(tfp));
    SetCmd(&tfp, aptLoop, cmdEcho, {1, 2, 3, 4});
    uint8_t rgb[4];
    tfp.rplyCmd.crply = 1;
    tfp.rplyCmd.rgrply[0] = {4, rgb};
    for (int i = 0; i < cround; i++) {
        auto t0 = std::chrono::steady_clock::now();
        if (!pdvt->FProcessTransaction(&tfp, 0))
            return false;
        pvus->push_back(UsSince(t0));
    }
    return true;
}

/* A two-thread ping-pong over a pair of semaphores of type SEM (Post, Wait). */
template <class SEM> void PingPong(int cround, std::vector<double> *pvus)
{
    SEM semPing, semPong;
    std::thread thd([&] {
        for (int i = 0; i < cround; i++) {
            semPing.Wait();
            semPong.Post();
        }
    });
    for (int i = 0; i < cround; i++) {
        auto t0 = std::chrono::steady_clock::now();
        semPing.Post();
        semPong.Wait();
        pvus->push_back(UsSince(t0));
    }
    thd.join();
}

/* The platform's own semaphore, bare. */
#if defined(_WIN32)
struct BARESEM {
    HANDLE h = CreateSemaphoreA(NULL, 0, 0x7FFFFFFF, NULL);
    ~BARESEM() { CloseHandle(h); }
    void Post() { ReleaseSemaphore(h, 1, NULL); }
    void Wait() { WaitForSingleObject(h, INFINITE); }
};
const char szBare[] = "Win32 semaphore";
#else
struct BARESEM {
    sem_t sem;
    BARESEM() { sem_init(&sem, 0, 0); }
    ~BARESEM() { sem_destroy(&sem); }
    void Post() { sem_post(&sem); }
    void Wait()
    {
        while (sem_wait(&sem) != 0) {
        }
    }
};
const char szBare[] = "POSIX semaphore";
#endif

/* The runtime's semaphore (the OS-abstraction library's ABSSEM). */
struct ABSSEMPP {
    ABSSEM *psem = pabsfact->InstABSSEM();
    ABSSEMPP()
    {
        psem->Init();
        psem->Create(0, 0);
    }
    ~ABSSEMPP()
    {
        psem->Term();
        pabsfact->RlsABSSEM(psem);
    }
    void Post() { psem->Release(1); }
    void Wait() { psem->Wait(tmsInfinite); }
};

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
    std::vector<double> vusWarm, vusTrans, vusBare, vusAbs;
    bool fOk = FTransactions(pdvt, cRoundBatch, &vusWarm);
    for (int ibatch = 0; ibatch < cBatch && fOk; ibatch++) {
        fOk = FTransactions(pdvt, cRoundBatch, &vusTrans);
        PingPong<BARESEM>(cRoundBatch, &vusBare);
        PingPong<ABSSEMPP>(cRoundBatch, &vusAbs);
    }
    TvxClose(hif);
    VzTestStop();
    if (!fOk) {
        fprintf(stderr, "transaction failed\n");
        return 1;
    }
    double usTrans = UsMedian(vusTrans), usBare = UsMedian(vusBare), usAbs = UsMedian(vusAbs);
    printf("%d batches of %d rounds each, interleaved; medians\n", cBatch, cRoundBatch);
    printf("transaction                      %8.1f us\n", usTrans);
    printf("%-15s ping-pong        %8.1f us\n", szBare, usBare);
    printf("runtime semaphore ping-pong      %8.1f us\n", usAbs);
    printf("transaction / bare ping-pong     %8.2f (goal <= 2)\n", usTrans / usBare);
    printf("runtime / bare semaphore         %8.2f\n", usAbs / usBare);
    return 0;
}
