/*
 * fwjtag2w.cpp - the shift engines of the two-wire scan formats (5 to 13).
 *
 * Every JTAG bit becomes a frame of slots clocked by TCK. The host drives
 * its slots on the data line (TDI): the inverted TDI (nTDI) and, in most
 * formats, TMS in a slot of its own; the target answers in sampled slots on
 * TDO (read on the rising edge with 0x2A). Some host slots are clocked by
 * the MPSSE (0x1B); the TMS slot and the nTDI slot of the option-1 formats
 * are made by hand with pin writes, stretched by pad bytes (0x97).
 *
 * Frames:
 *   ready-poll (5, 6, 10): host slots, then ready bits read back at once and
 *     polled until the target is ready, then TDO;
 *   batched-read (7, 11 option 1, 12 option 1): host slots and one TDO slot
 *     (two in format 12), the answers of a whole step read at the end;
 *   write-only streams: TMS bits, nTDI bits, or nTDI/TMS pairs.
 * Each frame is followed by cclkTail tail clocks. A step handles as many
 * JTAG bits as its frame's budget lets into about one flush threshold.
 */
#include "fwjtag.h"

#if AMBREL_JTAG

namespace {

enum FRAME : uint8_t {
    frNone, frReady5, frReady6, frReady10, frBatch7, frBatch11, frBatch12, frTms, frNtdi, frPairs,
};

bool FAdd(JTAGIF &jt, std::initializer_list<uint8_t> rgb) { return FJtagAdd(jt, rgb); }

bool FBitOf(const uint8_t *pb, uint32_t ibit) { return (pb[ibit / 8] >> (ibit % 8)) & 1; }

/* The frame a shift command runs in the port's format and option. */
FRAME FrameFor(uint8_t scanFormat, uint32_t fOption, uint8_t cmd, bool fCapture)
{
    bool fTmsOnly = cmd == 11 && !fCapture;
    switch (scanFormat) {
    case 5: return frReady5;
    case 6: return frReady6;
    case 7: return frBatch7;
    case 8: return fOption ? frBatch7 : fTmsOnly ? frTms : frNone;
    case 9:
        if (!fOption)
            return fTmsOnly ? frTms : frNone;
        return cmd != 9 && !fCapture ? frPairs : frNone;
    case 10:
        if (!fOption)
            return frReady6;
        return cmd == 8 || cmd == 9 ? frReady10 : frNone;
    case 11:
        if (!fOption)
            return frBatch7;
        return cmd == 8 || cmd == 9 ? frBatch11 : frNone;
    case 12:
        if (!fOption)
            return fTmsOnly ? frTms : frNone;
        return cmd == 8 || cmd == 9 ? frBatch12 : frNone;
    case 13:
        if (!fOption)
            return fTmsOnly ? frTms : frNone;
        return cmd == 8 && !fCapture ? frNtdi : frNone;
    default: return frNone;
    }
}

/* Bytes of the tail clocks. */
uint32_t CbTail(uint32_t cclk) { return (cclk >= 8 ? 3 + cclk / 8 : 0) + (cclk % 8 != 0 ? 3 : 0); }

/* JTAG bits one step may take, by frame (T the flush threshold). */
uint32_t CbitBudget(const JTAGIF &jt, FRAME fr)
{
    uint32_t T = jt.mpsbuf.cbFlush, D = jt.cbitReady, P = jt.cpollReady, N = jt.cclkTail, B = CbTail(N);
    switch (fr) {
    case frReady5: return 8 * uint32_t(T / (5 + uint64_t(D) * (1 + uint64_t(P)) + N));
    case frReady6: return 8 * uint32_t(T / (uint64_t(P) + D + 3 + N));
    case frReady10: return 8 * uint32_t(T / (uint64_t(P) + D + 2 + N));
    case frBatch7:
    case frBatch11: return 8 * ((T / (14 + jt.cPadPre + jt.cPadPost + B)) / 8);
    case frBatch12: return 8 * ((T / (11 + B)) / 8);
    case frTms:
    case frNtdi: return N == 0 ? 8 * T : 8 * ((T / (3 + B)) / 8);
    default: return N == 0 ? 8 * (T / 2) : 8 * ((T / (3 + B)) / 8);
    }
}

bool FPads(JTAGIF &jt, uint32_t cpad)
{
    bool fOk = true;
    for (uint32_t ipad = 0; ipad < cpad && fOk; ipad++)
        fOk = FAdd(jt, { 0x97 });
    return fOk;
}

/* A pin write of the data line and TCK when they change, and the auxiliary output held high. */
bool FUpdate(JTAGIF &jt, bool fData, bool fTck)
{
    bool fOk = FJtagPins(jt, jt.fTms, fData, fTck, false);
    if (fOk && !(jt.bHigh & pinAux)) {
        jt.bHigh |= pinAux;
        fOk = FAdd(jt, { 0x82, jt.bHigh, jt.bHighDir });
    }
    return fOk;
}

/* A host slot made by hand: the level, then TCK high and low again around its rising edge. */
bool FHandSlot(JTAGIF &jt, bool f, bool fSetFirst)
{
    return (!fSetFirst || FUpdate(jt, f, false)) && FPads(jt, jt.cPadPre) && FUpdate(jt, f, true) &&
           FPads(jt, jt.cPadPost) && FUpdate(jt, f, false);
}

/* The clocked nTDI slot: d carries nTDI in bit 0 (and the next level in bit 1). */
bool FClockedSlot(JTAGIF &jt, bool fNtdi, uint8_t d)
{
    jt.fTdi = fNtdi;
    return FAdd(jt, { 0x1B, 0x00, d });
}

/* The tail clocks: alternating levels ending with three at the tail level. */
bool FTailClocks(JTAGIF &jt)
{
    uint32_t n = jt.cclkTail;
    if (n == 0)
        return true;
    bool fHigh = jt.fTailHigh != 0;
    uint8_t bPattern = (fHigh && n % 2 == 1) || (!fHigh && n % 2 == 0) ? 0x55 : 0xAA;
    uint8_t rgb[17];
    uint32_t cb = (n + 7) / 8;
    for (uint32_t ib = 0; ib < cb; ib++)
        rgb[ib] = bPattern;
    uint32_t iFirst = n > 3 ? n - 3 : 0;
    for (uint32_t j = iFirst; j < (fHigh ? n : 8 * cb); j++) {
        if (fHigh)
            rgb[j / 8] = uint8_t(rgb[j / 8] | (1u << (j % 8)));
        else
            rgb[j / 8] = uint8_t(rgb[j / 8] & ~(1u << (j % 8)));
    }
    bool fOk = true;
    if (n >= 8)
        fOk = FAdd(jt, { 0x19, uint8_t(n / 8 - 1), 0x00 }) && FMpsAddBytes(&jt.mpsbuf, rgb, n / 8);
    if (fOk && n % 8 != 0)
        fOk = FAdd(jt, { 0x1B, uint8_t(n % 8 - 1), rgb[n / 8] });
    jt.fTdi = fHigh;
    return fOk;
}

/* The host slots' levels of JTAG bit ibit of the running shift. */
void HostBit(int i, uint32_t ibit, bool &fTdi, bool &fTms)
{
    const FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    fTdi = jt.fTdiLevel;
    fTms = jt.fTmsLevel;
    switch (jt.jm) {
    case 8: fTdi = FBitOf(fwif.pbSnd, ibit); break;
    case 10: {
        uint8_t b = fwif.pbSnd[ibit / 4];
        fTdi = (b >> (2 * (ibit % 4))) & 1;
        fTms = (b >> (2 * (ibit % 4) + 1)) & 1;
        break;
    }
    case 11: fTms = FBitOf(fwif.pbSnd, ibit); break;
    default: break;
    }
    if (jt.jm == 10 || jt.jm == 11)
        jt.fTmsLevel = fTms;
}

/* Reads n sampled slots (0x2A, rising edge): s0 to s(n-1) in bits 0 to n-1 of *pw. */
bool FReadSlots(JTAGIF &jt, uint32_t n, uint32_t *pw)
{
    if (!FAdd(jt, { 0x2A, uint8_t(n - 1), 0x87 }) || !FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1))
        return false;
    *pw = uint32_t(jt.mpsbuf.pb[0]) >> (8 - n);
    return true;
}

