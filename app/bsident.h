// Window-free rules of the board-support host: identifying a board by the
// IDCODEs of its scan chain, and whether a plug-in file serves a product.
#ifndef ORRIN_BSIDENT_H
#define ORRIN_BSIDENT_H

#include "ortypes.h"

// Product number of a product identifier (bits 31-20).
inline int32_t ProdnumFromPdid(uint32_t pdid) { return static_cast<int32_t>((pdid & 0xFFF00000u) >> 20); }

// The product identifier that the chain's IDCODEs (cidcode of them, in the
// order the chain initialisation reported them) name: 1 when the chain has
// not one or two devices, 0 when no row of the table fits.
uint32_t PdidFromIdcodes(int cidcode, const uint32_t *rgidcode);

// A file of the plug-in folder serves product prodnum: its extension (from
// the last dot) is ".dll", compared case-sensitively, and its first three
// characters read as a hexadecimal number give prodnum.
BOOL FBsFileServes(const char *szFileName, int32_t prodnum);

#endif
