// Helpers of the GUI test driver: a Windows console program that runs in the
// same wine prefix as the program under test and drives it from outside, as a
// user would: it finds windows, reads control texts (WM_GETTEXT, which works
// across processes), clicks buttons, switches tabs with the tab control's own
// messages and answers message boxes. Results are printed as "ok ..." and
// "FAIL ..." lines; any failure makes the scenario fail.
#ifndef WGDRIVE_H
#define WGDRIVE_H

#include <windows.h>

#include <string>
#include <vector>

namespace wg {

extern int cFail;

void Check(bool f, const std::string &szWhat);
void Note(const std::string &sz);

// A started process; Wait gives its exit code, or STILL_ACTIVE on time-out.
struct CHILDPROC {
    HANDLE hproc = nullptr;
    DWORD pid = 0;
    DWORD Wait(DWORD tms);
};

// Start szExe with the command-line arguments szArgs.
bool FStart(const std::string &szExe, CHILDPROC *pproc, const std::string &szArgs = "");

// Top-level windows of a process, optionally of one class.
std::vector<HWND> RghwndTop(DWORD pid, const char *szClass);
// Wait for a top-level window of the process; null on time-out.
HWND HwndWaitTop(DWORD pid, const char *szClass, DWORD tms);
// First descendant of hwndRoot with control id id (any depth).
HWND HwndFindId(HWND hwndRoot, int id);

std::string SzText(HWND hwnd);
// Text of tab i of a tab control in another process (the item record and
// its text buffer are placed in that process's memory).
std::string SzTabText(HWND hwndTab, int i);
std::vector<std::string> RgszLines(const std::string &sz);
RECT RcWindow(HWND hwnd);
// Send WM_SIZING (edge, rectangle) to a window of another process, as the
// system does while the user drags a frame edge, and return the rectangle
// the window made of it (wine carries the rectangle across).
RECT RcSizing(HWND hwnd, int edge, RECT rc);
bool FResponsive(HWND hwnd);
// Let the program handle what it has been sent (round trip through its queue).
void Settle(HWND hwnd);

// Registry set-up and checks (the prefix's registry, shared with the program).
bool FRegSetSz(HKEY hkeyRoot, const char *szKey, const char *szValue, const char *sz);
bool FRegSetDword(HKEY hkeyRoot, const char *szKey, const char *szValue, DWORD dw);
bool FRegGetSz(HKEY hkeyRoot, const char *szKey, const char *szValue, std::string *psz);
void RegWipeKey(HKEY hkeyRoot, const char *szKey);

// Screen picture as a test artifact, taken by the host's ImageMagick
// (best effort: a missing picture does not fail a scenario).
void Screenshot(const std::string &szUnixDir, const std::string &szName);

// The colour on the screen at (dx, dy) from the top-left corner of control
// id of hwndPage (a page's placeholder), and a wait (up to 10 s) until
// crWant shows there; fRepaint asks the page to repaint between looks
// (else the page must repaint on its own).
COLORREF CrAt(HWND hwndPage, int id, int dx, int dy);
bool FColourShows(HWND hwndPage, int id, int dx, int dy, COLORREF crWant, bool fRepaint);

} // namespace wg

#endif
