// Indicators of the board self-test pages: one record per lamp, switch or
// button drawn on the page, at the place of an invisible placeholder control.
// The page's worker changes states while the window thread paints them, so
// a state is one atomic word; the window thread reads it without a lock.
#ifndef TSTIND_H
#define TSTIND_H

#include <stdint.h>

#include <atomic>

enum TSTST {
    stOff = 1000,     // grey: not in use now
    stBusy = 1001,    // yellow
    stGood = 1002,    // green
    stBad = 1003,     // red
    stReady = 1004,   // black outline, no result yet
    stUp = 1006,      // switch on, button released
    stDown = 1007,    // switch off, button pressed
};

enum { idTextNone = 65535 };

struct TSTIND {
    std::atomic<int32_t> st{stReady};
    int32_t x = 0, y = 0;          // top-left corner, relative to the page window
    uint16_t idText = idTextNone;  // control carrying the indicator's text
    uint16_t idCtl = 0;            // the placeholder whose place it takes
};

// Sizes of the drawings, in pixels.
enum { dxInd = 15, dyInd = 15, dySwitch = 30 };

#endif
