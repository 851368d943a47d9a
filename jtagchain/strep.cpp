#include "strep.h"

namespace {
uint8_t BRISELCALL DefaultStatus(int32_t, int32_t) { return 1; }
}

STREP::STREP(StatusCallback pfn)
    : pfnStatus(pfn ? pfn : DefaultStatus), fEnded(false), fFinished(false), stcEnd(stcFailed), lEnd(0)
{
}

STREP::~STREP()
{
    Finish();
}

bool STREP::FEndCode(int32_t stc)
{
    return stc == stcDone || stc == stcFailed || stc == stcStatusBad || stc == stcStatusGood ||
           stc == stcChainProgrammed;
}

bool STREP::FReport(int32_t stc, int32_t lValue)
{
    if (fFinished)
        return false;
    if (FEndCode(stc)) {
        if (!fEnded) {
            fEnded = true;
            stcEnd = stc;
            lEnd = lValue;
        }
        return true;
    }
    if (fEnded)
        return false;   /* nothing but the end report once the operation has ended */
    return pfnStatus(stc, lValue) != 0;
}

void STREP::Finish()
{
    if (fFinished)
        return;
    fFinished = true;
    pfnStatus(stcEnd, fEnded ? lEnd : 0);
}
