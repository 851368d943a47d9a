// simfixture.h - a running simulator with the test boards and one wire host.

#ifndef KOR_SIM_SIMFIXTURE_H
#define KOR_SIM_SIMFIXTURE_H

#include "simctl.h"
#include "wireclient.h"

#include <gtest/gtest.h>

// alpha: fixed firmware, a two-device chain, two stream ports, rails, accounts.
// beta:  FX2 with RAM firmware running.      blank: FX2 without firmware.
// gamma: FX3 in its boot loader.              old:   firmware 0x0201 (no write key).
// legacy: FX2 firmware that cannot tell its pdid (0xE9 stalls); the old
//         parameter block in its E2PROM does.
inline const char *SzTestConfig()
{
    return R"(# boards of the simulator tests
board alpha
  serial 210183A1B2C3
  user Alpha
  product KorvanelTest
  pdid 0x00700121
  fwver 0x0305
  caps 0x00000801 0x00000000
  mac 00:18:3E:01:02:03
  usb 0xFFF0 0x0007
  jtag XC3S500E 0x01C22093 6 0x09
  jtag XCF04S 0x05045093 8 0xFE
  jtagprops 0x00020003
  streamprops 0x00000001 0x00000002
  rail VCCINT 1000 2000 1200 350
  rail VCCAUX 1000 2000 2500 120
  account admin secret 3
board beta
  serial 210183B00001
  product VCabUsb1 V2.0
  chip fx2
  pdid 0x30100203
  fwver 0x0300
  caps 0x00000001 0x00000000
  revid 1
  legacyblock yes
  jtag XC2C64A 0x06E5E093 8 0x01
board blank
  serial 210183B00002
  chip fx2
  mode blank
  pdid 0
board gamma
  serial 210183C00001
  chip fx3
  mode boot
  pdid 0x00200180
board old
  serial 210183D00001
  product OldBoard
  fwver 0x0201
  pdid 0x00300122
board legacy
  serial 210183E00001
  product VCabUsb1 V0.0
  chip fx2
  pdid 0
  legacypdid 0x30100203
  legacyblock yes
  revid 1
)";
}

class SIMTEST : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string szErr;
        ASSERT_TRUE(simctl.FStart(SzTestConfig(), &szErr)) << szErr;
        ASSERT_TRUE(host.FConnect(simctl.Port()));
    }

    // Path of a board as the control channel names it.
    std::string SzPath(const std::string &szBoard) { return simctl.SzState(szBoard, "path"); }
    void OpenBoard(WIRECLIENT &wc, const std::string &szBoard)
    {
        ASSERT_EQ(wc.Open(SzPath(szBoard)), usbwire::stsOk);
    }

    SIMCTL simctl;
    WIRECLIENT host;
};

inline std::vector<uint8_t> RgbU32(uint32_t dw)
{
    return { uint8_t(dw), uint8_t(dw >> 8), uint8_t(dw >> 16), uint8_t(dw >> 24) };
}

inline std::string SzHexOf(const std::vector<uint8_t> &rgb)
{
    static const char rgchHex[] = "0123456789ABCDEF";
    std::string sz;
    for (uint8_t b : rgb) {
        sz += rgchHex[b >> 4];
        sz += rgchHex[b & 15];
    }
    return sz;
}

#endif
