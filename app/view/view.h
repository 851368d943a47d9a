// VIEW: a view object bound to one window of a window class of its own.
//
// The framework routes each window message to a virtual handler (FWndProc),
// so a view class overrides only the handlers it needs. The order of the
// virtual operations below is fixed for every view class of the program and
// of the plug-ins (slot numbers in the comments); a class adds its own
// operations after slot 52 (VIEW classes) or 60 (DLGVIEW classes).
//
// The window holds the link to its view in its user data. Creation protocol:
// the view creates its window with itself as the creation parameter, then
// sends it WM_USER with wParam 0; FInitWnd answers, and a zero answer makes
// the creator destroy the window. WM_USER+1 makes the view destroy its
// window and delete itself. Views are used only on the window thread that
// created their windows; other threads reach them by messages.
#ifndef ORRIN_VIEW_H
#define ORRIN_VIEW_H

#include <windows.h>
#include <stdint.h>

enum {
    wmViewInit = WM_USER,            // answer of FInitWnd; 0 destroys the new window
    wmViewDeleteSelf = WM_USER + 1,  // destroy the window and delete the view
};

class VIEW {
public:
    VIEW();

    virtual BOOL FCreateEx2(DWORD dwA, DWORD dwB, int x, int y, int cx, int cy, VIEW *pviewParent); // 0
    virtual BOOL FCreateEx(DWORD dwA, int x, int y, int cx, int cy, VIEW *pviewParent);            // 1
    virtual BOOL FCreate(int x, int y, int cx, int cy, VIEW *pviewParent);                         // 2
    virtual int PumpMessages(HWND hwnd, UINT wmFirst, UINT wmLast, UINT fsRemove);                 // 3
    virtual BOOL FInitWnd(LPARAM lParam);                                                          // 4
    virtual BOOL FWndProc(UINT wm, WPARAM wParam, LPARAM lParam, LRESULT *plResult);               // 5
    virtual void Command(int id, int code, HWND hwndCtl);                                          // 6
    virtual BOOL FSysCommand(WPARAM cmd, int x, int y);                                            // 7
    virtual void Notify(int idCtl, NMHDR *pnmhdr);                                                 // 8
    virtual void Sizing(int edge, RECT *prc);                                                      // 9
    virtual void Sized(int cx, int cy);                                                            // 10
    virtual void Moving(RECT *prc);                                                                // 11
    virtual void Moved(int x, int y);                                                              // 12
    virtual void CharInput(int ch, int cRepeat);                                                   // 13
    virtual void KeyDown(WPARAM vk, LPARAM flags);                                                 // 14
    virtual void KeyUp(WPARAM vk, LPARAM flags);                                                   // 15
    virtual void MouseButton(UINT wm, WPARAM fsKeys, int x, int y);                                // 16
    virtual void MouseMove(WPARAM fsKeys, int x, int y);                                           // 17
    virtual void MouseWheel(int fsKeys, int delta, int x, int y);                                  // 18
    virtual void Paint(HDC hdc, PAINTSTRUCT *pps);                                                 // 19
    virtual void VScroll(int code, int pos);                                                       // 20
    virtual void HScroll(int code, int pos);                                                       // 21
    virtual void GotFocus();                                                                       // 22
    virtual void LostFocus();                                                                      // 23
    virtual void InitMenu(HMENU hmenu);                                                            // 24
    virtual void InitMenuPopup(HMENU hmenu, int iItem, BOOL fSystem);                              // 25
    virtual void ContextMenu(POINT *ppt);                                                          // 26
    virtual void Timer(WPARAM idTimer, LPARAM lParam);                                             // 27
    virtual void ActivateApp(BOOL fActive, DWORD tid);                                             // 28
    virtual void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther);                           // 29
    virtual void Deactivate(BOOL fMinimized, HWND hwndOther);                                      // 30
    virtual void EnableChanged(BOOL fEnabled);                                                     // 31
    virtual BOOL FQueryEndSession();                                                               // 32
    virtual void Close();                                                                          // 33
    virtual void Created(CREATESTRUCTA *pcs);                                                      // 34
    virtual void Destroyed();                                                                      // 35
    virtual void DeleteSelf(WPARAM wParam);                                                        // 36
    virtual void DestroyWnd();                                                                     // 37
    virtual HMENU HmenuContext(POINT *ppt);                                                        // 38
    virtual BOOL FPrepareContextMenu(HMENU hmenu, POINT *ppt);                                     // 39
    virtual void ReleaseContextMenu(HMENU hmenu);                                                  // 40
    virtual intptr_t Identity(intptr_t value);                                                     // 41
    virtual ~VIEW();                                                                               // 42
    virtual void Destroy();                                                                        // 43
    virtual HWND Hwnd();                                                                           // 44
    virtual int Tag();                                                                             // 45
    virtual LRESULT SendClose();                                                                   // 46
    virtual BOOL Show(int sw);                                                                     // 47
    virtual BOOL Update();                                                                         // 48
    virtual VIEW *PviewParent();                                                                   // 49
    virtual BOOL FQueryClose();                                                                    // 50
    virtual void ChildAdded(VIEW *pviewChild);                                                     // 51
    virtual void ChildRemoved(VIEW *pviewChild);                                                   // 52

    VIEW(const VIEW &) = delete;
    VIEW &operator=(const VIEW &) = delete;

    // Window procedure of every VIEW window (the window procedure of the classes
    // registered with FRegisterViewClass).
    static LRESULT CALLBACK ViewWndProc(HWND hwnd, UINT wm, WPARAM wParam, LPARAM lParam);

protected:
    uint32_t dwReserved;   // 0; nothing reads it
    HWND hwnd;             // the view's window, null while there is none
    int32_t tag;           // 0; no operation changes it
    VIEW *pviewParent;     // parent view given at creation, or null
};

// Register a window class for views: ViewWndProc, 4 window bytes, arrow
// cursor, no icon, background or menu.
BOOL FRegisterViewClass(HINSTANCE hinst, const char *szClass, UINT cs);

#endif
