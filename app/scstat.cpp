// SCSTAT: the status handlers of the scan-chain requests.

#include "scstat.h"

#include <stdio.h>
#include <string.h>

#include "brisel.h"
#include "strtext.h"

SCSTAT::SCSTAT() : rqt(rqtNone), cLoop(0), iLoop(-1), szId(), cidcode(0), fReported(0), rgidcode() {}

void SCSTAT::Begin(uint32_t rqtNew, int cLoopNew)
{
    rqt = rqtNew;
    fReported = 0;
    if (rqt == rqtInitChain)
        cidcode = 0;
    if (rqt == rqtGetId) {
        cLoop = cLoopNew;
        iLoop = -1;
    }
}

void SCSTAT::IdText(uint32_t id, char *sz)
{
    snprintf(sz, cchIdText, "%08x", id);
}

uint8_t SCSTAT::FStatus(SCSINK *psink, int32_t stc, int32_t value)
{
    switch (rqt) {
    case rqtProgram:
        return FProgramStatus(psink, stc, value);
    case rqtErase:
        return FEraseStatus(psink, stc);
    case rqtInitChain:
        return FInitChainStatus(psink, stc, value);
    case rqtGetId:
        return FIdStatus(psink, stc, value);
    default:
        return 0;
    }
}

// The first failure report of a request is shown; later ones are not.
BOOL SCSTAT::FGuard()
{
    if (fReported)
        return FALSE;
    fReported = 1;
    return TRUE;
}

// Completion: the requesting window handles the command, then the operation ends.
void SCSTAT::Finish(SCSINK *psink, int id, int value)
{
    psink->Complete(id, value);
    psink->FEndRunning();
}

uint8_t SCSTAT::FProgramStatus(SCSINK *psink, int32_t stc, int32_t value)
{
    switch (stc) {
    case stcQueryContinue:
    case stcLoadingFile:
    case stcProgrammingDevice:
    case stcEraseEnd:
        return 1;
    case stcDone:
        psink->Line(SZ_SC_PROGOK);
        psink->SetPos(0);
        Finish(psink, cmdDoneProgram, 0);
        return 0;
    case stcStatusGood:
        psink->SetPos(0);
        psink->Line(SZ_SC_PROGOK);
        Finish(psink, cmdDoneProgram, 0);
        return 0;
    case stcFailed:
        if (FGuard()) {
            psink->Line(SZ_SC_PROGFAILED);
            psink->SetPos(0);
            Finish(psink, cmdDoneProgram, ercDoneProgram);
        }
        return 0;
    case stcStatusBad:
        psink->SetPos(0);
        psink->Line(SZ_SC_VERIFYFAILED);
        Finish(psink, cmdDoneProgram, ercDoneProgram);
        return 0;
    case stcProgress:
        psink->SetPos(value);
        return 1;
    case stcProgressRange:
        psink->SetPos(0);
        psink->SetRange(value);
        psink->Line(SZ_SC_PROGRAMMING);
        return 1;
    case stcVerifying:
        psink->Line(SZ_SC_VERIFYING);
        return 1;
    case stcFileReadFailed:
        psink->Line(SZ_SC_READFAILED);
        return 1;
    case stcFileNotFound:
        psink->Line(SZ_SC_NOTFOUND);
        return 1;
    case stcChainMismatch:
        psink->Line(SZ_SC_MISMATCH);
        return 1;
    case stcLongCommand:
        psink->Line(SZ_SC_LONGCMD);
        return 1;
    case stcEraseStart:
        psink->Line(SZ_SC_ERASING);
        return 1;
    case stcNoMapFile:
        psink->Line(SZ_SC_NOMAPFILE);
        return 1;
    default:
        return 0;
    }
}

uint8_t SCSTAT::FEraseStatus(SCSINK *psink, int32_t stc)
{
    switch (stc) {
    case stcQueryContinue:
    case stcProgrammingDevice:
    case stcEraseEnd:
        return 1;
    case stcDone:
        psink->Line(SZ_SC_ERASEOK);
        Finish(psink, cmdDoneErase, 0);
        return 0;
    case stcFailed:
        if (FGuard()) {
            psink->Line(SZ_SC_ERASEFAILED);
            Finish(psink, cmdDoneErase, ercDoneErase);
        }
        return 0;
    case stcChainMismatch:
        psink->Line(SZ_SC_MISMATCH);
        return 1;
    case stcEraseStart:
        psink->Line(SZ_SC_ERASING);
        return 1;
    default:
        return 0;
    }
}

// Unlike the others, the operation ends before the completion command, so
// the worker can take the next request while the window handles it.
uint8_t SCSTAT::FInitChainStatus(SCSINK *psink, int32_t stc, int32_t value)
{
    switch (stc) {
    case stcIdcode:
        if (psink->FChainReport()) {
            char sz[cchIdText + 32];
            IdText(static_cast<uint32_t>(value), szId);
            snprintf(sz, sizeof(sz), SZ_SC_FOUNDID, szId);
            psink->Line(sz);
        }
        if (cidcode < cidcodeMax)
            rgidcode[cidcode++] = static_cast<uint32_t>(value);
        return 1;
    case stcDone:
        if (psink->FChainReport())
            psink->Line(SZ_SC_INITDONE);
        psink->FEndThenComplete(cmdDoneInitChain, 0);
        return 0;
    case stcFailed:
        if (!FGuard())
            return 1;
        if (psink->FChainReport())
            psink->Line(SZ_SC_INITFAILED);
        psink->FEndThenComplete(cmdDoneInitChain, ercDoneInitChain);
        return 0;
    default:
        return 1;
    }
}

uint8_t SCSTAT::FIdStatus(SCSINK *psink, int32_t stc, int32_t value)
{
    char sz[2 * cchIdText];
    switch (stc) {
    case stcQueryContinue:
        if (cLoop > 1 && iLoop == -1) {
            psink->SetPos(0);
            psink->SetRange(10000);
            iLoop = 0;
        }
        if (iLoop == -1)
            iLoop = 0;
        return 1;
    case stcIdcode:
        if (iLoop == 0) {
            if (value == -1)
                snprintf(szId, sizeof(szId), "Invalid");
            else
                IdText(static_cast<uint32_t>(value), szId);
        }
        if (cLoop != 1) {
            iLoop++;
            psink->SetPos(cLoop > 0 ? static_cast<int>(static_cast<int64_t>(iLoop) * 10000 / cLoop) : 0);
        }
        return 1;
    case stcDone:
        if (!fReported) {
            if (cLoop == 1) {
                snprintf(sz, sizeof(sz), SZ_SC_DEVICEID, szId);
                psink->Line(sz);
                psink->Complete(cmdDoneGetId, 0);
            } else {
                snprintf(sz, sizeof(sz), SZ_SC_LOOPEDID, szId, cLoop);
                psink->Line(sz);
                psink->Complete(cmdDoneLoopId, 0);
                psink->SetPos(0);
            }
            psink->FEndRunning();
        }
        return 0;
    case stcFailed:
        if (FGuard()) {
            if (cLoop == 1) {
                psink->Line(SZ_SC_GETIDFAILED);
                psink->Complete(cmdDoneGetId, ercDoneId);
            } else {
                psink->Line(SZ_SC_LOOPIDFAILED);
                psink->Complete(cmdDoneLoopId, ercDoneId);
                psink->SetPos(0);
            }
            psink->FEndRunning();
        }
        return 0;
    default:
        return 1;
    }
}
