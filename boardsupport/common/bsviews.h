// From a board table to the entry module's BSBOARD: the tabs the plug-in
// offers now (the program's own, and those whose view class exists) with
// three tab callbacks per view, and the views FInit makes and Term deletes.
#ifndef BSVIEWS_H
#define BSVIEWS_H

#include "bsboard.h"
#include "bstable.h"

class DLGVBS;

enum { cviewMax = 4 };   // most views one plug-in carries

// Whether the view class of kind vk is part of the plug-ins yet.
bool FViewBuilt(BSVK vk);
// A new view of kind vk for the board (null when the class does not exist).
DLGVBS *PviewNew(BSVK vk, const BSBOARDDEF &bsb);
// Runs the view's stop operation named by the board table.
void StopView(DLGVBS *pview, BSSTOP stop);

// The BSBOARD of the plug-in whose board table is bsb (one per module).
BSBOARD BsboardFrom(const BSBOARDDEF &bsb);

#endif
