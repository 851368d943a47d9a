// iscreport.h - the control channel's view of the in-system programmable
// devices of a board (CPLD and PROM models):
//   CPLD B [I]          > dev, model, done, isc, protect, erases, rows, eraseshort, programshort, unerased
//   CPLDROW B ROW [I]   > the row's cells as 0 and 1, cell 0 (first shifted) first
//   PROM B [I]          > dev, model, isp, erases, pages, eraseshort, programshort, used, control
//   PROMMEM B ADDR LEN [I]  > hex of the PROM's array
// I is the chain position (0 nearest TDO); without it, the first such device.

#ifndef KOR_SIM_ISCREPORT_H
#define KOR_SIM_ISCREPORT_H

#include "board.h"

#include <string>
#include <vector>

namespace sim {

// rgszArg: the command, the board and the arguments. False when the command
// is not one of these (fKnown false) or fails (szErr).
bool FIscInspect(BOARD &bd, const std::vector<std::string> &rgszArg, std::vector<std::string> &rgszData,
                 bool &fKnown, std::string &szErr);

} // namespace sim

#endif
