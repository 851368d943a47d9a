// The binary interface of the Windows builds, checked in the running process:
// the word size of the process and of every library it loads, each library's
// export table against its .def file (bound by name through GetProcAddress,
// as the desktop program binds its plug-ins), and the plug-in records written
// across the library boundary at the offsets of the documented layouts. In
// the 32-bit build this is where a missing --kill-at, a cdecl export or a
// 64-bit-only layout shows.

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string.h>
#include <string>

#include "bsplug.h"
#include "winabi_pe.h"

namespace {

struct DLLENT {
    const char *szPath;    // from the test program's folder
    int fPlugin;           // a board-support plug-in (bsplug.h exports)
    const char *szDef;     // its .def file
};

const DLLENT g_rgdllent[] = {
#include "winabi_dlls.inc"
};

const bool g_f32 = KOR_WINABI_CBPTR == 4;

std::string SzExeDir()
{
    char sz[MAX_PATH];
    DWORD cch = GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string szDir(sz, cch);
    return szDir.substr(0, szDir.find_last_of("\\/") + 1);
}

HMODULE HmodLoadPath(const char *szRel)
{
    std::string szPath = SzExeDir() + szRel;
    for (char &ch : szPath)
        if (ch == '/')
            ch = '\\';
    // Its own folder first for what it imports, as for a plug-in.
    return LoadLibraryExA(szPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE HmodLoad(const DLLENT &ent)
{
    // A plug-in's device libraries sit beside the desktop program, whose
    // process has them at hand when it loads the plug-in: load them first.
    static bool fLibrariesLoaded = false;
    if (ent.fPlugin && !fLibrariesLoaded) {
        fLibrariesLoaded = true;
        for (const DLLENT &entLib : g_rgdllent)
            if (!entLib.fPlugin)
                HmodLoadPath(entLib.szPath);
    }
    return HmodLoadPath(ent.szPath);
}

WORD MachineExpected()
{
    return g_f32 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
}

// Bytes the function at pfn removed from the stack when called with one
// 4-byte argument: 4 for __stdcall, 0 for __cdecl. Only 32-bit x86 has both.
#if defined(__i386__)
int CbCalleePops(void *pfn, uint32_t arg)
{
    int cb;
    uintptr_t pfnReg = reinterpret_cast<uintptr_t>(pfn);
    __asm__ volatile("movl %%esp, %%esi\n\t"
                     "pushl %%edx\n\t"
                     "call *%%eax\n\t"
                     "movl %%esp, %%ecx\n\t"
                     "subl %%esi, %%ecx\n\t"
                     "addl $4, %%ecx\n\t"
                     "movl %%esi, %%esp\n\t"
                     : "=c"(cb), "+a"(pfnReg), "+d"(arg)
                     :
                     : "esi", "memory", "cc");
    return cb;
}
#endif

template <typename PFN> PFN PfnBind(HMODULE hmod, const char *szName)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void *>(GetProcAddress(hmod, szName)));
}

} // namespace

