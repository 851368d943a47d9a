// xc2c.h - a CoolRunner-II CPLD on the JTAG chain: its non-volatile
// configuration array and the IEEE 1532 in-system programming instructions.
//
// The array has rows of cbitRow cells (a cell reads 1 when erased, 0 when
// programmed; programming only clears cells). Rows are addressed by the
// Gray code of their number, cbitAddr bits, the most significant bit
// shifted first after the row's cells.
//
// Instructions (8 bits): IDCODE 0x01 (after reset), BYPASS 0xFF (and any
// other), ISC_ENABLE 0xE8, ISC_DISABLE 0xC0, ISC_ERASE 0xED, ISC_PROGRAM
// 0xEA, ISC_READ 0xEE, ISC_INIT 0xF0, USERCODE 0xFD. The ISC instructions act
// only between ISC_ENABLE and ISC_DISABLE.
//   ISC_ERASE   at Update-IR starts an erase of the whole array; it takes
//               100 ms and ends at the next Update-IR or Test-Logic-Reset
//               (earlier: the array is left as it was).
//   ISC_PROGRAM data register: row cells then address. Update-DR starts
//               programming the row; it takes 10 ms and ends at the next
//               capture, update or reset (earlier: the row is lost). A
//               protected device programs nothing.
//   ISC_READ    same register: Update-DR latches the address, Capture-DR
//               loads the row's cells (zeros when read protected).
//   ISC_DISABLE at Update-IR leaves ISC mode: the device loads its
//               configuration from the array.
// Capture-IR: bits 1-0 01, bit 2 DONE (configured from an array whose done
// cell is programmed), bit 3 ISC mode, bit 4 read/write protected (a
// security cell programmed).

#ifndef KOR_SIM_XC2C_H
#define KOR_SIM_XC2C_H

#include "devtime.h"
#include "jdev.h"

namespace sim {

struct XC2CGEOM {
    const char *szName;
    unsigned crow;          // rows of the array
    unsigned cbitRow;       // cells in a row
    unsigned cbitAddr;      // address bits
    unsigned ibitDone;      // the done cell in row crow - 2
};

// Geometry of a part ("XC2C64A"); null for an unknown one.
const XC2CGEOM *PgeomXc2c(const std::string &szName);

class XC2C : public JDEV {
public:
    static constexpr uint64_t usErase = 100000;
    static constexpr uint64_t usProgram = 10000;
    static constexpr unsigned csec = 7;       // security cells: row crow - 1, cells 8 to 14
    enum : uint64_t {
        irIdcode = 0x01, irBypass = 0xFF, irIscEnable = 0xE8, irIscDisable = 0xC0, irIscErase = 0xED,
        irIscProgram = 0xEA, irIscRead = 0xEE, irIscInit = 0xF0, irUsercode = 0xFD,
    };

    XC2C(const XC2CGEOM &geom, uint32_t idcode, DEVTIME::FNNOW fnNow = nullptr);

    std::string SzModel() const override { return geom.szName; }
    unsigned CbitIr() const override { return 8; }
    void Reset() override;
    void PowerOn() override;
    uint64_t IrCapture() const override;
    void UpdateIr(uint64_t ir) override;
    uint64_t IrCur() const override { return irCur; }
    unsigned CbitDr() const override;
    BITS DrCapture() override;
    void UpdateDr(const BITS &rgbit) override;
    void Tck(TAPSTATE tap) override;
    std::string SzDescribe() const override;

    const XC2CGEOM &Geom() const { return geom; }
    // Cells of a row (bit 0 first shifted), after any cycle that has run its time.
    BITS Row(unsigned irow);
    bool FDone() const;
    bool FProtected() const;
    bool FIsc() const { return fIsc; }
    // Cycles cut short, rows programmed over cells that were already programmed.
    unsigned CEraseShort() const { return cEraseShort; }
    unsigned CProgramShort() const { return cProgramShort; }
    unsigned CProgramUnerased() const { return cProgramUnerased; }
    unsigned CRowsProgrammed() const { return cRowsProgrammed; }
    unsigned CErases() const { return cErases; }

private:
    // End the cycles under way: programming at any capture, update or reset;
    // the erase only at the next instruction or reset.
    void Settle(bool fEraseToo);
    bool FCell(unsigned irow, unsigned ibit) const { return rgrow[irow][ibit] != 0; }
    unsigned IrowFromAddr(const BITS &rgbit) const;

    XC2CGEOM geom;
    uint32_t idcode;
    DEVTIME time;
    std::vector<BITS> rgrow;
    uint64_t irCur = irIdcode;
    bool fIsc = false;
    bool fConfigured = false;      // loaded from the array since the last ISC session
    unsigned irowRead = 0;
    // cycle under way
    bool fErasing = false;
    uint64_t usEraseStart = 0;
    bool fProgramming = false;
    uint64_t usProgramStart = 0;
    unsigned irowProgram = 0;
    BITS rgbitProgram;
    unsigned cEraseShort = 0, cProgramShort = 0, cProgramUnerased = 0, cRowsProgrammed = 0, cErases = 0;
};

} // namespace sim

#endif
