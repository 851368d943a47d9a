// test_xfpga.cpp - the simulated Xilinx FPGA, configured over the wire as a
// host would (JTAG protocol), checked through the control channel.

#include "boardproto.h"
#include "jtaghost.h"
#include "simctl.h"
#include "wireclient.h"

#include "bitgen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace usbwire;

namespace {

using BYTES = std::vector<uint8_t>;

// f2:  FPGA (Spartan-3E) nearest TDO, Platform Flash PROM nearest TDI.
// f3:  PROM, FPGA (Spartan-6), CPLD: the FPGA in the middle.
// f3a: FPGA (Spartan-3A) nearest TDI, behind a PROM and a CPLD; configured
//      with the reference design at power-on.
const char szConfig[] = R"(
board f2
  serial 210183F00002
  pdid 0x00700121
  fwver 0x0305
  caps 0x00000801 0x00000000
  design none
  fpga XC3S500E 0x01C22093 6 s3e
  jtag XCF04S 0x05045093 8 0xFE
board f3
  serial 210183F00003
  pdid 0x00700121
  fwver 0x0305
  caps 0x00000801 0x00000000
  design none
  jtag XCF04S 0x05045093 8 0xFE
  fpga XC6SLX9 0x24001093 6 s6
  jtag XC2C64A 0x06E5E093 8 0x01
board f3a
  serial 210183F0003A
  pdid 0x00700121
  fwver 0x0305
  caps 0x00000801 0x00000000
  jtag XCF04S 0x05045093 8 0xFE
  jtag XC2C64A 0x06E5E093 8 0x01
  fpga XC3S200A 0x02218093 6 s3a
)";

struct BOARDCASE {
    const char *szBoard;
    std::vector<unsigned> rgcbitIr;     // nearest TDO first
    size_t idevFpga;                    // position of the FPGA, 0 nearest TDO
    const char *szPart;
    uint32_t idcode;
    bool f16;                           // 16-bit packet words
    bool fLoadedAtPowerOn;              // the board's PROM loads "reference" at power-on
};

const BOARDCASE rgboardcase[] = {
    { "f2", { 6, 8 }, 0, "3s500efg320", 0x01C22093, false, false },
    { "f3", { 8, 6, 8 }, 1, "6slx9tqg144", 0x24001093, true, false },
    { "f3a", { 8, 8, 6 }, 2, "3s200aft256", 0x02218093, true, true },
};

enum : uint64_t { opCfgOut = 0x04, opCfgIn = 0x05, opJprogram = 0x0B, opJstart = 0x0C };

BYTES RgbWords(const std::vector<uint32_t> &rgw, bool f16)
{
    BYTES rgb;
    for (uint32_t w : rgw)
        for (int ib = f16 ? 1 : 3; ib >= 0; ib--)
            rgb.push_back(uint8_t(w >> (8 * ib)));
    return rgb;
}

// The sync word: AA995566, or AA99 alone (Spartan-3A); the dummy words before it are all ones.
size_t IbSync(const BYTES &rgb)
{
    static const uint8_t rgbSync[] = { 0xAA, 0x99 };
    auto it = std::search(rgb.begin(), rgb.end(), std::begin(rgbSync), std::end(rgbSync));
    return size_t(it - rgb.begin());
}

BYTES RgbFromHex(const std::string &sz)
{
    BYTES rgb;
    for (size_t ich = 0; ich + 1 < sz.size(); ich += 2)
        rgb.push_back(uint8_t(strtoul(sz.substr(ich, 2).c_str(), nullptr, 16)));
    return rgb;
}

class XfpgaTest : public ::testing::TestWithParam<BOARDCASE> {
protected:
    void SetUp() override
    {
        std::string szErr;
        ASSERT_TRUE(simctl.FStart(szConfig, &szErr)) << szErr;
        ASSERT_TRUE(wc.FConnect(simctl.Port()));
        ASSERT_EQ(wc.Open(simctl.SzState(Bc().szBoard, "path")), stsOk);
        ASSERT_EQ(wc.Claim(), stsOk);
        pjh = std::make_unique<JTAGHOST>(wc, Bc().rgcbitIr);
        ASSERT_TRUE(pjh->FEnable());
        ASSERT_TRUE(pjh->FWalk("11111 0"));
    }

