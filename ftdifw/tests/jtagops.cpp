/*
 * jtagops.cpp - JTAG operations on the TAP model, as batch programs, and
 * their random generation.
 */
#include "jtagops.h"

#include <string.h>

namespace {

/* Operations 9 and 11 to 16: waits and pin-table operations, no clock for the chain. */
bool FPinTableOp(uint8_t op) { return op >= 9 && op <= 16 && op != opPairs; }

bool FBitOf(const BYTES &rgb, uint32_t ibit) { return (rgb[ibit / 8] >> (ibit % 8)) & 1; }

void PutBit(BYTES &rgb, size_t ibitBase, uint32_t ibit, bool f)
{
    size_t ib = (ibitBase + ibit) / 8;
    if (f)
        rgb[ib] |= uint8_t(1u << ((ibitBase + ibit) % 8));
}

void AppendDw(BYTES &rgb, uint32_t dw)
{
    for (int ib = 0; ib < 4; ib++)
        rgb.push_back(uint8_t(dw >> (8 * ib)));
}

/* The TMS and TDI of clock k of op, given the pins before it. */
void ClockLevels(const JOP &jop, const TAPMODEL &tap, uint32_t k, bool &fTms, bool &fTdi)
{
    fTms = tap.fTms;
    fTdi = tap.fTdi;
    switch (jop.op) {
    case 3: case 4: fTms = FBitOf(jop.rgbData, k); break;
    case 5: case 6: fTdi = FBitOf(jop.rgbData, k); break;
    case opPairs:
        fTdi = (jop.rgbData[k / 4] >> (2 * (k % 4))) & 1;
        fTms = (jop.rgbData[k / 4] >> (2 * (k % 4) + 1)) & 1;
        break;
    default: break;
    }
    if (jop.op >= 5 && jop.op <= 7 && k + 1 == jop.n)
        fTms = jop.fTms;
}

/* Whether running op from tap would ever load an instruction. */
bool FLeavesDr(const JOP &jop, TAPMODEL tap)
{
    if (jop.op == 1)
        return (jop.bPins & 1) && !tap.fTck && tap.FLeavesDr((jop.bPins & 4) != 0);
    if (jop.op == 2 || FPinTableOp(jop.op))
        return false;
    for (uint32_t k = 0; k < jop.n; k++) {
        bool fTms, fTdi;
        ClockLevels(jop, tap, k, fTms, fTdi);
        if (tap.FLeavesDr(fTms))
            return true;
        tap.FClock(fTms, fTdi);
    }
    return false;
}

} // namespace

uint32_t CbTdo(const JOP &jop)
{
    switch (jop.op) {
    case 2: return 1;
    case 4: case 6: case 7: return (jop.n + 7) / 8;
    case 11: case 13: case 15: return 4;    /* port 0 has no extra pins: all 0 */
    default: return 0;
    }
}

void ModelRun(TAPMODEL &tap, const JOP &jop, BYTES &rgbTdo)
{
    if (jop.op == 1) {
        bool fTms = jop.bPins & 4, fTdi = jop.bPins & 2, fTck = jop.bPins & 1;
        if (fTck && !tap.fTck)
            tap.FClock(fTms, fTdi);
        tap.fTms = fTms;
        tap.fTdi = fTdi;
        tap.fTck = fTck;
        return;
    }
    if (jop.op == 2) {
        rgbTdo.push_back(uint8_t(tap.fTms << 3 | tap.fTdi << 2 | tap.fTdo << 1 | tap.fTck));
        return;
    }
    if (FPinTableOp(jop.op)) {
        /* a wait (the target sees no clock) and the pin-table operations */
        rgbTdo.resize(rgbTdo.size() + CbTdo(jop), 0);
        return;
    }
    size_t ibitBase = rgbTdo.size() * 8;
    rgbTdo.resize(rgbTdo.size() + CbTdo(jop), 0);
    bool fCapture = CbTdo(jop) > 0;
    for (uint32_t k = 0; k < jop.n; k++) {
        bool fTms, fTdi;
        ClockLevels(jop, tap, k, fTms, fTdi);
        bool fTdo = tap.FClock(fTms, fTdi);
        tap.fTms = fTms;
        tap.fTdi = fTdi;
        if (fCapture)
            PutBit(rgbTdo, ibitBase, k, fTdo);
    }
}

