/*
 * tvxutil.h - JTAG utility library: clocks the JTAG port of a device.
 *
 * Plain functions, C linkage, the Windows API calling convention on 32-bit
 * Windows. Every function returns nonzero for success and ends with a
 * pointer to a 32-bit error code (0 = none); most take a reserved word
 * after it, always 0.
 *
 * Bit strings go least significant bit of each byte first: bit k of a string
 * is bit (k mod 8) of byte (k / 8). In the pair bytes of TvxPutTmsTdiBits,
 * bit 2k is TDI and bit 2k + 1 is TMS of clock k, four clocks per byte.
 *
 * TDO: the bit reported for a clock is the level the chain drives after
 * that clock's falling edge. So clocks with TMS 0 that start in Capture-DR
 * or Capture-IR give the captured register from bit 0 on, the clock that
 * leaves the capture state giving bit 0.
 *
 * The Put calls may be queued; they copy the caller's TDI bytes before they
 * return, and a TDO buffer of a queued Put stays the caller's until
 * TvxWaitForTransaction returns. TvxGetTdoBits returns with its bits. (This
 * implementation queues nothing: every call returns when its clocks have
 * gone out.) TDO bits above the count in the last byte read 0.
 *
 * Error codes are the runtime's (vozerc.h), among them: ercInvalidHif for a
 * handle that is not open, ercInvalidParameter for a missing buffer,
 * ercCapabilityNotEnabled for clocking a port that is not enabled,
 * ercTransferCancelled for a call ended by an abort, and the device's and
 * the transport's codes for a failed transaction (a board that vanishes
 * fails the call, at the latest at the transaction time-out).
 */
#ifndef TVXUTIL_H
#define TVXUTIL_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  define TVXCALL __stdcall
#else
#  define TVXCALL
#endif

#if defined(_WIN32)
#  if defined(TVXUTIL_BUILD)
#    define TVXAPI __declspec(dllexport)
#  else
#    define TVXAPI __declspec(dllimport)
#  endif
#else
#  define TVXAPI __attribute__((visibility("default")))
#endif

/* Handle of an open JTAG port. */
typedef void *HTVX;

#ifdef __cplusplus
extern "C" {
#endif

/* Open the JTAG port of device szDvc (a connection name of the device manager). */
TVXAPI int32_t TVXCALL TvxOpenJtag(HTVX *ph, const char *szDvc, uint32_t *perc, uint32_t dwReserved);
/* From now on the port drives the TAP. */
TVXAPI int32_t TVXCALL TvxEnableJtag(HTVX h, uint32_t *perc, uint32_t dwReserved);
TVXAPI int32_t TVXCALL TvxDisableJtag(HTVX h, uint32_t *perc, uint32_t dwReserved);
/* Release the handle. */
TVXAPI int32_t TVXCALL TvxCloseJtag(HTVX h, uint32_t *perc);
/* cclk clocks of TDI/TMS pairs; with fTdo the TDO bits go to pbTdo. */
TVXAPI int32_t TVXCALL TvxPutTmsTdiBits(HTVX h, uint32_t cclk, const uint8_t *pbPairs, int32_t fTdo,
                                        uint8_t *pbTdo, uint32_t *perc, uint32_t dwReserved);
/* cbit clocks with the TDI bits of pbTdi and TMS held at tms. */
TVXAPI int32_t TVXCALL TvxPutTdiBits(HTVX h, uint32_t cbit, const uint8_t *pbTdi, int32_t tms, int32_t fTdo,
                                     uint8_t *pbTdo, uint32_t *perc, uint32_t dwReserved);
/* cbit clocks with TDI and TMS held; returns with the TDO bits in pbTdo. */
TVXAPI int32_t TVXCALL TvxGetTdoBits(HTVX h, uint32_t cbit, int32_t tdi, int32_t tms, uint8_t *pbTdo,
                                     uint32_t *perc, uint32_t dwReserved);
/* Returns when every clock asked for has gone out. */
TVXAPI int32_t TVXCALL TvxWaitForTransaction(HTVX h, uint32_t dwReserved, uint32_t *perc);
/*
 * Abort the port's running transaction; callable from another thread. The
 * running call ends promptly with ercTransferCancelled, and so does every
 * clocking call after it until TvxClearConfigStatus.
 */
TVXAPI int32_t TVXCALL TvxAbortConfigTransaction(HTVX h, uint32_t dwReserved, uint32_t *perc);
/*
 * Nonzero while a transaction of the port is still busy; *pbStatus gets its
 * state: bit 0 busy, bit 1 aborted and not yet cleared.
 */
TVXAPI int32_t TVXCALL TvxQueryConfigStatus(HTVX h, uint32_t dwReserved, uint8_t *pbStatus, uint32_t *perc);
/* Re-arm the handle after an abort. */
TVXAPI int32_t TVXCALL TvxClearConfigStatus(HTVX h, uint32_t dwReserved, uint32_t *perc);

#ifdef __cplusplus
}
#endif

#endif /* TVXUTIL_H */
