// xfpga.h - a Xilinx FPGA (Spartan-3/3E/3A/6) on the JTAG chain, with its
// configuration logic (cfgpacket.h).
//
// Instructions (6-bit opcodes; a longer IR takes ones above them):
//   IDCODE 0x09 (after reset), USERCODE 0x08, BYPASS 0x3F (and anything
//   unknown), CFG_IN 0x05, CFG_OUT 0x04, JPROGRAM 0x0B, JSTART 0x0C,
//   JSHUTDOWN 0x0D.
// Capture-IR loads ..01 with the status bits of the configuration guides:
//   bit 5 DONE, bit 4 INIT_B, bit 3 ISC_ENABLED (0), bit 2 ISC_DONE
//   (configured), bits 1-0 01.
// JPROGRAM (at Update-IR) clears the configuration memory: DONE low, the
// design stops, INIT_B stays low for cclkClear TCK clocks, during which the
// configuration logic takes no data. CFG_IN passes every bit that enters the
// device in Shift-DR to the configuration logic (its register is one bit
// long, like bypass). CFG_OUT captures the words the logic has queued for
// reading, most significant bit first. JSTART clocks the start-up sequence
// with TCK in Run-Test/Idle when COR selects the JTAG clock. JSHUTDOWN with
// TCK in Run-Test/Idle stops a running design after 12 clocks.
// PROG_B (the board's configuration reset) held low clears the configuration
// like JPROGRAM and keeps it clear, INIT_B low, until it is released.
//
// The board learns through the run callback when the design starts (with the
// design tag of the frame data) or stops.

#ifndef KOR_SIM_XFPGA_H
#define KOR_SIM_XFPGA_H

#include "cfgpacket.h"
#include "jdev.h"

#include <functional>

namespace sim {

class XFPGA : public JDEV {
public:
    static constexpr unsigned cclkClear = 1000;
    static constexpr unsigned cclkShutdown = 12;
    enum : uint64_t {
        irCfgOut = 0x04, irCfgIn = 0x05, irUsercode = 0x08, irIdcode = 0x09, irJprogram = 0x0B,
        irJstart = 0x0C, irJshutdown = 0x0D, irBypass = 0x3F,
    };
    using FNRUN = std::function<void(bool fRunning, const std::string &szTag)>;

    // szDesignAtPowerOn: the design the board's PROM loads at power-on ("" or
    // "none": the FPGA starts unconfigured).
    XFPGA(const std::string &szName, uint32_t idcode, unsigned cbitIr, XFAM xfam,
          const std::string &szDesignAtPowerOn);
    void SetRunCallback(FNRUN fn) { fnRun = std::move(fn); }

    std::string SzModel() const override { return szName; }
    unsigned CbitIr() const override { return cbitIr; }
    void Reset() override;
    void PowerOn() override;
    uint64_t IrCapture() const override;
    void UpdateIr(uint64_t ir) override;
    uint64_t IrCur() const override { return irCur; }
    unsigned CbitDr() const override;
    BITS DrCapture() override;
    void UpdateDr(const BITS &) override;
    void Tck(TAPSTATE tap) override;
    void DrShiftIn(bool fBit) override;
    void DrShiftRun(const uint8_t *rgbit, size_t cclk) override;
    std::string SzDescribe() const override;
    size_t CclkSettle() const override { return cclkClearLeft + cclkShutdown + 8; }
    // PROG_B low (fLow) or released.
    void SetProgB(bool fLow);
    // Master serial configuration: the bytes a serial PROM gives on DIN,
    // each byte's bit 0 first (the order Platform Flash shifts its memory
    // out); ignored while PROG_B is held; stops once the design runs.
    void SerialConfigure(const uint8_t *pb, size_t cb);

    uint32_t Idcode() const { return idcode; }
    const CFGLOGIC &Cfg() const { return cfg; }
    bool FClearing() const { return cclkClearLeft > 0 || fProgBLow; }
    bool FInitB() const { return !FClearing() && cfg.FInitB(); }
    bool FRunning() const { return cfg.FRunning() && !fShutdown; }

private:
    uint64_t Op() const;            // 6-bit opcode, or irBypass
    void Notify();

    std::string szName;
    uint32_t idcode;
    unsigned cbitIr;
    std::string szDesignAtPowerOn;
    CFGLOGIC cfg;
    FNRUN fnRun;
    uint64_t irCur = irIdcode;
    unsigned cclkClearLeft = 0;
    unsigned cclkShutdownSeen = 0;
    bool fShutdown = false;
    bool fProgBLow = false;
    bool fInCfgInScan = false;
    unsigned cbitOut = 32;
    bool fRunningNotified = false;
};

} // namespace sim

#endif
