/*
 * yorl_bench.cpp - prints what the hot Yorl operations cost:
 *  - an uncontended named-mutex Lock/Unlock pair (ns per pair);
 *  - a semaphore ping-pong between two threads (ns per round trip).
 * Each figure is the median of several batches of about 200 ms each (the
 * count per batch is measured first, since the costs differ a thousandfold
 * between a native build and one under wine).
 *
 *     yorl_bench [batches]
 */
#include "yorl.h"

#include <algorithm>
#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

typedef std::chrono::steady_clock CLOCK;

const double nsBatch = 200e6;

/* Rounds per batch: enough for about nsBatch, from a first short run. */
int CRoundFor(double nsPerRound)
{
    double c = nsBatch / (nsPerRound > 1.0 ? nsPerRound : 1.0);
    return c < 100.0 ? 100 : c > 5e6 ? 5000000 : (int)c;
}

double NsMedian(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool FBenchNmtx(int cBatch, double *pns)
{
    ABSNMTX *pnmtx = pabsfact->InstABSNMTX();
    std::string szName = "/tmp/yorlbench-nmtx-" + std::to_string(pabsutil->GetIdProcess());
    if (pnmtx == NULL || !pnmtx->Create(szName.c_str(), false))
        return false;
    int cPair = 100;
    std::vector<double> vns;
    for (int iBatch = -1; iBatch < cBatch; iBatch++) {
        CLOCK::time_point t0 = CLOCK::now();
        for (int i = 0; i < cPair; i++) {
            pnmtx->Lock(tmsInfinite);
            pnmtx->Unlock();
        }
        double ns = std::chrono::duration<double, std::nano>(CLOCK::now() - t0).count() / cPair;
        if (iBatch < 0)
            cPair = CRoundFor(ns);   /* the first run only measures */
        else
            vns.push_back(ns);
    }
    pnmtx->Term();
    pabsfact->RlsABSNMTX(pnmtx);
    *pns = NsMedian(vns);
    return true;
}

struct PINGPONG {
    ABSSEM *psemPing;
    ABSSEM *psemPong;
    int cRound;
};

uint32_t PongThread(void *pv)
{
    PINGPONG *ppp = (PINGPONG *)pv;
    for (int i = 0; i < ppp->cRound; i++) {
        ppp->psemPing->Wait(tmsInfinite);
        ppp->psemPong->Release(1);
    }
    return 0;
}

bool FBenchSem(int cBatch, double *pns)
{
    int cRound = 100;
    std::vector<double> vns;
    for (int iBatch = -1; iBatch < cBatch; iBatch++) {
        PINGPONG pp = {pabsfact->InstABSSEM(), pabsfact->InstABSSEM(), cRound};
        ABSTHD *pthd = pabsfact->InstABSTHD();
        if (pp.psemPing == NULL || pp.psemPong == NULL || pthd == NULL || !pp.psemPing->Create(0, 0) ||
            !pp.psemPong->Create(0, 0) || !pthd->Init() || !pthd->Create(PongThread, &pp, 0))
            return false;
        CLOCK::time_point t0 = CLOCK::now();
        for (int i = 0; i < cRound; i++) {
            pp.psemPing->Release(1);
            pp.psemPong->Wait(tmsInfinite);
        }
        double ns = std::chrono::duration<double, std::nano>(CLOCK::now() - t0).count() / cRound;
        pthd->WaitExit();
        pthd->Term();
        pabsfact->RlsABSTHD(pthd);
        pabsfact->RlsABSSEM(pp.psemPing);
        pabsfact->RlsABSSEM(pp.psemPong);
        if (iBatch < 0)
            cRound = CRoundFor(ns);
        else
            vns.push_back(ns);
    }
    *pns = NsMedian(vns);
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    int cBatch = argc > 1 ? atoi(argv[1]) : 9;
    if (cBatch < 1)
        cBatch = 1;
    if (pabsfact == NULL || pabsutil == NULL) {
        fprintf(stderr, "yorl_bench: the Yorl library did not set itself up\n");
        return 1;
    }
    double ns;
    if (!FBenchNmtx(cBatch, &ns)) {
        fprintf(stderr, "yorl_bench: named mutex failed, error %u\n", pabsutil->GetLastErc());
        return 1;
    }
    printf("named mutex lock+unlock, uncontended: %10.1f ns per pair (median of %d)\n", ns, cBatch);
    if (!FBenchSem(cBatch, &ns)) {
        fprintf(stderr, "yorl_bench: semaphore failed, error %u\n", pabsutil->GetLastErc());
        return 1;
    }
    printf("semaphore ping-pong, two threads:     %10.1f ns per round trip (median of %d)\n", ns, cBatch);
    return 0;
}
