// Window-free rules of a scan-chain device row: the device kind, the check
// flags of its file association and whether it can be erased.
#ifndef ORRIN_SCRULES_H
#define ORRIN_SCRULES_H

#include "ortypes.h"

enum { ikindFpga = 0, ikindProm = 1, ikindCpld = 2 };

// Kind from the description's first bitmap id (106 FPGA, 109 PROM, else CPLD).
int IkindFromBitmap(int32_t idbmpNormal);
// Check flags of a file association: 3 FPGA, 2 PROM, 0 CPLD.
int FsCheckFromKind(int ikind);
// "Erase Device" is offered: PROMs XCF01S, XCF02S, XCF04S; CPLDs "XC2C...".
BOOL FEraseOffered(int ikind, const char *szName);

#endif
