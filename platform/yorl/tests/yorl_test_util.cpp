/* yorl_test_util.cpp - helpers shared by the Yorl test programs. */
#include "yorl_test_util.h"
#include "kor_child.h"

#include <stdlib.h>

void YorlTestNamespace()
{
    const char *sz = getenv("YORL_NAMESPACE");
    if (sz != nullptr && *sz != '\0')
        return;
    std::string szNs = "yorltest-" + std::to_string(pabsutil->GetIdProcess());
    KorSetEnv("YORL_NAMESPACE", szNs.c_str());
}

std::string SzYorlTestName(const char *szTag)
{
    static std::atomic<int> iName(0);
    return std::string("/tmp/yorltest-") + szTag + "-" + std::to_string(pabsutil->GetIdProcess()) + "-" +
           std::to_string(iName++);
}

SYNCSEG::SYNCSEG(const std::string &szName) : pshm(nullptr), prgw(nullptr)
{
    static_assert(sizeof(std::atomic<uint32_t>) == 4, "shared words are plain 32-bit words");
    pshm = pabsfact->InstABSSHM();
    void *pv = nullptr;
    if (pshm != nullptr && pshm->Init() && pshm->Create(szName.c_str(), &pv, 64))
        prgw = (std::atomic<uint32_t> *)pv;
}

SYNCSEG::~SYNCSEG()
{
    if (pshm != nullptr) {
        pshm->Term();
        pabsfact->RlsABSSHM(pshm);
    }
}

bool SYNCSEG::FWaitFor(int i, uint32_t w, uint32_t tms)
{
    for (uint32_t tmsGone = 0; tmsGone < tms; tmsGone += 2) {
        if (prgw[i].load() == w)
            return true;
        KorSleepMs(2);
    }
    return prgw[i].load() == w;
}

UPNMTX PnmtxOpen(const std::string &szName, bool fOwned, bool f2)
{
    ABSNMTX *pnmtx = f2 ? pabsfact->InstABSNMTX2() : pabsfact->InstABSNMTX();
    if (pnmtx == nullptr)
        return UPNMTX();
    pnmtx->Create(szName.c_str(), fOwned);
    return UPNMTX(pnmtx);
}
