// SCLIB: the program's binding of the scan-chain library. The library is
// opened at start-up (BriselInit, mode 15) and closed when the object is
// deleted at shut-down (BriselTerm). The chain requests (initialise,
// program, erase, device ID) go to the worker (wrkthd.h); associating a
// configuration file with a chain device asks the user what the library's
// checks leave open.
#ifndef ORRIN_SCLIB_H
#define ORRIN_SCLIB_H

#include <windows.h>
#include <stdint.h>

enum { scmodeProgram = 15 };

class SCLIB {
public:
    SCLIB();
    ~SCLIB();   // BriselTerm when the library was opened
    BOOL FInit();
    void Term();

    BOOL FInitChain(HWND hwnd);
    BOOL FProgram(HWND hwnd, int iscdvc);
    BOOL FErase(HWND hwnd, int iscdvc);
    BOOL FGetId(HWND hwnd, int iscdvc);
    // Asks for the number of reads (dialog 112) first.
    BOOL FLoopId(HWND hwnd, int iscdvc);
    BOOL FAbort();
    BOOL FSetConfigFile(HWND hwndOwner, const char *szFile, int iscdvc, uint32_t fsCheck);

private:
    BOOL fOpen;
};

#endif
