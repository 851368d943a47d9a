// test_dsgmiravo3.cpp - the Miravo3 memory-manager design through its
// registers: the command handshake, identifications, block query and erase
// with the chips' geometries, programming with flash semantics, reads past
// the end, and the injected faults the views' tests use.

#include "model/designs.h"
#include "model/regfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace sim;

namespace {

class DsgMiravo3 : public ::testing::Test {
protected:
    void Start()
    {
        regs.penv = &env;
        LoadDesign(regs, "miravo3", true);
        ASSERT_TRUE(regs.pdesign != nullptr);
    }
    void SetUp() override
    {
        env.SetOpt("timescale", "1");
    }
    void Put4(const uint8_t rgreg[4], uint32_t u)
    {
        for (int i = 0; i < 4; i++)
            regs.Put(rgreg[i], uint8_t(u >> (8 * (3 - i))));
    }
    void Range(uint32_t addr, uint32_t cb)
    {
        static const uint8_t rgregAddr[4] = { 0x94, 0x89, 0x88, 0x87 };
        static const uint8_t rgregLen[4] = { 0x93, 0x92, 0x91, 0x90 };
        Put4(rgregAddr, addr);
        Put4(rgregLen, cb);
    }
    // Writes the command and waits (up to 5 s) until it is no longer busy:
    // the final status; the result in *pbResult.
    uint8_t Cmd(uint8_t cmd, uint8_t *pbResult = nullptr)
    {
        regs.Put(0x80, cmd);
        uint8_t bStatus = regs.Get(0x81);
        for (int i = 0; i < 5000 && bStatus == 2; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            bStatus = regs.Get(0x81);
        }
        if (pbResult)
            *pbResult = regs.Get(0x82);
        return bStatus;
    }
    uint32_t Value()
    {
        return uint32_t(regs.Get(0x83)) | regs.Get(0x84) << 8 | regs.Get(0x85) << 16 | uint32_t(regs.Get(0x86)) << 24;
    }
    void Program(uint8_t cmd, uint32_t addr, const std::vector<uint8_t> &rgb)
    {
        Range(addr, uint32_t(rgb.size()));
        regs.Put(0x80, cmd);
        ASSERT_EQ(regs.Get(0x81), 3);
        for (uint8_t b : rgb)
            regs.Put(0xA0, b);
        uint8_t bResult = 0xEE;
        uint8_t bStatus = Cmd0Wait(&bResult);
        EXPECT_EQ(bStatus, 1);
        EXPECT_EQ(bResult, 0);
    }
    uint8_t Cmd0Wait(uint8_t *pbResult)
    {
        uint8_t bStatus = regs.Get(0x81);
        for (int i = 0; i < 5000 && bStatus == 2; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            bStatus = regs.Get(0x81);
        }
        *pbResult = regs.Get(0x82);
        return bStatus;
    }
    std::vector<uint8_t> Read(uint8_t cmd, uint32_t addr, uint32_t cb)
    {
        Range(addr, cb);
        regs.Put(0x80, cmd);
        EXPECT_EQ(regs.Get(0x81), cb ? 4 : 1);
        std::vector<uint8_t> rgb(cb);
        for (auto &b : rgb)
            b = regs.Get(0xA0);
        EXPECT_EQ(regs.Get(0x81), 1);
        return rgb;
    }

