// SCLIB: the program's binding of the scan-chain library. The library is
// opened at start-up (BriselInit, mode 15) and closed when the object is
// deleted at shut-down (BriselTerm). The chain requests (initialise,
// program, erase, device ID) join here with the worker's request handling.
#ifndef ORRIN_SCLIB_H
#define ORRIN_SCLIB_H

#include <windows.h>

enum { scmodeProgram = 15 };

class SCLIB {
public:
    SCLIB();
    ~SCLIB();   // BriselTerm when the library was opened
    BOOL FInit();
    void Term();

private:
    BOOL fOpen;
};

#endif
