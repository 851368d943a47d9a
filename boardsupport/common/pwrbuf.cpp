// PWRBUF: the ring of recorded power readings (pwrbuf.h).

#include "pwrbuf.h"

#include <new>

// Called before the buffer is shared with the meter thread.
bool PWRBUF::FInit()
{
    try {
        rgsmp.assign(csmpPwrMax, PWRSMP{});
    } catch (const std::bad_alloc &) {
        rgsmp.clear();
        return false;
    }
    csmpMax = csmpPwrMax;
    ismpCur = 0;
    csmp = 0;
    return true;
}

int PWRBUF::AddSample(const PWRSMP &smp)
{
    std::lock_guard<std::mutex> lock(mtx);
    if (csmpMax == 0)
        return 0;
    if (csmp < csmpMax)
        csmp++;
    ismpCur = (ismpCur + 1) % csmpMax;
    rgsmp[ismpCur] = smp;
    return csmp;
}

void PWRBUF::Clear()
{
    std::lock_guard<std::mutex> lock(mtx);
    csmp = 0;
    ismpCur = 0;
}

int PWRBUF::Csmp() const
{
    std::lock_guard<std::mutex> lock(mtx);
    return csmp;
}

PWRSMP PWRBUF::SmpNthL(int k) const
{
    if (csmpMax == 0 || k < 0 || k >= csmpMax)
        return PWRSMP{};
    return rgsmp[(ismpCur - k + csmpMax) % csmpMax];
}

PWRSMP PWRBUF::SmpNth(int k) const
{
    std::lock_guard<std::mutex> lock(mtx);
    return SmpNthL(k);
}

int PWRBUF::CsmpCopy(int kFirst, int csmpWant, PWRSMP *rgsmpOut) const
{
    std::lock_guard<std::mutex> lock(mtx);
    for (int i = 0; i < csmpWant; i++)
        rgsmpOut[i] = SmpNthL(kFirst + i);
    return csmp;
}
