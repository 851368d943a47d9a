/* dir.cpp - Win32 directory entries (FindFirstFile over "*"). */
#include "check.h"

#include <new>
#include <string.h>

struct YBDIR {
    HANDLE hFind;
    WIN32_FIND_DATAA fd;
    bool fHave;   /* fd holds an entry not yet handed out */
};

ERC YbDirOpen(const char *szDir, YBDIR **ppdir)
{
    std::string sz = SzYorlDirSep(szDir) + "*";
    YBDIR *pdir = new (std::nothrow) YBDIR;
    if (pdir == NULL)
        return ercAbsOutOfMemory;
    pdir->hFind = FindFirstFileA(sz.c_str(), &pdir->fd);
    if (pdir->hFind == INVALID_HANDLE_VALUE) {
        DWORD dwErr = GetLastError();
        delete pdir;
        return ErcWin(dwErr == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : dwErr);
    }
    pdir->fHave = true;
    *ppdir = pdir;
    return ercAbsNone;
}

ERC YbDirNext(YBDIR *pdir, std::string *psz)
{
    for (;;) {
        if (!pdir->fHave) {
            if (!FindNextFileA(pdir->hFind, &pdir->fd)) {
                DWORD dwErr = GetLastError();
                psz->clear();
                return dwErr == ERROR_NO_MORE_FILES ? (ERC)ercAbsNone : ErcWin(dwErr);
            }
        }
        pdir->fHave = false;
        const char *szName = pdir->fd.cFileName;
        if (strcmp(szName, ".") != 0 && strcmp(szName, "..") != 0) {
            *psz = szName;
            return ercAbsNone;
        }
    }
}

void YbDirClose(YBDIR *pdir)
{
    FindClose(pdir->hFind);
    delete pdir;
}