    const BOARDCASE &Bc() const { return GetParam(); }
    JTAGHOST &Jh() { return *pjh; }

    BYTES Bitstream(const std::string &szDesign, bool fJtagClock, uint32_t idcode = 0)
    {
        BGSPEC bgspec;
        bgspec.strPart = Bc().szPart;
        bgspec.idcode = idcode ? idcode : Bc().idcode;
        bgspec.strDesign = szDesign;
        bgspec.fJtagClock = fJtagClock;
        bgspec.cwordFrames = 600;
        bgspec.strDate = "2026/12/10";
        bgspec.strTime = "12:00:00";
        BYTES rgb;
        EXPECT_TRUE(FBuildConfigData(bgspec, &rgb));
        return rgb;
    }

    // The sequence of the configuration guides: JPROGRAM, wait, CFG_IN with
    // the bitstream, JSTART and start-up clocks in Run-Test/Idle.
    void Program(const BYTES &rgbData, size_t cclkStartup = 16)
    {
        size_t idev = Bc().idevFpga;
        ASSERT_TRUE(Jh().FInstruction(idev, opJprogram));
        ASSERT_TRUE(Jh().FClocks(10000));
        ASSERT_TRUE(Jh().FInstruction(idev, opCfgIn));
        ASSERT_TRUE(Jh().FDataBytes(idev, rgbData));
        ASSERT_TRUE(Jh().FInstruction(idev, opJstart));
        ASSERT_TRUE(Jh().FClocks(cclkStartup));
        ASSERT_TRUE(Jh().FWalk("11111 0"));
    }

    std::string Fpga(const std::string &szKey)
    {
        std::vector<std::string> rgsz;
        EXPECT_TRUE(simctl.FCmd(std::string("FPGA ") + Bc().szBoard, &rgsz));
        for (auto &sz : rgsz)
            if (sz.compare(0, szKey.size() + 1, szKey + " ") == 0)
                return sz.substr(szKey.size() + 1);
        return "";
    }

    // The status register through CFG_OUT, read inside sync and desync.
    uint32_t StatRead()
    {
        bool f16 = Bc().f16;
        size_t idev = Bc().idevFpga;
        std::vector<uint32_t> rgwRead = f16 ? std::vector<uint32_t>{ 0xFFFF, 0xAA99, 0x5566, 0x2000, 0x2901, 0x2000, 0x2000 }
                                            : std::vector<uint32_t>{ 0xFFFFFFFF, 0xAA995566, 0x20000000, 0x2800E001,
                                                                     0x20000000, 0x20000000 };
        EXPECT_TRUE(Jh().FInstruction(idev, opCfgIn));
        EXPECT_TRUE(Jh().FDataBytes(idev, RgbWords(rgwRead, f16)));
        EXPECT_TRUE(Jh().FInstruction(idev, opCfgOut));
        unsigned cbit = f16 ? 16 : 32;
        JTAGHOST::BITV rgbit = Jh().DataRead(idev, cbit);
        uint32_t w = 0;
        for (unsigned ibit = 0; ibit < cbit && ibit < rgbit.size(); ibit++)
            w = (w << 1) | rgbit[ibit];
        std::vector<uint32_t> rgwDesync = f16 ? std::vector<uint32_t>{ 0x30A1, 0x000D, 0x2000, 0x2000 }
                                              : std::vector<uint32_t>{ 0x30008001, 0x0000000D, 0x20000000, 0x20000000 };
        EXPECT_TRUE(Jh().FInstruction(idev, opCfgIn));
        EXPECT_TRUE(Jh().FDataBytes(idev, RgbWords(rgwDesync, f16)));
        return w;
    }

