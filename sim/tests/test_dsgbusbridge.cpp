// test_dsgbusbridge.cpp - the bus-bridge test designs and the switches
// design, driven register by register as a host drives them: the RAM and
// flash cycles' effect on the board's memories, the ready and size
// registers, the switches and buttons, and each injected fault.

#include "model/dsgbusbridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace sim {
namespace {

class BusBridge : public ::testing::Test {
protected:
    void SetUp() override { env.SetOpt("readyms", "0"); }
    std::unique_ptr<SIMDESIGN> Pdesign() { return DSGBUSBRIDGE::PdesignMiravo2(env); }
    static void Put(SIMDESIGN &d, uint8_t reg, uint8_t b) { ASSERT_TRUE(d.FPut(reg, b)); }
    static uint8_t Get(SIMDESIGN &d, uint8_t reg)
    {
        uint8_t b = 0;
        EXPECT_TRUE(d.FGet(reg, b));
        return b;
    }
    static void Address(SIMDESIGN &d, uint32_t addr)
    {
        Put(d, 1, uint8_t(addr));
        Put(d, 2, uint8_t(addr >> 8));
        Put(d, 3, uint8_t(addr >> 16));
    }
    // A byte driven onto the bus at addr, then three control words.
    static void Drive(SIMDESIGN &d, uint32_t addr, uint8_t b, std::initializer_list<uint8_t> rgbCtl)
    {
        Address(d, addr);
        Put(d, 4, b);
        for (uint8_t bCtl : rgbCtl)
            Put(d, 0, bCtl);
    }
    static void RamWrite(SIMDESIGN &d, uint32_t addr, uint8_t b) { Drive(d, addr, b, {0xF9, 0xFB, 0xFF}); }
    static uint8_t RamRead(SIMDESIGN &d, uint32_t addr)
    {
        Address(d, addr);
        Put(d, 0, 0xFA);
        uint8_t b = Get(d, 5);
        Put(d, 0, 0xFF);
        return b;
    }
    static void FlashCmd(SIMDESIGN &d, uint32_t addr, uint8_t bCmd) { Drive(d, addr, bCmd, {0x35, 0x37, 0x3F}); }
    static uint8_t FlashStatus(SIMDESIGN &d)
    {
        Put(d, 0, 0x36);
        uint8_t b = Get(d, 5);
        Put(d, 0, 0x3F);
        return b;
    }
    static bool FEraseWait(SIMDESIGN &d, uint32_t addr)
    {
        FlashCmd(d, addr, 0x20);
        FlashCmd(d, addr, 0xD0);
        uint64_t usEnd = DESIGNENV::UsNow() + 2000000;
        while (DESIGNENV::UsNow() < usEnd)
            if (FlashStatus(d) & 0x80)
                return true;
        return false;
    }
    DESIGNENV env;
};

TEST_F(BusBridge, RamCyclesReachTheBoardRamAndReadBack)
{
    auto pd = Pdesign();
    RamWrite(*pd, 0x800000, 0x38);
    RamWrite(*pd, 0x000001, 0x02);
    EXPECT_EQ(env.PramFind("ram")->Read(0x800000, 1)[0], 0x38);
    EXPECT_EQ(RamRead(*pd, 0x800000), 0x38);
    EXPECT_EQ(RamRead(*pd, 1), 0x02);
    // A write strobe without its select word writes nothing.
    Address(*pd, 0x10);
    Put(*pd, 4, 0x55);
    Put(*pd, 0, 0xFB);
    EXPECT_EQ(RamRead(*pd, 0x10), 0x00);
    // The RAM outlives the design (a new one sees the same cells).
    pd = Pdesign();
    EXPECT_EQ(RamRead(*pd, 0x800000), 0x38);
}

TEST_F(BusBridge, FlashEraseProgramAndReadArray)
{
    auto pd = Pdesign();
    FLASHARRAY *pflash = env.PflashFind("flash");
    ASSERT_NE(pflash, nullptr);
    EXPECT_EQ(pflash->CbSize(), 16u << 20);
    uint8_t rgbOld[2] = {0x00, 0x00};
    pflash->Poke(0x20004, rgbOld, 2);
    ASSERT_TRUE(FEraseWait(*pd, 0x20000));
    EXPECT_TRUE(pflash->FBlank(0x20000, 0x20000));
    Address(*pd, 0x20004);
    Put(*pd, 7, 0x10);
    Put(*pd, 7, 0x11);
    EXPECT_EQ(pflash->Read(0x20004, 2), (std::vector<uint8_t>{0x10, 0x11}));
    // Reads give the status until read array is asked for.
    Address(*pd, 0x20004);
    EXPECT_EQ(Get(*pd, 7) & 0x80, 0x80);
    FlashCmd(*pd, 0x20004, 0xFF);
    EXPECT_EQ(Get(*pd, 7), 0x10);
    EXPECT_EQ(Get(*pd, 7), 0x11);
    // Programming only clears bits.
    pflash->Poke(0x40000, rgbOld, 2);
    Address(*pd, 0x40000);
    Put(*pd, 7, 0xFF);
    Put(*pd, 7, 0xFF);
    EXPECT_EQ(pflash->Read(0x40000, 2), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST_F(BusBridge, SizeCodeReadyAndBoardInputs)
{
    env.SetOpt("readyms", "200");
    auto pd = Pdesign();
    EXPECT_EQ(Get(*pd, 14), 24);
    EXPECT_EQ(Get(*pd, 8) & 1, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(Get(*pd, 8) & 1, 1);
    env.SetOpt("buttons", "0xFF");
    env.SetOpt("switches", "0x81");
    EXPECT_EQ(Get(*pd, 0x80), 0xF0);
    EXPECT_EQ(Get(*pd, 0x82), 0x81);

    DESIGNENV envMiravo;
    envMiravo.SetOpt("flashcode", "22");
    auto pdMiravo = DSGBUSBRIDGE::PdesignMiravo(envMiravo);
    EXPECT_EQ(Get(*pdMiravo, 14), 22);
    EXPECT_EQ(envMiravo.PflashFind("flash")->CbSize(), 4u << 20);
    // An odd code is reported as it is; the flash keeps a size it can have.
    envMiravo.SetOpt("flashcode", "7");
    EXPECT_EQ(Get(*DSGBUSBRIDGE::PdesignMiravo(envMiravo), 14), 7);
}

TEST_F(BusBridge, InjectedFaults)
{
    auto pd = Pdesign();
    env.SetOpt("fault.ramstuck", "0x04");
    RamWrite(*pd, 4, 0x04);
    EXPECT_EQ(RamRead(*pd, 4), 0x00);
    env.ClearOpt("fault.ramstuck");

    env.SetOpt("fault.ramalias", "20");
    RamWrite(*pd, 0x100000, 0x20);
    RamWrite(*pd, 0x000000, 0x01);
    EXPECT_EQ(RamRead(*pd, 0x100000), 0x01);
    env.ClearOpt("fault.ramalias");

    env.SetOpt("fault.noready", "1");
    EXPECT_EQ(Get(*pd, 8), 0);
    env.ClearOpt("fault.noready");

    env.SetOpt("fault.flashstuck", "0x01");
    ASSERT_TRUE(FEraseWait(*pd, 0));
    Address(*pd, 0);
    Put(*pd, 7, 0x02);
    Put(*pd, 7, 0x03);
    EXPECT_EQ(env.PflashFind("flash")->Read(0, 2), (std::vector<uint8_t>{0x03, 0x03}));
    env.ClearOpt("fault.flashstuck");

    env.SetOpt("fault.erasehang", "1");
    FlashCmd(*pd, 0x20000, 0x20);
    FlashCmd(*pd, 0x20000, 0xD0);
    for (int i = 0; i < 100; i++)
        EXPECT_EQ(FlashStatus(*pd) & 0x80, 0);
}

TEST(Switches, TullenShowsSwitchesAndButtonsOnly)
{
    DESIGNENV env;
    env.SetOpt("switches", "0x01");
    env.SetOpt("buttons", "0x8F");
    auto pd = DSGSWITCHES::Pdesign(env);
    uint8_t b = 0;
    ASSERT_TRUE(pd->FGet(0x82, b));
    EXPECT_EQ(b, 0x01);
    ASSERT_TRUE(pd->FGet(0x80, b));
    EXPECT_EQ(b, 0x80);
    EXPECT_FALSE(pd->FGet(0x10, b));
    EXPECT_TRUE(pd->FPut(0x82, 0));
    ASSERT_TRUE(pd->FGet(0x82, b));
    EXPECT_EQ(b, 0x01);
}

} // namespace
} // namespace sim
