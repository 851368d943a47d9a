/*
 * The sixteen exports: library state, argument checks, and the operation
 * threads. An operation given a StatusCallback runs on a thread of its own
 * and reports exactly one end report, as its last action; without one it
 * runs on the caller's thread with a callback that answers go on.
 */
#include <new>
#include <string.h>

#include "brisel.h"
#include "brsys.h"
#include "chainops.h"
#include "schain.h"
#include "sztext.h"

/* The library's chain (the tests look at it through the static library). */
SCHAIN *pschainLib;

namespace {

BRSYS *psysLib;

void SleepLib(uint32_t tms)
{
    if (psysLib != nullptr)
        psysLib->SleepMs(tms);
}

void SetErc(uint32_t *perc, uint32_t erc)
{
    if (perc != nullptr)
        *perc = erc;
}

int32_t Result(uint32_t *perc, bool fOk, uint32_t ercFail)
{
    SetErc(perc, fOk ? (uint32_t)ercBriselNone : ercFail);
    return fOk ? 1 : 0;
}

typedef bool (*PFNCHAINOP)(SCHAIN *pschain, STREP &rep);

/* One started operation: what the thread runs and whom it reports to. */
struct OPRUN {
    PFNCHAINOP pfnOp;
    StatusCallback pfnStatus;
};

uint32_t OperationThread(void *pvArg)
{
    OPRUN oprun = *(OPRUN *)pvArg;
    delete (OPRUN *)pvArg;
    {
        STREP rep(oprun.pfnStatus);
        oprun.pfnOp(pschainLib, rep);
        rep.Finish();
    }
    return 0;
}

/* Run an operation as the exports do: on a thread with a callback, here without. */
int32_t RunOperation(PFNCHAINOP pfnOp, StatusCallback pfnStatus, uint32_t *perc, uint32_t ercFail)
{
    if (pfnStatus == nullptr) {
        bool fOk;
        {
            STREP rep(nullptr);
            fOk = pfnOp(pschainLib, rep);
        }
        return Result(perc, fOk, ercFail);
    }
    OPRUN *poprun = new (std::nothrow) OPRUN;
    if (poprun == nullptr)
        return Result(perc, false, ercFail);
    poprun->pfnOp = pfnOp;
    poprun->pfnStatus = pfnStatus;
    if (!psysLib->FStartThread(OperationThread, poprun)) {
        delete poprun;
        return Result(perc, false, ercFail);
    }
    return Result(perc, true, ercFail);
}

/* Common start of the operation exports: library set up, device index valid. */
bool FPrepare(const char *szDvc, int iscdvc, bool fIndexed)
{
    if (pschainLib == nullptr || szDvc == nullptr)
        return false;
    if (fIndexed && (iscdvc < 0 || iscdvc >= pschainLib->cscdvc))
        return false;
    pschainLib->FSetDvcName(szDvc);
    if (fIndexed)
        pschainLib->iscdvcSel = iscdvc;
    return true;
}

} // namespace

