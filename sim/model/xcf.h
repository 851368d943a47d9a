// xcf.h - a Platform Flash serial PROM (XCF01S, XCF02S, XCF04S) on the JTAG
// chain: its flash array, the in-system programming instructions, and the
// serial configuration data it gives the FPGA.
//
// The array is pages of cbPage bytes (2048 bits on the XCF01S, 4096 bits
// on the others); erased flash reads 0xFF and programming only clears bits.
// FADDR addresses count 32 to a page; the control register sits at the
// first address past the array's pages (0x4000 / 0x8000).
//
// Instructions (8 bits): IDCODE 0xFE (after reset), BYPASS 0xFF (and any
// other), ISPEN 0xE8 (6-bit register; Update-DR with 0x34 enters ISP mode),
// FADDR 0xEB (16-bit address), FDATA0 0xED (the page buffer), FDATA3 0xF3
// (the control buffer: 3 bits, 6 on the XCF01S), FPGM 0xEA (Update-IR
// programs the buffer at the address; 2 ms; then the address moves on one
// page), FERASE 0xEC (Update-IR erases the array and the control register;
// 500 ms), SERASE 0x0A (erases the control register; 5 ms), FVFY1 0xF8 (the
// page at the address, read at Capture-DR), FVFY3 0xE2 (the control
// register), NORMRST 0xF0 (leaves ISP mode), CONFIG 0xEE (pulses CF: the
// FPGA configures again). A cycle ends at the next Update-IR or reset; one
// cut short leaves the flash as it was. The ISP instructions act only in
// ISP mode.
// Capture-IR: bits 1-0 01, bit 2 ISP mode.
//
// Serial output: with CE low and out of ISP mode the PROM gives its array
// from address 0, each byte's bit 0 first (.mcs images carry every byte of
// the FPGA's bitstream with its bits reversed, so the FPGA receives each
// byte most significant bit first).

#ifndef KOR_SIM_XCF_H
#define KOR_SIM_XCF_H

#include "devtime.h"
#include "jdev.h"
#include "promser.h"

#include <functional>

namespace sim {

struct XCFGEOM {
    const char *szName;
    uint32_t cbArray;
    uint32_t cbPage;
};

const XCFGEOM *PgeomXcf(const std::string &szName);

class XCF : public JDEV, public PROMSER {
public:
    static constexpr uint64_t usErase = 500000;
    static constexpr uint64_t usControlErase = 5000;
    static constexpr uint64_t usProgram = 2000;
    enum : uint64_t {
        irIdcode = 0xFE, irBypass = 0xFF, irIspen = 0xE8, irFaddr = 0xEB, irFdata0 = 0xED, irFdata3 = 0xF3,
        irFpgm = 0xEA, irFerase = 0xEC, irSerase = 0x0A, irFvfy1 = 0xF8, irFvfy3 = 0xE2, irNormrst = 0xF0,
        irConfig = 0xEE,
    };
    using FNCONFIG = std::function<void()>;

    XCF(const XCFGEOM &geom, uint32_t idcode, DEVTIME::FNNOW fnNow = nullptr);
    void SetConfigCallback(FNCONFIG fn) { fnConfig = std::move(fn); }

    std::string SzModel() const override { return geom.szName; }
    unsigned CbitIr() const override { return 8; }
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

    const XCFGEOM &Geom() const { return geom; }
    const std::vector<uint8_t> &Array() override;
    uint32_t Control() const { return ctl; }
    bool FIsp() const override { return fIsp; }
    unsigned CEraseShort() const { return cEraseShort; }
    unsigned CProgramShort() const { return cProgramShort; }
    unsigned CPagesProgrammed() const { return cPagesProgrammed; }
    unsigned CErases() const { return cErases; }

private:
    enum CYCLE { cycNone, cycErase, cycControlErase, cycProgram };
    void Settle();
    uint32_t CbitCtl() const { return geom.cbPage == 256 ? 6 : 3; }
    uint32_t AddrCtl() const { return geom.cbPage == 256 ? 0x4000 : 0x8000; }
    uint32_t Cpage() const { return geom.cbArray / geom.cbPage; }

    XCFGEOM geom;
    uint32_t idcode;
    DEVTIME time;
    FNCONFIG fnConfig;
    std::vector<uint8_t> rgbArray;
    uint32_t ctl;
    uint64_t irCur = irIdcode;
    bool fIsp = false;
    uint32_t addr = 0;
    std::vector<uint8_t> rgbPageBuf;
    uint32_t ctlBuf = 0;
    CYCLE cyc = cycNone;
    uint64_t usCycleStart = 0;
    uint32_t addrCycle = 0;
    unsigned cEraseShort = 0, cProgramShort = 0, cPagesProgrammed = 0, cErases = 0;
};

} // namespace sim

#endif
