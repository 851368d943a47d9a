// regproto.cpp - register port (protocol 3): the design's 8-bit registers.
// Packets are documented in wire/boardproto.h.

#include "fw.h"
#include "../wire/boardproto.h"

namespace sim {

namespace {

using namespace boardproto;

// Repeat and set transfers of registers.
class REGPHASE : public PHASE {
public:
    REGPHASE(REGFILE &regsIn, uint8_t cmdIn, uint8_t regIn, uint32_t c) : regs(regsIn), cmdReg(cmdIn), reg(regIn)
    {
        switch (cmdReg) {
        case regCmdPutRepeat: cbOutTotal = c; break;
        case regCmdGetRepeat: cbInTotal = c; break;
        case regCmdPutSet: cbOutTotal = 2ull * c; break;
        case regCmdGetSet: cbOutTotal = c; cbInTotal = c; break;
        }
    }

protected:
    void OnOut(const uint8_t *pb, size_t cb) override
    {
        for (size_t ib = 0; ib < cb; ib++) {
            switch (cmdReg) {
            case regCmdPutRepeat:
                regs.Put(reg, pb[ib]);
                break;
            case regCmdPutSet:
                if (fHaveReg) {
                    regs.Put(regPending, pb[ib]);
                    fHaveReg = false;
                } else {
                    regPending = pb[ib];
                    fHaveReg = true;
                }
                break;
            case regCmdGetSet:
                qIn.push_back(regs.Get(pb[ib]));
                break;
            }
        }
    }
    void Produce(size_t cbMax) override
    {
        if (cmdReg == regCmdGetRepeat)
            for (size_t ib = 0; ib < cbMax; ib++)
                qIn.push_back(regs.TakeRepeat(reg));
    }

private:
    REGFILE &regs;
    uint8_t cmdReg;
    uint8_t reg;
    uint8_t regPending = 0;
    bool fHaveReg = false;
};

} // namespace

void FW::RegCommand(const uint8_t *pb, size_t cb)
{
    static const uint8_t rgcbLen[] = { 0, 0, 0, 5, 4, 8, 8, 7, 7 };
    if (!FPortCommandReady(pb, cb, dprpReg, regCmdGetSet, rgcbLen, fRegEnabled))
        return;
    uint8_t cmd = pb[2];
    switch (cmd) {
    case cmdDisablePort:
        fRegEnabled = false;
        PushSts(stsNoErc);
        break;
    case regCmdPut:
        bd.regs.Put(pb[4], pb[5]);
        PushSts(stsNoErc);
        break;
    case regCmdGet: {
        uint8_t b = bd.regs.Get(pb[4]);
        PushSts(stsNoErc, &b, 1);
        break;
    }
    default: {
        bool fRepeat = cmd == regCmdPutRepeat || cmd == regCmdGetRepeat;
        uint32_t c = U32At(pb, cb, fRepeat ? 5 : 4);
        auto pphaseNew = std::make_unique<REGPHASE>(bd.regs, cmd, fRepeat ? pb[4] : 0, c);
        pphaseNew->fsCounts = cmd == regCmdGetRepeat ? 0x40 : cmd == regCmdGetSet ? 0xC0 : 0x80;
        ArmPhase(std::move(pphaseNew), pb);
        break;
    }
    }
}

} // namespace sim
