/*
 * fwjtag.cpp - the JTAG protocol (2) of the 0x60 configuration on the
 * MPSSE of the interface's channel: port enable and disable, properties,
 * TCK frequency, and the shift commands (TDI bits with TMS held, TDO with
 * both held, TMS/TDI pairs, TMS bits with TDI held) as data phases.
 *
 * Pins of the low byte: TCK bit 0, TDI bit 1, TDO bit 2, TMS bit 3. Data
 * goes out on the falling edge and TDO is read on the falling edge, so the
 * TDO bit of a clock is the level after that clock's falling edge, as on the
 * maker's USB firmware. A shift step builds the MPSSE commands of up to one
 * buffer of clocks, writes them and reads their answers back at once.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "fwjtag.h"
#include "yorl.h"

#if AMBREL_JTAG

JTAGIF rgjtag[cintfMax];

bool FJtagAdd(JTAGIF &jt, std::initializer_list<uint8_t> rgb)
{
    return FMpsAddBytes(&jt.mpsbuf, rgb.begin(), uint32_t(rgb.size()));
}

bool FJtagPins(JTAGIF &jt, bool fTms, bool fTdi, bool fTck, bool fForce)
{
    if (!fForce && jt.fTms == fTms && jt.fTdi == fTdi && jt.fTck == fTck)
        return true;
    jt.fTms = fTms;
    jt.fTdi = fTdi;
    jt.fTck = fTck;
    return FJtagAdd(jt, { 0x80, uint8_t((fTms ? pinTms : 0) | (fTdi ? pinTdi : 0) | (fTck ? pinTck : 0)), bDirJtag });
}

bool FJtagPinsAll(JTAGIF &jt, uint8_t bLowDir)
{
    uint8_t bLow = uint8_t((jt.fTms ? pinTms : 0) | (jt.fTdi ? pinTdi : 0) | (jt.fTck ? pinTck : 0));
    return FJtagAdd(jt, { 0x80, bLow, bLowDir, 0x82, jt.bHigh, jt.bHighDir });
}

bool FJtagWrite(JTAGIF &jt)
{
    return FMpsFlush(&jt.mpsbuf, jt.hChannel, !jt.fBuffered, 0) != 0;
}

void CclkFromTus(uint32_t freq, uint32_t tus, uint32_t *ptusActual, uint32_t *pcclk)
{
    if (tus <= 1 || freq == 0) {
        *ptusActual = tus;
        *pcclk = 0;
        return;
    }
    /* ceil(freq * (tus - 1) / 10^6) periods, and the whole microseconds they take plus one;
     * in integers, so that no rounding of a quotient loses a microsecond */
    uint64_t cclk = (uint64_t(freq) * (tus - 1) + 999999) / 1000000;
    *pcclk = uint32_t(cclk);
    *ptusActual = uint32_t(cclk * 1000000 / freq) + 1;
}

void JtagPadCounts(uint32_t freq, uint16_t *pcPadPre, uint16_t *pcPadPost)
{
    /* a pad byte takes about 66.5 ns; the pin writes about 100 ns before and 200 ns after the edge */
    double tnsHalf = freq == 0 ? 0 : ceil(1e9 / freq / 2);
    *pcPadPre = uint16_t(tnsHalf > 100 ? ceil((tnsHalf - 100) / 66.5) : 0);
    *pcPadPost = uint16_t(tnsHalf > 200 ? ceil((tnsHalf - 200) / 66.5) : 0);
}

bool FJtagWaitClocks(JTAGIF &jt, uint32_t cclk)
{
    if (cclk == 0)
        return true;
    /* TCK released: the engine's clocks do not reach the target. */
    bool fOk = FJtagPinsAll(jt, bDirJtag & ~pinTck);
    for (uint32_t cunit = cclk / 8; cunit > 0 && fOk;) {
        uint32_t c = cunit > 65536 ? 65536 : cunit;
        fOk = FJtagAdd(jt, { 0x8F, uint8_t(c - 1), uint8_t((c - 1) >> 8) });
        cunit -= c;
    }
    if (fOk && cclk % 8 != 0)
        fOk = FJtagAdd(jt, { 0x8E, uint8_t(cclk % 8 - 1) });
    return fOk && FJtagPinsAll(jt, bDirJtag) && FMpsFlush(&jt.mpsbuf, jt.hChannel, 0, 0);
}

