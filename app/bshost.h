// The board-support plug-in records as the host holds them: BSLOGO, DBS and
// the six entry points it binds by name. The 32-bit layouts are the
// interface's; the 64-bit build of the program keeps natural alignment.
//
// TODO: take these from the plug-in interface's public header once it
// exists, so that host and plug-ins share one definition.
#ifndef ORRIN_BSHOST_H
#define ORRIN_BSHOST_H

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#if defined(_WIN64)
#  define BSCALL
#else
#  define BSCALL __stdcall
#endif

typedef HWND(BSCALL *PFNDBSCREATE)(HWND hwndParent);
typedef void(BSCALL *PFNDBSDESTROY)(void);
typedef void(BSCALL *PFNDBSSTOP)(void);

struct DBS {
    uint32_t cb;                // 80 (32-bit)
    char szName[64];
    PFNDBSCREATE pfnCreate;     // all three null: a page of the host, by name
    PFNDBSDESTROY pfnDestroy;
    PFNDBSSTOP pfnStop;
};

struct BSLOGO {
    uint32_t cb;                // 16 (32-bit)
    uint32_t idBitmap1;         // logo picture
    uint32_t idBitmap2;         // its mask
    HINSTANCE hinst;            // module holding both
};

struct BSINIT;

typedef uint8_t(BSCALL *PFNBSFINIT)(BSINIT *pbsinit);
typedef void(BSCALL *PFNBSTERM)(void);
typedef int32_t(BSCALL *PFNBSCDBS)(void);
typedef uint8_t(BSCALL *PFNBSFGETDBS)(int32_t idbs, DBS *pdbs);
typedef uint8_t(BSCALL *PFNBSFGETBSLOGO)(BSLOGO *pbslogo);
typedef uint8_t(BSCALL *PFNBSFGETSZPRODUCT)(char *szProduct);

#if !defined(_WIN64)
static_assert(sizeof(DBS) == 80 && offsetof(DBS, pfnCreate) == 68 && offsetof(DBS, pfnStop) == 76, "DBS");
static_assert(sizeof(BSLOGO) == 16 && offsetof(BSLOGO, hinst) == 12, "BSLOGO");
#else
static_assert(sizeof(DBS) == 96 && offsetof(DBS, pfnCreate) == 72, "DBS, 64-bit");
static_assert(sizeof(BSLOGO) == 24 && offsetof(BSLOGO, hinst) == 16, "BSLOGO, 64-bit");
#endif

#endif
