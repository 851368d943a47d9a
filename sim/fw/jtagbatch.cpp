// jtagbatch.cpp - the JTAG batch command (protocol 2, command 23).
//
// The data phase's out bytes are an operation stream; each operation acts on
// the chain at once when all its bytes have arrived, and the TDO bits it
// captures go to the in bytes, every operation starting on a byte boundary
// (bit 0 of the first byte = first bit captured). Operations (arguments
// little-endian, bit data LSB first):
//   1 set pins  u8 (bit 2 TMS, bit 1 TDI, bit 0 TCK; a rising TCK clocks)
//   2 read pins -> 1 byte: bit 3 TMS, bit 2 TDI, bit 1 TDO, bit 0 TCK
//   3 TMS shift u32 n, TMS bits          4 the same, capturing TDO
//   5 TDI shift u32 n, u8 tms, TDI bits  6 the same, capturing TDO
//   7 TDO read  u32 n, u8 tms            8 clocks u32 n (TMS and TDI held)
// For 5 to 7 every bit but the last goes with the TMS level of the port, the
// last with tms. Operations 9 to 16 need batch property bits (the word is 0:
// status 32); anything else, a stream that ends inside an operation, more
// TDO than the phase's in count, or n = 0 with a tms that would need an exit
// bit gives status 13. The TDO and the stream length an operation needs are
// checked as soon as its header is there, before any clock runs, so a huge
// count the phase cannot hold costs nothing. The final status counts the stream bytes consumed by
// whole operations and the TDO bytes made.

#include "fw.h"

#include <vector>

namespace sim {

namespace {

constexpr uint8_t stsBatchOpNotSupported = 32;

class BATCHPHASE : public PHASE {
public:
    BATCHPHASE(CHAIN &chainIn, JTAGPORT &jportIn, uint32_t cbOps, uint32_t cbTdo) : chain(chainIn), jport(jportIn)
    {
        cbOutTotal = cbOps;
        cbInTotal = cbOps == 0 ? 0 : cbTdo;
    }

    uint32_t COutDone() const override { return uint32_t(cbOpsDone); }
    uint32_t CInDone() const override { return uint32_t(cbTdoMade); }

protected:
    void OnOut(const uint8_t *pb, size_t cb) override
    {
        bool fStreamEnd = cbOutTaken + cb >= cbOutTotal;
        rgbPend.insert(rgbPend.end(), pb, pb + cb);
        size_t ib = 0;
        while (!fEnded && ib < rgbPend.size()) {
            size_t cbOp = CbRunOp(&rgbPend[ib], rgbPend.size() - ib);
            if (cbOp == 0)
                break;          // the operation is not complete yet
            ib += cbOp;
            cbOpsDone += cbOp;
        }
        rgbPend.erase(rgbPend.begin(), rgbPend.begin() + ib);
        if (fStreamEnd && !fEnded) {
            if (!rgbPend.empty())
                Fail(stsBadArgument);   // the stream ends inside an operation
            else
                cbInTotal = cbTdoMade;  // a shorter in phase ends with a short packet
        }
    }

private:
    void Fail(uint8_t stsFail)
    {
        if (sts == 0)
            sts = stsFail;
        fEnded = true;
    }

    bool Clock(bool fTms, bool fTdi)
    {
        jport.fTms = fTms;
        jport.fTdi = fTdi;
        return chain.FClock(fTms, fTdi);
    }

    // True when cbit captured bits, as whole bytes, still fit the phase's in
    // count. Asked before an operation runs: work whose TDO cannot be held is
    // refused, not done.
    bool FTdoFits(uint64_t cbit) const { return cbTdoMade + (cbit + 7) / 8 <= cbInTotal; }

    // True when an operation of cbOp bytes can still end inside the stream.
    bool FOpFits(uint64_t cbOp) const { return cbOpsDone + cbOp <= cbOutTotal; }

    // Appends one captured bit; whole bytes go to the in data.
    void EmitBit(bool f)
    {
        bEmit = uint8_t(bEmit | (f ? 1u << cbitEmit : 0u));
        if (++cbitEmit == 8)
            FlushBits();
    }

    // Ends the operation's capture on a byte boundary.
    void FlushBits()
    {
        if (cbitEmit == 0)
            return;
        qIn.push_back(bEmit);
        cbTdoMade++;
        bEmit = 0;
        cbitEmit = 0;
    }

