// designctl.h - control-channel commands for the designs and the memories
// beside the FPGA (sim/README.md lists them).

#ifndef KOR_SIM_DESIGNCTL_H
#define KOR_SIM_DESIGNCTL_H

#include "../model/board.h"

#include <string>
#include <vector>

namespace sim {

// Runs szCmd (rgszArg[0]; rgszArg[1] names the board) when it is one of
// these commands: returns true with fOk and the data lines, false when the
// command is not one of them.
bool FDesignControl(BOARD &bd, const std::string &szCmd, const std::vector<std::string> &rgszArg,
                    std::vector<std::string> &rgszData, bool &fOk, std::string &szErr);

} // namespace sim

#endif
