// SVF reader and player: any text is parsed; what parses is played on a
// port that accepts every call and reads TDO as a pattern.
#include <stddef.h>
#include <stdint.h>

#include <string.h>

#include "schain.h"
#include "svfplay.h"

namespace {

class NULLPORT : public JTPORT {
public:
    bool FOpen(HTVX *ph, const char *, uint32_t *perc) { *ph = (HTVX)this; *perc = 0; return true; }
    bool FEnable(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FDisable(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FClose(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FPutTmsTdiBits(HTVX, uint32_t cclk, const uint8_t *pb, bool fTdo, uint8_t *pbTdo, uint32_t *perc)
    {
        return FClock(cclk, pb, (cclk + 3) / 4, fTdo, pbTdo, perc);
    }
    bool FPutTdiBits(HTVX, uint32_t cbit, const uint8_t *pb, int, bool fTdo, uint8_t *pbTdo, uint32_t *perc)
    {
        return FClock(cbit, pb, (cbit + 7) / 8, fTdo, pbTdo, perc);
    }
    bool FGetTdoBits(HTVX, uint32_t cbit, int, int, uint8_t *pbTdo, uint32_t *perc)
    {
        return FClock(cbit, nullptr, 0, true, pbTdo, perc);
    }
    bool FWaitForTransaction(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FAbortConfigTransaction(HTVX, uint32_t *perc) { *perc = 0; return true; }
    bool FQueryConfigStatus(HTVX, uint8_t *pb, uint32_t *perc) { *pb = 0; *perc = 0; return false; }
    bool FClearConfigStatus(HTVX, uint32_t *perc) { *perc = 0; return true; }
    uint64_t cclkTotal = 0;

private:
    bool FClock(uint32_t cbit, const uint8_t *pb, size_t cb, bool fTdo, uint8_t *pbTdo, uint32_t *perc)
    {
        /* every byte the caller says it gives is read; the TDO buffer is written whole */
        volatile uint8_t bSum = 0;
        for (size_t ib = 0; pb != nullptr && ib < cb; ib++)
            bSum = (uint8_t)(bSum + pb[ib]);
        if (fTdo)
            memset(pbTdo, 0xA5, (cbit + 7) / 8);
        cclkTotal += cbit;
        *perc = 0;
        return true;
    }
};

void NoSleep(uint32_t) {}
uint8_t BRISELCALL GoOn(int32_t, int32_t) { return 1; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    std::vector<SVFCMD> rgcmd;
    int line = 0;
    std::string strErr;
    if (!FParseSvfText((const char *)pb, cb, rgcmd, &line, &strErr))
        return 0;
    /* keep a run short: nothing above a few million clocks */
    uint64_t cclk = 0;
    for (auto &cmd : rgcmd)
        cclk += cmd.svfk == svfkRunTest ? cmd.cclk : cmd.scan.cbit;
    if (cclk > (4u << 20))
        return 0;
    NULLPORT port;
    SCHAIN schain;
    schain.FInit();
    schain.pjtport = &port;
    schain.pfnSleepMs = NoSleep;
    STREP rep(GoOn);
    HTVX h = nullptr;
    uint32_t erc;
    port.FOpen(&h, "", &erc);
    FPlaySvfCmds(&schain, h, rgcmd, rep, &line);
    return 0;
}
