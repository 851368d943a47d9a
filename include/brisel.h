/*
 * brisel.h - JTAG scan-chain library.
 *
 * Models the JTAG scan chain behind one device and identifies, programs,
 * erases and verifies the chain's devices. Every export returns nonzero for
 * success and writes an error code (0 = none) through its last argument.
 *
 * A long operation (BriselInitScanChain, BriselProgramSC, BriselProgramDvc,
 * BriselEraseDvc, BriselVerifyDvc, BriselGetIDCODE) given a StatusCallback
 * runs on a thread of its own: the export returns at once and the operation
 * reports its progress and exactly one end report (sent last) through the
 * callback, on that thread. Without a callback it runs on the caller's
 * thread and the export gives the result.
 *
 * Chain index 0 is the device nearest TDI.
 */
#ifndef BRISEL_H
#define BRISEL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  define BRISELCALL __stdcall
#else
#  define BRISELCALL
#endif

#if defined(_WIN32)
#  if defined(BRISEL_BUILD)
#    define BRISELAPI
#  else
#    define BRISELAPI __declspec(dllimport)
#  endif
#else
#  define BRISELAPI __attribute__((visibility("default")))
#endif

/* Status codes: first argument of the StatusCallback. */
enum {
    stcIdcode = 2000,            /* a device identified / one IDCODE-loop round (IDCODE or -1) */
    stcQueryContinue = 2001,     /* before each IDCODE word: answer false to stop */
    stcDone = 2002,              /* end: success */
    stcFailed = 2003,            /* end: failure, JTAG error or stop */
    stcConnecting = 2004,        /* the caller's own code */
    stcCancelling = 2005,        /* the caller's own code */
    stcProgress = 2006,          /* one step of a long transfer (value: step index) */
    stcProgressRange = 2007,     /* a long transfer starts (value: number of steps) */
    stcVerifying = 2008,
    stcStatusBad = 2009,         /* end: FPGA not configured */
    stcStatusGood = 2010,        /* end: FPGA configured */
    stcChainProgrammed = 2011,   /* end of BriselProgramSC (value: devices programmed) */
    stcFileReadFailed = 2012,
    stcFileNotFound = 2013,
    stcLoadingFile = 2014,
    stcProgrammingDevice = 2015,
    stcChainMismatch = 2017,
    stcLongCommand = 2018,
    stcEraseStart = 2020,
    stcEraseEnd = 2021,
    stcNoMapFile = 2022,
};

/* Error codes: last argument of the exports (also status 1016). */
enum {
    ercBriselNone = 0,
    ercInitScanChainFailed = 1001,
    ercProgramFailed = 1004,
    ercEraseFailed = 1005,
    ercAbortFailed = 1007,
    ercIdcodeConflict = 1008,
    ercDeviceUnknown = 1009,
    ercDeviceNameMismatch = 1010,
    ercBufferTooSmall = 1012,
    ercInitFailed = 1013,
    ercStartupClockCclk = 1014,
    ercStartupClockJtag = 1015,
    ercVerifyFailed = 1016,
    ercNullParameter = 1017,
};

/* Status callback: nonzero (one byte) means go on. */
typedef uint8_t (BRISELCALL *StatusCallback)(int32_t stc, int32_t lValue);

/* SCMODE, the mode word. */
typedef uint32_t SCMODE;
enum {
    scmodePromWaitMask = 0x0000000F,  /* 15: PROM waits / 5, 8: / 2, other: as specified */
    scmodeSecurityMask = 0x00000030,  /* CoolRunner-II security pattern 0..3 */
    scmodeSecurityShift = 4,
};