    // Runs the operation at pb when it is complete: returns its length, or 0
    // when more bytes are needed or it failed (then fEnded is set). Lengths
    // and TDO are checked as soon as the operation's header is there.
    size_t CbRunOp(const uint8_t *pb, size_t cb)
    {
        uint8_t op = pb[0];
        auto u32 = [&](size_t ib) { return U32At(pb, cb, ib); };
        switch (op) {
        case 1:
            if (cb < 2)
                return 0;
            SetPins((pb[1] >> 2) & 1, (pb[1] >> 1) & 1, pb[1] & 1);
            return 2;
        case 2:
            if (!FTdoFits(4))
                return Fail(stsBadArgument), 0;
            EmitBit(jport.fTck);
            EmitBit(chain.FTdo());
            EmitBit(jport.fTdi);
            EmitBit(jport.fTms);
            FlushBits();
            return 1;
        case 3: case 4: {
            if (cb < 5)
                return 0;
            uint64_t n = u32(1), cbOp = 5 + (n + 7) / 8;
            if (!FOpFits(cbOp) || (op == 4 && !FTdoFits(n)))
                return Fail(stsBadArgument), 0;
            if (cb < cbOp)
                return 0;
            for (uint64_t i = 0; i < n; i++) {
                bool fTdo = Clock((pb[5 + i / 8] >> (i % 8)) & 1, jport.fTdi);
                if (op == 4)
                    EmitBit(fTdo);
            }
            FlushBits();
            return size_t(cbOp);
        }
        case 5: case 6: case 7: {
            if (cb < 6)
                return 0;
            uint64_t n = u32(1), cbOp = 6 + (op == 7 ? 0 : (n + 7) / 8);
            bool fTmsLast = pb[5] & 1;
            if (!FOpFits(cbOp) || (op != 5 && !FTdoFits(n)))
                return Fail(stsBadArgument), 0;
            if (cb < cbOp)
                return 0;
            if (n == 0 && fTmsLast != jport.fTms)
                return Fail(stsBadArgument), 0;
            uint64_t i = 0;
            // The clocks before the last with TMS low in Shift-DR: the chain's fast path.
            if (n > cclkRunMin && !jport.fTms && chain.Tap() == TAP_DRSHIFT) {
                size_t cclk = size_t(n - 1);
                rgbitTdi.resize(cclk);
                rgbitTdo.resize(cclk);
                for (size_t iclk = 0; iclk < cclk; iclk++)
                    rgbitTdi[iclk] = op == 7 ? uint8_t(jport.fTdi) : uint8_t((pb[6 + iclk / 8] >> (iclk % 8)) & 1);
                chain.ShiftDrRun(rgbitTdi.data(), cclk, rgbitTdo.data());
                jport.fTdi = rgbitTdi[cclk - 1] != 0;
                if (op != 5)
                    for (size_t iclk = 0; iclk < cclk; iclk++)
                        EmitBit(rgbitTdo[iclk] != 0);
                i = cclk;
            }
            for (; i < n; i++) {
                bool fTdi = op == 7 ? jport.fTdi : ((pb[6 + i / 8] >> (i % 8)) & 1);
                bool fTdo = Clock(i + 1 == n ? fTmsLast : jport.fTms, fTdi);
                if (op != 5)
                    EmitBit(fTdo);
            }
            FlushBits();
            return size_t(cbOp);
        }
        case 8: {
            if (cb < 5)
                return 0;
            uint64_t n = u32(1);
            uint64_t cclk = n < chain.CbitSaturate() ? n : chain.CbitSaturate();
            for (uint64_t i = 0; i < cclk; i++)
                chain.FClock(jport.fTms, jport.fTdi);
            return 5;
        }
        default:
            Fail(op >= 9 && op <= 16 ? stsBatchOpNotSupported : uint8_t(stsBadArgument));
            return 0;
        }
    }

    void SetPins(bool fTms, bool fTdi, bool fTck)
    {
        JtagPinsSet(chain, jport, fTms, fTdi, fTck);
    }

    CHAIN &chain;
    JTAGPORT &jport;
    std::vector<uint8_t> rgbPend;   // bytes of an operation not complete yet
    std::vector<uint8_t> rgbitTdi, rgbitTdo;    // a fast-path run
    uint64_t cbOpsDone = 0;
    uint64_t cbTdoMade = 0;
    uint8_t bEmit = 0;              // captured bits not yet a whole byte
    unsigned cbitEmit = 0;
};

} // namespace

std::unique_ptr<PHASE> PphaseJtagBatch(CHAIN &chain, JTAGPORT &jport, uint32_t cbOps, uint32_t cbTdo)
{
    auto pphase = std::make_unique<BATCHPHASE>(chain, jport, cbOps, cbTdo);
    pphase->fsCounts = uint8_t(0x80 | (cbTdo ? 0x40 : 0));
    return pphase;
}

} // namespace sim
