/*
 * fwbatch.cpp - the JTAG batch engine (command 23): the host sends a stream
 * of JTAG operations as the out data of one data phase and gets every
 * captured TDO bit back as its in data.
 *
 * Operations (one byte, then little-endian arguments; bit data LSB first):
 *   1 set pins (u8: bit 2 TMS, bit 1 TDI, bit 0 TCK)     2 read pins
 *   3 TMS shift (u32 n, bits)    4 TMS shift with capture (u32 n, bits)
 *   5 TDI shift (u32 n, u8 tms, bits)    6 TDI shift with capture (same)
 *   7 TDO capture (u32 n, u8 tms)        8 clock TCK (u32 n)
 * For 5 to 7, tms is the TMS level of the last bit: when it differs from
 * the pin's level, that bit (the exit bit) goes out with a TMS command.
 *   9 wait (u32 microseconds, TCK released)   10/16 drive/release an extra pin (u8 pin)
 *   11/13 the output-/input-capable extra pins (u32)   12/14 extra pins'
 *   directions/levels (u32 mask)   15 read the extra pins (u32)
 * Operations 9 to 16 need bits of the batch property word (bit 0 for 9,
 * bit 1 for 10, bit 2 for 11 to 15, bit 3 for 16), which the shipped port
 * does not set. Port 0's pin table lists no extra pin.
 *
 * Each step parses one operation or runs one chunk of it, so the worker gets
 * back to its mailbox at least once per chunk of about the flush threshold.
 * The answers of reading operations stay in the chip until they reach the
 * flush threshold or the stream ends; a queue of TDONODEs says how the read
 * bytes turn into TDO bytes of the host's receive buffer.
 *
 * Host counters: cbSndDone is the position in the operation stream,
 * cbRcvDone the TDO bytes delivered; the final status reports both.
 */
#include <string.h>

#include <new>

#include "fwjtag.h"

#if AMBREL_JTAG

namespace {

void BatchParse(int i);

uint32_t DwAt(const uint8_t *pb) { return pb[0] | pb[1] << 8 | pb[2] << 16 | uint32_t(pb[3]) << 24; }

/* Bytes of n bits, in 64 bits so that no count wraps. */
uint64_t CbBits(uint64_t cbit) { return (cbit + 7) / 8; }

bool FOpWrites(uint8_t op) { return op == 1 || op == 3 || op == 5 || op == 8 || op == 9 || op == 10 || op == 12 || op == 14 || op == 16; }

/* Status of a failed write by the operation's direction. */
uint8_t StsWrite(uint8_t op)
{
    return op == 4 || op == 6 ? stsSndRcvLess : FOpWrites(op) ? stsSndLess : stsRcvLess;
}

/* Batch property bit of operations 9 to 16. */
bool FOpOffered(uint8_t op)
{
    unsigned ibit = op == 9 ? 0 : op == 10 ? 1 : op <= 15 ? 2 : 3;
    return (dprpBatch >> ibit) & 1;
}

/* Status of a failed final read by the phase's directions. */
uint8_t StsPhaseRead(const FWIF &fwif)
{
    if (!(fwif.fsStsCounts & 0x40))
        return stsSndLess;
    return (fwif.fsStsCounts & 0x80) ? stsSndRcvLess : stsRcvLess;
}

/* Turns n read bytes at the start of the MPSSE buffer into TDO bytes. */
bool FAssembleTdo(int i, uint32_t cbRead)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    const uint8_t *pbRead = jt.mpsbuf.pb;
    uint32_t cbRcv = fwif.cbRcv, cbRoom = bt.cbTdo < cbRcv ? bt.cbTdo : cbRcv;
    auto fPut = [&](uint8_t b) {
        if (fwif.cbRcvDone >= cbRoom)
            return false;
        fwif.pbRcv[fwif.cbRcvDone++] = b;
        return true;
    };
    for (uint32_t j = 0; j < cbRead;) {
        if (bt.qnode.empty()) {
            fwif.stsPhase = stsBatchNoMemory;
            return false;
        }
        TDONODE &node = bt.qnode.front();
        uint8_t b = pbRead[j];
        bool fFail = false;
        if (node.type == 2) {
            /* TMS, TDI, TDO, TCK in bits 3 to 0. */
            fFail = !fPut(uint8_t((b & pinTms) | ((b & pinTdi) << 1) | ((b & pinTdo) >> 1) | (b & pinTck)));
            j++;
            if (!fFail)
                bt.qnode.pop_front();
        } else if (node.type == 4) {
            uint32_t c = node.cbitTotal - node.cbitDone < 4 ? node.cbitTotal - node.cbitDone : 4;
            uint8_t bits = uint8_t(b >> (8 - c));
            bool fEnd = node.cbitDone + c >= node.cbitTotal;
            if (node.cbitDone % 8 == 0) {
                if (fwif.cbRcvDone >= cbRoom)
                    fFail = true;
                else {
                    fwif.pbRcv[fwif.cbRcvDone] = bits;
                    if (fEnd)
                        fwif.cbRcvDone++;
                }
            } else {
                fwif.pbRcv[fwif.cbRcvDone++] |= uint8_t(bits << 4);
            }
            j++;
            node.cbitDone += c;
            if (!fFail && fEnd)
                bt.qnode.pop_front();
        } else if (node.type == 15) {
            /* the low and the high pin byte, then the extra pins' levels as a u32 */
            node.wPins |= uint32_t(b) << (8 * node.cbitDone);
            j++;
            if (++node.cbitDone == node.cbitTotal) {
                uint32_t fsLevels = node.wPins & fsGpioIn;
                for (int ib = 0; ib < 4 && !fFail; ib++)
                    fFail = !fPut(uint8_t(fsLevels >> (8 * ib)));
                if (!fFail)
                    bt.qnode.pop_front();
            }
        } else if (node.cbitDone < node.cbitTotal) {
            /* types 6 and 7: one read byte per byte or bits command */
            uint32_t c = node.cbitTotal - node.cbitDone < 8 ? node.cbitTotal - node.cbitDone : 8;
            fFail = !fPut(c == 8 ? b : uint8_t(b >> (8 - c)));
            j++;
            node.cbitDone += c;
            if (!fFail && node.cbitDone >= node.cbitTotal && !node.fExitBit)
                bt.qnode.pop_front();
        } else {
            /* the exit bit, in bit 7 of its own read byte */
            uint8_t bit = uint8_t(b >> 7);
            if (node.cbitDone % 8 != 0)
                fwif.pbRcv[fwif.cbRcvDone - 1] |= uint8_t(bit << (node.cbitDone % 8));
            else
                fFail = !fPut(bit);
            j++;
            if (!fFail)
                bt.qnode.pop_front();
        }
        if (fFail) {
            fwif.stsPhase = stsBadArgument;
            return false;
        }
    }
    return true;
}

