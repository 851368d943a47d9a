/*
 * enmmg.h - ENMMG, the enumeration manager: builds the process's
 * enumeration list from the transport managers' FEnum, on the caller's
 * thread or on an enumeration thread of its own, one enumeration at a time.
 *
 * The list, fRunning and fListFree are guarded by pmtxEnum (5000 ms); the
 * managers append under the same lock, one node at a time.
 */
#ifndef ENMMG_H
#define ENMMG_H

#include <stdint.h>

#include <atomic>

#include "dvcmg.h"

class ABSTHD;

class ENMMG {
public:
    constexpr ENMMG()
        : dvcmg(), fRunning(0), fListFree(1), fFreePending(0), pthd(nullptr), fThdHeld(0), dinfoFilter(0),
          pInfoSet(nullptr), dtpTbl(0), dtpDisc(0)
    {
    }

    int FInit();
    void Term();
    /* Unload: stop a running enumeration and wait for its end. */
    void StopForUnload();

    int FDoEnum(int *pcdvc);
    int FDoStartEnum(uint32_t dtpTblIn, uint32_t dtpDiscIn, uint32_t dinfoFilterIn, void *pInfoSetIn);
    int FDoEnumEx(int *pcdvc, uint32_t dtpTblIn, uint32_t dtpDiscIn, uint32_t dinfoFilterIn, void *pInfoSetIn);
    int FIsEnumFinished();
    int FDoStopEnum();
    int FGetEnumCount(int *pcdvc);
    int FGetDvcFromIndex(int idvc, DVC *pdvc);
    int FGetEdvcFromIndex(int idvc, EDVC *pedvc);
    int FDoFreeDvcEnum();

    static uint32_t EnumThreadProc(void *pv);

private:
    ENMMG(const ENMMG &) = delete;
    ENMMG &operator=(const ENMMG &) = delete;
    int FLockEnum(const char *szOp);
    void UnlockEnum();
    int FBeginEnum(const char *szOp);
    void EndEnum(const char *szOp);
    void DoEnumThread();
    void ReapThread();

    DVCMG dvcmg;                      /* the enumeration list (first member) */
    std::atomic<uint32_t> fRunning;
    uint32_t fListFree;
    uint32_t fFreePending;            /* freed while running: cleared again at the end */
    ABSTHD *pthd;
    int fThdHeld;                     /* pthd still holds the last enumeration thread */
    uint32_t dinfoFilter;
    void *pInfoSet;
    uint32_t dtpTbl;
    uint32_t dtpDisc;
};

extern ENMMG enmmg;

/* Whether a mask word (transports in bits 15-0, protocols in 31-16) selects manager (tpt, ptc). */
int FDtpMaskSelects(uint32_t dtpMask, uint32_t tpt, uint32_t ptc);

#endif /* ENMMG_H */
