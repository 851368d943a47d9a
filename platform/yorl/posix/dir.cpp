/* dir.cpp - POSIX directory entries. */
#include "check.h"

#include <dirent.h>
#include <new>
#include <string.h>

struct YBDIR {
    DIR *pdir;
};

ERC YbDirOpen(const char *szDir, YBDIR **ppdir)
{
    DIR *pdirOs = opendir(szDir);
    if (pdirOs == NULL)
        return ErcErrno(errno);
    YBDIR *pdir = new (std::nothrow) YBDIR;
    if (pdir == NULL) {
        closedir(pdirOs);
        return ercAbsOutOfMemory;
    }
    pdir->pdir = pdirOs;
    *ppdir = pdir;
    return ercAbsNone;
}

ERC YbDirNext(YBDIR *pdir, std::string *psz)
{
    for (;;) {
        errno = 0;
        struct dirent *pent = readdir(pdir->pdir);
        if (pent == NULL) {
            psz->clear();
            return ErcErrno(errno);
        }
        if (strcmp(pent->d_name, ".") != 0 && strcmp(pent->d_name, "..") != 0) {
            *psz = pent->d_name;
            return ercAbsNone;
        }
    }
}

void YbDirClose(YBDIR *pdir)
{
    closedir(pdir->pdir);
    delete pdir;
}
