// Line log in an edit control (see edtlog.h).

#include "edtlog.h"


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

BOOL FSendLine(HWND hwndTarget, UINT wm, const char *sz)
{
    if (hwndTarget == nullptr || !IsWindow(hwndTarget))
        return FALSE;
    SendMessageA(hwndTarget, wm, 0, reinterpret_cast<LPARAM>(sz ? sz : ""));
    return TRUE;
}
