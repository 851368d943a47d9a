/*
 * fwlib.h - the FTDI firmware library's inside: the two configurations, the
 * shared device table, the mailbox, the firmware record and its state
 * machine, the FTDI channel access and the protocol handlers. Everything
 * per interface is indexed by the device table's index 0 to 63.
 *
 * Files: fwentry.cpp (exports, attach, workers), fwdevtbl.cpp (FTDEVMG),
 * fwmbx.cpp (mailbox), fwcore.cpp (firmware record, steps, system
 * protocol, data phases), fwchan.cpp (channel, MPSSE buffer, FIFO mode),
 * fwstream.cpp (stream protocol and protocol 1), fwjtag.cpp (JTAG protocol,
 * see fwjtag.h), fwjtag2w.cpp (its two-wire shift engines), fwjtagtw.cpp (its
 * two-wire commands), fwjtagio.cpp (its general-purpose pins), fwbatch.cpp
 * (JTAG batch engine).
 */
#ifndef FWLIB_H
#define FWLIB_H

#include <stdint.h>

#include <atomic>

#include "ambrel.h"
#include "d2xxapi.h"
#include "ftdimgr.h"

class ABSSEM;

/* ---- configuration: AMBREL_CFG is 0x60 or 0x59 ---- */
#ifndef AMBREL_CFG
#define AMBREL_CFG 0x60
#endif
#define AMBREL_JTAG (AMBREL_CFG == 0x60)

enum {
    cintfMax = 64,
    cbPkt = 64,
#if AMBREL_CFG == 0x60
    cprtStream = 2,
    ibitStreamPort0 = 1,        /* device-table bit of stream port 0 */
#else
    cprtStream = 1,
    ibitStreamPort0 = 0,
#endif
};

/* Firmware status codes (the status byte's bits 5-0). */
enum {
    stsOk = 0, stsNotSupported = 1, stsCancelled = 2, stsCapConflict = 3, stsNotEnabled = 4,
    stsSndLess = 7, stsRcvLess = 8, stsSndRcvLess = 10, stsInvalidPort = 12, stsBadArgument = 13,
    stsFtdiIo = 26, stsBatchOpNotSupported = 32, stsBatchNoMemory = 48, stsUnknownProtocol = 49, stsUnknownCommand = 50, stsBadLength = 51,
};

extern D2XXAPI d2xx;

/* ---- shared device table (fwdevtbl.cpp) ---- */
int FFtdevmgInit(void *pvTable);
void FtdevmgTerm();
int FFtdevmgLock(uint32_t tms);
int FFtdevmgUnlock();
int IftdevAdd(const char *szName);
int FFtdevRelease(int i);
const char *SzFtdevName(int i);
int FFtdevSetPort(int i, unsigned ibit);
int FFtdevClrPort(int i, unsigned ibit);
int FFtdevClrPorts(int i);
uint32_t FsFtdevPorts(int i);

/* ---- firmware record ---- */
typedef void (*PFNFW)(int i);

/* The host fields (buffers, their counts and progress, fBuffersSet) are
 * shared between the client's threads and the worker, hence atomic. */
struct FWIF {
    uint8_t rgbCmd[cbPkt];
    uint8_t cbCmdRcvd;
    uint8_t rgbSts[cbPkt];
    uint8_t cbStsReady;
    std::atomic<uint8_t *> pbSnd;
    std::atomic<uint32_t> cbSndDone, cbSnd;
    std::atomic<uint8_t *> pbRcv;
    std::atomic<uint32_t> cbRcvDone, cbRcv;
    ABSSEM *psemTransDone;
    std::atomic<int32_t> fBuffersSet;
    uint32_t cOutDone, cOutTotal, cInDone, cInTotal;
    uint8_t fws;
    uint8_t aptCur, cmdCur, prtCur;
    uint8_t cmdCompletion;
    uint8_t stsPhase;
    uint8_t fsStsCounts;
    PFNFW pfnStep, pfnDone, pfnAbort;
    uint32_t fCompletionSeen;
    uint32_t fsPrtBuffered;
};

extern FWIF rgfwif[cintfMax];

int FFwInitAll();
void FwTermAll();
int FFwInitIntf(int i);
void FwTermIntf(int i);
void FwResetTrans(int i);
void FwStep(int i);
void FwArmPhase(int i, uint8_t fwsStart, PFNFW pfnStep, PFNFW pfnDone, PFNFW pfnAbort);
void FwFailPhase(int i);
/* A step function that has moved everything: state 5 or 4. */
void FwPhaseFinished(int i);
void FwDoneSts(int i);
/* Sets the status code and the return bytes of the command being served. */
void FwSetSts(int i, uint8_t sts);
void FwPutRet(int i, const void *pv, uint8_t cb);
uint32_t DwArg(int i, int iarg);

/* ---- mailbox (fwmbx.cpp) ---- */
int FMbxInitAll();
void MbxTermAll();
int FMbxCreate(int i);
void MbxDestroy(int i);
void MbxResetForWorker(int i);
void MbxDiscardSts(int i);
void MbxStep(int i);
int FMbxSendCmd(int i, const uint8_t *pb, uint8_t cb, uint32_t tms);
int FMbxReadSts(int i, uint8_t *pb, uint8_t cb, uint8_t *pcbSts, uint32_t tms);
bool FMbxExists(int i);

/* ---- FTDI channel (fwchan.cpp) ---- */
struct MPSBUF {
    uint8_t *pb;
    uint32_t cb;
    uint32_t cbFlush;
    uint32_t tusQueued;
    uint32_t fWritten;
};

int FOpenChannel(const char *szName, FT_HANDLE *ph, FTINTF *pftintf);
int FCloseChannel(const char *szName, FT_HANDLE h, FTINTF *pftintf);
int FMpsAddBytes(MPSBUF *pmps, const uint8_t *pb, uint32_t cb);
int FMpsFlush(MPSBUF *pmps, FT_HANDLE h, int fForce, uint32_t cbRead);
int FMpsseInit(FT_HANDLE h);
int FSyncBadCmd(FT_HANDLE h, uint8_t bBad, uint32_t tms, int fRepeat);
int FSetFifoMode(FT_HANDLE h, int fSync);
int FResetFifoMode(FT_HANDLE h, int fSync);

/* ---- protocols (fwstream.cpp) ---- */
int FStmInitAll();
void StmTermAll();
int FStmInit(int i);
int FStmTerm(int i);
void StmDispatch(int i);
void Apt1Dispatch(int i);

/* ---- JTAG protocol (fwjtag.cpp, 0x60 only) ---- */
int FJtagInit(int i);
void JtagTerm(int i);
void JtagDispatch(int i);

#endif /* FWLIB_H */
