/*
 * vesk.h - register port `Vesk`: the 8-bit registers (0 to 255) of the
 * design that runs in the board's FPGA, reached through an interface handle
 * opened with KelmOpen (kelm.h).
 *
 * Order of use: KelmOpen, VeskEnable, transfers, VeskDisable, KelmClose.
 * Every call returns nonzero for success. fOverlap FALSE returns when the
 * transfer has ended; TRUE returns once it has started: the buffer must stay
 * valid until KelmGetTransResult reports the end.
 */
#ifndef VESK_H
#define VESK_H

#include <stdint.h>

#include "voziri.h"

#if defined(_WIN32) && !defined(_WIN64)
#  define VESKCALL __stdcall
#else
#  define VESKCALL
#endif

#if defined(_WIN32)
#  if defined(VESK_BUILD)
#    define VESKAPI __declspec(dllexport)
#  else
#    define VESKAPI __declspec(dllimport)
#  endif
#else
#  define VESKAPI __attribute__((visibility("default")))
#endif

extern "C" {

/* Enable and release the register port of an open handle. */
VESKAPI int VESKCALL VeskEnable(HIF hif);
VESKAPI int VESKCALL VeskDisable(HIF hif);

/* One register. */
VESKAPI int VESKCALL VeskGetReg(HIF hif, uint8_t bReg, uint8_t *pbData, int fOverlap);
VESKAPI int VESKCALL VeskPutReg(HIF hif, uint8_t bReg, uint8_t bData, int fOverlap);

/* Read creg registers: value i from register rgbReg[i] into rgbData[i]. */
VESKAPI int VESKCALL VeskGetRegSet(HIF hif, const uint8_t *rgbReg, uint8_t *rgbData, uint32_t creg, int fOverlap);
/* Write cpair (register, value) byte pairs, in order. */
VESKAPI int VESKCALL VeskPutRegSet(HIF hif, const uint8_t *rgbPair, uint32_t cpair, int fOverlap);

/* Move cb bytes through one register, in order. */
VESKAPI int VESKCALL VeskGetRegRepeat(HIF hif, uint8_t bReg, uint8_t *pbData, uint32_t cb, int fOverlap);
VESKAPI int VESKCALL VeskPutRegRepeat(HIF hif, uint8_t bReg, const uint8_t *pbData, uint32_t cb, int fOverlap);

}

#endif /* VESK_H */
