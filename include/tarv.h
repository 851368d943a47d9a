/*
 * tarv.h - JTAG port `Tarv` of an interface handle opened with KelmOpen
 * (kelm.h).
 *
 * Returns nonzero for success; a failure leaves its code in the runtime's
 * last error (TvxGetLastError, vozerc.h).
 */
#ifndef TARV_H
#define TARV_H

#include <stdint.h>

#include "voziri.h"

#if defined(_WIN32) && !defined(_WIN64)
#  define TARVCALL __stdcall
#else
#  define TARVCALL
#endif

#if defined(_WIN32)
#  if defined(TARV_BUILD)
#    define TARVAPI __declspec(dllexport)
#  else
#    define TARVAPI __declspec(dllimport)
#  endif
#else
#  define TARVAPI __attribute__((visibility("default")))
#endif

extern "C" {

/*
 * Release the device's JTAG port, so that the board's own logic drives the
 * chain again (a port that is not enabled counts as released), and give back
 * the handle's JTAG capability.
 */
TARVAPI int TARVCALL TarvDisable(HIF hif);

}

#endif /* TARV_H */
