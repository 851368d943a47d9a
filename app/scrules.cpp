// Window-free rules of a scan-chain device row (scrules.h).

#include "scrules.h"

#include <string.h>

#include "brisel.h"

int IkindFromBitmap(int32_t idbmpNormal)
{
    if (idbmpNormal == idbmpFpgaNormal)
        return ikindFpga;
    if (idbmpNormal == idbmpPromNormal)
        return ikindProm;
    return ikindCpld;
}

int FsCheckFromKind(int ikind)
{
    return ikind == ikindFpga ? 3 : ikind == ikindProm ? 2 : 0;
}

BOOL FEraseOffered(int ikind, const char *szName)
{
    if (ikind == ikindProm)
        return strcmp(szName, "XCF01S") == 0 || strcmp(szName, "XCF02S") == 0 || strcmp(szName, "XCF04S") == 0;
    if (ikind == ikindCpld)
        return strncmp(szName, "XC2C", 4) == 0;
    return FALSE;
}