    uint32_t DoneBit() const { return Bc().f16 ? 1u << 13 : 1u << 14; }
    uint32_t InitBit() const { return Bc().f16 ? 1u << 12 : 1u << 13; }
    uint32_t IdErrorBit() const { return Bc().f16 ? 1u << 1 : 1u << 7; }

    SIMCTL simctl;
    WIRECLIENT wc;
    std::unique_ptr<JTAGHOST> pjh;
};

TEST_P(XfpgaTest, PowerOnStateThenJtagProgrammingRunsTheTaggedDesign)
{
    size_t idev = Bc().idevFpga;
    ASSERT_EQ(wc.Command({ 3, 3, 0, 0 }), (BYTES{ 1, 0 }));
    if (Bc().fLoadedAtPowerOn) {
        EXPECT_EQ(Jh().IrCapture(idev) & 0x33, 0x31u);     // DONE, INIT_B high, ..01
        EXPECT_EQ(Fpga("done"), "1");
        EXPECT_EQ(Fpga("design"), "reference");
        EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0x10 }), (BYTES{ 2, 0, 0x00 }));
    } else {
        EXPECT_EQ(Jh().IrCapture(idev) & 0x33, 0x11u);     // DONE low, INIT_B high, ..01
        EXPECT_EQ(Fpga("done"), "0");
        EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0x10 }), (BYTES{ 2, 0, 0xFF }));    // nothing runs
    }

    BYTES rgbData = Bitstream("refio", true);
    Program(rgbData);

    EXPECT_EQ(Fpga("done"), "1");
    EXPECT_EQ(Fpga("running"), "1");
    EXPECT_EQ(Fpga("design"), "refio");
    EXPECT_EQ(Fpga("crcerror"), "0");
    EXPECT_EQ(Jh().IrCapture(idev) & 0x37, 0x35u);         // DONE, INIT_B, ISC_DONE, ..01
    // What the device received from the sync word on is the file's data.
    std::string szHex = simctl.SzLine(std::string("CFGDATA ") + Bc().szBoard);
    BYTES rgbGot = RgbFromHex(szHex);
    BYTES rgbWant(rgbData.begin() + long(IbSync(rgbData)), rgbData.end());
    EXPECT_EQ(rgbGot.size(), rgbWant.size());
    EXPECT_TRUE(rgbGot == rgbWant);
    // The frame data starts with the design tag.
    BYTES rgbFdri = RgbFromHex(simctl.SzLine(std::string("CFGDATA ") + Bc().szBoard + " fdri"));
    ASSERT_GE(rgbFdri.size(), 13u);
    EXPECT_EQ(std::string(rgbFdri.begin(), rgbFdri.begin() + 4), "KVDT");

    // The board's register port reaches the design.
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "done"), "1");
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "design"), "refio");
    EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0xFF }), (BYTES{ 2, 0, 0x52 }));
    EXPECT_EQ(wc.Command({ 5, 3, 3, 0, 0x10, 0xC3 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0x10 }), (BYTES{ 2, 0, 0xC3 }));

    uint32_t stat = StatRead();
    EXPECT_EQ(stat & (DoneBit() | InitBit() | IdErrorBit() | 1u), DoneBit() | InitBit()) << std::hex << stat;
    EXPECT_EQ(Fpga("synced"), "0");

    // JPROGRAM clears it: DONE low, the register port no longer answers.
    ASSERT_TRUE(Jh().FInstruction(idev, opJprogram));
    EXPECT_EQ(Fpga("done"), "0");
    EXPECT_EQ(Fpga("init"), "0");
    EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0x10 }), (BYTES{ 2, 0, 0xFF }));
    ASSERT_TRUE(Jh().FClocks(2000));
    EXPECT_EQ(Fpga("init"), "1");
}

