// What a process holds, counted from any process of the same prefix: its
// threads, its kernel-object handles and its windows (top-level windows and
// all their descendants). Tests take these counts before and after a piece
// of work that must give everything back.
#ifndef PROCCOUNT_H
#define PROCCOUNT_H

#include <windows.h>

int CThreadsOf(DWORD pid);
int CHandlesOf(DWORD pid);   // -1 when the system does not tell
int CWindowsOf(DWORD pid);

#endif
