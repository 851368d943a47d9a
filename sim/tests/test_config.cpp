// test_config.cpp - the configuration reader.

#include "server/config.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

TEST(Config, FullBoard)
{
    std::vector<BOARDCFG> rgcfg;
    std::string szErr;
    ASSERT_TRUE(FParseConfig("# comment\n"
                             "board one\n"
                             "  serial 210183ABCDEF   # trailing comment\n"
                             "  user My Board\n"
                             "  product VCabUsb1 V2.0\n"
                             "  pdid 0x00500106\n"
                             "  fwver 0x0305\n"
                             "  caps 0x801 0x10\n"
                             "  usb 0xFFF0 7\n"
                             "  chip fx2\n"
                             "  mode loader\n"
                             "  jtag DEV0 0x01C22093 6 9\n"
                             "  jtag DEV1 0x05045093 8\n"
                             "  streamprops 1 2 3\n"
                             "  rail VCC 10 20 30 40\n"
                             "  account bob pw 5\n"
                             "  plugged no\n"
                             "  legacypdid 0x30100203\n"
                             "board two\n",
                             rgcfg, szErr))
        << szErr;
    ASSERT_EQ(rgcfg.size(), 2u);
    const BOARDCFG &cfg = rgcfg[0];
    EXPECT_EQ(cfg.szName, "one");
    EXPECT_EQ(cfg.ident.szSerial, "210183ABCDEF");
    EXPECT_EQ(cfg.ident.szUser, "My Board");
    EXPECT_EQ(cfg.ident.szProduct, "VCabUsb1 V2.0");
    EXPECT_EQ(cfg.ident.pdid, 0x00500106u);
    EXPECT_EQ(cfg.ident.fwver, 0x0305);
    EXPECT_EQ(cfg.ident.dcapPub, 0x801u);
    EXPECT_EQ(cfg.ident.dcapPriv, 0x10u);
    EXPECT_EQ(cfg.ident.pid, 7);
    EXPECT_EQ(cfg.chip, chipFx2);
    EXPECT_EQ(cfg.fwm, fwmLoader);
    ASSERT_EQ(cfg.rgjdevcfg.size(), 2u);
    EXPECT_EQ(cfg.rgjdevcfg[0].irIdcode, 9u);
    EXPECT_EQ(cfg.rgjdevcfg[1].irIdcode, 1u);
    EXPECT_EQ(cfg.rgjdevcfg[1].cbitIr, 8u);
    EXPECT_EQ(cfg.rgdprpStream, (std::vector<uint32_t>{ 1, 2, 3 }));
    ASSERT_EQ(cfg.rgrail.size(), 1u);
    EXPECT_EQ(cfg.rgrail[0].rawI, 40u);
    ASSERT_EQ(cfg.rgacct.size(), 1u);
    EXPECT_EQ(cfg.rgacct[0].attr, 5);
    EXPECT_FALSE(cfg.fPlugged);
    EXPECT_TRUE(cfg.fLegacyPdid);
    EXPECT_EQ(cfg.pdidLegacy, 0x30100203u);
    EXPECT_FALSE(rgcfg[1].fLegacyPdid);
    EXPECT_TRUE(rgcfg[1].fPlugged);
}

TEST(Config, FpgaDevicesKeepTheirChainPosition)
{
    std::vector<BOARDCFG> rgcfg;
    std::string szErr;
    ASSERT_TRUE(FParseConfig("board f\n"
                             "  jtag XCF04S 0x05046093 8 0xFE\n"
                             "  fpga XC6SLX9 0x24001093 6 s6\n"
                             "  fpga XC3S200A 0x02218093 8 s3a\n",
                             rgcfg, szErr))
        << szErr;
    const auto &rgjdevcfg = rgcfg[0].rgjdevcfg;
    ASSERT_EQ(rgjdevcfg.size(), 3u);
    EXPECT_EQ(rgjdevcfg[0].szFamily, "");
    EXPECT_EQ(rgjdevcfg[1].szModel, "XC6SLX9");
    EXPECT_EQ(rgjdevcfg[1].idcode, 0x24001093u);
    EXPECT_EQ(rgjdevcfg[1].cbitIr, 6u);
    EXPECT_EQ(rgjdevcfg[1].szFamily, "s6");
    EXPECT_EQ(rgjdevcfg[2].cbitIr, 8u);
    EXPECT_EQ(rgjdevcfg[2].szFamily, "s3a");
}

TEST(Config, DefaultBoardsFile)
{
    std::vector<BOARDCFG> rgcfg;
    std::string szErr;
    ASSERT_TRUE(FLoadConfig(KORSIM_DEFAULT_CFG, rgcfg, szErr)) << szErr;
    ASSERT_EQ(rgcfg.size(), 2u);
    EXPECT_EQ(rgcfg[0].rgjdevcfg.size(), 2u);
    EXPECT_EQ(rgcfg[0].rgrail.size(), 4u);
    EXPECT_EQ(rgcfg[1].chip, chipFx2);
    EXPECT_FALSE(FLoadConfig("/nonexistent/korsim.cfg", rgcfg, szErr));
    EXPECT_NE(szErr.find("cannot open"), std::string::npos);
}

struct BADCASE {
    const char *szText;
    const char *szErrPart;
};

TEST(Config, ErrorsNameTheLine)
{
    const BADCASE rgbad[] = {
        { "", "no board" },
        { "serial 210183ABCDEF\n", "line 1" },
        { "board a\nserial 123\n", "line 2: a serial number has 12" },
        { "board a\npdid zz\n", "not a number" },
        { "board a\njtag X 0x1\n", "needs a model name" },
        { "board a\njtag X 0x1 1\n", "IR length" },
        { "board a\njtag X 0x1 65\n", "IR length" },
        { "board a\nchip fx9\n", "unknown chip" },
        { "board a\nplugged maybe\n", "yes or no" },
        { "board a\nboard a\n", "defined twice" },
        { "board a\nfrobnicate 1\n", "unknown directive" },
        { "board a\nrail V 1 2 3\n", "label and four" },
        { "board a\naccount bob\n", "name, a password" },
        { "board a\ncaps 1\n", "needs 2" },
        { "board a\npdid 0x1FFFFFFFFFFFFFFFFFF\n", "not a number" },
        { "board a\nfpga X 0x1 6\n", "and a family" },
        { "board a\nfpga X 0x1 6 s9\n", "and a family" },
        { "board a\nfpga X 0x1 5 s3e\n", "6 to 64" },
        { "board a\nfpga X zz 6 s6\n", "not a number" },
    };
    for (const BADCASE &bad : rgbad) {
        std::vector<BOARDCFG> rgcfg;
        std::string szErr;
        EXPECT_FALSE(FParseConfig(bad.szText, rgcfg, szErr)) << bad.szText;
        EXPECT_NE(szErr.find(bad.szErrPart), std::string::npos) << bad.szText << " -> " << szErr;
    }
}

} // namespace
