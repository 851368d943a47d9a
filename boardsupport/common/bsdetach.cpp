// Per-thread records given back at unload (bsdetach.h).

#include "bsdetach.h"

void ReleaseThreadRecords(HINSTANCE hinst)
{
#if defined(__i386__)
    BYTE *pbBase = reinterpret_cast<BYTE *>(hinst);
    const IMAGE_DOS_HEADER *pdos = reinterpret_cast<const IMAGE_DOS_HEADER *>(pbBase);
    const IMAGE_NT_HEADERS *pnt = reinterpret_cast<const IMAGE_NT_HEADERS *>(pbBase + pdos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = pnt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
    if (dir.VirtualAddress == 0)
        return;
    const IMAGE_TLS_DIRECTORY *ptls = reinterpret_cast<const IMAGE_TLS_DIRECTORY *>(pbBase + dir.VirtualAddress);
    for (PIMAGE_TLS_CALLBACK *ppfn = reinterpret_cast<PIMAGE_TLS_CALLBACK *>(ptls->AddressOfCallBacks);
         ppfn != nullptr && *ppfn != nullptr; ppfn++)
        (*ppfn)(hinst, DLL_THREAD_DETACH, nullptr);
#else
    (void)hinst;
#endif
}
