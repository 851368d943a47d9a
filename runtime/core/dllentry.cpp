/*
 * dllentry.cpp - the library's entry point: start-up when a process loads
 * the library, shut-down when it unloads it. Load never fails.
 */
#include "dvtopn.h"
#include "vzcore.h"

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE hinst, DWORD dwReason, LPVOID pvReserved)
{
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        DllInit();
        vzproc.hmod = hinst;
        break;
    case DLL_PROCESS_DETACH:
        /*
         * At process exit (pvReserved set) every other thread has been ended
         * already, so nothing a handle's threads would signal can come and
         * the handles cannot be closed; the system takes back the process's
         * objects, but not its counts in the shared open-device table, which
         * are given back here. An unload by FreeLibrary runs the shut-down
         * under the loader lock, where a thread's end cannot be waited for:
         * the handles' threads are waited for up to their last act instead.
         */
        if (pvReserved == nullptr) {
            vzproc.fLoaderLock = 1;
            DllTerm();
        } else if (vzproc.fStarted && vzproc.pdvtopn) {
            vzproc.pdvtopn->GiveBackOwn();
        }
        break;
    default:
        break;
    }
    return TRUE;
}

#else

/* Global objects are constant-initialised, so they exist before this runs. */
__attribute__((constructor)) static void VzProcessAttach()
{
    DllInit();
}

__attribute__((destructor)) static void VzProcessDetach()
{
    DllTerm();
}

#endif
