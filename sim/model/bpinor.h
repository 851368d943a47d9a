// bpinor.h - a parallel (BPI) NOR flash, 16 bits wide, with the common
// CFI command set: commands are words written to any address of the device
// (the block's address where a block is meant), and the read mode decides
// what reads give.
//   0xFF read array              0x70 read status register
//   0x90 read identifier         0x50 clear status register
//   0x98 CFI query               0x40 or 0x10, data: program one word
//   0x20, 0xD0: erase the block  0xE8, count - 1, words, 0xD0: buffered program
//   0x60, 0x01: lock the block   0x60, 0xD0: unlock the block
// Status register: bit 7 ready, bit 5 erase error, bit 4 program error
// (both: a command sequence error), bit 1 a locked block refused the work.
// After a program or erase command reads give the status until another
// read mode is chosen. Word w of the device is bytes 2w (low) and 2w+1
// (high) of the cells.

#ifndef KOR_SIM_BPINOR_H
#define KOR_SIM_BPINOR_H

#include "flasharray.h"

#include <cstdint>
#include <vector>

namespace sim {

class BPINOR {
public:
    BPINOR(FLASHARRAY &arrayIn, uint16_t wMaker, uint16_t wDevice, uint32_t cwBufferIn = 32)
        : array(arrayIn), wManufacturer(wMaker), wDeviceId(wDevice), cwBuffer(cwBufferIn) {}

    uint16_t Read(uint32_t iw);
    void Write(uint32_t iw, uint16_t w);

    uint8_t BStatus() const;

private:
    enum MODE { modeArray, modeStatus, modeId, modeCfi };
    enum STEP { stepNone, stepProgram, stepErase, stepLock, stepBufCount, stepBufData };

    uint16_t WCfi(uint32_t iw) const;
    void Fail(uint8_t bits) { bStatusErr |= bits; }
    void ProgramBuffer();

    FLASHARRAY &array;
    uint16_t wManufacturer, wDeviceId;
    uint32_t cwBuffer;
    MODE mode = modeArray;
    STEP step = stepNone;
    uint8_t bStatusErr = 0;
    uint32_t iwBlock = 0;              // the block a buffered program names
    uint32_t cwLeft = 0;
    std::vector<std::pair<uint32_t, uint16_t>> rgwBuf;
};

} // namespace sim

#endif
