#include "testplat.h"

#include <chrono>
#include <thread>

#include "sztext.h"

TESTSYS *ptestsysCur;
JTPORT *pjtportCur;

bool TESTSYS::FStartThread(PFNBRTHD pfn, void *pvArg)
{
    if (fFailThreads)
        return false;
    cThreadsRunning++;
    std::thread thd([this, pfn, pvArg]() {
        pfn(pvArg);
        cThreadsRunning--;
    });
    thd.detach();
    return true;
}

bool TESTSYS::FGetDataDir(char *szPath, uint32_t cchPath)
{
    return !fFailDataDir && SzCopyBounded(szPath, strDataDir.c_str(), cchPath);
}

void TESTSYS::SleepMs(uint32_t tms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(tms));
}

BRSYS *PbrsysPlatform() { return ptestsysCur; }
JTPORT *PjtportPlatform() { return pjtportCur; }

static int bModule;
void *HmodBrisel() { return &bModule; }
bool FGetVersionText(char *szVersion, uint32_t cchVersion) { return SzCopyBounded(szVersion, "1.0.0.0", cchVersion); }
