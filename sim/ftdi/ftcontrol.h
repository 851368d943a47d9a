// ftcontrol.h - control-channel commands of FTDI boards (sim/README.md).

#ifndef KOR_SIM_FTCONTROL_H
#define KOR_SIM_FTCONTROL_H

#include "../server/bus.h"

#include <string>
#include <vector>

namespace sim {

// Runs an FTDI command on dev (caller holds the bus lock); false when szCmd
// is none of them. Data lines go to rgszData; fOk false with szErr on error.
bool FFtdiControl(BUS &bus, DEVICE &dev, const std::string &szCmd, const std::vector<std::string> &rgszArg,
                  std::vector<std::string> &rgszData, bool &fOk, std::string &szErr);

} // namespace sim

#endif