TEST(WinAbi, ProcessHasTheBuildsWordSize)
{
    EXPECT_EQ(sizeof(void *), static_cast<size_t>(KOR_WINABI_CBPTR));
    PEINFO peinfo;
    ASSERT_TRUE(FReadPeinfo(GetModuleHandleA(nullptr), &peinfo));
    EXPECT_EQ(peinfo.machine, MachineExpected());
    EXPECT_EQ(peinfo.magic, g_f32 ? IMAGE_NT_OPTIONAL_HDR32_MAGIC : IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    uintptr_t uMax = reinterpret_cast<uintptr_t>(si.lpMaximumApplicationAddress);
    if (g_f32) {
        EXPECT_LE(static_cast<unsigned long long>(uMax), 0xFFFFFFFFull);
    } else {
        EXPECT_GT(static_cast<unsigned long long>(uMax), 0xFFFFFFFFull);
    }
}

TEST(WinAbi, LibrariesExportTheirDefNamesUndecorated)
{
    ASSERT_GT(sizeof(g_rgdllent) / sizeof(g_rgdllent[0]), 5u);
    for (const DLLENT &ent : g_rgdllent) {
        SCOPED_TRACE(ent.szPath);
        HMODULE hmod = HmodLoad(ent);
        ASSERT_NE(hmod, nullptr) << "LoadLibrary error " << GetLastError();
        PEINFO peinfo;
        ASSERT_TRUE(FReadPeinfo(hmod, &peinfo));
        EXPECT_EQ(peinfo.machine, MachineExpected());

        std::set<std::string> setszDef;
        for (const std::string &szDecorated : RgszDefExports(ent.szDef)) {
            std::string sz = SzUndecorated(szDecorated);
            setszDef.insert(sz);
            EXPECT_NE(GetProcAddress(hmod, sz.c_str()), nullptr) << sz << " is not bound by name";
            if (sz != szDecorated) {
                EXPECT_EQ(GetProcAddress(hmod, szDecorated.c_str()), nullptr)
                    << szDecorated << " is exported decorated";
            }
        }
        EXPECT_FALSE(setszDef.empty());
        // No other plain name in the table: no decorated duplicate, no
        // stray function. (C++ classes a library exports keep their
        // compiler's names, which no one binds by hand.)
        size_t cszPlain = 0;
        for (const std::string &sz : peinfo.rgszExport) {
            if (sz.compare(0, 2, "_Z") == 0)
                continue;
            cszPlain++;
            EXPECT_EQ(setszDef.count(sz), 1u) << sz << " is exported but not in the .def file";
        }
        EXPECT_EQ(cszPlain, setszDef.size());
        FreeLibrary(hmod);
    }
}

TEST(WinAbi, PluginRecordsCrossTheBoundaryAtTheirOffsets)
{
    int cplugin = 0;
    for (const DLLENT &ent : g_rgdllent) {
        if (!ent.fPlugin)
            continue;
        cplugin++;
        SCOPED_TRACE(ent.szPath);
        HMODULE hmod = HmodLoad(ent);
        ASSERT_NE(hmod, nullptr);
        auto pfnCdbs = PfnBind<PFNBSCDBS>(hmod, "Cdbs");
        auto pfnFGetDbs = PfnBind<PFNBSFGETDBS>(hmod, "FGetDbs");
        auto pfnFGetBslogo = PfnBind<PFNBSFGETBSLOGO>(hmod, "FGetBslogo");
        auto pfnCchProduct = PfnBind<PFNBSCCHPRODUCT>(hmod, "CchProduct");
        auto pfnFGetSzProduct = PfnBind<PFNBSFGETSZPRODUCT>(hmod, "FGetSzProduct");
        ASSERT_TRUE(pfnCdbs && pfnFGetDbs && pfnFGetBslogo && pfnCchProduct && pfnFGetSzProduct);

        // Each tab record: filled within its size (guard bytes after it
        // stay), name terminated, and refused with a wrong size or index.
        int cdbs = pfnCdbs();
        ASSERT_GT(cdbs, 0);
        for (int idbs = 0; idbs < cdbs; idbs++) {
            unsigned char rgb[sizeof(DBS) + 16];
            memset(rgb, 0xCC, sizeof(rgb));
            DBS *pdbs = reinterpret_cast<DBS *>(rgb);
            pdbs->cb = sizeof(DBS);
            ASSERT_EQ(pfnFGetDbs(idbs, pdbs), 1) << "tab " << idbs;
            EXPECT_NE(memchr(pdbs->szName, 0, sizeof(pdbs->szName)), nullptr);
            EXPECT_NE(pdbs->szName[0], '\0');
            for (size_t ib = sizeof(DBS); ib < sizeof(rgb); ib++)
                ASSERT_EQ(rgb[ib], 0xCC) << "tab " << idbs << " written past its record";
        }
        DBS dbs = {};
        dbs.cb = sizeof(DBS);
        EXPECT_EQ(pfnFGetDbs(cdbs, &dbs), 0);
        dbs.cb = sizeof(DBS) + 4;
        EXPECT_EQ(pfnFGetDbs(0, &dbs), 0);

        // The logo record: the module handle lands where the documented
        // layout puts it (offset 12 of 16 bytes in 32-bit builds).
        unsigned char rgbLogo[sizeof(BSLOGO)];
        memset(rgbLogo, 0, sizeof(rgbLogo));
        const uint32_t cbLogo = sizeof(BSLOGO);
        memcpy(rgbLogo, &cbLogo, sizeof(cbLogo));
        ASSERT_EQ(pfnFGetBslogo(reinterpret_cast<BSLOGO *>(rgbLogo)), 1);
        EXPECT_EQ(sizeof(BSLOGO), g_f32 ? 16u : 24u);
        HMODULE hmodLogo;
        memcpy(&hmodLogo, rgbLogo + (g_f32 ? 12 : 16), sizeof(hmodLogo));
        EXPECT_EQ(hmodLogo, hmod);

        char szProduct[cchBsProductMin];
        memset(szProduct, 0x7F, sizeof(szProduct));
        ASSERT_EQ(pfnFGetSzProduct(szProduct), 1);
        ASSERT_NE(memchr(szProduct, 0, sizeof(szProduct)), nullptr);
        EXPECT_EQ(static_cast<int32_t>(strlen(szProduct)), pfnCchProduct());
#if defined(__i386__)
        // The host calls every export as __stdcall: the export removes its
        // own argument from the stack.
        EXPECT_EQ(CbCalleePops(reinterpret_cast<void *>(pfnFGetSzProduct),
                               static_cast<uint32_t>(reinterpret_cast<uintptr_t>(szProduct))),
                  4);
#endif
        FreeLibrary(hmod);
    }
    EXPECT_GT(cplugin, 0);
}

#if defined(__i386__)
// The stack measure itself: a __cdecl function leaves its argument, a
// __stdcall one removes it.
namespace {
__attribute__((noinline)) int __cdecl WinAbiCdecl(int n) { return n + 1; }
__attribute__((noinline)) int __stdcall WinAbiStdcall(int n) { return n + 1; }
} // namespace

TEST(WinAbi, StackMeasureTellsTheConventions)
{
    EXPECT_EQ(CbCalleePops(reinterpret_cast<void *>(&WinAbiCdecl), 1), 0);
    EXPECT_EQ(CbCalleePops(reinterpret_cast<void *>(&WinAbiStdcall), 1), 4);
}
#endif