namespace {

const uint32_t freqDefault = 10000000;

enum JMODE : uint8_t { jmClock = 7, jmTdi = 8, jmTdo = 9, jmPairs = 10, jmTms = 11 };

bool FAdd(JTAGIF &jt, std::initializer_list<uint8_t> rgb) { return FJtagAdd(jt, rgb); }

/* Re-asserts the tracked levels with TCK low before a shift chunk. */
bool FPins(JTAGIF &jt) { return FJtagPins(jt, jt.fTms, jt.fTdi, false, true); }

/* TCK = 30 MHz / (divisor + 1), the divisor rounded so the clock is at most freq;
 * fWrite: a read-back follows, to see the chip took it. */
uint32_t FreqSet(JTAGIF &jt, uint32_t freq, bool fWrite)
{
    if (freq <= 8000)
        freq = 8000;
    uint32_t div = (30000000 + freq - 1) / freq - 1;
    if (div > 0xFFFF)
        div = 0xFFFF;
    FAdd(jt, { 0x8A, 0x97, 0x8D, 0x86, uint8_t(div), uint8_t(div >> 8) });
    jt.mpsbuf.cbFlush = 30000000 / (div + 1) < 4000000 ? 4096 : 8192;
    if (fWrite)
        FAdd(jt, { 0x81, 0x87 });
    return 30000000 / (div + 1);
}

void Enable(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    if (fwif.prtCur != 0)
        return FwSetSts(i, stsInvalidPort);
    const char *szConn = SzFtdevName(i);
    if (szConn == nullptr || strlen(szConn) > 15)
        return FwSetSts(i, stsNotEnabled);
    if (jt.fEnabled) {
        FFtdevSetPort(i, 0);
        return;
    }
    char szName[16];
    strcpy(szName, szConn);
    if (!FOpenChannel(szName, &jt.hChannel, &jt.ftintf))
        return FwSetSts(i, stsCapConflict);
    jt.mpsbuf.cb = jt.mpsbuf.tusQueued = jt.mpsbuf.fWritten = 0;
    jt.fBuffered = 0;
    fwif.fsPrtBuffered &= ~1u;
    JtagTwoWireReset(jt);
    bool fOk = (jt.ftintf.fsIntf & fsintfMpsse) && FSyncBadCmd(jt.hChannel, 0xAA, 100, 0);
    fOk = fOk || FMpsseInit(jt.hChannel);
    BatchReset(jt);
    if (fOk) {
        /* TMS high, TDI and TCK low, the JTAG pins and the auxiliary output (ACBUS7) driven. */
        jt.freqTck = FreqSet(jt, freqDefault, true);
        JtagPadCounts(jt.freqTck, &jt.cPadPre, &jt.cPadPost);
        jt.bHigh = jt.bHighDir = pinAux;
        fOk = FJtagPins(jt, true, false, false, true) && FAdd(jt, { 0x82, jt.bHigh, jt.bHighDir, 0x81, 0x87 }) &&
              FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 2);
    }
    if (!fOk) {
        jt.ftintf.fsIntf &= uint8_t(~fsintfMpsse);
        FCloseChannel(szName, jt.hChannel, &jt.ftintf);
        jt.hChannel = nullptr;
        return FwSetSts(i, stsNotEnabled);
    }
    jt.ftintf.fsIntf |= fsintfMpsse;
    FFtdevSetPort(i, 0);
    jt.fEnabled = 1;
}

void Disable(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!jt.fEnabled)
        return;
    /* Pins released: same levels, nothing driven (the auxiliary output too). */
    BatchReset(jt);
    jt.fBuffered = 0;
    rgfwif[i].fsPrtBuffered &= ~1u;
    bool fOk = FAdd(jt, { 0x80, pinTms, 0x00, 0x82, 0x00, 0x00, 0x81, 0x87 }) &&
               FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1);
    if (!fOk)
        jt.ftintf.fsIntf &= uint8_t(~fsintfMpsse);
    char szName[16];
    memcpy(szName, jt.ftintf.szName, sizeof(szName));
    szName[15] = '\0';
    FCloseChannel(szName, jt.hChannel, &jt.ftintf);
    jt.hChannel = nullptr;
    FFtdevClrPort(i, 0);
    jt.fEnabled = 0;
}

bool FBit(const uint8_t *pb, uint32_t ibit) { return (pb[ibit / 8] >> (ibit % 8)) & 1; }

