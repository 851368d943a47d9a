// Flash models: the NOR cells (AND-programming, block erase over uneven
// geometries, locks, busy time on a test clock) and the SPI command set on
// top of them (identification, status, write enable, page program with page
// wrap, subsector, sector and bulk erase, read and fast read).

#include <gtest/gtest.h>

#include "model/flasharray.h"
#include "model/bpinor.h"
#include "model/spinor.h"

#include <vector>

namespace {

struct CLOCK {
    uint64_t us = 1000;
    sim::DEVTIME::FNNOW Fn() { return [this] { return us; }; }
};

TEST(FlashArray, ProgramClearsBitsOnlyEraseSetsThem)
{
    CLOCK clock;
    sim::FLASHARRAY array({{4, 0x4000}, {3, 0x10000}}, {1, 500}, clock.Fn());
    EXPECT_EQ(array.CbSize(), 4u * 0x4000 + 3 * 0x10000);
    const uint8_t rgb1[] = {0xF0, 0x0F}, rgb2[] = {0x3C, 0xFF};
    ASSERT_TRUE(array.FProgram(0x4001, rgb1, 2));
    EXPECT_TRUE(array.FBusy());
    EXPECT_FALSE(array.FProgram(0x4001, rgb2, 2));   // busy: refused
    clock.us += 2;
    ASSERT_TRUE(array.FProgram(0x4001, rgb2, 2));
    clock.us += 2;
    EXPECT_EQ(array.Read(0x4000, 4), (std::vector<uint8_t>{0xFF, 0x30, 0x0F, 0xFF}));
    // Erase covers the whole block that holds the address, nothing else.
    const uint8_t b0 = 0;
    ASSERT_TRUE(array.FProgram(0x3FFF, &b0, 1));
    clock.us += 1;
    ASSERT_TRUE(array.FEraseBlock(0x7FFF));
    EXPECT_FALSE(array.FEraseBlock(0));   // busy for 500 us
    clock.us += 500;
    EXPECT_TRUE(array.FBlank(0x4000, 0x4000));
    EXPECT_EQ(array.Read(0x3FFF, 1)[0], 0x00);
}

TEST(FlashArray, GeometryLocksAndBounds)
{
    CLOCK clock;
    sim::FLASHARRAY array({{4, 0x4000}, {509, 0x10000}, {8, 0x4000}}, {0, 0}, clock.Fn());
    EXPECT_EQ(array.CbSize(), 0x2000000u);
    struct CASE { uint32_t addr, addrStart, cb; };
    const CASE rgcase[] = {{0, 0, 0x4000}, {0xC000, 0xC000, 0x4000}, {0x10000, 0x10000, 0x10000},
                           {0x1FDFFFF, 0x1FD0000, 0x10000}, {0x1FE0000, 0x1FE0000, 0x4000},
                           {0x1FFFFFF, 0x1FFC000, 0x4000}};
    for (const CASE &c : rgcase) {
        uint32_t addrStart, cb;
        ASSERT_TRUE(array.FBlockAt(c.addr, &addrStart, &cb)) << c.addr;
        EXPECT_EQ(addrStart, c.addrStart) << c.addr;
        EXPECT_EQ(cb, c.cb) << c.addr;
    }
    uint32_t addrStart, cb;
    EXPECT_FALSE(array.FBlockAt(0x2000000, &addrStart, &cb));
    const uint8_t rgb[] = {0, 0};
    EXPECT_FALSE(array.FProgram(0x1FFFFFF, rgb, 2));   // past the end: nothing written
    EXPECT_EQ(array.Read(0x1FFFFFF, 1)[0], 0xFF);
    array.SetLocked(0x20000, true);
    EXPECT_FALSE(array.FProgram(0x2FFFF, rgb, 1));
    EXPECT_FALSE(array.FEraseBlock(0x20000));
    EXPECT_FALSE(array.FEraseChip());
    array.SetLocked(0x20000, false);
    EXPECT_TRUE(array.FProgram(0x2FFFF, rgb, 1));
}

// A host on the SPI bus: whole commands, one chip-select period each.
struct SPIHOST {
    sim::SPINOR &spi;
    std::vector<uint8_t> Cmd(std::vector<uint8_t> rgbOut, size_t cbIn = 0)
    {
        rgbOut.resize(rgbOut.size() + cbIn, 0xFF);
        std::vector<uint8_t> rgbIn;
        spi.Select();
        for (uint8_t b : rgbOut)
            rgbIn.push_back(spi.Xfer(b));
        spi.Deselect();
        return {rgbIn.end() - long(cbIn), rgbIn.end()};
    }
    uint8_t Status() { return Cmd({0x05}, 1)[0]; }
};

TEST(SpiNor, IdentificationStatusAndWriteEnable)
{
    CLOCK clock;
    sim::FLASHARRAY array({{256, 0x10000}}, {1, 1000}, clock.Fn());
    sim::SPINOR spi(array, 0x20BA18);
    SPIHOST host{spi};
    EXPECT_EQ(host.Cmd({0x9F}, 3), (std::vector<uint8_t>{0x20, 0xBA, 0x18}));
    EXPECT_EQ(host.Status(), 0x00);
    host.Cmd({0x06});
    EXPECT_EQ(host.Status(), 0x02);
    host.Cmd({0x04});
    EXPECT_EQ(host.Status(), 0x00);
    // Without the latch a program does nothing.
    host.Cmd({0x02, 0x00, 0x00, 0x10, 0x00});
    EXPECT_EQ(array.Read(0x10, 1)[0], 0xFF);
    EXPECT_EQ(host.Status(), 0x00);
}

TEST(SpiNor, PageProgramWrapsInsideItsPageAndAndsTheCells)
{
    CLOCK clock;
    sim::FLASHARRAY array({{256, 0x10000}}, {1, 1000}, clock.Fn());
    sim::SPINOR spi(array, 0x20BA18);
    SPIHOST host{spi};
    host.Cmd({0x06});
    host.Cmd({0x02, 0x00, 0x01, 0xFE, 0x11, 0x22, 0x33, 0x44});   // 0x1FE, 0x1FF, then 0x100, 0x101
    EXPECT_EQ(host.Status() & 0x03, 0x01);                           // busy, latch cleared
    EXPECT_EQ(host.Cmd({0x03, 0x00, 0x01, 0x00}, 2), (std::vector<uint8_t>{0xFF, 0xFF})) << "no read while busy";
    clock.us += 256;
    EXPECT_EQ(host.Status(), 0x00);
    EXPECT_EQ(host.Cmd({0x03, 0x00, 0x01, 0xFE}, 2), (std::vector<uint8_t>{0x11, 0x22}));
    EXPECT_EQ(host.Cmd({0x0B, 0x00, 0x01, 0x00, 0x00}, 3), (std::vector<uint8_t>{0x33, 0x44, 0xFF}));
    host.Cmd({0x06});
    host.Cmd({0x02, 0x00, 0x01, 0x00, 0xF0});
    clock.us += 256;
    EXPECT_EQ(host.Cmd({0x03, 0x00, 0x01, 0x00}, 1)[0], 0x30);   // 0x33 AND 0xF0
}

TEST(SpiNor, Erases)
{
    CLOCK clock;
    sim::FLASHARRAY array({{256, 0x10000}}, {0, 1000}, clock.Fn());
    sim::SPINOR spi(array, 0x20BA18);
    SPIHOST host{spi};
    std::vector<uint8_t> rgbZero(0x20000, 0);
    ASSERT_TRUE(array.FProgram(0x10000, rgbZero.data(), rgbZero.size()));
    host.Cmd({0x06});
    host.Cmd({0x20, 0x01, 0x23, 0x45});   // the 4 KB holding 0x012345
    clock.us += 1000;
    EXPECT_TRUE(array.FBlank(0x12000, 0x1000));
    EXPECT_FALSE(array.FBlank(0x11000, 0x1000));
    EXPECT_FALSE(array.FBlank(0x13000, 0x1000));
    host.Cmd({0x06});
    host.Cmd({0xD8, 0x01, 0xFF, 0xFF});   // the 64 KB sector holding 0x01FFFF
    clock.us += 1000;
    EXPECT_TRUE(array.FBlank(0x10000, 0x10000));
    EXPECT_FALSE(array.FBlank(0x20000, 0x10000));
    // A sector erase cut short (no full address) does nothing and keeps the latch.
    host.Cmd({0x06});
    host.Cmd({0xD8, 0x02});
    EXPECT_EQ(host.Status(), 0x02);
    host.Cmd({0xC7});
    EXPECT_EQ(host.Status() & 0x01, 0x01);
    clock.us += 256 * 1000;
    EXPECT_TRUE(array.FBlank(0, array.CbSize()));
}

} // namespace

