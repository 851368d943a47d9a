// idcodedev.h - a device that offers only IDCODE and BYPASS.
//
// The smallest IEEE 1149.1 device: a 32-bit device identification register
// selected by the IDCODE instruction (also the instruction after reset) and
// the 1-bit bypass register selected by all ones and, here, by every other
// instruction the model does not know.

#ifndef KOR_SIM_IDCODEDEV_H
#define KOR_SIM_IDCODEDEV_H

#include "jdev.h"

namespace sim {

class IDCODEDEV : public JDEV {
public:
    IDCODEDEV(const std::string &szName, uint32_t idcode, unsigned cbitIr, uint64_t irIdcode);

    std::string SzModel() const override { return szName; }
    unsigned CbitIr() const override { return cbitIr; }
    void Reset() override { irCur = irIdcode; }
    void UpdateIr(uint64_t ir) override { irCur = ir & MaskIr(); }
    uint64_t IrCur() const override { return irCur; }
    unsigned CbitDr() const override;
    BITS DrCapture() override;
    void UpdateDr(const BITS &) override {}
    void DrShiftRun(const uint8_t *, size_t) override {}    // no logic on the shift path
    std::string SzDescribe() const override;

    uint32_t Idcode() const { return idcode; }

private:
    uint64_t MaskIr() const { return cbitIr >= 64 ? ~0ull : ((1ull << cbitIr) - 1); }

    std::string szName;
    uint32_t idcode;
    unsigned cbitIr;
    uint64_t irIdcode;      // opcode of IDCODE, also the reset instruction
    uint64_t irCur;
};

} // namespace sim

#endif