/* Queues the MPSSE commands of clocks [iclk, iclk + cclk) of the running shift. */
bool FQueueShift(int i, uint32_t iclk, uint32_t cclk)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    jt.rgcbitAns.clear();
    bool fRead = jt.fCapture;
    if (jt.jm == jmTdi || jt.jm == jmTdo) {
        /* iclk is a multiple of 8: whole bytes, then the last bits. */
        const uint8_t *pb = jt.jm == jmTdi ? fwif.pbSnd + iclk / 8 : nullptr;
        uint32_t cb = cclk / 8, cbit = cclk % 8;
        uint8_t opBytes = jt.jm == jmTdo ? 0x2C : fRead ? 0x3D : 0x19;
        uint8_t opBits = uint8_t(opBytes | 0x02);
        bool fOk = FPins(jt);
        if (cb > 0) {
            fOk = fOk && FAdd(jt, { opBytes, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) });
            if (pb != nullptr)
                fOk = fOk && FMpsAddBytes(&jt.mpsbuf, pb, cb);
            if (fRead || jt.jm == jmTdo)
                jt.rgcbitAns.insert(jt.rgcbitAns.end(), cb, 8);
        }
        if (cbit > 0) {
            fOk = fOk && FAdd(jt, { opBits, uint8_t(cbit - 1) });
            if (pb != nullptr)
                fOk = fOk && FAdd(jt, { pb[cb] });
            if (fRead || jt.jm == jmTdo)
                jt.rgcbitAns.push_back(uint8_t(0x80 | cbit));
        }
        if (jt.jm == jmTdi && cclk > 0)
            jt.fTdi = FBit(fwif.pbSnd, iclk + cclk - 1);
        return fOk;
    }
    /* TMS commands: up to 7 clocks each with one TDI level (bit 7). */
    uint8_t op = fRead ? 0x6F : 0x4B;
    bool fOk = true;
    for (uint32_t k = 0; k < cclk && fOk;) {
        uint8_t bTms = 0, cbit = 0;
        bool fTdi = jt.fTdi;
        if (jt.jm == jmPairs) {
            uint32_t ic = iclk + k;
            uint8_t b = fwif.pbSnd[ic / 4];
            fTdi = (b >> (2 * (ic % 4))) & 1;
            bTms = (b >> (2 * (ic % 4) + 1)) & 1;
            cbit = 1;
            jt.fTdi = fTdi;
        } else {
            for (; cbit < 7 && k + cbit < cclk; cbit++)
                bTms = uint8_t(bTms | (FBit(fwif.pbSnd, iclk + k + cbit) << cbit));
        }
        jt.fTms = (bTms >> (cbit - 1)) & 1;
        fOk = FAdd(jt, { op, uint8_t(cbit - 1), uint8_t(bTms | (fTdi ? 0x80 : 0)) });
        if (fRead)
            jt.rgcbitAns.push_back(uint8_t(0x80 | cbit));
        k += cbit;
    }
    return fOk;
}

/* Stores the answers of the step as TDO bits iclk onwards (bit k at bit k % 8 of byte k / 8). */
void UnpackTdo(int i, uint32_t iclk)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint32_t ibit = iclk;
    for (size_t ians = 0; ians < jt.rgcbitAns.size(); ians++) {
        uint8_t b = jt.mpsbuf.pb[ians];
        unsigned cbit = jt.rgcbitAns[ians] & 0x7F;
        if (jt.rgcbitAns[ians] & 0x80)
            b = uint8_t(b >> (8 - cbit));
        if (cbit == 8 && ibit % 8 == 0) {
            fwif.pbRcv[ibit / 8] = b;
            ibit += 8;
            continue;
        }
        for (unsigned k = 0; k < cbit; k++, ibit++) {
            uint8_t &bDst = fwif.pbRcv[ibit / 8];
            bDst = uint8_t((bDst & ~(1u << (ibit % 8))) | (((b >> k) & 1) << (ibit % 8)));
        }
    }
}

/* Clocks a step may take: as much as one buffer holds. */
uint32_t CclkStep(JMODE jm)
{
    return jm == jmTdi || jm == jmTdo ? 8 * 60000u : jm == jmTms ? 7 * 20000u : 20000u;
}