/* Reads and assembles the pending answers when they reach the threshold, or always with fForce. */
bool FReadBack(int i, bool fForce)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    if (bt.cbReadPending == 0 || (!fForce && bt.cbReadPending < jt.mpsbuf.cbFlush))
        return true;
    uint32_t cbRead = bt.cbReadPending;
    bt.cbReadPending = 0;
    if (!FJtagAdd(jt, { 0x87 }) || !FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, cbRead)) {
        fwif.stsPhase = stsRcvLess;
        return false;
    }
    return FAssembleTdo(i, cbRead);
}

/* The final counts: stream bytes consumed and TDO bytes delivered. */
void SetFinalCounts(int i)
{
    FWIF &fwif = rgfwif[i];
    fwif.cOutDone = fwif.cbSndDone;
    fwif.cInDone = fwif.cbRcvDone;
}

/* Collects the byte of a final 0x81 0x87 so later reads stay aligned. */
void CollectPinsByte(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    if (!jt.batch.fPinsReadPending)
        return;
    jt.batch.fPinsReadPending = false;
    if (!FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1) && fwif.stsPhase == stsOk)
        fwif.stsPhase = StsPhaseRead(fwif);
}

/* Ends the batch early: answers the chip still owes are read and dropped, so
 * the next read on the port gets its own bytes. */
void BatchAbortInternal(int i)
{
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    if (bt.cbReadPending > 0) {
        uint32_t cbRead = bt.cbReadPending;
        bt.cbReadPending = 0;
        if (FJtagAdd(jt, { 0x87 }))
            FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, cbRead);
    }
    jt.mpsbuf.cb = 0;
    bt.qnode.clear();
    CollectPinsByte(i);
    SetFinalCounts(i);
    FwFailPhase(i);
}

