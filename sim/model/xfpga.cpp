// xfpga.cpp - JTAG side of the simulated Xilinx FPGA.

#include "xfpga.h"

#include <cstdio>

namespace sim {

XFPGA::XFPGA(const std::string &szNameIn, uint32_t idcodeIn, unsigned cbitIrIn, XFAM xfam,
             const std::string &szDesign)
    : szName(szNameIn), idcode(idcodeIn), cbitIr(cbitIrIn < 6 ? 6 : cbitIrIn), szDesignAtPowerOn(szDesign),
      cfg(xfam, idcodeIn)
{
    PowerOn();
}

void XFPGA::PowerOn()
{
    Reset();
    cclkClearLeft = 0;
    cclkShutdownSeen = 0;
    fShutdown = false;
    fProgBLow = false;
    fInCfgInScan = false;
    if (szDesignAtPowerOn.empty() || szDesignAtPowerOn == "none")
        cfg.Clear();
    else
        cfg.SetConfigured(szDesignAtPowerOn);
    cfg.FTakeRunChange();
    fRunningNotified = FRunning();
}

void XFPGA::Reset()
{
    if (fInCfgInScan) {
        fInCfgInScan = false;
        cfg.EndScan();
    }
    irCur = irIdcode | (cbitIr > 6 ? (((1ull << (cbitIr - 6)) - 1) << 6) : 0);
    Notify();
}

void XFPGA::SetProgB(bool fLow)
{
    fProgBLow = fLow;
    if (!fLow)
        return;
    // The clear starts at once and ends when PROG_B goes high again.
    if (fInCfgInScan) {
        fInCfgInScan = false;
        cfg.EndScan();
    }
    cfg.Clear();
    fShutdown = false;
    cclkShutdownSeen = 0;
    cclkClearLeft = 0;
    Notify();
}

void XFPGA::SerialConfigure(const uint8_t *pb, size_t cb)
{
    if (FClearing())
        return;
    if (fInCfgInScan) {
        fInCfgInScan = false;
        cfg.EndScan();
    }
    cfg.BeginScan();
    for (size_t ib = 0; ib < cb && !cfg.FRunning(); ib++)
        for (unsigned k = 0; k < 8; k++)
            cfg.BitIn((pb[ib] >> k) & 1);
    cfg.EndScan();
    Notify();
}

uint64_t XFPGA::Op() const
{
    uint64_t irHigh = irCur >> 6;
    uint64_t maskHigh = cbitIr > 6 ? (1ull << (cbitIr - 6)) - 1 : 0;
    if (irHigh != maskHigh)
        return irBypass;
    return irCur & 0x3F;
}

uint64_t XFPGA::IrCapture() const
{
    return 1u | (cfg.FDone() ? 1u << 2 : 0) | (FInitB() ? 1u << 4 : 0) | (cfg.FDone() ? 1u << 5 : 0);
}

void XFPGA::UpdateIr(uint64_t ir)
{
    irCur = cbitIr >= 64 ? ir : ir & ((1ull << cbitIr) - 1);
    cclkShutdownSeen = 0;
    if (Op() == irJprogram) {
        cfg.Clear();
        fShutdown = false;
        cclkClearLeft = cclkClear;
    }
    Notify();
}

unsigned XFPGA::CbitDr() const
{
    switch (Op()) {
    case irIdcode:
    case irUsercode:
        return 32;
    case irCfgOut:
        return cbitOut;
    default:
        return 1;
    }
}

BITS XFPGA::DrCapture()
{
    uint64_t op = Op();
    if (op == irIdcode || op == irUsercode) {
        uint32_t w = op == irIdcode ? idcode : 0xFFFFFFFF;
        BITS rgbit(32);
        for (unsigned ibit = 0; ibit < 32; ibit++)
            rgbit[ibit] = (w >> ibit) & 1;
        return rgbit;
    }
    if (op == irCfgOut) {
        BITS rgbit = cfg.RgbitOut();
        if (rgbit.empty())
            rgbit.assign(cfg.CbitWord(), 0);
        cbitOut = unsigned(rgbit.size());
        return rgbit;
    }
    if (op == irCfgIn && !fInCfgInScan) {
        fInCfgInScan = true;
        cfg.BeginScan();
    }
    return BITS(1, 0);
}

void XFPGA::UpdateDr(const BITS &)
{
    if (fInCfgInScan) {
        fInCfgInScan = false;
        cfg.EndScan();
        Notify();
    }
}

void XFPGA::DrShiftIn(bool fBit)
{
    if (Op() != irCfgIn || FClearing())
        return;
    cfg.BitIn(fBit);
    Notify();
}

// Tck in Shift-DR only counts down the clearing; the bits reach the
// configuration logic as DrShiftIn passes them.
void XFPGA::DrShiftRun(const uint8_t *rgbit, size_t cclk)
{
    if (Op() != irCfgIn) {
        cclkClearLeft -= unsigned(cclk < cclkClearLeft ? cclk : cclkClearLeft);
        return;
    }
    for (size_t i = 0; i < cclk; i++) {
        if (cclkClearLeft > 0)
            cclkClearLeft--;
        if (FClearing())
            continue;
        cfg.BitIn(rgbit[i] != 0);
        Notify();
    }
}

void XFPGA::Tck(TAPSTATE tap)
{
    if (cclkClearLeft > 0)
        cclkClearLeft--;
    if (tap != TAP_IDLE)
        return;
    uint64_t op = Op();
    if (op == irJstart)
        cfg.StartupClockJtag();
    else if (op == irJshutdown && FRunning() && ++cclkShutdownSeen >= cclkShutdown)
        fShutdown = true;
    Notify();
}

void XFPGA::Notify()
{
    if (cfg.FTakeRunChange() && cfg.FRunning())
        fShutdown = false;          // a new start-up ends an earlier shutdown
    bool fRunning = FRunning();
    if (fRunning == fRunningNotified)
        return;
    fRunningNotified = fRunning;
    if (fnRun)
        fnRun(fRunning, cfg.SzTag());
}

std::string XFPGA::SzDescribe() const
{
    static const struct { uint64_t op; const char *sz; } rgopsz[] = {
        { irIdcode, "IDCODE" }, { irUsercode, "USERCODE" }, { irCfgIn, "CFG_IN" }, { irCfgOut, "CFG_OUT" },
        { irJprogram, "JPROGRAM" }, { irJstart, "JSTART" }, { irJshutdown, "JSHUTDOWN" },
    };
    const char *szDr = "BYPASS";
    for (auto &opsz : rgopsz)
        if (opsz.op == Op())
            szDr = opsz.sz;
    char sz[200];
    snprintf(sz, sizeof(sz), "%s idcode=0x%08X irlen=%u ir=0x%llX dr=%s done=%d", szName.c_str(), idcode, cbitIr,
             (unsigned long long)irCur, szDr, cfg.FDone() ? 1 : 0);
    return sz;
}

} // namespace sim
