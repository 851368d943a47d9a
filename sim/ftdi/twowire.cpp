// twowire.cpp - the two-wire JTAG target.

#include "twowire.h"
#include "../model/chain.h"

namespace sim {

namespace {

struct KINDNAME {
    const char *sz;
    int kind;
    unsigned cslotHost;
};

} // namespace

bool TWOWIRE::FConfigure(const std::string &szKind, unsigned d, unsigned cwait, unsigned ctail, std::string &szErr)
{
    static const KINDNAME rgkn[] = {
        { "ready5", kReady5, 2 }, { "run2", kRun2, 2 }, { "run1", kRun1, 1 }, { "oscan", kOscan, 2 },
        { "ntdi-tdo", kNtdiTdo, 1 }, { "ntdi-x-tdo", kNtdiXTdo, 1 }, { "tms", kTms, 1 }, { "ntdi", kNtdi, 1 },
        { "pairs", kPairs, 2 },
    };
    for (const KINDNAME &kn : rgkn) {
        if (szKind != kn.sz)
            continue;
        if (d < 1 || d > 4 || ctail > 1024) {
            szErr = "ready bits 1-4, tail slots up to 1024";
            return false;
        }
        kind = KIND(kn.kind);
        cbitReady = d;
        cwaitReady = cwait;
        cslotTail = ctail;
        phase = phHost;
        szHost.clear();
        szTail.clear();
        rgfAnswer.clear();
        ians = 0;
        fOn = true;
        return true;
    }
    szErr = "unknown frame: " + szKind;
    return false;
}

void TWOWIRE::StartAnswer(CHAIN &chain)
{
    bool fNtdi = false, fTms = false, fTdi = false;
    switch (kind) {
    case kTms: fTms = szHost[0] == '1'; break;
    case kRun1: case kNtdiTdo: case kNtdiXTdo: case kNtdi: fNtdi = szHost[0] == '1'; fTdi = !fNtdi; break;
    default:
        fNtdi = szHost[0] == '1';
        fTdi = !fNtdi;
        fTms = szHost[1] == '1';
        break;
    }
    bool fTdo = chain.FClock(fTms, fTdi);
    unsigned d = cbitReady, w = cwaitReady;
    rgfAnswer.clear();
    auto put = [&](bool f, unsigned c) { rgfAnswer.insert(rgfAnswer.end(), c, f); };
    switch (kind) {
    case kReady5:
        if (w == cwaitNever) {
            /* never ready: far more slots than any poll limit reads */
            put(false, 1u << 20);
        } else if (w == 0) {
            put(false, 1);
            put(true, d);
            put(false, 1);
            put(fTdo, 1);
        } else {
            put(false, d + 2);
            put(w == 1, 1);
            for (unsigned ipoll = 1; ipoll < w; ipoll++) {
                put(false, d);
                put(ipoll == w - 1, 1);
            }
            put(true, d - 1);
            put(false, 1);
            put(fTdo, 1);
        }
        break;
    case kRun2:
    case kRun1:
        put(false, w == cwaitNever ? 1u << 20 : w);
        put(true, d);
        put(fTdo, 1);
        break;
    case kOscan:
    case kNtdiTdo: put(fTdo, 1); break;
    case kNtdiXTdo:
        put(!fTdo, 1);
        put(fTdo, 1);
        break;
    default: break;
    }
    ians = 0;
    phase = phAnswer;
}

void TWOWIRE::EndFrame()
{
    szHostLast = szHost;
    szTailLast = szTail;
    szHost.clear();
    szTail.clear();
    phase = phHost;
    cframe++;
}

bool TWOWIRE::FClock(CHAIN &chain, bool fData)
{
    unsigned cslotHost = kind == kReady5 || kind == kRun2 || kind == kOscan || kind == kPairs ? 2 : 1;
    switch (phase) {
    case phHost:
        szHost += fData ? '1' : '0';
        if (szHost.size() == cslotHost)
            StartAnswer(chain);
        break;
    case phAnswer:
        ians++;
        break;
    case phTail:
        szTail += fData ? '1' : '0';
        break;
    }
    if (phase == phAnswer && ians >= rgfAnswer.size())
        phase = phTail;
    if (phase == phTail && szTail.size() >= cslotTail)
        EndFrame();
    return FTdo();
}

bool TWOWIRE::FTdo() const
{
    return phase == phAnswer && ians < rgfAnswer.size() ? rgfAnswer[ians] : true;
}

} // namespace sim
