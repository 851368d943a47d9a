/*
 * yorli.h - internals of the OS-abstraction library.
 *
 * The classes of yorl.h are implemented once, in common/. They keep the
 * rules (argument checks, object state, fault injection, last error) and
 * call the backend below for the OS work. Exactly one backend is linked:
 * posix/ or win32/. Every backend call returns an erc code (0 = success)
 * mapped from the OS error where the OS call failed; the portable caller
 * stores it as the thread's last error.
 */
#ifndef YORLI_H
#define YORLI_H

#include "yorl.h"
#include "../prcid/prcid.h"

#include <string>
#include <vector>

typedef uint32_t ERC;

/* ---- portable helpers (common/) ---- */

/* Sets the calling thread's last error to erc and returns false. */
bool FYorlFail(ERC erc);
/* Sets the last error when erc is not 0; returns erc == 0. */
bool FYorlCheck(ERC erc);

/* Parses YORL_FAULT once; done by the library's start-up. */
void YorlFaultLoad(const char *szItems);
/* True when this call of slot szSlot ("InstABSSHM", "ABSNMTX.Create") is
 * the one YORL_FAULT asks to fail. Counts every call of a listed slot. */
bool FYorlFault(const char *szSlot);

/* Value of environment variable szVar, or an empty string. */
std::string SzYorlEnv(const char *szVar);
/* The namespace of named objects (YORL_NAMESPACE); empty = the machine's. */
std::string SzYorlNamespace();
/* Tick offset of YORL_TICK_OFFSET, read at start-up. */
void YorlTickLoad(const char *szOffset);
uint32_t TmsYorlTickOffset();

/* True when szPattern ('*' any run, '?' one character) matches szName
 * as a whole, without regard to ASCII case. */
bool FYorlWildMatch(const char *szPattern, const char *szName);

/* True when sz names a file by path (has a directory part), not bare. */
bool FYorlPathName(const char *sz);
/* Appends the path separator to a non-empty directory lacking one. */
std::string SzYorlDirSep(const std::string &szDir);
/* Copies sz into szOut of cchOut characters; false (2) when it does not fit. */
bool FYorlCopyOut(const std::string &sz, char *szOut, uint32_t cchOut);

/* ---- backend (posix/ or win32/) ---- */

/* Calling thread's last error, in a slot of this library. */
uint32_t YbGetErc();
void YbSetErc(uint32_t erc);
uint32_t YbIdProcess();
uint32_t YbIdThread();
/* What the system tells of process idProcess (prcid.h). */
inline PRCST PrcstYbProcess(uint32_t idProcess, uint64_t *ptStart) { return PrcstProcess(idProcess, ptStart); }
/* Machine-wide monotonic milliseconds (since boot). */
uint64_t YbTickMs();
void YbSleepMs(uint32_t tms);

/* Path separator of the platform ('/' or '\\'). */
char YbChPathSep();
/* Default locations of the installed layout, used when no variable redirects
 * them. kind: 'd' data directory, 'f' firmware directory, 't' table file. */
bool FYbDefaultPath(char kind, std::string *psz);

/* Process-local recursive mutex; an owner thread that ends holding it leaves
 * it abandoned (the next Lock returns 33 with ownership). */
struct YBMTX;
ERC YbMtxCreate(bool fOwned, YBMTX **ppmtx);
ERC YbMtxLock(YBMTX *pmtx, uint32_t tms);          /* 0, 13 or 33 */
ERC YbMtxUnlock(YBMTX *pmtx);                      /* 0 or 17 */
/* Releases the calling thread's ownership levels and frees the mutex. */
void YbMtxClose(YBMTX *pmtx);

/* Named mutex: one per (namespace, name) on the machine while held. With
 * fOwned a newly created mutex is owned by the caller; *pfExisted tells
 * whether the name existed (an existing one is never taken). */
struct YBNMTX;
ERC YbNmtxOpen(const std::string &szNs, const char *szName, bool fOwned,
               YBNMTX **ppnmtx, bool *pfExisted);
ERC YbNmtxLock(YBNMTX *pnmtx, uint32_t tms);       /* 0, 13 or 33 */
ERC YbNmtxUnlock(YBNMTX *pnmtx);                   /* 0 or 17 */
/* Releases the calling thread's ownership and this process's reference. */
void YbNmtxClose(YBNMTX *pnmtx);

/* Named shared segment of cb bytes; new ones are zero-filled; 5 when the
 * name exists with another size. */
struct YBSHM;
ERC YbShmOpen(const std::string &szNs, const char *szName, uint32_t cb,
              YBSHM **ppshm, void **ppv);
void YbShmClose(YBSHM *pshm);

/* Counting semaphore; cMax >= 1. */
struct YBSEM;
ERC YbSemCreate(int32_t cInit, int32_t cMax, YBSEM **ppsem);
ERC YbSemRelease(YBSEM *psem, int32_t c);          /* 2 beyond the maximum */
ERC YbSemWait(YBSEM *psem, uint32_t tms);          /* 0 or 13 */
void YbSemClose(YBSEM *psem);

/* Thread running pfn(pv). Join waits without limit and may be repeated;
 * Release detaches a thread not joined and frees the handle. */
struct YBTHD;
ERC YbThdStart(void (*pfn)(void *), void *pv, YBTHD **ppthd);
ERC YbThdJoin(YBTHD *pthd);
void YbThdRelease(YBTHD *pthd);

/* Files to try, in order, for a bare library name. */
void YbDllCandidates(const char *szName, std::vector<std::string> *pvsz);
ERC YbDllOpen(const char *szFile, void **phmod);   /* 3 when missing */
ERC YbDllSym(void *hmod, const char *szProc, void **ppfn);  /* 3 when missing */
ERC YbDllClose(void *hmod);

/* Directory entries, "." and ".." left out. */
struct YBDIR;
ERC YbDirOpen(const char *szDir, YBDIR **ppdir);   /* 3 when missing */
/* Next entry name into *psz; an empty string at the end. */
ERC YbDirNext(YBDIR *pdir, std::string *psz);
void YbDirClose(YBDIR *pdir);

#endif /* YORLI_H */