TEST_P(XfpgaTest, StartUpClockComesFromCor)
{
    // JTAG clock: DONE waits for JSTART and TCK in Run-Test/Idle.
    size_t idev = Bc().idevFpga;
    ASSERT_TRUE(Jh().FInstruction(idev, opJprogram));
    ASSERT_TRUE(Jh().FClocks(2000));
    ASSERT_TRUE(Jh().FInstruction(idev, opCfgIn));
    ASSERT_TRUE(Jh().FDataBytes(idev, Bitstream("refio", true)));
    ASSERT_TRUE(Jh().FClocks(64));              // clocks under CFG_IN start nothing
    EXPECT_EQ(Fpga("startclock"), "jtag");
    EXPECT_EQ(Fpga("done"), "0");
    ASSERT_TRUE(Jh().FInstruction(idev, opJstart));
    ASSERT_TRUE(Jh().FClocks(3));
    EXPECT_EQ(Fpga("done"), "0");
    ASSERT_TRUE(Jh().FClocks(1));
    EXPECT_EQ(Fpga("done"), "1");
    EXPECT_EQ(Fpga("running"), "0");            // GWE comes two clocks later
    ASSERT_TRUE(Jh().FClocks(2));
    EXPECT_EQ(Fpga("running"), "1");

    // CCLK: the sequence runs by itself once the device leaves sync.
    ASSERT_TRUE(Jh().FInstruction(idev, opJprogram));
    ASSERT_TRUE(Jh().FClocks(2000));
    ASSERT_TRUE(Jh().FInstruction(idev, opCfgIn));
    ASSERT_TRUE(Jh().FDataBytes(idev, Bitstream("reference", false)));
    EXPECT_EQ(Fpga("startclock"), "cclk");
    EXPECT_EQ(Fpga("done"), "1");
    EXPECT_EQ(Fpga("design"), "reference");
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "design"), "reference");
}

TEST_P(XfpgaTest, JshutdownStopsTheDesign)
{
    enum : uint64_t { opJshutdown = 0x0D };
    Program(Bitstream("refio", true));
    ASSERT_EQ(Fpga("running"), "1");
    ASSERT_EQ(wc.Command({ 3, 3, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_TRUE(Jh().FInstruction(Bc().idevFpga, opJshutdown));
    ASSERT_TRUE(Jh().FClocks(11));
    EXPECT_EQ(Fpga("running"), "1");
    ASSERT_TRUE(Jh().FClocks(1));
    EXPECT_EQ(Fpga("running"), "0");
    EXPECT_EQ(Fpga("done"), "1");
    EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0xFF }), (BYTES{ 2, 0, 0xFF }));
    // A new configuration runs again.
    Program(Bitstream("reference", true));
    EXPECT_EQ(Fpga("running"), "1");
    EXPECT_EQ(wc.Command({ 4, 3, 4, 0, 0xFF }), (BYTES{ 2, 0, 0x01 }));
}

TEST_P(XfpgaTest, WrongCrcKeepsDoneLowAndShowsInStatus)
{
    BYTES rgbData = Bitstream("refio", true);
    // One bit of the frame data flipped, after the tag: the CRC check fails.
    size_t ib = IbSync(rgbData) + 200;
    ASSERT_LT(ib, rgbData.size());
    rgbData[ib] ^= 0x10;
    Program(rgbData, 64);
    EXPECT_EQ(Fpga("done"), "0");
    EXPECT_EQ(Fpga("crcerror"), "1");
    EXPECT_EQ(Fpga("running"), "0");
    EXPECT_EQ(Jh().IrCapture(Bc().idevFpga) & 0x33, 0x01u);    // DONE and INIT_B low
    uint32_t stat = StatRead();
    EXPECT_EQ(stat & (DoneBit() | InitBit() | 1u), 1u) << std::hex << stat;
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "done"), "0");
}

TEST_P(XfpgaTest, IdcodeOfAnotherDeviceIsRefused)
{
    Program(Bitstream("refio", true, Bc().idcode ^ 0x00010000), 64);
    EXPECT_EQ(Fpga("iderror"), "1");
    EXPECT_EQ(Fpga("done"), "0");
    EXPECT_EQ(Fpga("fdri"), "0");                // frames refused
    uint32_t stat = StatRead();
    EXPECT_EQ(stat & (DoneBit() | IdErrorBit()), IdErrorBit()) << std::hex << stat;
}

