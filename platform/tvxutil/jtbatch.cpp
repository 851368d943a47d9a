/*
 * jtbatch.cpp - the batch transaction of a port's queued shifts.
 */
#include "jtbatch.h"

#include <string.h>

namespace jtshift {

namespace {

enum : uint8_t {
    aptJtag = 2,
    opTdiShift = 5,
    opTdiShiftRead = 6,
};

enum : uint32_t { cbOpHeader = 6 };    /* operation byte, u32 clocks, u8 TMS of the last clock */

void PutU32(uint8_t *pb, uint32_t dw)
{
    for (int i = 0; i < 4; i++)
        pb[i] = uint8_t(dw >> (8 * i));
}

uint32_t Cb(uint32_t cbit)
{
    return uint32_t((uint64_t(cbit) + 7) / 8);
}

/* cbit bits of pbSrc from bit ibitSrc on, to pbDst from bit 0 on (whole bytes). */
void CopyBits(uint8_t *pbDst, const uint8_t *pbSrc, uint32_t ibitSrc, uint32_t cbit)
{
    const uint8_t *pb = pbSrc + ibitSrc / 8;
    uint32_t cb = Cb(cbit);
    unsigned sh = ibitSrc % 8;
    if (sh == 0) {
        memcpy(pbDst, pb, cb);
        return;
    }
    /* the last source byte that holds one of the bits */
    uint32_t ibLast = (sh + cbit - 1) / 8;
    for (uint32_t ib = 0; ib < cb; ib++) {
        unsigned b = pb[ib] >> sh;
        if (ib + 1 <= ibLast)
            b |= unsigned(pb[ib + 1]) << (8 - sh);
        pbDst[ib] = uint8_t(b);
    }
}

} // namespace

uint32_t JTBATCH::CbOpsMax(const JSHIFT &js, uint32_t cclk)
{
    if (js.jsh == jshPairs)
        return cclk * (cbOpHeader + 1);
    /* a first clock alone, then the rest */
    return 2 * cbOpHeader + 1 + Cb(cclk);
}

void JTBATCH::AddOp(bool fTms, const uint8_t *pbSrc, uint32_t ibitSrc, bool fTdi, uint32_t cbit, uint8_t *pbDst,
                    uint32_t ibitDst)
{
    size_t ib = rgbOps.size();
    uint32_t cb = Cb(cbit);
    rgbOps.resize(ib + cbOpHeader + cb);
    uint8_t *pb = &rgbOps[ib];
    pb[0] = pbDst != nullptr ? opTdiShiftRead : opTdiShift;
    PutU32(pb + 1, cbit);
    pb[5] = fTms ? 1 : 0;
    if (pbSrc == nullptr)
        memset(pb + cbOpHeader, fTdi ? 0xFF : 0x00, cb);
    else
        CopyBits(pb + cbOpHeader, pbSrc, ibitSrc, cbit);
    if (pbDst != nullptr) {
        rgcapture.push_back(CAPTURE{pbDst, ibitDst, cbit, uint32_t(rgbTdo.size())});
        rgbTdo.resize(rgbTdo.size() + cb);
    }
    tmsPort = fTms ? 1 : 0;
}

void JTBATCH::AddRun(bool fTms, const uint8_t *pbSrc, uint32_t ibitSrc, bool fTdi, uint32_t cbit, uint8_t *pbDst,
                     uint32_t ibitDst)
{
    if (cbit == 0)
        return;
    if (tmsPort != (fTms ? 1 : 0)) {
        /* one clock alone takes TMS to the run's level */
        AddOp(fTms, pbSrc, ibitSrc, fTdi, 1, pbDst, ibitDst);
        ibitSrc++;
        ibitDst++;
        cbit--;
    }
    if (cbit != 0)
        AddOp(fTms, pbSrc, ibitSrc, fTdi, cbit, pbDst, ibitDst);
}

void JTBATCH::AddPairs(const JSHIFT &js, uint32_t iclk, uint32_t cclk)
{
    auto fTmsAt = [&](uint32_t k) { return ((js.pbOut[k / 4] >> (2 * (k % 4) + 1)) & 1) != 0; };
    for (uint32_t k = iclk; k < iclk + cclk;) {
        bool fTms = fTmsAt(k);
        uint32_t kEnd = k + 1;
        while (kEnd < iclk + cclk && fTmsAt(kEnd) == fTms)
            kEnd++;
        rgbTdi.assign(Cb(kEnd - k), 0);
        for (uint32_t j = k; j < kEnd; j++)
            rgbTdi[(j - k) / 8] |= uint8_t(((js.pbOut[j / 4] >> (2 * (j % 4))) & 1) << ((j - k) % 8));
        AddRun(fTms, rgbTdi.data(), 0, false, kEnd - k, js.pbTdo, k);
        k = kEnd;
    }
}

void JTBATCH::AddShift(const JSHIFT &js, uint32_t iclk, uint32_t cclk)
{
    switch (js.jsh) {
    case jshTdi:
        AddRun(js.fTms, js.pbOut, iclk, false, cclk, js.pbTdo, iclk);
        break;
    case jshTdo:
        AddRun(js.fTms, nullptr, 0, js.fTdi, cclk, js.pbTdo, iclk);
        break;
    case jshPairs:
        AddPairs(js, iclk, cclk);
        break;
    }
}

void JTBATCH::BuildTfp(TFP *ptfp)
{
    memset(ptfp, 0, sizeof(*ptfp));
    uint8_t *pb = ptfp->rgbCmd;
    pb[0] = 11;
    pb[1] = aptJtag;
    pb[2] = jcmdBatch;
    pb[3] = 0;
    PutU32(pb + 4, CbOps());
    PutU32(pb + 8, CbTdo());
    ptfp->cbSnd = CbOps();
    ptfp->pbSnd = rgbOps.data();
    if (!rgbTdo.empty()) {
        ptfp->cbRcv = CbTdo();
        ptfp->pbRcv = rgbTdo.data();
    }
    uint8_t *pbDone = ptfp->rgbCmdDone;
    pbDone[0] = 3;
    pbDone[1] = aptJtag;
    pbDone[2] = uint8_t(jcmdBatch | 0x80);
    pbDone[3] = 0;
}

void JTBATCH::ScatterTdo() const
{
    /*
     * The captures of one call follow each other bit by bit from a byte
     * boundary on: a byte is cleared when its bit 0 is written, so the bits
     * above the call's last one read 0, as a capture in whole bytes leaves
     * them, and the bytes after it stay the caller's.
     */
    for (const CAPTURE &cap : rgcapture) {
        const uint8_t *pbSrc = &rgbTdo[cap.ibTdo];
        uint32_t k = 0;
        if (cap.ibitDst % 8 == 0 && cap.cbit >= 8) {
            uint32_t cbWhole = cap.cbit / 8;
            memcpy(cap.pbDst + cap.ibitDst / 8, pbSrc, cbWhole);
            k = 8 * cbWhole;
        }
        for (; k < cap.cbit; k++) {
            uint32_t ibit = cap.ibitDst + k;
            uint8_t &b = cap.pbDst[ibit / 8];
            if (ibit % 8 == 0)
                b = 0;
            if ((pbSrc[k / 8] >> (k % 8)) & 1)
                b = uint8_t(b | (1u << (ibit % 8)));
        }
    }
}

void JTBATCH::Sent()
{
    rgbOps.clear();
    rgbTdo.clear();
    rgcapture.clear();
}

void JTBATCH::Clear()
{
    Sent();
    tmsPort = -1;
}

} // namespace jtshift
