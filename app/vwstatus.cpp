// VWAPP status window and progress bar. Other threads only post: the text
// goes as a heap copy in wmAppendLine, the progress values as the progress
// bar's own messages, so no other thread ever waits for the window thread.

#include "vwapp.h"

#include <commctrl.h>

#include "edtlog.h"

void VWAPP::AppendStatusLine(const char *sz)
{
    if (GetCurrentThreadId() == tidWindow)
        AppendStatusLineNow(sz);
    else
        FPostLine(hwnd, wmAppendLine, sz);
}

void VWAPP::AppendStatusLineNow(const char *sz)
{
    AppendEditLine(hwndStatus, sz, clineStatusMax);
}

void VWAPP::ClearStatus()
{
    SendMessageA(hwndStatus, EM_SETSEL, 0, -1);
    SendMessageA(hwndStatus, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
}

void VWAPP::SetProgressRange(int n)
{
    PostMessageA(hwndProgress, PBM_SETRANGE, 0, MAKELPARAM(0, n & 0xFFFF));
}

void VWAPP::SetProgressPos(int pos)
{
    PostMessageA(hwndProgress, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}