void ShiftStep(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint32_t iclk = fwif.cOutDone, cclk = fwif.cOutTotal - iclk;
    if (cclk > CclkStep(JMODE(jt.jm)))
        cclk = CclkStep(JMODE(jt.jm));
    /* Never past the caller's buffers: the bytes this step needs must be there. */
    uint64_t cbNeedOut = jt.jm == jmTdo ? 0 : jt.jm == jmPairs ? (uint64_t(iclk) + cclk + 3) / 4 : (uint64_t(iclk) + cclk + 7) / 8;
    uint64_t cbNeedIn = jt.fCapture ? (uint64_t(iclk) + cclk + 7) / 8 : 0;
    bool fOk = cbNeedOut <= fwif.cbSnd && cbNeedIn <= fwif.cbRcv && FQueueShift(i, iclk, cclk);
    uint32_t cbAns = uint32_t(jt.rgcbitAns.size());
    if (fOk && cbAns > 0)
        fOk = FAdd(jt, { 0x87 });
    fOk = fOk && FMpsFlush(&jt.mpsbuf, jt.hChannel, cbAns > 0 || !jt.fBuffered, cbAns);
    if (!fOk) {
        fwif.stsPhase = jt.fCapture && jt.jm != jmTdo ? stsSndRcvLess : jt.jm == jmTdo ? stsRcvLess : stsSndLess;
        return FwFailPhase(i);
    }
    if (cbAns > 0)
        UnpackTdo(i, iclk);
    fwif.cOutDone += cclk;
    fwif.cbSndDone = uint32_t(cbNeedOut);
    if (jt.fCapture) {
        fwif.cInDone = fwif.cOutDone;
        fwif.cbRcvDone = uint32_t(cbNeedIn);
    }
    if (fwif.cOutDone >= fwif.cOutTotal)
        FwPhaseFinished(i);
}

void Shift(int i, JMODE jm)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint8_t cbLen = jm == jmPairs ? 8 : 9;
    if (fwif.rgbCmd[0] != cbLen)
        return FwSetSts(i, stsBadLength);
    const uint8_t *pbArg = fwif.rgbCmd + 4;
    uint32_t cclk = 0;
    memcpy(&cclk, pbArg + (jm == jmPairs ? 1 : 2), 4);
    jt.jm = jm;
    jt.fCapture = jm == jmTdo || pbArg[0] != 0;
    fwif.cOutDone = fwif.cInDone = 0;
    fwif.cOutTotal = cclk;
    fwif.cInTotal = jt.fCapture ? cclk : 0;
    if (cclk == 0)
        return FwSetSts(i, stsBadArgument);
    if (jt.scanFormat > 4) {
        /* Two-wire: the fixed levels go into the frames; the pins are prepared with TCK low. */
        if (!FJtagTwoWireEngine(jt))
            return FwSetSts(i, stsNotSupported);
        bool fTms = jt.fTms, fTdi = jt.fTdi;
        if (jm == jmTdi)
            jt.fTmsLevel = fTms = pbArg[1] != 0;
        else if (jm == jmTdo) {
            jt.fTmsLevel = fTms = pbArg[0] != 0;
            jt.fTdiLevel = fTdi = pbArg[1] != 0;
            fwif.cOutTotal = 0;
        } else if (jm == jmTms)
            jt.fTdiLevel = pbArg[1] != 0;
        if (!(FJtagPins(jt, fTms, fTdi, false, false) && FMpsFlush(&jt.mpsbuf, jt.hChannel, 0, 0)))
            return FwSetSts(i, stsFtdiIo);
        if (!FJtagTwoWireArm(i))
            return FwSetSts(i, stsNotSupported);
    } else {
        if (jm == jmTdi)
            jt.fTms = pbArg[1] != 0;
        else if (jm == jmTdo) {
            jt.fTms = pbArg[0] != 0;
            jt.fTdi = pbArg[1] != 0;
        } else if (jm == jmTms)
            jt.fTdi = pbArg[1] != 0;
        FwArmPhase(i, 1, ShiftStep, FwDoneSts, nullptr);
    }
    fwif.fsStsCounts = jm == jmTdo ? 0x40 : jt.fCapture ? 0xC0 : 0x80;
    fwif.cmdCompletion = uint8_t(jm | 0x80);
}


void SetTck(int i)
{
    JTAGIF &jt = rgjtag[i];
    uint32_t freqOld = jt.freqTck, cbFlushOld = jt.mpsbuf.cbFlush;
    uint32_t freq = FreqSet(jt, DwArg(i, 0), !jt.fBuffered);
    if (!FMpsFlush(&jt.mpsbuf, jt.hChannel, !jt.fBuffered, jt.fBuffered ? 0 : 1)) {
        jt.freqTck = freqOld;
        jt.mpsbuf.cbFlush = cbFlushOld;
        return FwSetSts(i, stsFtdiIo);
    }
    jt.freqTck = freq;
    JtagPadCounts(freq, &jt.cPadPre, &jt.cPadPost);
    FwPutRet(i, &jt.freqTck, 4);
}

