/*
 * tfp.cpp - the record check and the status-packet parser.
 */
#include <string.h>

#include "dvt.h"
#include "tfp.h"

int FCheckTfp(const TFP *ptfp)
{
    if (ptfp->rgbCmd[0] > cbPktLenMax || ptfp->rgbCmdDone[0] > cbPktLenMax)
        return 0;
    if (ptfp->rplyCmd.crply > crplyMax || ptfp->rplyCmdDone.crply > crplyMax)
        return 0;
    if (ptfp->cbRcv != 0 && ptfp->pbRcv == nullptr)
        return 0;
    if (ptfp->cbSnd != 0 && ptfp->pbSnd == nullptr)
        return 0;
    return 1;
}

/*
 * The length checks come before the code: a packet that announces counts
 * it does not carry reports 3077 whatever its code. The counts replace what
 * the data phase reported.
 */
int DVT::FProcessSts(const uint8_t *pbSts, uint32_t cbSts, TFPRPLY *prply)
{
    if (pbSts == nullptr || cbSts < 2 || cbSts != (uint32_t)pbSts[0] + 1) {
        ercTrans = ercStsReceiveFailed;
        return 0;
    }
    uint8_t bSts = pbSts[1];
    int sts = bSts & mskStsCode;
    int crply = prply ? (prply->crply < crplyMax ? (int)prply->crply : (int)crplyMax) : 0;
    uint64_t cbRequired = 2 + ((bSts & fstsCbOut) ? 4 : 0) + ((bSts & fstsCbIn) ? 4 : 0);
    if (sts != 0) {
        ercTrans = sts >= stsInternalMin ? ercInternalError : sts;
    } else {
        for (int irply = 0; irply < crply; irply++)
            cbRequired += prply->rgrply[irply].cb;
    }
    if (cbSts < cbRequired) {
        ercTrans = ercStsReceiveFailed;
        return 0;
    }
    uint32_t ib = 2;
    if (bSts & fstsCbOut) {
        cbDataOut = DwFromPbLe(pbSts + ib);
        ib += 4;
    }
    if (bSts & fstsCbIn) {
        cbDataIn = DwFromPbLe(pbSts + ib);
        ib += 4;
    }
    if (sts != 0)
        return 0;
    for (int irply = 0; irply < crply && ib < cbSts; irply++) {
        const RPLY &rply = prply->rgrply[irply];
        if (rply.pb)
            memcpy(rply.pb, pbSts + ib, rply.cb);
        ib += rply.cb;
    }
    return 1;
}
