/*
 * fwjtagtw.cpp - the JTAG port's two-wire commands (15 to 22): the scan
 * format and the move of the lines into and out of two-wire use, the ready
 * and tail-clock parameters of the two-wire formats, and the toggle and
 * level sequences on the JTAG lines.
 *
 * In two-wire use TDI is the data line. Entering it the data line takes the
 * TMS level and TMS the former data level; leaving it, the reverse.
 */
#include "fwjtag.h"

#if AMBREL_JTAG

#include <vector>

namespace {

bool FAdd(JTAGIF &jt, std::initializer_list<uint8_t> rgb) { return FJtagAdd(jt, rgb); }

/* Formats 1 to 4 always; format k from 5 to 13 with property bit k + 2. */
bool FScanFormatAllowed(uint8_t scanFormat)
{
    if (scanFormat >= 1 && scanFormat <= 4)
        return true;
    return scanFormat >= 5 && scanFormat <= 13 && ((dprpJtag >> (scanFormat + 2)) & 1);
}

/* Command 15. */
void SetScanFormat(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint8_t scanFormat = fwif.rgbCmd[4];
    if (!FScanFormatAllowed(scanFormat))
        return FwSetSts(i, stsNotSupported);
    jt.scanFormat = scanFormat;
    jt.fFormatOption = fwif.rgbCmd[5] != 0;
    uint32_t fTwoWire = scanFormat > 4;
    if (fTwoWire == jt.fTwoWire)
        return;
    bool fTdi = jt.fTdi, fTms = jt.fTms;
    jt.bHigh |= pinAux;
    jt.bHighDir |= pinAux;
    bool fOk;
    if (fTwoWire) {
        jt.fTdi = fTms;
        jt.fTck = false;
        fOk = FJtagPinsAll(jt, bDirJtag) && FJtagPinsAll(jt, bDirJtag);
        jt.fTms = fTdi;
        fOk = fOk && FJtagPinsAll(jt, bDirJtag);
    } else {
        jt.fTms = fTdi;
        fOk = FJtagPinsAll(jt, bDirJtag) && FJtagPinsAll(jt, bDirJtag);
        jt.fTdi = fTms;
        jt.fTck = false;
        fOk = fOk && FJtagPinsAll(jt, bDirJtag);
    }
    if (!(fOk && FJtagWrite(jt)))
        return FwSetSts(i, stsFtdiIo);
    jt.fTwoWire = fTwoWire;
}

/* Command 17: ready bits 1 to 4; the poll limit 100 unless given, at least 1. */
void SetReady(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    uint8_t cbit = fwif.rgbCmd[4];
    if (cbit < 1 || cbit > 4)
        return FwSetSts(i, stsBadArgument);
    uint32_t cpoll = 100;
    if (fwif.rgbCmd[5] != 0) {
        const uint8_t *pb = fwif.rgbCmd + 6;
        cpoll = uint32_t(pb[0]) | uint32_t(pb[1]) << 8 | uint32_t(pb[2]) << 16 | uint32_t(pb[3]) << 24;
        if (cpoll == 0)
            cpoll = 1;
    }
    jt.cbitReady = cbit;
    jt.cpollReady = cpoll;
    FwPutRet(i, &cpoll, 4);
}

/* Command 19: the tail level and at most 128 tail clocks. */
void SetTail(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    const uint8_t *pb = fwif.rgbCmd + 5;
    uint32_t cclk = uint32_t(pb[0]) | uint32_t(pb[1]) << 8 | uint32_t(pb[2]) << 16 | uint32_t(pb[3]) << 24;
    if (cclk > 128)
        cclk = 128;
    jt.fTailHigh = fwif.rgbCmd[4] != 0;
    jt.cclkTail = cclk;
    FwPutRet(i, &cclk, 4);
}

/* Levels of n slots that alternate and end with three at fLevel, the one
 * before them at its complement (all at fLevel when n is 3 or less). */
std::vector<bool> RgfSlots(uint32_t n, bool fLevel)
{
    std::vector<bool> rgf(n);
    for (uint32_t j = 0; j < n; j++)
        rgf[j] = j + 3 >= n ? fLevel : (fLevel != (((n - 3 - j) & 1) != 0));
    return rgf;
}

/* Command 21: c pattern slots while TCK is released and pulled high. */
bool FToggleSeq(JTAGIF &jt, uint32_t c)
{
    if (c < 2)
        return false;
    jt.fTck = false;
    bool fOk = FJtagPinsAll(jt, bDirJtag);
    jt.fTck = true;
    fOk = fOk && FJtagPinsAll(jt, bDirJtag & ~pinTck) && FAdd(jt, { 0x8E, 0x00 });
    uint8_t bTdi = jt.fTdi ? 0x80 : 0x00;
    if (jt.fTwoWire) {
        uint8_t bPattern = jt.fTdi ? 0xAA : 0x55;
        if (c >= 8) {
            uint32_t cb = c / 8;
            fOk = fOk && FAdd(jt, { 0x19, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) });
            for (uint32_t ib = 0; ib < cb && fOk; ib++)
                fOk = FAdd(jt, { bPattern });
        }
        if (c % 8 != 0)
            fOk = fOk && FAdd(jt, { 0x1B, uint8_t(c % 8 - 2), bPattern });
    } else {
        /* by slot count, TMS low and high (the count is even: 6, 4 and 2 are used) */
        static const uint8_t rgbLow[7] = { 0, 0x03, 0x01, 0x0D, 0x05, 0x35, 0x15 };
        static const uint8_t rgbHigh[7] = { 0, 0x00, 0x06, 0x02, 0x1A, 0x0A, 0x6A };
        for (uint32_t cLeft = c; cLeft > 0 && fOk;) {
            uint32_t cbit = cLeft > 6 ? 6 : cLeft;
            fOk = FAdd(jt, { 0x4B, uint8_t(cbit - 1), uint8_t(bTdi | (jt.fTms ? rgbHigh : rgbLow)[cbit]) });
            cLeft -= cbit;
        }
    }
    fOk = fOk && FAdd(jt, { 0x8E, 0x00 });
    jt.fTck = false;
    return fOk && FJtagPinsAll(jt, bDirJtag & ~pinTck) && FJtagPinsAll(jt, bDirJtag);
}

