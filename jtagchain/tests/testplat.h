/*
 * testplat.h - the platform of the exports in the tests: threads of the
 * C++ library, a data directory of the test's choice, and a JTAG port over
 * the chain model.
 */
#ifndef JTAGCHAIN_TESTS_TESTPLAT_H
#define JTAGCHAIN_TESTS_TESTPLAT_H

#include <atomic>
#include <string>

#include "brsys.h"

class TESTSYS : public BRSYS {
public:
    bool FStartThread(PFNBRTHD pfn, void *pvArg);
    bool FGetDataDir(char *szPath, uint32_t cchPath);
    void SleepMs(uint32_t tms);
    std::string strDataDir;
    bool fFailThreads = false;
    bool fFailDataDir = false;
    std::atomic<int> cThreadsRunning{0};
};

/* What PbrsysPlatform and PjtportPlatform give (null: missing). */
extern TESTSYS *ptestsysCur;
extern JTPORT *pjtportCur;

#endif
