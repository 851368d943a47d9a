/*
 * dll.cpp - POSIX dynamic libraries.
 *
 * Library files of this suite keep their Windows names on Linux ("ftd2xx"
 * may be "ftd2xx.dll" beside the program) or the build's own (no "lib"
 * prefix, ".so"); a system library has the usual "lib<name>.so".
 */
#include "check.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace {

std::string SzDirOf(const std::string &szFile)
{
    size_t ich = szFile.rfind('/');
    return ich == std::string::npos ? std::string() : szFile.substr(0, ich + 1);
}

/* Folders searched first: this library's and the program's. */
std::vector<std::string> VszOwnDirs()
{
    std::vector<std::string> vsz;
    Dl_info info;
    if (dladdr((void *)&VszOwnDirs, &info) != 0 && info.dli_fname != NULL)
        vsz.push_back(SzDirOf(info.dli_fname));
    char szExe[PATH_MAX];
    ssize_t cch = readlink("/proc/self/exe", szExe, sizeof(szExe) - 1);
    if (cch > 0) {
        szExe[cch] = '\0';
        std::string szDir = SzDirOf(szExe);
        if (vsz.empty() || vsz[0] != szDir)
            vsz.push_back(szDir);
    }
    return vsz;
}

}  // namespace

void YbDllCandidates(const char *szName, std::vector<std::string> *pvsz)
{
    std::string sz(szName);
    bool fExt = sz.find('.') != std::string::npos;
    for (const std::string &szDir : VszOwnDirs()) {
        if (szDir.empty())
            continue;
        if (fExt) {
            pvsz->push_back(szDir + sz);
        } else {
            pvsz->push_back(szDir + sz + ".dll");
            pvsz->push_back(szDir + sz + ".so");
        }
    }
    /* Names without a '/' go through the loader's search. */
    if (fExt) {
        pvsz->push_back(sz);
    } else {
        pvsz->push_back("lib" + sz + ".so");
        pvsz->push_back(sz + ".so");
    }
}

ERC YbDllOpen(const char *szFile, void **phmod)
{
    void *hmod = dlopen(szFile, RTLD_NOW | RTLD_LOCAL);
    if (hmod == NULL)
        return ercAbsNotFound;
    *phmod = hmod;
    return ercAbsNone;
}

ERC YbDllSym(void *hmod, const char *szProc, void **ppfn)
{
    dlerror();
    void *pfn = dlsym(hmod, szProc);
    if (pfn == NULL)
        return ercAbsNotFound;
    *ppfn = pfn;
    return ercAbsNone;
}

ERC YbDllClose(void *hmod)
{
    return dlclose(hmod) == 0 ? (ERC)ercAbsNone : (ERC)ercAbsInvalidParameter;
}
