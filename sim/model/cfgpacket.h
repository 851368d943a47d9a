// cfgpacket.h - configuration logic of a Xilinx FPGA: the packet processor
// behind the CFG_IN and CFG_OUT instructions.
//
// Bits arrive most significant bit of each word first. Until the family's
// sync word is seen (at any bit position) everything is ignored: AA995566 for
// Spartan-3/3E and Spartan-6, the 16-bit AA99 for Spartan-3A/3AN/3A DSP
// (which pass over a 5566 word right after it). From then on the stream is
// read in words of the family (32 bits for Spartan-3/3E, 16 bits for
// Spartan-3A/6) as type-1 and type-2 packets:
//   32-bit: type 1  001 op(2) reg(14, address in bits 17-13) 00 count(11)
//           type 2  010 op(2) count(27), register of the last type-1 header
//   16-bit: type 1  001 op(2) reg(6) count(5)
//           type 2  010 op(2) reg(6) 00000, then a 32-bit count in two words
// op 1 reads, op 2 writes, op 0 is a no-op. Every write but those to CRC
// feeds the family's CRC (cfgcrc.h); RCRC clears it. A write to CRC (one
// word, or two 16-bit words holding 22 bits) is compared with it. After
// every block of frame data (an FDRI write of one word or more) the device
// takes automatic CRC words, not packets: one on Spartan-3/3E, two on
// Spartan-6 (22 bits), none on Spartan-3A; they are compared the same way.
// A mismatch sets CRC_ERROR, pulls INIT_B low, ends the configuration (no
// more frame data) and keeps the device from starting. An IDCODE write that
// names another device sets ID_ERROR; frame data is then refused.
//
// START arms the start-up sequence. Its clock is chosen by the start-up clock
// source of COR (Spartan-3/3E COR bits 16-15, Spartan-3A/6 COR1 bits 1-0):
// 1x JTAG clock (TCK in Run-Test/Idle under JSTART, driven by the caller
// through StartupClock), 00 CCLK (free running: the sequence runs once the
// device leaves the sync state or the scan ends), 01 user clock (not wired on
// the simulated boards: the sequence never runs). Spartan-3 files loaded
// from their PROMs on the CCLK carry COR bit 15 set: on Spartan-3 only bit 16
// (JTAG) takes the sequence away from CCLK. The phases: DONE is released in
// phase 4, GTS in 5, GWE in 6 (the design runs), end in 7.
//
// Reads queue the register's value for CFG_OUT; STAT reports the state:
//   Spartan-3/3E: 14 DONE, 13 INIT_B, 7 ID_ERROR, 6 GHIGH_B, 5 GWE,
//                 4 GTS_CFG_B, 0 CRC_ERROR
//   Spartan-3A/6: 13 DONE, 12 INIT_B, 5 GHIGH_B, 4 GWE, 3 GTS_CFG_B,
//                 1 ID_ERROR, 0 CRC_ERROR

#ifndef KOR_SIM_CFGPACKET_H
#define KOR_SIM_CFGPACKET_H

#include "cfgcrc.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace sim {

enum XFAM : uint8_t {
    xfamS3,         // Spartan-3
    xfamS3E,        // Spartan-3E
    xfamS3A,        // Spartan-3A, -3AN, -3A DSP
    xfamS6,         // Spartan-6
};

// Family from its configuration-file name ("s3", "s3e", "s3a", "s6").
bool FXfamFromSz(const std::string &sz, XFAM &xfam);
const char *SzXfam(XFAM xfam);

class CFGLOGIC {
public:
    static constexpr size_t cbRecordMax = 16u << 20;

    CFGLOGIC(XFAM xfam, uint32_t idcode);

    // Configuration memory cleared (PROGRAM): everything back to the
    // unconfigured state, DONE low.
    void Clear();
    // Power-on of a board whose FPGA was loaded from its PROM.
    void SetConfigured(const std::string &szTag);

