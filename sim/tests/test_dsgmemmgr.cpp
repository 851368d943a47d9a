// The memory-manager designs of Corvale and Pentra driven through the
// register file as the host's register port reaches them: the handshake
// (status changes at the command write), program with flash semantics,
// reads past the end, block query and erase over each board's geometry,
// the x16 word rule, the self-test commands and the injectable faults.

#include <gtest/gtest.h>

#include "model/designs.h"

#include <chrono>
#include <thread>
#include <vector>

namespace {

class MemMgr : public ::testing::Test {
protected:
    void SetUp() override { env.SetOpt("timescale", "1"); }
    void Load(const char *szTag)
    {
        regs.penv = &env;
        sim::LoadDesign(regs, szTag, true);
    }
    void PutU32(const uint8_t rgreg[4], uint32_t u)
    {
        for (int i = 0; i < 4; i++)
            regs.Put(rgreg[i], uint8_t(u >> (24 - 8 * i)));
    }
    void Range(uint32_t addr, uint32_t cb)
    {
        static const uint8_t rgregAddr[4] = {0x94, 0x89, 0x88, 0x87}, rgregLen[4] = {0x93, 0x92, 0x91, 0x90};
        PutU32(rgregAddr, addr);
        PutU32(rgregLen, cb);
    }
    // Polls the status until it is no longer busy: the result byte when done,
    // minus the status otherwise.
    int Wait()
    {
        for (int i = 0; i < 20000; i++) {
            uint8_t sts = regs.Get(0x81);
            if (sts == 1)
                return regs.Get(0x82);
            if (sts != 2 && sts != 0xFF)
                return -sts;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return -100;
    }
    int Run(uint8_t cmd)
    {
        regs.Put(0x80, cmd);
        return Wait();
    }
    int Program(uint32_t addr, const std::vector<uint8_t> &rgb)
    {
        Range(addr, uint32_t(rgb.size()));
        regs.Put(0x80, 0x0C);
        if (regs.Get(0x81) != 3)
            return Wait() == 0 ? -1000 : regs.Get(0x82);
        for (uint8_t b : rgb)
            regs.Put(0xA0, b);
        return Wait();
    }
    std::vector<uint8_t> Read(uint32_t addr, uint32_t cbAsk, uint32_t cbTake)
    {
        Range(addr, cbAsk);
        regs.Put(0x80, 0x0D);
        EXPECT_EQ(regs.Get(0x81), 4);
        std::vector<uint8_t> rgb;
        for (uint32_t i = 0; i < cbTake; i++)
            rgb.push_back(regs.Get(0xA0));
        return rgb;
    }
    sim::FLASHARRAY &Flash(const char *szName)
    {
        sim::FLASHARRAY *pflash = env.PflashFind(szName);
        EXPECT_NE(pflash, nullptr);
        return *pflash;
    }

    sim::DESIGNENV env;
    sim::REGFILE regs;
};

TEST_F(MemMgr, ProgramClearsBitsOnlyAndSurvivesAReload)
{
    for (const char *szTag : {"corvale", "pentra"}) {
        SCOPED_TRACE(szTag);
        Load(szTag);
        ASSERT_EQ(Run(0x01), 0);
        ASSERT_EQ(Program(0x10000, {0xF0, 0x0F, 0x12, 0x34}), 0);
        ASSERT_EQ(Program(0x10000, {0x3C, 0xFF, 0xFF, 0x00}), 0);
        EXPECT_EQ(Read(0x10000, 4, 4), (std::vector<uint8_t>{0x30, 0x0F, 0x12, 0x00}));
        EXPECT_EQ(Wait(), 0);
        // The cells are the board's: a new design object sees them.
        Load(szTag);
        EXPECT_EQ(Read(0x0FFFE, 6, 6), (std::vector<uint8_t>{0xFF, 0xFF, 0x30, 0x0F, 0x12, 0x00}));
    }
}

TEST_F(MemMgr, CommandWriteChangesTheStatusAtOnce)
{
    Load("corvale");
    ASSERT_EQ(Run(0x01), 0);
    env.SetOpt("timescale", "100");
    regs.Put(0x80, 0x09);   // shorts test: one second
    uint8_t sts = regs.Get(0x81);
    EXPECT_TRUE(sts == 2 || sts == 0xFF) << int(sts);
    Range(0, 4);
    regs.Put(0x80, 0x0C);
    EXPECT_EQ(regs.Get(0x81), 3);
    regs.Put(0x80, 0x0D);   // the next command abandons the transfer
    EXPECT_EQ(regs.Get(0x81), 4);
    // 0x80 reads back the command (the self-test checks it).
    EXPECT_EQ(regs.Get(0x80), 0x0D);
}

TEST_F(MemMgr, ReadPastTheEndGivesErasedBytes)
{
    Load("pentra");
    Flash("spi").Poke(0xFFFFFE, std::vector<uint8_t>{0x11, 0x22}.data(), 2);
    std::vector<uint8_t> rgb = Read(0xFFFFFE, 0x02000000, 4);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{0x11, 0x22, 0xFF, 0xFF}));
    EXPECT_EQ(regs.Get(0x81), 4);   // still serving the asked length
}

