// VWAPP status window and progress bar. Other threads send (never post):
// a line, a progress move and the completion command that follows them reach
// the window thread in the order they were made, each call returning once
// the window thread has handled it.

#include "vwapp.h"

#include <commctrl.h>

#include "edtlog.h"

void VWAPP::AppendStatusLine(const char *sz)
{
    if (GetCurrentThreadId() == tidWindow)
        AppendStatusLineNow(sz);
    else
        FSendLine(hwnd, wmAppendLine, sz);
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
    SendMessageA(hwndProgress, PBM_SETRANGE, 0, MAKELPARAM(0, n & 0xFFFF));
}

void VWAPP::SetProgressPos(int pos)
{
    SendMessageA(hwndProgress, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}
