/* ksimproc_win32.cpp - the simulator is a Linux program: a Windows test
 * reaches the one simwine.sh started (KOR_SIM) and starts none itself. */
#include "ksimproc.h"

KSIMPROC::~KSIMPROC() {}

bool KSIMPROC::FStart(const std::string &, const std::vector<std::string> &)
{
    return false;
}

bool KSIMPROC::FWait(uint32_t, int *)
{
    return true;
}

void KSIMPROC::Kill() {}
