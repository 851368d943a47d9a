// twowire.h - a two-wire JTAG target behind an FTDI channel's MPSSE pins:
// every JTAG bit is a frame of slots, one per TCK rising edge. The host
// drives its slots on the data line (the TDI pin): the inverted TDI (nTDI)
// and, in most frames, TMS; the target answers in its slots on the TDO pin,
// where the host samples them before the rising edge. Once the host slots of
// a frame are in, the target clocks the JTAG chain once with that TMS and TDI
// (TMS 0 in frames without a TMS slot, TDI 0 in the TMS stream) and answers
// with the chain's TDO. Every frame ends with a number of tail slots the
// target ignores (their levels are recorded).
//
// Frames (host slots, then target slots):
//   ready5      nTDI, TMS; x, D ready bits, x, TDO (read D + 3); while not
//               ready, polls of D + 1 where the last slot of the read before
//               and the first D - 1 slots are the ready bits, then x, TDO
//   run2        nTDI, TMS; W zeros, D ones, TDO
//   run1        nTDI; W zeros, D ones, TDO
//   oscan       nTDI, TMS; TDO
//   ntdi-tdo    nTDI; TDO
//   ntdi-x-tdo  nTDI; the complement of TDO, TDO
//   tms         TMS (write only)
//   ntdi        nTDI (write only)
//   pairs       nTDI, TMS (write only)
// In ready5 the target is ready after W polls; x slots are 0. W = "never"
// keeps it not ready.

#ifndef KOR_SIM_TWOWIRE_H
#define KOR_SIM_TWOWIRE_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class CHAIN;

class TWOWIRE {
public:
    static constexpr unsigned cwaitNever = ~0u;

    // kind as named above; d ready bits 1-4; cwait polls (ready5) or zeros
    // (run) before ready; ctail tail slots.
    bool FConfigure(const std::string &szKind, unsigned d, unsigned cwait, unsigned ctail, std::string &szErr);
    void Off() { fOn = false; }
    bool FOn() const { return fOn; }

    // One TCK rising edge with this level on the data line; the TDO pin after it.
    bool FClock(CHAIN &chain, bool fData);
    // The TDO pin now (released, 1, outside the target's slots).
    bool FTdo() const;

    uint64_t Cframe() const { return cframe; }
    // Levels of the last complete frame's host slots and tail slots ("0"/"1" each).
    const std::string &SzHostLast() const { return szHostLast; }
    const std::string &SzTailLast() const { return szTailLast; }

private:
    enum KIND { kReady5, kRun2, kRun1, kOscan, kNtdiTdo, kNtdiXTdo, kTms, kNtdi, kPairs };
    enum PHASE { phHost, phAnswer, phTail };

    void StartAnswer(CHAIN &chain);
    void EndFrame();

    bool fOn = false;
    KIND kind = kOscan;
    unsigned cbitReady = 1, cwaitReady = 0, cslotTail = 0;
    PHASE phase = phHost;
    std::string szHost, szTail, szHostLast, szTailLast;
    std::vector<bool> rgfAnswer;
    size_t ians = 0;
    uint64_t cframe = 0;
};

} // namespace sim

#endif
