/*
 * fwjtag.h - the JTAG port of the 0x60 configuration, shared by the protocol
 * handlers and shift engines (fwjtag.cpp) and the batch engine (fwbatch.cpp).
 *
 * Pins of the MPSSE low byte: TCK bit 0, TDI bit 1, TDO bit 2 (input), TMS
 * bit 3. fTms, fTdi and fTck are the levels the chip's pins hold now: the
 * engines record what every command left on them, so a pin write is queued
 * only when a level has to change.
 */
#ifndef FWJTAG_H
#define FWJTAG_H

#include <stdint.h>

#include <deque>
#include <initializer_list>
#include <vector>

#include "fwlib.h"

#if AMBREL_JTAG

enum : uint8_t {
    pinTck = 0x01, pinTdi = 0x02, pinTdo = 0x04, pinTms = 0x08,
    bDirJtag = pinTck | pinTdi | pinTms,
};

/* One read-back expectation of the batch engine: the answers of one
 * operation that returns TDO bits or pin levels. */
struct TDONODE {
    uint8_t type;               /* the operation: 2, 4, 6 or 7 */
    bool fExitBit;
    uint32_t cbitDone, cbitTotal;
};

/* The running batch program (command 23). */
struct BATCH {
    uint32_t cbOps, cbTdo;      /* stream length and TDO room, bounded by the host's buffers */
    uint8_t op;                 /* the operation being run */
    bool fLastOp, fExitBit, fTmsExit;
    bool fPinsReadPending;      /* a final 0x81 0x87 whose byte is still in the chip */
    uint32_t cbitOutDone, cbitOutTotal, cbitInDone, cbitInTotal;
    uint32_t cbReadPending;     /* answer bytes written or queued and not read yet */
    std::deque<TDONODE> qnode;
};

struct JTAGIF {
    FT_HANDLE hChannel;
    FTINTF ftintf;
    MPSBUF mpsbuf;
    uint32_t fEnabled;
    uint32_t freqTck;
    bool fTms, fTdi, fTck;
    /* the running shift */
    uint8_t jm;
    bool fCapture;
    /* how the answer bytes of the step in flight unpack: bit count, bits at the top */
    std::vector<uint8_t> rgcbitAns;
    BATCH batch;
};

extern JTAGIF rgjtag[cintfMax];

bool FJtagAdd(JTAGIF &jt, std::initializer_list<uint8_t> rgb);
/* Queues a pin write when a level differs from the wanted one (or always with fForce). */
bool FJtagPins(JTAGIF &jt, bool fTms, bool fTdi, bool fTck, bool fForce);

/* Command 23 and the batch engine's step, done and abort routines. */
void JtagBatchArm(int i);
void BatchReset(JTAGIF &jt);

#endif /* AMBREL_JTAG */

#endif /* FWJTAG_H */