bool FSlot(uint32_t w, uint32_t j) { return (w >> j) & 1; }

/* Ready check of format 5: D ready bits inside a read of D + 3, polls of D + 1. */
bool FReady5(JTAGIF &jt, bool &fTdo)
{
    uint32_t D = jt.cbitReady, n = D + 3, w = 0;
    if (!FReadSlots(jt, n, &w))
        return false;
    bool fReady = true;
    for (uint32_t j = 1; j <= D; j++)
        fReady = fReady && FSlot(w, j);
    for (uint32_t cpoll = 0; !fReady; cpoll++) {
        if (cpoll >= jt.cpollReady)
            return false;
        fReady = FSlot(w, n - 1);
        n = D + 1;
        if (!FReadSlots(jt, n, &w))
            return false;
        for (uint32_t j = 0; j + 2 <= D; j++)
            fReady = fReady && FSlot(w, j);
    }
    fTdo = FSlot(w, n - 1);
    return true;
}

/* Ready check of a run of D ones followed by TDO, the reads sized to end at TDO. */
bool FReadyRun(JTAGIF &jt, bool &fTdo)
{
    uint32_t D = jt.cbitReady, n = D + 1, w = 0, run = 0;
    if (!FReadSlots(jt, n, &w))
        return false;
    for (uint32_t j = 0; j < D; j++)
        run = FSlot(w, j) ? run + 1 : 0;
    for (uint32_t cpoll = 0; run != D; cpoll++) {
        if (cpoll >= jt.cpollReady)
            return false;
        run = FSlot(w, n - 1) ? run + 1 : 0;
        n = D - run + 1;
        if (!FReadSlots(jt, n, &w))
            return false;
        for (uint32_t j = 0; j + 1 < n; j++)
            run = FSlot(w, j) ? run + 1 : 0;
    }
    fTdo = FSlot(w, n - 1);
    return true;
}