TEST_P(XfpgaTest, DataDuringTheClearIsLost)
{
    // Without the wait after JPROGRAM the bitstream arrives while INIT_B is
    // still low: nothing is configured.
    size_t idev = Bc().idevFpga;
    ASSERT_TRUE(Jh().FInstruction(idev, opJprogram));
    ASSERT_TRUE(Jh().FInstruction(idev, opCfgIn));
    BYTES rgbData = Bitstream("refio", true);
    BYTES rgbShort(rgbData.begin(), rgbData.begin() + long(IbSync(rgbData)) + 4);  // up to the sync word
    ASSERT_TRUE(Jh().FDataBytes(idev, rgbShort));
    EXPECT_EQ(Fpga("synced"), "0");
}

// The board-management configuration reset is the FPGA's PROG_B: asserted,
// it clears the configuration (DONE low, the design stops, INIT_B low) and
// keeps it clear; released, the FPGA takes a configuration again.
TEST_P(XfpgaTest, ConfigurationResetClearsTheFpgaUntilReleased)
{
    using namespace boardproto;
    size_t idev = Bc().idevFpga;
    Program(Bitstream("refio", true));
    ASSERT_EQ(Fpga("done"), "1");
    ASSERT_EQ(Fpga("running"), "1");
    ASSERT_EQ(wc.Command({ 3, aptReg, cmdEnablePort, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(wc.Command({ 4, aptReg, regCmdGet, 0, 0xFF }), (BYTES{ 2, 0, 0x52 }));
    ASSERT_EQ(wc.Command({ 3, aptMgmt, cmdEnablePort, 0 }), (BYTES{ 1, 0 }));

    EXPECT_EQ(wc.Command({ 4, aptMgmt, mgmtCmdConfigReset, 0, 1 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(Fpga("done"), "0");
    EXPECT_EQ(Fpga("running"), "0");
    EXPECT_EQ(Fpga("init"), "0");
    EXPECT_EQ(Fpga("design"), "");
    EXPECT_EQ(Fpga("fdri"), "0");
    EXPECT_EQ(Jh().IrCapture(idev) & 0x37, 0x01u);        // DONE, INIT_B, ISC_DONE low
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "done"), "0");
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "configreset"), "1");
    EXPECT_EQ(wc.Command({ 4, aptReg, regCmdGet, 0, 0xFF }), (BYTES{ 2, 0, 0xFF }));    // nothing runs

    // Held: a configuration sent now is lost.
    Program(Bitstream("refio", true), 64);
    EXPECT_EQ(Fpga("synced"), "0");
    EXPECT_EQ(Fpga("done"), "0");
    EXPECT_EQ(Fpga("running"), "0");

    // Released: INIT_B high, and the next configuration runs.
    EXPECT_EQ(wc.Command({ 4, aptMgmt, mgmtCmdConfigReset, 0, 0 }), (BYTES{ 1, 0 }));
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "configreset"), "0");
    EXPECT_EQ(Fpga("init"), "1");
    EXPECT_EQ(Fpga("done"), "0");
    Program(Bitstream("reference", true));
    EXPECT_EQ(Fpga("done"), "1");
    EXPECT_EQ(Fpga("design"), "reference");
    EXPECT_EQ(simctl.SzState(Bc().szBoard, "done"), "1");
    EXPECT_EQ(wc.Command({ 4, aptReg, regCmdGet, 0, 0xFF }), (BYTES{ 2, 0, 0x01 }));
}

INSTANTIATE_TEST_SUITE_P(Boards, XfpgaTest, ::testing::ValuesIn(rgboardcase),
                         [](const ::testing::TestParamInfo<BOARDCASE> &info) { return std::string(info.param.szBoard); });

} // namespace
