// GUI scenarios of the desktop program on simulated boards: the connect bar
// lists the simulator's boards, the last used board is selected again, the
// user switches boards, and the selection follows its board through
// re-enumerations. SIM-CONFIG is the simulator's configuration file (the
// wrapper started the simulator on it and exported KOR_SIM).
#ifndef ORRINBOARDS_H
#define ORRINBOARDS_H

#include <string>

int ScenarioBoardsStart(const std::string &szSimCfg);
int ScenarioBoardsSwitch(const std::string &szSimCfg);

#endif
