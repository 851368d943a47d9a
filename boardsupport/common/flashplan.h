// What a flash view does to an image before it sends it: which blocks the
// erase walk queries and erases, the pads that make a range whole 16-bit
// words on an x16 flash, and whether the image fits the memory at all.
// Block sizes by board (the size of the block at an address).
#ifndef FLASHPLAN_H
#define FLASHPLAN_H

#include <stdint.h>

#include <vector>

#include "flashimg.h"

typedef uint32_t (*PFNCBBLOCK)(uint32_t addr);

// Corvale 32 MB parallel flash: 16 KB blocks below 0x10000 and from
// 0x1FE0000 on, 64 KB between.
uint32_t CbBlockCorvale(uint32_t addr);
// Pentra 16 MB SPI flash: 64 KB everywhere.
uint32_t CbBlockPentra(uint32_t addr);
// Miravo3 16 MB parallel flash: 32 KB below 0x20000 (and past 0x101FFFF),
// 128 KB between; its SPI flash: 64 KB, or 128 KB for the part 0x20DA18.
uint32_t CbBlockMiravo3Bpi(uint32_t addr);
uint32_t CbBlockMiravo3Spi(uint32_t idSpi, uint32_t addr);

// The start of every block that the range [addr, addr + cb) touches, in
// address order: the walk begins at the block holding addr, so a range that
// starts inside a block and runs into the next erases both.
std::vector<uint32_t> RgaddrEraseWalk(uint32_t addr, uint32_t cb, PFNCBBLOCK pfnCbBlock);

// An x16 range made whole words: an odd start moves down one byte (a lead
// pad of 0xFF), an odd end up one byte (a tail pad).
struct PADDED {
    uint32_t addr;
    uint32_t cb;
    bool fLead, fTail;
};
PADDED PadToWords(uint32_t addr, uint32_t cb);

// Every run of the image lies inside a memory of cbMem bytes.
bool FImageFits(const FLASHIMG &img, uint32_t cbMem);

#endif