void BatchAbort(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint8_t stsKeep = fwif.stsPhase;
    if (!FReadBack(i, true)) {
        jt.batch.cbReadPending = 0;
        fwif.stsPhase = stsKeep;
    }
    jt.mpsbuf.cb = 0;
    jt.batch.qnode.clear();
    CollectPinsByte(i);
    SetFinalCounts(i);
}

void BatchDone(int i)
{
    CollectPinsByte(i);
    FwDoneSts(i);
}

/* End of an operation's step: closes the stream's last operation, writes, reads back when due. */
void EndOfStep(int i, bool fOpDone)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    bool fLast = bt.fLastOp && fOpDone;
    bool fForce = bt.op > 2 && bt.op <= 9;
    bool fOk = true;
    if (fLast) {
        if (FOpWrites(bt.op)) {
            fOk = FJtagAdd(jt, { 0x81, 0x87 });
            bt.fPinsReadPending = fOk;
        } else {
            fOk = FJtagAdd(jt, { 0x87 });
        }
        fForce = true;
    } else if (bt.cbReadPending >= jt.mpsbuf.cbFlush) {
        fOk = FJtagAdd(jt, { 0x87 });
        fForce = true;
    }
    if (!fOk || !FMpsFlush(&jt.mpsbuf, jt.hChannel, fForce, 0)) {
        bt.fPinsReadPending = false;
        fwif.stsPhase = StsWrite(bt.op);
        return BatchAbortInternal(i);
    }
    if (!FReadBack(i, bt.op <= 2 && bt.fLastOp))
        return BatchAbortInternal(i);
    if (fOpDone) {
        fwif.pfnStep = BatchParse;
        if (bt.fLastOp)
            BatchParse(i);
    }
}

const uint8_t *PbStream(int i) { return rgfwif[i].pbSnd + rgfwif[i].cbSndDone; }

void BatchSetPins(int i)
{
    JTAGIF &jt = rgjtag[i];
    uint8_t b = *PbStream(i);
    rgfwif[i].cbSndDone++;
    bool fOk = FJtagPins(jt, (b & 4) != 0, (b & 2) != 0, (b & 1) != 0, true);
    if (!fOk) {
        rgfwif[i].stsPhase = stsSndLess;
        return BatchAbortInternal(i);
    }
    EndOfStep(i, true);
}

void BatchReadPins(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!FJtagAdd(jt, { 0x81 })) {
        rgfwif[i].stsPhase = stsRcvLess;
        return BatchAbortInternal(i);
    }
    jt.batch.cbReadPending++;
    EndOfStep(i, true);
}

/* Operations 3 and 4: TMS bits in groups of 7 (0x4B) or 4 (0x6F) with TDI held. */
void BatchTmsShift(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    bool fRead = bt.op == 4;
    uint32_t cbitGroup = fRead ? 4 : 7;
    uint32_t cbitMax = fRead ? 8 * ((jt.mpsbuf.cbFlush / 4 * 4) / 8) : 8 * ((jt.mpsbuf.cbFlush / 3 * 7) / 8);
    uint32_t n = bt.cbitOutTotal - bt.cbitOutDone;
    if (n > cbitMax)
        n = cbitMax;
    const uint8_t *pb = PbStream(i);
    bool fOk = true;
    for (uint32_t k = 0; k < n && fOk; k += cbitGroup) {
        uint32_t c = n - k < cbitGroup ? n - k : cbitGroup;
        uint32_t w = pb[k / 8] | (k / 8 + 1 < CbBits(n) ? pb[k / 8 + 1] << 8 : 0);
        uint8_t bTms = uint8_t((w >> (k % 8)) & ((1u << c) - 1));
        jt.fTms = (bTms >> (c - 1)) & 1;
        fOk = FJtagAdd(jt, { fRead ? uint8_t(0x6F) : uint8_t(0x4B), uint8_t(c - 1),
                             uint8_t(bTms | (jt.fTdi ? 0x80 : 0)) });
        if (fRead)
            bt.cbReadPending++;
    }
    if (!fOk) {
        fwif.stsPhase = StsWrite(bt.op);
        return BatchAbortInternal(i);
    }
    bt.cbitOutDone += n;
    fwif.cbSndDone += uint32_t(CbBits(n));
    EndOfStep(i, bt.cbitOutDone >= bt.cbitOutTotal);
}

