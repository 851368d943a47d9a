/*
 * util.cpp - ABSUTIL: last error, ids, process identity, tick, sleep and
 * the paths.
 *
 * Paths come from YORL_DATADIR, YORL_FWDIR and YORL_DEVTBL when set (read at
 * every call, so a test may redirect them at any time), else from the
 * installed layout the backend knows. Directories always end with a
 * separator.
 */
#include "yorli.h"

namespace {

bool FGetPath(const char *szVar, char kind, bool fDir, char *szPath, uint32_t cchPath)
{
    if (szPath == NULL || cchPath == 0)
        return FYorlFail(ercAbsInvalidParameter);
    std::string sz = SzYorlEnv(szVar);
    if (sz.empty() && !FYbDefaultPath(kind, &sz))
        return FYorlFail(ercAbsNotFound);
    if (fDir)
        sz = SzYorlDirSep(sz);
    return FYorlCopyOut(sz, szPath, cchPath);
}

}  // namespace

ABSUTIL::~ABSUTIL() {}
bool ABSUTIL::Init() { return true; }
bool ABSUTIL::Term() { return true; }
uint32_t ABSUTIL::GetIdProcess() { return YbIdProcess(); }
uint32_t ABSUTIL::GetIdThread() { return YbIdThread(); }

bool ABSUTIL::FGetFirmwareDir(char *szPath, uint32_t cchPath)
{
    return FGetPath("YORL_FWDIR", 'f', true, szPath, cchPath);
}

bool ABSUTIL::FGetDataDir(char *szPath, uint32_t cchPath)
{
    return FGetPath("YORL_DATADIR", 'd', true, szPath, cchPath);
}

bool ABSUTIL::FGetDevTblPath(char *szPath, uint32_t cchPath)
{
    return FGetPath("YORL_DEVTBL", 't', false, szPath, cchPath);
}

bool ABSUTIL::FReserved8() { return FYorlFail(ercAbsFailed); }
uint32_t ABSUTIL::GetLastErc() { return YbGetErc(); }
bool ABSUTIL::FReserved10() { return FYorlFail(ercAbsFailed); }
bool ABSUTIL::FReserved11() { return FYorlFail(ercAbsFailed); }

uint32_t ABSUTIL::GetTickMs()
{
    return (uint32_t)YbTickMs() + TmsYorlTickOffset();
}

void ABSUTIL::SetLastErc(uint32_t erc) { YbSetErc(erc); }
void ABSUTIL::SleepMs(uint32_t tms) { YbSleepMs(tms); }

bool ABSUTIL::FGetPrcid(ABSPRCID *pprcid)
{
    if (pprcid == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    uint32_t idProcess = YbIdProcess();
    uint64_t tStart = 0;
    if (PrcstYbProcess(idProcess, &tStart) != prcstRunning)
        return FYorlFail(ercAbsFailed);
    pprcid->idProcess = idProcess;
    pprcid->tStartLo = (uint32_t)tStart;
    pprcid->tStartHi = (uint32_t)(tStart >> 32);
    return true;
}

bool ABSUTIL::FPrcidEnded(const ABSPRCID *pprcid)
{
    if (pprcid == NULL || pprcid->idProcess == 0)
        return false;
    uint64_t tStart = 0;
    switch (PrcstYbProcess(pprcid->idProcess, &tStart)) {
    case prcstEnded:
        return true;
    case prcstRunning:
        return tStart != ((uint64_t)pprcid->tStartHi << 32 | pprcid->tStartLo);
    default:
        return false;
    }
}