void AppendBatch(const JOP &jop, BYTES &rgbOps)
{
    rgbOps.push_back(jop.op);
    switch (jop.op) {
    case 1: rgbOps.push_back(jop.bPins); return;
    case 2: case 11: case 13: case 15: return;
    case 9: case 12: case 14: AppendDw(rgbOps, jop.n); return;
    case 3: case 4: case 8: AppendDw(rgbOps, jop.n); break;
    default:
        AppendDw(rgbOps, jop.n);
        rgbOps.push_back(jop.fTms ? 1 : 0);
        break;
    }
    if (jop.op != 7 && jop.op != 8)
        rgbOps.insert(rgbOps.end(), jop.rgbData.begin(), jop.rgbData.end());
}

JOP JopTms(const char *szTms)
{
    JOP jop;
    jop.op = 3;
    jop.n = uint32_t(strlen(szTms));
    jop.rgbData.assign((jop.n + 7) / 8, 0);
    for (uint32_t k = 0; k < jop.n; k++)
        PutBit(jop.rgbData, 0, k, szTms[k] == '1');
    return jop;
}

JOP JopRandom(std::mt19937 &rng, const TAPMODEL &tap, uint8_t op, uint32_t n)
{
    auto rnd = [&](uint32_t c) { return uint32_t(rng() % c); };
    JOP jop;
    jop.op = op;
    jop.n = n;
    jop.fTms = rnd(2) != 0;
    if (op == 1)
        jop.bPins = uint8_t(rnd(4) << 1);
    if (op == 3 || op == 4 || op == opPairs) {
        /* TMS mostly 0 */
        jop.rgbData.assign(op == opPairs ? (n + 3) / 4 : (n + 7) / 8, 0);
        TAPMODEL tapWalk = tap;
        for (uint32_t k = 0; k < n; k++) {
            bool fTms = rnd(4) == 0 || tapWalk.tst == tstIrSelect, fTdi = rnd(2) != 0;
            if (op == opPairs) {
                jop.rgbData[k / 4] |= uint8_t(((fTdi ? 1 : 0) | (fTms ? 2 : 0)) << (2 * (k % 4)));
            } else {
                PutBit(jop.rgbData, 0, k, fTms);
                fTdi = tapWalk.fTdi;
            }
            tapWalk.FClock(fTms, fTdi);
        }
    } else if (op == 5 || op == 6) {
        jop.rgbData.resize((n + 7) / 8);
        for (uint8_t &b : jop.rgbData)
            b = uint8_t(rng());
    }
    return jop;
}

std::vector<JOP> RgjopRandom(std::mt19937 &rng, const TAPMODEL &tapStart, size_t cjop,
                             const std::vector<uint32_t> &rgcbitBig, bool fPairs, bool fPinOps)
{
    std::vector<JOP> rgjop;
    TAPMODEL tap = tapStart;
    BYTES rgbIgnore;
    auto rnd = [&](uint32_t c) { return uint32_t(rng() % c); };
    while (rgjop.size() < cjop) {
        uint8_t op = uint8_t(1 + rnd(fPairs ? 9 : 8));
        if (op == 9)
            op = opPairs;
        if (fPinOps && rnd(3) == 0) {
            /* a short wait or a pin-table operation */
            static const uint8_t rgopPin[] = { 9, 11, 12, 13, 14, 15 };
            JOP jop;
            jop.op = rgopPin[rnd(6)];
            jop.n = jop.op == 9 ? rnd(40) : uint32_t(rng());
            rgjop.push_back(jop);
            continue;
        }
        uint32_t n = rnd(4) == 0 && !rgcbitBig.empty() ? rgcbitBig[rnd(uint32_t(rgcbitBig.size()))] : rnd(41);
        if (op >= 5 && op <= 7 && n == 0)
            n = 1;
        JOP jop = JopRandom(rng, tap, op, n);
        if (op == 1 && rnd(2) != 0) {
            /* a whole clock made by hand: TCK up, then down */
            JOP jopUp = jop;
            jopUp.bPins |= 1;
            if (!FLeavesDr(jopUp, tap)) {
                ModelRun(tap, jopUp, rgbIgnore);
                rgjop.push_back(jopUp);
            }
        }
        if (FLeavesDr(jop, tap))
            jop = JopTms("1");
        ModelRun(tap, jop, rgbIgnore);
        rgjop.push_back(jop);
    }
    return rgjop;
}
