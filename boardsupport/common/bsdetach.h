// What a plug-in gives back when the program unloads it.
#ifndef BSDETACH_H
#define BSDETACH_H

#include <windows.h>

// The unloading thread's per-thread records of the plug-in's run-time.
// A 32-bit plug-in registers its exception tables at load, which makes its
// threads run-time keep a record (two handles) for the loading thread; that
// run-time frees such records only when a thread ends, so every load would
// leave one behind. The plug-in's thread callbacks are run for the
// unloading thread as if it ended (the program loads and unloads plug-ins
// on its window thread). Does nothing in 64-bit plug-ins.
void ReleaseThreadRecords(HINSTANCE hinst);

#endif