/* The host slots of one frame. */
bool FHostSlots(JTAGIF &jt, FRAME fr, bool fTdi, bool fTms)
{
    bool fNtdi = !fTdi;
    switch (fr) {
    case frReady5:
    case frReady6:
    case frBatch7:
        return FClockedSlot(jt, fNtdi, uint8_t((fNtdi ? 1 : 0) | (fTms ? 2 : 0))) && FHandSlot(jt, fTms, false);
    case frReady10:
    case frBatch11:
        jt.fTmsLevel = fNtdi;
        return FHandSlot(jt, fNtdi, true);
    case frBatch12:
        jt.fTmsLevel = fNtdi;
        return FClockedSlot(jt, fNtdi, fNtdi ? 0x03 : 0x00) && FUpdate(jt, fNtdi, false);
    default: return false;
    }
}

uint8_t StsFail(int i)
{
    const JTAGIF &jt = rgjtag[i];
    return jt.jm == 9 ? stsRcvLess : jt.fCapture ? stsSndRcvLess : stsSndLess;
}

void StoreTdo(int i, uint32_t ibit, bool fTdo)
{
    uint8_t *pb = rgfwif[i].pbRcv + ibit / 8;
    if (ibit % 8 == 0)
        *pb = 0;
    if (fTdo)
        *pb = uint8_t(*pb | (1u << (ibit % 8)));
}

/* Bits this step takes, 0 when the host's buffers cannot hold them. */
uint32_t CbitStep(int i, FRAME fr, uint32_t &ibit)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    ibit = jt.jm == 9 ? fwif.cInDone : fwif.cOutDone;
    uint32_t cbitLeft = (jt.jm == 9 ? fwif.cInTotal : fwif.cOutTotal) - ibit;
    /* A frame longer than the budget allows (slow TCK, many polls) still moves one bit a step. */
    uint32_t cbit = CbitBudget(jt, fr);
    if (cbit == 0)
        cbit = 1;
    if (cbit > cbitLeft)
        cbit = cbitLeft;
    uint64_t ibitEnd = uint64_t(ibit) + cbit;
    uint64_t cbOut = jt.jm == 9 ? 0 : jt.jm == 10 ? (ibitEnd + 3) / 4 : (ibitEnd + 7) / 8;
    uint64_t cbIn = jt.fCapture ? (ibitEnd + 7) / 8 : 0;
    if (cbOut > fwif.cbSnd || cbIn > fwif.cbRcv)
        return 0;
    return cbit;
}

