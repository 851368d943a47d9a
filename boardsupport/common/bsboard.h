// The entry module of a board-support plug-in and what it works from. Every
// plug-in links the same entry module (bsentry.cpp) and defines one BSBOARD,
// g_bsboard: its tabs with their callbacks, logo, product names and the
// strings that name the shared data folder's registry value and the board's
// test image. The eight board plug-ins make theirs from their board table
// (BsboardFrom, bsviews.h); their resources (string table, logo bitmaps,
// dialogs) live in the plug-in's own module.
#ifndef BSBOARD_H
#define BSBOARD_H

#include <windows.h>

#include "bsplug.h"
#include "bsrecord.h"

// One tab: its name string and, for a tab of the plug-in's own, the three
// tab callbacks (all null for a tab of the program, asked for by name).
struct BSTAB {
    UINT idsName;
    PFNDBSCREATE pfnCreate;
    PFNDBSDESTROY pfnDestroy;
    PFNDBSSTOP pfnStop;
};

struct BSBOARD {
    int32_t ctab;
    const BSTAB *rgtab;
    uint32_t idbmpLogo, idbmpMask;
    UINT idsProductBase;     // product name of variant v: string idsProductBase + v,
    int32_t cvariantNamed;   // for the variants below this count
    UINT idsRegistry;        // "Software\...\Shared\DataPath": key and value of the data folder
    UINT idsTestImage;       // the test image's name with "%d" for the variant; 0: none
    // The plug-in's views: made by FInit after the module state is set
    // (FALSE fails FInit), deleted by Term (also after a failed FInit).
    // Either may be null.
    BOOL (*pfnInitViews)();
    void (*pfnTermViews)();
};

extern const BSBOARD g_bsboard;

// What the plug-in's views share: written by the library entry and FInit.
struct BSMOD {
    HINSTANCE hinst;
    uint32_t pdid;
    uint32_t dwInfo;
    char szConn[cchBsConn];
    int32_t ivariant;                   // bits 19-8 of pdid
    PFNBSLOG pfnLog;
    PFNBSSETPROGRESSRANGE pfnSetProgressRange;
    PFNBSLOCKHOST pfnLockHost;
    PFNBSCONFIGUREFPGA pfnConfigureFpga;
    char szDataPath[cbBsDataMax + 1];   // the shared data folder, always terminated
    char szTestImage[cchBsTestImage];   // the board's test design, "" when none
};

extern BSMOD g_bsmod;

#endif