void SetPins(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    bool fOk = FJtagPins(jt, fwif.rgbCmd[4] != 0, fwif.rgbCmd[5] != 0, fwif.rgbCmd[6] != 0, true) && FJtagWrite(jt);
    if (!fOk)
        FwSetSts(i, stsFtdiIo);
}

void GetPins(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!FAdd(jt, { 0x81, 0x87 }) || !FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1))
        return FwSetSts(i, stsFtdiIo);
    uint8_t b = jt.mpsbuf.pb[0];
    uint8_t rgb[4] = { uint8_t((b & pinTms) != 0), uint8_t((b & pinTdi) != 0), uint8_t((b & pinTdo) != 0),
                       uint8_t((b & pinTck) != 0) };
    FwPutRet(i, rgb, 4);
}

/* Command 7: TCK clocks with TMS and TDI held, no host data (state 3). */
void ClockStep(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint32_t cclk = fwif.cOutTotal - fwif.cOutDone;
    if (cclk > 8 * jt.mpsbuf.cbFlush)
        cclk = 8 * jt.mpsbuf.cbFlush;
    uint32_t cb = cclk / 8, cbit = cclk % 8;
    bool fOk = FPins(jt);
    if (cb > 0) {
        /* Whole bytes: 0x19 with data bytes that hold TDI at its level. */
        fOk = fOk && FAdd(jt, { 0x19, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) }) && jt.mpsbuf.cb + cb <= 65536;
        if (fOk) {
            memset(jt.mpsbuf.pb + jt.mpsbuf.cb, jt.fTdi ? 0xFF : 0x00, cb);
            jt.mpsbuf.cb += cb;
        }
    }
    if (cbit > 0)
        fOk = fOk && FAdd(jt, { 0x8E, uint8_t(cbit - 1) });
    fOk = fOk && FJtagWrite(jt);
    if (!fOk) {
        fwif.stsPhase = stsSndLess;
        return FwFailPhase(i);
    }
    fwif.cOutDone += cclk;
    if (fwif.cOutDone >= fwif.cOutTotal)
        FwPhaseFinished(i);
}

void Clock(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    jt.fTms = fwif.rgbCmd[4] != 0;
    jt.fTdi = fwif.rgbCmd[5] != 0;
    fwif.cOutDone = fwif.cInDone = fwif.cInTotal = 0;
    memcpy(&fwif.cOutTotal, fwif.rgbCmd + 6, 4);
    if (fwif.cOutTotal == 0)
        return FwSetSts(i, stsBadArgument);
    FwArmPhase(i, 3, ClockStep, FwDoneSts, nullptr);
    fwif.fsStsCounts = 0x80;
    fwif.cmdCompletion = 0x87;
}

/* Answers still in the chip for bytes written since the last read-back are
 * collected with one more read-back, so later reads stay aligned. */
bool FSyncIfWritten(JTAGIF &jt)
{
    if (jt.mpsbuf.cb == 0 && !jt.mpsbuf.fWritten)
        return true;
    return FAdd(jt, { 0x81, 0x87 }) && FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1);
}

/* Command 12: buffering on or off. */
void SetBuffered(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    bool fOn = fwif.rgbCmd[4] != 0;
    if (!fOn && jt.fBuffered)
        FSyncIfWritten(jt);
    if (fOn)
        fwif.fsPrtBuffered |= 1u;
    else
        fwif.fsPrtBuffered &= ~1u;
    jt.fBuffered = fOn;
}

/* Command 13: a wait in microseconds, as TCK periods the target does not see. */
void Wait(int i)
{
    JTAGIF &jt = rgjtag[i];
    uint32_t tus = DwArg(i, 0), tusActual = 1000000, cclk = 0;
    if (tus != 0) {
        CclkFromTus(jt.freqTck, tus > 1000000 ? 1000000 : tus, &tusActual, &cclk);
        jt.mpsbuf.tusQueued += tusActual;
        if (!FJtagWaitClocks(jt, cclk))
            return FwSetSts(i, stsFtdiIo);
        if ((!jt.fBuffered || jt.mpsbuf.tusQueued > 1999999) &&
            !(FAdd(jt, { 0x81, 0x87 }) && FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1)))
            return FwSetSts(i, stsFtdiIo);
    }
    FwPutRet(i, &tusActual, 4);
}

