/*
 * fwjtag.h - the JTAG port of the 0x60 configuration, shared by the protocol
 * handlers and four-wire shift engines (fwjtag.cpp), the two-wire engines
 * (fwjtag2w.cpp) and commands (fwjtagtw.cpp), the general-purpose pin
 * commands (fwjtagio.cpp) and the batch engine (fwbatch.cpp).
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
    pinAux = 0x80,              /* high byte: the auxiliary output (ACBUS7) */
};

/* Property words of port 0. The shipped configuration offers commands 0 to
 * 11, 23 and 24 and no batch operation above 8; a build may define others
 * (the library's tests build one that offers everything). */
#ifndef AMBREL_DPRP_JTAG
#define AMBREL_DPRP_JTAG 0x80020003u
#endif
#ifndef AMBREL_DPRP_BATCH
#define AMBREL_DPRP_BATCH 0x00000000u
#endif
const uint32_t dprpJtag = AMBREL_DPRP_JTAG;
const uint32_t dprpBatch = AMBREL_DPRP_BATCH;

/* One read-back expectation of the batch engine: the answers of one
 * operation that returns TDO bits or pin levels. */
struct TDONODE {
    uint8_t type;               /* the operation: 2, 4, 6, 7 or 15 */
    bool fExitBit;
    uint32_t cbitDone, cbitTotal;   /* operation 15: read bytes taken, 2 */
    uint32_t wPins;             /* operation 15: the pin bytes read so far */
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
    uint8_t bHigh, bHighDir;    /* the high pin byte as last written */
    uint32_t fBuffered;         /* command 12: write-only commands leave their bytes queued */
    /* two-wire settings (commands 15 to 20), defaults restored at every enable */
    uint8_t scanFormat;
    uint32_t fFormatOption, fTwoWire;
    uint8_t cbitReady;
    uint32_t cpollReady, cclkTail, fTailHigh;
    uint32_t wGpio;             /* general-purpose pins made outputs (command 27) */
    uint16_t cPadPre, cPadPost; /* pad bytes around the rising edge of a slot made by hand */
    /* two-wire shifts: the fixed levels of the command, the frame, a read-back left in the chip */
    bool fTmsLevel, fTdiLevel;
    uint8_t frame2w;
    bool fReadPending;
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

/* Queues both pin bytes as tracked, with this direction of the low byte. */
bool FJtagPinsAll(JTAGIF &jt, uint8_t bLowDir);
/* Writes the queued bytes unless buffering is on (then only at the threshold). */
bool FJtagWrite(JTAGIF &jt);
/* Queues a wait of cclk TCK periods with TCK released, so the target sees no clock. */
bool FJtagWaitClocks(JTAGIF &jt, uint32_t cclk);
/* The actual microseconds and the TCK periods of a wait of tus microseconds. */
void CclkFromTus(uint32_t freq, uint32_t tus, uint32_t *ptusActual, uint32_t *pcclk);

/* Arms the two-wire engine of the shift command set up in jt (fwjtag2w.cpp); false: none. */
bool FJtagTwoWireArm(int i);
/* Whether the port's two-wire format has an engine for the shift command set up in jt. */
bool FJtagTwoWireEngine(const JTAGIF &jt);
/* Pad bytes around a slot's rising edge at this TCK frequency. */
void JtagPadCounts(uint32_t freq, uint16_t *pcPadPre, uint16_t *pcPadPost);

/* Commands 15 to 22 (fwjtagtw.cpp) and 25 to 31 (fwjtagio.cpp). */
void JtagTwoWireCmd(int i);
void JtagGpioCmd(int i);
void JtagTwoWireReset(JTAGIF &jt);
/* The general-purpose pins of port 0: output- and input-capable masks. */
extern const uint32_t fsGpioOut, fsGpioIn;

/* Command 23 and the batch engine's step, done and abort routines. */
void JtagBatchArm(int i);
void BatchReset(JTAGIF &jt);

#endif /* AMBREL_JTAG */

#endif /* FWJTAG_H */
