// The boards of the older self-test page: what their test designs offer and
// the page's messages, string ids of the plug-in's table or fixed texts.

#include "tstold.h"

namespace {

#define IDS(id) TSTMSG{id, nullptr}
#define TXT(sz) TSTMSG{0, sz}
#define NONE TSTMSG{0, nullptr}

const TSTMSG txtLoading = TXT("Programming Test Configuration...");
const TSTMSG txtNotLoaded = TXT("Failed to program FPGA with test image.");
const TSTMSG txtStarted = TXT("Test Started.");
const TSTMSG txtStopped = TXT("Test Stopped.");

const TSTOLDPROFILE rgprof[] = {
    {0x007, tstkCommand, true, true, 0x10, 0x11, 0, 7, {1021, 1030, 1022, 1028, 1020, 1029, 1031},
     IDS(111), IDS(110), IDS(112), IDS(113), IDS(132),
     IDS(121), IDS(122), NONE,
     NONE, IDS(115), IDS(116),
     IDS(118), IDS(119), IDS(120),
     IDS(6), IDS(7)},
    {0x006, tstkBus, false, false, 0x82, 0x80, 4, 4, {1030, 1022, 1021, 1020},
     IDS(111), IDS(110), IDS(112), IDS(113), IDS(132),
     IDS(121), IDS(122), IDS(123),
     IDS(114), IDS(115), IDS(116),
     IDS(118), IDS(119), IDS(120),
     NONE, NONE},
    {0x003, tstkBus, false, false, 0x82, 0x80, 4, 4, {1030, 1022, 1021, 1020},
     txtLoading, txtNotLoaded, txtStarted, txtStopped, TXT("Communication with the FPGA failed."),
     TXT("Test Canceled:  failed to open device."), TXT("Test Canceled:  failed to enable device."),
     TXT("Test Canceled:  failed to initialize test"),
     TXT("Testing RAM..."), TXT("RAM Test passed."), TXT("RAM Test failed."),
     TXT("Running Flash Test..."), TXT("Flash Test passed."), TXT("Flash Test failed."),
     NONE, NONE},
    {0x008, tstkNone, false, false, 0x82, 0x80, 4, 4, {1030, 1022, 1021, 1020},
     txtLoading, txtNotLoaded, txtStarted, txtStopped, NONE,
     IDS(116), IDS(115), NONE,
     NONE, NONE, NONE, NONE, NONE, NONE, NONE, NONE},
    {0x004, tstkNone, false, false, 0x82, 0x80, 4, 4, {1030, 1022, 1021, 1020},
     txtLoading, txtNotLoaded, txtStarted, txtStopped, NONE,
     IDS(115), IDS(120), NONE,
     NONE, NONE, NONE, NONE, NONE, NONE, NONE, NONE},
};

} // namespace

const TSTOLDPROFILE *PtstoldProfile(uint32_t prodnum)
{
    for (const TSTOLDPROFILE &prof : rgprof)
        if (prof.prodnum == prodnum)
            return &prof;
    return nullptr;
}
