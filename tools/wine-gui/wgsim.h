// The board simulator as the GUI driver sees it: the boards of its
// configuration file, and its control channel (loopback TCP, address in
// KOR_SIM) for plugging and unplugging boards while the program runs.
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

// One control-channel connection to the simulator named by KOR_SIM.
class SIMCTL {
public:
    SIMCTL() = default;
    ~SIMCTL();
    SIMCTL(const SIMCTL &) = delete;
    SIMCTL &operator=(const SIMCTL &) = delete;

    bool FConnect();
    // Sends one command; true on "OK". The data lines ("> ...") go to *prgsz.
    bool FCommand(const std::string &szCmd, std::vector<std::string> *prgsz = nullptr);

private:
    bool FReadLine(std::string *psz);
    uintptr_t sock = ~uintptr_t(0);
    std::string szBuf;
};

} // namespace wg

#endif
