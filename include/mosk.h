/*
 * mosk.h - board management `Mosk`: the FPGA's configuration reset and the
 * measured supply rails of a board, reached through an interface handle
 * opened with KelmOpen (kelm.h). No enable step is needed.
 *
 * Every call returns nonzero for success; a failure leaves its code in the
 * runtime's last error (TvxGetLastError, vozerc.h).
 */
#ifndef MOSK_H
#define MOSK_H

#include <stdint.h>

#include "voziri.h"

#if defined(_WIN32) && !defined(_WIN64)
#  define MOSKCALL __stdcall
#else
#  define MOSKCALL
#endif

#if defined(_WIN32)
#  if defined(MOSK_BUILD)
#    define MOSKAPI __declspec(dllexport)
#  else
#    define MOSKAPI __declspec(dllimport)
#  endif
#else
#  define MOSKAPI __attribute__((visibility("default")))
#endif

enum { cchMoskRailLabel = 32 };   /* room of a rail label, terminator included */

extern "C" {

/* fAssert nonzero: hold the FPGA's configuration in reset (clearing it); 0: release. */
MOSKAPI int MOSKCALL MoskConfigReset(HIF hif, int fAssert);
/* Number of measured supply rails. */
MOSKAPI int MOSKCALL MoskGetPowerSupplyCount(HIF hif, int *pcrail);
/*
 * Scale factors of rail irail: volts = raw voltage x *pkV / 1 000 000,
 * amperes = raw current x *pkI / 1 000 000 (both signed 32-bit). pkV may
 * be NULL (a board that measures current only). The last two pointers are
 * reserved (NULL).
 */
MOSKAPI int MOSKCALL MoskGetPowerSupplyProperties(HIF hif, int irail, uint32_t *pkV, uint32_t *pkI,
                                                  void *pvReserved1, void *pvReserved2);
/* Name of rail irail into szLabel (cchMoskRailLabel bytes, always terminated). */
MOSKAPI int MOSKCALL MoskGetPowerSupplyLabel(HIF hif, int irail, char *szLabel);
/* One reading of rail irail (prawV may be NULL); the last three pointers are reserved (NULL). */
MOSKAPI int MOSKCALL MoskGetPowerSupplyData(HIF hif, int irail, uint32_t *prawV, uint32_t *prawI,
                                            void *pvReserved1, void *pvReserved2, void *pvReserved3);

}

#endif /* MOSK_H */