/* Bitmap resource ids of the device pictures (35 x 35, 16 colours). */
enum {
    idbmpCpldDisabled = 102,
    idbmpCpldHighlight = 103,
    idbmpCpldNormal = 104,
    idbmpFrame = 105,
    idbmpFpgaNormal = 106,
    idbmpFpgaDisabled = 107,
    idbmpFpgaHighlight = 108,
    idbmpPromNormal = 109,
    idbmpPromDisabled = 110,
    idbmpPromHighlight = 111,
    idbmpUnknown = 112,
    idbmpBlankWhite = 113,
    idbmpMisc = 114,
    idbmpBlankRed = 115,
};

enum { cchJtdvcName = 32 };

/* Description of one chain device. */
typedef struct JTDVC {
    int32_t cbFilter;            /* in: caller's filter buffer size (0 asks); lib: size the list needs */
    char *szFilter;              /* file-dialog filter pairs, ended by an empty text */
    int32_t idbmpNormal;
    int32_t idbmpHighlight;
    int32_t idbmpDisabled;
    int32_t idbmpFrame;
    char szName[cchJtdvcName];
    void *hmodBitmaps;           /* module holding the bitmaps: the library */
} JTDVC;

#if defined(__cplusplus)
#  define BRISEL_STATIC_ASSERT static_assert
#else
#  define BRISEL_STATIC_ASSERT _Static_assert
#endif
#if UINTPTR_MAX == 0xFFFFFFFFu
BRISEL_STATIC_ASSERT(sizeof(JTDVC) == 60, "JTDVC is 60 bytes in 32-bit builds");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, szFilter) == 4, "JTDVC.szFilter");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, idbmpNormal) == 8, "JTDVC.idbmpNormal");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, idbmpFrame) == 20, "JTDVC.idbmpFrame");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, szName) == 24, "JTDVC.szName");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, hmodBitmaps) == 56, "JTDVC.hmodBitmaps");
#else
BRISEL_STATIC_ASSERT(sizeof(JTDVC) == 72, "JTDVC is 72 bytes in 64-bit builds");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, szFilter) == 8, "JTDVC.szFilter");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, idbmpNormal) == 16, "JTDVC.idbmpNormal");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, idbmpFrame) == 28, "JTDVC.idbmpFrame");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, szName) == 32, "JTDVC.szName");
BRISEL_STATIC_ASSERT(offsetof(JTDVC, hmodBitmaps) == 64, "JTDVC.hmodBitmaps");
#endif
BRISEL_STATIC_ASSERT(offsetof(JTDVC, cbFilter) == 0, "JTDVC.cbFilter");
BRISEL_STATIC_ASSERT(sizeof(SCMODE) == 4, "SCMODE is 32 bits");

#ifdef __cplusplus
extern "C" {
#endif

BRISELAPI int32_t BRISELCALL BriselInit(uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselTerm(uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselGetBriselVersion(char *szVersion);
BRISELAPI int32_t BRISELCALL BriselInitScanChain(const char *szDvc, StatusCallback pfnStatus, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselGetScdvcCount(int32_t *pcscdvc, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselGetJtdvc(int32_t iscdvc, JTDVC *pjtdvc, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselSetConfigFile(const char *szPath, int32_t iscdvc, uint32_t fsCheck,
                                                 uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselProgramSC(const char *szDvc, StatusCallback pfnStatus, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselProgramDvc(const char *szDvc, int32_t iscdvc, StatusCallback pfnStatus,
                                              uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselEraseDvc(const char *szDvc, int32_t iscdvc, StatusCallback pfnStatus,
                                            uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselVerifyDvc(const char *szDvc, int32_t iscdvc, StatusCallback pfnStatus,
                                             uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselGetIDCODE(const char *szDvc, int32_t iscdvc, int32_t cLoop,
                                             StatusCallback pfnStatus, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselAbortProg(uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselSetMode(SCMODE scmode, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselGetMode(SCMODE *pscmode, uint32_t *perc);
BRISELAPI int32_t BRISELCALL BriselGetIRLength(int32_t iscdvc, int32_t *pcbitIr, uint32_t *perc);

#ifdef __cplusplus
}
#endif

#endif /* BRISEL_H */
