// FLHIST: a page's working list of recently used files, oldest first, at
// most 12 names. Only files that can be opened for reading are taken.
#ifndef ORRIN_FLHIST_H
#define ORRIN_FLHIST_H

#include "ortypes.h"

enum {
    ercFlhistOk = 0,
    ercFlhistDuplicate = 2,
    ercFlhistFailed = 3,    // the file cannot be opened, or the index is out of range
};

class FLHIST {
public:
    FLHIST();
    ~FLHIST();
    FLHIST(const FLHIST &) = delete;
    FLHIST &operator=(const FLHIST &) = delete;

    BOOL FInit();
    int ErcAdd(const char *szPath);
    int ErcRemove(int i);
    BOOL FClear();
    int IFind(const char *szPath) const;
    int Csz() const { return csz; }
    const char *SzGet(int i) const;
    const char *SzFileName(int i) const;
    const char *SzExtension(int i) const;
    static const char *SzExtOf(const char *szPath);
    static BOOL FMatchesFilter(const char *szPath, const char *szDescription);
#if defined(_WIN32)
    // The standard file-open dialog over hwndOwner with the file-dialog filter
    // szFilter (or none): a new text of cchPathMax + 1 characters holding the
    // chosen path, which the caller frees with free(); null when the user
    // cancels.
    static char *SzBrowse(HWND hwndOwner, const char *szFilter);
#endif

private:
    char *rgsz[13];   // 12 used; each a heap block of cchPathMax characters
    int32_t csz;
};

// The text after the last backslash or colon of a path (the whole path when
// there is none), and the extension (from the last dot, dot included) or null.
const char *SzFileNameOf(const char *szPath);
const char *SzExtOf(const char *szPath);

#endif
