/* ownerrec.cpp - the owner record of this process, and whether the process
 * of a record has ended. */
#include "prcid.h"

#include "ownerwire.h"

#include <string.h>

using namespace ownerwire;

namespace {

#if defined(_WIN32)
const uint8_t ownerSelf = ownerWin32;
#else
const uint8_t ownerSelf = ownerPosix;
#endif

void PutU32(uint8_t *pb, uint32_t dw)
{
    pb[0] = uint8_t(dw); pb[1] = uint8_t(dw >> 8); pb[2] = uint8_t(dw >> 16); pb[3] = uint8_t(dw >> 24);
}
uint32_t GetU32(const uint8_t *pb)
{
    return uint32_t(pb[0]) | (uint32_t(pb[1]) << 8) | (uint32_t(pb[2]) << 16) | (uint32_t(pb[3]) << 24);
}

} // namespace

void OwnerRecordSelf(uint8_t *pbOwner)
{
    memset(pbOwner, 0, cbOwner);
    uint32_t idProcess = IdProcessSelf();
    uint64_t tStart = 0;
    if (PrcstProcess(idProcess, &tStart) != prcstRunning)
        return;
    pbOwner[0] = ownerSelf;
    PutU32(pbOwner + 1, idProcess);
    PutU32(pbOwner + 5, (uint32_t)tStart);
    PutU32(pbOwner + 9, (uint32_t)(tStart >> 32));
}

bool FOwnerRecordEnded(const uint8_t *pbOwner)
{
    uint32_t idProcess = GetU32(pbOwner + 1);
    if (pbOwner[0] != ownerSelf || idProcess == 0 || idProcess == IdProcessSelf())
        return false;
    uint64_t tStart = 0;
    switch (PrcstProcess(idProcess, &tStart)) {
    case prcstEnded:
        return true;
    case prcstRunning:
        return tStart != ((uint64_t)GetU32(pbOwner + 9) << 32 | GetU32(pbOwner + 5));
    default:
        return false;
    }
}
