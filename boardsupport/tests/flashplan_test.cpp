// Erase walks over each board's block geometry, including ranges that start
// inside a block and run into the next; x16 pads; images that do not fit.

#include <gtest/gtest.h>

#include <vector>

#include "flashplan.h"

namespace {

using RG = std::vector<uint32_t>;

TEST(EraseWalk, CorvaleGeometry)
{
    EXPECT_EQ(RgaddrEraseWalk(0, 0x30000, CbBlockCorvale), (RG{0, 0x4000, 0x8000, 0xC000, 0x10000, 0x20000}));
    EXPECT_EQ(RgaddrEraseWalk(0x1FD0000, 0x30000, CbBlockCorvale),
              (RG{0x1FD0000, 0x1FE0000, 0x1FE4000, 0x1FE8000, 0x1FEC000, 0x1FF0000, 0x1FF4000, 0x1FF8000,
                  0x1FFC000}));
    EXPECT_EQ(RgaddrEraseWalk(0x12345, 1, CbBlockCorvale), (RG{0x10000}));
    EXPECT_TRUE(RgaddrEraseWalk(0x12345, 0, CbBlockCorvale).empty());
}

// A range that starts inside a block: every block it touches is erased (a
// walk stepping from the start address by block sizes would miss the last).
TEST(EraseWalk, UnalignedStartErasesEveryTouchedBlock)
{
    EXPECT_EQ(RgaddrEraseWalk(0xF000, 0x2000, CbBlockCorvale), (RG{0xC000, 0x10000}));
    EXPECT_EQ(RgaddrEraseWalk(0x1FFFF, 2, CbBlockPentra), (RG{0x10000, 0x20000}));
    EXPECT_EQ(RgaddrEraseWalk(0x18000, 0x10000, CbBlockMiravo3Bpi), (RG{0x18000, 0x20000}));
}

TEST(EraseWalk, Miravo3Geometries)
{
    EXPECT_EQ(RgaddrEraseWalk(0, 0x60000, CbBlockMiravo3Bpi), (RG{0, 0x8000, 0x10000, 0x18000, 0x20000, 0x40000}));
    EXPECT_EQ(CbBlockMiravo3Spi(0x20BA18, 0), 0x10000u);
    EXPECT_EQ(CbBlockMiravo3Spi(0xFF20DA18, 0), 0x20000u);
    EXPECT_EQ(CbBlockMiravo3Spi(0, 0), 0x10000u);
    // The whole 16 MB SPI flash in 64 KB sectors.
    RG rg = RgaddrEraseWalk(0, 0x1000000, CbBlockPentra);
    ASSERT_EQ(rg.size(), 256u);
    EXPECT_EQ(rg.back(), 0xFF0000u);
    // The end of the address space ends the walk.
    EXPECT_EQ(RgaddrEraseWalk(0xFFFF8000, 0x8000, CbBlockPentra), (RG{0xFFFF0000}));
}

TEST(Pads, WholeWords)
{
    struct CASE { uint32_t addr, cb, addrWant, cbWant; bool fLead, fTail; };
    const CASE rgcase[] = {
        {3, 5, 2, 6, true, false},    // lead pad only: 2..7
        {3, 4, 2, 6, true, true},     // both: 2..7
        {2, 5, 2, 6, false, true},
        {2, 4, 2, 4, false, false},
        {1, 0, 0, 2, true, true},
    };
    for (const CASE &c : rgcase) {
        PADDED p = PadToWords(c.addr, c.cb);
        EXPECT_EQ(p.addr, c.addrWant) << c.addr << "+" << c.cb;
        EXPECT_EQ(p.cb, c.cbWant) << c.addr << "+" << c.cb;
        EXPECT_EQ(p.fLead, c.fLead) << c.addr << "+" << c.cb;
        EXPECT_EQ(p.fTail, c.fTail) << c.addr << "+" << c.cb;
    }
}

TEST(Fits, ImagesLargerThanTheMemoryAreRefused)
{
    FLASHIMG img;
    img.rgbData.assign(0x10, 0);
    img.cseg = 2;
    img.rgseg[0] = {0, 8, img.rgbData.data()};
    img.rgseg[1] = {0xFFFFF8, 8, img.rgbData.data() + 8};
    EXPECT_TRUE(FImageFits(img, 0x1000000));
    img.rgseg[1].addr = 0xFFFFF9;
    EXPECT_FALSE(FImageFits(img, 0x1000000));
    img.rgseg[1] = {0xFFFFFFF0, 0x20, img.rgbData.data()};   // wraps past 4 GB
    EXPECT_FALSE(FImageFits(img, 0x1000000));
    img.cseg = 1;
    img.rgseg[0] = {0, 0x1000001, img.rgbData.data()};
    EXPECT_FALSE(FImageFits(img, 0x1000000));
}

} // namespace