    DESIGNENV env;
    REGFILE regs;
};

TEST_F(DsgMiravo3, IdentificationsAndTheirOptions)
{
    env.SetOpt("miravo3.ramid", "0x0B43");
    Start();
    struct { uint8_t cmd; uint32_t id; } rgcase[] = {
        { 0x05, 0x00D00142 }, { 0x13, 0x20BA18 }, { 0x12, 0x8821 }, { 0x14, 0x0B43 },
    };
    for (auto &c : rgcase) {
        uint8_t bResult = 0xEE;
        EXPECT_EQ(Cmd(c.cmd, &bResult), 1) << int(c.cmd);
        EXPECT_EQ(bResult, 0);
        EXPECT_EQ(Value(), c.id) << int(c.cmd);
    }
    uint8_t bResult = 0;
    EXPECT_EQ(Cmd(0x01, &bResult), 1);
    EXPECT_EQ(bResult, 0);
    // The memories exist from the design's start, 16 MB each.
    uint32_t cb = 0;
    ASSERT_NE(env.PflashFind("spi"), nullptr);
    EXPECT_EQ(env.PflashFind("spi")->CbSize(), 0x1000000u);
    EXPECT_EQ(env.PflashFind("bpi")->CbSize(), 0x1000000u);
    ASSERT_NE(env.PramFind("ram", &cb), nullptr);
    EXPECT_EQ(cb, 0x1000000u);
}

TEST_F(DsgMiravo3, ACommandWriteChangesTheStatusAtOnce)
{
    Start();
    EXPECT_EQ(Cmd(0x01), 1);
    // A block erase is busy right after the write, done later.
    Range(0, 0);
    regs.Put(0x80, 0x33);
    EXPECT_EQ(regs.Get(0x81), 2);
    uint8_t bResult = 0xEE;
    EXPECT_EQ(Cmd0Wait(&bResult), 1);
    EXPECT_EQ(bResult, 0);
    // Program and read: waiting for data at once.
    Range(0, 4);
    regs.Put(0x80, 0x24);
    EXPECT_EQ(regs.Get(0x81), 3);
    regs.Put(0x80, 0x34);
    EXPECT_EQ(regs.Get(0x81), 4);
    // A new command abandons the unfinished read.
    EXPECT_EQ(Cmd(0x05), 1);
    EXPECT_EQ(Value(), 0x00D00142u);
}

TEST_F(DsgMiravo3, SpiProgramOnlyClearsBitsAndQueryErasesByBlock)
{
    Start();
    Program(0x43, 0x10003, { 0x0F, 0xF0, 0x55 });
    Program(0x43, 0x10003, { 0xFC, 0xFF, 0xFF });   // AND with what is there
    EXPECT_EQ(Read(0x53, 0x10002, 5), (std::vector<uint8_t>{ 0xFF, 0x0C, 0xF0, 0x55, 0xFF }));
    uint8_t bResult = 0xEE;
    struct { uint32_t addr; uint8_t bQuery; } rgcase[] = {
        { 0x00000, 0 }, { 0x10000, 1 }, { 0x1FFFF, 1 }, { 0x20000, 0 },
    };
    for (auto &c : rgcase) {
        Range(c.addr, 0);
        EXPECT_EQ(Cmd(0x23, &bResult), 1);
        EXPECT_EQ(bResult, c.bQuery) << std::hex << c.addr;
    }
    Range(0x1FFFF, 0);   // any address of the block erases all of it
    EXPECT_EQ(Cmd(0x33, &bResult), 1);
    EXPECT_EQ(bResult, 0);
    EXPECT_TRUE(env.PflashFind("spi")->FBlank(0x10000, 0x10000));
    Range(0x1000000, 0);   // past the chip
    EXPECT_EQ(Cmd(0x23, &bResult), 1);
    EXPECT_EQ(bResult, 2);
}

TEST_F(DsgMiravo3, BigSpiPartHas128KBlocks)
{
    env.SetOpt("miravo3.spiid", "0x20DA18");
    Start();
    uint32_t addr, cb;
    ASSERT_TRUE(env.PflashFind("spi")->FBlockAt(0x30000, &addr, &cb));
    EXPECT_EQ(addr, 0x20000u);
    EXPECT_EQ(cb, 0x20000u);
    Program(0x43, 0x3FFFF, { 0x00 });
    uint8_t bResult;
    Range(0x20000, 0);
    EXPECT_EQ(Cmd(0x23, &bResult), 1);
    EXPECT_EQ(bResult, 1);
}

TEST_F(DsgMiravo3, BpiBootBlocksThenBigBlocks)
{
    Start();
    FLASHARRAY &bpi = *env.PflashFind("bpi");
    struct { uint32_t addr, addrBlock, cbBlock; } rgcase[] = {
        { 0x0, 0x0, 0x8000 }, { 0x18000, 0x18000, 0x8000 }, { 0x20000, 0x20000, 0x20000 },
        { 0xFFFFFF, 0xFE0000, 0x20000 },
    };
    for (auto &c : rgcase) {
        uint32_t addr, cb;
        ASSERT_TRUE(bpi.FBlockAt(c.addr, &addr, &cb));
        EXPECT_EQ(addr, c.addrBlock);
        EXPECT_EQ(cb, c.cbBlock);
    }
    Program(0x32, 0x7FFE, { 0x12, 0x34, 0x56, 0x78 });
    uint8_t bResult;
    Range(0x8000, 0);
    EXPECT_EQ(Cmd(0x22, &bResult), 1);
    EXPECT_EQ(bResult, 0);
    EXPECT_EQ(Read(0x42, 0x7FFE, 4), (std::vector<uint8_t>{ 0x12, 0x34, 0xFF, 0xFF }));
}

TEST_F(DsgMiravo3, RamKeepsWhatIsWrittenAndReadsPastTheEndGiveFF)
{
    Start();
    Program(0x24, 0xFFFFFE, { 0xA5, 0x5A, 0x77 });   // the last byte falls off the end
    Program(0x24, 0xFFFFFE, { 0x01, 0x5A });          // RAM: no AND
    EXPECT_EQ(Read(0x34, 0xFFFFFD, 5), (std::vector<uint8_t>{ 0x00, 0x01, 0x5A, 0xFF, 0xFF }));
    EXPECT_TRUE(Read(0x34, 0, 0).empty());
}

TEST_F(DsgMiravo3, InjectedFaults)
{
    env.SetOpt("miravo3.failcmd", "0x33");
    env.SetOpt("miravo3.readflip", "5,9");
    Start();
    uint8_t bResult;
    Range(0, 0);
    EXPECT_EQ(Cmd(0x33, &bResult), 1);
    EXPECT_EQ(bResult, 2);
    Program(0x24, 4, { 0x10, 0x20, 0x30 });
    EXPECT_EQ(Read(0x34, 4, 6), (std::vector<uint8_t>{ 0x10, 0x21, 0x30, 0x00, 0x00, 0x01 }));
    env.SetOpt("miravo3.stuck", "1");
    regs.Put(0x80, 0x01);
    EXPECT_EQ(regs.Get(0x81), 2);
}

TEST_F(DsgMiravo3, MemoriesOutliveTheDesign)
{
    Start();
    Program(0x43, 0x100, { 0x00 });
    Program(0x24, 0x100, { 0x42 });
    LoadDesign(regs, "miravo3", false);
    Start();
    EXPECT_EQ(Read(0x53, 0x100, 1), std::vector<uint8_t>{ 0x00 });
    EXPECT_EQ(Read(0x34, 0x100, 1), std::vector<uint8_t>{ 0x42 });
    ASSERT_FALSE(env.RgszLog().empty());
    EXPECT_EQ(env.RgszLog().back(), "cmd 0x34 addr 0x00000100 len 0x00000001");
}

} // namespace
