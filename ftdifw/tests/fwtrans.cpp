/*
 * fwtrans.cpp - transactions on the runtime's DVT for the firmware library tests.
 */
#include "fwtrans.h"

#include <string.h>

#include "dvt.h"
#include "tvxutil.h"

bool FStart(HIF hif, TRANS &tr)
{
    DVT *pdvt = nullptr;
    if (!TvxGetDvt(hif, &pdvt))
        return false;
    TFP *ptfp = pdvt->GetPtfp();
    memset(ptfp, 0, sizeof(*ptfp));
    ptfp->rgbCmd[0] = uint8_t(tr.rgbCmd.size());
    memcpy(ptfp->rgbCmd + 1, tr.rgbCmd.data(), tr.rgbCmd.size());
    if (tr.cbRet) {
        ptfp->rplyCmd.crply = 1;
        ptfp->rplyCmd.rgrply[0].cb = tr.cbRet;
        ptfp->rplyCmd.rgrply[0].pb = tr.rgbRet;
    }
    ptfp->cbSnd = tr.cbSnd;
    ptfp->pbSnd = const_cast<uint8_t *>(tr.pbSnd);
    ptfp->cbRcv = tr.cbRcv;
    ptfp->pbRcv = tr.pbRcv;
    if (tr.cmdDone) {
        ptfp->rgbCmdDone[0] = 3;
        ptfp->rgbCmdDone[1] = tr.rgbCmd[0];
        ptfp->rgbCmdDone[2] = tr.cmdDone;
        ptfp->rgbCmdDone[3] = tr.rgbCmd.size() > 2 ? tr.rgbCmd[2] : 0;
    }
    return pdvt->FDoTrans(nullptr);
}

int ErcRun(HIF hif, TRANS &tr)
{
    if (!FStart(hif, tr))
        return -1;
    if (TvxGetTransResult(hif, &tr.cbOut, &tr.cbIn, 30000))
        return 0;
    return TvxGetLastError();
}

BYTES RgbLe(std::initializer_list<uint32_t> rgdw)
{
    BYTES rgb;
    for (uint32_t dw : rgdw)
        for (int ib = 0; ib < 4; ib++)
            rgb.push_back(uint8_t(dw >> (8 * ib)));
    return rgb;
}

uint32_t DwAt(const uint8_t *pb) { return pb[0] | pb[1] << 8 | pb[2] << 16 | uint32_t(pb[3]) << 24; }

BYTES RgbPattern(size_t cb, uint32_t seed)
{
    BYTES rgb(cb);
    for (size_t ib = 0; ib < cb; ib++) {
        seed = seed * 1103515245u + 12345u;
        rgb[ib] = uint8_t(seed >> 16);
    }
    return rgb;
}
