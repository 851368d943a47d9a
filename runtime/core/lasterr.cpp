/*
 * lasterr.cpp - the process's last error and the debug log.
 *
 * The last error is one value per process: any thread of the runtime
 * replaces it. The debug log is opened and closed for every line, so it
 * survives a crash of the process and several processes can share a file.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vzcore.h"
#include "vzfile.h"
#include "yorl.h"

namespace {

std::atomic<int> ercLast{0};

#if defined(_WIN32)
const char szLogDefault[] = "\\DebugErc.log";
#else
const char szLogDefault[] = "/DebugErc.log";
#endif

void WriteLogHeaderIfNew(FILE **ppfile)
{
    FILE *pfile = fopen(vzproc.szLogFile, "r");
    if (pfile) {
        fclose(pfile);
        *ppfile = fopen(vzproc.szLogFile, "a+");
        return;
    }
    *ppfile = fopen(vzproc.szLogFile, "a+");
    if (*ppfile) {
        fprintf(*ppfile, "%-16s%-12s%-14s%-8s%-28s%s\n", "System Time", "Process", "Thread", "ERC", "ERC String",
                "Message");
        /* A nested recording (the name lookup) appends before this line. */
        fflush(*ppfile);
    }
}

} // namespace

void LogSettingsFromEnv()
{
    const char *szEnv = getenv("ORRIN_RT_LOGFILE");
    if (szEnv && strlen(szEnv) <= cchLogFileMax - 1) {
        SzCopy(vzproc.szLogFile, szEnv, sizeof(vzproc.szLogFile));
    } else {
        /* The directory in the system's own form (a path of any characters
         * the file calls take), with room for 260 characters. */
        char szDir[cchLogFileMax];
        if (!FGetCurrentDir(szDir, sizeof(szDir)))
            szDir[0] = '\0';
        snprintf(vzproc.szLogFile, sizeof(vzproc.szLogFile), "%s%s", szDir, szLogDefault);
    }
    vzproc.bLogDetail = 0;
    unsigned uLevel = 0;
    szEnv = getenv("ORRIN_RT_LOGDETAIL");
    if (szEnv && sscanf(szEnv, "%u", &uLevel) == 1)
        vzproc.bLogDetail = (uint8_t)(uLevel & 0xFF);
}

extern "C" VZAPI int VZCALL TvxGetLastError(void)
{
    return ercLast.load(std::memory_order_relaxed);
}

extern "C" VZAPI int VZCALL TvxSetLastErrorNoLog(int erc)
{
    ercLast.store(erc, std::memory_order_relaxed);
    return 1;
}

extern "C" VZAPI int VZCALL TvxSetLastErrorLog(int erc, const char *szMsg)
{
    if (erc != 0)
        ercLast.store(erc, std::memory_order_relaxed);
    if (vzproc.bLogDetail == 0)
        return 1;

    FILE *pfile = nullptr;
    WriteLogHeaderIfNew(&pfile);
    if (pfile == nullptr)
        return 0;

    /* A code without a row records 1026 "KelmErc2Sz" here, before this line. */
    char szName[cchErcNameMax] = "";
    TvxSzFromErc(erc, szName, nullptr);

    /* Without the utility object (start-up step 4) there is no tick or id: 0. */
    uint32_t tick = pabsutil ? pabsutil->GetTickMs() : 0;
    uint32_t idProcess = pabsutil ? pabsutil->GetIdProcess() : 0;
    uint32_t idThread = pabsutil ? pabsutil->GetIdThread() : 0;
    fprintf(pfile, "%-16u%-12u%-14u%-8u%-28s%s\n", tick, idProcess, idThread, (unsigned)erc, szName,
            szMsg ? szMsg : "");
    fclose(pfile);
    return 1;
}
