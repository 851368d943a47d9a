// tap.cpp - the TAP controller's state diagram as a table.

#include "tap.h"

namespace sim {

namespace {

struct TAPROW {
    TAPSTATE tapTms0;
    TAPSTATE tapTms1;
    const char *sz;
};

// Indexed by TAPSTATE; the columns are the next state for TMS 0 and TMS 1.
const TAPROW rgtaprow[ctapstate] = {
    { TAP_IDLE, TAP_RESET, "Test-Logic-Reset" },
    { TAP_IDLE, TAP_DRSELECT, "Run-Test/Idle" },
    { TAP_DRCAPTURE, TAP_IRSELECT, "Select-DR-Scan" },
    { TAP_DRSHIFT, TAP_DREXIT1, "Capture-DR" },
    { TAP_DRSHIFT, TAP_DREXIT1, "Shift-DR" },
    { TAP_DRPAUSE, TAP_DRUPDATE, "Exit1-DR" },
    { TAP_DRPAUSE, TAP_DREXIT2, "Pause-DR" },
    { TAP_DRSHIFT, TAP_DRUPDATE, "Exit2-DR" },
    { TAP_IDLE, TAP_DRSELECT, "Update-DR" },
    { TAP_IRCAPTURE, TAP_RESET, "Select-IR-Scan" },
    { TAP_IRSHIFT, TAP_IREXIT1, "Capture-IR" },
    { TAP_IRSHIFT, TAP_IREXIT1, "Shift-IR" },
    { TAP_IRPAUSE, TAP_IRUPDATE, "Exit1-IR" },
    { TAP_IRPAUSE, TAP_IREXIT2, "Pause-IR" },
    { TAP_IRSHIFT, TAP_IRUPDATE, "Exit2-IR" },
    { TAP_IDLE, TAP_DRSELECT, "Update-IR" },
};

} // namespace

TAPSTATE TapNext(TAPSTATE tap, bool fTms)
{
    if (tap >= ctapstate)
        return TAP_RESET;
    return fTms ? rgtaprow[tap].tapTms1 : rgtaprow[tap].tapTms0;
}

const char *SzTapState(TAPSTATE tap)
{
    return tap < ctapstate ? rgtaprow[tap].sz : "?";
}

} // namespace sim