    // One bit of CFG_IN.
    void BitIn(bool fBit);
    // Start and end of a CFG_IN scan (Capture-DR, Update-DR).
    void BeginScan();
    void EndScan();
    // One start-up clock from JTAG (TCK in Run-Test/Idle under JSTART).
    void StartupClockJtag();
    // Output bits for CFG_OUT (the queued read words, most significant bit
    // first); empties the queue. Empty when nothing was read.
    std::vector<uint8_t> RgbitOut();

    bool FDone() const { return fDone; }
    bool FInitB() const { return !fCrcError && !fIdError; }
    bool FRunning() const { return fGwe; }
    bool FCrcError() const { return fCrcError; }
    bool FIdError() const { return fIdError; }
    bool FSynced() const { return fSynced; }
    bool FJtagStartupClock() const;
    // Start-up clock source of a COR value: 0 CCLK, 1 user clock, 2 or 3 JTAG.
    unsigned StartupClockSource(uint32_t cor) const;
    unsigned Phase() const { return phase; }
    bool FStartArmed() const { return fStartArmed; }
    uint32_t Stat() const;
    uint32_t Crc() const { return crc.Value(); }
    XFAM Xfam() const { return xfam; }
    unsigned CbitWord() const { return cbitWord; }
    // The design tag found at the start of the frame data ("" when none).
    const std::string &SzTag() const { return szTag; }
    // Frame data written through FDRI since the last clear.
    const std::vector<uint8_t> &RgbFdri() const { return rgbFdri; }
    // Bytes of the last scan that wrote frame data, from its sync word to
    // the end of the scan.
    const std::vector<uint8_t> &RgbConfigScan() const { return rgbScanLoaded; }
    // Change of the running state: the caller lets the board serve the design.
    bool FTakeRunChange() { bool f = fRunChanged; fRunChanged = false; return f; }

private:
    enum REG : int { regNone = -1 };
    void Word(uint32_t w);
    void Header(uint32_t w);
    void Data(uint32_t w);
    void WriteReg(int reg, uint32_t w);
    void ReadReg(int reg, uint32_t cword);
    void Command(uint32_t cmd);
    void CheckCrc(uint32_t crcWant);
    void AutoCrcWord(uint32_t w);
    void Desync();
    void RunCclkStartup();
    void StartupStep();
    void TakeTag();

    XFAM xfam;
    uint32_t idcode;
    unsigned cbitWord;
    unsigned cbitSync;          // 32, or 16 (Spartan-3A: AA99)
    unsigned cwordAutoCrc;      // automatic CRC words after a block of frame data

    // bit and word assembly
    uint64_t shift = 0;         // last bits received (sync search)
    uint32_t wCur = 0;
    unsigned cbitCur = 0;
    bool fSynced = false;
    bool fAfterSync = false;    // the first word after a 16-bit sync word

    // packet state
    int regCur = regNone;       // register of the data words
    int regLastType1 = regNone;
    int opCur = 0;
    uint64_t cwordLeft = 0;
    unsigned cwordCountLeft = 0;        // 16-bit type 2: count words still to come
    uint32_t cwordType2 = 0;
    std::vector<uint32_t> rgwIdcode;    // IDCODE words of the current write
    std::vector<uint32_t> rgwCrc;       // CRC words of the current write (16-bit families: two)
    unsigned cwordAutoLeft = 0;         // automatic CRC words still to come
    uint32_t wAutoCrc = 0;

    std::map<int, uint32_t> mpregval;
    CFGCRC crc;
    bool fCrcError = false;
    bool fIdError = false;
    bool fWcfg = false;
    std::vector<uint8_t> rgbFdri;
    std::string szTag;

    bool fStartArmed = false;
    unsigned phase = 0;
    bool fDone = false;
    bool fGts = true;           // outputs held in 3-state
    bool fGwe = false;
    bool fRunChanged = false;

    std::deque<uint32_t> qwOut;

    bool fInScan = false;
    bool fScanWroteFdri = false;
    std::vector<uint8_t> rgbScan;       // current scan from its sync word
    uint8_t bScan = 0;
    unsigned cbitScan = 0;
    std::vector<uint8_t> rgbScanLoaded;
};

} // namespace sim

#endif