namespace {

// Corvale's parallel flash: 32 MB, 16 KB boot blocks at both ends.
struct BPIFIX {
    CLOCK clock;
    sim::FLASHARRAY array{{{4, 0x4000}, {509, 0x10000}, {8, 0x4000}}, {1, 1000}, clock.Fn()};
    sim::BPINOR bpi{array, 0x0089, 0x8919};
    void Settle() { clock.us += 1000000; }
};

TEST(BpiNor, CfiQueryDescribesTheGeometry)
{
    BPIFIX fix;
    fix.bpi.Write(0x55, 0x98);
    EXPECT_EQ(fix.bpi.Read(0x10), 'Q');
    EXPECT_EQ(fix.bpi.Read(0x11), 'R');
    EXPECT_EQ(fix.bpi.Read(0x12), 'Y');
    EXPECT_EQ(fix.bpi.Read(0x27), 25);   // 2^25 bytes
    EXPECT_EQ(fix.bpi.Read(0x2C), 3);    // three erase regions
    const uint16_t rgwRegions[] = {3, 0, 0x40, 0, 0xFC, 0x01, 0x00, 0x01, 7, 0, 0x40, 0};
    for (uint32_t i = 0; i < 12; i++)
        EXPECT_EQ(fix.bpi.Read(0x2D + i), rgwRegions[i]) << i;
    fix.bpi.Write(0, 0x90);
    EXPECT_EQ(fix.bpi.Read(0), 0x0089);
    EXPECT_EQ(fix.bpi.Read(1), 0x8919);
    fix.bpi.Write(0, 0xFF);
    EXPECT_EQ(fix.bpi.Read(0), 0xFFFF);
}

TEST(BpiNor, ProgramStatusAndReadArray)
{
    BPIFIX fix;
    fix.bpi.Write(0x100, 0x40);
    fix.bpi.Write(0x100, 0x1234);
    EXPECT_EQ(fix.bpi.Read(0x100) & 0x80, 0);   // status mode, busy
    fix.Settle();
    EXPECT_EQ(fix.bpi.Read(0x100), 0x80);        // ready, no error
    fix.bpi.Write(0x100, 0xFF);
    EXPECT_EQ(fix.bpi.Read(0x100), 0x1234);
    EXPECT_EQ(fix.array.Read(0x200, 2), (std::vector<uint8_t>{0x34, 0x12}));
    // Programming only clears bits.
    fix.bpi.Write(0x100, 0x10);
    fix.bpi.Write(0x100, 0xFF00);
    fix.Settle();
    fix.bpi.Write(0, 0xFF);
    EXPECT_EQ(fix.bpi.Read(0x100), 0x1200);
    // A buffered program of four words.
    fix.bpi.Write(0x8000, 0xE8);
    fix.bpi.Write(0x8000, 3);
    for (uint16_t i = 0; i < 4; i++)
        fix.bpi.Write(0x8000 + i, uint16_t(0xA000 + i));
    fix.bpi.Write(0x8000, 0xD0);
    fix.Settle();
    EXPECT_EQ(fix.bpi.Read(0), 0x80);
    fix.bpi.Write(0, 0xFF);
    for (uint16_t i = 0; i < 4; i++)
        EXPECT_EQ(fix.bpi.Read(0x8000 + i), 0xA000 + i);
}

TEST(BpiNor, EraseLockAndErrors)
{
    BPIFIX fix;
    std::vector<uint8_t> rgb0(0x20000, 0);
    ASSERT_TRUE(fix.array.FProgram(0, rgb0.data(), rgb0.size()));
    fix.Settle();
    // Block erase of the 16 KB boot block holding word 0x2345 (byte 0x468A).
    fix.bpi.Write(0x2345, 0x20);
    fix.bpi.Write(0x2345, 0xD0);
    fix.Settle();
    EXPECT_EQ(fix.bpi.Read(0), 0x80);
    EXPECT_TRUE(fix.array.FBlank(0x4000, 0x4000));
    EXPECT_FALSE(fix.array.FBlank(0, 0x4000));
    EXPECT_FALSE(fix.array.FBlank(0x8000, 0x4000));
    // A locked block refuses, the status says why, clear status forgets it.
    fix.bpi.Write(0x8000, 0x60);
    fix.bpi.Write(0x8000, 0x01);
    fix.bpi.Write(0x8000, 0x90);
    EXPECT_EQ(fix.bpi.Read(0x8002), 1);   // lock state of the block (byte 0x10000)
    fix.bpi.Write(0x8000, 0x20);
    fix.bpi.Write(0x8000, 0xD0);
    EXPECT_EQ(fix.bpi.Read(0), 0x80 | 0x20 | 0x02);
    EXPECT_FALSE(fix.array.FBlank(0x10000, 0x10));
    fix.bpi.Write(0, 0x50);
    EXPECT_EQ(fix.bpi.Read(0), 0x80);
    // A broken sequence: erase setup without its confirmation.
    fix.bpi.Write(0, 0x20);
    fix.bpi.Write(0, 0xFF);
    EXPECT_EQ(fix.bpi.Read(0) & 0x30, 0x30);
    fix.bpi.Write(0, 0x50);
    fix.bpi.Write(0x8000, 0x60);
    fix.bpi.Write(0x8000, 0xD0);
    fix.bpi.Write(0x8000, 0x20);
    fix.bpi.Write(0x8000, 0xD0);
    fix.Settle();
    EXPECT_EQ(fix.bpi.Read(0), 0x80);
    EXPECT_TRUE(fix.array.FBlank(0x10000, 0x10000));
}

} // namespace