TEST_F(MemMgr, QueryAndEraseFollowTheBoardsBlocks)
{
    struct { const char *szTag, *szFlash; uint32_t addr, addrBlock, cbBlock; } rgcase[] = {
        {"corvale", "bpi", 0x4005, 0x4000, 0x4000},
        {"corvale", "bpi", 0x12345, 0x10000, 0x10000},
        {"corvale", "bpi", 0x1FE4001, 0x1FE4000, 0x4000},
        {"pentra", "spi", 0x23456, 0x20000, 0x10000},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(testing::Message() << c.szTag << " " << std::hex << c.addr);
        Load(c.szTag);
        sim::FLASHARRAY &flash = Flash(c.szFlash);
        std::vector<uint8_t> rgbZero(3 * c.cbBlock, 0);
        flash.Poke(c.addrBlock - c.cbBlock, rgbZero.data(), rgbZero.size());
        Range(c.addr, 0);
        EXPECT_EQ(Run(0x13), 1);
        EXPECT_EQ(Run(0x43), 0);
        EXPECT_EQ(Run(0x13), 0);
        EXPECT_TRUE(flash.FBlank(c.addrBlock, c.cbBlock));
        EXPECT_EQ(flash.Read(c.addrBlock - 1, 1)[0], 0);
        EXPECT_EQ(flash.Read(c.addrBlock + c.cbBlock, 1)[0], 0);
    }
    EXPECT_EQ(Run(0x53), 0);
    EXPECT_TRUE(Flash("spi").FBlank(0, 0x1000000));
}

TEST_F(MemMgr, ParallelFlashTakesWholeWordsOnly)
{
    Load("corvale");
    EXPECT_EQ(Program(0x3, {0x00, 0x00}), 2);
    EXPECT_EQ(Program(0x2, {0x00, 0x00, 0x00}), 2);
    EXPECT_EQ(Program(0x1FFFFFE, {0x00, 0x00, 0x00, 0x00}), 2);   // past the end
    EXPECT_TRUE(Flash("bpi").FBlank(0, 16));
    Load("pentra");
    EXPECT_EQ(Program(0x3, {0x00, 0x01, 0x02}), 0);   // the SPI flash takes any byte
}

TEST_F(MemMgr, SelfTestCommandsAndFaults)
{
    Load("corvale");
    regs.Put(0x81, 1);   // the older self-test writes 1 first
    EXPECT_EQ(Run(0x02), 0);
    env.SetOpt("testresult.03", "1");
    EXPECT_EQ(Run(0x03), 1);
    env.SetOpt("switches", "0xA5");
    EXPECT_EQ(regs.Get(0x10), 0xA5);
    env.SetOpt("fault.status.0c", "4");
    Range(0, 2);
    regs.Put(0x80, 0x0C);
    EXPECT_EQ(regs.Get(0x81), 4);
    env.ClearOpt("fault.status.0c");
    env.SetOpt("fault.result.43", "7");
    EXPECT_EQ(Run(0x43), 7);
    env.SetOpt("fault.stuck.01", "1");
    regs.Put(0x80, 0x01);
    for (int i = 0; i < 8; i++) {
        uint8_t sts = regs.Get(0x81);
        EXPECT_TRUE(sts == 2 || sts == 0xFF);
    }
    env.ClearOpt("fault.stuck.01");
    env.SetOpt("fault.flip", "0x20001");
    EXPECT_EQ(Program(0x20000, {0x00, 0x00}), 0);
    EXPECT_EQ(Flash("bpi").Read(0x20000, 2), (std::vector<uint8_t>{0x00, 0x01}));
}

} // namespace
