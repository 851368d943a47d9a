// dsggpio.h - the peripheral (GPIO) test designs of the boards with the
// newer self-test page: the board's slide switches and push buttons in two
// registers, and a small command handshake for the tests the design runs by
// itself (connector shorts, identification).
//
//   0x80  command: a write starts it (status busy at once); reads back the
//         last byte written (option "readback" overrides it)
//   0x81  status: 2 while the command runs, then 1 (option "cmdstatus.N"
//         gives another final status for command N, "stuck" keeps it at 2)
//   0x82  result of the last command: 0 passed (option "cmdresult.N")
//   0x83-0x86  a 32-bit value after an identification command, LSB first
//   0x10  switches (option "switches"), 0x11 buttons (option "buttons"),
//         read live, so a test sets them at run time with DOPT
//
// Every command is written to the design log as "cmd N status S result R".
// Each board's design (dsgpentragpio.cpp, dsgmiravo3gpio.cpp) says which
// commands it knows and how long they run.

#ifndef KOR_SIM_DSGGPIO_H
#define KOR_SIM_DSGGPIO_H

#include "simdesign.h"

namespace sim {

struct GPIOCMD {
    uint8_t cmd;
    uint32_t usBusy;     // nominal run time (scaled by the board's time scale)
    uint32_t value;      // what 0x83-0x86 hold after it (when fValue)
    bool fValue;
    const char *szValueOpt;   // option that replaces the value (null: none)
};

class DSGGPIO : public SIMDESIGN {
public:
    DSGGPIO(DESIGNENV &env, const char *szName, const GPIOCMD *rgcmd, int ccmd, uint8_t bButtonMask);
    bool FPut(uint8_t reg, uint8_t b) override;
    bool FGet(uint8_t reg, uint8_t &b) override;

private:
    void Start(uint8_t cmd);
    uint8_t BStatus();

    const char *szName;
    const GPIOCMD *rgcmd;
    int ccmd;
    uint8_t bButtonMask;
    uint8_t bCmd = 0;
    uint8_t bFinal = 1;
    uint8_t bResult = 0;
    bool fBusy = false;
    bool fStuck = false;
    uint64_t usDone = 0;
    uint32_t value = 0;
};

} // namespace sim

#endif
