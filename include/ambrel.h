/*
 * ambrel.h - entry points of the FTDI firmware library.
 *
 * The library plays, on the host, the part that the maker's USB firmware
 * plays inside its own devices: it takes command packets, drives the FTDI
 * chip and publishes status packets (formats in voziri.h / tagTFP). The
 * runtime loads it when an FTDI-based device is opened and binds the first
 * seven entry points by name.
 *
 * Every call returns a success flag (nonzero = success); after a failure the
 * calling thread's last error (FtdGetLastErc) holds one of the codes below.
 * A success leaves the last error as it was. Handles are interface indices
 * 0 to 63 from FtdConnect.
 */
#ifndef AMBREL_H
#define AMBREL_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(AMBREL_BUILD)
#    define AMBRELAPI __declspec(dllexport)
#  else
#    define AMBRELAPI __declspec(dllimport)
#  endif
#  if defined(_M_IX86) || defined(__i386__)
#    define AMBRELCALL __stdcall
#  else
#    define AMBRELCALL
#  endif
#else
#  define AMBRELAPI __attribute__((visibility("default")))
#  define AMBRELCALL
#endif

/* Last-error codes of the library. */
enum {
    ercFwInvalidArg = 2,          /* NULL pointer, name of 16 or more characters, no data phase armed */
    ercFwSignalFailed = 3,        /* the worker could not be signalled */
    ercFwInvalidHandle = 4,       /* bad index, length 0 or above 64, not connected, entry not in use */
    ercFwTimeout = 13,            /* the wait ran out; the operation is still pending */
    ercFwNoDataPhase = 27,        /* armed data phase with both counts 0 */
    ercFwTableFull = 0x800,
    ercFwTableLock = 0x801,       /* shared device table not locked within 5000 ms */
    ercFwWorkerStart = 0x802,     /* worker did not start within 2000 ms */
    ercFwWorkerStop = 0x803,
    ercFwInitFwif = 0x804,
    ercFwInitMbx = 0x805,
    ercFwInitBuffers = 0x806,
    ercFwStsBufferSmall = 0x807,  /* status packet kept for a later read */
};

enum { cchFtdConnMax = 16 };      /* connection text: at most 15 characters */

extern "C" {

/* Connect interface szConn (FTDI serial, optionally a channel letter); *phif receives 0 to 63. */
AMBRELAPI int AMBRELCALL FtdConnect(const char *szConn, int *phif);
/* Drop this process's connection; *phif becomes -1 in every case. */
AMBRELAPI int AMBRELCALL FtdDisconnect(int *phif);
/* Hand a command packet of cbCmd (1 to 64) bytes to the worker, whole or not at all. */
AMBRELAPI int AMBRELCALL FtdSendCmd(int hif, const uint8_t *rgbCmd, uint8_t cbCmd, uint8_t *pcbSent,
                                    uint32_t tmsTimeout);
/* Fetch the status packet of the last command; a buffer too small keeps it for a later read. */
AMBRELAPI int AMBRELCALL FtdReadCmdSts(int hif, uint8_t *rgbSts, uint8_t cbSts, uint8_t *pcbSts,
                                       uint32_t tmsTimeout);
/* Arm the data phase of the running command: receive buffer first, then send buffer. */
AMBRELAPI int AMBRELCALL FtdInitReadWrite(int hif, uint8_t *rgbRcv, const uint8_t *rgbSnd, uint32_t cbRcv,
                                          uint32_t cbSnd);
/* Progress of the data phase; waits up to 5 ms for its end (13 while it runs). */
AMBRELAPI int AMBRELCALL FtdGetTransSts(int hif, uint32_t *pcbRcv, uint32_t *pcbSnd);
AMBRELAPI int AMBRELCALL FtdGetLastErc(void);
AMBRELAPI void AMBRELCALL FtdSetLastErc(int erc);

} /* extern "C" */

/* Types of the seven entry points the runtime binds by name. */
typedef int (AMBRELCALL *PFNFTDCONNECT)(const char *, int *);
typedef int (AMBRELCALL *PFNFTDDISCONNECT)(int *);
typedef int (AMBRELCALL *PFNFTDSENDCMD)(int, const uint8_t *, uint8_t, uint8_t *, uint32_t);
typedef int (AMBRELCALL *PFNFTDREADCMDSTS)(int, uint8_t *, uint8_t, uint8_t *, uint32_t);
typedef int (AMBRELCALL *PFNFTDINITREADWRITE)(int, uint8_t *, const uint8_t *, uint32_t, uint32_t);
typedef int (AMBRELCALL *PFNFTDGETTRANSSTS)(int, uint32_t *, uint32_t *);
typedef int (AMBRELCALL *PFNFTDGETLASTERC)(void);

#endif /* AMBREL_H */
