/* prcid_win32.cpp - process identity from the process object. */
#include "prcid.h"

#include <windows.h>

uint32_t IdProcessSelf() { return (uint32_t)GetCurrentProcessId(); }

PRCST PrcstProcess(uint32_t idProcess, uint64_t *ptStart)
{
    /* The creation time tells a process from a later one with its id; a
     * process object kept open by someone outlives the process, so the
     * object's signal decides whether it still runs. */
    bool fSelf = idProcess == GetCurrentProcessId();
    HANDLE h = fSelf ? GetCurrentProcess() : OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, idProcess);
    if (h == NULL)
        return GetLastError() == ERROR_INVALID_PARAMETER ? prcstEnded : prcstUnknown;
    PRCST prcst = prcstUnknown;
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!fSelf && WaitForSingleObject(h, 0) == WAIT_OBJECT_0)
        prcst = prcstEnded;
    else if (GetProcessTimes(h, &ftCreate, &ftExit, &ftKernel, &ftUser)) {
        *ptStart = (uint64_t)ftCreate.dwHighDateTime << 32 | ftCreate.dwLowDateTime;
        prcst = prcstRunning;
    }
    if (!fSelf)
        CloseHandle(h);
    return prcst;
}
