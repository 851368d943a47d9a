// The entry module of a board-support plug-in and the board table it works
// from. Every plug-in links the same entry module (bsentry.cpp) and defines
// one BSBOARD, g_bsboard, with its tabs, logo, product names and the string
// that names the shared data folder's registry value; its resources (string
// table, logo bitmaps, dialogs) live in the plug-in's own module.
#ifndef BSBOARD_H
#define BSBOARD_H

#include <windows.h>

#include "bsplug.h"

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
    UINT idsProductBase;     // product name of variant v: string idsProductBase + v
    UINT idsRegistry;        // "Software\...\Shared\DataPath": key and value of the data folder
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
    int32_t ivariant;               // bits 19-8 of pdid
    PFNBSLOG pfnLog;
    PFNBSSETPROGRESSRANGE pfnSetProgressRange;
    PFNBSLOCKHOST pfnLockHost;
    PFNBSCONFIGUREFPGA pfnConfigureFpga;
    char szDataPath[MAX_PATH];      // the shared data folder
};

extern BSMOD g_bsmod;

// String s of the plug-in's string table into sz (cch characters); "" when absent.
char *SzBsLoad(UINT ids, char *sz, int cch);

#endif
