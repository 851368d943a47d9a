// The power meter's recorded readings: PWRSMP, one cycle's readings of the
// four rails, and PWRBUF, the ring of the last 3000 of them that the power
// graph draws and the meter page saves. The meter thread adds samples while
// the window thread paints and saves; a short lock keeps each sample whole.
// Portable: no windows.h.
#ifndef PWRBUF_H
#define PWRBUF_H

#include <mutex>
#include <vector>

enum { crailPwr = 4, csmpPwrMax = 3000 };

// Corvale: voltage of rails 0 to 3 (V), then their current (A). Pentra:
// current of rails 0 to 3 (A), then their power (W).
struct PWRSMP {
    double rgdbl[2 * crailPwr];
};
static_assert(sizeof(PWRSMP) == 64, "eight doubles");

class PWRBUF {
public:
    // Obtains the array of csmpPwrMax samples; false when it cannot (the
    // buffer then records nothing).
    bool FInit();
    // Records smp as the newest sample; the count afterwards (0: no array).
    int AddSample(const PWRSMP &smp);
    void Clear();
    int Csmp() const;
    // The k-th newest sample (k = 0 the newest); zeros for k outside
    // 0 .. csmpMax - 1, and for k at or beyond Csmp() the slot's old content.
    PWRSMP SmpNth(int k) const;
    // The csmpWant newest samples from the k-th newest on, newest first, and
    // the count, read under one lock (a paint or a save sees one state).
    int CsmpCopy(int kFirst, int csmpWant, PWRSMP *rgsmpOut) const;

private:
    PWRSMP SmpNthL(int k) const;

    std::vector<PWRSMP> rgsmp;
    int csmpMax = 0;
    int ismpCur = 0;   // index of the newest sample; 0 when empty
    int csmp = 0;
    mutable std::mutex mtx;
};

#endif
