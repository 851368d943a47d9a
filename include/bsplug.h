/*
 * bsplug.h - board-support plug-in interface of the desktop program `Orrin`.
 *
 * The program loads one plug-in library at a time, chosen by the product
 * number of the selected board ("007 - Corvale.dll" serves product 0x007),
 * binds its exports by name and hands it BSINIT. The plug-in names the
 * board's product, supplies a logo and lists the tabs: its own (with three
 * tab callbacks) and the program's own, asked for by name with all three
 * callbacks null ("Config", "Register I/O", "File I/O", "I/O Ex",
 * "Settings").
 *
 * Every record begins with its own size in bytes, which the receiving side
 * checks. The layouts are those of the 32-bit build (4-byte alignment); the
 * 64-bit build keeps natural alignment with the same field order. Truth
 * values that cross the interface are one byte wide: only the low 8 bits
 * count. On 32-bit Windows every function uses __stdcall and the exports
 * carry undecorated names.
 */
#ifndef BSPLUG_H
#define BSPLUG_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  define BSCALL __stdcall
#else
#  define BSCALL
#endif

#if defined(_WIN32)
#  define BSEXPORT __declspec(dllexport)
#else
#  define BSEXPORT __attribute__((visibility("default")))
#endif

typedef struct HWND__ *BSHWND;      /* a window handle (HWND) */
typedef struct HINSTANCE__ *BSHINST; /* a module handle (HINSTANCE) */

enum {
    cbBsinit = 292,          /* sizes the 32-bit build gives each record */
    cbDbs = 80,
    cbBslogo = 16,
    cchBsConn = 261,         /* connection string with its terminator */
    cchBsTabName = 64,       /* tab name with its terminator */
    cchBsProductMin = 257,   /* room FGetSzProduct needs */
};

/* Host callbacks, handed over in BSINIT; a plug-in may call them from any thread. */
typedef int32_t(BSCALL *PFNBSLOG)(const char *sz);
typedef int32_t(BSCALL *PFNBSSETPROGRESSRANGE)(int32_t nUnused, int32_t n);
typedef int32_t(BSCALL *PFNBSLOCKHOST)(uint8_t fLock);
typedef uint8_t(BSCALL *PFNBSCONFIGUREFPGA)(int32_t idvc, const char *szPath);

/* Tab callbacks of a plug-in's own tab; the host calls them on its window thread. */
typedef BSHWND(BSCALL *PFNDBSCREATE)(BSHWND hwndParent);
typedef uint8_t(BSCALL *PFNDBSDESTROY)(void);
typedef uint8_t(BSCALL *PFNDBSSTOP)(void);

/* Filled by the host, passed to FInit. */
typedef struct BSINIT {
    uint32_t cb;                 /* cbBsinit in 32-bit builds; sizeof(BSINIT) */
    uint32_t pdid;               /* product number 31-20, variant 19-8, firmware id 7-0 */
    uint32_t dwInfo;             /* the device manager's information 9, unread */
    char szConn[cchBsConn];      /* connection string of the selected device */
    PFNBSLOG pfnLog;
    PFNBSSETPROGRESSRANGE pfnSetProgressRange;
    PFNBSLOCKHOST pfnLockHost;
    PFNBSCONFIGUREFPGA pfnConfigureFpga;
} BSINIT;

/* One tab: allocated by the host with cb set, filled by FGetDbs. */
typedef struct DBS {
    uint32_t cb;                 /* cbDbs in 32-bit builds; sizeof(DBS) */
    char szName[cchBsTabName];
    PFNDBSCREATE pfnCreate;      /* all three null: a tab of the host, by name */
    PFNDBSDESTROY pfnDestroy;
    PFNDBSSTOP pfnStop;
} DBS;

/* The board logo: held by the host with cb set, filled by FGetBslogo. */
typedef struct BSLOGO {
    uint32_t cb;                 /* cbBslogo in 32-bit builds; sizeof(BSLOGO) */
    uint32_t idBitmap1;          /* logo picture (low 16 bits: resource id) */
    uint32_t idBitmap2;          /* its mask: white where the logo shows */
    BSHINST hinst;               /* the module holding both */
} BSLOGO;

