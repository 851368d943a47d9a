// mpsse.cpp - the MPSSE command processor.

#include "mpsse.h"

namespace sim {

namespace {

enum : uint8_t {
    pinTck = 0x01,
    pinTdi = 0x02,
    pinTdo = 0x04,
    pinTms = 0x08,
    pinGpiol1 = 0x20,
};

} // namespace

void MPSSE::Reset()
{
    rgbIn.clear();
    fWaiting = false;
    bLowVal = bLowDir = bHighVal = bHighDir = 0;
    divisor = 0;
    fDiv5 = true;
    fThreePhase = fAdaptive = fLoopback = false;
}

uint32_t MPSSE::FreqTck() const
{
    uint32_t freqBase = fDiv5 ? 12000000 : 60000000;
    return freqBase / ((1 + uint32_t(divisor)) * 2);
}

bool MPSSE::FPinOut(int ibit, bool fDefault) const
{
    // A pin the engine does not drive floats to its pull-up.
    return (bLowDir >> ibit) & 1 ? ((bLowVal >> ibit) & 1) != 0 : fDefault;
}

bool MPSSE::FBit(bool fTms, bool fTdi, bool fReadFalling)
{
    // fTms / fTdi are the levels the engine puts out; undriven pins read 1.
    bool fTmsPin = (bLowDir & pinTms) ? fTms : true;
    bool fTdiPin = (bLowDir & pinTdi) ? fTdi : true;
    bool fTdoBefore = fLoopback ? fTdi : pport->FTdo();
    bool fTdoAfter = fTdoBefore;
    if (bLowDir & pinTck) {
        fTdoAfter = pport->FClock(fTmsPin, fTdiPin);
        if (fLoopback)
            fTdoAfter = fTdi;
    }
    cclk++;
    uint64_t tnsPeriod = 1000000000ull / FreqTck();
    tnsWire += fThreePhase ? tnsPeriod * 3 / 2 : tnsPeriod;
    return fReadFalling ? fTdoAfter : fTdoBefore;
}

void MPSSE::ClockIdle(uint64_t cbit)
{
    bool fTms = FPinOut(3, true), fTdi = FPinOut(1, true);
    for (uint64_t ibit = 0; ibit < cbit; ibit++)
        FBit(fTms, fTdi, false);
}

bool MPSSE::FGpiol1()
{
    return (bLowDir & pinGpiol1) ? (bLowVal & pinGpiol1) != 0 : pport->FInput(5);
}

uint8_t MPSSE::BReadLow()
{
    uint8_t b = 0;
    for (int ibit = 0; ibit < 8; ibit++) {
        bool f;
        if ((bLowDir >> ibit) & 1)
            f = (bLowVal >> ibit) & 1;
        else if (ibit == 2)
            f = fLoopback ? FPinOut(1, true) : pport->FTdo();
        else
            f = pport->FInput(ibit);
        b |= uint8_t(f) << ibit;
    }
    return b;
}

uint8_t MPSSE::BReadHigh()
{
    uint8_t b = 0;
    for (int ibit = 0; ibit < 8; ibit++) {
        bool f = (bHighDir >> ibit) & 1 ? ((bHighVal >> ibit) & 1) != 0 : pport->FInput(8 + ibit);
        b |= uint8_t(f) << ibit;
    }
    return b;
}

void MPSSE::SetLow(uint8_t bVal, uint8_t bDir)
{
    // TCK driven from low to high by a pin write is a clock edge of its own
    // (bit-banged clocking): the board sees one period with the pins' levels.
    bool fRise = (bDir & pinTck) && (bVal & pinTck) && !((bLowDir & pinTck) && (bLowVal & pinTck));
    bLowVal = bVal;
    bLowDir = bDir;
    if (fRise) {
        bool fTms = FPinOut(3, true), fTdi = FPinOut(1, true);
        pport->FClock(fTms, fTdi);
        cclk++;
    }
}

size_t MPSSE::CbShift(const uint8_t *pb, size_t cb, std::vector<uint8_t> &rgbOut)
{
    uint8_t op = pb[0];
    bool fWriteFalling = op & 0x01, fBits = op & 0x02, fReadFalling = op & 0x04, fLsb = op & 0x08;
    bool fWriteTdi = op & 0x10, fRead = op & 0x20, fTmsCmd = op & 0x40;
    (void)fWriteFalling;
    if (fTmsCmd) {
        // TMS: up to 7 bits LSB first, bit 7 on TDI for all of them.
        if (cb < 3)
            return 0;
        unsigned cbit = (pb[1] & 7) + 1;
        if (cbit > 7)
            cbit = 7;
        uint8_t bData = pb[2];
        bool fTdi = (bData & 0x80) != 0;
        uint8_t bIn = 0;
        bool fTms = FPinOut(3, true);
        for (unsigned ibit = 0; ibit < cbit; ibit++) {
            fTms = (bData >> ibit) & 1;
            bool fTdo = FBit(fTms, fTdi, fReadFalling);
            bIn = uint8_t((bIn >> 1) | (fTdo ? 0x80 : 0));
        }
        // The pins keep the last levels put out.
        bLowVal = uint8_t((bLowVal & ~(pinTms | pinTdi)) | (fTms ? pinTms : 0) | (fTdi ? pinTdi : 0));
        if (fRead)
            rgbOut.push_back(bIn);
        return 3;
    }
    bool fTms = FPinOut(3, true);
    bool fTdiLast = FPinOut(1, true);
    if (fBits) {
        if (cb < 2u + (fWriteTdi ? 1u : 0u))
            return 0;
        unsigned cbit = pb[1] + 1u;
        if (cbit > 8)
            cbit = 8;
        uint8_t bData = fWriteTdi ? pb[2] : 0;
        uint8_t bIn = 0;
        for (unsigned ibit = 0; ibit < cbit; ibit++) {
            bool fTdi = fWriteTdi ? ((fLsb ? bData >> ibit : bData >> (7 - ibit)) & 1) != 0 : fTdiLast;
            bool fTdo = FBit(fTms, fTdi, fReadFalling);
            fTdiLast = fTdi;
            bIn = fLsb ? uint8_t((bIn >> 1) | (fTdo ? 0x80 : 0)) : uint8_t((bIn << 1) | (fTdo ? 1 : 0));
        }
        if (fWriteTdi)
            bLowVal = uint8_t((bLowVal & ~pinTdi) | (fTdiLast ? pinTdi : 0));
        if (fRead)
            rgbOut.push_back(bIn);
        return 2u + (fWriteTdi ? 1u : 0u);
    }
    if (cb < 3)
        return 0;
    size_t cbData = size_t(pb[1] | (pb[2] << 8)) + 1;
    if (fWriteTdi && cb < 3 + cbData)
        return 0;
    for (size_t ib = 0; ib < cbData; ib++) {
        uint8_t bData = fWriteTdi ? pb[3 + ib] : 0;
        uint8_t bIn = 0;
        for (unsigned ibit = 0; ibit < 8; ibit++) {
            bool fTdi = fWriteTdi ? ((fLsb ? bData >> ibit : bData >> (7 - ibit)) & 1) != 0 : fTdiLast;
            bool fTdo = FBit(fTms, fTdi, fReadFalling);
            fTdiLast = fTdi;
            bIn = fLsb ? uint8_t((bIn >> 1) | (fTdo ? 0x80 : 0)) : uint8_t((bIn << 1) | (fTdo ? 1 : 0));
        }
        if (fRead)
            rgbOut.push_back(bIn);
    }
    if (fWriteTdi)
        bLowVal = uint8_t((bLowVal & ~pinTdi) | (fTdiLast ? pinTdi : 0));
    return 3 + (fWriteTdi ? cbData : 0);
}

size_t MPSSE::CbRun(const uint8_t *pb, size_t cb, std::vector<uint8_t> &rgbOut, bool &fImmediate)
{
    uint8_t op = pb[0];
    bool fTmsOp = (op & 0x4A) == 0x4A && !(op & 0x90);
    bool fDataOp = op >= 0x10 && op <= 0x3F;
    if (fTmsOp || fDataOp)
        return CbShift(pb, cb, rgbOut);
    switch (op) {
    case 0x80:
    case 0x82:
        if (cb < 3)
            return 0;
        if (op == 0x80)
            SetLow(pb[1], pb[2]);
        else {
            bHighVal = pb[1];
            bHighDir = pb[2];
        }
        return 3;
    case 0x81: rgbOut.push_back(BReadLow()); return 1;
    case 0x83: rgbOut.push_back(BReadHigh()); return 1;
    case 0x84: fLoopback = true; return 1;
    case 0x85: fLoopback = false; return 1;
    case 0x86:
        if (cb < 3)
            return 0;
        divisor = uint16_t(pb[1] | (pb[2] << 8));
        return 3;
    case 0x87: fImmediate = true; return 1;
    case 0x88:
    case 0x89:
    case 0x94:
    case 0x95:
        // Waits (and clocks-until) hold the engine until GPIOL1 has the level.
        if (FGpiol1() != (op == 0x88 || op == 0x94)) {
            fWaiting = true;
            return 0;
        }
        return 1;
    case 0x8A: fDiv5 = false; return 1;
    case 0x8B: fDiv5 = true; return 1;
    case 0x8C: fThreePhase = true; return 1;
    case 0x8D: fThreePhase = false; return 1;
    case 0x8E:
        if (cb < 2)
            return 0;
        ClockIdle((pb[1] & 7) + 1u);
        return 2;
    case 0x8F:
    case 0x9C:
    case 0x9D:
        if (cb < 3)
            return 0;
        if (op == 0x8F || FGpiol1() != (op == 0x9C))
            ClockIdle((uint64_t(pb[1] | (pb[2] << 8)) + 1) * 8);
        return 3;
    case 0x96: fAdaptive = true; return 1;
    case 0x97: fAdaptive = false; return 1;
    case 0x9E: return cb < 3 ? 0 : 3;
    default:
        rgbOut.push_back(0xFA);
        rgbOut.push_back(op);
        cbad++;
        return 1;
    }
}

void MPSSE::Write(const uint8_t *pb, size_t cb, std::vector<uint8_t> &rgbOut, bool &fImmediate)
{
    rgbIn.insert(rgbIn.end(), pb, pb + cb);
    Resume(rgbOut, fImmediate);
}

void MPSSE::Resume(std::vector<uint8_t> &rgbOut, bool &fImmediate)
{
    fWaiting = false;
    size_t ib = 0;
    while (ib < rgbIn.size()) {
        size_t cbUsed = CbRun(rgbIn.data() + ib, rgbIn.size() - ib, rgbOut, fImmediate);
        if (cbUsed == 0)
            break;
        ccmd++;
        ib += cbUsed;
    }
    rgbIn.erase(rgbIn.begin(), rgbIn.begin() + ib);
}

} // namespace sim
