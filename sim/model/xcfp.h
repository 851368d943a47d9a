// xcfp.h - a Platform Flash parallel-capable PROM (XCF08P, XCF16P, XCF32P)
// on the JTAG chain: its flash, the IEEE 1532 programming instructions and
// the serial configuration data it gives the FPGA.
//
// The flash is written in 32-byte (256-bit) pages at byte addresses; erased
// flash reads 0xFF and programming only clears bits.
//
// Instructions (16 bits): IDCODE 0x00FE (after reset), BYPASS 0xFFFF (and any
// other), ISPEN 0x00E8 (8-bit register; Update-DR enters ISP mode), NORMRST
// 0x00F0 (leaves it), XSC_UNLOCK 0xAA55 (24-bit block mask, Update-DR
// unlocks), ISC_ERASE 0x00EC (24-bit block mask; Update-DR starts erasing the
// unlocked blocks: 1 s, ends at the next instruction or reset),
// ISC_DATA_SHIFT 0x00ED (256-bit data), ISC_ADDRESS_SHIFT 0x00EB (24-bit
// byte address), XSC_DATA_BTC 0x00F2 (32 bits), XSC_DATA_SUCR 0x000E (16),
// XSC_DATA_CCB 0x000C (16), XSC_DATA_DONE 0x0009 (8): registers loaded at
// Update-DR; ISC_PROGRAM 0x00EA (Update-IR programs what the last data
// instruction loaded: the data at the address, which then moves on 32
// bytes, or that register; 200 us), CONFIG 0x00EE (pulses CF).
// Capture-IR: bits 1-0 01, bit 2 ISP mode.

#ifndef KOR_SIM_XCFP_H
#define KOR_SIM_XCFP_H

#include "devtime.h"
#include "jdev.h"
#include "promser.h"

#include <functional>

namespace sim {

class XCFP : public JDEV, public PROMSER {
public:
    static constexpr uint64_t usErase = 1000000;
    static constexpr uint64_t usProgram = 200;
    static constexpr uint32_t cbPage = 32;
    static constexpr unsigned cblock = 6;
    enum : uint64_t {
        irIdcode = 0x00FE, irBypass = 0xFFFF, irIspen = 0x00E8, irNormrst = 0x00F0, irUnlock = 0xAA55,
        irErase = 0x00EC, irDataShift = 0x00ED, irAddressShift = 0x00EB, irBtc = 0x00F2, irSucr = 0x000E,
        irCcb = 0x000C, irDone = 0x0009, irProgram = 0x00EA, irConfig = 0x00EE,
    };

    // szName: "XCF08P", "XCF16P" or "XCF32P" (false from FKnown otherwise).
    XCFP(const std::string &szName, uint32_t idcode, DEVTIME::FNNOW fnNow = nullptr);
    static bool FKnown(const std::string &szName);
    void SetConfigCallback(std::function<void()> fn) { fnConfig = std::move(fn); }

    std::string SzModel() const override { return szName; }
    unsigned CbitIr() const override { return 16; }
    void Reset() override;
    void PowerOn() override;
    uint64_t IrCapture() const override { return 1u | (fIsp ? 1u << 2 : 0); }
    void UpdateIr(uint64_t ir) override;
    uint64_t IrCur() const override { return irCur; }
    unsigned CbitDr() const override;
    BITS DrCapture() override;
    void UpdateDr(const BITS &rgbit) override;
    void Tck(TAPSTATE) override { time.Tck(); }
    std::string SzDescribe() const override;

    const std::vector<uint8_t> &Array() override;
    bool FIsp() const override { return fIsp; }
    uint32_t Done() const { return regDone; }
    unsigned CEraseShort() const { return cEraseShort; }
    unsigned CProgramShort() const { return cProgramShort; }
    unsigned CPagesProgrammed() const { return cPagesProgrammed; }

private:
    void Settle();

    std::string szName;
    uint32_t idcode;
    DEVTIME time;
    std::function<void()> fnConfig;
    std::vector<uint8_t> rgbArray;
    uint64_t irCur = irIdcode;
    uint64_t irData = 0;            // the data instruction loaded last
    bool fIsp = false;
    uint32_t maskUnlocked = 0, maskErase = 0;
    uint32_t addr = 0;
    std::vector<uint8_t> rgbData;
    uint32_t regBtc = 0xFFFFFFFF, regSucr = 0xFFFF, regCcb = 0xFFFF, regDone = 0xFF;
    uint32_t regLoaded = 0;
    bool fErasing = false, fProgramming = false;
    uint64_t usStart = 0;
    uint64_t irProgrammed = 0;      // what the cycle under way programs
    uint32_t addrProgram = 0;
    unsigned cEraseShort = 0, cProgramShort = 0, cPagesProgrammed = 0;
};

} // namespace sim

#endif
