// A line log in a multi-line edit control, and handing lines to the window
// thread from other threads without waiting for it.
#ifndef ORRIN_EDTLOG_H
#define ORRIN_EDTLOG_H

#include <windows.h>

// Append sz and a line break to the edit control. When it already holds
// more than clineMax lines (the empty line after the last break included),
// the first line goes first, so at most clineMax lines with text remain.
void AppendEditLine(HWND hwndEdit, const char *sz, int clineMax);

// Post a heap copy of sz to hwndTarget as message wm (wParam 0, lParam the
// copy). The receiver takes it with SzTakePostedLine and frees it with
// free(); a failed post frees it here. Never waits for the target's thread.
BOOL FPostLine(HWND hwndTarget, UINT wm, const char *sz);
inline char *SzTakePostedLine(LPARAM lParam) { return reinterpret_cast<char *>(lParam); }

// Free the lines still queued for hwndTarget (when it goes away).
void DiscardPostedLines(HWND hwndTarget, UINT wm);

#endif