/* Operations 5 and 6: TDI bytes and bits with TMS held, then the exit bit. */
void BatchTdiShift(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    bool fRead = bt.op == 6;
    uint32_t n = bt.cbitOutTotal - bt.cbitOutDone;
    if (n > 8 * jt.mpsbuf.cbFlush)
        n = 8 * jt.mpsbuf.cbFlush;
    uint32_t cb = n / 8, cbit = n % 8;
    bool fExit = bt.fExitBit && bt.cbitOutDone + n >= bt.cbitOutTotal;
    const uint8_t *pb = PbStream(i);
    bool fOk = true;
    if (cb > 0) {
        fOk = FJtagAdd(jt, { fRead ? uint8_t(0x3D) : uint8_t(0x19), uint8_t(cb - 1), uint8_t((cb - 1) >> 8) }) &&
              FMpsAddBytes(&jt.mpsbuf, pb, cb);
        jt.fTdi = (pb[cb - 1] >> 7) & 1;
        bt.cbReadPending += fRead ? cb : 0;
    }
    if (cbit > 0) {
        fOk = fOk && FJtagAdd(jt, { fRead ? uint8_t(0x3F) : uint8_t(0x1B), uint8_t(cbit - 1), pb[cb] });
        jt.fTdi = (pb[cb] >> (cbit - 1)) & 1;
        bt.cbReadPending += fRead ? 1 : 0;
    }
    if (fExit) {
        bool fBit = (pb[cb] >> cbit) & 1;
        fOk = fOk && FJtagAdd(jt, { fRead ? uint8_t(0x6F) : uint8_t(0x4B), 0,
                                    uint8_t((fBit ? 0x80 : 0) | (bt.fTmsExit ? 0x03 : 0)) });
        jt.fTdi = fBit;
        jt.fTms = bt.fTmsExit;
        bt.cbReadPending += fRead ? 1 : 0;
    }
    if (!fOk) {
        fwif.stsPhase = StsWrite(bt.op);
        return BatchAbortInternal(i);
    }
    bt.cbitOutDone += n;
    fwif.cbSndDone += cb + (cbit > 0 || fExit ? 1 : 0);
    EndOfStep(i, bt.cbitOutDone >= bt.cbitOutTotal);
}

/* Operation 7: TDO bytes and bits with TMS and TDI held, then the exit bit. */
void BatchTdoRead(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    uint32_t n = bt.cbitInTotal - bt.cbitInDone;
    if (n > 8 * jt.mpsbuf.cbFlush)
        n = 8 * jt.mpsbuf.cbFlush;
    uint32_t cb = n / 8, cbit = n % 8;
    bool fExit = bt.fExitBit && bt.cbitInDone + n >= bt.cbitInTotal;
    bool fOk = true;
    if (cb > 0)
        fOk = FJtagAdd(jt, { 0x2C, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) });
    if (cbit > 0)
        fOk = fOk && FJtagAdd(jt, { 0x2E, uint8_t(cbit - 1) });
    if (fExit) {
        fOk = fOk && FJtagAdd(jt, { 0x6F, 0, uint8_t((jt.fTdi ? 0x80 : 0) | (bt.fTmsExit ? 0x03 : 0)) });
        jt.fTms = bt.fTmsExit;
    }
    if (!fOk) {
        fwif.stsPhase = stsRcvLess;
        return BatchAbortInternal(i);
    }
    bt.cbReadPending += cb + (cbit > 0 ? 1 : 0) + (fExit ? 1 : 0);
    bt.cbitInDone += n;
    EndOfStep(i, bt.cbitInDone >= bt.cbitInTotal);
}

/* Operation 8: clocks with TMS and TDI held. */
void BatchClock(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    uint32_t n = bt.cbitOutTotal - bt.cbitOutDone;
    if (n > 8 * jt.mpsbuf.cbFlush)
        n = 8 * jt.mpsbuf.cbFlush;
    uint32_t cb = n / 8, cbit = n % 8;
    bool fOk = true;
    if (cb > 0) {
        fOk = FJtagAdd(jt, { 0x19, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) }) && jt.mpsbuf.cb + cb <= 65536;
        if (fOk) {
            memset(jt.mpsbuf.pb + jt.mpsbuf.cb, jt.fTdi ? 0xFF : 0x00, cb);
            jt.mpsbuf.cb += cb;
        }
    }
    if (cbit > 0)
        fOk = fOk && FJtagAdd(jt, { 0x8E, uint8_t(cbit - 1) });
    if (!fOk) {
        fwif.stsPhase = stsSndLess;
        return BatchAbortInternal(i);
    }
    bt.cbitOutDone += n;
    EndOfStep(i, bt.cbitOutDone >= bt.cbitOutTotal);
}