/* Progress after a step's bits all went out; the phase ends after the last. */
void Advance(int i, uint32_t cbit)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    if (jt.jm != 9) {
        fwif.cOutDone += cbit;
        fwif.cbSndDone = jt.jm == 10 ? (fwif.cOutDone + 3) / 4 : (fwif.cOutDone + 7) / 8;
    }
    if (jt.fCapture) {
        fwif.cInDone += cbit;
        fwif.cbRcvDone = (fwif.cInDone + 7) / 8;
    }
}

bool FPhaseComplete(int i)
{
    const FWIF &fwif = rgfwif[i];
    return rgjtag[i].jm == 9 ? fwif.cInDone >= fwif.cInTotal : fwif.cOutDone >= fwif.cOutTotal;
}

void Fail(int i)
{
    rgfwif[i].stsPhase = StsFail(i);
    FwFailPhase(i);
}

void StepReadyPoll(int i)
{
    JTAGIF &jt = rgjtag[i];
    FRAME fr = FRAME(jt.frame2w);
    uint32_t ibit = 0, cbit = CbitStep(i, fr, ibit);
    if (cbit == 0)
        return Fail(i);
    for (uint32_t k = 0; k < cbit; k++) {
        bool fTdi, fTms, fTdo = false;
        HostBit(i, ibit + k, fTdi, fTms);
        bool fOk = FHostSlots(jt, fr, fTdi, fTms) && (fr == frReady5 ? FReady5(jt, fTdo) : FReadyRun(jt, fTdo));
        if (fOk && jt.fCapture)
            StoreTdo(i, ibit + k, fTdo);
        if (!(fOk && FUpdate(jt, jt.fTdi, false) && FTailClocks(jt)))
            return Fail(i);
    }
    Advance(i, cbit);
    if (!FPhaseComplete(i))
        return;
    if (!(FAdd(jt, { 0x81, 0x87 }) && FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 0)))
        return Fail(i);
    jt.fReadPending = true;
    FwPhaseFinished(i);
}

void StepBatchedRead(int i)
{
    JTAGIF &jt = rgjtag[i];
    FRAME fr = FRAME(jt.frame2w);
    uint32_t ibit = 0, cbit = CbitStep(i, fr, ibit);
    if (cbit == 0)
        return Fail(i);
    bool fOk = true;
    for (uint32_t k = 0; k < cbit && fOk; k++) {
        bool fTdi, fTms;
        HostBit(i, ibit + k, fTdi, fTms);
        fOk = FHostSlots(jt, fr, fTdi, fTms) && FAdd(jt, { 0x2A, uint8_t(fr == frBatch12 ? 1 : 0) }) &&
              FUpdate(jt, jt.fTdi, false) && FTailClocks(jt);
    }
    if (!(fOk && FAdd(jt, { 0x87 }) && FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, cbit)))
        return Fail(i);
    if (jt.fCapture)
        for (uint32_t k = 0; k < cbit; k++)
            StoreTdo(i, ibit + k, (jt.mpsbuf.pb[k] >> 7) & 1);
    Advance(i, cbit);
    if (FPhaseComplete(i))
        FwPhaseFinished(i);
}