/* Command 22: b + 4 slots ending at fLevel on the data line (two-wire) or TMS. */
bool FLevelSeq(JTAGIF &jt, uint32_t b, bool fLevel)
{
    jt.fTck = false;
    bool fOk = FJtagPinsAll(jt, bDirJtag);
    uint32_t n = b + 4;
    std::vector<bool> rgf = RgfSlots(n, fLevel);
    rgf[0] = rgf[1];
    if (jt.fTwoWire) {
        std::vector<uint8_t> rgb((n + 7) / 8, 0);
        for (uint32_t j = 0; j < n; j++)
            rgb[j / 8] = uint8_t(rgb[j / 8] | (rgf[j] ? 1u << (j % 8) : 0u));
        uint32_t cb = n / 8;
        if (cb > 0)
            fOk = fOk && FAdd(jt, { 0x19, uint8_t(cb - 1), uint8_t((cb - 1) >> 8) }) &&
                  FMpsAddBytes(&jt.mpsbuf, rgb.data(), cb);
        if (n % 8 != 0)
            fOk = fOk && FAdd(jt, { 0x1B, uint8_t(n % 8 - 1), rgb[cb] });
        jt.fTdi = rgf[n - 1];
    } else {
        uint8_t bTdi = jt.fTdi ? 0x80 : 0x00;
        for (uint32_t j = 0; j < n && fOk; j += 7) {
            uint32_t cbit = n - j > 7 ? 7 : n - j;
            uint8_t bData = bTdi;
            for (uint32_t k = 0; k < cbit; k++)
                bData = uint8_t(bData | (rgf[j + k] ? 1u << k : 0u));
            fOk = FAdd(jt, { 0x4B, uint8_t(cbit - 1), bData });
        }
        jt.fTms = rgf[n - 1];
    }
    return fOk;
}

} // namespace

void JtagTwoWireReset(JTAGIF &jt)
{
    jt.scanFormat = 1;
    jt.fFormatOption = 0;
    jt.fTwoWire = 0;
    jt.cbitReady = 1;
    jt.cpollReady = 100;
    jt.cclkTail = 0;
    jt.fTailHigh = 0;
}

/* Commands 15 to 22, their length and property bits checked. */
void JtagTwoWireCmd(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    switch (fwif.cmdCur) {
    case 15: return SetScanFormat(i);
    case 16: {
        uint8_t rgb[2] = { jt.scanFormat, uint8_t(jt.fFormatOption) };
        return FwPutRet(i, rgb, 2);
    }
    case 17: return SetReady(i);
    case 18:
        FwPutRet(i, &jt.cbitReady, 1);
        return FwPutRet(i, &jt.cpollReady, 4);
    case 19: return SetTail(i);
    case 20: {
        uint8_t fHigh = uint8_t(jt.fTailHigh);
        FwPutRet(i, &jt.cclkTail, 4);
        return FwPutRet(i, &fHigh, 1);
    }
    case 21: {
        uint8_t c = fwif.rgbCmd[4];
        if (c % 2 != 0)
            return FwSetSts(i, stsBadArgument);
        if (!(FToggleSeq(jt, c) && FJtagWrite(jt)))
            return FwSetSts(i, stsFtdiIo);
        return;
    }
    case 22:
        if (!(FLevelSeq(jt, fwif.rgbCmd[4], fwif.rgbCmd[5] != 0) && FJtagWrite(jt)))
            return FwSetSts(i, stsFtdiIo);
        return;
    default: return FwSetSts(i, stsNotSupported);
    }
}

#endif /* AMBREL_JTAG */
