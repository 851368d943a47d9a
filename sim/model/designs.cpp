// designs.cpp - table of the designs the simulated FPGA can run.

#include "designs.h"

#include "dsgbusbridge.h"
#include "dsgmemmgr.h"
#include "dsgmiravo3.h"
#include "dsgmiravo2mem.h"
#include "dsgmiravo3gpio.h"
#include "dsgpentragpio.h"

namespace sim {

namespace {

const DESIGN rgdesign[] = {
    { "reference", true, 0x01, nullptr },
    { "refio", true, 0x52, nullptr },
    { "corvale", true, 0x00, PdesignCorvale },
    { "pentra", true, 0x00, PdesignPentra },
    { "miravo3", true, 0x00, PdesignNewMiravo3 },
    { "miravo2-mem", true, 0x26, PdesignMiravo2Mem },
    { "miravo2-test", true, 0x00, DSGBUSBRIDGE::PdesignMiravo2 },
    { "miravo-test", true, 0x00, DSGBUSBRIDGE::PdesignMiravo },
    { "tullen", true, 0x00, DSGSWITCHES::Pdesign },
    { "pentra-gpio", true, 0x00, PdesignPentraGpio },
    { "miravo3-gpio", true, 0x00, PdesignMiravo3Gpio },
};

} // namespace

const DESIGN *PdesignFind(const std::string &szTag)
{
    for (auto &design : rgdesign)
        if (szTag == design.szTag)
            return &design;
    return nullptr;
}

void LoadDesign(REGFILE &regs, const std::string &szTag, bool fRunning)
{
    regs.Reset();
    regs.szDesign = szTag;
    regs.fLoaded = fRunning;
    const DESIGN *pdesign = PdesignFind(szTag);
    regs.fRegs = pdesign != nullptr;
    if (fRunning && pdesign) {
        regs.Put(0xFF, pdesign->bNumber);
        if (pdesign->pfnNew && regs.penv)
            regs.pdesign = pdesign->pfnNew(*regs.penv);
    }
    regs.ClearStreams();
    regs.rgwriteLog.clear();
}

} // namespace sim
