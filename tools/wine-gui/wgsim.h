// The board simulator as the GUI driver sees it: the boards of its
// configuration file. Its control channel (plugging and unplugging boards
// while the program runs) is KSIMCTL of tests/support.
#ifndef WGSIM_H
#define WGSIM_H

#include <string>
#include <vector>

namespace wg {

struct SIMBOARD {
    std::string szName;     // the board's name on the control channel
    std::string szSerial;   // 12 characters
    std::string szUser;     // user name
};

// The boards of a configuration file, in file order; empty when unreadable.
std::vector<SIMBOARD> RgboardRead(const std::string &szCfg);

} // namespace wg

#endif