/* Operation 9: a wait of at most a second per step, TCK released. */
void BatchWait(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    uint32_t tus = bt.cbitOutTotal - bt.cbitOutDone;
    if (tus > 1000000)
        tus = 1000000;
    uint32_t tusActual = 0, cclk = 0;
    CclkFromTus(jt.freqTck, tus, &tusActual, &cclk);
    jt.mpsbuf.tusQueued += tusActual;
    if (!FJtagWaitClocks(jt, cclk)) {
        fwif.stsPhase = stsSndLess;
        return BatchAbortInternal(i);
    }
    bt.cbitOutDone += tus;
    EndOfStep(i, bt.cbitOutDone >= bt.cbitOutTotal);
}

/* Operations 11 and 13: a word of the pin table, after the answers before it. */
void BatchPinWord(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    if (!FReadBack(i, true))
        return BatchAbortInternal(i);
    uint32_t fs = jt.batch.op == 11 ? fsGpioOut : fsGpioIn;
    uint32_t cbRcv = fwif.cbRcv, cbRoom = jt.batch.cbTdo < cbRcv ? jt.batch.cbTdo : cbRcv;
    if (uint64_t(fwif.cbRcvDone) + 4 > cbRoom) {
        fwif.stsPhase = stsBadArgument;
        return BatchAbortInternal(i);
    }
    for (int ib = 0; ib < 4; ib++)
        fwif.pbRcv[fwif.cbRcvDone++] = uint8_t(fs >> (8 * ib));
    EndOfStep(i, true);
}

/* Operations 12 and 14: directions or levels of the extra pins (none here); the pins are written. */
void BatchSetGpio(int i)
{
    JTAGIF &jt = rgjtag[i];
    uint32_t fs = DwAt(PbStream(i)) & fsGpioOut;
    rgfwif[i].cbSndDone += 4;
    if (jt.batch.op == 12)
        jt.wGpio = fs;
    if (!FJtagPinsAll(jt, bDirJtag)) {
        rgfwif[i].stsPhase = stsSndLess;
        return BatchAbortInternal(i);
    }
    EndOfStep(i, true);
}

/* Operation 15: both pin bytes read back, assembled into the extra pins' levels. */
void BatchReadGpio(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!FJtagAdd(jt, { 0x81, 0x83 })) {
        rgfwif[i].stsPhase = stsRcvLess;
        return BatchAbortInternal(i);
    }
    jt.batch.cbReadPending += 2;
    EndOfStep(i, true);
}

