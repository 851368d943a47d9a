// spinor.h - a serial (SPI) NOR flash with the common command set.
//
// A command is one chip-select period: the opcode byte, then its address
// (three bytes, most significant first) and data. Writes need the write
// enable latch (WREN), which every program or erase clears; the program or
// erase starts when chip select goes high and the status register's
// write-in-progress bit stays set until the array is done. While it is set
// only status reads are answered.
//   0x9F read identification (manufacturer, type, capacity)
//   0x05 read status (bit 0 write in progress, bit 1 write enable latch)
//   0x06 write enable, 0x04 write disable
//   0x03 read, 0x0B fast read (one dummy byte after the address)
//   0x02 page program (256-byte pages: the address wraps inside its page)
//   0x20 subsector erase (4 KB), 0xD8 sector erase (the array's block)
//   0xC7 and 0x60 bulk erase

#ifndef KOR_SIM_SPINOR_H
#define KOR_SIM_SPINOR_H

#include "flasharray.h"

#include <cstdint>
#include <vector>

namespace sim {

class SPINOR {
public:
    SPINOR(FLASHARRAY &arrayIn, uint32_t idIn) : array(arrayIn), id(idIn) {}

    void Select();
    uint8_t Xfer(uint8_t bIn);   // one byte out of the host, one byte back
    void Deselect();

    uint8_t BStatus() const;

    enum : uint8_t {
        opRdid = 0x9F, opRdsr = 0x05, opWren = 0x06, opWrdi = 0x04, opRead = 0x03, opFastRead = 0x0B,
        opPp = 0x02, opSubsectorErase = 0x20, opSectorErase = 0xD8, opBulkErase = 0xC7, opBulkErase2 = 0x60,
    };
    static constexpr uint32_t cbPage = 256;

private:
    FLASHARRAY &array;
    uint32_t id;
    bool fSelected = false;
    bool fWel = false;
    uint8_t op = 0;
    size_t cbIn = 0;              // bytes of this command so far, opcode included
    uint32_t addr = 0;
    std::vector<uint8_t> rgbPage; // page program: the page as the host leaves it
    bool fPageTouched = false;
    std::vector<bool> rgfTouched;
};

} // namespace sim

#endif