void StepStream(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    FRAME fr = FRAME(jt.frame2w);
    uint32_t ibit = 0, cbit = CbitStep(i, fr, ibit);
    if (cbit == 0)
        return Fail(i);
    bool fOk = true;
    bool fTmsLast = jt.fTmsLevel, fNtdiLast = false;
    if (jt.cclkTail == 0) {
        /* the slots in bulk: whole bytes, then the rest */
        uint32_t cslot = fr == frPairs ? 2 * cbit : cbit, cb = cslot / 8, r = cslot % 8;
        uint8_t rgb[8192];
        uint32_t cbData = (cslot + 7) / 8;
        for (uint32_t ib = 0; ib < cbData; ib++) {
            if (fr == frPairs) {
                uint8_t b = 0;
                for (uint32_t q = 0; q < 4 && 8 * ib + 2 * q < cslot; q++) {
                    bool fTdi, fTms;
                    HostBit(i, ibit + 4 * ib + q, fTdi, fTms);
                    b = uint8_t(b | (!fTdi ? 1u : 0u) << (2 * q) | (fTms ? 2u : 0u) << (2 * q));
                    fTmsLast = fTms;
                    fNtdiLast = !fTdi;
                }
                rgb[ib] = b;
            } else {
                /* bit ibit is at the start of the step, a multiple of 8 */
                uint8_t b = fwif.pbSnd[ibit / 8 + ib];
                rgb[ib] = fr == frNtdi ? uint8_t(~b) : b;
            }
        }
        if (cb > 0)
            fOk = FAdd(jt, { 0x19, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) }) && FMpsAddBytes(&jt.mpsbuf, rgb, cb);
        if (fOk && r > 0)
            fOk = FAdd(jt, { 0x1B, uint8_t(r - 1), rgb[cb] });
        /* the data line ends at the last slot put out */
        bool fLast = (rgb[(cslot - 1) / 8] >> ((cslot - 1) % 8)) & 1;
        jt.fTdi = fLast;
        if (fr == frTms)
            fTmsLast = fLast;
        if (fr == frNtdi)
            fNtdiLast = fLast;
    } else {
        for (uint32_t k = 0; k < cbit && fOk; k++) {
            bool fTdi, fTms;
            HostBit(i, ibit + k, fTdi, fTms);
            if (fr == frPairs) {
                fOk = FAdd(jt, { 0x1B, 0x01, uint8_t((!fTdi ? 1 : 0) | (fTms ? 2 : 0)) });
                jt.fTdi = fTms;
                fTmsLast = fTms;
            } else {
                bool f = fr == frTms ? fTms : !fTdi;
                fOk = FAdd(jt, { 0x1B, 0x00, uint8_t(f ? 1 : 0) });
                jt.fTdi = f;
                fTmsLast = fr == frTms ? f : fTmsLast;
                fNtdiLast = f;
            }
            fOk = fOk && FTailClocks(jt);
        }
    }
    if (fr == frTms)
        jt.fTmsLevel = fTmsLast;
    else if (fr == frNtdi)
        jt.fTmsLevel = fNtdiLast;
    else if (jt.jm != 8)
        jt.fTmsLevel = fTmsLast;
    bool fComplete = fOk && uint64_t(ibit) + cbit >= (jt.jm == 9 ? fwif.cInTotal : fwif.cOutTotal);
    bool fReadBack = fComplete && !jt.fBuffered;
    if (fReadBack)
        fOk = FAdd(jt, { 0x81, 0x87 });
    if (!(fOk && FMpsFlush(&jt.mpsbuf, jt.hChannel, !jt.fBuffered, 0)))
        return Fail(i);
    jt.fReadPending = jt.fReadPending || fReadBack;
    Advance(i, cbit);
    if (fComplete)
        FwPhaseFinished(i);
}

/* Collects the one answer byte a completed phase left in the chip. */
bool FCollectPending(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!jt.fReadPending)
        return true;
    jt.fReadPending = false;
    return FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1) != 0;
}

void TwoWireDone(int i)
{
    FWIF &fwif = rgfwif[i];
    if (!FCollectPending(i) && fwif.stsPhase == stsOk)
        fwif.stsPhase = StsFail(i);
    FwDoneSts(i);
}

void TwoWireAbort(int i) { FCollectPending(i); }

} // namespace

bool FJtagTwoWireEngine(const JTAGIF &jt)
{
    return FrameFor(jt.scanFormat, jt.fFormatOption, jt.jm, jt.fCapture) != frNone;
}

bool FJtagTwoWireArm(int i)
{
    JTAGIF &jt = rgjtag[i];
    FRAME fr = FrameFor(jt.scanFormat, jt.fFormatOption, jt.jm, jt.fCapture);
    if (fr == frNone)
        return false;
    jt.frame2w = fr;
    jt.fReadPending = false;
    PFNFW pfnStep = fr == frTms || fr == frNtdi || fr == frPairs ? StepStream
                    : fr == frReady5 || fr == frReady6 || fr == frReady10 ? StepReadyPoll
                                                                             : StepBatchedRead;
    FwArmPhase(i, 1, pfnStep, TwoWireDone, TwoWireAbort);
    return true;
}

#endif /* AMBREL_JTAG */
