// board.h - the state of one simulated board with the maker's USB firmware.
//
// BOARDCFG is what the configuration file says about a board (its identity
// at power-on); BOARD is the live state: identity (which a RAM firmware
// download can change), memories, accounts, the write key, the JTAG chain,
// the design's registers, supply rails and the stream. The firmware that
// answers the host (fw/) works on a BOARD; the control channel reads it.

#ifndef KOR_SIM_BOARD_H
#define KOR_SIM_BOARD_H

#include "chain.h"
#include "../ftdi/ftcfg.h"
#include "../net/netcfg.h"
#include "regfile.h"
#include "sparsemem.h"
#include "stream.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// Chip the maker's firmware runs on.
enum CHIP : uint8_t {
    chipFixed,      // firmware in ROM (fwid 32 to 63)
    chipFx2,        // FX2: RAM firmware loaded through 0xA0 / CPUCS
    chipFx3,        // FX3: boot loader takes an image into RAM
};

// What the chip runs right now.
enum FWMODE : uint8_t {
    fwmApp,         // the maker's firmware (fixed, FX2 RAM image, FX3 application)
    fwmBlank,       // FX2 without firmware: only the chip's own 0xA0 request works
    fwmLoader,      // FX2 running the host's loader: 0xA3 external RAM, 0xE8
    fwmFx3Boot,     // FX3 boot loader (image section 2)
};

struct IDENT {
    std::string szSerial = "000000000000";  // 12 characters
    std::string szUser;                     // up to 16
    std::string szProduct;                  // up to 28
    std::string szMac = "00:00:00:00:00:00";
    std::string szUsbBootProduct;           // 64-byte blocks
    std::string szUsbProduct;
    std::string szOldVersion;               // answer of 0xE0
    uint32_t pdid = 0;
    uint16_t fwver = 0x0300;
    uint16_t fwverRom = 0x0100;
    uint32_t dcapPub = 0;
    uint32_t dcapPriv = 0;
    uint16_t vid = 0xFFF0;
    uint16_t pid = 0x0007;
};

struct JDEVCFG {
    std::string szModel;
    uint32_t idcode = 0;
    unsigned cbitIr = 6;
    uint64_t irIdcode = 1;
    std::string szFamily;       // FPGA family (xfpga.h): "s3", "s3e", "s3a", "s6"; empty: IDCODE/BYPASS only
    std::string szKind;         // "cpld" (xc2c.h), "prom" (xcf.h); empty: by szFamily
};

struct RAIL {
    std::string szLabel;
    uint32_t kV = 1000;         // factors: value = raw x factor / 1e6
    uint32_t kI = 1000;
    uint32_t rawV = 0;
    uint32_t rawI = 0;
};

struct ACCOUNT {
    std::string szName;
    std::string szPassword;
    uint8_t attr = 0;
};

struct BOARDCFG {
    std::string szName;             // the board's name in the configuration and on the control channel
    IDENT ident;
    CHIP chip = chipFixed;
    FWMODE fwm = fwmApp;
    uint8_t revid = 1;              // FX2 REVID register
    bool fLegacyBlock = false;      // write the old parameter block into the E2PROM
    bool fLegacyPdid = false;       // the block carries pdidLegacy instead of the identity's pdid
    uint32_t pdidLegacy = 0;
    bool fPlugged = true;
    std::vector<JDEVCFG> rgjdevcfg;
    uint32_t dprpJtag = 0x00000003;
    std::vector<uint32_t> rgdprpStream = { 0x00000001 };
    std::vector<RAIL> rgrail;
    std::vector<ACCOUNT> rgacct;
    bool fAuth = false;
    std::string szDesign = "reference";
    std::vector<std::pair<std::string, std::string>> rgoptDesign;  // "designopt KEY VALUE" lines
    FTDICFG ftdi;                   // ftt != fttNone: the board sits behind an FTDI chip
    NETCFG net;                     // net.FOn(): the board is on the network, not on USB
};

// Descriptor a RAM image carries so that the simulated chip knows what the
// downloaded firmware is: "KSIMFW01", u32 pdid, u16 fwver, u32 dcapPub,
// u32 dcapPriv (little-endian), anywhere in the bytes written.
constexpr char szFwDescMagic[] = "KSIMFW01";
constexpr size_t cbFwDesc = 8 + 4 + 2 + 4 + 4;

class BOARD {
public:
    static constexpr size_t cbE2prom = 16384;
    static constexpr size_t cbFx2Ram = 0x4000;      // internal RAM 0x0000-0x3FFF
    static constexpr size_t cbIpv4Config = 1561;
    static constexpr size_t cbIpv4Status = 1569;

    explicit BOARD(const BOARDCFG &cfg);
    BOARD(const BOARD &) = delete;
    BOARD &operator=(const BOARD &) = delete;

    // Power-on: identity and firmware from the configuration, volatile
    // memories cleared, chain in Test-Logic-Reset. Non-volatile memories
    // (E2PROM, FX3 EEPROM and flash, accounts) keep their contents.
    void PowerOn();
    void WriteLegacyBlock();
    // The FPGA configures itself from the board's serial PROM (master serial
    // mode), as after its PROG_B line was pulsed; nothing when the board has
    // no PROM, the PROM is blank or in ISP mode.
    void ConfigureFromProm();

    const BOARDCFG cfg;
    uint32_t dprpJtag;              // JTAG port property word: the configuration's until changed
    IDENT ident;
    FWMODE fwm = fwmApp;
    uint16_t key = 0;               // current write key, 0 = none

    uint8_t rgbE2prom[cbE2prom];
    uint8_t rgbFx2Ram[cbFx2Ram];
    std::vector<uint8_t> rgbFx2Ext;             // external RAM, indexed by address
    bool fCpuReset = false;                     // CPUCS bit 0
    std::vector<uint8_t> rgbWrittenInReset;     // 0xA0 bytes written while held (descriptor search)
    SPARSEMEM memFx3Ram{0};
    SPARSEMEM memFx3Eeprom{0xFF};
    SPARSEMEM memSpiFlash{0xFF};

    std::vector<uint8_t> rgbIpv4Config;
    std::vector<uint8_t> rgbIpv4Status;
    uint8_t rgbUsbSpeed[6] = { 2, 0, 0, 0, 0, 0 };
    uint8_t rgbVbus[5] = { 0xF4, 0x01, 0, 0, 0 };
    uint8_t rgbFwMemParam[16] = {};
    uint8_t rgbFwUpdStatus[4] = {};
    bool fFwUpdate = false;

    std::vector<ACCOUNT> rgacct;
    bool fAuth = false;
    std::string szAcctPending;      // account name sent with 0xF4 out

    CHAIN chain;
    DESIGNENV env;                  // what the designs see of the board (simdesign.h)
    REGFILE regs;
    std::vector<RAIL> rgrail;
    STREAM stream;
    bool fConfigReset = false;      // FPGA configuration held in reset
};

// Finds the firmware descriptor in pb..pb+cb; fills ident's firmware fields.
bool FFindFwDesc(const uint8_t *pb, size_t cb, IDENT &ident);
// Builds a descriptor (for tests and image helpers).
std::vector<uint8_t> RgbFwDesc(uint32_t pdid, uint16_t fwver, uint32_t dcapPub, uint32_t dcapPriv);

} // namespace sim

#endif