/* Command 14: everything queued goes out, and the chip has run it. */
void Flush(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!FAdd(jt, { 0x81, 0x87 }) || !FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 1))
        FwSetSts(i, stsFtdiIo);
}

} // namespace

int FJtagInit(int i)
{
    JTAGIF &jt = rgjtag[i];
    free(jt.mpsbuf.pb);
    jt.hChannel = nullptr;
    jt.fEnabled = 0;
    jt.mpsbuf = MPSBUF();
    jt.mpsbuf.cbFlush = 4096;
    jt.mpsbuf.pb = static_cast<uint8_t *>(malloc(65536));
    BatchReset(jt);
    return jt.mpsbuf.pb != nullptr;
}

void JtagTerm(int i)
{
    JTAGIF &jt = rgjtag[i];
    Disable(i);
    free(jt.mpsbuf.pb);
    jt.mpsbuf.pb = nullptr;
}

/* Required length byte of commands 3 to 31 (0: not checked). */
const uint8_t rgcbCmd[32] = {
    0, 0, 0, 7, 3, 6, 3, 9, 9, 9, 8, 9, 4, 7, 3, 5,
    3, 9, 3, 8, 3, 4, 5, 11, 3, 5, 3, 7, 3, 7, 3, 5,
};

/* Property bits each of commands 12 to 31 needs (any one of them). */
const uint32_t rgfsGate[32] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1u << 2, 1u << 3, 1u << 2, 0xFF80, 0xFF80, 1u << 5, 1u << 5, 1u << 4, 1u << 4, 1u << 6, 1u << 16,
    1u << 17, 1u << 17, 1u << 18, 1u << 19, 1u << 19, 1u << 19, 1u << 19, 1u << 19, 1u << 20,
};

bool FOffered(uint8_t cmd) { return rgfsGate[cmd] == 0 || (dprpJtag & rgfsGate[cmd]) != 0; }

/* Commands that only read or set the port's fields, with no channel needed. */
bool FFieldsOnly(uint8_t cmd)
{
    return cmd == 4 || (cmd >= 16 && cmd <= 20) || cmd == 26 || cmd == 28;
}

void JtagDispatch(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint8_t cmd = fwif.cmdCur;
    if (cmd == 2) {
        unsigned n = fwif.rgbCmd[4] > 5 ? 5 : fwif.rgbCmd[4];
        if (n == 0 || (n - 1) % 4 != 0)
            return FwSetSts(i, stsBadArgument);
        uint8_t cprt = 1;
        FwPutRet(i, &cprt, 1);
        if (n == 5)
            FwPutRet(i, &dprpJtag, 4);
        return;
    }
    if (fwif.prtCur != 0)
        return FwSetSts(i, stsInvalidPort);
    if (cmd == 24) {
        if (fwif.rgbCmd[0] != rgcbCmd[cmd])
            return FwSetSts(i, stsBadLength);
        if (!FOffered(cmd))
            return FwSetSts(i, stsNotSupported);
        return FwPutRet(i, &dprpBatch, 4);
    }
    if (cmd == 0)
        return Enable(i);
    /* The port bit is shared by every process: a port another process enabled passes. */
    if (!(FsFtdevPorts(i) & 1))
        return FwSetSts(i, stsNotEnabled);
    if (cmd >= 32)
        return FwSetSts(i, stsUnknownCommand);
    if (cmd == 1)
        return Disable(i);
    if (fwif.rgbCmd[0] != rgcbCmd[cmd])
        return FwSetSts(i, stsBadLength);
    if (!FOffered(cmd))
        return FwSetSts(i, stsNotSupported);
    /* Enabled elsewhere only: this process holds no channel to talk to. */
    if (!jt.fEnabled && !FFieldsOnly(cmd))
        return FwSetSts(i, stsFtdiIo);
    switch (cmd) {
    case 3: return SetTck(i);
    case 4: return FwPutRet(i, &jt.freqTck, 4);
    case 5: return SetPins(i);
    case 6: return GetPins(i);
    case jmClock: return Clock(i);
    case jmTdi: case jmTdo: case jmPairs: case jmTms: return Shift(i, JMODE(cmd));
    case 12: return SetBuffered(i);
    case 13: return Wait(i);
    case 14: return Flush(i);
    case 23: return JtagBatchArm(i);
    default:
        if (cmd <= 22)
            return JtagTwoWireCmd(i);
        return JtagGpioCmd(i);
    }
}

#endif /* AMBREL_JTAG */
