// The Miravo2 memory design: register sequences of its bus bridge as a host
// drives them, and what the board's RAM and flash hold afterwards.

#include <gtest/gtest.h>

#include "model/dsgmiravo2mem.h"

#include <chrono>
#include <thread>
#include <vector>

namespace {

using sim::DSGMIRAVO2MEM;

class MEMBRIDGE : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.SetOpt("timescale", "1");   // a block erase in 200 us
        pdsg = sim::PdesignMiravo2Mem(env);
    }
    void Put(uint8_t reg, uint8_t b)
    {
        if (!pdsg->FPut(reg, b))
            rgbPlain[reg] = b;
    }
    uint8_t Get(uint8_t reg)
    {
        uint8_t b = 0;
        return pdsg->FGet(reg, b) ? b : rgbPlain[reg];
    }
    void Address(uint32_t addr)
    {
        Put(1, uint8_t(addr));
        Put(2, uint8_t(addr >> 8));
        Put(3, uint8_t(addr >> 16));
    }
    void Command(uint8_t b)
    {
        Put(4, b);
        Put(0, 0x15);
        Put(0, 0x17);
        Put(0, 0x1F);
    }
    uint8_t Status()
    {
        Put(0, 0x16);
        uint8_t b = Get(5);
        Put(0, 0x1F);
        return b;
    }
    // Erase of block i as the host does it; false when it never got ready.
    bool FEraseBlock(uint32_t i, int cpollMax = 100000)
    {
        Address(i * DSGMIRAVO2MEM::cbBlock);
        Command(0x20);
        Command(0xD0);
        for (int ipoll = 0; ipoll < cpollMax; ipoll++) {
            if (Status() & 0x80)
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        return false;
    }
    void StreamWrite(uint8_t reg, uint32_t addr, const std::vector<uint8_t> &rgb)
    {
        Address(addr);
        Put(0, 0x3F);
        for (uint8_t b : rgb)
            Put(reg, b);
    }
    std::vector<uint8_t> StreamRead(uint8_t reg, uint32_t addr, size_t cb)
    {
        Address(addr);
        Put(0, 0x3F);
        std::vector<uint8_t> rgb;
        for (size_t i = 0; i < cb; i++)
            rgb.push_back(Get(reg));
        return rgb;
    }
    sim::FLASHARRAY &Flash() { return *env.PflashFind("flash"); }
    sim::SPARSEMEM &Ram() { return *env.PramFind("ram"); }

    sim::DESIGNENV env;
    std::unique_ptr<sim::SIMDESIGN> pdsg;
    uint8_t rgbPlain[256] = {};
};

TEST_F(MEMBRIDGE, MakesTheBoardsMemories)
{
    uint32_t cb = 0;
    ASSERT_NE(env.PramFind("ram", &cb), nullptr);
    EXPECT_EQ(cb, 0x1000000u);
    ASSERT_NE(env.PflashFind("flash"), nullptr);
    EXPECT_EQ(Flash().CbSize(), 0x1000000u);
    uint32_t addrStart = 0, cbBlock = 0;
    ASSERT_TRUE(Flash().FBlockAt(0xFFFFFF, &addrStart, &cbBlock));
    EXPECT_EQ(addrStart, 0xFE0000u);
    EXPECT_EQ(cbBlock, 0x20000u);
}