extern "C" {

BRISELAPI int32_t BRISELCALL BriselInit(uint32_t *perc)
{
    BRSYS *psys = PbrsysPlatform();
    JTPORT *pjtport = PjtportPlatform();
    if (psys == nullptr || pjtport == nullptr)
        return Result(perc, false, ercInitFailed);
    SCHAIN *pschain = new (std::nothrow) SCHAIN;
    if (pschain == nullptr)
        return Result(perc, false, ercInitFailed);
    if (!pschain->FInit() || !psys->FGetDataDir(pschain->szDataDir, sizeof(pschain->szDataDir))) {
        delete pschain;
        return Result(perc, false, ercInitFailed);
    }
    pschain->pjtport = pjtport;
    pschain->pfnSleepMs = SleepLib;
    psysLib = psys;
    delete pschainLib;   /* a second BriselInit starts afresh */
    pschainLib = pschain;
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselTerm(uint32_t *perc)
{
    delete pschainLib;
    pschainLib = nullptr;
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselGetBriselVersion(char *szVersion)
{
    if (szVersion == nullptr)
        return 0;
    /* The version text is a few dot-separated numbers. */
    return FGetVersionText(szVersion, 64) ? 1 : 0;
}

BRISELAPI int32_t BRISELCALL BriselInitScanChain(const char *szDvc, StatusCallback pfnStatus, uint32_t *perc)
{
    if (!FPrepare(szDvc, 0, false))
        return Result(perc, false, ercInitScanChainFailed);
    return RunOperation(FIdentifyChain, pfnStatus, perc, ercInitScanChainFailed);
}

BRISELAPI int32_t BRISELCALL BriselGetScdvcCount(int32_t *pcscdvc, uint32_t *perc)
{
    if (pschainLib == nullptr || pcscdvc == nullptr)
        return Result(perc, false, ercNullParameter);
    *pcscdvc = pschainLib->cscdvc;
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselGetJtdvc(int32_t iscdvc, JTDVC *pjtdvc, uint32_t *perc)
{
    JTDVC *pjtdvcLib = pschainLib ? pschainLib->PjtdvcFromIscdvc(iscdvc) : nullptr;
    if (pjtdvcLib == nullptr || pjtdvc == nullptr)
        return Result(perc, false, ercNullParameter);
    if (pjtdvc->cbFilter != 0 && pjtdvc->cbFilter < pjtdvcLib->cbFilter)
        return Result(perc, false, ercBufferTooSmall);
    if (pjtdvc->cbFilter != 0 && pjtdvc->szFilter == nullptr)
        return Result(perc, false, ercNullParameter);
    pjtdvc->idbmpNormal = pjtdvcLib->idbmpNormal;
    pjtdvc->idbmpHighlight = pjtdvcLib->idbmpHighlight;
    pjtdvc->idbmpDisabled = pjtdvcLib->idbmpDisabled;
    pjtdvc->idbmpFrame = pjtdvcLib->idbmpFrame;
    memcpy(pjtdvc->szName, pjtdvcLib->szName, sizeof(pjtdvc->szName));
    pjtdvc->szName[cchJtdvcName - 1] = '\0';
    pjtdvc->hmodBitmaps = HmodBrisel();
    if (pjtdvc->cbFilter != 0) {
        /* the texts one after another, then the empty text */
        const char *pchSrc = pjtdvcLib->szFilter;
        char *pchDst = pjtdvc->szFilter;
        while (*pchSrc != '\0') {
            size_t cb = strlen(pchSrc) + 1;
            memcpy(pchDst, pchSrc, cb);
            pchDst += cb;
            pchSrc += cb;
        }
        *pchDst = '\0';
    } else {
        pjtdvc->szFilter = nullptr;
        pjtdvc->cbFilter = pjtdvcLib->cbFilter;
    }
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselSetConfigFile(const char *szPath, int32_t iscdvc, uint32_t fsCheck, uint32_t *perc)
{
    SCDVC *pscdvc = pschainLib ? pschainLib->PscdvcFromIscdvc(iscdvc) : nullptr;
    if (pscdvc == nullptr)
        return Result(perc, false, ercNullParameter);
    if (szPath == nullptr) {
        pscdvc->szPath[0] = '\0';
        return Result(perc, true, 0);
    }
    const char *pchDot = PchLastDot(szPath);
    if (pchDot != nullptr && strcmp(pchDot, ".bit") == 0) {
        static const struct { bool fClear; uint32_t erc; } rgbasact[] = {
            {false, 0}, {true, ercIdcodeConflict}, {false, ercDeviceNameMismatch},
            {false, ercDeviceUnknown}, {true, ercStartupClockCclk}, {true, ercStartupClockJtag},
        };
        int bas = CheckBitAssociation(pschainLib, szPath, iscdvc, fsCheck);
        if (bas != basAccept) {
            if (rgbasact[bas].fClear)
                pscdvc->szPath[0] = '\0';
            return Result(perc, false, rgbasact[bas].erc);
        }
    }
    SzCopyBounded(pscdvc->szPath, szPath, sizeof(pscdvc->szPath));
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselProgramSC(const char *szDvc, StatusCallback pfnStatus, uint32_t *perc)
{
    if (!FPrepare(szDvc, 0, false))
        return Result(perc, false, ercProgramFailed);
    return RunOperation(FProgramChain, pfnStatus, perc, ercProgramFailed);
}

BRISELAPI int32_t BRISELCALL BriselProgramDvc(const char *szDvc, int32_t iscdvc, StatusCallback pfnStatus,
                                              uint32_t *perc)
{
    if (!FPrepare(szDvc, iscdvc, true))
        return Result(perc, false, ercProgramFailed);
    return RunOperation(FProgramDvc, pfnStatus, perc, ercProgramFailed);
}

BRISELAPI int32_t BRISELCALL BriselEraseDvc(const char *szDvc, int32_t iscdvc, StatusCallback pfnStatus,
                                            uint32_t *perc)
{
    if (!FPrepare(szDvc, iscdvc, true))
        return Result(perc, false, ercEraseFailed);
    return RunOperation(FEraseDvc, pfnStatus, perc, ercEraseFailed);
}

BRISELAPI int32_t BRISELCALL BriselVerifyDvc(const char *szDvc, int32_t iscdvc, StatusCallback pfnStatus,
                                             uint32_t *perc)
{
    if (!FPrepare(szDvc, iscdvc, true))
        return Result(perc, false, ercVerifyFailed);
    return RunOperation(FVerifyDvc, pfnStatus, perc, ercVerifyFailed);
}

BRISELAPI int32_t BRISELCALL BriselGetIDCODE(const char *szDvc, int32_t iscdvc, int32_t cLoop,
                                             StatusCallback pfnStatus, uint32_t *perc)
{
    if (!FPrepare(szDvc, iscdvc, true))
        return Result(perc, false, ercDeviceUnknown);
    pschainLib->cLoop = cLoop;
    return RunOperation(FLoopIdcode, pfnStatus, perc, ercDeviceUnknown);
}

BRISELAPI int32_t BRISELCALL BriselAbortProg(uint32_t *perc)
{
    uint32_t erc = 0;
    if (pschainLib == nullptr)
        return Result(perc, false, ercAbortFailed);
    /* The caller cancels the run, not only the transfer: chain programming
     * stops after the device it was at, as after a stop answer, and a step
     * whose failure does not end the run (the FPGA's pre-configuration)
     * ends it. The flag goes up before the transaction is aborted, so that
     * the operation finds it as soon as its port call fails. */
    bool fWasAborted = fUserAbort.exchange(true);
    bool fOk = pschainLib->FAbortOpenPort(&erc);
    if (!fOk && !fWasAborted)
        fUserAbort = false;
    return Result(perc, fOk, ercAbortFailed);
}

BRISELAPI int32_t BRISELCALL BriselSetMode(SCMODE scmode, uint32_t *perc)
{
    if (pschainLib != nullptr)
        pschainLib->scmode = scmode;
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselGetMode(SCMODE *pscmode, uint32_t *perc)
{
    if (pschainLib == nullptr || pscmode == nullptr)
        return Result(perc, false, ercNullParameter);
    *pscmode = pschainLib->scmode;
    return Result(perc, true, 0);
}

BRISELAPI int32_t BRISELCALL BriselGetIRLength(int32_t iscdvc, int32_t *pcbitIr, uint32_t *perc)
{
    SCDVC *pscdvc = pschainLib ? pschainLib->PscdvcFromIscdvc(iscdvc) : nullptr;
    if (pscdvc == nullptr || pcbitIr == nullptr)
        return Result(perc, false, ercNullParameter);
    *pcbitIr = pscdvc->cbitIr;
    return Result(perc, true, 0);
}

} // extern "C"
