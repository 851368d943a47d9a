/*
 * schain.h - the scan chain and the JTAG primitives every algorithm uses.
 *
 * Index 0 is the device nearest TDI. For device i, the "before" devices are
 * 0 .. i - 1 (between TDI and it) and the "after" devices i + 1 .. n - 1
 * (between it and TDO); bits shifted first travel furthest, so the bits
 * for the "after" devices go first. Bit strings go least significant bit
 * of each byte first. Every other device gets BYPASS (all ones) during an
 * instruction shift and contributes its one-bit BYPASS register to a data
 * shift.
 *
 * A primitive whose port call fails closes the port, reports stcFailed (0)
 * and gives false; the caller then ends without closing again.
 */
#ifndef JTAGCHAIN_SCHAIN_H
#define JTAGCHAIN_SCHAIN_H

#include <atomic>
#include <stdint.h>

#include "brisel.h"
#include "jtport.h"
#include "scdvc.h"
#include "strep.h"
#include "tap.h"

enum { cscdvcMax = 32 };

typedef void (*PFNSLEEPMS)(uint32_t tms);

class SCHAIN {
public:
    SCHAIN();
    ~SCHAIN();

    /* Empty chain with 32 slots, mode word 0. */
    bool FInit();
    bool FSetDvcName(const char *szDvcNew);
    bool FAddDvc(SCDVC *pscdvc);
    bool FRemDvc(int iscdvc);
    void RemoveAll();
    int IscdvcFromPscdvc(const SCDVC *pscdvc) const;
    JTDVC *PjtdvcFromIscdvc(int iscdvc) const;
    SCDVC *PscdvcFromIscdvc(int iscdvc) const;
    /* Reverse the device order (identification reads from TDO backwards). */
    void Reverse();

    /* Port. */
    HTVX HOpenJtag(STREP &rep);
    bool FCloseJtag(HTVX h);
    /* Abort the transaction of the port open now; false when none is open. */
    bool FAbortOpenPort(uint32_t *perc);

    /* Clock a walk given as TMS values in clock order ("1,0,0" is "100"); TDI 0. */
    bool FWalk(HTVX h, const char *szTms, STREP &rep);
    bool FWalkTo(HTVX h, int tapstFrom, int tapstTo, STREP &rep);
    /* cbit TDI bits from pb (TMS 0), ones or zeros. */
    bool FPutBits(HTVX h, uint32_t cbit, const uint8_t *pb, uint8_t *pbTdo, STREP &rep);
    bool FPutOnes(HTVX h, uint32_t cbit, STREP &rep);
    bool FPutZeros(HTVX h, uint32_t cbit, STREP &rep);
    /* One clock with TMS 1 and the given TDI. */
    bool FPutLastBit(HTVX h, int tdi, STREP &rep);
    bool FWait(HTVX h, STREP &rep);
    /* Close, stcFailed (0), false. */
    bool FFail(HTVX h, STREP &rep);

    bool FReadIdcode(HTVX h, uint8_t *pb4, STREP &rep);
    bool FShiftIr(int iscdvc, uint32_t op, HTVX h, STREP &rep);
    bool FShiftIrCapture(int iscdvc, uint32_t op, HTVX h, int tapstEnd, uint8_t *pbTdo, STREP &rep);
    bool FShiftIrFromIdle(int iscdvc, uint32_t op, HTVX h, int tapstEnd, STREP &rep);
    bool FShiftDrMore(int iscdvc, const uint8_t *pb, uint32_t cbit, uint32_t cbitLead, HTVX h, STREP &rep);
    bool FShiftDrEnter(int iscdvc, const uint8_t *pb, uint8_t *pbTdo, uint32_t cbit, uint32_t cbitLead, HTVX h,
                       STREP &rep);
    bool FShiftDrLeave(int iscdvc, const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, HTVX h, STREP &rep);
    bool FReadDr(int iscdvc, uint8_t *pbTdo, uint32_t cbit, uint32_t cbitLead, HTVX h, STREP &rep);
    bool FShiftDr(int iscdvc, const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, uint32_t cbitLead, HTVX h,
                  STREP &rep);
    bool FShiftDrPause(int iscdvc, const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, uint32_t cbitLead, HTVX h,
                       STREP &rep);

    /* IR bits of the devices before (toward TDI) and after (toward TDO) device
     * iscdvc; false when a device of the chain has no known IR length. */
    bool FIrFill(int iscdvc, uint32_t *pcbitBefore, uint32_t *pcbitAfter) const;

    SCDVC *rgpscdvc[cscdvcMax];
    int32_t cscdvcCapacity;
    int32_t cscdvc;
    char szDvc[cchScPath];
    int32_t iscdvcSel;
    int32_t cLoop;
    SCMODE scmode;
    char szDataDir[cchScPath];

    JTPORT *pjtport;
    PFNSLEEPMS pfnSleepMs;
private:
    SCHAIN(const SCHAIN &);
    SCHAIN &operator=(const SCHAIN &);
    bool FShiftIrBody(int iscdvc, uint32_t op, HTVX h, STREP &rep);
    bool FExitRule(const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, HTVX h, STREP &rep);
    bool FIrEndWalk(HTVX h, int tapstEnd, STREP &rep);
    std::atomic<HTVX> htvxOpen;
};

/* Wait of the platform (whole milliseconds). */
void SleepMsPlatform(uint32_t tms);

#endif /* JTAGCHAIN_SCHAIN_H */
