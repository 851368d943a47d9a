// jtagproto.cpp - JTAG protocol (protocol 2) of the board's firmware.
//
// One JTAG port (port 0) in front of the board's chain model. The data
// commands clock the chain bit by bit as their host bytes arrive. Host data
// layouts: bit i of a stream is bit i % 8 of byte i / 8 (LSB first); a
// TMS/TDI pair j sits in bits 2 (j % 4) (TDI) and 2 (j % 4) + 1 (TMS) of
// byte j / 4; captured TDO bits come back one per clock in the same order.

#include "fw.h"

namespace sim {

namespace {

enum JMODE : uint8_t {
    jmodeShiftTdi,      // command 8: TDI bits, TMS held
    jmodeGetTdo,        // command 9: TMS and TDI held, TDO read
    jmodePairs,         // command 10: TMS/TDI pairs
    jmodeShiftTms,      // command 11: TMS bits, TDI held
};

class JTAGPHASE : public PHASE {
public:
    JTAGPHASE(CHAIN &chainIn, JTAGPORT &jportIn, JMODE jmodeIn, bool fCaptureIn, uint32_t cunitIn)
        : chain(chainIn), jport(jportIn), jmode(jmodeIn), fCapture(fCaptureIn), cunit(cunitIn)
    {
        unsigned cunitPerByte = jmode == jmodePairs ? 4 : 8;
        cbOutTotal = jmode == jmodeGetTdo ? 0 : (uint64_t(cunit) + cunitPerByte - 1) / cunitPerByte;
        cbInTotal = fCapture ? (uint64_t(cunit) + 7) / 8 : 0;
    }

    uint32_t COutDone() const override { return cunitDone; }
    uint32_t CInDone() const override
    {
        uint64_t c = cbInTaken * 8;
        return uint32_t(c < cunit ? c : cunit);
    }

protected:
    void OnOut(const uint8_t *pb, size_t cb) override
    {
        if (FShiftDrRun(pb, cb))
            return;
        for (size_t ib = 0; ib < cb; ib++) {
            if (jmode == jmodePairs) {
                for (unsigned j = 0; j < 4 && cunitDone < cunit; j++)
                    Clock((pb[ib] >> (2 * j + 1)) & 1, (pb[ib] >> (2 * j)) & 1);
            } else {
                for (unsigned ibit = 0; ibit < 8 && cunitDone < cunit; ibit++) {
                    bool fBit = (pb[ib] >> ibit) & 1;
                    if (jmode == jmodeShiftTdi)
                        Clock(jport.fTms, fBit);
                    else
                        Clock(fBit, jport.fTdi);
                }
            }
        }
        FlushTdo();
    }

    void Produce(size_t cbMax) override
    {
        if (jmode != jmodeGetTdo)
            return;
        for (size_t ib = 0; ib < cbMax && cunitDone < cunit; ib++)
            for (unsigned ibit = 0; ibit < 8 && cunitDone < cunit; ibit++)
                Clock(jport.fTms, jport.fTdi);
        FlushTdo();
    }

private:
    // TDI bits with TMS low in Shift-DR (the bulk of a configuration): the
    // chain takes them register by register. False when it is not such a run.
    bool FShiftDrRun(const uint8_t *pb, size_t cb)
    {
        if (jmode != jmodeShiftTdi || jport.fTms || chain.Tap() != TAP_DRSHIFT || cunitDone % 8 != 0)
            return false;
        uint64_t cclkLeft = cunit - cunitDone;
        size_t cclk = size_t(uint64_t(cb) * 8 < cclkLeft ? uint64_t(cb) * 8 : cclkLeft);
        if (cclk < cclkRunMin)
            return false;
        rgbitTdi.resize(cclk);
        rgbitTdo.resize(cclk);
        for (size_t i = 0; i < cclk; i++)
            rgbitTdi[i] = (pb[i / 8] >> (i % 8)) & 1;
        chain.ShiftDrRun(rgbitTdi.data(), cclk, rgbitTdo.data());
        jport.fTdi = rgbitTdi[cclk - 1] != 0;
        for (size_t i = 0; i < cclk; i++)
            CaptureTdo(rgbitTdo[i] != 0);
        cunitDone += uint32_t(cclk);
        FlushTdo();
        return true;
    }

