/*
 * check.h - the Win32 backend's mapping of OS results to erc codes.
 *
 * Every failing Win32 call of the backend goes through ErcWin once, where
 * it failed; wait results are mapped by ErcWait.
 */
#ifndef YORL_WIN32_CHECK_H
#define YORL_WIN32_CHECK_H

#include "yorli.h"

#include <windows.h>

/* erc code of Win32 error dwErr (0 gives 0). */
ERC ErcWin(DWORD dwErr);

/* erc of the calling thread's last Win32 error, after a failed call. */
inline ERC ErcWinLast()
{
    return ErcWin(GetLastError());
}

/* Result of a WaitForSingleObject on a mutex or semaphore: 0, 13 or 33. */
ERC ErcWait(DWORD dwWait);

/* Closes a handle once the holder ends (7-Zip style CHandle). */
class HANDLEHOLDER {
public:
    explicit HANDLEHOLDER(HANDLE h = NULL) : h(h) {}
    ~HANDLEHOLDER() { Close(); }
    void Close()
    {
        if (h != NULL)
            CloseHandle(h);
        h = NULL;
    }
    HANDLE Detach()
    {
        HANDLE hOut = h;
        h = NULL;
        return hOut;
    }
    HANDLE h;

private:
    HANDLEHOLDER(const HANDLEHOLDER &);
    HANDLEHOLDER &operator=(const HANDLEHOLDER &);
};

#endif /* YORL_WIN32_CHECK_H */
