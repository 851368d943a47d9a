/*
 * jtshift.cpp - shift transactions of the JTAG protocol.
 */
#include "jtshift.h"

#include <string.h>

namespace jtshift {

namespace {

enum : uint8_t { aptJtag = 2 };

void PutU32(uint8_t *pb, uint32_t dw)
{
    for (int i = 0; i < 4; i++)
        pb[i] = uint8_t(dw >> (8 * i));
}

} // namespace

uint32_t CbOut(JSH jsh, uint32_t cclk)
{
    switch (jsh) {
    case jshTdi:
        return uint32_t((uint64_t(cclk) + 7) / 8);
    case jshPairs:
        return uint32_t((uint64_t(cclk) + 3) / 4);
    default:
        return 0;
    }
}

void BuildChunk(const JSHIFT &js, uint32_t iclk, uint32_t cclk, TFP *ptfp)
{
    memset(ptfp, 0, sizeof(*ptfp));
    bool fTdo = js.jsh == jshTdo || js.pbTdo != nullptr;
    uint8_t *pb = ptfp->rgbCmd;
    pb[1] = aptJtag;
    pb[2] = js.jsh;
    pb[3] = 0;
    switch (js.jsh) {
    case jshTdi:                /* capture, TMS, u32 bits */
        pb[0] = 9;
        pb[4] = fTdo ? 1 : 0;
        pb[5] = js.fTms ? 1 : 0;
        PutU32(pb + 6, cclk);
        break;
    case jshTdo:                /* TMS, TDI, u32 bits */
        pb[0] = 9;
        pb[4] = js.fTms ? 1 : 0;
        pb[5] = js.fTdi ? 1 : 0;
        PutU32(pb + 6, cclk);
        break;
    case jshPairs:              /* capture, u32 pairs */
        pb[0] = 8;
        pb[4] = fTdo ? 1 : 0;
        PutU32(pb + 5, cclk);
        break;
    }
    uint32_t cbOut = CbOut(js.jsh, cclk);
    if (cbOut != 0) {
        ptfp->cbSnd = cbOut;
        /* The runtime only reads the data it sends. */
        ptfp->pbSnd = const_cast<uint8_t *>(js.pbOut) + CbOut(js.jsh, iclk);
    }
    if (fTdo) {
        ptfp->cbRcv = CbTdo(cclk);
        ptfp->pbRcv = js.pbTdo + iclk / 8;
    }
    uint8_t *pbDone = ptfp->rgbCmdDone;
    pbDone[0] = 3;
    pbDone[1] = aptJtag;
    pbDone[2] = uint8_t(js.jsh | 0x80);
    pbDone[3] = 0;
}

} // namespace jtshift
