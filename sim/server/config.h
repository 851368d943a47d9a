// config.h - the simulator's configuration file (format in sim/README.md).

#ifndef KOR_SIM_CONFIG_H
#define KOR_SIM_CONFIG_H

#include "../model/board.h"

#include <string>
#include <vector>

namespace sim {

// Parses the text of a configuration file. On failure returns false and
// szErr names the line and what is wrong with it.
bool FParseConfig(const std::string &szText, std::vector<BOARDCFG> &rgcfg, std::string &szErr);
bool FLoadConfig(const std::string &szPath, std::vector<BOARDCFG> &rgcfg, std::string &szErr);

} // namespace sim

#endif
