/*
 * kelm.h - device manager `Kelm`: the calls the desktop program and the
 * board-support plug-ins make.
 *
 * Kelm enumerates the boards the machine can reach, answers questions about
 * them and opens an interface handle (HIF) on one of them; the handle then
 * serves the register port (vesk.h), board management and JTAG. Device
 * records and handles are the runtime's (voziri.h): DVC is 332 bytes (name
 * char[64], connection string char[261], transport word), HIF a 32-bit value.
 *
 * Every call returns nonzero for success. Calls on one handle are made one
 * after the other; each thread opens its own handle.
 */
#ifndef KELM_H
#define KELM_H

#include <stdint.h>

#include "voziri.h"

#if defined(_WIN32) && !defined(_WIN64)
#  define KELMCALL __stdcall
#else
#  define KELMCALL
#endif

#if defined(_WIN32)
#  if defined(KELM_BUILD)
#    define KELMAPI __declspec(dllexport)
#  else
#    define KELMAPI __declspec(dllimport)
#  endif
#else
#  define KELMAPI __attribute__((visibility("default")))
#endif

/* Information selectors of KelmGetInfo and the room their answers need. */
enum {
    kinfoUserName = 2,     /* text, at most 64 bytes with its terminator */
    kinfoProductName = 3,  /* text, at most 64 bytes */
    kinfoPdid = 4,         /* uint32 product identifier */
    kinfoSerial = 5,       /* text, at most 32 bytes */
    kinfoCaps = 9,         /* uint32 capability word */
};

extern "C" {

/*
 * Enumerate the devices. dtpTbl and dtpDisc choose the transports taken from
 * the device table and found by discovery (the program passes 1, 3, 0, 0).
 * *pcdvc receives the number found; the list stays readable through
 * KelmGetDvc and KelmGetInfo until KelmFreeDvcEnum.
 */
KELMAPI int KELMCALL KelmEnumDevicesEx(int *pcdvc, uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter,
                                       void *pInfoSet);
/* Copy record idvc (below the count) of the enumeration into *pdvc. */
KELMAPI int KELMCALL KelmGetDvc(int idvc, DVC *pdvc);
/* Information kinfo... of an enumerated device into pInfo (sizes above). */
KELMAPI int KELMCALL KelmGetInfo(DVC *pdvc, uint32_t kinfo, void *pInfo);
/* Release the enumeration. */
KELMAPI int KELMCALL KelmFreeDvcEnum(void);

/* Open the device with the connection string; *phif receives the handle. */
KELMAPI int KELMCALL KelmOpen(HIF *phif, const char *szConn);
/* Close a handle from KelmOpen. */
KELMAPI int KELMCALL KelmClose(HIF hif);

/* Show the device manager's own dialog, owned by hwndOwner; returns when it closes. */
KELMAPI int KELMCALL KelmOpenDvcMg(void *hwndOwner);

/* Time-out of the handle's transactions in ms; 0xFFFFFFFF waits for ever. */
KELMAPI int KELMCALL KelmSetTransTimeout(HIF hif, uint32_t tms);
/*
 * Wait up to tmsWait for the end of the handle's overlapped transfer. FALSE:
 * not finished yet (or failed: see the runtime's last error); TRUE: finished,
 * with the bytes moved each way in *pcbOut and *pcbIn.
 */
KELMAPI int KELMCALL KelmGetTransResult(HIF hif, uint32_t *pcbOut, uint32_t *pcbIn, uint32_t tmsWait);
/* Cancel the handle's running overlapped transfer. */
KELMAPI int KELMCALL KelmCancelTrans(HIF hif);

}

#endif /* KELM_H */
