/*
 * vzstate.cpp - process-wide state and the Fsadm flag word.
 */
#include <atomic>

#include "vzcore.h"
#include "vzfsadm.h"

VZPROC vzproc;

namespace {
std::atomic<uint32_t> fsadm{fsadmDcapPub};
} // namespace

uint32_t FsadmGet()
{
    return fsadm.load(std::memory_order_relaxed);
}

extern "C" VZAPI uint32_t VZCALL TvxSetFsadm(uint32_t fs)
{
    return fsadm.fetch_or(fs) | fs;
}

extern "C" VZAPI uint32_t VZCALL TvxClrFsadm(uint32_t fs)
{
    return fsadm.fetch_and(~fs) & ~fs;
}

extern "C" VZAPI int VZCALL TvxTstFsadm(uint32_t fs)
{
    return (fsadm.load() & fs) != 0;
}
