// simctl.h - test client of the simulator's control channel.
//
// SIMCTL starts korsim as a child process with a given configuration,
// learns its port through a pipe (no polling), and runs control commands:
// each answer is a list of data lines and an OK or ERR line (see the
// simulator's README). The simulator ends with the SIMCTL (QUIT, then the
// child is reaped; killed if it does not end).

#ifndef KOR_SIM_SIMCTL_H
#define KOR_SIM_SIMCTL_H

#include <cstdint>
#include <string>
#include <vector>

#include "ksimctl.h"

class SIMCTL {
public:
    SIMCTL();
    ~SIMCTL();
    SIMCTL(const SIMCTL &) = delete;
    SIMCTL &operator=(const SIMCTL &) = delete;

    // Writes szConfig to a temporary file and starts korsim on it.
    bool FStart(const std::string &szConfig, std::string *pszErr = nullptr);
    // Starts korsim on an existing configuration file.
    bool FStartFile(const std::string &szPath, std::string *pszErr = nullptr);
    void Stop();

    // Port of the simulator (wire and control), 0 when not running.
    uint16_t Port() const { return port; }
    // Process id of the simulator, -1 when not running.
    int Pid() const { return pid; }
    // Runs one command; data lines (without "> ") go to prgszData, the
    // reason of an ERR answer to pszErr. True for OK.
    bool FCmd(const std::string &szCmd, std::vector<std::string> *prgszData = nullptr, std::string *pszErr = nullptr)
    {
        return ctl.FCmd(szCmd, prgszData, pszErr);
    }
    // The value of one "key value" line of STATE (empty when absent).
    std::string SzState(const std::string &szBoard, const std::string &szKey) { return ctl.SzState(szBoard, szKey); }
    // The single data line of a command such as MEM or SINK.
    std::string SzLine(const std::string &szCmd) { return ctl.SzLine(szCmd); }

    // Path of the korsim program; defaults to the built one, or $KORSIM.
    std::string szKorsim;

private:
    bool FLaunch(const std::string &szPath, std::string *pszErr);

    int pid = -1;
    KSIMCTL ctl;
    uint16_t port = 0;
    std::string szConfigTmp;
};

#endif