    void CaptureTdo(bool fTdo)
    {
        if (!fCapture)
            return;
        bTdo |= uint8_t(fTdo ? 1 : 0) << cbitTdo;
        if (++cbitTdo == 8) {
            qIn.push_back(bTdo);
            bTdo = 0;
            cbitTdo = 0;
        }
    }

    void Clock(bool fTms, bool fTdi)
    {
        bool fTdo = chain.FClock(fTms, fTdi);
        jport.fTms = fTms;
        jport.fTdi = fTdi;
        CaptureTdo(fTdo);
        cunitDone++;
    }

    void FlushTdo()
    {
        if (fCapture && cunitDone >= cunit && cbitTdo > 0) {
            qIn.push_back(bTdo);
            bTdo = 0;
            cbitTdo = 0;
        }
    }

    CHAIN &chain;
    JTAGPORT &jport;
    JMODE jmode;
    bool fCapture;
    uint32_t cunit;
    uint32_t cunitDone = 0;
    uint8_t bTdo = 0;
    unsigned cbitTdo = 0;
    std::vector<uint8_t> rgbitTdi, rgbitTdo;
};

// A clock run without host data: all clocks happen when the command arrives
// (a constant TMS/TDI reaches a fixed point, so a long run is cut short).
class CLOCKPHASE : public PHASE {
public:
    explicit CLOCKPHASE(uint32_t cclkIn) : cclk(cclkIn) {}
    uint32_t COutDone() const override { return cclk; }

protected:
    void OnOut(const uint8_t *, size_t) override {}

private:
    uint32_t cclk;
};

struct JCMD {
    uint8_t cbLen;      // required length byte, 0 = not checked
    int ibitGate;       // property bit the command needs, -1 = none
};

// Lengths and property gates of commands 0 to 31.
const JCMD rgjcmd[32] = {
    { 0, -1 }, { 0, -1 }, { 0, -1 }, { 7, -1 }, { 3, -1 }, { 6, -1 }, { 3, -1 }, { 9, -1 },
    { 9, -1 }, { 9, -1 }, { 8, -1 }, { 9, -1 }, { 4, 2 }, { 7, 3 }, { 3, 2 }, { 5, 7 },
    { 3, 7 }, { 9, 5 }, { 3, 5 }, { 8, 4 }, { 3, 4 }, { 4, 6 }, { 5, 16 }, { 11, 17 },
    { 3, 17 }, { 5, 18 }, { 3, 19 }, { 7, 19 }, { 3, 19 }, { 7, 19 }, { 3, 19 }, { 5, 20 },
};

uint32_t FreqClamp(uint32_t freq)
{
    if (freq > 30000000)
        return 30000000;
    if (freq < 8000)
        return 8000;
    return freq;
}

} // namespace

void JtagPinsSet(CHAIN &chain, JTAGPORT &jport, bool fTms, bool fTdi, bool fTck)
{
    // A rising TCK edge clocks the chain with the levels now on TMS and TDI.
    bool fRise = fTck && !jport.fTck;
    jport.fTms = fTms;
    jport.fTdi = fTdi;
    jport.fTck = fTck;
    if (fRise)
        chain.FClock(fTms, fTdi);
}

void FW::JtagCommand(const uint8_t *pb, size_t cb)
{
    uint8_t cmd = pb[2];
    uint8_t prt = cb >= 4 ? pb[3] : 0xFF;
    if (cmd >= 32) {
        PushSts(stsUnknownCommand);
        return;
    }
    if (cmd == 2) {
        FPortProps(pb, cb, std::vector<uint32_t>(rgjport.size(), bd.dprpJtag));
        return;
    }
    if (prt >= rgjport.size()) {
        PushSts(stsInvalidPort);
        return;
    }
    JTAGPORT &jport = rgjport[prt];
    if (cmd == 0) {
        jport = JTAGPORT();
        jport.fEnabled = true;
        PushSts(stsNoErc);
        return;
    }
    if (cmd != 24 && !jport.fEnabled) {
        PushSts(stsCapabilityNotEnabled);
        return;
    }
    if (cmd == 1) {
        jport.fEnabled = false;
        PushSts(stsNoErc);
        return;
    }
    const JCMD &jcmd = rgjcmd[cmd];
    if (jcmd.cbLen != 0 && pb[0] != jcmd.cbLen) {
        PushSts(stsBadCommandLength);
        return;
    }
    if (jcmd.ibitGate >= 0 && !(bd.dprpJtag & (1u << jcmd.ibitGate))) {
        PushSts(stsNotSupported);
        return;
    }
    switch (cmd) {
    case 3:
        jport.freqTck = FreqClamp(U32At(pb, cb, 4));
        PushStsU32(stsNoErc, jport.freqTck);
        break;
    case 4:
        PushStsU32(stsNoErc, jport.freqTck);
        break;
    case 5:
        JtagPinsSet(bd.chain, jport, pb[4] != 0, pb[5] != 0, pb[6] != 0);
        PushSts(stsNoErc);
        break;
    case 6: {
        uint8_t rgb[4] = { jport.fTms, jport.fTdi, bd.chain.FTdo(), jport.fTck };
        PushSts(stsNoErc, rgb, 4);
        break;
    }
    case 7: {
        bool fTms = pb[4] != 0, fTdi = pb[5] != 0;
        uint32_t cclk = U32At(pb, cb, 6);
        uint64_t cclkRun = cclk < bd.chain.CbitSaturate() ? cclk : bd.chain.CbitSaturate();
        JtagPinsSet(bd.chain, jport, fTms, fTdi, false);
        for (uint64_t i = 0; i < cclkRun; i++)
            bd.chain.FClock(fTms, fTdi);
        auto pphaseNew = std::make_unique<CLOCKPHASE>(cclk);
        pphaseNew->fsCounts = 0x80;
        ArmPhase(std::move(pphaseNew), pb);
        break;
    }
    case 8: case 9: case 10: case 11: {
        JMODE jmode = JMODE(cmd - 8);
        bool fCapture = jmode == jmodeGetTdo ? true : pb[4] != 0;
        uint32_t cunit = U32At(pb, cb, jmode == jmodePairs ? 5 : 6);
        jport.fTck = false;
        if (jmode == jmodeShiftTdi)
            jport.fTms = pb[5] != 0;
        else if (jmode == jmodeGetTdo) {
            jport.fTms = pb[4] != 0;
            jport.fTdi = pb[5] != 0;
        } else if (jmode == jmodeShiftTms)
            jport.fTdi = pb[5] != 0;
        auto pphaseNew = std::make_unique<JTAGPHASE>(bd.chain, jport, jmode, fCapture, cunit);
        pphaseNew->fsCounts = jmode == jmodeGetTdo ? 0x40 : (fCapture ? 0xC0 : 0x80);
        ArmPhase(std::move(pphaseNew), pb);
        break;
    }
    case 12:
        jport.fBuffered = pb[4] != 0;
        PushSts(stsNoErc);
        break;
    case 13: {
        uint32_t tus = U32At(pb, cb, 4);
        PushStsU32(stsNoErc, tus == 0 || tus > 1000000 ? 1000000 : tus);
        break;
    }
    case 14:
        PushSts(stsNoErc);
        break;
    case 23:
        ArmPhase(PphaseJtagBatch(bd.chain, jport, U32At(pb, cb, 4), U32At(pb, cb, 8)), pb);
        break;
    case 24:
        PushStsU32(stsNoErc, 0);        // batch property word: no extra operations
        break;
    default:
        // TODO: two-wire formats, GPIO and control outputs.
        PushSts(stsNotSupported);
        break;
    }
}

} // namespace sim
