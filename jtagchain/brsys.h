/*
 * brsys.h - what the scan-chain library takes from the operating-system
 * layer and the JTAG port, as the exports use them. The shared library
 * supplies the OS-abstraction library's objects and the JTAG utility
 * library; tests supply their own.
 */
#ifndef JTAGCHAIN_BRSYS_H
#define JTAGCHAIN_BRSYS_H

#include <stdint.h>

#include "jtport.h"

typedef uint32_t (*PFNBRTHD)(void *pvArg);

class BRSYS {
public:
    virtual ~BRSYS() {}
    /* Start pfn(pvArg) on a thread of its own that nobody waits for. */
    virtual bool FStartThread(PFNBRTHD pfn, void *pvArg) = 0;
    /* The shared data directory, ending with a path separator. */
    virtual bool FGetDataDir(char *szPath, uint32_t cchPath) = 0;
    virtual void SleepMs(uint32_t tms) = 0;
};

/* The platform's objects, null when they are missing (defined by the
 * shared library, or by the tests). */
BRSYS *PbrsysPlatform();
JTPORT *PjtportPlatform();
/* The library's module (bitmaps and version), null when there is none. */
void *HmodBrisel();
/* The version text of the library, null when it has none. */
bool FGetVersionText(char *szVersion, uint32_t cchVersion);

#endif
