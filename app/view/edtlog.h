// A line log in a multi-line edit control, and handing lines to the window
// thread from other threads.
#ifndef ORRIN_EDTLOG_H
#define ORRIN_EDTLOG_H

#include <windows.h>

// Append sz and a line break to the edit control. When it already holds
// more than clineMax lines (the empty line after the last break included),
// the first line goes first, so at most clineMax lines with text remain.
void AppendEditLine(HWND hwndEdit, const char *sz, int clineMax);

// Hand sz to hwndTarget's thread as message wm (wParam 0, lParam the text)
// and return once that thread has handled it, so that lines and a command
// sent after them arrive in the order they were made. The window thread must
// not wait for the calling thread meanwhile. FALSE when the window is gone.
BOOL FSendLine(HWND hwndTarget, UINT wm, const char *sz);

#endif
