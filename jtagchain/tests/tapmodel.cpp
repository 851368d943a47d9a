#include "tapmodel.h"

TMSTATE TmNext(TMSTATE tm, int tms)
{
    switch (tm) {
    case tmTestLogicReset: return tms ? tmTestLogicReset : tmRunTestIdle;
    case tmRunTestIdle: return tms ? tmSelectDr : tmRunTestIdle;
    case tmSelectDr: return tms ? tmSelectIr : tmCaptureDr;
    case tmCaptureDr: return tms ? tmExit1Dr : tmShiftDr;
    case tmShiftDr: return tms ? tmExit1Dr : tmShiftDr;
    case tmExit1Dr: return tms ? tmUpdateDr : tmPauseDr;
    case tmPauseDr: return tms ? tmExit2Dr : tmPauseDr;
    case tmExit2Dr: return tms ? tmUpdateDr : tmShiftDr;
    case tmUpdateDr: return tms ? tmSelectDr : tmRunTestIdle;
    case tmSelectIr: return tms ? tmTestLogicReset : tmCaptureIr;
    case tmCaptureIr: return tms ? tmExit1Ir : tmShiftIr;
    case tmShiftIr: return tms ? tmExit1Ir : tmShiftIr;
    case tmExit1Ir: return tms ? tmUpdateIr : tmPauseIr;
    case tmPauseIr: return tms ? tmExit2Ir : tmPauseIr;
    case tmExit2Ir: return tms ? tmUpdateIr : tmShiftIr;
    case tmUpdateIr: return tms ? tmSelectDr : tmRunTestIdle;
    }
    return tmTestLogicReset;
}

TAPMODEL::TAPMODEL(const std::vector<TMDEVSPEC> &rgspec)
    : cclk(0), tm(tmTestLogicReset), tdoStuck(-1), tdoDriven(1)
{
    for (const TMDEVSPEC &spec : rgspec) {
        TMDEV dev;
        dev.spec = spec;
        dev.irShift.assign(spec.cbitIr, 0);
        dev.irCur = 0;
        dev.testReg.assign(spec.cbitTest, 0);
        rgdev.push_back(dev);
    }
    Reset();
}

void TAPMODEL::Reset()
{
    for (TMDEV &dev : rgdev)
        dev.irCur = dev.spec.idcode ? dev.spec.opIdcode : (1u << dev.spec.cbitIr) - 1;
}

std::vector<int> &TAPMODEL::RegOf(TMDEV &dev, bool fIr)
{
    return fIr ? dev.irShift : dev.dr;
}

void TAPMODEL::Capture(bool fIr)
{
    for (TMDEV &dev : rgdev) {
        if (fIr) {
            for (int k = 0; k < dev.spec.cbitIr; k++)
                dev.irShift[k] = (k == 0) ? 1 : (k == 1) ? 0 : (int)((dev.irCaptureHigh >> k) & 1);   /* ...01 */
            continue;
        }
        if (dev.spec.idcode != 0 && dev.irCur == dev.spec.opIdcode) {
            dev.dr.assign(32, 0);
            for (int k = 0; k < 32; k++)
                dev.dr[k] = (dev.spec.idcode >> k) & 1;
        } else if (dev.spec.cbitTest != 0 && dev.irCur == dev.spec.opTest) {
            dev.dr = dev.testReg;
        } else if (dev.spec.opStream != 0 && dev.irCur == dev.spec.opStream) {
            dev.dr.assign(1, 0);
            dev.rgstream.emplace_back();
        } else {
            dev.dr.assign(1, 0);   /* BYPASS */
        }
    }
}

void TAPMODEL::Update(bool fIr)
{
    for (TMDEV &dev : rgdev) {
        if (fIr) {
            uint32_t ir = 0;
            for (int k = 0; k < dev.spec.cbitIr; k++)
                ir |= (uint32_t)dev.irShift[k] << k;
            dev.irCur = ir;
            dev.rgirUpdated.push_back(ir);
            if (dev.spec.opClear != 0 && ir == dev.spec.opClear) {
                if (!dev.fCleared)
                    dev.irCaptureStarted = dev.irCaptureHigh;
                dev.fCleared = true;
                dev.irCaptureHigh = (dev.irCaptureHigh & ~0x30u) | 0x10u;
            } else if (dev.fCleared && dev.spec.opStart != 0 && ir == dev.spec.opStart) {
                dev.fCleared = false;
                dev.irCaptureHigh = dev.irCaptureStarted;
            }
        } else if (dev.spec.cbitTest != 0 && dev.irCur == dev.spec.opTest) {
            if (!dev.spec.fTestReadOnly)
                dev.testReg = dev.dr;
            dev.rgtestUpdated.push_back(dev.dr);
        }
    }
}

int TAPMODEL::Clock(int tms, int tdi)
{
    cclk++;
    strTms.push_back(tms ? '1' : '0');
    /* Rising edge: the state's action, then the transition. */
    if (tm == tmShiftDr || tm == tmShiftIr) {
        int bitIn = tdi ? 1 : 0;
        for (TMDEV &dev : rgdev) {
            std::vector<int> &reg = RegOf(dev, tm == tmShiftIr);
            if (tm == tmShiftDr && dev.spec.opStream != 0 && dev.irCur == dev.spec.opStream && !dev.rgstream.empty())
                dev.rgstream.back().push_back(bitIn);
            int bitOut = reg[0];
            reg.erase(reg.begin());
            reg.push_back(bitIn);
            bitIn = bitOut;
        }
    } else if (tm == tmCaptureDr || tm == tmCaptureIr) {
        Capture(tm == tmCaptureIr);
    }
    TMSTATE tmNew = TmNext(tm, tms);
    tm = tmNew;
    /* Falling edge: updates, reset. */
    if (tm == tmUpdateDr || tm == tmUpdateIr)
        Update(tm == tmUpdateIr);
    if (tm == tmTestLogicReset)
        Reset();
    /* Falling edge: TDO from the last device's register in a shift state. */
    if (tm == tmShiftDr || tm == tmShiftIr)
        tdoDriven = rgdev.empty() ? tdi : RegOf(rgdev.back(), tm == tmShiftIr)[0];
    else
        tdoDriven = 1;
    return tdoStuck >= 0 ? tdoStuck : tdoDriven;
}
