// dsgpentragpio.cpp - the Pentra board's peripheral test design.

#include "dsgpentragpio.h"

#include "dsggpio.h"

namespace sim {

namespace {

const GPIOCMD rgcmdPentra[] = {
    {1, 0, 0, false, nullptr},
    {26, 1000000, 0, false, nullptr},
};

} // namespace

std::unique_ptr<SIMDESIGN> PdesignPentraGpio(DESIGNENV &env)
{
    return std::make_unique<DSGGPIO>(env, "pentra-gpio", rgcmdPentra, 2, 0x3F);
}

} // namespace sim
