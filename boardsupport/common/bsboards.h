// The board tables of the eight board-support plug-ins (each defined in its
// plug-in's folder, board.cpp).
#ifndef BSBOARDS_H
#define BSBOARDS_H

#include "bstable.h"

extern const BSBOARDDEF g_bsbCorvale;   // "007 - Corvale"
extern const BSBOARDDEF g_bsbPentra;    // "00C - Pentra"
extern const BSBOARDDEF g_bsbMiravo3;   // "00D - Miravo3"
extern const BSBOARDDEF g_bsbMiravo2;   // "006 - Miravo2"
extern const BSBOARDDEF g_bsbMiravo;    // "003 - Miravo"
extern const BSBOARDDEF g_bsbTullen2;   // "008 - Tullen2"
extern const BSBOARDDEF g_bsbTullen;    // "004 - Tullen"
extern const BSBOARDDEF g_bsbHarwick;   // "301 - Harwick"

#endif
