// Window-free rules of the board-support host (bsident.h).

#include "bsident.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct IDROW {
    uint32_t rgidcode[2];
    uint32_t pdid;
};

const IDROW rgidrow[] = {
    {{0x05045093, 0x01414093}, 0x00300109},
    {{0x05045093, 0x0141C093}, 0x00300209},
    {{0x05046093, 0x01428093}, 0x00300309},
    {{0x05046093, 0x01C22093}, 0x00600109},
    {{0x05046093, 0x01C2E093}, 0x00600209},
    {{0x05045093, 0x01C10093}, 0x00400109},
    {{0x05045093, 0x01C1A093}, 0x00400209},
    {{0x06D4C093, 0x00000000}, 0x4000010A},
};

} // namespace

uint32_t PdidFromIdcodes(int cidcode, const uint32_t *rgidcode)
{
    if (cidcode != 1 && cidcode != 2)
        return 1;
    for (const IDROW &row : rgidrow) {
        bool fMatch = true;
        for (int j = 0; j < cidcode; j++)
            if ((rgidcode[j] & 0x0FFFFFFFu) != row.rgidcode[j])
                fMatch = false;
        if (fMatch)
            return row.pdid;
    }
    return 0;
}

BOOL FBsFileServes(const char *szFileName, int32_t prodnum)
{
    const char *szExt = strrchr(szFileName, '.');
    if (szExt == nullptr || strcmp(szExt, ".dll") != 0)
        return FALSE;
    char szNum[4] = {};
    strncpy(szNum, szFileName, 3);
    return static_cast<int32_t>(strtoul(szNum, nullptr, 16)) == prodnum;
}
