// Utility routines of the window side: strings of the program's string
// table, the Windows registry routines and centring a window.
#ifndef ORRIN_SZLOAD_H
#define ORRIN_SZLOAD_H

#include <windows.h>

#include "regstore.h"

enum { cchSzLoad = 257 };

// Load string ids into one buffer shared by every caller on the window
// thread; the next call overwrites it. A missing string gives "".
const char *SzLoad(UINT ids);
// Load string ids into the caller's buffer of cchSzLoad characters (for
// threads other than the window thread).
char *SzLoadInto(UINT ids, char *sz);

// Registry routines: the value name is the last component of szPath.
BOOL FRegGetValue(HKEY hkeyRoot, const char *szPath, void *pb, DWORD cb);
BOOL FRegSetSz(HKEY hkeyRoot, const char *szPath, const char *sz);

// The Windows registry as the settings' store.
class WINREG : public REGSTORE {
public:
    BOOL FGetValue(REGROOT root, const char *szPath, void *pb, size_t cb) override;
    BOOL FSetSz(REGROOT root, const char *szPath, const char *sz) override;
};

// Centre hwnd over hwndOwner, kept inside the desktop's work area.
void CenterWindow(HWND hwnd, HWND hwndOwner);

#endif