#if defined(__cplusplus)
#  define BSPLUG_STATIC_ASSERT static_assert
#else
#  define BSPLUG_STATIC_ASSERT _Static_assert
#endif
#if UINTPTR_MAX == 0xFFFFFFFFu
BSPLUG_STATIC_ASSERT(sizeof(BSINIT) == cbBsinit, "BSINIT is 292 bytes in 32-bit builds");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, szConn) == 12, "BSINIT.szConn");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnLog) == 276, "BSINIT.pfnLog");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnSetProgressRange) == 280, "BSINIT.pfnSetProgressRange");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnLockHost) == 284, "BSINIT.pfnLockHost");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnConfigureFpga) == 288, "BSINIT.pfnConfigureFpga");
BSPLUG_STATIC_ASSERT(sizeof(DBS) == cbDbs, "DBS is 80 bytes in 32-bit builds");
BSPLUG_STATIC_ASSERT(offsetof(DBS, pfnCreate) == 68, "DBS.pfnCreate");
BSPLUG_STATIC_ASSERT(offsetof(DBS, pfnDestroy) == 72, "DBS.pfnDestroy");
BSPLUG_STATIC_ASSERT(offsetof(DBS, pfnStop) == 76, "DBS.pfnStop");
BSPLUG_STATIC_ASSERT(sizeof(BSLOGO) == cbBslogo, "BSLOGO is 16 bytes in 32-bit builds");
BSPLUG_STATIC_ASSERT(offsetof(BSLOGO, hinst) == 12, "BSLOGO.hinst");
#else
BSPLUG_STATIC_ASSERT(sizeof(BSINIT) == 312, "BSINIT is 312 bytes in 64-bit builds");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, szConn) == 12, "BSINIT.szConn");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnLog) == 280, "BSINIT.pfnLog");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnSetProgressRange) == 288, "BSINIT.pfnSetProgressRange");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnLockHost) == 296, "BSINIT.pfnLockHost");
BSPLUG_STATIC_ASSERT(offsetof(BSINIT, pfnConfigureFpga) == 304, "BSINIT.pfnConfigureFpga");
BSPLUG_STATIC_ASSERT(sizeof(DBS) == 96, "DBS is 96 bytes in 64-bit builds");
BSPLUG_STATIC_ASSERT(offsetof(DBS, pfnCreate) == 72, "DBS.pfnCreate");
BSPLUG_STATIC_ASSERT(offsetof(DBS, pfnDestroy) == 80, "DBS.pfnDestroy");
BSPLUG_STATIC_ASSERT(offsetof(DBS, pfnStop) == 88, "DBS.pfnStop");
BSPLUG_STATIC_ASSERT(sizeof(BSLOGO) == 24, "BSLOGO is 24 bytes in 64-bit builds");
BSPLUG_STATIC_ASSERT(offsetof(BSLOGO, hinst) == 16, "BSLOGO.hinst");
#endif

/* The exports of every plug-in, bound by these names. */
typedef uint8_t(BSCALL *PFNBSFINIT)(BSINIT *pbsinit);
typedef void(BSCALL *PFNBSTERM)(void);
typedef int32_t(BSCALL *PFNBSCDBS)(void);
typedef uint8_t(BSCALL *PFNBSFGETDBS)(int32_t idbs, DBS *pdbs);
typedef uint8_t(BSCALL *PFNBSFGETBSLOGO)(BSLOGO *pbslogo);
typedef int32_t(BSCALL *PFNBSCCHPRODUCT)(void);
typedef uint8_t(BSCALL *PFNBSFGETSZPRODUCT)(char *szProduct);

/* Declared for the plug-ins themselves (BSPLUG_BUILD); the host binds by name. */
#if defined(BSPLUG_BUILD)
#if defined(__cplusplus)
extern "C" {
#endif
BSEXPORT uint8_t BSCALL FInit(BSINIT *pbsinit);
BSEXPORT void BSCALL Term(void);
BSEXPORT int32_t BSCALL Cdbs(void);
BSEXPORT uint8_t BSCALL FGetDbs(int32_t idbs, DBS *pdbs);
BSEXPORT uint8_t BSCALL FGetBslogo(BSLOGO *pbslogo);
BSEXPORT int32_t BSCALL CchProduct(void);
BSEXPORT uint8_t BSCALL FGetSzProduct(char *szProduct);
#if defined(__cplusplus)
}
#endif
#endif /* BSPLUG_BUILD */

#endif /* BSPLUG_H */
