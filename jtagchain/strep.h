/*
 * strep.h - status reports of one operation.
 *
 * Passes progress reports to the caller's StatusCallback and gives back its
 * answer. Of the end reports (stcDone, stcFailed, stcStatusBad,
 * stcStatusGood, stcChainProgrammed) only the first counts: it is kept and
 * sent by Finish, the operation's last action, so the caller sees exactly
 * one end report and nothing after it.
 */
#ifndef JTAGCHAIN_STREP_H
#define JTAGCHAIN_STREP_H

#include "brisel.h"

class STREP {
public:
    explicit STREP(StatusCallback pfn);
    ~STREP();
    /* Report stc; for a progress report the callback's answer. */
    bool FReport(int32_t stc, int32_t lValue);
    /* Send the end report kept (stcFailed (0) when there is none); once. */
    void Finish();
    bool FEnded() const { return fEnded; }
    int32_t StcEnd() const { return stcEnd; }
    static bool FEndCode(int32_t stc);
    /* The callback, for the reports of one device of a chain run. */
    StatusCallback Pfn() const { return pfnStatus; }
private:
    STREP(const STREP &);
    STREP &operator=(const STREP &);
    StatusCallback pfnStatus;
    bool fEnded;
    bool fFinished;
    int32_t stcEnd;
    int32_t lEnd;
};

#endif /* JTAGCHAIN_STREP_H */
