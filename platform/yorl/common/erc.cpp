/* erc.cpp - last-error helpers shared by every object. */
#include "yorli.h"

bool FYorlFail(ERC erc)
{
    YbSetErc(erc);
    return false;
}

bool FYorlCheck(ERC erc)
{
    if (erc != ercAbsNone)
        YbSetErc(erc);
    return erc == ercAbsNone;
}
