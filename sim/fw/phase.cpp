// phase.cpp - byte accounting shared by every data phase.

#include "phase.h"

namespace sim {

size_t PHASE::Feed(const uint8_t *pb, size_t cb)
{
    if (fEnded)
        return 0;
    uint64_t cbTake = CbOutWanted() < cb ? CbOutWanted() : cb;
    if (cbTake > 0)
        OnOut(pb, size_t(cbTake));
    cbOutTaken += cbTake;
    return size_t(cbTake);
}

size_t PHASE::Take(uint8_t *pb, size_t cb)
{
    if (fEnded)
        return 0;
    uint64_t cbLeft = cbInTotal - cbInTaken;
    uint64_t cbWant = cbLeft < cb ? cbLeft : cb;
    if (qIn.size() < cbWant)
        Produce(size_t(cbWant - qIn.size()));
    size_t cbGive = qIn.size() < cbWant ? qIn.size() : size_t(cbWant);
    for (size_t ib = 0; ib < cbGive; ib++) {
        pb[ib] = qIn.front();
        qIn.pop_front();
    }
    cbInTaken += cbGive;
    return cbGive;
}

} // namespace sim
