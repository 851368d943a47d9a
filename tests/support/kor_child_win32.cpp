/* kor_child_win32.cpp - child processes with CreateProcess and
 * TerminateProcess. */
#include "kor_child_os.h"

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

struct KorChild::PROC {
    HANDLE hProcess;
};

namespace {

/* Quotes one argument the way the C runtime splits command lines. */
std::string SzQuoteArg(const std::string &sz)
{
    if (!sz.empty() && sz.find_first_of(" \t\"") == std::string::npos)
        return sz;
    std::string szOut = "\"";
    size_t cBackslash = 0;
    for (char ch : sz) {
        if (ch == '\\') {
            cBackslash++;
            continue;
        }
        if (ch == '"')
            szOut.append(cBackslash * 2 + 1, '\\');
        else
            szOut.append(cBackslash, '\\');
        cBackslash = 0;
        szOut += ch;
    }
    szOut.append(cBackslash * 2, '\\');
    return szOut + "\"";
}

}  // namespace

KorChild::PROC *PprocKorSpawn(const std::string &szPath, const std::vector<std::string> &vszArgv)
{
    std::string szCmd;
    for (const std::string &sz : vszArgv) {
        if (!szCmd.empty())
            szCmd += ' ';
        szCmd += SzQuoteArg(sz);
    }
    std::vector<char> vchCmd(szCmd.begin(), szCmd.end());
    vchCmd.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    /* Under wine a start can fail now and then while processes that were
     * just terminated are still being torn down; a few tries, each said. */
    for (int iTry = 0;; iTry++) {
        if (CreateProcessA(szPath.c_str(), vchCmd.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
            break;
        fprintf(stderr, "child start failed (error %lu), try %d\n", (unsigned long)GetLastError(), iTry + 1);
        if (iTry == 4)
            return nullptr;
        Sleep(200);
    }
    CloseHandle(pi.hThread);
    return new KorChild::PROC{pi.hProcess};
}

bool FKorProcWait(KorChild::PROC *pproc, uint32_t tms, int *pcode)
{
    if (WaitForSingleObject(pproc->hProcess, tms) != WAIT_OBJECT_0)
        return false;
    DWORD dwCode = 0;
    GetExitCodeProcess(pproc->hProcess, &dwCode);
    *pcode = (int)dwCode;
    return true;
}

bool FKorProcKill(KorChild::PROC *pproc)
{
    if (!TerminateProcess(pproc->hProcess, 137))
        return false;
    return WaitForSingleObject(pproc->hProcess, INFINITE) == WAIT_OBJECT_0;
}

void KorProcFree(KorChild::PROC *pproc)
{
    CloseHandle(pproc->hProcess);
    delete pproc;
}

std::string KorSelfPath()
{
    char sz[MAX_PATH * 2];
    DWORD cch = GetModuleFileNameA(NULL, sz, sizeof(sz));
    if (cch == 0 || cch >= sizeof(sz))
        return std::string();
    return std::string(sz, cch);
}

void KorSetEnv(const char *szVar, const char *szValue)
{
    /* _putenv_s keeps the C runtime's copy and the process block in step. */
    _putenv_s(szVar, szValue == nullptr ? "" : szValue);
}

void KorSleepMs(uint32_t tms)
{
    Sleep(tms);
}
