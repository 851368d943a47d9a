/* presence.cpp - presence files of named objects (see presence.h). */
#include "presence.h"
#include "check.h"

#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const uint32_t magicReady = 0x4C524F59u;   /* "YORL" */
const size_t cchNameMax = 200;             /* escaped, below NAME_MAX */
const int cTryMax = 2000;

std::string SzEscape(const std::string &sz)
{
    static const char rgchHex[] = "0123456789ABCDEF";
    std::string szOut;
    for (unsigned char ch : sz) {
        bool fPlain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                      (ch >= '0' && ch <= '9') || ch == '.' || ch == '_' || ch == '-';
        if (fPlain) {
            szOut += (char)ch;
        } else {
            szOut += '%';
            szOut += rgchHex[ch >> 4];
            szOut += rgchHex[ch & 15];
        }
    }
    return szOut;
}

std::string SzBaseDir()
{
    struct stat st;
    if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode))
        return "/dev/shm/yorl";
    return "/tmp/yorl";
}

/* Creates a directory every user may use (sticky, like /tmp). */
void MakeDir(const std::string &sz)
{
    if (mkdir(sz.c_str(), 01777) == 0)
        chmod(sz.c_str(), 01777);
}

bool FSetLock(int fd, short type, bool fWait)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    int rc;
    do {
        rc = fcntl(fd, fWait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
    } while (rc == -1 && errno == EINTR && fWait);
    return rc == 0;
}

/* True when fd is still the file at szPath (not removed or replaced). */
bool FStillLinked(int fd, const std::string &szPath)
{
    struct stat stFd, stPath;
    if (fstat(fd, &stFd) != 0 || stFd.st_nlink == 0)
        return false;
    if (stat(szPath.c_str(), &stPath) != 0)
        return false;
    return stFd.st_dev == stPath.st_dev && stFd.st_ino == stPath.st_ino;
}

/*
 * One mapping per file and process: every object of a process on the same
 * name uses the same address. A mutex then has one address (one entry on
 * its owner's robust list, and what thread checkers see), and a segment
 * viewed twice is one view.
 */
struct VIEW {
    unsigned char *pb;
    size_t cb;
    int cref;
};

typedef std::pair<dev_t, ino_t> FILEID;

struct VIEWS {
    std::mutex mtx;
    std::map<FILEID, VIEW> map;
};

VIEWS &Views()
{
    static VIEWS views;
    return views;
}

ERC ErcMap(PRESENCE *ppres, size_t cb)
{
    struct stat st;
    if (fstat(ppres->fd, &st) != 0)
        return ErcErrno(errno);
    FILEID id(st.st_dev, st.st_ino);
    VIEWS &views = Views();
    std::lock_guard<std::mutex> lock(views.mtx);
    auto it = views.map.find(id);
    if (it != views.map.end() && it->second.cb == cb) {
        it->second.cref++;
    } else {
        if (it != views.map.end())
            views.map.erase(it);   /* an older generation's: left alone */
        void *pv = mmap(NULL, cb, PROT_READ | PROT_WRITE, MAP_SHARED, ppres->fd, 0);
        if (pv == MAP_FAILED)
            return ErcErrno(errno);
        it = views.map.emplace(id, VIEW{(unsigned char *)pv, cb, 1}).first;
    }
    ppres->pbMap = it->second.pb;
    ppres->cbMap = cb;
    return ercAbsNone;
}

/* Drops this holder's use of the view; fUnmap false keeps the pages mapped
 * even when it was the last use. */
void Unmap(PRESENCE *ppres, bool fUnmap = true)
{
    if (ppres->pbMap == NULL)
        return;
    VIEWS &views = Views();
    std::lock_guard<std::mutex> lock(views.mtx);
    for (auto it = views.map.begin(); it != views.map.end(); ++it) {
        if (it->second.pb != ppres->pbMap)
            continue;
        if (--it->second.cref == 0) {
            if (fUnmap)
                munmap(it->second.pb, it->second.cb);
            views.map.erase(it);
        }
        break;
    }
    ppres->pbMap = NULL;
}

/* Sole holder: a new generation, zero-filled. */
ERC ErcStartGeneration(PRESENCE *ppres, size_t cbMap)
{
    ERC erc = ErcSys(ftruncate(ppres->fd, 0));
    if (erc == ercAbsNone)
        erc = ErcSys(ftruncate(ppres->fd, (off_t)cbMap));
    if (erc == ercAbsNone)
        erc = ErcMap(ppres, cbMap);
    return erc;
}

enum JOIN { joinOk, joinRetry };

