// dsgmiravo3gpio.cpp - the Miravo3 board's peripheral test design.

#include "dsgmiravo3gpio.h"

#include "dsggpio.h"

namespace sim {

namespace {

const GPIOCMD rgcmdMiravo3[] = {
    {1, 0, 0, false, nullptr},
    {5, 0, 0x00D00162, true, "designid"},
    {26, 1000000, 0, false, nullptr},
    {10, 1000000, 0, false, nullptr},
};

} // namespace

std::unique_ptr<SIMDESIGN> PdesignMiravo3Gpio(DESIGNENV &env)
{
    return std::make_unique<DSGGPIO>(env, "miravo3-gpio", rgcmdMiravo3, 4, 0x1F);
}

} // namespace sim