bool FAppendNode(BATCH &bt, uint8_t type, bool fExitBit, uint32_t cbitTotal)
{
    try {
        bt.qnode.push_back(TDONODE { type, fExitBit, 0, cbitTotal, 0 });
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

/* Parses the operation at the stream position and runs its first step. */
void BatchParse(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BATCH &bt = jt.batch;
    uint32_t cbSnd = fwif.cbSnd;
    uint64_t cbStream = bt.cbOps < cbSnd ? bt.cbOps : cbSnd;
    if (fwif.cbSndDone >= cbStream) {
        if (!FReadBack(i, true))
            return BatchAbortInternal(i);
        if (!bt.qnode.empty()) {
            fwif.stsPhase = stsBatchNoMemory;
            return BatchAbortInternal(i);
        }
        SetFinalCounts(i);
        return FwPhaseFinished(i);
    }
    bt.cbitOutDone = bt.cbitOutTotal = bt.cbitInDone = bt.cbitInTotal = 0;
    bt.fLastOp = bt.fExitBit = false;
    bt.op = fwif.pbSnd[fwif.cbSndDone++];
    uint64_t ib = fwif.cbSndDone;           /* first argument byte */
    const uint8_t *pbArg = fwif.pbSnd + ib;
    uint64_t cbArgs = 0;                     /* argument and data bytes the operation needs */
    bool fNode = true;
    PFNFW pfnOp = nullptr;
    uint32_t n = 0;
    switch (bt.op) {
    case 1:
        cbArgs = 1;
        pfnOp = BatchSetPins;
        break;
    case 2:
        fNode = FAppendNode(bt, 2, false, 0);
        pfnOp = BatchReadPins;
        break;
    case 3:
    case 4:
        if (ib + 4 > cbStream)
            break;
        n = DwAt(pbArg);
        cbArgs = 4 + CbBits(n);
        bt.cbitOutTotal = n;
        if (bt.op == 4 && n > 0 && ib + cbArgs <= cbStream)
            fNode = FAppendNode(bt, 4, false, n);
        pfnOp = BatchTmsShift;
        break;
    case 5:
    case 6:
    case 7:
        if (ib + 5 > cbStream)
            break;
        n = DwAt(pbArg);
        bt.fTmsExit = pbArg[4] & 1;
        bt.fExitBit = bt.fTmsExit != jt.fTms;
        /* A count of 0 cannot carry an exit bit. */
        if (bt.fExitBit && n == 0) {
            cbArgs = ~uint64_t(0);
            break;
        }
        cbArgs = 5 + (bt.op == 7 ? 0 : CbBits(n));
        if (bt.op == 7)
            bt.cbitInTotal = n - (bt.fExitBit ? 1 : 0);
        else
            bt.cbitOutTotal = n - (bt.fExitBit ? 1 : 0);
        if (bt.op != 5 && n > 0 && ib + cbArgs <= cbStream)
            fNode = FAppendNode(bt, bt.op, bt.fExitBit, bt.op == 7 ? bt.cbitInTotal : bt.cbitOutTotal);
        pfnOp = bt.op == 7 ? BatchTdoRead : BatchTdiShift;
        break;
    case 8:
        if (ib + 4 > cbStream)
            break;
        bt.cbitOutTotal = DwAt(pbArg);
        cbArgs = 4;
        pfnOp = BatchClock;
        break;
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
        if (!FOpOffered(bt.op)) {
            fwif.stsPhase = stsBatchOpNotSupported;
            return BatchAbortInternal(i);
        }
        if (bt.op == 9) {
            if (ib + 4 > cbStream)
                break;
            bt.cbitOutTotal = DwAt(pbArg);
            cbArgs = 4;
            pfnOp = BatchWait;
        } else if (bt.op == 10 || bt.op == 16) {
            /* a pin the port's table does not list */
            cbArgs = ~uint64_t(0);
        } else if (bt.op == 12 || bt.op == 14) {
            cbArgs = 4;
            pfnOp = BatchSetGpio;
        } else if (bt.op == 15) {
            fNode = FAppendNode(bt, 15, false, 2);
            pfnOp = BatchReadGpio;
        } else {
            pfnOp = BatchPinWord;
        }
        break;
    default:
        fwif.stsPhase = stsBadArgument;
        return BatchAbortInternal(i);
    }
    if (!fNode) {
        fwif.stsPhase = stsBatchNoMemory;
        return BatchAbortInternal(i);
    }
    if (pfnOp == nullptr || ib + cbArgs > cbStream) {
        fwif.stsPhase = stsBadArgument;
        return BatchAbortInternal(i);
    }
    bt.fLastOp = ib + cbArgs == cbStream;
    /* The position moves past the counts; data bytes are consumed as they go out. */
    static const uint8_t rgcbCounts[17] = { 0, 0, 0, 4, 4, 5, 5, 5, 4, 4, 0, 0, 0, 0, 0, 0, 0 };
    fwif.cbSndDone += rgcbCounts[bt.op];
    fwif.pfnStep = pfnOp;
    pfnOp(i);
}

} // namespace

void BatchReset(JTAGIF &jt)
{
    BATCH &bt = jt.batch;
    bt.qnode.clear();
    bt.cbOps = bt.cbTdo = 0;
    bt.op = 0;
    bt.fLastOp = bt.fExitBit = bt.fTmsExit = bt.fPinsReadPending = false;
    bt.cbitOutDone = bt.cbitOutTotal = bt.cbitInDone = bt.cbitInTotal = 0;
    bt.cbReadPending = 0;
}

void JtagBatchArm(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    BatchReset(jt);
    jt.batch.cbOps = DwArg(i, 0);
    jt.batch.cbTdo = DwArg(i, 1);
    fwif.cOutDone = fwif.cInDone = 0;
    fwif.cOutTotal = jt.batch.cbOps;
    fwif.cInTotal = jt.batch.cbTdo;
    FwArmPhase(i, 1, BatchParse, BatchDone, BatchAbort);
    fwif.fsStsCounts = uint8_t(0x80 | (jt.batch.cbTdo > 0 ? 0x40 : 0));
    fwif.cmdCompletion = 0x97;
}

#endif /* AMBREL_JTAG */
