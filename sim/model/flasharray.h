// flasharray.h - the cells of a NOR flash behind its command interface.
//
// What every NOR flash does, whatever its bus: an erased cell reads 0xFF,
// programming can only clear bits (the stored byte becomes old AND new),
// only erasing a whole block sets them again, and both take time during
// which the device is busy and refuses new work. Blocks may differ in size
// along the array (boot blocks) and may be locked against program and erase.
// The command sets (SPI, parallel) sit on top (spinor.h).

#ifndef KOR_SIM_FLASHARRAY_H
#define KOR_SIM_FLASHARRAY_H

#include "devtime.h"
#include "sparsemem.h"

#include <cstdint>
#include <vector>

namespace sim {

struct FLASHREGION {
    uint32_t cblock;   // number of blocks ...
    uint32_t cb;       // ... of this size, one after the other
};

struct FLASHTIMES {
    uint64_t usProgramByte = 1;      // per byte programmed
    uint64_t usEraseBlock = 20000;   // per block erased
};

class FLASHARRAY {
public:
    FLASHARRAY(std::vector<FLASHREGION> rgregion, FLASHTIMES times = FLASHTIMES(),
               DEVTIME::FNNOW fnNow = nullptr);

    uint32_t CbSize() const { return cbSize; }
    bool FBusy() const { return devtime.UsNow() < usBusyUntil; }
    // The block holding addr: its start and size; false outside the array.
    bool FBlockAt(uint32_t addr, uint32_t *paddrStart, uint32_t *pcb) const;

    // False (nothing changes) when busy, outside the array or locked.
    bool FProgram(uint32_t addr, const uint8_t *pb, size_t cb);
    bool FEraseBlock(uint32_t addr);
    bool FEraseRange(uint32_t addr, uint32_t cb);   // a part of one block (SPI subsectors)
    bool FEraseChip();
    void SetLocked(uint32_t addr, bool fLocked);
    bool FLocked(uint32_t addr) const;

    // Sets cells directly, as a programmer socket would (tests load images).
    void Poke(uint32_t addr, const uint8_t *pb, size_t cb) { mem.Write(addr, pb, cb); }
    void Read(uint32_t addr, uint8_t *pb, size_t cb) const;
    std::vector<uint8_t> Read(uint32_t addr, size_t cb) const { return mem.Read(addr, cb); }
    bool FBlank(uint32_t addr, uint32_t cb) const;

private:
    int IblockAt(uint32_t addr) const;
    void Busy(uint64_t us) { usBusyUntil = devtime.UsNow() + us; }

    std::vector<uint32_t> rgaddrBlock;   // block starts, and the end last
    std::vector<bool> rgfLocked;
    uint32_t cbSize = 0;
    FLASHTIMES times;
    DEVTIME devtime;
    uint64_t usBusyUntil = 0;
    SPARSEMEM mem{0xFF};
};

} // namespace sim

#endif
