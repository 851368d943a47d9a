/*
 * tarv.cpp - release of the JTAG port of an interface handle (JTAG
 * protocol 2, port 0).
 */
#include "tarv.h"

#include "xact.h"

using namespace xact;
using boardproto::cmdDisablePort;

extern "C" TARVAPI int TARVCALL TarvDisable(HIF hif)
{
    DVT *pdvt = PdvtOf(hif);
    if (pdvt == nullptr)
        return 0;
    /* The handle's own enabled JTAG port gives back the lock it was enabled with. */
    int32_t prt = pdvt->AptActive() == aptJtag ? pdvt->PrtActive() : prtNone;
    if (prt == prtNone && !FLockCap(hif, dcapJtag, aptJtag, prtNone))
        return 0;
    int fOk = FRunCmd(hif, aptJtag, cmdDisablePort, nullptr, 0, nullptr, 0);
    /* A port that nobody enabled is released already. */
    if (!fOk && TvxGetLastError() == ercCapabilityNotEnabled)
        fOk = 1;
    int erc = fOk ? ercNoErc : ErcLast();
    FUnlockCap(hif, dcapJtag, aptJtag, prt);
    if (!fOk) {
        TvxSetLastErrorNoLog(erc);
        return 0;
    }
    return 1;
}