TEST_F(MEMBRIDGE, RamStreamAutoIncrementsFromTheLatchedAddress)
{
    StreamWrite(6, 0x123457, {1, 2, 3, 4, 5});
    EXPECT_EQ(Ram().Read(0x123456, 7), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(StreamRead(6, 0x123458, 3), (std::vector<uint8_t>{2, 3, 4}));
    // The address registers are plain stores; a stream starts only at 0x3F.
    Address(0x100);
    Put(6, 9);
    EXPECT_EQ(Ram().Read(0x100, 1)[0], 0);
    // The stream wraps at 16 MB.
    StreamWrite(6, 0xFFFFFF, {7, 8});
    EXPECT_EQ(Ram().Read(0xFFFFFF, 1)[0], 7);
    EXPECT_EQ(Ram().Read(0, 1)[0], 8);
}

TEST_F(MEMBRIDGE, FlashEraseProgramAndReadArray)
{
    Flash().Poke(0x20000, std::vector<uint8_t>(4, 0x00).data(), 4);
    ASSERT_TRUE(FEraseBlock(1));
    EXPECT_TRUE(Flash().FBlank(0x20000, 0x20000));
    ASSERT_EQ(env.RgszLog().size(), 1u);
    EXPECT_EQ(env.RgszLog()[0], "erase 0x020000");
    // Pairs of bytes program words at even addresses, 0xFF pads leave cells.
    StreamWrite(7, 0x20002, {0xFF, 0x11, 0x22, 0x33, 0x44, 0xFF});
    Command(0xFF);
    EXPECT_EQ(StreamRead(7, 0x20002, 6), (std::vector<uint8_t>{0xFF, 0x11, 0x22, 0x33, 0x44, 0xFF}));
    // A lone low byte at the end of a stream is never programmed.
    StreamWrite(7, 0x20010, {0x55, 0x66, 0x77});
    Command(0xFF);
    EXPECT_EQ(Flash().Read(0x20010, 4), (std::vector<uint8_t>{0x55, 0x66, 0xFF, 0xFF}));
    // Programming only clears bits.
    StreamWrite(7, 0x20002, {0x0F, 0xF0});
    Command(0xFF);
    EXPECT_EQ(Flash().Read(0x20002, 2), (std::vector<uint8_t>{0x0F, 0x10}));
}

TEST_F(MEMBRIDGE, StreamReadWithoutReadArrayGivesStatus)
{
    ASSERT_TRUE(FEraseBlock(0));
    Flash().Poke(0, std::vector<uint8_t>{0x12, 0x34}.data(), 2);
    // Still in status mode after the erase: the bus shows the status.
    EXPECT_EQ(StreamRead(7, 0, 2), (std::vector<uint8_t>{0x80, 0x00}));
    Command(0xFF);
    EXPECT_EQ(StreamRead(7, 0, 2), (std::vector<uint8_t>{0x12, 0x34}));
}

TEST_F(MEMBRIDGE, StatusOnlyInsideTheWindowAndStrobeNeedsItsOrder)
{
    Address(0);
    Command(0x20);
    Command(0xD0);
    EXPECT_EQ(Get(5), 0);   // window closed
    // A command byte strobed out of order does nothing: no erase starts.
    Flash().Poke(0x40000, std::vector<uint8_t>{0}.data(), 1);
    while (!(Status() & 0x80))
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    Address(0x40000);
    Put(4, 0x20);
    Put(0, 0x17);
    Put(0, 0x15);
    Put(0, 0x1F);
    Command(0xD0);
    while (!(Status() & 0x80))
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    EXPECT_EQ(Flash().Read(0x40000, 1)[0], 0);
    EXPECT_EQ(env.RgszLog().size(), 1u);
}

struct FAULTCASE {
    const char *szKey, *szValue;
};

TEST_F(MEMBRIDGE, InjectedFaults)
{
    env.SetOpt("flash.erasenotready", "1");
    EXPECT_FALSE(FEraseBlock(2, 200));
    env.ClearOpt("flash.erasenotready");
    env.SetOpt("flash.erasezero", "0x10");
    ASSERT_TRUE(FEraseBlock(3));
    EXPECT_EQ(Flash().Read(0x60010, 1)[0], 0x00);
    EXPECT_FALSE(Flash().FBlank(0x60000, 0x20000));
    env.ClearOpt("flash.erasezero");
    env.SetOpt("flash.programflip", "0x60101");
    StreamWrite(7, 0x60100, {0xAA, 0xBB});
    EXPECT_EQ(Flash().Read(0x60100, 2), (std::vector<uint8_t>{0xAA, 0xBA}));
    env.SetOpt("ram.stuck0", "0x04");
    env.SetOpt("ram.stuck1", "0x01");
    StreamWrite(6, 0x10, {0xFF, 0x00});
    EXPECT_EQ(StreamRead(6, 0x10, 2), (std::vector<uint8_t>{0xFB, 0x01}));
}

TEST_F(MEMBRIDGE, MemoriesOutliveTheDesign)
{
    StreamWrite(6, 0x500, {0xC3});
    ASSERT_TRUE(FEraseBlock(0));
    StreamWrite(7, 0x0, {0x5A, 0xA5});
    pdsg = sim::PdesignMiravo2Mem(env);   // the FPGA is configured again
    Command(0xFF);
    EXPECT_EQ(StreamRead(6, 0x500, 1)[0], 0xC3);
    EXPECT_EQ(StreamRead(7, 0, 2), (std::vector<uint8_t>{0x5A, 0xA5}));
}

} // namespace
