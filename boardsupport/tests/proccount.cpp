// Counting a process's threads, handles and windows (proccount.h).

#include "proccount.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

namespace {

// The system's handle table (information class 16): one entry per handle of
// every process, tagged with the owner's id (its low 16 bits).
struct SYSHANDLE {
    USHORT pid;
    USHORT backTrace;
    UCHAR type;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ULONG access;
};
struct SYSHANDLES {
    ULONG centry;
    SYSHANDLE rgentry[1];
};
const SYSTEM_INFORMATION_CLASS sicHandles = static_cast<SYSTEM_INFORMATION_CLASS>(16);

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int *>(lParam);
    return TRUE;
}

struct TOPCOUNT {
    DWORD pid;
    int c;
};

BOOL CALLBACK CountTop(HWND hwnd, LPARAM lParam)
{
    TOPCOUNT *ptc = reinterpret_cast<TOPCOUNT *>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ptc->pid) {
        ptc->c++;
        EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(&ptc->c));
    }
    return TRUE;
}

} // namespace

int CThreadsOf(DWORD pid)
{
    HANDLE hsnap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hsnap == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 te = {};
    te.dwSize = sizeof(te);
    int c = 0;
    for (BOOL f = Thread32First(hsnap, &te); f; f = Thread32Next(hsnap, &te))
        c += te.th32OwnerProcessID == pid;
    CloseHandle(hsnap);
    return c;
}

int CHandlesOf(DWORD pid)
{
    std::vector<char> rgb(1 << 20);
    for (int i = 0; i < 6; i++) {
        ULONG cbRet = 0;
        NTSTATUS st = NtQuerySystemInformation(sicHandles, rgb.data(), static_cast<ULONG>(rgb.size()), &cbRet);
        if (st == 0) {
            const SYSHANDLES *pht = reinterpret_cast<const SYSHANDLES *>(rgb.data());
            int c = 0;
            for (ULONG ientry = 0; ientry < pht->centry; ientry++)
                c += pht->rgentry[ientry].pid == static_cast<USHORT>(pid);
            return c;
        }
        rgb.resize(rgb.size() * 2);
    }
    return -1;
}

int CWindowsOf(DWORD pid)
{
    TOPCOUNT tc = {pid, 0};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&tc));
    return tc.c;
}
