// phase.h - one data phase of the board's firmware.
//
// A data command (JTAG shift, stream transfer, register block ...) is answered
// at once with status 0 and arms a phase; the host then moves bytes on the
// data endpoints: OUT bytes are fed to the phase, IN bytes are taken from it.
// The completion command (the data command's code with bit 7 set) is answered
// with the final status once the phase's work is done, or at once when the
// phase has already ended (abort, failure). Counts in the final status are in
// the protocol's units (bits for JTAG, bytes otherwise).

#ifndef KOR_SIM_PHASE_H
#define KOR_SIM_PHASE_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace sim {

class PHASE {
public:
    virtual ~PHASE() = default;

    // Host bytes the phase still takes.
    uint64_t CbOutWanted() const { return cbOutTotal - cbOutTaken; }
    // Takes up to cb bytes from the host; returns the number taken.
    size_t Feed(const uint8_t *pb, size_t cb);
    // Gives up to cb bytes for the host; returns the number given.
    size_t Take(uint8_t *pb, size_t cb);
    // Every IN byte has gone to the host.
    bool FInComplete() const { return cbInTaken >= cbInTotal; }
    bool FWorkDone() const { return cbOutTaken >= cbOutTotal && FInComplete(); }
    uint64_t CbInTaken() const { return cbInTaken; }
    uint64_t CbOutTaken() const { return cbOutTaken; }
    // Counts of the final status, in units.
    virtual uint32_t COutDone() const { return uint32_t(cbOutTaken); }
    virtual uint32_t CInDone() const { return uint32_t(cbInTaken); }

    uint8_t apt = 0xFF, cmd = 0xFF, prt = 0xFF;
    uint8_t cmdCompletion = 0xFF;
    uint8_t fsCounts = 0;           // 0x80 sent count, 0x40 received count
    uint8_t sts = 0;                // code of the final status
    bool fCompletionSeen = false;
    bool fEnded = false;            // aborted or failed: the work stops here

protected:
    // Processes host bytes (may queue IN bytes).
    virtual void OnOut(const uint8_t *pb, size_t cb) = 0;
    // Produces up to cbMax further IN bytes into qIn, when the phase makes
    // them on demand (reads, sources).
    virtual void Produce(size_t cbMax) {}

    uint64_t cbOutTotal = 0, cbOutTaken = 0;
    uint64_t cbInTotal = 0, cbInTaken = 0;
    std::deque<uint8_t> qIn;
};

} // namespace sim

#endif