/* Joins the generation of another holder; joinRetry when its creator did
 * not finish (it died while initialising). */
ERC ErcJoinGeneration(PRESENCE *ppres, uint32_t cbData, JOIN *pjoin)
{
    struct stat st;
    *pjoin = joinRetry;
    if (fstat(ppres->fd, &st) != 0)
        return ErcErrno(errno);
    if ((size_t)st.st_size < CbPresenceHeader())
        return ercAbsNone;
    ERC erc = ErcMap(ppres, (size_t)st.st_size);
    if (erc != ercAbsNone)
        return erc;
    YBHDR *phdr = PhdrPresence(ppres);
    if (__atomic_load_n(&phdr->magic, __ATOMIC_ACQUIRE) != magicReady) {
        Unmap(ppres);
        return ercAbsNone;
    }
    *pjoin = joinOk;
    if (phdr->cbData != cbData || (size_t)st.st_size != CbPresenceHeader() + cbData) {
        Unmap(ppres);
        return ercAbsSizeMismatch;
    }
    return ercAbsNone;
}

}  // namespace

size_t CbPresenceHeader()
{
    static const size_t cb = (size_t)sysconf(_SC_PAGESIZE);
    return cb;
}

ERC ErcPresenceOpen(const std::string &szNs, char chKind, const char *szName,
                    uint32_t cbData, PRESENCE *ppres, bool *pfCreated)
{
    std::string szEsc = SzEscape(szName);
    if (szEsc.size() > cchNameMax || SzEscape(szNs).size() > cchNameMax)
        return ercAbsInvalidParameter;
    std::string szBase = SzBaseDir();
    ppres->szNsDir = szNs.empty() ? std::string() : szBase + "/n." + SzEscape(szNs);
    std::string szDir = szNs.empty() ? szBase : ppres->szNsDir;
    ppres->szDir = szDir;
    ppres->szPath = szDir + "/" + chKind + "." + szEsc;
    ppres->fd = -1;
    ppres->pbMap = NULL;
    size_t cbMap = CbPresenceHeader() + cbData;

    for (int iTry = 0; iTry < cTryMax; iTry++) {
        int fd = open(ppres->szPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd == -1 && errno == ENOENT) {
            MakeDir(szBase);
            if (!szNs.empty())
                MakeDir(szDir);
            continue;
        }
        if (fd == -1)
            return ErcErrno(errno);
        fchmod(fd, 0666);
        ppres->fd = fd;
        bool fSole = FSetLock(fd, F_WRLCK, false);
        if (!fSole && !FSetLock(fd, F_RDLCK, true)) {
            close(fd);
            return ErcErrno(errno);
        }
        if (FStillLinked(fd, ppres->szPath)) {
            ERC erc;
            if (fSole) {
                erc = ErcStartGeneration(ppres, cbMap);
                if (erc == ercAbsNone) {
                    *pfCreated = true;
                    return ercAbsNone;
                }
            } else {
                JOIN join;
                erc = ErcJoinGeneration(ppres, cbData, &join);
                if (erc == ercAbsNone && join == joinOk) {
                    *pfCreated = false;
                    return ercAbsNone;
                }
            }
            if (erc != ercAbsNone) {
                close(fd);
                ppres->fd = -1;
                return erc;
            }
            usleep(1000);
        }
        close(fd);
        ppres->fd = -1;
    }
    return ercAbsFailed;
}

void PresenceReady(PRESENCE *ppres)
{
    YBHDR *phdr = PhdrPresence(ppres);
    phdr->cbData = (uint32_t)(ppres->cbMap - CbPresenceHeader());
    __atomic_store_n(&phdr->magic, magicReady, __ATOMIC_RELEASE);
    FSetLock(ppres->fd, F_RDLCK, false);
}

void PresenceClose(PRESENCE *ppres, bool fUnmap)
{
    Unmap(ppres, fUnmap);
    if (ppres->fd == -1)
        return;
    /* The last holder removes the name; a waiting opener sees the removal
     * and starts again. A directory already gone was emptied before. */
    int fdDir = open(ppres->szDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir != -1)
        while (flock(fdDir, LOCK_EX) == -1 && errno == EINTR) {
        }
    if (FSetLock(ppres->fd, F_WRLCK, false)) {
        unlink(ppres->szPath.c_str());
        if (!ppres->szNsDir.empty())
            rmdir(ppres->szNsDir.c_str());
    }
    close(ppres->fd);
    ppres->fd = -1;
    if (fdDir != -1)
        close(fdDir);
}
