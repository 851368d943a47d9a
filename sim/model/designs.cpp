// designs.cpp - table of the designs the simulated FPGA can run.

#include "designs.h"

#include "dsgmemmgr.h"
#include "dsgmiravo3.h"

namespace sim {

namespace {

const DESIGN rgdesign[] = {
    { "reference", true, 0x01, nullptr },
    { "refio", true, 0x52, nullptr },
    { "corvale", true, 0x00, PdesignCorvale },
    { "pentra", true, 0x00, PdesignPentra },
    { "miravo3", true, 0x00, PdesignNewMiravo3 },
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
