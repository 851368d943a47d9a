// Line log in an edit control (see edtlog.h).

#include "edtlog.h"

#include <stdlib.h>
#include <string.h>

void AppendEditLine(HWND hwndEdit, const char *sz, int clineMax)
{
    if (hwndEdit == nullptr)
        return;
    if (SendMessageA(hwndEdit, EM_GETLINECOUNT, 0, 0) > clineMax) {
        LRESULT cch = SendMessageA(hwndEdit, EM_LINELENGTH, 0, 0);
        SendMessageA(hwndEdit, EM_SETSEL, 0, cch + 2);
        SendMessageA(hwndEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    }
    int cchText = GetWindowTextLengthA(hwndEdit);
    SendMessageA(hwndEdit, EM_SETSEL, cchText, cchText);
    SendMessageA(hwndEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(sz ? sz : ""));
    SendMessageA(hwndEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("\r\n"));
}

BOOL FPostLine(HWND hwndTarget, UINT wm, const char *sz)
{
    size_t cb = strlen(sz ? sz : "") + 1;
    char *szCopy = static_cast<char *>(malloc(cb));
    if (szCopy == nullptr)
        return FALSE;
    memcpy(szCopy, sz ? sz : "", cb);
    if (hwndTarget != nullptr && PostMessageA(hwndTarget, wm, 0, reinterpret_cast<LPARAM>(szCopy)))
        return TRUE;
    free(szCopy);
    return FALSE;
}

void DiscardPostedLines(HWND hwndTarget, UINT wm)
{
    MSG msg;
    while (hwndTarget != nullptr && PeekMessageA(&msg, hwndTarget, wm, wm, PM_REMOVE))
        free(SzTakePostedLine(msg.lParam));
}
